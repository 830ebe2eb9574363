// The signal stages of the tape decoder: resampler, filter rules, symbol detection, framing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "TapeEncoder.h"
#include "programs/tape/TapeDecoder.h"

namespace pellory::tape {
namespace {

std::vector<int> Values(const std::vector<Symbol>& symbols) {
  std::vector<int> v;
  for (const Symbol& s : symbols) v.push_back(s.value);
  return v;
}

std::vector<Symbol> AsSymbols(const std::vector<int>& values) {
  std::vector<Symbol> s;
  for (int v : values) s.push_back({0, v});
  return s;
}

// Silence, then flat half-cycles of the given lengths in samples, alternating +1 / -1.
std::vector<double> Square(const std::vector<int>& halves, int lead = 100, double level = 1.0) {
  std::vector<double> out(size_t(lead), 0.0);
  double sign = 1.0;
  for (int h : halves) {
    out.insert(out.end(), size_t(h), sign * level);
    sign = -sign;
  }
  out.insert(out.end(), 50, 0.0);
  return out;
}

TEST(Resampler, StartsFromSilenceAndKeepsTheOutputLength) {
  // 11025 Hz: two outputs per input. The history starts at zero, so a constant input rises
  // through the Catmull-Rom curve; the eleventh sample produced is beyond ceil(5 * 2) and dropped.
  const std::vector<double> out = ResampleTo22050({1, 1, 1, 1, 1}, 11025);
  EXPECT_EQ(out, (std::vector<double>{0, -0.0625, 0, 0.5, 1, 1.0625, 1, 1, 1, 1}));

  EXPECT_EQ(Resampler(8000, 3).OutputLength(), 9u);           // ceil(8.26875)
  EXPECT_EQ(Resampler(8000, 8000).OutputLength(), 22050u);
  EXPECT_EQ(Resampler(16000, 1).OutputLength(), 2u);
  EXPECT_EQ(Resampler(2000, 4000000000ull).OutputLength(), 44100000000ull);
  EXPECT_EQ(ResampleTo22050({}, 8000).size(), 0u);
  for (double rate : {8000.0, 11025.0, 12345.0, 22049.0})
    for (size_t n : {1u, 2u, 7u, 1000u}) {
      const std::vector<double> in(n, 0.25);
      EXPECT_EQ(ResampleTo22050(in, rate).size(), size_t(std::ceil(n * 22050.0 / rate))) << rate << " " << n;
    }
}

TEST(Resampler, ReproducesARampAfterItsTwoSampleDelay) {
  // Catmull-Rom is exact on straight lines: output j lies at input time j * step, two input
  // samples late (it interpolates between the second and third newest samples).
  for (double rate : {8000.0, 11025.0, 16000.0, 22000.0}) {
    std::vector<double> ramp(400);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = double(i);
    const std::vector<double> out = ResampleTo22050(ramp, rate);
    const double step = rate / 22050.0;
    for (size_t j = size_t(4 / step); j < size_t(395 / step); ++j)
      ASSERT_NEAR(out[j], j * step - 2.0, 1e-8) << rate << " at " << j;
  }
}

TEST(TapeFilters, LowPassOnlyBelowTheNyquistOfTheWorkingRate) {
  DecoderSettings s;
  EXPECT_FALSE(PlanFilters(s, 22050).highPass);
  EXPECT_FALSE(PlanFilters(s, 22050).lowPass);

  s.lowPassOn = true;
  EXPECT_TRUE(PlanFilters(s, 22050).lowPass);
  EXPECT_TRUE(PlanFilters(s, 10000).lowPass);    // exactly twice the corner
  EXPECT_FALSE(PlanFilters(s, 8000).lowPass);
  s.lowPassFrequency = 12000;
  EXPECT_FALSE(PlanFilters(s, 22050).lowPass);
  EXPECT_TRUE(PlanFilters(s, 44100).lowPass);

  s.highPassOn = true;  // both on: the high-pass runs whether or not the low-pass does
  EXPECT_TRUE(PlanFilters(s, 22050).highPass);
  EXPECT_FALSE(PlanFilters(s, 22050).lowPass);
  EXPECT_TRUE(PlanFilters(s, 48000).lowPass);
  s.lowPassOn = false;
  s.highPassFrequency = 20000;  // the high-pass has no rate rule
  EXPECT_TRUE(PlanFilters(s, 22050).highPass);

  // Files below 22050 Hz are analysed at 22050 Hz, so a 5 kHz low-pass always fits there.
  EXPECT_EQ(WorkingRate(8000), 22050.0);
  EXPECT_EQ(WorkingRate(22050), 22050.0);
  EXPECT_EQ(WorkingRate(44100), 44100.0);
}

TEST(SymbolDetector, LongAndShortAt44100AndThePendingShortRule) {
  SymbolDetector probe(44100, 50);
  EXPECT_DOUBLE_EQ(probe.LongLimit(), 33.075);
  // Intervals: 33 short (pending), 33 short -> 0, 34 long -> 1, 33 pending, 34 long -> 1 with
  // the short still pending, 33 -> 0 with the earlier short, 33 pending, 40 long -> 1.
  const std::vector<Symbol> symbols =
      DetectSymbols(Square({33, 33, 34, 33, 34, 33, 33, 40, 10}), 44100, 50);
  EXPECT_EQ(Values(symbols), (std::vector<int>{1, 0, 1, 1, 0, 1}));
  // Extremes sit at the first sample of each plateau and are recognised one sample later; the
  // first one is measured from position 0.
  ASSERT_EQ(symbols.size(), 6u);
  EXPECT_EQ(symbols[0].position, 101);
  EXPECT_EQ(symbols[1].position, 101 + 66);
  EXPECT_EQ(symbols[2].position, 101 + 100);
  EXPECT_EQ(symbols[3].position, 101 + 167);
  EXPECT_EQ(symbols[4].position, 101 + 200);
  EXPECT_EQ(symbols[5].position, 101 + 233 + 40);
}

TEST(SymbolDetector, HalfMillisecondGridScalesWithTheWorkingRate) {
  // At 22050 Hz the limit is 16.5375 samples: 16 is short, 17 long.
  EXPECT_EQ(Values(DetectSymbols(Square({16, 16, 17, 17, 5}), 22050, 50)), (std::vector<int>{1, 0, 1, 1}));
  EXPECT_EQ(Values(DetectSymbols(Square({16, 16, 17, 17, 5}), 48000, 50)), (std::vector<int>{1, 0, 0}));
}

TEST(SymbolDetector, PeaksAndTroughsMustAlternateAndPassTheThreshold) {
  // The peak is taken at the highest sample: found when the signal stops rising.
  std::vector<double> s = {0, 0.3, 0.8, 1.0, 0.9, 0.2, -0.2, -0.9};
  std::vector<Symbol> symbols = DetectSymbols(s, 1000, 50);  // h = 0.75 samples
  ASSERT_EQ(symbols.size(), 1u);
  EXPECT_EQ(symbols[0].position, 4);  // extreme at 3, more than 0.75 after 0
  // The trough at 7 is 4 after the peak: long, recognised at 8 when the signal turns.
  s.push_back(-0.7);
  symbols = DetectSymbols(s, 1000, 50);
  ASSERT_EQ(symbols.size(), 2u);
  EXPECT_EQ(symbols[1].position, 8);

  // Two peaks in a row count once; the trough between them must reach the threshold.
  EXPECT_EQ(DetectSymbols(Square({40, 40, 40}, 100, 0.5), 44100, 50).size(), 0u) << "0.5 is not above 0.5";
  EXPECT_EQ(DetectSymbols(Square({40, 40, 40}, 100, 0.5), 44100, 49).size(), 3u);
  std::vector<double> twoPeaks = Square({40}, 100);
  const std::vector<double> shallow(40, -0.2), peak(40, 1.0), deep(40, -1.0);
  twoPeaks.insert(twoPeaks.end(), shallow.begin(), shallow.end());
  twoPeaks.insert(twoPeaks.end(), peak.begin(), peak.end());
  twoPeaks.insert(twoPeaks.end(), deep.begin(), deep.end());
  twoPeaks.push_back(0.0);
  symbols = DetectSymbols(twoPeaks, 44100, 50);
  ASSERT_EQ(symbols.size(), 2u);
  EXPECT_EQ(symbols[1].position - symbols[0].position, 270 - 100) << "trough of the deep dip";
}

TEST(ByteFramer, FramesCarryEightBitsLsbFirstWithEvenParity) {
  const std::vector<uint8_t> bytes = {0x00, 0xFF, 0x01, 0x80, 0xA5, 0x5A, 0x3C};
  EXPECT_EQ(FrameBytes(AsSymbols(testing::EncodeSymbols(bytes, 5, 0))), bytes);
  // 0x01: 1 0 | 1 0 0 0 0 0 0 0 | 1 | 1, exactly twelve symbols.
  EXPECT_EQ(FrameBytes(AsSymbols({1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1})), std::vector<uint8_t>{0x01});
  EXPECT_TRUE(FrameBytes(AsSymbols({1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1})).empty());
  EXPECT_TRUE(FrameBytes(AsSymbols({1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1})).empty()) << "parity";
  EXPECT_TRUE(FrameBytes(AsSymbols({1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0})).empty()) << "stop";
  EXPECT_TRUE(FrameBytes(AsSymbols({1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1})).empty()) << "start";
}

TEST(ByteFramer, ParityErrorLosesOneByteAndResynchronises) {
  std::vector<int> symbols = testing::EncodeSymbols({0x41, 0x00, 0x42, 0x43}, 3, 0);
  symbols[3 + 12 + 10] ^= 1;  // parity of the second frame
  EXPECT_EQ(FrameBytes(AsSymbols(symbols)), (std::vector<uint8_t>{0x41, 0x42, 0x43}));
  // A lost symbol costs the frames it breaks and no more.
  symbols = testing::EncodeSymbols({0x11, 0x00, 0x22, 0x33}, 3, 0);
  symbols.erase(symbols.begin() + 3 + 12 + 4);
  EXPECT_EQ(FrameBytes(AsSymbols(symbols)), (std::vector<uint8_t>{0x11, 0x22, 0x33}));
}

std::vector<bool> Flags(const std::vector<Symbol>& symbols) {
  std::vector<bool> v;
  for (const Symbol& s : symbols) v.push_back(s.regular);
  return v;
}

std::vector<Symbol> Marked(const std::vector<int>& values, const std::vector<size_t>& doubtful = {}) {
  std::vector<Symbol> s = AsSymbols(values);
  for (size_t i : doubtful) s[i].regular = false;
  return s;
}

bool FramedWithCertainty(const std::vector<Symbol>& symbols, std::vector<uint8_t>* bytes = nullptr) {
  ByteFramer framer;
  uint8_t byte = 0;
  for (const Symbol& s : symbols)
    if (framer.Push(s.value, s.regular, byte) && bytes) bytes->push_back(byte);
  return framer.Certain();
}

TEST(SymbolDetector, JudgesEveryHalfCycleAgainstTheSymbolPeriod) {
  // 22050 Hz: a symbol lasts 22.05 samples, long half-cycles 22, short ones 11.
  // Steady 1s and 0s are regular. The first symbol (silence up to the first edge) has nothing
  // to be measured against, and a doubt also covers the symbol after it.
  std::vector<Symbol> s = DetectSymbols(Square({22, 22, 22, 11, 11, 22, 11, 11, 11, 11, 22, 22, 5}), 22050, 50);
  EXPECT_EQ(Values(s), (std::vector<int>{1, 1, 1, 1, 0, 1, 0, 0, 1, 1}));
  EXPECT_EQ(Flags(s), (std::vector<bool>{false, false, true, true, true, true, true, true, true, true}));

  // A spurious pair of extremes splits a long half-cycle (10 + 2 + 10): doubt on the symbols
  // it touches, and the run of 1s after it is clean again.
  s = DetectSymbols(Square({22, 22, 22, 10, 2, 10, 22, 22, 22, 22, 22, 5}), 22050, 50);
  std::vector<bool> flags = Flags(s);
  ASSERT_GE(flags.size(), 8u);
  EXPECT_TRUE(flags[2] && flags[3]);
  EXPECT_NE(std::count(flags.begin(), flags.end(), false), 1) << "the split is in doubt";
  EXPECT_TRUE(flags[flags.size() - 1] && flags[flags.size() - 2]);

  // A lone short half-cycle between longs: the detector carries it forward, the check
  // does not let it pass.
  s = DetectSymbols(Square({22, 22, 22, 11, 22, 22, 22, 22, 22, 22, 5}), 22050, 50);
  flags = Flags(s);
  EXPECT_GT(std::count(flags.begin() + 1, flags.end(), false), 0);

  // A missing stretch (a dropout: two symbols' time without extremes).
  s = DetectSymbols(Square({22, 22, 22, 22, 66, 22, 22, 22, 5}), 22050, 50);
  flags = Flags(s);
  EXPECT_EQ(flags, (std::vector<bool>{false, false, true, true, true, false, false, true, true}));

  // Half-cycles near the long/short limit (15 and 17 samples) are doubtful even though the
  // detector reads them.
  s = DetectSymbols(Square({22, 22, 22, 15, 7, 22, 22, 22, 22, 5}), 22050, 50);
  flags = Flags(s);
  EXPECT_GT(std::count(flags.begin() + 1, flags.end(), false), 0);
}

TEST(SymbolDetector, FollowsASteadySpeedError) {
  // 20 % slow: long half-cycles of 26 samples, short ones of 13. The period estimate locks on
  // within the leader and the frames after it are clean.
  std::vector<int> halves(60, 26);
  for (int k = 0; k < 20; ++k) {
    halves.push_back(13);
    halves.push_back(13);
    halves.push_back(26);
  }
  halves.push_back(5);
  const std::vector<Symbol> s = DetectSymbols(Square(halves), 22050, 50);
  const std::vector<bool> flags = Flags(s);
  ASSERT_EQ(s.size(), 1u + 60u + 40u);
  EXPECT_EQ(std::count(flags.begin() + 30, flags.end(), false), 0);
}

TEST(SymbolDetector, AStopBitThatEndsTheRecordingStillCounts) {
  // The last half-cycle has no closing edge; when it is long enough to be a 1, it is one.
  std::vector<double> cut = Square({22, 22, 22, 11, 11, 22});
  cut.resize(cut.size() - 50);  // no silence after it
  SymbolDetector detector(22050, 50);
  std::vector<int> values;
  Symbol symbol{};
  for (double v : cut)
    if (detector.Push(v, symbol)) values.push_back(symbol.value);
  ASSERT_TRUE(detector.Finish(symbol));
  values.push_back(symbol.value);
  EXPECT_EQ(values, (std::vector<int>{1, 1, 1, 1, 0, 1}));
  EXPECT_TRUE(symbol.regular);
  EXPECT_FALSE(detector.Finish(symbol)) << "only once";

  // Silence after the last edge, or a half-cycle cut too short: nothing more.
  SymbolDetector quiet(22050, 50);
  for (double v : Square({22, 22, 22, 11, 11, 22})) quiet.Push(v, symbol);
  EXPECT_FALSE(quiet.Finish(symbol));
  SymbolDetector shortCut(22050, 50);
  std::vector<double> early = Square({22, 22, 22, 11, 11, 22});
  early.resize(early.size() - 50 - 10);
  for (double v : early) shortCut.Push(v, symbol);
  EXPECT_FALSE(shortCut.Finish(symbol));
  EXPECT_TRUE(DetectSymbols(std::vector<double>(100, 0.0), 22050, 50).empty());
}

TEST(ByteFramer, IsCertainOnlyWhenNothingButIdleLinesSeparateTheFrames) {
  const std::vector<int> two = testing::EncodeSymbols({0x41, 0x42, 0x43}, 5, 3);
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(FramedWithCertainty(AsSymbols(two), &bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x41, 0x42, 0x43}));

