#include <windows.h>

#include "platform/Locks.h"

namespace pellory::platform {

static_assert(sizeof(CRITICAL_SECTION) <= 64, "lock storage too small");
static_assert(alignof(CRITICAL_SECTION) <= 16, "lock storage under-aligned");

namespace {
CRITICAL_SECTION* Section(unsigned char* storage) { return reinterpret_cast<CRITICAL_SECTION*>(storage); }
}  // namespace

RecursiveLock::RecursiveLock() { InitializeCriticalSection(Section(storage_)); }
RecursiveLock::~RecursiveLock() { DeleteCriticalSection(Section(storage_)); }
void RecursiveLock::Lock() { EnterCriticalSection(Section(storage_)); }
void RecursiveLock::Unlock() { LeaveCriticalSection(Section(storage_)); }

RecursiveLock& CreationLock() {
  static RecursiveLock lock;
  return lock;
}

}  // namespace pellory::platform
