#include "engine/Wavetables.h"

#include <cmath>
#include <limits>

#include "engine/SampleRateTables.h"

namespace pellory::engine {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kLength = Wavetables::kLength;
constexpr int kHalf = kLength / 2;

}  // namespace

Wavetables::Wavetables()
    : fullSaw(kLevels * kLength, 0.0), saw(kLevels * kLength, 0.0), triangle(kLevels * kLength, 0.0) {}

int WavetableHarmonics(int level) {
  const double c = std::pow(std::sqrt(2.0), level);
  return static_cast<int>(std::round(2048.0 / c));
}

void BuildWavetables(Wavetables& tables) {
  std::vector<double> sine(kLength);
  for (int m = 0; m < kLength; ++m) sine[m] = std::sin(2.0 * kPi / kLength * m);
  // Harmonics that are multiples of 32 go to the full sawtooth only.
  std::vector<double> every32nd(kHalf + 1);

  for (int level = 0; level < Wavetables::kLevels; ++level) {
    double* full = tables.fullSaw.data() + level * kLength;
    double* saw = tables.saw.data() + level * kLength;
    double* tri = tables.triangle.data() + level * kLength;
    const int harmonics = WavetableHarmonics(level);

    // The sawtooth is odd about the half cycle, so only samples 0..2048 are summed.
    for (int j = 0; j <= kHalf; ++j) {
      saw[j] = 0.5 * sine[j];
      every32nd[j] = 0.0;
    }
    for (int k = 2; k <= harmonics; ++k) {
      // A 1/k series under a window falling from 1 at the fundamental to 0.54 at the top.
      const double a = (std::cos((k - 1) * (kPi / 2) / (harmonics - 1)) * 0.46 + 0.54) * 0.5 / k;
      double* sum = (k % 32 == 0) ? every32nd.data() : saw;
      unsigned index = 0;
      for (int j = 0; j <= kHalf; ++j) {
        sum[j] += a * sine[index];
        index = (index + k) & (kLength - 1);
      }
    }
    for (int j = 0; j <= kHalf; ++j) full[j] = saw[j] + every32nd[j];
    for (int j = kHalf + 1; j < kLength; ++j) {
      saw[j] = -saw[kLength - j];
      full[j] = -full[kLength - j];
    }

    // Rises along half a sawtooth cycle starting 1/16 cycle after its jump, then falls back.
    for (int j = 0; j < kHalf; ++j) tri[j] = -2.0 * saw[256 + j];
    for (int m = 0; m < kHalf; ++m) tri[kHalf + m] = -2.0 * saw[2304 - m];
    double sum = 0.0;
    for (int j = 0; j < kLength; ++j) sum += tri[j];
    tables.triangleMean[static_cast<std::size_t>(level)] = sum / kLength;
  }
}

const Wavetables& SharedWavetables() {
  // Built by the first caller; concurrent first callers wait for it.
  static const Wavetables tables = [] {
    Wavetables built;
    BuildWavetables(built);
    return built;
  }();
  return tables;
}

PhaseIncrementTable::PhaseIncrementTable(double sampleRate) : sampleRate_(sampleRate) {
  constexpr double kLimit = std::numeric_limits<std::int32_t>::max();
  for (int k = 0; k < kSize; ++k) {
    double increment = PitchToFrequency(k) * 268435456.0 / sampleRate;
    // Only absurdly low rates get here; keep the conversion defined.
    if (!(increment < kLimit)) increment = kLimit;
    entries_[k] = static_cast<std::int32_t>(increment);
  }
}

const PhaseIncrementTable& PhaseIncrementTable::ForSampleRate(double sampleRate) {
  return TableForSampleRate<PhaseIncrementTable>(sampleRate);
}

}  // namespace pellory::engine
