#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Files.h"
#include "platform/Locks.h"
#include "platform/Module.h"

namespace pellory::platform {
namespace {

TEST(Module, FolderIsThePathUpToTheLastSeparator) {
  // Linked into this test program, the module is the program itself.
  const std::string path = ModuleFilePath();
  const std::string folder = ModuleFolder();
  ASSERT_FALSE(path.empty());
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(path.compare(0, folder.size(), folder), 0) << path;
  EXPECT_EQ(path[folder.size()], PathSeparator()) << path;
  EXPECT_EQ(path.find(PathSeparator(), folder.size() + 1), std::string::npos) << path;
  EXPECT_NE(path.find("platform_tests"), std::string::npos) << path;
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_TRUE(FileExists(path));
}

TEST(Locks, SameThreadMayReenter) {
  RecursiveLock lock;
  lock.Lock();
  lock.Lock();
  { LockGuard nested(lock); }
  lock.Unlock();
  lock.Unlock();
  SUCCEED();
}

TEST(Locks, OtherThreadsWaitUntilFullyReleased) {
  RecursiveLock lock;
  std::atomic<bool> acquired{false};
  lock.Lock();
  lock.Lock();
  std::thread other([&] {
    LockGuard guard(lock);
    acquired = true;
  });
  lock.Unlock();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(acquired) << "one Unlock of two must not release the lock";
  lock.Unlock();
  other.join();
  EXPECT_TRUE(acquired);
}

TEST(Locks, GuardedCounterIsExactUnderContention) {
  RecursiveLock lock;
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 5000; ++i) {
      LockGuard guard(lock);
      long v = counter;
      std::this_thread::yield();  // invites the other thread into the gap
      counter = v + 1;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 10000);
  EXPECT_EQ(&CreationLock(), &CreationLock());
}

}  // namespace
}  // namespace pellory::platform
