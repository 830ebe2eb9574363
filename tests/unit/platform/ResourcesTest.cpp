// The resources come from tests/unit/platform/extra.cmake: embedded and registered on Linux,
// an .rc file compiled into the program on Windows.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/Resources.h"

namespace pellory::platform {
namespace {

TEST(Resources, FindsNamedResourcesByTypeAndName) {
  ResourceData blob;
  ASSERT_TRUE(FindResourceData("TESTBLOB", "BLOB_1", blob));
  ASSERT_EQ(blob.size, 256u);
  for (unsigned i = 0; i < 256; ++i) ASSERT_EQ(blob.data[i], i) << "byte " << i;
}

TEST(Resources, NumericNamesAndCaseInsensitiveLookup) {
  ResourceData a, b;
  ASSERT_TRUE(FindResourceData("PNG", "101", a));
  ASSERT_EQ(a.size, 12u);
  EXPECT_EQ(std::memcmp(a.data, "pellory-res\n", 12), 0);
  ASSERT_TRUE(FindResourceData("testblob", "blob_1", b));
  EXPECT_EQ(b.size, 256u);
}

TEST(Resources, AbsentResourcesAreReportedAndClearTheAnswer) {
  ResourceData out;
  ASSERT_TRUE(FindResourceData("PNG", "101", out));
  EXPECT_FALSE(FindResourceData("PNG", "102", out));
  EXPECT_EQ(out.data, nullptr);
  EXPECT_EQ(out.size, 0u);
  EXPECT_FALSE(FindResourceData("TESTBLOB", "101", out));
  EXPECT_FALSE(FindResourceData("FACTORYBANK", "BLOB_1", out));
  EXPECT_FALSE(FindResourceData(nullptr, "101", out));
  EXPECT_FALSE(FindResourceData("PNG", nullptr, out));
  EXPECT_FALSE(FindResourceData("PNG", "", out));
}

#ifndef _WIN32
TEST(Resources, TablesRegisteredLaterAreFoundToo) {
  static const unsigned char bytes[] = {1, 2, 3};
  static const ResourceEntry table[] = {{"LATE", "ONE", bytes, 3}, {nullptr, nullptr, nullptr, 0}};
  ResourceData out;
  EXPECT_FALSE(FindResourceData("LATE", "ONE", out));
  EXPECT_TRUE(RegisterResources(table));
  ASSERT_TRUE(FindResourceData("late", "one", out));
  EXPECT_EQ(out.data, bytes);
  EXPECT_EQ(out.size, 3u);
  EXPECT_TRUE(FindResourceData("PNG", "101", out)) << "earlier tables stay registered";
}
#endif

}  // namespace
}  // namespace pellory::platform
