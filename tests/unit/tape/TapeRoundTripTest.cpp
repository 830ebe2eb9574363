// Encoded dumps written as WAV files in every accepted format and read back through the
// loader, byte for byte, including recordings that only decode with the filters on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "CassetteSimulator.h"
#include "FakeProgramMemory.h"
#include "TapeEncoder.h"
#include "programs/tape/TapeLoader.h"

namespace pellory::tape {
namespace {

using testing::FakeProgramMemory;
using testing::SampleFormat;
using testing::WaveOptions;

class TempDir {
 public:
  TempDir() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("pellory-tape-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string WriteRecording(const TempDir& dir, const std::string& name, const std::vector<double>& left,
                           uint32_t rate, SampleFormat format, bool stereo, uint32_t seed) {
  std::vector<std::vector<double>> channels = {left};
  if (stereo) {
    // The right channel carries a different dump, so decoding it by mistake shows.
    WaveOptions other;
    other.amplitude = 0.7;
    other.seed = seed + 100;
    channels.push_back(testing::SynthesizeDump(testing::PatternBytes(2048, seed + 100), rate, other));
  }
  const std::string path = dir.File(name);
  EXPECT_TRUE(testing::WriteFile(path, testing::MakeWav(channels, rate, format)));
  return path;
}

std::vector<uint8_t> DecodeFile(const std::string& path, const DecoderSettings& settings = {}) {
  FileByteSource file(path);
  TapeDecoder decoder(settings);
  if (decoder.Decode(file) != DecodeError::kNone) return {};
  return decoder.Bytes();
}

// Every rate with every sample format, mono and stereo, both dump sizes, each with its own
// mixture of tape faults that the decoder must ride out without filters.
struct MatrixCase {
  uint32_t rate;
  SampleFormat format;
  int rateIndex;
  int formatIndex;
};

void PrintTo(const MatrixCase& c, std::ostream* os) { *os << c.rate << " Hz " << testing::NameOf(c.format); }

class TapeRoundTrip : public ::testing::TestWithParam<MatrixCase> {};

TEST_P(TapeRoundTrip, DecodesByteForByte) {
  const MatrixCase c = GetParam();
  // Every rate and every format meet both dump sizes, mono and stereo.
  const int index = c.rateIndex * 5 + c.formatIndex;
  const bool stereo = (c.rateIndex + c.formatIndex) / 2 % 2 == 1;
  const size_t size = (c.rateIndex + c.formatIndex) % 2 ? kLaterDumpSize : kEarlyDumpSize;
  const uint32_t seed = uint32_t(c.rate) + uint32_t(c.format);
  WaveOptions o;
  o.seed = seed;
  o.amplitude = 0.3 + 0.05 * (index % 5);
  o.noise = 0.02;
  o.dcOffset = (index % 3 - 1) * 0.2;  // -0.2, 0, +0.2
  o.levelSwing = 0.5;                  // the level wanders between half and one and a half times
  o.levelPeriod = 3.0;
  o.speed = 1.0 + ((index % 5) - 2) * 0.01;  // tape speed off by up to 2 %
  // Later-model records must be in range to load; the early model's carry no such rule.
  const std::vector<uint8_t> dump =
      size == kLaterDumpSize ? testing::ValidLaterDump(seed) : testing::PatternBytes(size, seed);
  TempDir dir;
  const std::string path = WriteRecording(dir, "dump.wav", testing::SynthesizeDump(dump, c.rate, o), c.rate,
                                          c.format, stereo, seed);

  FakeProgramMemory memory;
  const FakeProgramMemory before;
  ASSERT_TRUE(LoadTapeDump(path, DecoderSettings{}, memory));
  EXPECT_EQ(DecodeFile(path), dump);
  const TapeDump expected = ExtractDump(dump.data(), dump.size());
  for (size_t i = 0; i < expected.prgs.size(); ++i) ASSERT_EQ(memory.prgs[i], expected.prgs[i]) << "PRG " << i + 1;
  for (size_t i = 0; i < expected.combis.size(); ++i) ASSERT_EQ(memory.combis[i], expected.combis[i]);
  if (size == kEarlyDumpSize) {
    for (size_t i = 63; i < 75; ++i) EXPECT_EQ(memory.prgs[i], before.prgs[i]) << "PRG " << i + 1;
    EXPECT_EQ(memory.combis, before.combis);
  }
}

std::vector<MatrixCase> AllCases() {
  std::vector<MatrixCase> cases;
  const uint32_t rates[] = {8000, 11025, 22050, 44100, 48000};
  const SampleFormat formats[] = {SampleFormat::kPcm8, SampleFormat::kPcm16, SampleFormat::kPcm24,
                                  SampleFormat::kFloat32, SampleFormat::kFloat64};
  for (int r = 0; r < 5; ++r)
    for (int f = 0; f < 5; ++f) cases.push_back({rates[r], formats[f], r, f});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(RatesAndFormats, TapeRoundTrip, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<MatrixCase>& info) {
                           return std::to_string(info.param.rate) + "_" + testing::NameOf(info.param.format);
                         });

TEST(TapeLoad, LaterModelDumpFillsAllProgramsThenUpdatesPanelAndHost) {
  const std::vector<uint8_t> dump = testing::ValidLaterDump(77);
  TempDir dir;
  const std::string path = WriteRecording(dir, "later.wav", testing::SynthesizeDump(dump, 44100), 44100,
                                          SampleFormat::kPcm16, true, 77);
  FakeProgramMemory memory;
  memory.panelParameter = 12;
  memory.keyboardMode = 1;
  memory.entryMode = 2;
  memory.currentProgram = 80;
  ASSERT_TRUE(LoadTapeDump(path, DecoderSettings{}, memory));
  EXPECT_EQ(memory.message, "Later model tape dump was successfully loaded.\n");
  for (int n = 1; n <= 75; ++n)
    EXPECT_TRUE(std::equal(memory.prgs[size_t(n - 1)].begin(), memory.prgs[size_t(n - 1)].end(),
                           dump.begin() + 896 + 37 * (n - 1)))
        << "PRG " << n;
  for (int n = 76; n <= 99; ++n)
    EXPECT_TRUE(std::equal(memory.combis[size_t(n - 76)].begin(), memory.combis[size_t(n - 76)].end(),
                           dump.begin() + 3671 + 7 * (n - 76)))
        << "Combi " << n;
  // Records first, in number order, then the message, the panel, the preset and the host.
  ASSERT_EQ(memory.log.size(), 75u + 24u + 5u);
  EXPECT_EQ(memory.log[0], "prg 1");
  EXPECT_EQ(memory.log[74], "prg 75");
  EXPECT_EQ(memory.log[75], "combi 76");
  EXPECT_EQ(memory.log[98], "combi 99");
  EXPECT_EQ(std::vector<std::string>(memory.log.begin() + 99, memory.log.end()),
            (std::vector<std::string>{"message", "panel 64", "redraw", "preset", "notify"}));
  EXPECT_EQ(memory.panelParameter, 64);
}

TEST(TapeLoad, EarlyModelDumpConvertsSixtyThreeProgramsAndLeavesTheRest) {
  std::vector<uint8_t> dump = testing::PatternBytes(kEarlyDumpSize, 5);
  TempDir dir;
  const std::string path = WriteRecording(dir, "early.wav", testing::SynthesizeDump(dump, 11025), 11025,
                                          SampleFormat::kPcm8, false, 5);
  FakeProgramMemory memory;
  const FakeProgramMemory before;
  ASSERT_TRUE(LoadTapeDump(path, DecoderSettings{}, memory));
  EXPECT_EQ(memory.message, "Early model tape dump was successfully loaded.\n");
  for (int n = 1; n <= 63; ++n) {
    const PrgRecord& p = memory.prgs[size_t(n - 1)];
    EXPECT_EQ(p, ConvertEarlyModelRecord(dump.data() + 256 + 27 * (n - 1))) << "PRG " << n;
    // What the early model lacks reads back as wheel amount 63, "DCO 2 Detune" 0,
    // "VCA Program Volume" 32 and "DCO 1 Noise" 0.
    const PrgValues v = DecodePrgRecord(p.data());
    EXPECT_EQ(v[9], 63);
    EXPECT_EQ(v[36], 0);
    EXPECT_EQ(v[39], 32);
    EXPECT_EQ(v[28], 0);
  }
  for (int n = 64; n <= 75; ++n) EXPECT_EQ(memory.prgs[size_t(n - 1)], before.prgs[size_t(n - 1)]) << n;
  EXPECT_EQ(memory.combis, before.combis);
  EXPECT_EQ(memory.log.back(), "notify");
}

TEST(TapeLoad, OtherLengthsLoadNothing) {
  TempDir dir;
  for (size_t size : {size_t(0), size_t(100), size_t(2047), size_t(2049), size_t(4095), size_t(4100)}) {
    const std::vector<uint8_t> bytes = testing::PatternBytes(size, 3);
    const std::string path = WriteRecording(dir, "odd.wav", testing::SynthesizeDump(bytes, 22050), 22050,
                                            SampleFormat::kPcm16, false, 3);
    FakeProgramMemory memory;
    const FakeProgramMemory before;
    EXPECT_FALSE(LoadTapeDump(path, DecoderSettings{}, memory)) << size;
    EXPECT_TRUE(memory.log.empty()) << size;
    EXPECT_EQ(memory.prgs, before.prgs);
    EXPECT_EQ(memory.message, before.message);
  }
}

TEST(TapeLoad, PanelParameterAfterALoad) {
  const std::vector<uint8_t> dump = testing::PatternBytes(kLaterDumpSize, 1);
  const TapeDump decoded = ExtractDump(dump.data(), dump.size());
  struct Case {
    const char* name;
    int panel, mode, entry, current;
    bool restore;
    int expected;
    bool redraw;
  } cases[] = {
      {"combi in split mode", 12, 1, 2, 76, false, 64, true},
      {"combi in double mode", 12, 2, 0, 99, false, 64, true},
      {"single mode", 12, 0, 2, 80, false, -1, true},
      {"parameter entry", 12, 1, 1, 80, false, -1, true},
      {"single program", 12, 1, 2, 75, false, -1, true},
      {"no panel parameter", -1, 1, 2, 80, false, -1, false},
      {"state restore", 12, 1, 2, 80, true, 12, false},
  };
  for (const Case& c : cases) {
    FakeProgramMemory memory;
    memory.panelParameter = c.panel;
    memory.keyboardMode = c.mode;
    memory.entryMode = c.entry;
    memory.currentProgram = c.current;
    memory.stateRestore = c.restore;
    ASSERT_TRUE(ApplyTapeDump(decoded, memory));
    EXPECT_EQ(memory.panelParameter, c.expected) << c.name;
    EXPECT_EQ(std::count(memory.log.begin(), memory.log.end(), "redraw"), c.redraw ? 1 : 0) << c.name;
    // The preset and the host are brought up to date in every case.
    EXPECT_EQ(std::vector<std::string>(memory.log.end() - 2, memory.log.end()),
              (std::vector<std::string>{"preset", "notify"}))
        << c.name;
  }
  FakeProgramMemory memory;
  EXPECT_FALSE(ApplyTapeDump(TapeDump{}, memory));
  EXPECT_TRUE(memory.log.empty());
}

// Recordings whose every frame passes its own checks but which still cannot be the dump
// the instrument wrote: nothing loads, and no "successfully loaded" for them.
TEST(TapeLoad, RefusesDumpsThatFrameButCannotBeRight) {
  TempDir dir;
  auto load = [&](const std::vector<int>& symbols, const char* name) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(testing::WriteFile(
        path, testing::MakeWav({testing::SynthesizeHalfCycles(testing::HalfCycles(symbols), 22050)}, 22050,
                               SampleFormat::kPcm16)));
    FakeProgramMemory memory;
    const bool loaded = LoadTapeDump(path, DecoderSettings{}, memory);
    EXPECT_EQ(loaded, !memory.log.empty()) << name;
    return loaded;
  };
  const std::vector<uint8_t> dump = testing::ValidLaterDump(12);
  ASSERT_TRUE(load(testing::EncodeSymbols(dump), "good.wav"));

