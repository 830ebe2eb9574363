#include "drawing/TextLayout.h"

namespace pellory::drawing {

std::vector<uint32_t> DecodeUtf8(const char* text) {
  std::vector<uint32_t> out;
  if (!text) return out;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    const unsigned c = *p;
    int extra = 0;
    uint32_t cp = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F, extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F, extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07, extra = 3;
    } else {
      out.push_back(0xFFFD);
      ++p;
      continue;
    }
    ++p;
    bool ok = true;
    for (int i = 0; i < extra; ++i) {
      if ((*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (*p & 0x3F);
      ++p;
    }
    out.push_back(ok && cp <= 0x10FFFF ? cp : 0xFFFD);
  }
  return out;
}

std::vector<std::vector<uint32_t>> SplitLines(const std::vector<uint32_t>& text) {
  std::vector<std::vector<uint32_t>> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' || text[i] == '\r') {
      lines.emplace_back();
      continue;
    }
    lines.back().push_back(text[i]);
  }
  return lines;
}

}  // namespace pellory::drawing
