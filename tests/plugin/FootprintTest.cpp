// What loading the module brings into a host's process: hosts load it for every scan and preset
// preview, so libraries needed only by rare actions are opened when those actions run.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "TestHost.h"

namespace plugtest {
namespace {

bool ProcessHasMapped(const std::string& name) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find(name) != std::string::npos) return true;
  }
  return false;
}

TEST(Footprint, TheUpdateChecksHttpLibraryIsNotLoadedWithTheModule) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Start();
  std::vector<float> left, right;
  host.Render(TestHost::Path::kReplacing, 512, left, right);
  // The module is really there (a check that cannot pass on a process that loaded nothing).
  ASSERT_TRUE(ProcessHasMapped("pellory.so"));
  EXPECT_FALSE(ProcessHasMapped("libcurl"));
}

}  // namespace
}  // namespace plugtest
