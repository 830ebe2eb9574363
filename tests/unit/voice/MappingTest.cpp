// Parameters reaching the engine: which layer and LFO unit each one writes, and the mixer.
#include <gtest/gtest.h>

#include "VoiceTestSupport.h"

namespace pellory {
namespace {

using engine::kLower;
using engine::kUpper;
using test::Instance;
using test::Render;
using test::Set;

TEST(LfoMapping, UpperVoicesShareTheLowerPairWhenLinkedOrInSingle) {
  Instance t;
  engine::Engine& e = t.plug->GetEngine();
  auto upperUsesLowerPair = [&] {
    bool all = true, none = true;
    for (int i = 0; i < engine::Engine::kMaxVoicesPerLayer; ++i) {
      const engine::Voice* v = e.LayerVoice(kUpper, i);
      const bool lower = v->Lfo1() == &e.GetLfo(0) && v->Lfo2() == &e.GetLfo(1);
      const bool upper = v->Lfo1() == &e.GetLfo(2) && v->Lfo2() == &e.GetLfo(3);
      all = all && lower;
      none = none && upper;
    }
    return all ? 1 : none ? 0 : -1;
  };
  EXPECT_EQ(upperUsesLowerPair(), 1);  // Single
  Set(t, kKeyboardMode, kSplit);
  EXPECT_EQ(upperUsesLowerPair(), 0);
  Set(t, kLinkedLfos, 1);
  EXPECT_EQ(upperUsesLowerPair(), 1);
  Set(t, kKeyboardMode, kDouble);
  EXPECT_EQ(upperUsesLowerPair(), 1);
  Set(t, kLinkedLfos, 0);
  EXPECT_EQ(upperUsesLowerPair(), 0);
  for (int i = 0; i < engine::Engine::kMaxVoicesPerLayer; ++i) EXPECT_EQ(e.LayerVoice(kLower, i)->Lfo1(), &e.GetLfo(0));

  // Settings follow the same rule: lower pair only unless linked or Single.
  const int upperRate = e.GetLfo(2).Rate();
  const double upperDepth = e.GetLfo(3).Depth();
  Set(t, 6, upperRate == 40 ? 39 : 40);  // LFO 1 Rate
  Set(t, 52, upperDepth == 21.0 / 63.0 ? 20 : 21);  // LFO 2 Depth
  EXPECT_EQ(e.GetLfo(0).Rate(), upperRate == 40 ? 39 : 40);
  EXPECT_EQ(e.GetLfo(2).Rate(), upperRate);
  EXPECT_NE(e.GetLfo(1).Depth(), upperDepth);
  EXPECT_EQ(e.GetLfo(3).Depth(), upperDepth);
  Set(t, kLinkedLfos, 1);
  Set(t, 6, 41);
  EXPECT_EQ(e.GetLfo(2).Rate(), 41);
  Set(t, kLfoFmRange, 12);
  for (int unit = 0; unit < 4; ++unit) EXPECT_EQ(e.GetLfo(unit).FmRange(), 12 * 128.0);
}

// Samples the DCO 1 offset of a layer's LFO unit at every control block.
std::vector<double> LfoTrace(Instance& t, int unit, int blocks) {
  std::vector<double> trace;
  for (int i = 0; i < blocks; ++i) {
    t.Process(44);
    trace.push_back(t.plug->GetEngine().GetLfo(unit).Dco1Offset());
  }
  return trace;
}

TEST(LfoMapping, SawUpRisesOnLfoOneAndFallsOnLfoTwo) {
  Instance t;
  for (int id : {0, 44}) Set(t, id, 2);  // "Saw Up"
  Set(t, 1, 1);  // LFO 1 to DCO 1
  Set(t, 45, 1);  // LFO 2 to DCO 1
  Set(t, 8, 63);
  Set(t, 52, 63);
  Set(t, 6, 12);  // about 1 Hz
  Set(t, 50, 12);
  for (int id : {5, 7, 9, 49, 51}) Set(t, id, 0);  // no delay, rate dynamic or wheel
  test::NoteOn(t, 60);
  Render(t, 4410);
  const std::vector<double> one = LfoTrace(t, 0, 1500);
  const std::vector<double> two = LfoTrace(t, 1, 1500);
  auto rising = [](const std::vector<double>& x) {
    int up = 0, down = 0;
    for (std::size_t i = 1; i < x.size(); ++i) (x[i] > x[i - 1] ? up : down)++;
    return static_cast<double>(up) / static_cast<double>(up + down);
  };
  EXPECT_GT(rising(one), 0.9);
  EXPECT_LT(rising(two), 0.1);
  // The ramp spans the full FM range of 5 semitones either way.
  EXPECT_GT(*std::max_element(one.begin(), one.end()), 600.0);
  EXPECT_LT(*std::min_element(one.begin(), one.end()), -600.0);
}

TEST(LfoMapping, PitchModulationIsHeard) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, 0, 4);  // LFO 1 square
  Set(t, 1, 1);
  Set(t, 8, 63);
  Set(t, 6, 0);  // 0.094 Hz: one half period lasts over five seconds
  Set(t, 5, 0);
  Set(t, 7, 0);
  Set(t, kLfoFmRange, 12);
  test::NoteOn(t, 57);
  test::Stereo out = Render(t, 44100);
  const double f = test::ZeroCrossingFrequency(out.left, 44100.0, 22050);
  EXPECT_TRUE(std::fabs(test::Cents(f, 440.0)) < 5.0 || std::fabs(test::Cents(f, 110.0)) < 5.0) << f;
}

