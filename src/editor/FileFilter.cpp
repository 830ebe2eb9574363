#include "editor/FileFilter.h"

#include <vector>

namespace pellory {

std::string FileDialogFilter(const char* extensions, std::size_t filterBytes, std::size_t defaultBytes,
                             std::string& defaultExtension) {
  defaultExtension.clear();
  std::vector<std::string> words;
  std::string word;
  for (const char* p = extensions ? extensions : "";; ++p) {
    if (*p == ' ' || *p == '\0') {
      if (!word.empty()) words.push_back(word);
      word.clear();
      if (!*p) break;
    } else {
      word += *p;
    }
  }
  std::string pattern;
  for (const std::string& w : words) {
    const std::string next = (pattern.empty() ? "*." : ";*.") + w;
    // Twice the pattern with its zero, and the final zero.
    if (2 * (pattern.size() + next.size() + 1) + 1 > filterBytes) break;
    pattern += next;
  }
  if (!words.empty() && words[0].size() < defaultBytes) defaultExtension = words[0];
  if (pattern.empty()) return std::string();
  std::string filter = pattern;
  filter += '\0';
  filter += pattern;
  filter += '\0';
  filter += '\0';
  return filter;
}

}  // namespace pellory
