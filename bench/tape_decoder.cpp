// Tape-dump decoding speed on a long recording held in memory (the file system is left out so
// that the numbers describe the decoder). The counter "x_realtime" is seconds of recording
// decoded per second.
#include <benchmark/benchmark.h>

#include <vector>

#include "../tests/unit/tape/TapeEncoder.h"
#include "programs/tape/TapeDecoder.h"

namespace {

using namespace pellory::tape;

// Three minutes of dump signal (about 14800 bytes of frames) with noise, stereo.
const std::vector<uint8_t>& Recording(uint32_t rate, testing::SampleFormat format) {
  static std::vector<uint8_t> wav;
  static uint32_t madeRate = 0;
  static testing::SampleFormat madeFormat{};
  if (wav.empty() || madeRate != rate || madeFormat != format) {
    testing::WaveOptions o;
    o.amplitude = 0.4;
    o.noise = 0.02;
    o.dcOffset = 0.05;
    const std::vector<double> left = testing::SynthesizeDump(testing::PatternBytes(14800, 1), rate, o);
    const std::vector<double> right(left.rbegin(), left.rend());
    wav = testing::MakeWav({left, right}, rate, format);
    madeRate = rate;
    madeFormat = format;
  }
  return wav;
}

void Decode(benchmark::State& state, uint32_t rate, testing::SampleFormat format, bool filters) {
  const std::vector<uint8_t>& wav = Recording(rate, format);
  DecoderSettings settings;
  settings.highPassOn = filters;
  settings.highPassFrequency = 200;
  settings.lowPassOn = filters;
  double seconds = 0.0;
  for (auto _ : state) {
    MemoryByteSource source(wav.data(), wav.size());
    TapeDecoder decoder(settings);
    benchmark::DoNotOptimize(decoder.Decode(source));
    benchmark::DoNotOptimize(decoder.ByteCount());
    seconds = double(decoder.Format().frames) / rate;
  }
  state.counters["audio_s"] = seconds;
  state.counters["x_realtime"] = benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_TapeDecode_44k_16bit_stereo_3min(benchmark::State& state) {
  Decode(state, 44100, testing::SampleFormat::kPcm16, false);
}
void BM_TapeDecode_44k_16bit_stereo_3min_filters(benchmark::State& state) {
  Decode(state, 44100, testing::SampleFormat::kPcm16, true);
}
void BM_TapeDecode_8k_8bit_stereo_3min_resampled(benchmark::State& state) {
  Decode(state, 8000, testing::SampleFormat::kPcm8, false);
}

BENCHMARK(BM_TapeDecode_44k_16bit_stereo_3min)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TapeDecode_44k_16bit_stereo_3min_filters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TapeDecode_8k_8bit_stereo_3min_resampled)->Unit(benchmark::kMillisecond);

}  // namespace
