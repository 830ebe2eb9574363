// Which voices notes take in the three keyboard modes, with stealing, reuse, unison, the sustain
// pedal and the stereo arrangements.
#include <gtest/gtest.h>

#include "VoiceTestSupport.h"
#include "../engine/FrequencyAnalysis.h"

namespace pellory {
namespace {

using engine::kLower;
using engine::kUpper;
using test::Instance;
using test::Render;
using test::Set;

engine::Voice& LayerVoice(Instance& t, engine::Layer layer, int i) { return *t.plug->GetEngine().LayerVoice(layer, i); }

TEST(KeyboardModes, SplitPlaysBelowTheSplitNoteOnTheLowerLayerAndFromItOnTheUpper) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, kKeyboardMode, kSplit);
  Set(t, kSplitPoint, 25);
  Set(t, kLowerPanorama, 0.0);  // lower layer left only
  Set(t, kUpperPanorama, 1.0);  // upper layer right only

  test::NoteOn(t, 59);
  test::Stereo out = Render(t, 2 * 44100);
  EXPECT_GT(test::Rms(out.left, 22050), 0.05);
  EXPECT_EQ(test::Rms(out.right), 0.0);
  EXPECT_NEAR(test::ZeroCrossingFrequency(out.left, 44100.0, 22050), 246.942, 0.05);

  test::NoteOff(t, 59);
  test::NoteOn(t, 60);
  out = Render(t, 2 * 44100);
  EXPECT_NEAR(test::ZeroCrossingFrequency(out.right, 44100.0, 22050), 261.626, 0.05);
  EXPECT_LT(test::Rms(out.left, 22050), 1e-9);  // the lower note has faded

  // The upper transpose moves upper notes only.
  Set(t, kUpperTranspose, 37);  // +12
  test::NoteOn(t, 61);
  test::NoteOn(t, 48);
  out = Render(t, 2 * 44100);
  bool found = false;
  for (int i = 0; i < 3; ++i) {
    const engine::Voice& v = LayerVoice(t, kUpper, i);
    if (v.Note() == 61 && v.Gate()) {
      found = true;
      EXPECT_EQ(v.Dco1Pitch(), 73 * 128);
    }
  }
  EXPECT_TRUE(found);
  EXPECT_NEAR(test::ZeroCrossingFrequency(out.left, 44100.0, 22050), 130.813, 0.05);
}

TEST(KeyboardModes, DoubleStealsTheOldestPairOnTheFourthNote) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, kKeyboardMode, kDouble);
  Set(t, kVoices, 0);  // "6": three voices per layer
  const int notes[] = {62, 64, 67};
  for (int note : notes) {
    test::NoteOn(t, note);
    Render(t, 441);
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(LayerVoice(t, kLower, i).Note(), notes[i]);
    EXPECT_EQ(LayerVoice(t, kUpper, i).Note(), notes[i]);
    EXPECT_TRUE(LayerVoice(t, kUpper, i).IsActive());
    EXPECT_EQ(LayerVoice(t, kUpper, i).Stamp(), LayerVoice(t, kLower, i).Stamp());
  }
  test::NoteOn(t, 71);
  Render(t, 441);
  EXPECT_EQ(LayerVoice(t, kLower, 0).Note(), 71);
  EXPECT_EQ(LayerVoice(t, kUpper, 0).Note(), 71);
  EXPECT_EQ(LayerVoice(t, kLower, 1).Note(), 64);
  EXPECT_EQ(LayerVoice(t, kLower, 2).Note(), 67);
  EXPECT_EQ(test::KeysDown(*t.plug, 62), 0);
  EXPECT_EQ(test::KeysDown(*t.plug, 71), 2);
  // The next one takes the pair that is now oldest.
  test::NoteOn(t, 72);
  Render(t, 441);
  EXPECT_EQ(LayerVoice(t, kUpper, 1).Note(), 72);
}

