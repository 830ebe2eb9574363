#include "platform/DynamicLibrary.h"

#include <windows.h>

namespace pellory::platform {

DynamicLibrary::~DynamicLibrary() { Close(); }

bool DynamicLibrary::Open(const std::string& path) {
  Close();
  handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  return handle_ != nullptr;
}

void DynamicLibrary::Close() {
  if (handle_) FreeLibrary(reinterpret_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (!handle_ || !name) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
}

std::string SystemLibraryPath(const std::string& fileName) {
  char folder[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  // No bare file name as a fallback: that would let the search path pick up a stray copy.
  if (length == 0 || length > MAX_PATH) return {};
  return std::string(folder, length) + "\\" + fileName;
}

}  // namespace pellory::platform
