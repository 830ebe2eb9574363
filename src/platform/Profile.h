#pragma once
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace pellory::platform {

// INI profile strings with the semantics of the Windows profile functions: section and key
// names match ignoring case, values are trimmed, the answer is cut to bufferSize - 1
// characters, a missing file or key gives the default.
std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& file,
                             std::size_t bufferSize);

// Writes one key (creating file, section and key as needed). False when the file cannot be
// written.
bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file);

// Replaces the whole content of a section by the given key/value pairs (an empty list leaves
// an empty section).
bool WriteProfileSection(const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries,
                         const std::string& file);

}  // namespace pellory::platform