TEST(KeyboardModes, DoubleSoundsEveryNoteOnBothLayers) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, kKeyboardMode, kDouble);
  Set(t, kLowerPanorama, 0.0);
  Set(t, kUpperPanorama, 1.0);
  test::NoteOn(t, 69);
  const test::Stereo out = Render(t, 2 * 44100);
  EXPECT_NEAR(test::ZeroCrossingFrequency(out.left, 44100.0, 22050), 440.0, 0.05);
  EXPECT_NEAR(test::ZeroCrossingFrequency(out.right, 44100.0, 22050), 440.0, 0.05);
  // Panorama 0 and 1 put each layer on one side at full level: the two sides match.
  EXPECT_NEAR(test::Rms(out.left, 22050) / test::Rms(out.right, 22050), 1.0, 0.01);
}

TEST(KeyboardModes, SingleUsesBothLayersAsOnePool) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, kLowerPanorama, 0.0);
  Set(t, kUpperPanorama, 1.0);
  test::NoteOn(t, 62);
  test::Stereo out = Render(t, 4410);
  EXPECT_GT(test::Rms(out.left, 2205), 0.05);
  EXPECT_EQ(test::Rms(out.right), 0.0);
  // "Alternating": the second voice of the pool is an upper voice.
  test::NoteOn(t, 65);
  out = Render(t, 4410);
  EXPECT_GT(test::Rms(out.right, 2205), 0.05);
  // Six voices in all; the seventh note steals the oldest.
  for (int note : {67, 69, 71, 72}) {
    test::NoteOn(t, note);
    Render(t, 441);
  }
  EXPECT_EQ(test::KeysDown(*t.plug, 62), 1);
  test::NoteOn(t, 74);
  Render(t, 441);
  EXPECT_EQ(test::KeysDown(*t.plug, 62), 0);
  EXPECT_EQ(LayerVoice(t, kLower, 0).Note(), 74);
}

TEST(Allocation, ARepeatedNoteRestartsItsOwnVoice) {
  Instance t;
  test::PlainSawtooth(t, 40);  // long release: the first voice still sounds
  test::NoteOn(t, 62);
  Render(t, 441);
  test::NoteOff(t, 62);
  test::NoteOn(t, 64);
  Render(t, 441);
  const engine::Voice& first = LayerVoice(t, kLower, 0);
  ASSERT_EQ(first.Note(), 62);
  ASSERT_TRUE(first.IsActive());
  ASSERT_FALSE(first.Gate());
  test::NoteOn(t, 62);
  Render(t, 441);
  EXPECT_TRUE(first.Gate());
  EXPECT_EQ(test::KeysDown(*t.plug, 62), 1);
  int active = 0;
  for (int i = 0; i < engine::Engine::kNumVoices; ++i) active += t.plug->GetEngine().GetVoice(i).IsActive() ? 1 : 0;
  EXPECT_EQ(active, 2);
}

TEST(Allocation, SustainPedalHoldsReleasedKeysUntilLifted) {
  Instance t;
  test::PlainSawtooth(t, 1);
  test::NoteOn(t, 60);
  t.Midi(0, 0xB0, 64, 127);
  test::NoteOff(t, 60);
  test::Stereo out = Render(t, 44100);
  const double held = test::Rms(out.left, 33075);
  EXPECT_GT(held, 0.05);
  EXPECT_NEAR(test::Rms(out.left, 11025, 22050) / held, 1.0, 0.02);
  // A key still down when the pedal lifts keeps sounding; the released one fades.
  test::NoteOn(t, 67);
  Render(t, 441);
  t.Midi(0, 0xB0, 64, 0);
  out = Render(t, 44100);
  EXPECT_EQ(test::KeysDown(*t.plug, 67), 1);
  const engine::Voice& v60 = LayerVoice(t, kLower, 0);
  EXPECT_EQ(v60.Note(), 60);
  EXPECT_FALSE(v60.IsActive());
  test::NoteOff(t, 67);
  out = Render(t, 44100);
  EXPECT_EQ(test::Rms(out.left, 22050), 0.0);
  EXPECT_FALSE(t.plug->SustainDown());
}

TEST(Allocation, AllNotesOffFadesEveryVoiceAndLiftsThePedal) {
  Instance t;
  test::PlainSawtooth(t, 20);
  t.Midi(0, 0xB0, 64, 127);
  for (int note : {60, 64, 67}) test::NoteOn(t, note);
  test::Stereo out = Render(t, 4410);
  t.Midi(0, 0xB0, 123, 0);
  EXPECT_FALSE(t.plug->SustainDown());
  out = Render(t, 441);
  EXPECT_GT(test::Rms(out.left), 0.01);  // fading, not cut
  out = Render(t, 44100);
  EXPECT_EQ(test::Rms(out.left, 22050), 0.0);
}

