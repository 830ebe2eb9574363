// What a note sounds like: when it starts, its pitch in both frequency scales, and how long it
// takes to fade at both update rates.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "VoiceTestSupport.h"
#include "engine/Tuning.h"

namespace pellory {
namespace {

using test::Instance;
using test::Render;
using test::Set;

TEST(NoteTiming, NoteOnAtOffsetHundredSoundsFromSampleEightyEight) {
  Instance t(44100.0, 512);
  test::PlainSawtooth(t);
  test::NoteOn(t, 60, 100, 100);
  t.Process(512);
  for (int i = 0; i < 88; ++i) ASSERT_EQ(t.left[i], 0.0) << i;
  double peak = 0.0;
  for (int i = 88; i < 100; ++i) peak = std::max(peak, std::fabs(t.left[i]));
  EXPECT_GT(peak, 0.0);
  EXPECT_GT(test::Rms(t.left, 300, 512), 0.01);
}

double RenderedFrequency(double sampleRate, int note, bool bitScale) {
  Instance t(sampleRate, 512);
  test::PlainSawtooth(t);
  Set(t, kFrequencyScale, bitScale ? 1 : 0);
  test::NoteOn(t, note);
  const int frames = static_cast<int>(2.5 * sampleRate);
  const test::Stereo out = Render(t, frames);
  // Skip the first half second, where the DC blocker and smoothers settle.
  return test::ZeroCrossingFrequency(out.left, sampleRate, static_cast<std::size_t>(sampleRate / 2));
}

TEST(NotePitch, Note69IsConcertA) {
  for (double rate : {44100.0, 96000.0}) {
    const double f = RenderedFrequency(rate, 69, false);
    EXPECT_NEAR(f, 440.0, 0.02) << rate;
  }
  EXPECT_NEAR(RenderedFrequency(44100.0, 57, false), 220.0, 0.02);
}

TEST(NotePitch, BitScaleNote60IsAboutOneAndAHalfCentsFlat) {
  const double equal = RenderedFrequency(44100.0, 60, false);
  const double bit = RenderedFrequency(44100.0, 60, true);
  EXPECT_NEAR(equal, 261.626, 0.02);
  const double expected = test::Cents(engine::PitchToFrequency(7678), engine::PitchToFrequency(7680));
  EXPECT_NEAR(test::Cents(bit, equal), expected, 0.1);
  EXPECT_LT(test::Cents(bit, equal), -1.3);
  EXPECT_GT(test::Cents(bit, equal), -1.8);
  // Its lowest octave folds up: note 12 plays as note 36, note 11 not at all.
  EXPECT_NEAR(RenderedFrequency(44100.0, 12, true), engine::PitchToFrequency(4607), 0.02);
  EXPECT_EQ(RenderedFrequency(44100.0, 11, true), 0.0);
}

TEST(NotePitch, BitScaleBeyondTheTable) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, kFrequencyScale, 1);
  Set(t, kKeyboardMode, kSplit);
  Set(t, kUpperTranspose, 61);  // +36: note 127 asks for entry 163
  Set(t, kDco1Octave, 3);       // 4': DCO 1 falls off the table
  Set(t, kVoices, 4);           // unison offsets must not wake a silent oscillator
  test::NoteOn(t, 127);
  const test::Stereo out = Render(t, 4410);
  const engine::Voice& v = *t.plug->GetEngine().LayerVoice(engine::kUpper, 2);
  ASSERT_TRUE(v.Gate());
  EXPECT_EQ(v.Fine(), 24);
  EXPECT_EQ(v.KeyPitch(), engine::BitScaleTable[135]);
  EXPECT_EQ(v.Dco1Pitch(), -1);
  EXPECT_TRUE(v.Dco1().IsSilent());
  EXPECT_EQ(v.Dco2Pitch(), -1);  // 163 is beyond the table too
  EXPECT_LT(test::Rms(out.right), 1e-9);
}

TEST(NotePitch, OctaveTransposeAndPitchBendMoveTheNote) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, kDco1Octave, 2);  // 8'
  Set(t, 25, 7);           // a fifth up
  test::NoteOn(t, 45);
  const test::Stereo out = Render(t, 3 * 44100);
  EXPECT_NEAR(test::ZeroCrossingFrequency(out.left, 44100.0, 22050), 110.0 * 2.0 * 1.4983070768766815, 0.1);

  Instance b;
  test::PlainSawtooth(b);
  Set(b, kPitchBendRange, 2);
  b.Midi(0, 0xE0, 127, 127);  // full bend up: almost two semitones
  test::NoteOn(b, 69);
  const test::Stereo bent = Render(b, 2 * 44100);
  const double f = test::ZeroCrossingFrequency(bent.left, 44100.0, 22050);
  EXPECT_NEAR(test::Cents(f, 440.0), 200.0 * 8191.0 / 8192.0, 1.5);
}

