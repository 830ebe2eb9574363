#pragma once
// A cassette-dump encoder for tests and benchmarks: bytes -> 12-symbol frames -> a train of
// sine half-cycles (1 ms for a 1, two of 0.5 ms for a 0) -> WAV files in any accepted format,
// with the faults of real tapes added on request. Header-only so that tests, benchmarks and
// the fuzz seed generator share it without a library of their own.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace pellory::tape::testing {

// Start 1, start 0, eight data bits LSB first, even parity, stop 1; a run of 1s before and
// after, as a recorder's leader and trailer.
inline std::vector<int> EncodeSymbols(const std::vector<uint8_t>& bytes, int leader = 300, int trailer = 30) {
  std::vector<int> symbols(size_t(leader), 1);
  for (uint8_t b : bytes) {
    symbols.push_back(1);
    symbols.push_back(0);
    int parity = 0;
    for (int bit = 0; bit < 8; ++bit) {
      const int v = (b >> bit) & 1;
      symbols.push_back(v);
      parity ^= v;
    }
    symbols.push_back(parity);
    symbols.push_back(1);
  }
  symbols.insert(symbols.end(), size_t(trailer), 1);
  return symbols;
}

struct WaveOptions {
  double amplitude = 0.5;
  double levelSwing = 0.0;     // relative amplitude change: amp * (1 + swing * sin(2 pi t / period))
  double levelPeriod = 5.0;    // seconds
  double dcOffset = 0.0;
  double noise = 0.0;          // peak of uniform white noise
  double humAmplitude = 0.0;
  double humFrequency = 50.0;
  double whineAmplitude = 0.0;
  double whineFrequency = 15000.0;
  double flatness = 1.0;       // above 1: each half-cycle is a sine scaled by this and clipped
  double speed = 1.0;          // tape speed: 1.02 plays 2 % fast
  double silence = 0.05;       // seconds of quiet before and after the dump
  uint32_t seed = 1;
};

class NoiseSource {
 public:
  explicit NoiseSource(uint32_t seed) : state_(seed ? seed : 1) {}
  // Uniform in -1..1.
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_ / 2147483647.5 - 1.0;
  }

 private:
  uint32_t state_;
};

// Half-cycle durations in seconds for a symbol list.
inline std::vector<double> HalfCycles(const std::vector<int>& symbols, double speed = 1.0) {
  std::vector<double> halves;
  halves.reserve(symbols.size() * 2);
  for (int s : symbols) {
    if (s) {
      halves.push_back(0.001 / speed);
    } else {
      halves.push_back(0.0005 / speed);
      halves.push_back(0.0005 / speed);
    }
  }
  return halves;
}

inline std::vector<double> SynthesizeHalfCycles(const std::vector<double>& halves, double rate,
                                                 const WaveOptions& o = {}) {
  double total = 2 * o.silence;
  for (double h : halves) total += h;
  const size_t n = size_t(std::ceil(total * rate));
  std::vector<double> out(n);
  NoiseSource noise(o.seed);
  const double pi = 3.14159265358979323846;
  size_t half = 0;
  double start = o.silence;  // start time of the current half-cycle
  double sign = 1.0;
  for (size_t i = 0; i < n; ++i) {
    const double t = double(i) / rate;
    while (half < halves.size() && t >= start + halves[half]) {
      start += halves[half++];
      sign = -sign;
    }
    double v = 0.0;
    if (half < halves.size() && t >= start) {
      const double level = o.amplitude * (1.0 + o.levelSwing * std::sin(2 * pi * t / o.levelPeriod));
      double shape = o.flatness * std::sin(pi * (t - start) / halves[half]);
      if (shape > 1.0) shape = 1.0;
      v = sign * level * shape;
    }
    v += o.dcOffset;
    if (o.noise != 0.0) v += o.noise * noise.Next();
    if (o.humAmplitude != 0.0) v += o.humAmplitude * std::sin(2 * pi * o.humFrequency * t);
    if (o.whineAmplitude != 0.0) v += o.whineAmplitude * std::sin(2 * pi * o.whineFrequency * t);
    out[i] = v;
  }
  return out;
}

inline std::vector<double> SynthesizeDump(const std::vector<uint8_t>& bytes, double rate,
                                          const WaveOptions& o = {}) {
  return SynthesizeHalfCycles(HalfCycles(EncodeSymbols(bytes), o.speed), rate, o);
}