TEST(Unison, ThreeDetunedVoicesPerNote) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, kVoices, 4);  // "Unison"
  Set(t, kLowerPanorama, 0.0);
  Set(t, kUpperPanorama, 1.0);
  test::NoteOn(t, 60);
  test::Stereo out = Render(t, 4410);
  // "Alternating": lower 0, upper 0 and lower 1, a twelfth and a sixth of a semitone apart.
  EXPECT_EQ(LayerVoice(t, kLower, 0).Dco1Pitch(), 7680);
  EXPECT_EQ(LayerVoice(t, kUpper, 0).Dco1Pitch(), 7692);
  EXPECT_EQ(LayerVoice(t, kLower, 1).Dco1Pitch(), 7704);
  EXPECT_FALSE(LayerVoice(t, kUpper, 1).IsActive());
  EXPECT_GT(test::Rms(out.left, 2205), 0.05);
  EXPECT_GT(test::Rms(out.right, 2205), 0.05);
  // The detuned copies beat: the left level swings, the right (one voice) does not.
  out = Render(t, 2 * 44100);
  double lo = 1e9, hi = 0.0;
  for (int w = 0; w < 40; ++w) {
    const double r = test::Rms(out.left, w * 2205, (w + 1) * 2205);
    lo = std::min(lo, r);
    hi = std::max(hi, r);
  }
  EXPECT_GT(hi / lo, 1.3);
  // A second note restarts the same three voices.
  test::NoteOn(t, 64);
  Render(t, 441);
  EXPECT_EQ(test::KeysDown(*t.plug, 64), 3);
  EXPECT_EQ(LayerVoice(t, kLower, 0).Note(), 64);

  // "BIT" stereo: the three voices all belong to the lower layer.
  Set(t, kStereoMode, 1);
  test::NoteOn(t, 60);
  out = Render(t, 44100);
  EXPECT_GT(test::Rms(out.left, 22050), 0.05);
  EXPECT_EQ(test::Rms(out.right, 22050), 0.0);
  EXPECT_EQ(LayerVoice(t, kLower, 2).Dco1Pitch(), 7704);
}

TEST(Unison, DoublePlaysThreePairs) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, kKeyboardMode, kDouble);
  Set(t, kVoices, 4);
  test::NoteOn(t, 60);
  Render(t, 441);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(LayerVoice(t, kLower, i).Fine(), 12 * i);
    EXPECT_EQ(LayerVoice(t, kUpper, i).Fine(), 12 * i);
    EXPECT_TRUE(LayerVoice(t, kUpper, i).Gate());
  }
}

TEST(Voices, SixToUnisonKeepsNotesSoundingButOtherCountsStopThem) {
  Instance t;
  test::PlainSawtooth(t);
  test::NoteOn(t, 60);
  Render(t, 4410);
  Set(t, kVoices, 4);
  test::Stereo out = Render(t, 4410);
  EXPECT_EQ(test::KeysDown(*t.plug, 60), 1);
  EXPECT_GT(test::Rms(out.left, 2205), 0.05);
  EXPECT_TRUE(t.plug->Unison());

  Set(t, kVoices, 1);  // "16": a new count releases everything
  EXPECT_EQ(t.plug->GetEngine().VoicesPerLayer(), 8);
  EXPECT_EQ(test::KeysDown(*t.plug, 60), 0);
  EXPECT_FALSE(t.plug->Unison());
}

