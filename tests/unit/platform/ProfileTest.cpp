// The INI functions behave like the Windows profile functions; this suite runs natively against
// our reader/writer and under wine against the Win32 calls, so both must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "TempFolder.h"
#include "platform/Profile.h"

namespace pellory::platform {
namespace {

constexpr std::size_t kBuffer = 64;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::size_t Count(const std::string& haystack, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t p = haystack.find(needle); p != std::string::npos; p = haystack.find(needle, p + 1)) ++n;
  return n;
}

class ProfileTest : public ::testing::Test {
 protected:
  std::string Get(const std::string& section, const std::string& key, const std::string& def = "<default>",
                  std::size_t buffer = kBuffer) {
    return GetProfileString(section, key, def, file_, buffer);
  }
  test::TempFolder folder_;
  std::string file_ = folder_.Path("pellory.ini");
};

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(Get("Editor", "Start In Edit Mode", "false"), "false");
  folder_.Write("pellory.ini", "[Editor]\r\nStart In Edit Mode=true\r\n");
  EXPECT_EQ(Get("Global", "Start In Edit Mode", "dflt"), "dflt");
  EXPECT_EQ(Get("Editor", "Don't Ask To Commit", "dflt"), "dflt");
  EXPECT_EQ(Get("Editor", "Start In Edit Mode", ""), "true");
}

TEST_F(ProfileTest, SectionsAndKeysMatchIgnoringCaseAndValuesAreTrimmed) {
  folder_.Write("pellory.ini",
                "[MIDI Global]\r\n"
                "MIDI Thru =   TRUE  \r\n"
                "[MIDI Control]\r\n"
                "CC7=0\r\n"
                "cc12 = 44\r\n");
  EXPECT_EQ(Get("midi global", "midi thru"), "TRUE");
  EXPECT_EQ(Get("MIDI GLOBAL", "MIDI Thru"), "TRUE");
  EXPECT_EQ(Get("MIDI Control", "cc7"), "0");
  EXPECT_EQ(Get("midi control", "CC12"), "44");
  // A key of one section is not found in another.
  EXPECT_EQ(Get("MIDI Global", "CC7", "-1"), "-1");
}

TEST_F(ProfileTest, UnixLineEndingsReadLikeWindowsOnes) {
  folder_.Write("pellory.ini", "[Global]\nPath to Program Files=C:\\Programs\n[Editor]\nStart In Edit Mode=false\n");
  EXPECT_EQ(Get("Global", "Path to Program Files", "", 259), "C:\\Programs");
  EXPECT_EQ(Get("Editor", "Start In Edit Mode"), "false");
}

TEST_F(ProfileTest, AnswerIsCutToTheBufferSize) {
  const std::string longValue(300, 'x');
  folder_.Write("pellory.ini", "[Global]\r\nPath to SysEx Files=" + longValue + "\r\n");
  EXPECT_EQ(Get("Global", "Path to SysEx Files", "", 64), std::string(63, 'x'));
  EXPECT_EQ(Get("Global", "Path to SysEx Files", "", 259), std::string(258, 'x'));
  EXPECT_EQ(Get("Global", "Path to SysEx Files", "", 1), "");
  // The default is cut the same way.
  EXPECT_EQ(Get("Global", "absent", "abcdef", 4), "abc");
}

TEST_F(ProfileTest, JunkLinesDoNotHideValidKeys) {
  std::string junk = "garbage without equals\r\n[unterminated section\r\n";
  junk += std::string("\x01\x02\xff\xfe binary\r\n", 14);
  junk += std::string(5000, 'y') + "\r\n";
  folder_.Write("pellory.ini", junk + "[Editor]\r\n" + junk + "Start In Edit Mode=true\r\n");
  EXPECT_EQ(Get("Editor", "Start In Edit Mode"), "true");
  EXPECT_EQ(Get("Editor", "absent"), "<default>");
}