  // Idle 1s between frames are the line at rest.
  std::vector<int> idle = two;
  idle.insert(idle.begin() + 5 + 12, {1, 1, 1});
  EXPECT_TRUE(FramedWithCertainty(AsSymbols(idle)));
  // Noise before the first frame and after the last does not count.
  std::vector<int> noisy = two;
  noisy.insert(noisy.begin(), {0, 0, 1, 0});
  noisy.insert(noisy.end(), {0, 1, 0, 0, 0});
  EXPECT_TRUE(FramedWithCertainty(Marked(noisy, {0, 1, 2, noisy.size() - 1})));

  // A parity error between good frames: the bytes resynchronise but the dump is in doubt.
  std::vector<int> parity = testing::EncodeSymbols({0x41, 0x00, 0x42, 0x43}, 3, 0);
  parity[3 + 12 + 10] ^= 1;
  bytes.clear();
  EXPECT_FALSE(FramedWithCertainty(AsSymbols(parity), &bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x41, 0x42, 0x43}));
  // An extra 0 between frames, or a doubtful symbol inside one or between two.
  std::vector<int> extra = two;
  extra.insert(extra.begin() + 5 + 12, 0);
  EXPECT_FALSE(FramedWithCertainty(AsSymbols(extra)));
  EXPECT_FALSE(FramedWithCertainty(Marked(two, {5 + 12 + 4})));
  EXPECT_FALSE(FramedWithCertainty(Marked(idle, {5 + 12 + 1})));
  // ...but a doubtful symbol before the first frame or after the last is leader or trailer.
  EXPECT_TRUE(FramedWithCertainty(Marked(two, {0, 1, two.size() - 1})));
}