TEST(StereoMode, BitArrangementFillsTheLowerLayerFirst) {
  Instance t;
  test::PlainSawtooth(t);
  Set(t, kVoices, 1);  // 8 per layer
  Set(t, kLowerPanorama, 0.0);
  Set(t, kUpperPanorama, 1.0);
  test::NoteOn(t, 60);
  Render(t, 441);
  Set(t, kStereoMode, 1);
  EXPECT_EQ(test::KeysDown(*t.plug, 60), 0);  // a new arrangement releases every note
  engine::Engine& e = t.plug->GetEngine();
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(e.LayerVoice(kLower, i)->Index(), i);
    EXPECT_EQ(e.LayerVoice(kUpper, i)->Index(), 8 + i);
  }
  // Eight notes in Single all sound on the left, the ninth on the right.
  Render(t, 44100);
  for (int note = 60; note < 68; ++note) test::NoteOn(t, note);
  test::Stereo out = Render(t, 4410);
  EXPECT_EQ(test::Rms(out.right), 0.0);
  test::NoteOn(t, 70);
  out = Render(t, 4410);
  EXPECT_GT(test::Rms(out.right, 2205), 0.01);

  Set(t, kStereoMode, 0);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(e.LayerVoice(kLower, i)->Index(), 2 * i);
    EXPECT_EQ(e.LayerVoice(kUpper, i)->Index(), 2 * i + 1);
  }
}

// What a chord below the split sounds like on each side: level and octave-band spectrum.
struct ChordSound {
  double rms[2];
  std::vector<double> bands[2];  // dB, octave bands from 31 Hz up
};

ChordSound PlayLowChord(Instance& t) {
  for (int note : {48, 54, 59}) test::NoteOn(t, note);
  const test::Stereo out = Render(t, 8820 + 16384);
  for (int note : {48, 54, 59}) test::NoteOff(t, note);
  Render(t, 22050);  // the release is over long before this
  ChordSound sound;
  const std::vector<double>* sides[2] = {&out.left, &out.right};
  for (int side = 0; side < 2; ++side) {
    const std::vector<double> x(sides[side]->begin() + 8820, sides[side]->end());
    sound.rms[side] = test::Rms(x);
    const std::vector<double> mag = engine::test::MagnitudeSpectrum(x);
    for (double low = 31.25; low < 16000.0; low *= 2.0) {
      double power = 1e-30;
      for (std::size_t b = static_cast<std::size_t>(low * 16384 / 44100.0); b < low * 2 * 16384 / 44100.0; ++b)
        power += mag[b] * mag[b];
      sound.bands[side].push_back(10.0 * std::log10(power));
    }
  }
  return sound;
}

void ExpectSameSound(const ChordSound& a, const ChordSound& b, const char* what) {
  for (int side = 0; side < 2; ++side) {
    if (a.rms[side] < 1e-6) {
      EXPECT_LT(b.rms[side], 1e-6) << what << " side " << side;
      continue;
    }
    EXPECT_NEAR(engine::test::Db(b.rms[side] / a.rms[side]), 0.0, 0.3) << what << " side " << side;
    const double top = *std::max_element(a.bands[side].begin(), a.bands[side].end());
    for (std::size_t i = 0; i < a.bands[side].size(); ++i)
      if (a.bands[side][i] > top - 60.0) EXPECT_NEAR(b.bands[side][i], a.bands[side][i], 2.0) << what << " band " << i;
  }
}

TEST(StereoMode, ARearrangementNeverChangesTheSoundOfAKey) {
  for (int mode : {kSplit, kDouble}) {
    Instance t;
    test::PlainSawtooth(t);
    t.plug->EncodeRecord(kPrgRecordSize, t.plug->Programs().Record(5));  // upper: open sawtooth
    Set(t, 16, 32);                                                      // lower: darker
    Set(t, kKeyboardMode, mode);
    Set(t, kUpperProgram, 5);
    Set(t, kLowerPanorama, 0.0);
    Set(t, kUpperPanorama, 1.0);
    PlayLowChord(t);  // the first notes of each voice may differ; compare later ones
    const ChordSound reference = PlayLowChord(t);
    EXPECT_GT(reference.rms[0], 0.01);
    struct Step {
      int id, value;
      const char* what;
    };
    const Step steps[] = {{kStereoMode, 1, "to BIT"},     {kVoices, 1, "16 voices under BIT"},
                          {kVoices, 0, "6 voices under BIT"}, {kStereoMode, 0, "to Alternating"},
                          {kVoices, 2, "32 voices"},       {kStereoMode, 1, "to BIT again"}};
    for (const Step& step : steps) {
      SCOPED_TRACE(mode == kSplit ? "Split" : "Double");
      Set(t, step.id, step.value);
      const ChordSound after = PlayLowChord(t);
      ExpectSameSound(reference, after, step.what);
    }
  }
}

}  // namespace
}  // namespace pellory
