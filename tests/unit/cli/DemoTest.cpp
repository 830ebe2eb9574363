// What the demo and `render --bank` play: the program asked for, to the end of its release, and
// both halves of a split Combi.
#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "../core/TestSupport.h"
#include "Commands.h"
#include "Phrases.h"
#include "Renderer.h"
#include "VstHost.h"

namespace {

int RunCli(const std::string& arguments) {
  const int raw = std::system((std::string(PELLORY_CLI_PATH) + " " + arguments + " >/dev/null 2>&1").c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::vector<float> ReadSamples(const std::string& path) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
  sf_readf_float(f, samples.data(), info.frames);
  sf_close(f);
  return samples;
}

class DemoTest : public ::testing::Test {
 protected:
  pellory::test::TempFolder dir;
  std::string Path(const std::string& name) { return dir.File(name); }
};

TEST_F(DemoTest, RenderWithABankPlaysThatBanksStoredProgram) {
  ASSERT_EQ(RunCli("bank factory 1 -o " + Path("b1.syx")), 0);
  ASSERT_EQ(RunCli("bank factory 2 -o " + Path("b2.syx")), 0);
  // Program 1 is current when the plug-in starts; loading bank 2 must not leave bank 1's piano.
  ASSERT_EQ(RunCli("render --demo --seconds 2 --program 1 -o " + Path("plain.wav")), 0);
  ASSERT_EQ(RunCli("render --demo --seconds 2 --bank " + Path("b1.syx") + " -o " + Path("one.wav")), 0);
  ASSERT_EQ(RunCli("render --demo --seconds 2 --bank " + Path("b2.syx") + " -o " + Path("two.wav")), 0);
  ASSERT_EQ(RunCli("render --demo --seconds 2 --bank " + Path("b2.syx") + " --program 1 -o " + Path("two1.wav")), 0);
  const std::vector<float> plain = ReadSamples(Path("plain.wav")), one = ReadSamples(Path("one.wav")),
                           two = ReadSamples(Path("two.wav")), twoAgain = ReadSamples(Path("two1.wav"));
  ASSERT_FALSE(plain.empty());
  EXPECT_EQ(plain, one) << "bank 1's program 1 is what plays at start";
  EXPECT_NE(one, two) << "bank 2's ELECTRIC GRAND sounds like bank 1's PIANO";
  EXPECT_EQ(two, twoAgain) << "--bank alone plays the bank's program 1";
}

TEST_F(DemoTest, SelectingTheCurrentProgramGoesThroughAnother) {
  const auto messages = cli::SelectProgramMessages(1);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], (std::vector<uint8_t>{0xC0, 1}));
  EXPECT_EQ(messages[1], (std::vector<uint8_t>{0xC0, 0}));
  EXPECT_EQ(cli::SelectProgramMessages(99).back(), (std::vector<uint8_t>{0xC0, 98}));
}

// Renders one note through the plug-in with the demo's ending rules.
std::vector<float> RenderNote(const std::string& path, double maxTail, long& frames) {
  cli::VstHost host;
  std::string error;
  EXPECT_TRUE(cli::LoadInstrument(host, PELLORY_PLUGIN_PATH, error)) << error;
  cli::RenderOptions options;
  options.tailSeconds = 0.2;
  options.silenceDb = -90.0;
  options.maxTailSeconds = maxTail;
  options.fadeSeconds = 0.25;
  host.Start(options.sampleRate, options.blockSize);
  std::vector<cli::TimedMidiEvent> events = {{0.0, {0x90, 60, 100}}, {0.3, {0x80, 60, 0}}};
  cli::RenderResult result;
  EXPECT_TRUE(cli::RenderToWav(host, events, options, path, result, error)) << error;
  frames = result.frames;
  return ReadSamples(path);
}

TEST_F(DemoTest, RendersUntilTheReleaseHasDiedAwayOrFadesAtTheCap) {
  long frames = 0;
  const std::vector<float> full = RenderNote(Path("full.wav"), 12.0, frames);
  ASSERT_GT(frames, 0);
  // Bank 1's piano rings well past the 0.2 s tail, and stops long before the cap.
  EXPECT_GT(frames, static_cast<long>(0.8 * 44100));
  EXPECT_LT(frames, static_cast<long>(11.0 * 44100));
  float last = 0.0f, loud = 0.0f;
  for (std::size_t i = 0; i < full.size(); ++i) {
    loud = std::max(loud, std::fabs(full[i]));
    if (i + static_cast<std::size_t>(2 * 0.1 * 44100) >= full.size()) last = std::max(last, std::fabs(full[i]));
  }
  EXPECT_GT(loud, 0.01f);
  EXPECT_LT(last, 3.2e-5f) << "the file ends while the sound is still ringing";

  // A cap shorter than the release: the file ends at the cap, faded to silence.
  const std::vector<float> capped = RenderNote(Path("capped.wav"), 0.6, frames);
  // It may stop a little early, once the fade itself has gone quiet.
  EXPECT_LE(frames, static_cast<long>(std::llround(0.9 * 44100)));
  EXPECT_GT(frames, static_cast<long>(0.8 * 44100));
  ASSERT_GE(capped.size(), 4u);
  EXPECT_LT(std::fabs(capped[capped.size() - 1]), 1e-4f);
  float beforeFade = 0.0f;
  for (std::size_t i = capped.size() - 2 * 12000; i < capped.size() - 2 * 11000; ++i)
    beforeFade = std::max(beforeFade, std::fabs(capped[i]));
  EXPECT_GT(beforeFade, 1e-3f) << "the sound was still there before the fade";
}

std::vector<int> Notes(const std::vector<cli::TimedMidiEvent>& events) {
  std::vector<int> notes;
  for (const auto& e : events)
    if (e.bytes.size() == 3 && (e.bytes[0] & 0xF0) == 0x90) notes.push_back(e.bytes[1]);
  return notes;
}

TEST_F(DemoTest, SplitPhrasesReachBothLayers) {
  for (cli::PhraseKind kind : {cli::PhraseKind::kLine, cli::PhraseKind::kChord, cli::PhraseKind::kPercussion}) {
    for (int split : {60, 72}) {
      const std::vector<cli::TimedMidiEvent> phrase = cli::AcrossSplit(cli::MakePhrase(kind, 0.05), split);
      const std::vector<int> notes = Notes(phrase);
      int below = 0, above = 0;
      for (int n : notes) (n < split ? below : above)++;
      EXPECT_EQ(notes.size(), 2 * Notes(cli::MakePhrase(kind, 0.05)).size());
      EXPECT_GT(below, 0) << split;
      EXPECT_GT(above, 0) << split;
      // The lower half is played first, then the upper half; events stay in time order.
      for (std::size_t i = 1; i < phrase.size(); ++i) EXPECT_LE(phrase[i - 1].seconds, phrase[i].seconds);
      EXPECT_LT(notes.front(), split);
      EXPECT_GE(notes.back(), split);
    }
  }
}

}  // namespace