TEST(ToneGate, OpensOnTheToneAndNotOnHissOrClicksAroundIt) {
  // One second of hiss (-30 dBFS RMS), the dump at 0.5, one second of hiss; a click in the
  // leading hiss. 22050 Hz: 4 ms windows of 88 samples.
  const std::vector<uint8_t> bytes = testing::PatternBytes(200, 4);
  testing::WaveOptions o;
  o.silence = 1.0;
  std::vector<double> signal = testing::SynthesizeDump(bytes, 22050, o);
  testing::NoiseSource noise(8);
  for (double& v : signal) v += 0.0316 * std::sqrt(3.0) * noise.Next();  // uniform, RMS 0.0316
  for (size_t i = 5000; i < 5100; ++i) signal[i] += 0.8 * std::sin(double(i));
  ToneGate gate(22050);
  double sum = 0.0;
  for (double v : signal) {
    gate.Add(v);
    sum += v;
  }
  gate.Decide(sum / double(signal.size()));
  EXPECT_NEAR(gate.ToneLevel(), 0.5 + 0.055, 0.06);
  EXPECT_GT(gate.GateLevel(), 0.055 * 1.5) << "above the hiss peaks";
  EXPECT_LT(gate.GateLevel(), 0.3);
  const uint64_t toneStart = 22050, toneEnd = signal.size() - 22050;
  uint64_t openOutside = 0, closedInside = 0;
  for (uint64_t i = 0; i < signal.size(); ++i) {
    const bool inside = i >= toneStart + 88 && i + 88 < toneEnd;
    const bool outside = i + 88 < toneStart || i > toneEnd + 88;
    if (outside && gate.Open(i)) ++openOutside;
    if (inside && !gate.Open(i)) ++closedInside;
  }
  EXPECT_EQ(openOutside, 0u);
  EXPECT_EQ(closedInside, 0u);
  EXPECT_FALSE(gate.Open(signal.size() + 100));

  // A clean recording: digital silence around the tone, every tone window open.
  ToneGate clean(44100);
  const std::vector<double> quiet = testing::SynthesizeDump(bytes, 44100);
  for (double v : quiet) clean.Add(v);
  clean.Decide(0.0);
  EXPECT_DOUBLE_EQ(clean.GateLevel(), clean.ToneLevel() / 8.0);
  for (uint64_t i = 2205 + 176; i + 2205 + 176 < quiet.size(); ++i) ASSERT_TRUE(clean.Open(i)) << i;
  EXPECT_FALSE(clean.Open(0));
}