enum class SampleFormat { kPcm8, kPcm16, kPcm24, kFloat32, kFloat64 };

inline int BitsOf(SampleFormat f) {
  switch (f) {
    case SampleFormat::kPcm8: return 8;
    case SampleFormat::kPcm16: return 16;
    case SampleFormat::kPcm24: return 24;
    case SampleFormat::kFloat32: return 32;
    case SampleFormat::kFloat64: return 64;
  }
  return 0;
}

inline const char* NameOf(SampleFormat f) {
  switch (f) {
    case SampleFormat::kPcm8: return "pcm8";
    case SampleFormat::kPcm16: return "pcm16";
    case SampleFormat::kPcm24: return "pcm24";
    case SampleFormat::kFloat32: return "float32";
    case SampleFormat::kFloat64: return "float64";
  }
  return "?";
}

inline void PutLe(std::vector<uint8_t>& out, uint64_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(uint8_t(v >> (8 * k)));
}

inline void PutId(std::vector<uint8_t>& out, const char* id) { out.insert(out.end(), id, id + 4); }

// A "fmt " chunk of 16 bytes.
inline void PutFormatChunk(std::vector<uint8_t>& out, int tag, int channels, uint32_t rate, int bits) {
  PutId(out, "fmt ");
  PutLe(out, 16, 4);
  PutLe(out, uint64_t(tag), 2);
  PutLe(out, uint64_t(channels), 2);
  PutLe(out, rate, 4);
  const int align = channels * (bits / 8);
  PutLe(out, uint64_t(rate) * uint64_t(align), 4);
  PutLe(out, uint64_t(align), 2);
  PutLe(out, uint64_t(bits), 2);
}

inline void PutSample(std::vector<uint8_t>& out, double v, SampleFormat f) {
  auto clamp = [](double x, double lo, double hi) { return x < lo ? lo : (x > hi ? hi : x); };
  switch (f) {
    case SampleFormat::kPcm8:
      out.push_back(uint8_t(clamp(std::lround(v * 128.0) + 128.0, 0, 255)));
      break;
    case SampleFormat::kPcm16:
      PutLe(out, uint64_t(int64_t(clamp(std::lround(v * 32768.0), -32768, 32767))), 2);
      break;
    case SampleFormat::kPcm24:
      PutLe(out, uint64_t(int64_t(clamp(std::lround(v * 8388608.0), -8388608, 8388607))), 3);
      break;
    case SampleFormat::kFloat32: {
      const float x = float(v);
      uint32_t bits;
      std::memcpy(&bits, &x, 4);
      PutLe(out, bits, 4);
      break;
    }
    case SampleFormat::kFloat64: {
      uint64_t bits;
      std::memcpy(&bits, &v, 8);
      PutLe(out, bits, 8);
      break;
    }
  }
}

// A complete WAV file; channels[0] is the left channel. Shorter channels are padded with 0.
inline std::vector<uint8_t> MakeWav(const std::vector<std::vector<double>>& channels, uint32_t rate,
                                    SampleFormat format) {
  const int bits = BitsOf(format);
  const bool isFloat = format == SampleFormat::kFloat32 || format == SampleFormat::kFloat64;
  size_t frames = 0;
  for (const auto& c : channels) frames = c.size() > frames ? c.size() : frames;
  const uint64_t dataLength = uint64_t(frames) * channels.size() * uint64_t(bits / 8);
  std::vector<uint8_t> out;
  out.reserve(size_t(dataLength) + 64);
  PutId(out, "RIFF");
  PutLe(out, 4 + 24 + 8 + dataLength, 4);
  PutId(out, "WAVE");
  PutFormatChunk(out, isFloat ? 3 : 1, int(channels.size()), rate, bits);
  PutId(out, "data");
  PutLe(out, dataLength, 4);
  for (size_t i = 0; i < frames; ++i)
    for (const auto& c : channels) PutSample(out, i < c.size() ? c[i] : 0.0, format);
  return out;
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// A deterministic dump body: every byte value occurs, neighbours differ.
inline std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed) {
  std::vector<uint8_t> bytes(count);
  NoiseSource noise(seed);
  for (size_t i = 0; i < count; ++i) bytes[i] = uint8_t(int((noise.Next() + 1.0) * 128.0) ^ int(i));
  return bytes;
}

}  // namespace pellory::tape::testing
