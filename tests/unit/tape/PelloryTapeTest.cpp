// A recording loaded by the plug-in itself: program memory, message and stored state follow.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "CassetteSimulator.h"
#include "core/Pellory.h"
#include "programs/tape/TapeRecords.h"

namespace pellory {
namespace {

class PelloryTapeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("pellory-tape-plug-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(folder_);
    InstanceOptions options;
    options.configFolder = folder_.string();
    options.documentsFolder = folder_.string();
    options.mtsLibraryPath = (folder_ / "none.so").string();
    plug_ = std::make_unique<Pellory>(nullptr, options);
  }
  void TearDown() override {
    plug_.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  std::string Recording(const std::vector<uint8_t>& dump, const char* name) {
    const std::string path = (folder_ / name).string();
    EXPECT_TRUE(tape::testing::WriteFile(
        path, tape::testing::MakeWav({tape::testing::SynthesizeDump(dump, 48000)}, 48000,
                                     tape::testing::SampleFormat::kPcm24)));
    return path;
  }
  std::filesystem::path folder_;
  std::unique_ptr<Pellory> plug_;
};

TEST_F(PelloryTapeTest, LaterModelDumpReplacesEveryProgramAndIsStoredInThePreset) {
  const std::vector<uint8_t> dump = tape::testing::ValidLaterDump(31);
  ASSERT_TRUE(plug_->LoadTapeDump(Recording(dump, "later.wav")));
  EXPECT_EQ(plug_->TapeResultMessage(), "Later model tape dump was successfully loaded.\n");
  for (int n = 1; n <= 75; ++n)
    EXPECT_TRUE(std::equal(dump.begin() + 896 + 37 * (n - 1), dump.begin() + 896 + 37 * n, plug_->Programs().Record(n)))
        << "PRG " << n;
  for (int n = 76; n <= 99; ++n)
    EXPECT_TRUE(std::equal(dump.begin() + 3671 + 7 * (n - 76), dump.begin() + 3671 + 7 * (n - 75),
                           plug_->Programs().Record(n)))
        << "Combi " << n;
  // The preset slot holds the loaded memory, so a host that reloads the program gets it back.
  const StateChunk& stored = plug_->GetPreset(0)->chunk;
  ASSERT_GE(stored.Size(), 37);
  EXPECT_TRUE(std::equal(dump.begin() + 896, dump.begin() + 896 + 37, stored.Data()));
}

TEST_F(PelloryTapeTest, ARecordingWithoutADumpChangesNothing) {
  const ProgramMemory before = plug_->Programs();
  std::vector<uint8_t> noise = tape::testing::PatternBytes(1000, 3);  // neither dump length
  EXPECT_FALSE(plug_->LoadTapeDump(Recording(noise, "short.wav")));
  EXPECT_FALSE(plug_->LoadTapeDump((folder_ / "missing.wav").string()));
  EXPECT_FALSE(plug_->LoadTapeDump(folder_.string()));
  for (int n = 1; n <= 99; ++n)
    EXPECT_TRUE(std::equal(before.Record(n), before.Record(n) + RecordSizeOf(n), plug_->Programs().Record(n)));
}

}  // namespace
}  // namespace pellory
