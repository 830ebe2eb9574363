#include <gtest/gtest.h>

#include "TestSupport.h"

namespace pellory {
namespace {

// Voices whose key is down for this note.
int KeysDown(Pellory& plug, int note) {
  int count = 0;
  for (int i = 0; i < engine::Engine::kNumVoices; ++i) {
    const engine::Voice& v = plug.GetEngine().GetVoice(i);
    if (v.Gate() && v.Note() == note) ++count;
  }
  return count;
}

TEST(MidiQueue, KeepsOffsetOrderAndArrivalOrderForEqualOffsets) {
  MidiQueue q(4);
  auto add = [&](int offset, int tag) {
    IMidiMessage m;
    m.offset = offset;
    m.data1 = static_cast<uint8_t>(tag);
    ASSERT_TRUE(q.Add(m));
  };
  add(10, 1);
  add(5, 2);
  add(10, 3);
  add(0, 4);
  add(5, 5);  // beyond the first capacity: the queue grows
  ASSERT_EQ(q.Size(), 5);
  const int expected[] = {4, 2, 5, 1, 3};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(q.At(i).data1, expected[i]) << i;
  q.Remove();
  q.Remove();
  q.Flush(5);
  ASSERT_EQ(q.Size(), 3);
  EXPECT_EQ(q.At(0).offset, 0);
  EXPECT_EQ(q.At(2).offset, 5);
}

TEST(MidiQueue, ResizeKeepsQueuedMessagesAndRoundsToTheGranularity) {
  MidiQueue q(1024);
  IMidiMessage m;
  for (int i = 0; i < 700; ++i) {
    m.offset = i;
    q.Add(m);
  }
  q.Resize(100);
  EXPECT_EQ(q.Capacity(), 1024);  // 700 queued, rounded up to 1024
  EXPECT_EQ(q.Size(), 700);
  q.Clear();
  q.Resize(600);
  EXPECT_EQ(q.Capacity(), 1024);
  q.Resize(0);
  EXPECT_EQ(q.Capacity(), 512);
}

TEST(ControlRate, BlockLengthFollowsSampleRateAndUpdateRate) {
  test::Instance at44(44100.0);
  EXPECT_EQ(at44.plug->ControlBlockLength(), 44);
  at44.plug->SetParameterAndNotify(kUpdateRate, 1);
  EXPECT_EQ(at44.plug->ControlBlockLength(), 135);
  EXPECT_DOUBLE_EQ(at44.plug->GetEngine().GetLfo(0).RateScale(), 1.0 / 65535.0);
  EXPECT_DOUBLE_EQ(at44.plug->GetEngine().GetVoice(63).EnvelopeRateScale(), 255.0 / 65535.0);
  at44.plug->SetParameterAndNotify(kUpdateRate, 0);
  EXPECT_NEAR(at44.plug->GetEngine().GetVoice(0).EnvelopeRateScale(), 0.0012665369649805447, 1e-18);

  test::Instance at48(48000.0);
  EXPECT_EQ(at48.plug->ControlBlockLength(), 48);
  at48.plug->SetParameterAndNotify(kUpdateRate, 1);
  EXPECT_EQ(at48.plug->ControlBlockLength(), 147);
  // A new sample rate keeps the block's length in seconds.
  at48.plug->SetSampleRate(96000.0);
  at48.plug->Reset();
  EXPECT_EQ(at48.plug->ControlBlockLength(), 294);
}

// Pitch bend is applied at a control block start: the sample at which it lands tells the timing.
TEST(MidiDispatch, EventsWaitForTheirControlBlock) {
  test::Instance t(44100.0, 512);
  engine::Engine& e = t.plug->GetEngine();
  e.SetPitchBendRange(256);
  t.Midi(100, 0xE0, 0, 127);  // offset 100: handled by the block starting at sample 88
  t.Process(88);
  EXPECT_EQ(e.PitchBend(), 0.0);
  t.Process(1);
  EXPECT_NEAR(e.PitchBend(), 256.0 * 8064.0 / 8192.0, 1e-9);
}

TEST(MidiDispatch, NoteOnAtOffsetHundredIsPlayedAtSampleEightyEight) {
  test::Instance t(44100.0, 512);
  t.Midi(100, 0x90, 60, 100);
  t.Process(88);
  EXPECT_EQ(KeysDown(*t.plug, 60), 0);
  t.Process(44);
  EXPECT_EQ(KeysDown(*t.plug, 60), 1);
}

TEST(MidiDispatch, BlockCountdownCarriesAcrossShortBuffers) {
  test::Instance t(44100.0, 512);
  t.Process(30);  // block 0 runs 0..43
  t.Midi(10, 0xE0, 0, 0);  // due at the block that starts in this buffer (14 samples from now)
  t.plug->GetEngine().SetPitchBendRange(128);
  t.Process(14);
  EXPECT_EQ(t.plug->GetEngine().PitchBend(), 0.0);
  t.Process(1);
  EXPECT_EQ(t.plug->GetEngine().PitchBend(), -128.0);
}

TEST(MidiIntake, VelocityZeroIsANoteOffOnAnyChannel) {
  test::Instance t;
  t.Midi(0, 0x95, 64, 90);
  t.Process(44);
  ASSERT_EQ(KeysDown(*t.plug, 64), 1);
  t.Midi(0, 0x95, 64, 0);
  EXPECT_EQ(t.plug->midiQueue_.Peek().status, 0x80);
  t.Process(44);
  EXPECT_EQ(KeysDown(*t.plug, 64), 0);
}

TEST(MidiIntake, ProgramChangeSelectsProgramsOneToNinetyNine) {
  test::Instance t;
  const int cases[][2] = {{0, 1}, {98, 99}, {99, 1}, {127, 29}};
  for (const auto& c : cases) {
    t.Midi(0, 0xC3, c[0], 0);
    EXPECT_EQ(t.plug->GetParameter(kProgramNumber)->Value(), c[1]) << c[0];
  }
  t.plug->ignoreProgramChange = true;
  t.Midi(0, 0xC0, 40, 0);
  EXPECT_EQ(t.plug->GetParameter(kProgramNumber)->Value(), 29);
}

TEST(MidiIntake, ThruEchoesEveryMessageIncludingIgnoredOnes) {
  test::Instance t;
  t.plug->midiThru = true;
  t.plug->ignoreProgramChange = true;
  test::CurrentHostLog().midiSent.clear();
  t.Midi(0, 0xC0, 5, 0);
  t.Midi(0, 0xA0, 60, 10);
  ASSERT_EQ(test::CurrentHostLog().midiSent.size(), 2u);
  EXPECT_EQ(test::CurrentHostLog().midiSent[0][0], 0xC0);
  EXPECT_EQ(test::CurrentHostLog().midiSent[1][1], 60);
}

TEST(MidiIntake, AllNotesOffControllersActAtOnce) {
  test::Instance t;
  t.Midi(0, 0x90, 60, 100);
  t.Process(44);
  ASSERT_EQ(KeysDown(*t.plug, 60), 1);
  t.Midi(300, 0xB0, 123, 0);
  EXPECT_EQ(KeysDown(*t.plug, 60), 0);
  EXPECT_TRUE(t.plug->midiQueue_.Empty());
}

TEST(MidiIntake, LateControllersMoveToTheNearestBlockStart) {
  test::Instance t;
  t.Midi(100, 0xB0, 7, 1);   // beyond one block: +22
  t.Midi(40, 0xB0, 7, 2);    // within the first block: unchanged
  t.Midi(100, 0xB0, 64, 127);  // the sustain pedal keeps its offset
  ASSERT_EQ(t.plug->midiQueue_.Size(), 3);
  EXPECT_EQ(t.plug->midiQueue_.At(0).offset, 40);
  EXPECT_EQ(t.plug->midiQueue_.At(1).offset, 100);
  EXPECT_EQ(t.plug->midiQueue_.At(1).data1, 64);
  EXPECT_EQ(t.plug->midiQueue_.At(2).offset, 122);
}

TEST(MidiLearn, BindsAfterBothControllerAndParameterAreKnown) {
  test::Instance t;
  t.plug->SetControllerMapping(20, 16);
  t.plug->ArmMidiLearn(true, false);
  t.Midi(0, 0xB0, 21, 64);  // remembered, nothing queued
  EXPECT_TRUE(t.plug->midiQueue_.Empty());
  EXPECT_TRUE(t.plug->MidiLearnArmed());
  t.plug->SetParameterAndNotify(16, 10);  // touching the parameter completes the binding
  EXPECT_FALSE(t.plug->MidiLearnArmed());
  EXPECT_EQ(t.plug->ControllerMapping(21), 16);
  EXPECT_EQ(t.plug->ControllerMapping(20), -1);

  // The bound controller now drives the parameter at dispatch.
  t.Midi(0, 0xB0, 21, 127);
  t.Process(44);
  EXPECT_EQ(t.plug->GetParameter(16)->Value(), 63);

  t.plug->ArmMidiLearn(true, true);
  t.Midi(0, 0xB0, 21, 0);
  EXPECT_EQ(t.plug->ControllerMapping(21), -1);
  EXPECT_FALSE(t.plug->MidiLearnArmed());
}

TEST(MidiLearn, WheelAndPedalKeepTheirMeaningAndUnknownTargetsAreIgnored) {
  test::Instance t;
  t.plug->SetControllerMapping(1, 16);
  t.plug->SetControllerMapping(64, 17);
  t.plug->SetControllerMapping(7, 200);
  const double cutoff = t.plug->GetParameter(16)->Value();
  const double resonance = t.plug->GetParameter(17)->Value();
  t.Midi(0, 0xB0, 1, 127);
  t.Midi(0, 0xB0, 64, 127);
  t.Midi(0, 0xB0, 7, 127);
  t.Process(44);
  EXPECT_EQ(t.plug->GetParameter(16)->Value(), cutoff);  // unchanged
  EXPECT_EQ(t.plug->GetParameter(17)->Value(), resonance);
  EXPECT_DOUBLE_EQ(t.plug->GetEngine().GetLfo(2).Wheel(), 1.0);
  EXPECT_TRUE(t.plug->SustainDown());
}

TEST(Render, WritesSilenceAndLeavesBuffersAloneForZeroFrames) {
  test::Instance t;
  t.Process(0);
  std::vector<double> l(8, 5.0), r(8, 5.0);
  double* outs[2] = {l.data(), r.data()};
  t.plug->ProcessBlock(nullptr, outs, 0);
  EXPECT_EQ(l[0], 5.0);
  t.Process(300);
  for (int i = 0; i < 300; ++i) {
    ASSERT_EQ(t.left[i], 0.0);
    ASSERT_EQ(t.right[i], 0.0);
  }
}

TEST(Render, PanoramaGains) {
  test::Instance t;
  t.plug->SetParameterAndNotify(kLowerPanorama, 0.0);
  t.Process(44);
  const engine::Engine& e = t.plug->GetEngine();
  const double level = 0.5 * 2.0 * 32.0 / 63.0;  // mixer 0.5 x layer level 32 of 63, doubled
  EXPECT_DOUBLE_EQ(e.Gain(engine::kLower, 0), level);
  EXPECT_DOUBLE_EQ(e.Gain(engine::kLower, 1), 0.0);
  EXPECT_DOUBLE_EQ(e.Gain(engine::kUpper, 0), level);
  EXPECT_DOUBLE_EQ(e.Gain(engine::kUpper, 1), level);
}

TEST(Render, MixerLinkMirrorsPanoramaAndVolume) {
  test::Instance t;
  t.plug->SetMixerLink(true);
  t.plug->SetParameterAndNotify(kLowerPanorama, 0.2);
  EXPECT_NEAR(t.plug->GetParameter(kUpperPanorama)->Value(), 0.8, 1e-12);
  t.plug->SetParameterAndNotify(kUpperVolume, 0.3);
  EXPECT_NEAR(t.plug->GetParameter(kLowerVolume)->Value(), 0.3, 1e-12);
}

TEST(MidiLearn, LearnedControllerMovesEveryKindOfParameterToBothEndsAndBack) {
  test::Instance t;
  // An enumeration, a switch, 0..63 and 1..61 integers, a continuous value and one with a
  // display in other units. Each starts at plain 1 where it can, the value a controller's 127
  // (normalised 1.0) was once mistaken for.
  struct Case {
    int id;
    double start;
  };
  const Case cases[] = {{0, 1}, {1, 1}, {16, 1}, {53, 1}, {57, 1.0}, {59, 1.0}, {73, 1.0}, {20, 0}};
  for (const Case& c : cases) {
    IParameter* p = t.plug->GetParameter(c.id);
    t.plug->SetParameterAndNotify(c.id, c.start);
    t.plug->SetControllerMapping(20, c.id);
    for (int data : {127, 0, 127, 0}) {
      t.Midi(0, 0xB0, 20, data);
      t.Process(44);
      EXPECT_EQ(p->Value(), data ? p->GetMax() : p->GetMin()) << p->GetName() << " after " << data;
    }
    t.plug->SetControllerMapping(20, -1);
  }
  // The engine hears it too: "LFO 1 Waveform" moved by controller 127 plays a square.
  t.plug->SetParameterAndNotify(0, 1);
  t.plug->SetControllerMapping(21, 0);
  t.Midi(0, 0xB0, 21, 127);
  t.Process(44);
  EXPECT_EQ(t.plug->GetEngine().GetLfo(0).GetWaveform(), engine::Lfo::kSquare);
}

}  // namespace
}  // namespace pellory
