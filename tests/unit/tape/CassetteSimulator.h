#pragma once
// A cassette and sound card between the encoder and the decoder: tape speed error, wow and
// flutter, hiss in the silences and over the tone, mains hum with harmonics, dropouts, the
// deck's high-frequency loss, and the WAV headers recorders write (extensible, unfinished).
// Every fault is seeded, so a trial that goes wrong can be replayed exactly.
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "TapeEncoder.h"
#include "programs/ProgramRecords.h"

namespace pellory::tape::testing {

enum class WavHeader {
  kPlain,
  kExtensible,       // tag 0xFFFE with the PCM or float sub-format
  kUnfinished,       // data length 0xFFFFFFFF, as a recorder leaves it when it is stopped hard
  kLengthTooLong,    // data length a little larger than the file
};

struct Cassette {
  uint32_t rate = 22050;
  SampleFormat format = SampleFormat::kPcm16;
  WavHeader header = WavHeader::kPlain;
  double level = 0.5;           // tone peak, full scale 1
  double speed = 1.0;           // 1.05 plays 5 % fast
  double wowDepth = 0.0;        // relative speed swing of the slow wander (0.5 Hz)
  double flutterDepth = 0.0;    // relative speed swing of the fast one (8 Hz)
  double leadSilence = 0.3;     // seconds before and after the tone
  double tailSilence = 0.3;
  int leader = 300;             // 1 symbols before the first frame and after the last
  int trailer = 30;
  double silenceHissDbfs = -std::numeric_limits<double>::infinity();  // RMS, silences only
  double toneSnrDb = std::numeric_limits<double>::infinity();         // tone RMS to hiss RMS
  double humLevel = 0.0;        // 50 Hz peak relative to the tone peak; harmonics at 1/k^2
  int humHarmonics = 1;
  int dropouts = 0;             // at random places within the frames
  double dropoutMs = 0.0;
  double dropoutDepth = 0.05;   // level left inside a dropout
  double deckLowPassHz = 0.0;   // second-order roll-off of the playback head, 0 none
  uint32_t seed = 1;
};

class GaussianNoise {
 public:
  explicit GaussianNoise(uint32_t seed) : uniform_(seed * 2654435761u + 1) {}
  double Next() {
    if (haveSpare_) {
      haveSpare_ = false;
      return spare_;
    }
    double u, v, s;
    do {
      u = uniform_.Next();
      v = uniform_.Next();
      s = u * u + v * v;
    } while (s >= 1.0 || s == 0.0);
    const double f = std::sqrt(-2.0 * std::log(s) / s);
    spare_ = v * f;
    haveSpare_ = true;
    return u * f;
  }

 private:
  NoiseSource uniform_;
  double spare_ = 0.0;
  bool haveSpare_ = false;
};

// A valid later-model dump: PRG and Combi records as the instrument writes them (values in
// range), the rest of the memory image arbitrary.
inline std::vector<uint8_t> ValidLaterDump(uint32_t seed) {
  std::vector<uint8_t> dump = PatternBytes(4096, seed);
  NoiseSource noise(seed * 7 + 3);
  auto pick = [&](int lo, int hi) { return lo + int((noise.Next() + 1.0) * 0.5 * (hi - lo + 0.999)); };
  for (int n = 0; n < kNumPrgs; ++n) {
    PrgValues v{};
    for (int id = 0; id < kNumProgramValues; ++id) {
      const ProgramParameterInfo& info = GetProgramParameterInfo(id);
      v[size_t(id)] = pick(info.minimum, info.maximum);
    }
    const PrgRecord r = EncodePrgRecord(v);
    std::copy(r.begin(), r.end(), dump.begin() + 896 + 37 * n);
  }
  for (int n = 0; n < kNumCombis; ++n) {
    CombiValues c;
    c.lowerProgram = pick(1, 75);
    c.upperProgram = pick(1, 75);
    c.keyboardMode = pick(0, 2);
    c.splitPoint = pick(1, 61);
    c.upperTranspose = pick(1, 61);
    c.lowerLevel = pick(0, 63);
    c.upperLevel = pick(0, 63);
    const CombiRecord r = EncodeCombiRecord(c);
    std::copy(r.begin(), r.end(), dump.begin() + 3671 + 7 * n);
  }
  return dump;
}

// The dump as the sound card hands it over: the first channel, before the WAV container.
inline std::vector<double> RecordCassette(const std::vector<uint8_t>& bytes, const Cassette& c) {
  const double pi = 3.14159265358979323846;
  const std::vector<int> symbols = EncodeSymbols(bytes, c.leader, c.trailer);
  // Half-cycle lengths on tape; playback time runs at the momentary speed.
  std::vector<double> ends;  // playback end time of each half-cycle
  ends.reserve(symbols.size() * 2);
  double t = c.leadSilence;
  const double wowPhase = 6.283 * double(c.seed % 97) / 97.0;
  auto add = [&](double tapeLength) {
    const double speed = c.speed * (1.0 + c.wowDepth * std::sin(2 * pi * 0.5 * t + wowPhase) +
                                    c.flutterDepth * std::sin(2 * pi * 8.0 * t + 2.0 * wowPhase));
    t += tapeLength / speed;
    ends.push_back(t);
  };
  for (int s : symbols) {
    if (s) {
      add(0.001);
    } else {
      add(0.0005);
      add(0.0005);
    }
  }
  const double toneStart = c.leadSilence;
  const double toneEnd = t;
  const size_t n = size_t(std::ceil((toneEnd + c.tailSilence) * c.rate));
  std::vector<double> out(n, 0.0);

  // Dropouts: placed among the frames, each with 1 ms edges.
  NoiseSource place(c.seed * 31 + 7);
  std::vector<double> dropStart;
  const double framesStart = toneStart + c.leader * 0.001 / c.speed;
  const double framesLength = bytes.size() * 0.012 / c.speed;
  for (int k = 0; k < c.dropouts; ++k) dropStart.push_back(framesStart + (place.Next() + 1.0) * 0.5 * framesLength);
  auto gain = [&](double time) {
    double g = 1.0;
    for (double s : dropStart) {
      const double e = s + c.dropoutMs * 0.001;
      double inside = 0.0;
      if (time >= s - 0.001 && time <= e + 0.001) {
        inside = 1.0;
        if (time < s) inside = 1.0 - (s - time) / 0.001;
        if (time > e) inside = 1.0 - (time - e) / 0.001;
      }
      g = std::fmin(g, 1.0 - inside * (1.0 - c.dropoutDepth));
    }
    return g;
  };

  size_t half = 0;
  double start = toneStart;
  double sign = 1.0;
  for (size_t i = 0; i < n; ++i) {
    const double time = double(i) / c.rate;
    if (time < toneStart || half >= ends.size()) continue;
    while (half < ends.size() && time >= ends[half]) {
      start = ends[half++];
      sign = -sign;
    }
    if (half >= ends.size()) continue;
    out[i] = sign * c.level * std::sin(pi * (time - start) / (ends[half] - start));
    if (c.dropouts) out[i] *= gain(time);
  }

  // The playback head's loss of treble (a second-order Butterworth section).
  if (c.deckLowPassHz > 0.0 && c.deckLowPassHz < 0.45 * c.rate) {
    const double k = std::tan(pi * c.deckLowPassHz / c.rate);
    const double norm = 1.0 / (1.0 + std::sqrt(2.0) * k + k * k);
    const double b0 = k * k * norm, b1 = 2 * b0, b2 = b0;
    const double a1 = 2 * (k * k - 1) * norm, a2 = (1 - std::sqrt(2.0) * k + k * k) * norm;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& s : out) {
      const double y = b0 * s + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
      x2 = x1;
      x1 = s;
      y2 = y1;
      y1 = y;
      s = y;
    }
  }

