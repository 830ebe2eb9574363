#include <windows.h>
// <windows.h> maps GetModuleHandle to GetModuleHandleA; the name below is our own.
#undef GetModuleHandle

#include "platform/Module.h"

namespace pellory::platform {
namespace {
HMODULE g_module = nullptr;

// The module that contains this code: the DLL when linked into the plug-in, the executable when
// linked into a test program (which has no DllMain to hand us the handle).
HMODULE ContainingModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ContainingModule), &module);
  return module;
}
}  // namespace

void SetModuleHandle(void* handle) { g_module = static_cast<HMODULE>(handle); }

void* GetModuleHandle() { return g_module ? g_module : ContainingModule(); }

std::string ModuleFilePath() {
  char path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(static_cast<HMODULE>(GetModuleHandle()), path, MAX_PATH);
  // n == MAX_PATH means the name was cut: better no path than a wrong one.
  if (n == 0 || n >= MAX_PATH) return std::string();
  return std::string(path, n);
}

std::string ModuleFolder() {
  std::string path = ModuleFilePath();
  std::string::size_type slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace pellory::platform
