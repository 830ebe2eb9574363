#pragma once
#include <cstdint>
#include <vector>

namespace pellory::drawing {

// Unicode code points of UTF-8 text; malformed bytes become U+FFFD.
std::vector<uint32_t> DecodeUtf8(const char* text);

// Splits code points into lines at '\n' (a "\r\n" pair counts as one break).
std::vector<std::vector<uint32_t>> SplitLines(const std::vector<uint32_t>& text);

}  // namespace pellory::drawing
