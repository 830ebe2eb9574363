#pragma once
#include <cstddef>

namespace pellory::platform {

// One resource carried by the module, found by type and name (names may be numbers: "101").
struct ResourceEntry {
  const char* type;
  const char* name;
  const unsigned char* data;
  unsigned long size;
};

// Adds a table (ended by an entry with a null type) to the module's resources. Used by the
// generated resource objects on platforms without native resources; always returns true.
bool RegisterResources(const ResourceEntry* entries);

struct ResourceData {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

// Looks a resource up in the running module; false when it is absent.
bool FindResourceData(const char* type, const char* name, ResourceData& out);

}  // namespace pellory::platform
