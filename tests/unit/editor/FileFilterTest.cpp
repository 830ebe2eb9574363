// The file dialog's filter and default extension fit the dialog's fixed buffers whatever list
// a caller passes.
#include <gtest/gtest.h>

#include <algorithm>

#include "editor/FileFilter.h"

namespace pellory {
namespace {

TEST(FileDialogFilter, ShortListsBecomeDescriptionAndPattern) {
  std::string ext;
  EXPECT_EQ(FileDialogFilter("syx", 256, 16, ext), std::string("*.syx\0*.syx\0\0", 13));
  EXPECT_EQ(ext, "syx");
  EXPECT_EQ(FileDialogFilter("wav  syx", 256, 16, ext), std::string("*.wav;*.syx\0*.wav;*.syx\0\0", 25));
  EXPECT_EQ(ext, "wav");
  EXPECT_EQ(FileDialogFilter("", 256, 16, ext), "");
  EXPECT_EQ(ext, "");
  EXPECT_EQ(FileDialogFilter(nullptr, 256, 16, ext), "");
}

TEST(FileDialogFilter, LongListsAreCutToWholeExtensionsThatFit) {
  std::string list;
  for (int i = 0; i < 60; ++i) list += "ext" + std::to_string(i) + " ";
  std::string ext;
  const std::string filter = FileDialogFilter(list.c_str(), 256, 16, ext);
  ASSERT_FALSE(filter.empty());
  EXPECT_LE(filter.size(), 256u);
  // Description and pattern are the same whole extensions, and the list ends with two zeros.
  const std::string pattern = filter.substr(0, filter.find('\0'));
  EXPECT_EQ(filter, pattern + '\0' + pattern + '\0' + '\0');
  // As many as fit, in order: the next one would not have.
  const int taken = static_cast<int>(std::count(pattern.begin(), pattern.end(), ';')) + 1;
  EXPECT_EQ(pattern.substr(pattern.rfind(";*.") + 3), "ext" + std::to_string(taken - 1));
  const std::string next = ";*.ext" + std::to_string(taken);
  EXPECT_GT(2 * (pattern.size() + next.size() + 1) + 1, 256u);
  EXPECT_GT(FileDialogFilter((list + list).c_str(), 512, 16, ext).size(), filter.size());
  // One extension longer than the whole buffer: no filter rather than a cut word.
  EXPECT_EQ(FileDialogFilter(std::string(300, 'x').c_str(), 256, 16, ext), "");
}

TEST(FileDialogFilter, DefaultExtensionOnlyWhenItFits) {
  std::string ext;
  FileDialogFilter("abcdefghijklmno wav", 256, 16, ext);
  EXPECT_EQ(ext, "abcdefghijklmno");  // 15 characters and the terminator
  FileDialogFilter("abcdefghijklmnop wav", 256, 16, ext);
  EXPECT_EQ(ext, "");
}

}  // namespace
}  // namespace pellory
