#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

#include "FrequencyAnalysis.h"
#include "engine/Wavetables.h"

namespace pellory::engine {
namespace {

using test::kPi;

TEST(Wavetables, HarmonicCountsHalveEveryOctave) {
  const int expected[] = {2048, 1448, 1024, 724, 512, 362, 256, 181, 128, 91, 64,
                          45,   32,   23,   16,  11,  8,   6,   4,   3,   2,  1};
  for (int level = 0; level < Wavetables::kLevels; ++level) EXPECT_EQ(WavetableHarmonics(level), expected[level]);
}

// The fast build must give the plain sum of sines (one sin() per harmonic and sample).
TEST(Wavetables, EqualDirectSineSum) {
  const Wavetables& tables = SharedWavetables();
  const int n = Wavetables::kLength;
  double worst = 0.0;
  for (int level = 0; level < Wavetables::kLevels; ++level) {
    const int h = WavetableHarmonics(level);
    for (int j = level % 3; j < n; j += 3) {
      double full = 0.0, saw = 0.0;
      for (int k = 1; k <= h; ++k) {
        const double w = k * 2 * kPi / n;
        const double a = k == 1 ? 0.5 : (std::cos((k - 1) * (kPi / 2) / (h - 1)) * 0.46 + 0.54) * 0.5 / k;
        const double term = a * std::sin(w * j);
        full += term;
        if (k % 32 != 0) saw += term;
      }
      worst = std::max({worst, std::fabs(full - tables.FullSaw(level)[j]), std::fabs(saw - tables.Saw(level)[j])});
    }
  }
  EXPECT_LT(worst, 1e-12);
}

// Spectra of the tables themselves: one cycle, so bin k is harmonic k exactly.
TEST(Wavetables, SpectraHoldTheirHarmonicsOnly) {
  const Wavetables& tables = SharedWavetables();
  const int n = Wavetables::kLength;
  auto spectrum = [n](const double* table) {
    auto mag = test::MagnitudeSpectrum(std::vector<double>(table, table + n), false);
    for (double& m : mag) m /= n / 2;  // amplitude of harmonic k
    return mag;
  };
  for (int level : {9, 12, 21}) {
    SCOPED_TRACE(level);
    const int h = WavetableHarmonics(level);
    const auto saw = spectrum(tables.Saw(level));
    const auto full = spectrum(tables.FullSaw(level));
    EXPECT_NEAR(saw[1], 0.5, 1e-12);
    for (int k = 2; k <= n / 2; ++k) {
      if (k > h) {
        EXPECT_LT(full[k], 1e-12) << k;
      } else {
        EXPECT_GT(full[k], 0.27 / k - 1e-12) << k;  // 1/k series, window no lower than 0.54
        if (k % 32 == 0) EXPECT_LT(saw[k], 1e-12) << k;
      }
    }
    // The folded triangle's harmonics fall as 1/k^2; its even harmonics are almost absent.
    const auto tri = spectrum(tables.Triangle(level));
    if (h >= 5) {
      EXPECT_LT(tri[2] / tri[1], 1e-3);
      EXPECT_NEAR(tri[3] / tri[1], 1.0 / 9.0, 0.02);
    }
  }
}

TEST(Wavetables, TriangleIsFoldedFromSaw) {
  const Wavetables& tables = SharedWavetables();
  for (int level = 0; level < Wavetables::kLevels; level += 5) {
    const double* saw = tables.Saw(level);
    const double* tri = tables.Triangle(level);
    for (int j = 0; j < 2048; ++j) {
      ASSERT_EQ(tri[j], -2.0 * saw[256 + j]);
      ASSERT_EQ(tri[2048 + j], -2.0 * saw[2304 - j]);
    }
  }
}

// What the oscillators read: the three sets side by side, the same doubles, 32-byte aligned
// entries (one cache line each), also in tables built apart and moved.
TEST(Wavetables, InterleavedSetsHoldTheSameSamples) {
  const Wavetables& shared = SharedWavetables();
  Wavetables built;
  BuildWavetables(built);
  const Wavetables moved = std::move(built);
  for (const Wavetables* tables : {&shared, &moved}) {
    for (int level = 0; level < Wavetables::kLevels; ++level) {
      const double* side = tables->Interleaved(level);
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(side) % 32, 0u);
      for (int j = 0; j < Wavetables::kLength; ++j) {
        ASSERT_EQ(side[4 * j], tables->FullSaw(level)[j]) << level << " " << j;
        ASSERT_EQ(side[4 * j + 1], tables->Saw(level)[j]) << level << " " << j;
        ASSERT_EQ(side[4 * j + 2], tables->Triangle(level)[j]) << level << " " << j;
      }
    }
  }
}

TEST(Wavetables, SharedOncePerProcessAcrossThreads) {
  std::vector<const Wavetables*> seen(4, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back([&seen, t] { seen[t] = &SharedWavetables(); });
  for (auto& thread : threads) thread.join();
  for (const Wavetables* tables : seen) EXPECT_EQ(tables, &SharedWavetables());
}

TEST(PhaseIncrementTable, TruncatedIncrementsPerRate) {
  const PhaseIncrementTable& table = PhaseIncrementTable::ForSampleRate(44100);
  EXPECT_EQ(table[7680], 1592510);
  EXPECT_EQ(&table, &PhaseIncrementTable::ForSampleRate(44100));
  const PhaseIncrementTable& other = PhaseIncrementTable::ForSampleRate(96000);
  EXPECT_EQ(other[7680], static_cast<int>(261.626 * 268435456.0 / 96000));
  EXPECT_EQ(table[7680], 1592510);  // another rate does not disturb this one
  for (int k : {0, 1, 8832, 17280}) {
    EXPECT_EQ(table[k], static_cast<int>(PitchToFrequency(k) * 268435456.0 / 44100)) << k;
  }
  // Absurd rates saturate instead of overflowing.
  EXPECT_EQ(PhaseIncrementTable(1.0)[17280], 0x7FFFFFFF);
}

}  // namespace
}  // namespace pellory::engine