  GaussianNoise hiss(c.seed);
  const double toneRms = c.level / std::sqrt(2.0);
  const double toneHiss = std::isfinite(c.toneSnrDb) ? toneRms * std::pow(10.0, -c.toneSnrDb / 20.0) : 0.0;
  const double silenceHiss = std::isfinite(c.silenceHissDbfs) ? std::pow(10.0, c.silenceHissDbfs / 20.0) : 0.0;
  const double humPhase = 6.283 * double(c.seed % 13) / 13.0;
  for (size_t i = 0; i < n; ++i) {
    const double time = double(i) / c.rate;
    const bool inTone = time >= toneStart && time < toneEnd;
    // Tape hiss lies under the whole recording; the silences get at least their own level.
    const double h = inTone ? toneHiss : std::fmax(toneHiss, silenceHiss);
    if (h > 0.0) out[i] += h * hiss.Next();
    for (int k = 1; k <= c.humHarmonics && c.humLevel > 0.0; ++k)
      out[i] += c.level * c.humLevel / (k * k) * std::sin(2 * pi * 50.0 * k * time + k * humPhase);
  }
  return out;
}

// A "fmt " chunk of 40 bytes with WAVE_FORMAT_EXTENSIBLE and the sub-format GUID.
inline void PutExtensibleFormatChunk(std::vector<uint8_t>& out, int subTag, int channels, uint32_t rate,
                                     int bits) {
  PutId(out, "fmt ");
  PutLe(out, 40, 4);
  PutLe(out, 0xFFFE, 2);
  PutLe(out, uint64_t(channels), 2);
  PutLe(out, rate, 4);
  const int align = channels * (bits / 8);
  PutLe(out, uint64_t(rate) * uint64_t(align), 4);
  PutLe(out, uint64_t(align), 2);
  PutLe(out, uint64_t(bits), 2);
  PutLe(out, 22, 2);                          // extension size
  PutLe(out, uint64_t(bits), 2);              // valid bits
  PutLe(out, channels == 1 ? 4 : 3, 4);       // speaker mask
  PutLe(out, uint64_t(subTag), 2);            // GUID 0000xxxx-0000-0010-8000-00AA00389B71
  const uint8_t rest[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  out.insert(out.end(), rest, rest + 14);
}

inline std::vector<uint8_t> MakeCassetteWav(const std::vector<double>& left, const Cassette& c) {
  const int bits = BitsOf(c.format);
  const bool isFloat = c.format == SampleFormat::kFloat32 || c.format == SampleFormat::kFloat64;
  const uint64_t dataLength = uint64_t(left.size()) * uint64_t(bits / 8);
  std::vector<uint8_t> out;
  out.reserve(size_t(dataLength) + 80);
  PutId(out, "RIFF");
  const bool extensible = c.header == WavHeader::kExtensible;
  PutLe(out, c.header == WavHeader::kUnfinished ? 0xFFFFFFFFull : 4 + (extensible ? 48 : 24) + 8 + dataLength, 4);
  PutId(out, "WAVE");
  if (extensible) {
    PutExtensibleFormatChunk(out, isFloat ? 3 : 1, 1, c.rate, bits);
  } else {
    PutFormatChunk(out, isFloat ? 3 : 1, 1, c.rate, bits);
  }
  PutId(out, "data");
  uint64_t declared = dataLength;
  if (c.header == WavHeader::kUnfinished) declared = 0xFFFFFFFFu;
  if (c.header == WavHeader::kLengthTooLong) declared = dataLength + 4096;
  PutLe(out, declared, 4);
  for (double v : left) PutSample(out, v, c.format);
  return out;
}

}  // namespace pellory::tape::testing