TEST(TapeDecoder, HissAroundTheDumpAddsNoFrames) {
  const std::vector<uint8_t> bytes = testing::PatternBytes(400, 6);
  testing::WaveOptions o;
  o.silence = 2.0;
  o.amplitude = 0.6;
  std::vector<double> signal = testing::SynthesizeDump(bytes, 44100, o);
  testing::NoiseSource noise(3);
  // Hiss at about -27 dBFS RMS in the silences only: over 1/15 of full scale at its peaks.
  const size_t lead = size_t(2.0 * 44100);
  for (size_t i = 0; i < signal.size(); ++i)
    if (i < lead || i >= signal.size() - lead) signal[i] += 0.077 * noise.Next();
  VectorSampleSource source(signal, 44100);
  TapeDecoder decoder(DecoderSettings{});
  ASSERT_EQ(decoder.Decode(source), DecodeError::kNone);
  EXPECT_EQ(decoder.Bytes(), bytes);
  EXPECT_EQ(decoder.ByteCount(), 400u);
  EXPECT_TRUE(decoder.Certain());
}

TEST(TapeDecoder, SurvivesNotANumberAndInfinityInFloatFiles) {
  std::vector<double> signal = testing::SynthesizeDump(testing::PatternBytes(50, 2), 22050);
  signal[10] = std::numeric_limits<double>::quiet_NaN();
  signal[5000] = std::numeric_limits<double>::infinity();
  signal[7000] = -std::numeric_limits<double>::infinity();
  VectorSampleSource source(signal, 22050);
  TapeDecoder decoder(DecoderSettings{});
  EXPECT_EQ(decoder.Decode(source), DecodeError::kNone);
  EXPECT_EQ(decoder.ByteCount(), 0u) << "a NaN spoils the mean, and nothing decodes";
}

