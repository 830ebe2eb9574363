#include "platform/Module.h"

#include <dlfcn.h>

namespace pellory::platform {
namespace {
void* g_module = nullptr;
}

void SetModuleHandle(void* handle) { g_module = handle; }
void* GetModuleHandle() { return g_module; }

std::string ModuleFilePath() {
  Dl_info info{};
  // Any address inside this shared object names it.
  if (dladdr(reinterpret_cast<void*>(&ModuleFilePath), &info) && info.dli_fname) return info.dli_fname;
  return std::string();
}

std::string ModuleFolder() {
  std::string path = ModuleFilePath();
  std::string::size_type slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace pellory::platform