// Samples from the note-off until the release ends as the envelope defines it: the voice is no
// longer active (its output then glides to silence within a few milliseconds).
int ReleaseSamples(double sampleRate, bool bitRate, int release) {
  Instance t(sampleRate, 512);
  test::PlainSawtooth(t, release);
  Set(t, kUpdateRate, bitRate ? 1 : 0);
  test::NoteOn(t, 60);
  const int held = static_cast<int>(sampleRate / 2);
  Render(t, held);
  test::NoteOff(t, 60);
  // The note-off lands at the next control block start.
  const int start = held + t.plug->GetEngine().BlockCountdown();
  auto active = [&] {
    for (int i = 0; i < engine::Engine::kNumVoices; ++i)
      if (t.plug->GetEngine().GetVoice(i).IsActive()) return true;
    return false;
  };
  int rendered = held;
  while (rendered < held + static_cast<int>(3 * sampleRate)) {
    t.Process(1);
    ++rendered;
    if (rendered > start && !active()) break;
  }
  return rendered - start;
}

TEST(EnvelopeTiming, ReleaseLastsTheSameAtBothUpdateRates) {
  for (double rate : {44100.0, 48000.0}) {
    const double high = ReleaseSamples(rate, false, 30) / rate;
    const double bit = ReleaseSamples(rate, true, 30) / rate;
    // Release step 30: 65535 / (325.5 * 219) seconds, slightly less as a control block is a
    // whole number of samples.
    const double nominal = 65535.0 / (325.5 * 219.0);
    EXPECT_NEAR(high, nominal, 0.01 * nominal) << rate;
    EXPECT_NEAR(bit, nominal, 0.01 * nominal) << rate;
    EXPECT_NEAR(high, bit, 0.005 * nominal) << rate;
  }
  // A short release is short at both rates too.
  const double shortHigh = ReleaseSamples(44100.0, false, 10) / 44100.0;
  const double shortBit = ReleaseSamples(44100.0, true, 10) / 44100.0;
  EXPECT_NEAR(shortHigh, 65535.0 / (325.5 * 7021.0), 0.004);
  EXPECT_NEAR(shortBit, 65535.0 / (325.5 * 7021.0), 0.004);
}

TEST(Dynamics, VelocityScalesTheLevelByTheAmountDynamic) {
  auto level = [](int velocity, int amount) {
    Instance t;
    test::PlainSawtooth(t);
    Set(t, 38, amount);  // VCA Amount Dynamic
    test::NoteOn(t, 60, velocity);
    const test::Stereo out = Render(t, 22050);
    return test::Rms(out.left, 11025);
  };
  const double full = level(127, 63);
  EXPECT_GT(full, 0.05);
  EXPECT_NEAR(level(1, 63) / full, 1.0 / 127.0, 0.002);
  EXPECT_NEAR(level(64, 0) / full, 1.0, 0.01);
}

TEST(Noise, NoiseAloneSoundsWithBothOscillatorsOff) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, 23, 0);
  Set(t, 28, 63);  // DCO 1 Noise
  test::NoteOn(t, 60);
  const test::Stereo out = Render(t, 8192);
  EXPECT_GT(test::Rms(out.left, 4096), 0.01);
  // Not periodic at the note's pitch: successive periods differ.
  double diff = 0.0;
  for (int i = 4096; i < 4096 + 1000; ++i) diff += std::fabs(out.left[i] - out.left[i + 169]);
  EXPECT_GT(diff / 1000.0, 0.005);
}

// Each instance has its own noise sequence: two instances rendering at once on two threads
// produce exactly what each produces alone.
TEST(Noise, InstancesOnTwoThreadsKeepTheirOwnSequence) {
  auto prepare = [](Instance& t) {
    test::PlainSawtooth(t);
    Set(t, 23, 0);
    Set(t, 28, 63);
    test::NoteOn(t, 60);
  };
  Instance solo;
  prepare(solo);
  const test::Stereo reference = Render(solo, 200 * 512);

  Instance a, b;
  prepare(a);
  prepare(b);
  test::Stereo outA, outB;
  std::thread ta([&] { test::RenderInto(a, 200 * 512, outA); });
  std::thread tb([&] { test::RenderInto(b, 200 * 512, outB); });
  ta.join();
  tb.join();
  EXPECT_GT(test::Rms(reference.left), 0.01);
  EXPECT_EQ(outA.left, reference.left);
  EXPECT_EQ(outB.left, reference.left);
}

// How one voice of a program ends: the last sample before exact silence and when the
// envelope's release finished.
struct VoiceEnd {
  double lastStep = 0.0;   // |last non-zero sample|, the step into silence
  double peak = 0.0;
  int releaseSamples = 0;  // note-off to the end of the envelope's release
  int tailSamples = 0;     // from there to silence
  bool released = false;   // the VCA envelope still had a level to release from
};

