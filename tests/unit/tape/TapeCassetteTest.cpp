// Dumps played through a simulated cassette deck and sound card, many seeded trials per
// condition. A load either gives back exactly the programs on the tape or fails: a wrong
// load is never acceptable. Where the signal still carries the data, loads must succeed.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "CassetteSimulator.h"
#include "FakeProgramMemory.h"
#include "programs/tape/TapeLoader.h"

// Trials per condition; the sanitizer and debug trees run fewer (the same seeds, a prefix).
#ifndef PELLORY_TAPE_TRIALS
#define PELLORY_TAPE_TRIALS 10
#endif

namespace pellory::tape {
namespace {

using testing::Cassette;
using testing::FakeProgramMemory;
using testing::SampleFormat;
using testing::WavHeader;

enum class Outcome { kCorrect, kRejected, kWrong };

struct Tally {
  int correct = 0, rejected = 0, wrong = 0;
  std::string firstWrong;
};

// One trial: encode, record, load, and compare what landed in program memory.
Outcome RunTrial(const Cassette& cassette, bool later, const DecoderSettings& settings, std::string* detail) {
  const std::vector<uint8_t> dump =
      later ? testing::ValidLaterDump(cassette.seed) : testing::PatternBytes(kEarlyDumpSize, cassette.seed);
  const std::vector<uint8_t> wav = testing::MakeCassetteWav(testing::RecordCassette(dump, cassette), cassette);
  MemoryByteSource source(wav.data(), wav.size());
  FakeProgramMemory memory;
  const FakeProgramMemory before;
  if (!LoadTapeDump(source, settings, memory)) {
    if (memory.prgs != before.prgs || memory.combis != before.combis || !memory.log.empty()) {
      *detail = "failed load changed memory";
      return Outcome::kWrong;
    }
    return Outcome::kRejected;
  }
  const TapeDump expected = ExtractDump(dump.data(), dump.size());
  for (size_t i = 0; i < expected.prgs.size(); ++i)
    if (memory.prgs[i] != expected.prgs[i]) {
      *detail = "PRG " + std::to_string(i + 1);
      return Outcome::kWrong;
    }
  for (size_t i = 0; i < expected.combis.size(); ++i)
    if (memory.combis[i] != expected.combis[i]) {
      *detail = "Combi " + std::to_string(i + 76);
      return Outcome::kWrong;
    }
  if (memory.message != (later ? kLaterModelLoadedMessage : kEarlyModelLoadedMessage)) {
    *detail = "model";
    return Outcome::kWrong;
  }
  return Outcome::kCorrect;
}

struct Condition {
  const char* name;
  std::function<void(Cassette&, uint32_t trial)> setup;
  DecoderSettings settings;
  double minCorrect;  // share of trials that must load
};

DecoderSettings HighPass(double hz) {
  DecoderSettings s;
  s.highPassOn = true;
  s.highPassFrequency = hz;
  return s;
}

Tally RunCondition(const Condition& c, int trials) {
  Tally t;
  for (int k = 0; k < trials; ++k) {
    Cassette cassette;
    cassette.seed = uint32_t(1000 + 17 * k);
    c.setup(cassette, uint32_t(k));
    std::string detail;
    switch (RunTrial(cassette, k % 2 == 0, c.settings, &detail)) {
      case Outcome::kCorrect: ++t.correct; break;
      case Outcome::kRejected: ++t.rejected; break;
      case Outcome::kWrong:
        ++t.wrong;
        if (t.firstWrong.empty()) t.firstWrong = "seed " + std::to_string(cassette.seed) + ": " + detail;
        break;
    }
  }
  std::printf("  %-34s %3d correct %3d rejected %3d wrong\n", c.name, t.correct, t.rejected, t.wrong);
  return t;
}

void RunConditions(const std::vector<Condition>& conditions, int trials) {
  for (const Condition& c : conditions) {
    const Tally t = RunCondition(c, trials);
    EXPECT_EQ(t.wrong, 0) << c.name << " " << t.firstWrong;
    EXPECT_GE(t.correct, int(c.minCorrect * trials + 0.5)) << c.name;
  }
}

const DecoderSettings kDefaults{};

// The recording side: rates, sample formats and headers as recorders write them.
TEST(TapeCassette, RecordersAndHeaders) {
  RunConditions(
      {
          {"clean 22050 pcm16", [](Cassette&, uint32_t) {}, kDefaults, 1.0},
          {"clean 8000 pcm8", [](Cassette& c, uint32_t) { c.rate = 8000; c.format = SampleFormat::kPcm8; },
           kDefaults, 1.0},
          {"extensible 44100 pcm16",
           [](Cassette& c, uint32_t) { c.rate = 44100; c.header = WavHeader::kExtensible; }, kDefaults, 1.0},
          {"extensible 48000 float32",
           [](Cassette& c, uint32_t) {
             c.rate = 48000;
             c.format = SampleFormat::kFloat32;
             c.header = WavHeader::kExtensible;
           },
           kDefaults, 1.0},
          {"unfinished header 44100 pcm24",
           [](Cassette& c, uint32_t) {
             c.rate = 44100;
             c.format = SampleFormat::kPcm24;
             c.header = WavHeader::kUnfinished;
           },
           kDefaults, 1.0},
          {"data length past the end",
           [](Cassette& c, uint32_t) { c.header = WavHeader::kLengthTooLong; }, kDefaults, 1.0},
          {"cut after the last stop bit",
           [](Cassette& c, uint32_t) {
             c.trailer = 0;
             c.tailSilence = 0.0;
           },
           kDefaults, 1.0},
          {"high-pass on at its default",
           [](Cassette& c, uint32_t) { c.rate = 44100; }, HighPass(DecoderSettings{}.highPassFrequency), 1.0},
      },
      PELLORY_TAPE_TRIALS);
}

// The deck: speed, wow and flutter, the head's treble loss, dropouts.
TEST(TapeCassette, DeckFaults) {
  RunConditions(
      {
          {"speed within 10 %",
           [](Cassette& c, uint32_t k) { c.speed = 0.9 + 0.2 * (k % 5) / 4.0; }, kDefaults, 1.0},
          {"speed 20 % off",
           [](Cassette& c, uint32_t k) { c.speed = k % 2 ? 1.2 : 0.8; }, kDefaults, 1.0},
          {"speed 25 % off",
           [](Cassette& c, uint32_t k) { c.speed = k % 2 ? 1.25 : 0.75; }, kDefaults, 0.5},
          {"speed 30 % off",
           [](Cassette& c, uint32_t k) { c.speed = k % 2 ? 1.3 : 0.7; }, kDefaults, 0.0},
          {"wow 1 % flutter 0.3 %",
           [](Cassette& c, uint32_t) {
             c.wowDepth = 0.01;
             c.flutterDepth = 0.003;
           },
           kDefaults, 1.0},
          {"wow 4 % flutter 2 %",
           [](Cassette& c, uint32_t) {
             c.wowDepth = 0.04;
             c.flutterDepth = 0.02;
           },
           kDefaults, 1.0},
          {"deck low-pass 3 kHz", [](Cassette& c, uint32_t) { c.deckLowPassHz = 3000; }, kDefaults, 1.0},
          {"deck low-pass 1.2 kHz", [](Cassette& c, uint32_t) { c.deckLowPassHz = 1200; }, kDefaults, 1.0},
          {"dropout 1 ms to 5 %",
           [](Cassette& c, uint32_t) {
             c.dropouts = 1;
             c.dropoutMs = 1;
           },
           kDefaults, 0.0},
          {"dropout 4 ms to 5 %",
           [](Cassette& c, uint32_t) {
             c.dropouts = 1;
             c.dropoutMs = 4;
           },
           kDefaults, 0.0},
          {"dropout 4 ms to 15 %",
           [](Cassette& c, uint32_t) {
             c.dropouts = 1;
             c.dropoutMs = 4;
             c.dropoutDepth = 0.15;
           },
           kDefaults, 0.0},
          {"dropout 4 ms to 30 %",
           [](Cassette& c, uint32_t) {
             c.dropouts = 1;
             c.dropoutMs = 4;
             c.dropoutDepth = 0.3;
           },
           kDefaults, 1.0},
          {"three dropouts 20 ms to 10 %",
           [](Cassette& c, uint32_t) {
             c.dropouts = 3;
             c.dropoutMs = 20;
             c.dropoutDepth = 0.1;
           },
           kDefaults, 0.0},
      },
      PELLORY_TAPE_TRIALS);
}

// Noise: hiss in the silences, hiss over the tone, mains hum.
TEST(TapeCassette, HissAndHum) {
  RunConditions(
      {
          {"hiss in silences -40 dBFS", [](Cassette& c, uint32_t) { c.silenceHissDbfs = -40; }, kDefaults, 1.0},
          {"hiss in silences -30 dBFS", [](Cassette& c, uint32_t) { c.silenceHissDbfs = -30; }, kDefaults, 1.0},
          {"hiss in silences -24 dBFS", [](Cassette& c, uint32_t) { c.silenceHissDbfs = -24; }, kDefaults, 1.0},
          {"hiss in silences -20 dBFS", [](Cassette& c, uint32_t) { c.silenceHissDbfs = -20; }, kDefaults, 0.0},
          {"hiss SNR 30 dB", [](Cassette& c, uint32_t) { c.toneSnrDb = 30; }, kDefaults, 1.0},
          {"hiss SNR 20 dB", [](Cassette& c, uint32_t) { c.toneSnrDb = 20; }, kDefaults, 1.0},
          {"hiss SNR 18 dB", [](Cassette& c, uint32_t) { c.toneSnrDb = 18; }, kDefaults, 1.0},
          {"hiss SNR 16 dB", [](Cassette& c, uint32_t) { c.toneSnrDb = 16; }, kDefaults, 0.9},
          {"hiss SNR 13 dB", [](Cassette& c, uint32_t) { c.toneSnrDb = 13; }, kDefaults, 0.0},
          {"hiss SNR 10 dB", [](Cassette& c, uint32_t) { c.toneSnrDb = 10; }, kDefaults, 0.0},
          {"hiss SNR 13 dB, low-pass 3 kHz",
           [](Cassette& c, uint32_t) { c.toneSnrDb = 13; },
           [] {
             DecoderSettings s;
             s.lowPassOn = true;
             s.lowPassFrequency = 3000;
             return s;
           }(),
           1.0},
          {"hum 50 Hz at tone level",
           [](Cassette& c, uint32_t) { c.humLevel = 1.0; }, kDefaults, 0.0},
          {"hum -6 dB +2 harmonics, hp 100 Hz",
           [](Cassette& c, uint32_t) {
             c.humLevel = 0.5;
             c.humHarmonics = 3;
           },
           HighPass(100), 1.0},
          {"hum at tone level, hp 200 Hz",
           [](Cassette& c, uint32_t) { c.humLevel = 1.0; }, HighPass(200), 1.0},
          // Everything an ordinary deck and sound card add at once, at moderate levels.
          {"typical cassette, hp 100 Hz",
           [](Cassette& c, uint32_t k) {
             c.rate = k % 3 ? 44100 : 48000;
             c.header = k % 2 ? WavHeader::kExtensible : WavHeader::kPlain;
             c.speed = 0.97 + 0.015 * (k % 5);
             c.wowDepth = 0.005;
             c.flutterDepth = 0.002;
             c.toneSnrDb = 24;
             c.silenceHissDbfs = -30;
             c.humLevel = 0.1;
             c.humHarmonics = 3;
             c.deckLowPassHz = 5000;
           },
           HighPass(100), 1.0},
      },
      PELLORY_TAPE_TRIALS);
}

}  // namespace
}  // namespace pellory::tape
