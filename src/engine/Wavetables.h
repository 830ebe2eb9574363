#pragma once
// Band-limited wavetables shared by all oscillators of the process, and the per-rate table of
// phase increments.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/Tuning.h"

namespace pellory::engine {

// Three sets (full sawtooth, sawtooth without every 32nd harmonic, triangle folded from that
// sawtooth) of 22 levels; level i holds WavetableHarmonics(i) harmonics, one cycle of 4096
// samples each.
struct Wavetables {
  static constexpr int kLevels = 22;
  static constexpr int kLength = 4096;

  Wavetables();  // zero-filled; BuildWavetables fills it
  // A copy would need its own alignment; moving keeps the buffers.
  Wavetables(const Wavetables&) = delete;
  Wavetables& operator=(const Wavetables&) = delete;
  Wavetables(Wavetables&&) = default;
  Wavetables& operator=(Wavetables&&) = default;

  const double* FullSaw(int level) const { return fullSaw.data() + level * kLength; }
  const double* Saw(int level) const { return saw.data() + level * kLength; }
  const double* Triangle(int level) const { return triangle.data() + level * kLength; }
  // The three sets of a level side by side, as an oscillator reads them: entry j at [4 * j]
  // (full sawtooth), [4 * j + 1] (sawtooth), [4 * j + 2] (triangle), 32-byte aligned, so that
  // one cache line serves the three reads of a sample.
  const double* Interleaved(int level) const {
    return interleaved.data() + interleavedStart + static_cast<std::size_t>(level) * kLength * 4;
  }
  // The triangle's offset (its mean over a cycle); the other sets have none.
  double TriangleMean(int level) const { return triangleMean[static_cast<std::size_t>(level)]; }

  std::vector<double> fullSaw, saw, triangle;  // kLevels * kLength each, level after level
  std::vector<double> interleaved;             // Interleaved(), from a 32-byte boundary on
  std::size_t interleavedStart = 0;
  std::array<double, kLevels> triangleMean{};
};

// Harmonic count of a level: round(2048 / sqrt(2)^level), 2048 down to 1.
int WavetableHarmonics(int level);

// Fills `tables`. Uses one 4096-entry sine table for every harmonic, since all arguments are
// multiples of 2*pi/4096, and the odd symmetry of the sawtooth; agrees with the direct sine sum
// to better than 1e-12.
void BuildWavetables(Wavetables& tables);

// The process's tables, built on first call (thread-safe).
const Wavetables& SharedWavetables();

// Phase increment (28-bit phase per sample) of each pitch value 0..17280 at one sample rate.
class PhaseIncrementTable {
 public:
  static constexpr int kSize = kMaxPitch + 1;

  explicit PhaseIncrementTable(double sampleRate);
  // The process's table for this rate, built on first request (thread-safe, kept for good).
  static const PhaseIncrementTable& ForSampleRate(double sampleRate);

  std::int32_t operator[](int pitch) const { return entries_[pitch]; }
  double SampleRate() const { return sampleRate_; }

 private:
  double sampleRate_;
  std::array<std::int32_t, kSize> entries_{};
};

}  // namespace pellory::engine