TEST(VoiceMapping, CutoffInSplitChangesOnlyTheLowerVoices) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, kKeyboardMode, kSplit);
  Set(t, kLowerPanorama, 0.0);
  Set(t, kUpperPanorama, 1.0);
  test::NoteOn(t, 48);
  test::NoteOn(t, 72);
  test::Stereo before = Render(t, 22050);
  Set(t, 16, 20);  // VCF Cutoff
  test::Stereo after = Render(t, 22050);
  engine::Engine& e = t.plug->GetEngine();
  for (int i = 0; i < engine::Engine::kMaxVoicesPerLayer; ++i) {
    EXPECT_DOUBLE_EQ(e.LayerVoice(kLower, i)->Cutoff(), 20.0 / 63.0 * 252.0 / 255.0);
    EXPECT_DOUBLE_EQ(e.LayerVoice(kUpper, i)->Cutoff(), 252.0 / 255.0);
  }
  EXPECT_LT(test::Rms(after.left, 11025), 0.5 * test::Rms(before.left, 11025));
  EXPECT_NEAR(test::Rms(after.right, 11025) / test::Rms(before.right, 11025), 1.0, 0.01);

  // In Single every voice follows.
  Set(t, kKeyboardMode, kSingle);
  Set(t, 16, 30);
  for (int i = 0; i < engine::Engine::kNumVoices; ++i) EXPECT_DOUBLE_EQ(e.GetVoice(i).Cutoff(), 30.0 / 63.0 * 252.0 / 255.0);
}

TEST(Mixer, PanoramaZeroSilencesTheRightSideOfThatLayer) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, kKeyboardMode, kDouble);
  Set(t, kLowerPanorama, 0.0);
  Set(t, kUpperVolume, 0.0);
  test::NoteOn(t, 60);
  test::Stereo out = Render(t, 22050);
  EXPECT_GT(test::Rms(out.left, 11025), 0.05);
  EXPECT_EQ(test::Rms(out.right), 0.0);
  Set(t, kLowerPanorama, 0.5);
  out = Render(t, 22050);
  EXPECT_NEAR(test::Rms(out.right, 11025), test::Rms(out.left, 11025), 1e-12);
  // Layer levels scale a layer: "Lower Volume" 0 silences it.
  Set(t, kLowerLevel, 0);
  out = Render(t, 22050);
  EXPECT_EQ(test::Rms(out.left, 11025), 0.0);
}

TEST(Mixer, LinkMirrorsPanoramaAndVolume) {
  Instance t;
  t.plug->SetMixerLink(true);
  Set(t, kLowerPanorama, 0.2);
  EXPECT_NEAR(t.plug->GetParameter(kUpperPanorama)->Value(), 0.8, 1e-12);
  engine::Engine& e = t.plug->GetEngine();
  EXPECT_NEAR(e.LeftFactor(kUpper), 0.4, 1e-12);
  EXPECT_NEAR(e.RightFactor(kLower), 0.4, 1e-12);
  Set(t, kUpperVolume, 0.3);
  EXPECT_NEAR(t.plug->GetParameter(kLowerVolume)->Value(), 0.3, 1e-12);
  t.plug->SetMixerLink(false);
  Set(t, kLowerPanorama, 0.1);
  EXPECT_NEAR(t.plug->GetParameter(kUpperPanorama)->Value(), 0.8, 1e-12);
}

TEST(UpdateRate, SwitchingKeepsTheLfoFrequencyAndDelayInSeconds) {
  auto measure = [](bool bit, int waveform) {
    Instance t;
    Set(t, 0, waveform);
    Set(t, 1, 1);
    Set(t, 7, 0);
    Set(t, 8, 63);
    Set(t, 9, 0);
    Set(t, 6, 25);  // 6.38 Hz
    Set(t, 5, 40);  // delay: 65535 / (325.5 * 85) = 2.37 s, set before the rate changes
    Set(t, kUpdateRate, bit ? 1 : 0);
    test::NoteOn(t, 60);
    // The level reached one second into the delay, and the cycles of the two seconds after it.
    const int block = t.plug->ControlBlockLength();
    double early = 0.0;
    for (int s = 0; s < 44100; s += block) {
      t.Process(block);
      early = std::max(early, std::fabs(t.plug->GetEngine().GetLfo(0).Dco1Offset()));
    }
    Render(t, 2 * 44100);
    int cycles = 0;
    double last = 0.0;
    for (int s = 0; s < 2 * 44100; s += block) {
      t.Process(block);
      const double x = t.plug->GetEngine().GetLfo(0).Dco1Offset();
      if (x < 0.0 && last >= 0.0) ++cycles;
      last = x;
    }
    return std::make_pair(cycles, early);
  };
  for (int waveform : {1, 2, 3}) {
    const auto high = measure(false, waveform);
    const auto bit = measure(true, waveform);
    EXPECT_NEAR(high.first, 2 * 6.38, 1.1) << waveform;
    EXPECT_NEAR(bit.first, high.first, 1) << waveform;
    if (waveform == 1) {
      // One second into the delay the triangle swings about 1/2.37 of the full range.
      EXPECT_NEAR(high.second, 640.0 / 2.37, 25.0);
      EXPECT_NEAR(bit.second, 640.0 / 2.37, 25.0);
    }
  }
}

}  // namespace
}  // namespace pellory
