// What buggy hosts send: offsets anywhere in the int range, floods in any order, events far
// ahead of the music, and power-offs with all of that still queued.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <vector>

#include "TestSupport.h"

namespace pellory {
namespace {

int KeysDown(Pellory& plug, int note) {
  int count = 0;
  for (int i = 0; i < engine::Engine::kNumVoices; ++i) {
    const engine::Voice& v = plug.GetEngine().GetVoice(i);
    if (v.Gate() && v.Note() == note) ++count;
  }
  return count;
}

// A reference model of the queue: a list kept sorted by offset, equal offsets in arrival order,
// checked against the queue through random adds, dispatches and the passing of time.
TEST(MidiQueue, MatchesASortedListThroughRandomAddsAndTakes) {
  std::mt19937 random(77);
  MidiQueue q(64);
  struct Model {
    int offset;
    int tag;
  };
  std::vector<Model> model;
  int tag = 0;
  for (int round = 0; round < 300; ++round) {
    const int adds = round % 10 == 0 ? 2000 : static_cast<int>(random() % 40);
    for (int i = 0; i < adds; ++i) {
      // Few distinct offsets, so that many are equal.
      const int offset = static_cast<int>(random() % 300) - 20;
      IMidiMessage m;
      m.offset = offset;
      m.data1 = static_cast<uint8_t>(tag & 0x7F);
      m.data2 = static_cast<uint8_t>((tag >> 7) & 0x7F);
      ASSERT_TRUE(q.Add(m));
      auto at = std::upper_bound(model.begin(), model.end(), offset,
                                 [](int o, const Model& e) { return o < e.offset; });
      model.insert(at, Model{offset, tag & 0x3FFF});
      ++tag;
    }
    ASSERT_EQ(q.Size(), static_cast<int>(model.size()));
    // A control block of 44: everything due is taken in order, the rest moves closer.
    std::size_t taken = 0;
    while (!q.Empty() && q.Peek().offset < 44) {
      const IMidiMessage m = q.Peek();
      ASSERT_LT(taken, model.size());
      ASSERT_EQ(m.offset, model[taken].offset) << "round " << round;
      ASSERT_EQ(m.data1 | m.data2 << 7, model[taken].tag) << "round " << round;
      q.Remove();
      ++taken;
    }
    model.erase(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(taken));
    q.Flush(44);
    for (Model& e : model) e.offset -= 44;
  }
}

TEST(MidiQueue, OffsetsBeyondTheHorizonAreReadAsTheHorizon) {
  MidiQueue q;
  IMidiMessage m;
  for (int offset : {INT_MAX, INT_MIN, MidiQueue::kOffsetHorizon + 1, -MidiQueue::kOffsetHorizon - 1, 5}) {
    m.offset = offset;
    q.Add(m);
  }
  ASSERT_EQ(q.Size(), 5);
  EXPECT_EQ(q.At(0).offset, -MidiQueue::kOffsetHorizon);
  EXPECT_EQ(q.At(2).offset, 5);
  EXPECT_EQ(q.At(4).offset, MidiQueue::kOffsetHorizon);
  // Time passing never wraps an offset around.
  q.Flush(100);
  EXPECT_EQ(q.At(4).offset, MidiQueue::kOffsetHorizon - 100);
}

TEST(MidiQueue, AHostThatNeverStopsSendingCannotTakeAllMemory) {
  MidiQueue q;
  IMidiMessage m;
  m.offset = MidiQueue::kOffsetHorizon;
  int taken = 0;
  for (int i = 0; i < MidiQueue::kMaxMessages + 100; ++i) taken += q.Add(m) ? 1 : 0;
  EXPECT_EQ(taken, MidiQueue::kMaxMessages);
  EXPECT_EQ(q.Size(), MidiQueue::kMaxMessages);
  // What is due still gets in once there is room again.
  q.DropFrom(512);
  EXPECT_TRUE(q.Empty());
  m.offset = 3;
  EXPECT_TRUE(q.Add(m));
}

TEST(MidiQueue, DropFromKeepsWhatIsDueAndTheNoteOffsetsOfTheRest) {
  MidiQueue q;
  auto add = [&](int offset, uint8_t status, uint8_t note) {
    IMidiMessage m;
    m.offset = offset;
    m.status = status;
    m.data1 = note;
    q.Add(m);
  };
  add(10, 0x90, 1);
  add(600, 0x90, 2);
  add(1 << 20, 0xB0, 3);
  add(1 << 20, 0x85, 4);  // a release far ahead
  add(511, 0xE0, 5);
  EXPECT_EQ(q.DropFrom(512), 2);
  ASSERT_EQ(q.Size(), 3);
  // The release comes first now (offset 0), then what was due anyway.
  EXPECT_EQ(q.At(0).data1, 4);
  EXPECT_EQ(q.At(0).offset, 0);
  EXPECT_EQ(q.At(1).data1, 1);
  EXPECT_EQ(q.At(2).data1, 5);
}

TEST(MidiIntake, AnyIntOffsetIsSafeForEveryQueuedKind) {
  test::Instance t;
  const int offsets[] = {INT_MAX, INT_MAX - 21, 2147483626, 2147483625, INT_MIN, INT_MIN + 1, -1, -44, 0};
  for (int offset : offsets) {
    t.Midi(offset, 0xB0, 7, 64);
    t.Midi(offset, 0xD0, 30, 0);
    t.Midi(offset, 0xE0, 0, 70);
    t.Midi(offset, 0xB0, 64, 0);
  }
  for (int i = 0; i < t.plug->midiQueue_.Size(); ++i) {
    const int offset = t.plug->midiQueue_.At(i).offset;
    EXPECT_GE(offset, -MidiQueue::kOffsetHorizon);
    EXPECT_LE(offset, MidiQueue::kOffsetHorizon);
  }
  t.Process(512);
  for (double s : t.left) ASSERT_TRUE(std::isfinite(s));
}

TEST(MidiIntake, LateEventsPlayAtOnceAndFarOnesWaitUntilAPowerOff) {
  test::Instance t;
  t.Midi(INT_MIN, 0x90, 60, 100);  // late: the next block start
  t.Midi(INT_MAX, 0x90, 62, 100);  // absurdly far ahead
  t.Midi(INT_MAX, 0x80, 60, 0);    // its release too
  t.Process(44);
  EXPECT_EQ(KeysDown(*t.plug, 60), 1);
  t.Process(4096);
  EXPECT_EQ(KeysDown(*t.plug, 62), 0);
  EXPECT_EQ(t.plug->midiQueue_.Size(), 2);
  // A power-off ends that timeline: the far note on is gone, the release comes at once.
  t.plug->Activate(false);
  t.plug->Reset();
  t.plug->Activate(true);
  t.Process(44);
  EXPECT_EQ(KeysDown(*t.plug, 60), 0);
  EXPECT_EQ(KeysDown(*t.plug, 62), 0);
  EXPECT_TRUE(t.plug->midiQueue_.Empty());
}

TEST(MidiIntake, ResetKeepsTheEventsOfTheCurrentBlock) {
  test::Instance t(44100.0, 512);
  t.Midi(300, 0x90, 60, 100);
  t.Midi(5000, 0x90, 61, 100);
  // Switching the update rate resets the control timing but not the block's events.
  t.plug->SetParameterAndNotify(kUpdateRate, 1);
  ASSERT_EQ(t.plug->midiQueue_.Size(), 1);
  t.Process(512);
  EXPECT_EQ(KeysDown(*t.plug, 60), 1);
}

// A mapped controller that switches the update rate resets the plug-in in the middle of the
// dispatch; the messages after it must still be played, each exactly once.
TEST(MidiDispatch, AResetFromAMappedControllerKeepsTheRestOfTheBlock) {
  test::Instance t(44100.0, 512);
  t.plug->SetControllerMapping(20, kUpdateRate);
  t.Midi(0, 0x90, 60, 100);
  t.Midi(0, 0xB0, 20, 127);
  t.Midi(0, 0x90, 64, 100);
  t.Midi(0, 0x90, 67, 100);
  t.Process(44);
  EXPECT_TRUE(t.plug->UpdateRateBit() || t.plug->GetParameter(kUpdateRate)->Value() == 1.0);
  for (int note : {60, 64, 67}) EXPECT_EQ(KeysDown(*t.plug, note), 1) << note;
  EXPECT_TRUE(t.plug->midiQueue_.Empty());
}

}  // namespace
}  // namespace pellory
