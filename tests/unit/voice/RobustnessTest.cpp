// Whatever a host or a keyboard sends, the output stays finite.
#include <gtest/gtest.h>

#include <random>

#include "VoiceTestSupport.h"

namespace pellory {
namespace {

using test::Instance;
using test::Set;

bool AllFinite(const std::vector<double>& x) {
  for (double v : x)
    if (!std::isfinite(v)) return false;
  return true;
}

TEST(Robustness, RandomParametersAndNotesAtEveryRateStayFinite) {
  std::mt19937 rng(20261208);
  const double rates[] = {8000.0, 11025.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0, 384000.0};
  const double odd[] = {-1e300, -1.0, 0.0, 0.5, 1.0, 1e300, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()};
  for (double rate : rates) {
    Instance t(rate, 512);
    const int params = t.plug->NumParameters();
    std::uniform_int_distribution<int> anyParam(0, params - 1), anyByte(0, 127), anyFrames(1, 700), die(0, 19);
    std::uniform_real_distribution<double> unit(-0.1, 1.1);
    double loudest = 0.0;
    for (int step = 0; step < 160; ++step) {
      const int roll = die(rng);
      if (roll < 5) {
        // A host's normalised value, sometimes far outside 0..1 or not a number.
        const int id = anyParam(rng);
        t.plug->SetParameterFromEditor(id, roll == 0 ? odd[anyByte(rng) % 8] : unit(rng));
      } else if (roll < 8) {
        // Program logic's plain value, anywhere.
        const int id = anyParam(rng);
        const IParameter* p = t.plug->GetParameter(id);
        const double span = p->GetMax() - p->GetMin();
        t.plug->SetParameterAndNotify(id, roll == 5 ? odd[anyByte(rng) % 8] : p->GetMin() + span * unit(rng));
      } else if (roll < 15) {
        t.Midi(anyFrames(rng) % 512, 0x90 | (anyByte(rng) & 15), anyByte(rng), anyByte(rng));
      } else if (roll < 17) {
        t.Midi(anyFrames(rng) % 512, 0x80, anyByte(rng), anyByte(rng));
      } else if (roll == 17) {
        const int controllers[] = {1, 64, 120, 123};
        t.Midi(0, 0xB0, controllers[anyByte(rng) % 4], anyByte(rng));
      } else if (roll == 18) {
        t.Midi(0, 0xE0, anyByte(rng), anyByte(rng));
      } else {
        t.Process(anyFrames(rng));
        ASSERT_TRUE(AllFinite(t.left) && AllFinite(t.right)) << rate << " step " << step;
        for (double v : t.left) loudest = std::max(loudest, std::fabs(v));
      }
    }
    EXPECT_GT(loudest, 0.0) << rate;
    EXPECT_LT(loudest, 100.0) << rate;
  }
}

TEST(Robustness, EveryChoiceOfEveryEnumWhileAChordSounds) {
  Instance t(44100.0, 512);
  const int ids[] = {kLfo1Waveform, kDco1Octave, kDco2Octave, kLfo2Waveform, kKeyboardMode, kVoices,
                     kUpdateRate, kStereoMode, kLinkedLfos, kFrequencyScale};
  Set(t, 8, 63);
  Set(t, 52, 63);
  Set(t, 17, 63);  // full resonance
  for (int id : ids) {
    const IParameter* p = t.plug->GetParameter(id);
    for (int v = static_cast<int>(p->GetMin()); v <= static_cast<int>(p->GetMax()); ++v) {
      for (int note = 0; note < 128; note += 9) test::NoteOn(t, note, 1 + note % 127);
      Set(t, id, v);
      for (int note = 0; note < 128; note += 9) test::NoteOn(t, note, 127 - note % 127);
      test::Stereo out = test::Render(t, 1500);
      ASSERT_TRUE(AllFinite(out.left) && AllFinite(out.right)) << id << "=" << v;
      for (int note = 0; note < 128; note += 9) test::NoteOff(t, note);
    }
  }
}

TEST(Robustness, ExtremeNotesInEveryModeAndScale) {
  for (int mode = 0; mode < 3; ++mode) {
    for (int scale = 0; scale < 2; ++scale) {
      Instance t(8000.0, 512);
      Set(t, kKeyboardMode, mode);
      Set(t, kFrequencyScale, scale);
      Set(t, kUpperTranspose, 61);  // +36
      Set(t, kSplitPoint, 1);
      Set(t, kDco1Octave, 3);
      Set(t, 25, 11);
      Set(t, kTune, 1.0);
      Set(t, kPitchBendRange, 24);
      t.Midi(0, 0xE0, 127, 127);
      for (int note = 0; note < 128; ++note) {
        test::NoteOn(t, note, note % 128 == 0 ? 1 : note);
        t.Process(8);
      }
      test::Stereo out = test::Render(t, 4000);
      ASSERT_TRUE(AllFinite(out.left) && AllFinite(out.right)) << mode << " " << scale;
      EXPECT_GT(test::Rms(out.left) + test::Rms(out.right), 0.0);
    }
  }
}

}  // namespace
}  // namespace pellory
