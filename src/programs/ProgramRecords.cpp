#include "programs/ProgramRecords.h"

#include <cmath>

namespace pellory {

namespace {

const char* const kWaveTexts[] = {"Off", "Triangle", "Saw Up", "Square"};
const char* const kOctaveTexts[] = {"32'", "16'", "8'", "4'"};

const ProgramParameterInfo kInfo[kNumProgramValues] = {
    {0, "LFO 1 Waveform", 0, 3, 1, kWaveTexts},
    {1, "LFO 1 to DCO 1", 0, 1, 1, nullptr},
    {2, "LFO 1 to DCO 2", 0, 1, 1, nullptr},
    {3, "LFO 1 to VCF", 0, 1, 0, nullptr},
    {4, "LFO 1 to VCA", 0, 1, 0, nullptr},
    {5, "LFO 1 Delay", 0, 63, 0, nullptr},
    {6, "LFO 1 Rate", 0, 63, 25, nullptr},
    {7, "LFO 1 Rate Dynamic", 0, 63, 0, nullptr},
    {8, "LFO 1 Depth", 0, 63, 0, nullptr},
    {9, "LFO 1+2 Wheel Amount", 0, 63, 0, nullptr},
    {10, "VCF Attack", 0, 63, 0, nullptr},
    {11, "VCF Decay", 0, 63, 0, nullptr},
    {12, "VCF Sustain", 0, 63, 0, nullptr},
    {13, "VCF Release", 0, 63, 1, nullptr},
    {14, "VCF Attack Dynamic", 0, 63, 0, nullptr},
    {15, "VCF Track", 0, 63, 32, nullptr},
    {16, "VCF Cutoff", 0, 63, 63, nullptr},
    {17, "VCF Resonance", 0, 63, 0, nullptr},
    {18, "VCF Envelope", 0, 63, 0, nullptr},
    {19, "VCF Envelope Dynamic", 0, 63, 0, nullptr},
    {20, "VCF Invert Envelope", 0, 1, 0, nullptr},
    {21, "DCO 1 Octave", 0, 3, 1, kOctaveTexts},
    {22, "DCO 1 Triangle", 0, 1, 0, nullptr},
    {23, "DCO 1 Sawtooth", 0, 1, 1, nullptr},
    {24, "DCO 1 Pulse", 0, 1, 0, nullptr},
    {25, "DCO 1 Frequency", 0, 11, 0, nullptr},
    {26, "DCO 1 Pulse Width", 0, 30, 15, nullptr},
    {27, "DCO 1 Pulse Width Dynamic", 0, 63, 0, nullptr},
    {28, "DCO 1 Noise", 0, 63, 0, nullptr},
    {29, "DCO 2 Octave", 0, 3, 1, kOctaveTexts},
    {30, "DCO 2 Triangle", 0, 1, 0, nullptr},
    {31, "DCO 2 Sawtooth", 0, 1, 1, nullptr},
    {32, "DCO 2 Pulse", 0, 1, 0, nullptr},
    {33, "DCO 2 Frequency", 0, 11, 0, nullptr},
    {34, "DCO 2 Pulse Width", 0, 30, 15, nullptr},
    {35, "DCO 2 Pulse Width Dynamic", 0, 63, 0, nullptr},
    {36, "DCO 2 Detune", 0, 63, 0, nullptr},
    {37, "VCA Attack Dynamic", 0, 63, 0, nullptr},
    {38, "VCA Amount Dynamic", 0, 63, 0, nullptr},
    {39, "VCA Program Volume", 0, 63, 32, nullptr},
    {40, "VCA Attack", 0, 63, 0, nullptr},
    {41, "VCA Decay", 0, 63, 0, nullptr},
    {42, "VCA Sustain", 0, 63, 63, nullptr},
    {43, "VCA Release", 0, 63, 1, nullptr},
    {44, "LFO 2 Waveform", 0, 3, 1, kWaveTexts},
    {45, "LFO 2 to DCO 1", 0, 1, 0, nullptr},
    {46, "LFO 2 to DCO 2", 0, 1, 0, nullptr},
    {47, "LFO 2 to VCF", 0, 1, 1, nullptr},
    {48, "LFO 2 to VCA", 0, 1, 0, nullptr},
    {49, "LFO 2 Delay", 0, 63, 0, nullptr},
    {50, "LFO 2 Rate", 0, 63, 25, nullptr},
    {51, "LFO 2 Rate Dynamic", 0, 63, 0, nullptr},
    {52, "LFO 2 Depth", 0, 63, 0, nullptr},
};

// Bytes 0..9 and 14..23 hold a 0..63 value times 4 (the instrument's eight-bit scale).
struct ScaledByte {
  int byte;
  int id;
};
const ScaledByte kTimesFour[] = {{0, 9},   {1, 8},   {2, 7},   {3, 52},  {4, 51},  {6, 39},  {7, 28},
                                 {8, 27},  {9, 35},  {14, 16}, {15, 17}, {16, 12}, {17, 18}, {18, 15},
                                 {19, 14}, {20, 19}, {21, 42}, {22, 37}, {23, 38}};
// Bytes 24..33 hold the value itself.
const ScaledByte kPlain[] = {{24, 10}, {25, 11}, {26, 13}, {27, 40}, {28, 41},
                             {29, 43}, {30, 5},  {31, 49}, {32, 6},  {33, 50}};
// Switch bits: byte 34 bit 7..0, byte 36 bits 5..0.
const int kRoutingBits[8] = {1, 2, 3, 4, 45, 46, 47, 48};  // bit 0 .. bit 7 of byte 34
const int kWaveBits[6] = {24, 32, 23, 31, 22, 30};         // bit 0 .. bit 5 of byte 36

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

int IntegerValue(double v, int id) {
  const ProgramParameterInfo& info = kInfo[id];
  if (!std::isfinite(v)) return info.minimum;
  if (v < info.minimum) return info.minimum;
  if (v > info.maximum) return info.maximum;
  return static_cast<int>(v);
}

}  // namespace

const ProgramParameterInfo& GetProgramParameterInfo(int id) { return kInfo[Clamp(id, 0, kNumProgramValues - 1)]; }

PrgValues DecodePrgRecord(const uint8_t* r) {
  PrgValues v{};
  for (const ScaledByte& s : kTimesFour) v[s.id] = r[s.byte] / 4;
  for (const ScaledByte& s : kPlain) v[s.id] = r[s.byte] > 63 ? 63 : r[s.byte];
  // The detune byte is offset by 128; anything below reads as no detune.
  v[36] = r[5] >= 128 ? (r[5] - 128) / 2 : 0;
  if (v[36] > 63) v[36] = 63;
  v[25] = r[10] % 12;
  v[21] = r[10] / 12 < 4 ? r[10] / 12 : 0;
  v[33] = r[11] % 12;
  v[29] = r[11] / 12 <= 3 ? r[11] / 12 : 0;
  v[26] = r[12] > 247 ? 30 : r[12] / 8;
  v[34] = r[13] > 247 ? 30 : r[13] / 8;
  for (int bit = 0; bit < 8; ++bit) v[kRoutingBits[bit]] = (r[34] >> bit) & 1;
  v[20] = (r[35] >> 7) & 1;
  v[44] = (r[35] >> 2) & 3;
  v[0] = r[35] & 3;
  for (int bit = 0; bit < 6; ++bit) v[kWaveBits[bit]] = (r[36] >> bit) & 1;
  return v;
}

PrgRecord EncodePrgRecord(const double* values) {
  PrgValues v{};
  for (int id = 0; id < kNumProgramValues; ++id) {
    // Switches count as on from half way, as a knob position would.
    if (kInfo[id].maximum == 1 && kInfo[id].enumTexts == nullptr)
      v[id] = std::isfinite(values[id]) && values[id] >= 0.5 ? 1 : 0;
    else
      v[id] = IntegerValue(values[id], id);
  }
  return EncodePrgRecord(v);
}

PrgRecord EncodePrgRecord(const PrgValues& in) {
  PrgValues v{};
  for (int id = 0; id < kNumProgramValues; ++id) v[id] = Clamp(in[id], kInfo[id].minimum, kInfo[id].maximum);
  PrgRecord r{};
  for (const ScaledByte& s : kTimesFour) r[s.byte] = static_cast<uint8_t>(v[s.id] * 4);
  for (const ScaledByte& s : kPlain) r[s.byte] = static_cast<uint8_t>(v[s.id]);
  r[5] = static_cast<uint8_t>((128 + 2 * v[36]) % 256);
  r[10] = static_cast<uint8_t>(v[21] * 12 + v[25]);
  r[11] = static_cast<uint8_t>(v[29] * 12 + v[33]);
  r[12] = static_cast<uint8_t>(v[26] * 8);
  r[13] = static_cast<uint8_t>(v[34] * 8);
  uint8_t routing = 0;
  for (int bit = 0; bit < 8; ++bit)
    if (v[kRoutingBits[bit]]) routing |= static_cast<uint8_t>(1 << bit);
  r[34] = routing;
  r[35] = static_cast<uint8_t>((v[20] ? 0x80 : 0) | (v[44] << 2) | v[0]);
  uint8_t waves = 0;
  for (int bit = 0; bit < 6; ++bit)
    if (v[kWaveBits[bit]]) waves |= static_cast<uint8_t>(1 << bit);
  r[36] = waves;
  return r;
}

CombiValues DecodeCombiRecord(const uint8_t* r) {
  CombiValues c;
  auto program = [](int b) { return b == 0 ? 1 : b > kNumPrgs ? kNumPrgs : b; };
  c.lowerProgram = program(r[0]);
  c.upperProgram = program(r[1]);
  c.keyboardMode = r[2] > 2 ? 2 : r[2];
  c.splitPoint = r[3] + 1 > 61 ? 61 : r[3] + 1;
  c.upperTranspose = r[4] + 1 > 61 ? 61 : r[4] + 1;
  c.lowerLevel = r[5] / 4;
  c.upperLevel = r[6] / 4;
  return c;
}

CombiRecord EncodeCombiRecord(const CombiValues& c) {
  CombiRecord r{};
  r[0] = static_cast<uint8_t>(Clamp(c.lowerProgram, 1, kNumPrgs));
  r[1] = static_cast<uint8_t>(Clamp(c.upperProgram, 1, kNumPrgs));
  r[2] = static_cast<uint8_t>(Clamp(c.keyboardMode, 0, 2));
  r[3] = static_cast<uint8_t>(Clamp(c.splitPoint, 1, 61) - 1);
  r[4] = static_cast<uint8_t>(Clamp(c.upperTranspose, 1, 61) - 1);
  r[5] = static_cast<uint8_t>(Clamp(c.lowerLevel, 0, 63) * 4);
  r[6] = static_cast<uint8_t>(Clamp(c.upperLevel, 0, 63) * 4);
  return r;
}

}  // namespace pellory