TEST(TapeDecoder, DecodesASignalAndCountsEveryFrame) {
  const std::vector<uint8_t> bytes = testing::PatternBytes(300, 7);
  const std::vector<double> signal = testing::SynthesizeDump(bytes, 22050);
  TapeDecoder decoder(DecoderSettings{});
  VectorSampleSource source(signal, 22050);
  ASSERT_EQ(decoder.Decode(source), DecodeError::kNone);
  EXPECT_EQ(decoder.Bytes(), bytes);
  EXPECT_EQ(decoder.ByteCount(), 300u);
  EXPECT_EQ(decoder.WorkingRateUsed(), 22050.0);
  // Leader, frames and trailer: every symbol is seen (the first from position 0 as well).
  EXPECT_EQ(decoder.SymbolCount(), 300u + 300u * 12u + 30u);
  EXPECT_TRUE(decoder.Certain());

  // Threshold 100 %: nothing is ever above full scale.
  DecoderSettings deaf;
  deaf.threshold = 100;
  TapeDecoder none(deaf);
  ASSERT_EQ(none.Decode(source), DecodeError::kNone);
  EXPECT_EQ(none.ByteCount(), 0u);
  EXPECT_EQ(none.SymbolCount(), 0u);
}

TEST(TapeDecoder, KeepsOnlyAsManyBytesAsTheLongestDumpButCountsAll) {
  const std::vector<uint8_t> bytes = testing::PatternBytes(4100, 3);
  const std::vector<double> signal = testing::SynthesizeDump(bytes, 22050, {});
  TapeDecoder decoder(DecoderSettings{});
  VectorSampleSource source(signal, 22050);
  ASSERT_EQ(decoder.Decode(source), DecodeError::kNone);
  EXPECT_EQ(decoder.ByteCount(), 4100u);
  EXPECT_EQ(decoder.Bytes(), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4096));
}

