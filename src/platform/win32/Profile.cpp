#include <windows.h>
// <windows.h> maps these names to its own A/W functions; the names below are ours.
#undef GetProfileString
#undef WriteProfileString
#undef WriteProfileSection

#include <vector>

#include "platform/Profile.h"

namespace pellory::platform {

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& file,
                             std::size_t bufferSize) {
  if (bufferSize == 0) return std::string();
  // The profile functions take a DWORD size; a larger request gains nothing.
  if (bufferSize > 65536) bufferSize = 65536;
  std::vector<char> buffer(bufferSize, '\0');
  DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                     static_cast<DWORD>(bufferSize), file.c_str());
  if (n >= bufferSize) n = static_cast<DWORD>(bufferSize - 1);
  return std::string(buffer.data(), n);
}

bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

bool WriteProfileSection(const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries,
                         const std::string& file) {
  // "key=value\0key=value\0\0": every line ends in a NUL and the block in a second one.
  std::string block;
  for (const auto& e : entries) {
    block += e.first;
    block += '=';
    block += e.second;
    block += '\0';
  }
  block += '\0';
  if (entries.empty()) block += '\0';
  return WritePrivateProfileSectionA(section.c_str(), block.data(), file.c_str()) != FALSE;
}

}  // namespace pellory::platform
