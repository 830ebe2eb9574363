// pellory-cli run as a process, the way a user runs it.
#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "../core/TestSupport.h"
#include "../tape/TapeEncoder.h"
#include "platform/Resources.h"

namespace {

struct CliRun {
  int status = -1;
  std::string output;  // stdout and stderr
};

CliRun Cli(const std::string& arguments, const std::string& environment = "") {
  CliRun run;
  std::string command =
      (environment.empty() ? "" : "env " + environment + " ") + std::string(PELLORY_CLI_PATH) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.output.append(buffer, n);
  int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

struct Audio {
  int rate = 0;
  int channels = 0;
  std::vector<float> samples;  // interleaved
  long Frames() const { return channels ? static_cast<long>(samples.size()) / channels : 0; }
  double Peak() const {
    double p = 0;
    for (float s : samples) p = std::max(p, static_cast<double>(std::fabs(s)));
    return p;
  }
  // First frame whose level exceeds the threshold, or -1.
  long FirstSound(double threshold = 1e-4) const {
    for (std::size_t i = 0; i < samples.size(); ++i)
      if (std::fabs(samples[i]) > threshold) return static_cast<long>(i) / channels;
    return -1;
  }
};

bool ReadWav(const std::string& path, Audio& audio) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return false;
  audio.rate = info.samplerate;
  audio.channels = info.channels;
  audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
  sf_readf_float(f, audio.samples.data(), info.frames);
  sf_close(f);
  return true;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

// Format 1: tempo 120 bpm, then 60 bpm from beat 1; the note on track 2 sits at beat 2 = 1.5 s.
std::vector<uint8_t> TempoChangeSong() {
  return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0, 96,
          'M', 'T', 'r', 'k', 0, 0, 0, 18,
          0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // 500000 us per quarter
          0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // 1000000 us per quarter at tick 96
          0x00, 0xFF, 0x2F, 0x00,
          'M', 'T', 'r', 'k', 0, 0, 0, 13,
          0x81, 0x40, 0x90, 69, 100,  // tick 192
          0x60, 0x80, 69, 0,          // tick 288
          0x00, 0xFF, 0x2F, 0x00};
}

class CliTest : public ::testing::Test {
 protected:
  pellory::test::TempFolder dir;
  std::string Path(const std::string& name) { return dir.File(name); }
};

TEST_F(CliTest, RendersAMidiFileWithTheNoteAtItsTime) {
  WriteFile(Path("song.mid"), TempoChangeSong());
  CliRun r = Cli("render --midi " + Path("song.mid") + " --rate 48000 --block 100 -o " + Path("out.wav"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("real-time factor"), std::string::npos);
  Audio a;
  ASSERT_TRUE(ReadWav(Path("out.wav"), a));
  EXPECT_EQ(a.rate, 48000);
  EXPECT_EQ(a.channels, 2);
  EXPECT_EQ(a.Frames(), static_cast<long>(std::lround((2.5 + 2.0) * 48000)));  // last event + tail
  EXPECT_GT(a.Peak(), 0.01);
  EXPECT_LT(a.Peak(), 1.0);
  // Without the tempo change the note would sound at 1.0 s; the envelope and the level smoother
  // take a few milliseconds to rise above the threshold.
  const long first = a.FirstSound();
  EXPECT_GE(first, 72000);
  EXPECT_LE(first, 72000 + 48000 * 5 / 1000);
}

TEST_F(CliTest, DemoPhraseWithAProgramFromABank) {
  CliRun bank = Cli("bank factory 2 -o " + Path("bank2.syx"));
  ASSERT_EQ(bank.status, 0) << bank.output;
  CliRun r = Cli("render --demo --bank " + Path("bank2.syx") + " --program 36 --seconds 3 -o " + Path("bass.wav"));
  ASSERT_EQ(r.status, 0) << r.output;
  Audio a;
  ASSERT_TRUE(ReadWav(Path("bass.wav"), a));
  EXPECT_EQ(a.Frames(), 3 * 44100);
  EXPECT_GT(a.Peak(), 0.01);
  EXPECT_LT(a.Peak(), 1.0);
}

TEST_F(CliTest, FactoryBankWrittenAndListed) {
  CliRun r = Cli("bank factory 1 -o " + Path("bank1.syx"));
  ASSERT_EQ(r.status, 0) << r.output;
  std::ifstream in(Path("bank1.syx"), std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  pellory::platform::ResourceData resource;
  ASSERT_TRUE(pellory::platform::FindResourceData("FACTORYBANK", "BANK_1", resource));
  ASSERT_EQ(bytes.size(), 6480u);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), resource.data));