TEST(TapeDecoder, LimitingLeavesQuietSamplesAlone) {
  // Samples beyond 1/15 of full scale are pushed to full scale; quieter ones stay as they
  // are (they are not amplified), so a dump below 1/15 only decodes with a threshold below
  // its level.
  const std::vector<uint8_t> bytes = testing::PatternBytes(40, 9);
  testing::WaveOptions quiet;
  quiet.amplitude = 0.05;
  quiet.flatness = 4;  // flat-topped half-cycles: the crest is where the plateau starts
  const std::vector<double> signal = testing::SynthesizeDump(bytes, 44100, quiet);
  VectorSampleSource source(signal, 44100);
  TapeDecoder standard(DecoderSettings{});
  ASSERT_EQ(standard.Decode(source), DecodeError::kNone);
  EXPECT_EQ(standard.SymbolCount(), 0u);
  DecoderSettings sensitive;
  sensitive.threshold = 2;
  TapeDecoder low(sensitive);
  ASSERT_EQ(low.Decode(source), DecodeError::kNone);
  EXPECT_EQ(low.Bytes(), bytes);

  // Plain sine half-cycles just beyond 1/15 at the crests: the default threshold catches them.
  testing::WaveOptions louder;
  louder.amplitude = 0.09;
  const std::vector<double> loud = testing::SynthesizeDump(bytes, 44100, louder);
  VectorSampleSource loudSource(loud, 44100);
  ASSERT_EQ(standard.Decode(loudSource), DecodeError::kNone);
  EXPECT_EQ(standard.Bytes(), bytes);
}

TEST(TapeDecoder, RefusesRatesTooLowToCarryTheDump) {
  const std::vector<double> signal(100, 0.0);
  VectorSampleSource source(signal, 1000);
  TapeDecoder decoder(DecoderSettings{});
  EXPECT_EQ(decoder.Decode(source), DecodeError::kUnsupported);
}

TEST(TapeDecoder, SettingsAreSharedAcrossTheProcess) {
  const DecoderSettings original = GetDecoderSettings();
  EXPECT_FALSE(original.highPassOn);
  EXPECT_EQ(original.highPassFrequency, 100.0);
  EXPECT_FALSE(original.lowPassOn);
  EXPECT_EQ(original.lowPassFrequency, 5000.0);
  EXPECT_EQ(original.threshold, 50.0);
  DecoderSettings changed = original;
  changed.highPassOn = true;
  changed.threshold = 12;
  SetDecoderSettings(changed);
  EXPECT_TRUE(GetDecoderSettings().highPassOn);
  EXPECT_EQ(GetDecoderSettings().threshold, 12.0);
  SetDecoderSettings(original);
}

}  // namespace
}  // namespace pellory::tape