TEST_F(ProfileTest, SingleKeyWritesKeepTheRestOfTheFile) {
  folder_.Write("pellory.ini",
                "[Editor]\r\n"
                "Start In Edit Mode=false\r\n"
                "Don't Ask To Commit=true\r\n"
                "[Global]\r\n"
                "Path to Program Files=C:\\Progs\r\n");
  ASSERT_TRUE(WriteProfileString("Editor", "Start In Edit Mode", "true", file_));
  ASSERT_TRUE(WriteProfileString("Editor", "New Key", "1", file_));
  ASSERT_TRUE(WriteProfileString("MIDI Global", "MIDI Thru", "false", file_));

  EXPECT_EQ(Get("Editor", "Start In Edit Mode"), "true");
  EXPECT_EQ(Get("Editor", "Don't Ask To Commit"), "true");
  EXPECT_EQ(Get("Editor", "New Key"), "1");
  EXPECT_EQ(Get("Global", "Path to Program Files"), "C:\\Progs");
  EXPECT_EQ(Get("MIDI Global", "MIDI Thru"), "false");
  // The key added to an existing section stays in that section.
  EXPECT_EQ(Get("Global", "New Key"), "<default>");
}

TEST_F(ProfileTest, WritingAKeyInOtherCaseReplacesItInsteadOfAddingOne) {
  folder_.Write("pellory.ini", "[MIDI Global]\r\nMIDI Thru=false\r\n");
  ASSERT_TRUE(WriteProfileString("midi global", "midi thru", "true", file_));
  EXPECT_EQ(Get("MIDI Global", "MIDI Thru"), "true");
  const std::string text = Lower(folder_.Read("pellory.ini"));
  EXPECT_EQ(Count(text, "midi thru"), 1u) << text;
  EXPECT_EQ(Count(text, "[midi global]"), 1u) << text;
}

TEST_F(ProfileTest, WriteCreatesAMissingFile) {
  ASSERT_TRUE(WriteProfileString("Global", "Path to SysEx Files", "D:\\syx", file_));
  EXPECT_EQ(Get("Global", "Path to SysEx Files"), "D:\\syx");
}

TEST_F(ProfileTest, WriteIntoAMissingFolderFails) {
  const std::string unreachable = folder_.Path("no-such-folder") + "/pellory.ini";
  EXPECT_FALSE(WriteProfileString("Global", "k", "v", unreachable));
  EXPECT_FALSE(WriteProfileSection("MIDI Control", {{"CC1", "2"}}, unreachable));
  EXPECT_EQ(GetProfileString("Global", "k", "none", unreachable, kBuffer), "none");
}

TEST_F(ProfileTest, SectionWriteReplacesOnlyThatSection) {
  folder_.Write("pellory.ini",
                "[MIDI Global]\r\n"
                "MIDI Thru=true\r\n"
                "[MIDI Control]\r\n"
                "CC2=5\r\n"
                "CC7=-1\r\n"
                "[Editor]\r\n"
                "Start In Edit Mode=true\r\n");
  ASSERT_TRUE(WriteProfileSection("midi control", {{"CC7", "0"}, {"CC1", "12"}}, file_));
  EXPECT_EQ(Get("MIDI Control", "CC2", "-1"), "-1");
  EXPECT_EQ(Get("MIDI Control", "CC7", "-1"), "0");
  EXPECT_EQ(Get("MIDI Control", "CC1", "-1"), "12");
  EXPECT_EQ(Get("MIDI Global", "MIDI Thru"), "true");
  EXPECT_EQ(Get("Editor", "Start In Edit Mode"), "true");
  EXPECT_EQ(Count(Lower(folder_.Read("pellory.ini")), "[midi control]"), 1u);
}

TEST_F(ProfileTest, EmptySectionWriteClearsItsKeysAndLaterKeysCanBeAdded) {
  folder_.Write("pellory.ini", "[MIDI Control]\r\nCC1=3\r\nCC2=4\r\n[Global]\r\nPath to Program Files=P\r\n");
  ASSERT_TRUE(WriteProfileSection("MIDI Control", {}, file_));
  EXPECT_EQ(Get("MIDI Control", "CC1", "-1"), "-1");
  EXPECT_EQ(Get("MIDI Control", "CC2", "-1"), "-1");
  ASSERT_TRUE(WriteProfileString("MIDI Control", "CC64", "9", file_));
  EXPECT_EQ(Get("MIDI Control", "CC64", "-1"), "9");
  EXPECT_EQ(Get("Global", "Path to Program Files"), "P");
}

TEST_F(ProfileTest, SectionWriteCreatesAMissingSection) {
  folder_.Write("pellory.ini", "[Editor]\r\nStart In Edit Mode=true\r\n");
  ASSERT_TRUE(WriteProfileSection("MIDI Control", {{"CC10", "76"}}, file_));
  EXPECT_EQ(Get("MIDI Control", "CC10", "-1"), "76");
  EXPECT_EQ(Get("Editor", "Start In Edit Mode"), "true");
}

}  // namespace
}  // namespace pellory::platform
