// The process functions, MIDI intake and output, and the host's odd calls around them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "TestHost.h"

namespace plugtest {
namespace {

using namespace vst2;
using Path = TestHost::Path;

constexpr int kDetuneDepth = 75;

// A short phrase: chords, a bend, the wheel, the pedal, releases; offsets across buffers.
const std::vector<std::vector<MidiEvent>> kPhrase = {
    {{0, 0x90, 60, 100}, {0, 0x90, 64, 90}, {130, 0x90, 67, 80}},
    {{10, 0xE0, 0, 80}, {300, 0xB0, 1, 90}},
    {{0, 0xB0, 64, 127}, {200, 0x80, 60, 0}, {201, 0x90, 64, 0}},
    {{50, 0xE0, 0, 64}, {400, 0xB0, 64, 0}},
    {},
    {{5, 0x80, 67, 64}},
    {},
    {},
};

struct Audio {
  std::vector<float> left, right;
};

bool AllFinite(const Audio& a) {
  for (const std::vector<float>* ch : {&a.left, &a.right})
    for (float s : *ch)
      if (!std::isfinite(s)) return false;
  return true;
}

// Plays the phrase in buffers of the given size through one process path.
Audio Play(Path path, int bufferFrames = 512, int declaredBlock = 512) {
  TestHost host;
  host.Start(44100.0, declaredBlock);
  Audio out;
  for (const auto& events : kPhrase) {
    if (!events.empty()) host.SendMidi(events);
    std::vector<float> l, r;
    host.Render(path, bufferFrames, l, r);
    out.left.insert(out.left.end(), l.begin(), l.end());
    out.right.insert(out.right.end(), r.begin(), r.end());
  }
  return out;
}

TEST(Process, ThreeProcessPathsGiveTheSameAudio) {
  const Audio replacing = Play(Path::kReplacing);
  const Audio accumulating = Play(Path::kAccumulating);  // into zeroed buffers
  const Audio doubles = Play(Path::kDouble);             // rounded to float
  ASSERT_EQ(replacing.left.size(), kPhrase.size() * 512);
  EXPECT_TRUE(AllFinite(replacing));
  // The phrase sounds, so equal paths compare real audio.
  float peak = 0.0f;
  for (float s : replacing.left) peak = std::max(peak, std::fabs(s));
  EXPECT_GT(peak, 0.01f);
  EXPECT_EQ(accumulating.left, replacing.left);
  EXPECT_EQ(accumulating.right, replacing.right);
  EXPECT_EQ(doubles.left, replacing.left);
  EXPECT_EQ(doubles.right, replacing.right);
}

TEST(Process, AccumulatingAddsToWhatTheHostBufferHolds) {
  TestHost replacing, accumulating;
  replacing.Start();
  accumulating.Start();
  for (TestHost* h : {&replacing, &accumulating}) h->SendMidi({{0, 0x90, 57, 110}, {64, 0x90, 69, 70}});
  std::vector<float> l, r;
  replacing.Render(Path::kReplacing, 1024, l, r);
  std::vector<float> al(1024, 0.25f), ar(1024, -0.5f);
  float* outputs[2] = {al.data(), ar.data()};
  accumulating.Effect()->process(accumulating.Effect(), nullptr, outputs, 1024);
  for (int i = 0; i < 1024; ++i) {
    ASSERT_EQ(al[i], 0.25f + l[i]) << i;
    ASSERT_EQ(ar[i], -0.5f + r[i]) << i;
  }
}

TEST(Process, MoreFramesThanDeclaredAreRenderedInFull) {
  // Hosts declare one block size and then send longer buffers. The audio must not depend on how
  // the host cut it.
  const Audio reference = Play(Path::kReplacing, 2048, 2048);
  for (Path path : {Path::kReplacing, Path::kAccumulating, Path::kDouble}) {
    const Audio longer = Play(path, 2048, 64);
    EXPECT_EQ(longer.left, reference.left) << int(path);
    EXPECT_EQ(longer.right, reference.right) << int(path);
  }
  // Frames nobody rendered would show as the marker.
  TestHost host;
  host.Start(44100.0, 32);
  std::vector<float> l(5000, 9.0f), r(5000, 9.0f);
  float* outputs[2] = {l.data(), r.data()};
  host.Effect()->processReplacing(host.Effect(), nullptr, outputs, 5000);
  for (int i = 0; i < 5000; ++i) ASSERT_NE(l[i], 9.0f) << i;
}

TEST(Process, EmptyAndMissingBuffersAreSurvived) {
  const Audio reference = Play(Path::kReplacing);
  TestHost host;
  host.Start();
  AEffect* e = host.Effect();
  std::vector<float> l(512, 3.0f), r(512, 3.0f);
  float* outputs[2] = {l.data(), r.data()};
  // Zero and negative frame counts touch nothing.
  e->processReplacing(e, nullptr, outputs, 0);
  e->process(e, nullptr, outputs, -7);
  e->processDoubleReplacing(e, nullptr, nullptr, 0);
  EXPECT_EQ(l, std::vector<float>(512, 3.0f));

  // The phrase again, with null output arrays and channels mixed in: the channels that exist get
  // exactly what a normal run gives.
  float* leftOnly[2] = {nullptr, nullptr};
  double* doubleNone[2] = {nullptr, nullptr};
  Audio out;
  int buffer = 0;
  for (const auto& events : kPhrase) {
    if (!events.empty()) host.SendMidi(events);
    l.assign(512, 3.0f);
    r.assign(512, 3.0f);
    switch (buffer++ % 4) {
      case 0:
        leftOnly[0] = l.data();
        e->processReplacing(e, nullptr, leftOnly, 512);
        r = std::vector<float>(reference.right.begin() + (buffer - 1) * 512, reference.right.begin() + buffer * 512);
        break;
      case 1: {
        std::vector<double> dl(512);
        double* partial[2] = {nullptr, dl.data()};
        e->processDoubleReplacing(e, nullptr, partial, 512);
        for (int i = 0; i < 512; ++i) r[i] = static_cast<float>(dl[i]);
        l = std::vector<float>(reference.left.begin() + (buffer - 1) * 512, reference.left.begin() + buffer * 512);
        break;
      }
      case 2:
        e->processReplacing(e, nullptr, nullptr, 512);
        e->processDoubleReplacing(e, nullptr, doubleNone, 0);
        l = std::vector<float>(reference.left.begin() + (buffer - 1) * 512, reference.left.begin() + buffer * 512);
        r = std::vector<float>(reference.right.begin() + (buffer - 1) * 512, reference.right.begin() + buffer * 512);
        break;
      default:
        outputs[0] = l.data();  // the vectors were replaced above
        outputs[1] = r.data();
        e->processReplacing(e, nullptr, outputs, 512);
        break;
    }
    out.left.insert(out.left.end(), l.begin(), l.end());
    out.right.insert(out.right.end(), r.begin(), r.end());
  }
  EXPECT_EQ(out.left, reference.left);
  EXPECT_EQ(out.right, reference.right);
}

TEST(Process, OddBlockSizesAndSampleRatesBreakNothing) {
  const Audio reference = Play(Path::kReplacing);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  TestHost host;
  host.Start();
  for (VstIntPtr size : {VstIntPtr(0), VstIntPtr(-5), VstIntPtr(1) << 40, VstIntPtr(INT32_MAX), VstIntPtr(512)})
    host.Dispatch(effSetBlockSize, 0, size);
  for (float rate : {0.0f, -44100.0f, nan, inf, -inf, 1e-30f, 44100.0f}) host.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
  host.Dispatch(effMainsChanged, 0, 0);
  host.Dispatch(effMainsChanged, 0, 1);
  Audio out;
  for (const auto& events : kPhrase) {
    if (!events.empty()) host.SendMidi(events);
    std::vector<float> l, r;
    host.Render(Path::kReplacing, 512, l, r);
    out.left.insert(out.left.end(), l.begin(), l.end());
    out.right.insert(out.right.end(), r.begin(), r.end());
  }
  EXPECT_EQ(out.left, reference.left);
  EXPECT_EQ(out.right, reference.right);

  // Bad values sent alone, followed straight by rendering.
  TestHost other;
  other.Start();
  other.Dispatch(effSetBlockSize, 0, 0);
  other.Dispatch(effSetSampleRate, 0, 0, nullptr, nan);
  other.SendMidi({{0, 0x90, 60, 100}});
  std::vector<float> l, r;
  other.Render(Path::kDouble, 3000, l, r);
  other.Render(Path::kReplacing, 3000, l, r);
  for (float s : l) ASSERT_TRUE(std::isfinite(s));
}

TEST(Process, AsksForMidiOnEveryProcessCall) {
  TestHost host;
  host.Start();
  host.ClearRecord();
  std::vector<float> l, r;
  host.Render(Path::kReplacing, 64, l, r);
  host.Render(Path::kAccumulating, 64, l, r);
  host.Render(Path::kDouble, 64, l, r);
  host.Render(Path::kReplacing, 0, l, r);
  EXPECT_EQ(host.CallCount(audioMasterWantMidi), 4);
}

TEST(Parameters, SetAndGetRoundTrip) {
  TestHost host;
  host.Start();
  for (int i = 0; i < 77; ++i) {
    for (float v : {0.0f, 1.0f}) {
      host.Set(i, v);
      EXPECT_EQ(host.Get(i), v) << "parameter " << i;
    }
    // Values in between land on the parameter's steps; setting what was read back changes nothing.
    for (float v : {0.3f, 0.5f, 0.77f}) {
      host.Set(i, v);
      const float got = host.Get(i);
      EXPECT_GE(got, 0.0f);
      EXPECT_LE(got, 1.0f);
      host.Set(i, got);
      EXPECT_EQ(host.Get(i), got) << "parameter " << i << " at " << v;
    }
  }
  // A continuous parameter keeps the value as given.
  host.Set(kDetuneDepth, 0.3f);
  EXPECT_NEAR(host.Get(kDetuneDepth), 0.3f, 1e-6f);
}

TEST(Parameters, OutOfRangeIndicesAndValuesAreHarmless) {
  TestHost host;
  host.Start();
  const std::vector<float> before = host.AllParameters();
  for (int index : {-1, 77, 1000, INT32_MIN, INT32_MAX}) {
    host.Set(index, 0.5f);
    EXPECT_EQ(host.Get(index), 0.0f) << index;
  }
  EXPECT_EQ(host.AllParameters(), before);
  // Values outside 0..1 and NaN end inside the range.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float v : {-1.0f, 2.0f, nan, std::numeric_limits<float>::infinity()}) {
    for (int i = 0; i < 77; ++i) {
      host.Set(i, v);
      const float got = host.Get(i);
      ASSERT_TRUE(got >= 0.0f && got <= 1.0f) << i << " " << v;
    }
  }
  std::vector<float> l, r;
  host.SendMidi({{0, 0x90, 60, 100}});
  host.Render(Path::kReplacing, 2048, l, r);
  for (float s : l) ASSERT_TRUE(std::isfinite(s));
}

TEST(Midi, EventListsWithHolesAreReadPastThem) {
  ScopedIni ini("[MIDI Global]\nMIDI Thru=true\n");
  TestHost host;
  host.Start();
  host.ClearRecord();

  VstMidiEvent a{}, b{};
  a.type = b.type = kVstMidiType;
  a.byteSize = b.byteSize = sizeof(VstMidiEvent);
  a.deltaFrames = 3;
  a.midiData[0] = char(0x90), a.midiData[1] = 60, a.midiData[2] = 100;
  b.deltaFrames = 9;
  b.midiData[0] = char(0x80), b.midiData[1] = 60, b.midiData[2] = 0;
  VstMidiSysexEvent noDump{}, negative{}, fine{};
  noDump.type = negative.type = fine.type = kVstSysExType;
  noDump.byteSize = negative.byteSize = fine.byteSize = sizeof(VstMidiSysexEvent);
  noDump.dumpBytes = 12;  // but no bytes
  char bytes[] = {char(0xF0), 0x7E, 0x7F, 0x06, 0x01, char(0xF7)};
  negative.sysexDump = bytes;
  negative.dumpBytes = -6;
  fine.sysexDump = bytes;
  fine.dumpBytes = sizeof bytes;
  VstEvent unknown{};
  unknown.type = 3;

  std::vector<char> storage(sizeof(VstEvents) + 8 * sizeof(VstEvent*));
  VstEvents* list = reinterpret_cast<VstEvents*>(storage.data());
  VstEvent* events[] = {nullptr,
                        reinterpret_cast<VstEvent*>(&a),
                        reinterpret_cast<VstEvent*>(&noDump),
                        nullptr,
                        reinterpret_cast<VstEvent*>(&negative),
                        &unknown,
                        reinterpret_cast<VstEvent*>(&fine),
                        reinterpret_cast<VstEvent*>(&b)};
  list->numEvents = 8;
  VstEvent** slots = list->events;
  for (int i = 0; i < 8; ++i) slots[i] = events[i];
  EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, list), 1);
  // MIDI Thru shows which messages were taken: both short messages, in order.
  const std::vector<SentEvent> sent = host.SentEvents();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].bytes, (std::vector<uint8_t>{0x90, 60, 100, 0}));
  EXPECT_EQ(sent[1].bytes, (std::vector<uint8_t>{0x80, 60, 0, 0}));
  EXPECT_EQ(sent[1].deltaFrames, 9);

  // Empty and missing lists.
  list->numEvents = 0;
  EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, list), 1);
  list->numEvents = -3;
  EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, list), 1);
  EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, nullptr), 0);
  std::vector<float> l, r;
  host.Render(Path::kReplacing, 512, l, r);
  for (float s : l) ASSERT_TRUE(std::isfinite(s));
}

