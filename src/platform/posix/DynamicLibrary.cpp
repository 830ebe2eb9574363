#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace pellory::platform {

DynamicLibrary::~DynamicLibrary() { Close(); }

bool DynamicLibrary::Open(const std::string& path) {
  Close();
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  return handle_ != nullptr;
}

void DynamicLibrary::Close() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
  return handle_ && name ? dlsym(handle_, name) : nullptr;
}

std::string SystemLibraryPath(const std::string& fileName) { return "/usr/local/lib/" + fileName; }

}  // namespace pellory::platform
