// The module's exported entry points.
#include "core/Pellory.h"
#include "host/vst2.h"
#include "platform/Locks.h"
#include "platform/Module.h"

#if defined(_WIN32)
#include <windows.h>
#define PELLORY_EXPORT extern "C" __declspec(dllexport)
#else
#define PELLORY_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using pellory::Pellory;

PELLORY_EXPORT vst2::AEffect* VSTCALLBACK VSTPluginMain(vst2::audioMasterCallback hostCallback) {
  pellory::platform::LockGuard guard(pellory::platform::CreationLock());
  Pellory* plug = nullptr;
  try {
    pellory::InstanceOptions options;
    options.windowedEditor = true;
    plug = new Pellory(hostCallback, options);
  } catch (...) {
    // No exception may cross into the host.
    return nullptr;
  }
  plug->EnsureDefaultPresets("Empty", plug->NumPresets());
  vst2::AEffect* effect = plug->GetEffect();
  if (effect->numPrograms < 1) effect->numPrograms = 1;
  return effect;
}

#if defined(_WIN32)
// Exported as "main" through the module definition file.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  pellory::platform::SetModuleHandle(instance);
  return TRUE;
}
#else
// Some Linux hosts look for "main"; C++ forbids a function of that name with this signature,
// so the symbol is given by assembler name.
PELLORY_EXPORT vst2::AEffect* VSTPluginMainAlias(vst2::audioMasterCallback hostCallback) __asm__("main");
vst2::AEffect* VSTPluginMainAlias(vst2::audioMasterCallback hostCallback) { return VSTPluginMain(hostCallback); }
#endif