VoiceEnd PlayAndRelease(Instance& t, int note) {
  engine::Engine& e = t.plug->GetEngine();
  auto any = [&](bool sounding) {
    for (int i = 0; i < engine::Engine::kNumVoices; ++i) {
      const engine::Voice& v = e.GetVoice(i);
      if (sounding ? v.IsSounding() : v.IsActive()) return true;
    }
    return false;
  };
  const int block = t.plug->ControlBlockLength();
  test::NoteOn(t, note);
  test::Stereo out = Render(t, 200 * block);  // the note-off lands on a block start
  VoiceEnd end;
  for (int i = 0; i < engine::Engine::kNumVoices; ++i)
    if (e.GetVoice(i).IsActive() && e.GetVoice(i).VcaEnvelope().Output() > 0.0) end.released = true;
  test::NoteOff(t, note);
  const std::size_t offAt = out.left.size();
  int activeBlocks = 0;
  for (int blocks = 0; any(true) && blocks < 30000; ++blocks) {
    test::RenderInto(t, block, out);
    if (any(false)) activeBlocks = blocks + 1;
  }
  std::size_t last = 0;
  for (std::size_t i = 0; i < out.left.size(); ++i) {
    const double x = std::max(std::fabs(out.left[i]), std::fabs(out.right[i]));
    end.peak = std::max(end.peak, x);
    if (x != 0.0) last = i;
  }
  end.lastStep = std::max(std::fabs(out.left[last]), std::fabs(out.right[last]));
  end.releaseSamples = activeBlocks * block;
  end.tailSamples = static_cast<int>(last + 1 - offAt) - end.releaseSamples;
  return end;
}

TEST(EnvelopeTiming, EveryFactoryProgramEndsWithoutAStep) {
  const double silence = std::pow(10.0, -90.0 / 20.0);
  for (int bank : {7, 8}) {
    Instance t;
    ASSERT_TRUE(t.plug->LoadFactoryBank(bank));
    for (int program = 1; program <= 75; ++program) {
      Set(t, kProgramNumber, program);
      const VoiceEnd end = PlayAndRelease(t, 60);
      if (end.peak < 1e-3) continue;  // a program silent at this key
      EXPECT_LT(end.lastStep, silence) << "bank " << bank << " program " << program;
      // The release keeps the envelope's timing: 255 / increment ticks, and the level glides
      // to silence within a few milliseconds after.
      const int release = static_cast<int>(t.plug->GetParameter(43)->Value());
      const double ticks =
          end.released ? 255.0 / (engine::EnvelopeRateTable[release] * engine::Envelope::RateScaleFor(1000.0)) : 0.0;
      EXPECT_NEAR(end.releaseSamples, ticks * t.plug->ControlBlockLength(), t.plug->ControlBlockLength() + 1)
          << "bank " << bank << " program " << program;
      EXPECT_LT(end.tailSamples, 0.05 * 44100) << "bank " << bank << " program " << program;
    }
  }
}

// A chord's loudest sample and its energy below 20 Hz (mono, 4th-order low-pass), both in dB.
struct ChordLevels {
  double peak, low;
};

ChordLevels PlayChord(Instance& t) {
  const int chord[] = {48, 52, 55, 60, 64, 67};
  for (int note : chord) test::NoteOn(t, note);
  const test::Stereo out = Render(t, 44100);
  for (int note : chord) test::NoteOff(t, note);
  Render(t, 4 * 44100);  // every release over, the voices silent again
  engine::LowPass a(44100.0, 20.0), b(44100.0, 20.0);
  double peak = 0.0, low = 0.0;
  for (std::size_t i = 0; i < out.left.size(); ++i) {
    peak = std::max({peak, std::fabs(out.left[i]), std::fabs(out.right[i])});
    const double y = b.Process(a.Process(0.5 * (out.left[i] + out.right[i])));
    low += y * y;
  }
  return {20.0 * std::log10(peak), 10.0 * std::log10(low / out.left.size() + 1e-30)};
}

TEST(NoteStart, TheFirstChordAfterLoadSoundsLikeLaterOnes) {
  // Chords differ from one another by how their oscillators' phases meet, by a few dB in peak
  // and more below 20 Hz, so the first chord is held against two later ones and the programs
  // are judged together as well. A thump put 30 dB and more below 20 Hz into every first chord.
  std::vector<double> peakExcess, lowExcess;
  for (int bank : {7, 8}) {
    for (int program = 1; program <= 75; ++program) {
      Instance t;
      ASSERT_TRUE(t.plug->LoadFactoryBank(bank));
      Set(t, kProgramNumber, program);
      if (t.plug->GetParameter(22)->Value() == 0 && t.plug->GetParameter(30)->Value() == 0) continue;
      const ChordLevels first = PlayChord(t);
      const ChordLevels later[] = {PlayChord(t), PlayChord(t)};
      peakExcess.push_back(first.peak - std::max(later[0].peak, later[1].peak));
      lowExcess.push_back(first.low - std::max(later[0].low, later[1].low));
      EXPECT_LT(lowExcess.back(), 10.0) << "bank " << bank - 6 << " program " << program;
    }
  }
  ASSERT_GT(peakExcess.size(), 20u);
  auto median = [](std::vector<double> x) {
    std::nth_element(x.begin(), x.begin() + x.size() / 2, x.end());
    return x[x.size() / 2];
  };
  EXPECT_LT(median(peakExcess), 0.5);
  EXPECT_LT(median(lowExcess), 0.5);
}

}  // namespace
}  // namespace pellory
