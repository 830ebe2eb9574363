#include <windows.h>
#undef GetModuleHandle

#include "platform/Module.h"
#include "platform/Resources.h"

namespace pellory::platform {
namespace {

// All-digit names ("101") are numeric resource ids, as the .rc file declares them.
LPCSTR ResourceName(const char* name) {
  if (!*name) return name;
  unsigned long id = 0;
  for (const char* p = name; *p; ++p) {
    if (*p < '0' || *p > '9') return name;
    id = id * 10 + static_cast<unsigned long>(*p - '0');
    if (id > 0xFFFF) return name;
  }
  return MAKEINTRESOURCEA(id);
}

}  // namespace

// The .rc file compiled into the module carries the resources; nothing to register.
bool RegisterResources(const ResourceEntry*) { return true; }

bool FindResourceData(const char* type, const char* name, ResourceData& out) {
  out = ResourceData{};
  if (!type || !name) return false;
  HMODULE module = static_cast<HMODULE>(GetModuleHandle());
  HRSRC info = FindResourceA(module, ResourceName(name), ResourceName(type));
  if (!info) return false;
  HGLOBAL loaded = LoadResource(module, info);
  DWORD size = SizeofResource(module, info);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  out.data = static_cast<const unsigned char*>(data);
  out.size = size;
  return true;
}

}  // namespace pellory::platform
