#include "platform/Resources.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace pellory::platform {
namespace {
// Function-local statics: the registering objects may run before any other static here.
std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}
std::vector<const ResourceEntry*>& Tables() {
  static std::vector<const ResourceEntry*> tables;
  return tables;
}
}  // namespace

bool RegisterResources(const ResourceEntry* entries) {
  std::lock_guard<std::mutex> guard(TableLock());
  if (entries) Tables().push_back(entries);
  return true;
}

bool FindResourceData(const char* type, const char* name, ResourceData& out) {
  out = ResourceData{};
  if (!type || !name) return false;
  std::lock_guard<std::mutex> guard(TableLock());
  for (const ResourceEntry* table : Tables()) {
    for (const ResourceEntry* e = table; e->type; ++e) {
      // Windows resource types and names match ignoring case.
      if (strcasecmp(e->type, type) == 0 && strcasecmp(e->name, name) == 0) {
        out.data = e->data;
        out.size = e->size;
        return true;
      }
    }
  }
  return false;
}

}  // namespace pellory::platform