TEST(Midi, ThruEchoesEveryMessageUnchanged) {
  ScopedIni ini("[MIDI Global]\nMIDI Thru=true\n");
  TestHost host;
  host.Start();
  host.ClearRecord();
  // Including what the synthesizer itself ignores or rewrites.
  const std::vector<MidiEvent> in = {{0, 0x94, 60, 0},   {7, 0xA0, 60, 20}, {12, 0xB3, 7, 100},
                                     {20, 0xF8, 0, 0},    {33, 0x45, 1, 2},  {40, 0xE1, 0, 64},
                                     {100, 0xB0, 123, 0}, {101, 0xC0, 5, 0}};
  host.SendMidi(in);
  const std::vector<SentEvent> sent = host.SentEvents();
  ASSERT_EQ(sent.size(), in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    EXPECT_EQ(sent[i].type, kVstMidiType);
    EXPECT_EQ(sent[i].byteSize, 32);
    EXPECT_EQ(sent[i].deltaFrames, in[i].offset);
    EXPECT_EQ(sent[i].bytes, (std::vector<uint8_t>{in[i].status, in[i].data1, in[i].data2, 0})) << i;
  }
}

TEST(Midi, NothingIsEchoedWithoutThru) {
  ScopedIni ini("[MIDI Global]\nMIDI Thru=false\n");
  TestHost host;
  host.Start();
  host.SendMidi({{0, 0x90, 60, 100}, {5, 0xB0, 1, 3}});
  EXPECT_TRUE(host.SentEvents().empty());
  EXPECT_EQ(host.CallCount(audioMasterProcessEvents), 0);
}

// Switching off restarts the control block, so MIDI waiting for the next block start is taken at
// the very first sample; switching on does not. A controller mapped to a parameter shows when.
TEST(Midi, SwitchingOffRestartsTheControlBlockAndSwitchingOnDoesNot) {
  ScopedIni ini("[MIDI Control]\nCC7=75\n");
  for (bool off : {true, false}) {
    TestHost host;
    host.Start();
    std::vector<float> l, r;
    host.Render(Path::kReplacing, 20, l, r);  // 20 samples into a control block of 44
    const float before = host.Get(kDetuneDepth);
    ASSERT_NE(before, 1.0f);
    host.SendMidi({{0, 0xB0, 7, 127}});
    host.Dispatch(effMainsChanged, 0, off ? 0 : 1);
    host.Render(Path::kReplacing, 1, l, r);
    if (off)
      EXPECT_EQ(host.Get(kDetuneDepth), 1.0f);
    else
      EXPECT_EQ(host.Get(kDetuneDepth), before);
    host.Render(Path::kReplacing, 44, l, r);
    EXPECT_EQ(host.Get(kDetuneDepth), 1.0f);
  }
}

}  // namespace
}  // namespace plugtest
