#include "engine/Wavetables.h"

#include <cstdint>

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
    : fullSaw(kLevels * kLength, 0.0),
      saw(kLevels * kLength, 0.0),
      triangle(kLevels * kLength, 0.0),
      interleaved(kLevels * kLength * 4 + 4, 0.0) {
  const auto address = reinterpret_cast<std::uintptr_t>(interleaved.data());
  interleavedStart = ((32 - address % 32) % 32) / sizeof(double);
}

int WavetableHarmonics(int level) {
  const double c = std::pow(std::sqrt(2.0), level);
  return static_cast<int>(std::round(2048.0 / c));
}

void BuildWavetables(Wavetables& tables) {
  std::vector<double> sine(kLength);
  for (int m = 0; m < kLength; ++m) sine[m] = std::sin(2.0 * kPi / kLength * m);
  std::vector<double> amplitude(static_cast<std::size_t>(WavetableHarmonics(0)) + 1);

  for (int level = 0; level < Wavetables::kLevels; ++level) {
    double* full = tables.fullSaw.data() + level * kLength;
    double* saw = tables.saw.data() + level * kLength;
    double* tri = tables.triangle.data() + level * kLength;
    const int harmonics = WavetableHarmonics(level);

    // The sawtooth is odd about the half cycle, so only samples 0..2048 are summed. Each sample
    // sums its harmonics in rising order in a register, four samples side by side.
    amplitude[0] = amplitude[1] = 0.0;
    for (int k = 2; k <= harmonics; ++k) {
      // A 1/k series under a window falling from 1 at the fundamental to 0.54 at the top.
      amplitude[static_cast<std::size_t>(k)] = (std::cos((k - 1) * (kPi / 2) / (harmonics - 1)) * 0.46 + 0.54) * 0.5 / k;
    }
    const double* a = amplitude.data();
    const double* sn = sine.data();
    int j = 0;
    for (; j + 3 <= kHalf; j += 4) {
      double s0 = 0.5 * sn[j], s1 = 0.5 * sn[j + 1], s2 = 0.5 * sn[j + 2], s3 = 0.5 * sn[j + 3];
      double e0 = 0.0, e1 = 0.0, e2 = 0.0, e3 = 0.0;
      for (int k = 2; k <= harmonics; ++k) {
        const unsigned m = static_cast<unsigned>(k);
        const double ak = a[k];
        const double t0 = ak * sn[(m * static_cast<unsigned>(j)) & (kLength - 1)];
        const double t1 = ak * sn[(m * static_cast<unsigned>(j + 1)) & (kLength - 1)];
        const double t2 = ak * sn[(m * static_cast<unsigned>(j + 2)) & (kLength - 1)];
        const double t3 = ak * sn[(m * static_cast<unsigned>(j + 3)) & (kLength - 1)];
        // Harmonics that are multiples of 32 go to the full sawtooth only.
        if (k % 32 == 0) {
          e0 += t0, e1 += t1, e2 += t2, e3 += t3;
        } else {
          s0 += t0, s1 += t1, s2 += t2, s3 += t3;
        }
      }
      saw[j] = s0, saw[j + 1] = s1, saw[j + 2] = s2, saw[j + 3] = s3;
      full[j] = s0 + e0, full[j + 1] = s1 + e1, full[j + 2] = s2 + e2, full[j + 3] = s3 + e3;
    }
    for (; j <= kHalf; ++j) {
      double sj = 0.5 * sn[j], ej = 0.0;
      for (int k = 2; k <= harmonics; ++k) {
        const double t = a[k] * sn[(static_cast<unsigned>(k) * static_cast<unsigned>(j)) & (kLength - 1)];
        if (k % 32 == 0) {
          ej += t;
        } else {
          sj += t;
        }
      }
      saw[j] = sj;
      full[j] = sj + ej;
    }
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

    double* side = tables.interleaved.data() + tables.interleavedStart + static_cast<std::size_t>(level) * kLength * 4;
    for (int j = 0; j < kLength; ++j) {
      side[4 * j] = full[j], side[4 * j + 1] = saw[j], side[4 * j + 2] = tri[j], side[4 * j + 3] = 0.0;
    }
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
