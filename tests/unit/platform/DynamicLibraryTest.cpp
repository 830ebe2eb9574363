#include <gtest/gtest.h>

#include "TempFolder.h"
#include "platform/DynamicLibrary.h"

namespace pellory::platform {
namespace {

#ifdef _WIN32
const char* const kSystemLibrary = "kernel32.dll";
const char* const kSystemSymbol = "GetTickCount";
#else
const char* const kSystemLibrary = "libm.so.6";
const char* const kSystemSymbol = "cos";
#endif

TEST(DynamicLibrary, OpenFailsForMissingOrInvalidFiles) {
  test::TempFolder temp;
  DynamicLibrary lib;
  EXPECT_FALSE(lib.Open(temp.Path("no-such-library")));
  EXPECT_FALSE(lib.IsOpen());
  EXPECT_EQ(lib.Symbol("anything"), nullptr);
  // A file that exists but is no library.
  EXPECT_FALSE(lib.Open(temp.Write("fake-library", "not a library")));
  EXPECT_FALSE(lib.IsOpen());
}

TEST(DynamicLibrary, SystemLibrarySymbolsResolveAndCloseForgetsThem) {
  DynamicLibrary lib;
  ASSERT_TRUE(lib.Open(kSystemLibrary));
  EXPECT_TRUE(lib.IsOpen());
  EXPECT_NE(lib.Symbol(kSystemSymbol), nullptr);
  EXPECT_EQ(lib.Symbol("pellory_no_such_symbol"), nullptr);
  EXPECT_EQ(lib.Symbol(nullptr), nullptr);
  lib.Close();
  EXPECT_FALSE(lib.IsOpen());
  EXPECT_EQ(lib.Symbol(kSystemSymbol), nullptr);
}

TEST(DynamicLibrary, SystemPathNamesTheFileInTheSystemFolder) {
  const std::string path = SystemLibraryPath("LIBMTS.dll");
#ifdef _WIN32
  ASSERT_GT(path.size(), 11u);
  EXPECT_EQ(path.substr(path.size() - 11), "\\LIBMTS.dll");
  EXPECT_EQ(path[1], ':') << path;
#else
  EXPECT_EQ(path, "/usr/local/lib/LIBMTS.dll");
#endif
}

}  // namespace
}  // namespace pellory::platform
