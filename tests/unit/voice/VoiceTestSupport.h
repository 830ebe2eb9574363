#pragma once
// Rendering and measuring helpers for driving the plug-in as a host does: parameters through the
// parameter model, MIDI through HandleMidiMessage, audio from ProcessBlock.
#include <cmath>
#include <vector>

#include "../core/TestSupport.h"

namespace pellory::test {

struct Stereo {
  std::vector<double> left, right;
};

// Renders frames samples in host buffers of at most 512 and appends them to out.
inline void RenderInto(Instance& t, int frames, Stereo& out) {
  while (frames > 0) {
    const int n = frames < 512 ? frames : 512;
    t.Process(n);
    out.left.insert(out.left.end(), t.left.begin(), t.left.end());
    out.right.insert(out.right.end(), t.right.begin(), t.right.end());
    frames -= n;
  }
}

inline Stereo Render(Instance& t, int frames) {
  Stereo out;
  RenderInto(t, frames, out);
  return out;
}

inline void Set(Instance& t, int id, double plain) { t.plug->SetParameterAndNotify(id, plain); }

inline void NoteOn(Instance& t, int note, int velocity = 127, int offset = 0) { t.Midi(offset, 0x90, note, velocity); }
inline void NoteOff(Instance& t, int note, int offset = 0) { t.Midi(offset, 0x80, note, 0); }

inline double Rms(const std::vector<double>& x, std::size_t from = 0, std::size_t to = 0) {
  if (to == 0 || to > x.size()) to = x.size();
  double sum = 0.0;
  for (std::size_t i = from; i < to; ++i) sum += x[i] * x[i];
  return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

// Fundamental of a periodic signal with one upward zero crossing per period (a sawtooth),
// from the first and last crossings, interpolated between samples.
inline double ZeroCrossingFrequency(const std::vector<double>& x, double sampleRate, std::size_t from) {
  double first = -1.0, last = -1.0;
  int count = 0;
  for (std::size_t i = from + 1; i < x.size(); ++i) {
    if (x[i - 1] < 0.0 && x[i] >= 0.0) {
      const double t = static_cast<double>(i - 1) + x[i - 1] / (x[i - 1] - x[i]);
      if (first < 0.0) first = t;
      last = t;
      ++count;
    }
  }
  return count > 1 ? (count - 1) * sampleRate / (last - first) : 0.0;
}

inline double Cents(double f, double reference) { return 1200.0 * std::log2(f / reference); }

// A plain sound, whatever program is loaded: DCO 1 sawtooth only at 16', filter open without
// key tracking, envelope or resonance, no detune, no LFO, VCA at full sustain with the given
// release.
inline void PlainSawtooth(Instance& t, int release = 1) {
  const int settings[][2] = {
      {10, 0}, {11, 0}, {12, 63}, {13, 1},  {14, 0}, {15, 0}, {16, 63}, {17, 0},  {18, 0},
      {19, 0}, {20, 0}, {21, 1},  {22, 0},  {23, 1}, {24, 0}, {25, 0},  {27, 0},  {28, 0},
      {29, 1}, {30, 0}, {31, 0},  {32, 0},  {33, 0}, {35, 0}, {36, 0},  {37, 0},  {38, 0},
      {39, 63}, {40, 0}, {41, 0}, {42, 63}, {8, 0},  {52, 0}, {9, 0},   {1, 0},   {2, 0},
      {3, 0},  {4, 0},  {45, 0},  {46, 0},  {47, 0}, {48, 0}, {70, 0},  {71, 0},  {72, 17280}};
  for (const auto& s : settings) Set(t, s[0], s[1]);
  Set(t, 57, 0.0);  // Tune
  Set(t, 76, 0.0);  // Detune Init
  Set(t, 43, release);
}

// Voices of the engine whose key is down for this note.
inline int KeysDown(Pellory& plug, int note) {
  int count = 0;
  for (int i = 0; i < engine::Engine::kNumVoices; ++i) {
    const engine::Voice& v = plug.GetEngine().GetVoice(i);
    if (v.Gate() && v.Note() == note) ++count;
  }
  return count;
}

}  // namespace pellory::test