  CliRun list = Cli("bank list " + Path("bank1.syx"));
  ASSERT_EQ(list.status, 0) << list.output;
  EXPECT_NE(list.output.find("99 message(s)"), std::string::npos);
  EXPECT_NE(list.output.find("  1  PRG"), std::string::npos);
  EXPECT_NE(list.output.find(" 76  Combi  lower PRG 3, upper PRG 74, Double"), std::string::npos) << list.output;
}

TEST_F(CliTest, ErrorsSayWhatIsWrongAndExitNonZero) {
  WriteFile(Path("text.txt"), {'h', 'e', 'l', 'l', 'o'});
  struct Case {
    std::string args;
    int status;
    std::string says;
  };
  const Case cases[] = {
      {"", 2, "usage"},
      {"frobnicate", 2, "unknown command"},
      {"render --demo", 1, "-o OUT.wav"},
      {"render --midi " + Path("missing.mid") + " -o " + Path("x.wav"), 1, "no such file"},
      {"render --midi " + dir.Path() + " -o " + Path("x.wav"), 1, "is a directory"},
      {"render --midi " + Path("text.txt") + " -o " + Path("x.wav"), 1, "not a Standard MIDI File"},
      {"render --demo --rate 12 -o " + Path("x.wav"), 1, "--rate"},
      {"render --demo --plugin " + Path("text.txt") + " -o " + Path("x.wav"), 1, "cannot load plug-in"},
      {"render --demo --plugin " + std::string(PELLORY_FAKE_EFFECT_PATH) + " -o " + Path("x.wav"), 1,
       "not an instrument"},
      {"render --demo -o /nonexistent-folder/x.wav", 1, "cannot write"},
      {"bank list " + Path("text.txt"), 1, "not a SysEx program file"},
      {"bank list " + Path("missing.syx"), 1, "no such file"},
      {"bank factory 3 -o " + Path("b.syx"), 1, "1 and 2"},
      {"tape decode " + Path("text.txt") + " -o " + Path("t.syx"), 1, "no tape dump"},
      {"tape decode " + Path("missing.wav") + " -o " + Path("t.syx"), 1, "no such file"},
  };
  for (const Case& c : cases) {
    CliRun r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
  }
}

// A cassette recording of factory bank 2 decodes back to exactly that bank.
TEST_F(CliTest, TapeDecodeReproducesTheRecordedPrograms) {
  pellory::platform::ResourceData bank;
  ASSERT_TRUE(pellory::platform::FindResourceData("FACTORYBANK", "BANK_2", bank));
  auto record = [&](int n, int i) {  // record byte i of program n, from its message's nibbles
    const int at = (n <= 75 ? (n - 1) * 80 : 6000 + (n - 76) * 20) + 5 + 2 * i;
    return static_cast<uint8_t>(bank.data[at] | bank.data[at + 1] << 4);
  };
  std::vector<uint8_t> dump = pellory::tape::testing::PatternBytes(4096, 9);
  for (int n = 1; n <= 75; ++n)
    for (int i = 0; i < 37; ++i) dump[static_cast<std::size_t>(896 + 37 * (n - 1) + i)] = record(n, i);
  for (int n = 76; n <= 99; ++n)
    for (int i = 0; i < 7; ++i) dump[static_cast<std::size_t>(3671 + 7 * (n - 76) + i)] = record(n, i);
  namespace enc = pellory::tape::testing;
  ASSERT_TRUE(enc::WriteFile(Path("dump.wav"),
                             enc::MakeWav({enc::SynthesizeDump(dump, 44100)}, 44100, enc::SampleFormat::kPcm16)));
  CliRun r = Cli("tape decode " + Path("dump.wav") + " -o " + Path("decoded.syx"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Later model tape dump was successfully loaded."), std::string::npos);
  std::ifstream in(Path("decoded.syx"), std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), bank.size);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), bank.data));
}

// The tool is a host: another vendor's instrument renders through it too.
TEST_F(CliTest, RendersAnotherInstrument) {
  const std::string amsynth = "/usr/lib/vst/amsynth_vst.so";
  if (!std::ifstream(amsynth).good()) GTEST_SKIP() << "amsynth is not installed";
  // Its own leaks are not ours to report when the tool runs under the leak checker.
  CliRun r = Cli("render --demo --seconds 4 --plugin " + amsynth + " -o " + Path("amsynth.wav"),
                 "ASAN_OPTIONS=detect_leaks=0");
  ASSERT_EQ(r.status, 0) << r.output;
  Audio a;
  ASSERT_TRUE(ReadWav(Path("amsynth.wav"), a));
  EXPECT_GT(a.Peak(), 0.01);
}

}  // namespace