  // One 0 too many between two frames (a glitch read as a short pair): every frame is intact
  // and there are still 4096 of them.
  std::vector<int> extra = testing::EncodeSymbols(dump);
  extra.insert(extra.begin() + 300 + 12 * 1000, 0);
  EXPECT_FALSE(load(extra, "extra.wav"));
  // A record out of range: PRG 18's "VCF Decay" 66.
  std::vector<uint8_t> bad = dump;
  bad[896 + 37 * 17 + 25] = 66;
  EXPECT_FALSE(load(testing::EncodeSymbols(bad), "range.wav"));
  // A parity error in one frame, and a spurious frame's worth of symbols: the count is right
  // (one frame lost, one gained) but the dump is not.
  std::vector<int> swapped = testing::EncodeSymbols(dump);
  swapped[300 + 12 * 2000 + 10] ^= 1;
  const std::vector<int> spare = testing::EncodeSymbols({0x5A}, 0, 0);
  swapped.insert(swapped.begin() + 300 + 12 * 3000, spare.begin(), spare.end());
  EXPECT_FALSE(load(swapped, "parity.wav"));
  // Idle 1s between frames are the line at rest and load.
  std::vector<int> idle = testing::EncodeSymbols(dump);
  idle.insert(idle.begin() + 300 + 12 * 500, {1, 1, 1, 1});
  EXPECT_TRUE(load(idle, "idle.wav"));
}

// Faults that defeat the bare decoder and that the optional filters are there for.
TEST(TapeFilters, HighPassRemovesHumThatSwampsTheDump) {
  const std::vector<uint8_t> dump = testing::PatternBytes(kEarlyDumpSize, 21);
  WaveOptions o;
  o.amplitude = 0.5;
  o.humAmplitude = 0.5;  // mains hum as loud as the dump
  o.humFrequency = 50;
  TempDir dir;
  for (uint32_t rate : {8000u, 44100u}) {
    const std::string path = WriteRecording(dir, "hum.wav", testing::SynthesizeDump(dump, rate, o), rate,
                                            SampleFormat::kPcm16, false, 21);
    FakeProgramMemory memory;
    EXPECT_FALSE(LoadTapeDump(path, DecoderSettings{}, memory)) << rate;
    EXPECT_NE(DecodeFile(path), dump);
    // A corner well below the dump's 500 Hz half-cycles: a second-order section near them
    // shifts the long half-cycles against the short ones.
    DecoderSettings s;
    s.highPassOn = true;
    s.highPassFrequency = 200;
    EXPECT_EQ(DecodeFile(path, s), dump) << rate;
    EXPECT_TRUE(LoadTapeDump(path, s, memory)) << rate;
    s.lowPassOn = true;  // both together
    EXPECT_EQ(DecodeFile(path, s), dump) << rate;
    // The loader without explicit settings uses the process-wide ones.
    const DecoderSettings saved = GetDecoderSettings();
    SetDecoderSettings(s);
    FakeProgramMemory viaShared;
    EXPECT_TRUE(LoadTapeDump(path, viaShared)) << rate;
    SetDecoderSettings(saved);
    EXPECT_FALSE(LoadTapeDump(path, viaShared)) << rate;
  }
}

TEST(TapeFilters, LowPassRemovesHighFrequencyWhine) {
  const std::vector<uint8_t> dump = testing::PatternBytes(kLaterDumpSize, 22);
  WaveOptions o;
  o.amplitude = 0.3;
  o.whineAmplitude = 0.3;
  o.whineFrequency = 15000;
  TempDir dir;
  const std::string path = WriteRecording(dir, "whine.wav", testing::SynthesizeDump(dump, 48000, o), 48000,
                                          SampleFormat::kFloat32, true, 22);
  EXPECT_NE(DecodeFile(path), dump);
  DecoderSettings s;
  s.lowPassOn = true;
  EXPECT_EQ(DecodeFile(path, s), dump);
  // With the corner above 24 kHz the low-pass is skipped and the whine wins again.
  s.lowPassFrequency = 24001;
  EXPECT_NE(DecodeFile(path, s), dump);
}

}  // namespace
}  // namespace pellory::tape

namespace pellory::tape {
namespace {

// The fuzz seeds double as small fixed recordings: the dumps carry the bytes named in their
// file names, the damaged files decode to nothing.
TEST(TapeSeeds, CommittedRecordingsStillDecode) {
  const std::filesystem::path folder = std::filesystem::path(PELLORY_TEST_DATA_DIR) / "tape" / "seeds";
  int dumps = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    FileByteSource file(entry.path().string());
    TapeDecoder decoder(DecoderSettings{});
    const DecodeError error = decoder.Decode(file);
    if (name.rfind("dump_", 0) != 0) {
      EXPECT_TRUE(error != DecodeError::kNone || decoder.ByteCount() == 0) << name;
      continue;
    }
    const std::string hex = name.substr(name.rfind('_') + 1, name.size() - name.rfind('_') - 5);
    std::vector<uint8_t> expected;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) expected.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    ASSERT_EQ(error, DecodeError::kNone) << name;
    EXPECT_EQ(decoder.Bytes(), expected) << name;
    ++dumps;
  }
  EXPECT_EQ(dumps, 5);
}

}  // namespace
}  // namespace pellory::tape
