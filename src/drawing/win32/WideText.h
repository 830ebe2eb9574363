#pragma once
#include <string>

namespace pellory::drawing {

// UTF-8 to the UTF-16 that the wide Win32 calls take; empty for null or empty text.
std::wstring Widen(const char* text);

}  // namespace pellory::drawing
