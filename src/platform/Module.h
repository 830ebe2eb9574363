#pragma once
#include <string>

namespace pellory::platform {

// The module (DLL or shared object) this code lives in. The Windows entry stores the handle
// DllMain receives; elsewhere the handle is found from an address inside the module.
void SetModuleHandle(void* handle);
void* GetModuleHandle();

// Full path of the module file, and its folder without a trailing separator.
std::string ModuleFilePath();
std::string ModuleFolder();

}  // namespace pellory::platform
