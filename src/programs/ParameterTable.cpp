#include "programs/ParameterTable.h"

#include <cmath>
#include <cstdio>

#include "core/Pellory.h"
#include "engine/Tuning.h"

namespace pellory {

namespace {

const char* const kLfoWaveforms[] = {"Off", "Triangle", "Saw Up", "Square"};
const char* const kOctaves[] = {"32'", "16'", "8'", "4'"};
const char* const kKeyboardModes[] = {"Single", "Split", "Double"};
const char* const kVoiceCounts[] = {"6", "16", "32", "64", "Unison"};
const char* const kUpdateRates[] = {"High", "BIT"};
const char* const kStereoModes[] = {"Alternating", "BIT"};
const char* const kOffOn[] = {"Off", "On"};
const char* const kFrequencyScales[] = {"Equal", "BIT"};

// First panel number of every id 0..56; waveforms and octaves span several numbers.
const int kFirstPanelNumber[] = {
    1,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
    22, 23, 24, 28, 29, 30, 31, 32, 33, 34, 35, 39, 40, 41, 42, 43, 44, 45, 46,
    47, 48, 49, 50, 51, 52, 53, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67};
static_assert(sizeof(kFirstPanelNumber) / sizeof(int) == 57, "one panel number per program parameter");

}  // namespace

void FormatVolumeDb(double value, char* text, std::size_t size) {
  if (!(value > 0.0)) {
    CopyText(text, size, "-oo");
    return;
  }
  FormatFixed(20.0 * std::log10(value), 1, text, size);
}

void FormatPanorama(double value, char* text, std::size_t size) {
  char left[64], right[64], both[130];
  FormatFixed(100.0 - 100.0 * value, 0, left, sizeof(left));
  FormatFixed(100.0 * value, 0, right, sizeof(right));
  std::snprintf(both, sizeof(both), "%s:%s", left, right);
  CopyText(text, size, both);
}

void FormatTune(double value, char* text, std::size_t size) { FormatFixed(50.0 * value, 0, text, size); }

void FormatFmFrequency(double value, char* text, std::size_t size) {
  FormatFixed(engine::PitchToFrequency(value), value < 100.0 ? 1 : 0, text, size);
}

void FormatNoteName(double value, char* text, std::size_t size) {
  static const char* const kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  if (!std::isfinite(value)) value = 1.0;
  const long k = std::lround(std::fmax(-1e6, std::fmin(1e6, value)));
  // Floor division so that keys below 1 still name a note instead of indexing before the list.
  const long index = ((k - 1) % 12 + 12) % 12;
  const long octave = (k - 1 - index) / 12 + 1;
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%s%li", kNames[index], octave);
  CopyText(text, size, buffer);
}

int PanelNumberOf(int id, int value) {
  if (id < 0 || id > kUpperLevel) return 0;
  int number = kFirstPanelNumber[id];
  if (id == kLfo1Waveform || id == kLfo2Waveform) number += value > 1 ? value - 1 : 0;
  if (id == kDco1Octave || id == kDco2Octave) number += value > 0 ? value : 0;
  return number;
}

int ParameterOfPanelNumber(int panelNumber) {
  if (panelNumber < 1 || panelNumber > kNumPanelNumbers) return -1;
  int found = -1;
  for (int id = 0; id <= kUpperLevel; ++id)
    if (kFirstPanelNumber[id] <= panelNumber) found = id;
  return found;
}

void Pellory::InitParameters() {
  struct IntParam {
    int id;
    const char* name;
    int def, min, max;
  };
  static const IntParam kInts[] = {
      {1, "LFO 1 to DCO 1", 1, 0, 1},          {2, "LFO 1 to DCO 2", 1, 0, 1},
      {3, "LFO 1 to VCF", 0, 0, 1},            {4, "LFO 1 to VCA", 0, 0, 1},
      {5, "LFO 1 Delay", 0, 0, 63},            {6, "LFO 1 Rate", 25, 0, 63},
      {7, "LFO 1 Rate Dynamic", 0, 0, 63},     {8, "LFO 1 Depth", 0, 0, 63},
      {9, "LFO 1+2 Wheel Amount", 0, 0, 63},   {10, "VCF Attack", 0, 0, 63},
      {11, "VCF Decay", 0, 0, 63},             {12, "VCF Sustain", 0, 0, 63},
      {13, "VCF Release", 1, 0, 63},           {14, "VCF Attack Dynamic", 0, 0, 63},
      {15, "VCF Track", 32, 0, 63},            {16, "VCF Cutoff", 63, 0, 63},
      {17, "VCF Resonance", 0, 0, 63},         {18, "VCF Envelope", 0, 0, 63},
      {19, "VCF Envelope Dynamic", 0, 0, 63},  {20, "VCF Invert Envelope", 0, 0, 1},
      {22, "DCO 1 Triangle", 0, 0, 1},         {23, "DCO 1 Sawtooth", 1, 0, 1},
      {24, "DCO 1 Pulse", 0, 0, 1},            {25, "DCO 1 Frequency", 0, 0, 11},
      {26, "DCO 1 Pulse Width", 15, 0, 30},    {27, "DCO 1 Pulse Width Dynamic", 0, 0, 63},
      {28, "DCO 1 Noise", 0, 0, 63},           {30, "DCO 2 Triangle", 0, 0, 1},
      {31, "DCO 2 Sawtooth", 1, 0, 1},         {32, "DCO 2 Pulse", 0, 0, 1},
      {33, "DCO 2 Frequency", 0, 0, 11},       {34, "DCO 2 Pulse Width", 15, 0, 30},
      {35, "DCO 2 Pulse Width Dynamic", 0, 0, 63}, {36, "DCO 2 Detune", 0, 0, 63},
      {37, "VCA Attack Dynamic", 0, 0, 63},    {38, "VCA Amount Dynamic", 0, 0, 63},
      {39, "VCA Program Volume", 32, 0, 63},   {40, "VCA Attack", 0, 0, 63},
      {41, "VCA Decay", 0, 0, 63},             {42, "VCA Sustain", 63, 0, 63},
      {43, "VCA Release", 1, 0, 63},           {45, "LFO 2 to DCO 1", 0, 0, 1},
      {46, "LFO 2 to DCO 2", 0, 0, 1},         {47, "LFO 2 to VCF", 1, 0, 1},
      {48, "LFO 2 to VCA", 0, 0, 1},           {49, "LFO 2 Delay", 0, 0, 63},
      {50, "LFO 2 Rate", 25, 0, 63},           {51, "LFO 2 Rate Dynamic", 0, 0, 63},
      {52, "LFO 2 Depth", 0, 0, 63},           {53, "Split Point", 25, 1, 61},
      {54, "Upper Transpose", 25, 1, 61},      {55, "Lower Volume", 32, 0, 63},
      {56, "Upper Volume", 32, 0, 63},         {63, "Program Number", 1, 1, 99},
      {64, "Lower Program", 1, 1, 75},         {65, "Upper Program", 1, 1, 75},
      {71, "VCF FM Start", 926, 0, 17280},     {72, "VCF FM Stop", 17280, 0, 17280},
      {74, "Pitch Bend Range", 2, 0, 24},
  };
  struct DoubleParam {
    int id;
    const char* name;
    double def, min, max, step;
  };
  static const DoubleParam kDoubles[] = {
      {57, "Tune", 0.0, -1.0, 1.0, 0.01},           {59, "Lower Volume", 0.5, 0.0, 1.0, 0.01},
      {60, "Upper Volume", 0.5, 0.0, 1.0, 0.01},    {61, "Lower Panorama", 0.5, 0.0, 1.0, 0.01},
      {62, "Upper Panorama", 0.5, 0.0, 1.0, 0.01},  {73, "LFO FM Range", 5.0, 0.0, 12.0, 0.01},
      {75, "Detune Depth", 0.25, 0.0, 2.0, 0.01},   {76, "Detune Init", 0.005, 0.0, 0.1, 0.001},
  };

  // Declared in id order, as hosts list them.
  for (int id = 0; id < kNumParameters; ++id) {
    switch (id) {
      case 0: InitEnum(id, "LFO 1 Waveform", 1, 4, kLfoWaveforms); continue;
      case 21: InitEnum(id, "DCO 1 Octave", 1, 4, kOctaves); continue;
      case 29: InitEnum(id, "DCO 2 Octave", 1, 4, kOctaves); continue;
      case 44: InitEnum(id, "LFO 2 Waveform", 1, 4, kLfoWaveforms); continue;
      case 58: InitEnum(id, "Keyboard Mode", 0, 3, kKeyboardModes); continue;
      case 66: InitEnum(id, "Voices", 0, 5, kVoiceCounts); continue;
      case 67: InitEnum(id, "Update Rate", 0, 2, kUpdateRates); continue;
      case 68: InitEnum(id, "Stereo Mode", 0, 2, kStereoModes); continue;
      case 69: InitEnum(id, "Linked Lower+Upper LFOs", 0, 2, kOffOn); continue;
      case 70: InitEnum(id, "Frequency Scale", 0, 2, kFrequencyScales); continue;
      default: break;
    }
    for (const IntParam& p : kInts)
      if (p.id == id) GetParameter(id)->InitInt(p.name, p.def, p.min, p.max);
    for (const DoubleParam& p : kDoubles)
      if (p.id == id) GetParameter(id)->InitDouble(p.name, p.def, p.min, p.max, p.step);
  }
  GetParameter(kLowerVolume)->SetFormatter(&FormatVolumeDb);
  GetParameter(kUpperVolume)->SetFormatter(&FormatVolumeDb);
  GetParameter(kLowerPanorama)->SetFormatter(&FormatPanorama);
  GetParameter(kUpperPanorama)->SetFormatter(&FormatPanorama);
  GetParameter(kTune)->SetFormatter(&FormatTune);
  GetParameter(kVcfFmStart)->SetFormatter(&FormatFmFrequency);
  GetParameter(kVcfFmStop)->SetFormatter(&FormatFmFrequency);
}

}  // namespace pellory
