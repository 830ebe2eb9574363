#include "platform/Locks.h"

#include <mutex>
#include <new>

namespace pellory::platform {

static_assert(sizeof(std::recursive_mutex) <= 64, "lock storage too small");

RecursiveLock::RecursiveLock() { new (storage_) std::recursive_mutex(); }
RecursiveLock::~RecursiveLock() { reinterpret_cast<std::recursive_mutex*>(storage_)->~recursive_mutex(); }
void RecursiveLock::Lock() { reinterpret_cast<std::recursive_mutex*>(storage_)->lock(); }
void RecursiveLock::Unlock() { reinterpret_cast<std::recursive_mutex*>(storage_)->unlock(); }

RecursiveLock& CreationLock() {
  static RecursiveLock lock;
  return lock;
}

}  // namespace pellory::platform
