#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <limits>
#include <thread>
#include <vector>

#include "FrequencyAnalysis.h"
#include "engine/Oscillator.h"

namespace pellory::engine {
namespace {

using test::Db;
using test::MagnitudeSpectrum;
using test::PeakFrequency;
using test::PeakNear;

constexpr size_t kFft = 65536;

std::vector<double> Render(Oscillator& osc, size_t count, size_t skip = 4410) {
  for (size_t i = 0; i < skip; ++i) osc.RenderSample();  // let the DC blocker settle
  std::vector<double> out(count);
  for (double& x : out) x = osc.RenderSample();
  return out;
}

Oscillator SawAt(double pitch, double rate = 44100) {
  Oscillator osc;
  osc.SetSampleRate(rate);
  osc.SetSawtooth(true);
  osc.SetPitch(pitch, 0);
  return osc;
}

// Strongest component that is not within a few bins of a harmonic of f0 (or DC), in dB
// relative to the fundamental: aliases of harmonics beyond half the rate land there.
double WorstInharmonicDb(const std::vector<double>& mag, double f0, double rate) {
  const double bin = rate / kFft;
  const double fundamental = PeakNear(mag, f0, rate, kFft);
  double worst = 0.0;
  for (size_t b = 8; b < mag.size(); ++b) {
    const double f = b * bin;
    const double nearest = std::round(f / f0) * f0;
    if (std::fabs(f - nearest) > 8 * bin) worst = std::max(worst, mag[b]);
  }
  return Db(worst / fundamental);
}

TEST(Oscillator, MiddleCIncrementAndLevel) {
  Oscillator osc = SawAt(7680);
  EXPECT_EQ(osc.Increment(), 1592510);
  EXPECT_EQ(osc.Level(), 10);
  EXPECT_EQ(WavetableHarmonics(osc.Level()), 64);
}

// An oscillator keeps what it found for its last table speed; moving through every pitch up,
// down, in jumps and through silence it must pick the level a fresh one picks.
TEST(Oscillator, LevelFollowsEveryPitchChange) {
  for (const double rate : {44100.0, 96000.0}) {
    Oscillator moving;
    moving.SetSampleRate(rate);
    std::vector<double> pitches;
    for (int p = 0; p <= kMaxPitch; p += 7) pitches.push_back(p);
    for (int p = kMaxPitch; p >= 0; p -= 11) pitches.push_back(p);
    for (int i = 0; i < 400; ++i) pitches.push_back((i * 7919) % (kMaxPitch + 1));
    for (std::size_t i = 0; i < pitches.size(); ++i) {
      if (i % 97 == 0) moving.SetPitch(-1.0, 0.0);  // silent between
      moving.SetPitch(pitches[i], 0.0);
      Oscillator fresh;
      fresh.SetSampleRate(rate);
      fresh.SetPitch(pitches[i], 0.0);
      ASSERT_EQ(moving.Level(), fresh.Level()) << "pitch " << pitches[i] << " at " << rate;
    }
  }
}

TEST(Oscillator, FundamentalLiesAtRequestedFrequency) {
  for (double pitch : {7680.0, 7744.0, 4000.0, 12000.0}) {
    for (double rate : {44100.0, 96000.0}) {
      Oscillator osc = SawAt(pitch, rate);
      const auto mag = MagnitudeSpectrum(Render(osc, kFft));
      const double measured = PeakFrequency(mag, rate, kFft);
      EXPECT_NEAR(measured, PitchToFrequency(pitch), 0.05 * rate / kFft) << pitch << " at " << rate;
    }
  }
  // Offsets add to the pitch; the sum is clamped at both ends of the range.
  Oscillator high = SawAt(17000);
  high.SetPitch(17000, 5000);
  EXPECT_EQ(high.Increment(), PhaseIncrementTable::ForSampleRate(44100)[17280]);
  EXPECT_NEAR(PeakFrequency(MagnitudeSpectrum(Render(high, kFft)), 44100, kFft), 19912.127, 0.1);
  Oscillator low = SawAt(100);
  low.SetPitch(100, -5000);
  EXPECT_EQ(low.Increment(), PhaseIncrementTable::ForSampleRate(44100)[0]);
}

// Level choice keeps the top harmonic below half the rate. What is left is the spur floor of
// reading 4096-sample tables without interpolation, about 20*log10(1/4096) = -72 dB.
TEST(Oscillator, AliasingStaysLow) {
  for (double pitch : {7680.0, 10000.0, 12500.0, 14000.0, 15500.0}) {
    Oscillator osc = SawAt(pitch);
    const auto mag = MagnitudeSpectrum(Render(osc, kFft));
    const double worst = WorstInharmonicDb(mag, PitchToFrequency(pitch), 44100);
    std::cout << "[ measure  ] saw pitch " << pitch << " (" << PitchToFrequency(pitch)
              << " Hz, level " << osc.Level() << "): worst inharmonic " << worst << " dB\n";
    EXPECT_LT(worst, -65.0) << pitch;
  }
}

// Strongest component away from every harmonic of f0 (and DC), in dB relative to the
// fundamental: harmonics above half the rate fold back there. The FFT is long enough to put
// harmonics 12 bins apart at least.
double FoldedBackDb(Oscillator& osc, double f0, double rate) {
  size_t n = 2048;
  while (n < 65536 && n * f0 < 12.0 * rate) n *= 2;
  // Blackman-Harris windows by length, computed once.
  static std::vector<std::vector<double>> windows(17);
  std::vector<double>& w = windows[static_cast<size_t>(std::log2(n))];
  if (w.empty()) {
    w.resize(n);
    for (size_t i = 0; i < n; ++i) {
      const double t = 2.0 * test::kPi * i / n;
      w[i] = 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
    }
  }
  std::vector<double> x = Render(osc, n, 2048);
  for (size_t i = 0; i < n; ++i) x[i] *= w[i];
  const auto mag = MagnitudeSpectrum(x, false);
  const double bin = rate / n;
  double worst = 0.0;
  for (size_t b = 0; b < mag.size(); ++b) {
    const double f = b * bin;
    if (std::fabs(f - std::round(f / f0) * f0) > 4.5 * bin) worst = std::max(worst, mag[b]);
  }
  return Db(worst / PeakNear(mag, f0, rate, n));
}

TEST(Oscillator, NoHarmonicFoldsBackAtAnyPitchOrRate) {
  // What is left away from the harmonics once none folds back is the table read without
  // interpolation: many components near -75 dB. A harmonic folding back stands far above.
  for (double rate : {44100.0, 48000.0, 96000.0}) {
    double worst = -300.0;
    int worstPitch = 0, failures = 0;
    for (int pitch = 16; pitch <= kMaxPitch; pitch += 16) {
      // Harmonics closer than 12 bins of the longest FFT cannot be told apart; so low, even the
      // fullest table stays below half the rate.
      if (PitchToFrequency(pitch) * 65536 < 12.0 * rate) continue;
      // The sawtooth at every step; the pulse (the same tables, read twice) at every eighth.
      for (int wave = 0; wave < (pitch % 128 == 0 ? 2 : 1); ++wave) {
        Oscillator osc;
        osc.SetSampleRate(rate);
        (wave == 0 ? osc.SetSawtooth(true) : osc.SetPulse(true));
        osc.SetPulseWidth(0.3);
        osc.SetPitch(pitch, 0);
        const double folded = FoldedBackDb(osc, PitchToFrequency(pitch), rate);
        if (folded > worst) worst = folded, worstPitch = pitch;
        if (folded >= -65.0 && ++failures <= 5)
          ADD_FAILURE() << (wave ? "pulse" : "saw") << " pitch " << pitch << " at " << rate << " Hz, level "
                        << osc.Level() << ": " << folded << " dB";
      }
    }
    EXPECT_EQ(failures, 0) << rate;
    std::cout << "[ measure  ] " << rate << " Hz: strongest component away from the harmonics " << worst
              << " dB at pitch " << worstPitch << "\n";
  }
}

TEST(Oscillator, HalfDutyPulseIsSquare) {
  Oscillator osc;
  osc.SetPulse(true);
  osc.SetPulseWidth(0.5);  // "Pulse Width" 15 of 30
  EXPECT_DOUBLE_EQ(osc.Duty(), 0.5);
  osc.SetPitch(6000, 0);
  const double f0 = PitchToFrequency(6000);
  const auto mag = MagnitudeSpectrum(Render(osc, kFft));
  const double h1 = PeakNear(mag, f0, 44100, kFft);
  for (int k = 2; k <= 10; k += 2) EXPECT_LT(Db(PeakNear(mag, k * f0, 44100, kFft) / h1), -80.0) << k;
  EXPECT_NEAR(Db(PeakNear(mag, 3 * f0, 44100, kFft) / h1), Db(1.0 / 3), 0.3);
  EXPECT_NEAR(Db(PeakNear(mag, 5 * f0, 44100, kFft) / h1), Db(1.0 / 5), 0.3);

  // A quarter duty drops every 4th harmonic instead.
  Oscillator quarter;
  quarter.SetPulse(true);
  quarter.SetPulseWidth((0.25 - 0.03) / 0.94);
  quarter.SetPitch(6000, 0);
  const auto qmag = MagnitudeSpectrum(Render(quarter, kFft));
  const double q1 = PeakNear(qmag, f0, 44100, kFft);
  EXPECT_LT(Db(PeakNear(qmag, 4 * f0, 44100, kFft) / q1), -60.0);
  EXPECT_GT(Db(PeakNear(qmag, 2 * f0, 44100, kFft) / q1), -10.0);
}

TEST(Oscillator, DutyFollowsWidthDynamicAndVelocity) {
  Oscillator osc;
  osc.SetPulseWidth(0.0);
  EXPECT_DOUBLE_EQ(osc.Duty(), 0.03);
  osc.SetPulseWidth(1.0);
  EXPECT_DOUBLE_EQ(osc.Duty(), 0.97);
  osc.SetPulseWidthDynamic(1.0);
  osc.SetVelocity(0.0);
  EXPECT_DOUBLE_EQ(osc.Duty(), 0.03);
  osc.SetVelocity(1.0);
  EXPECT_NEAR(osc.Duty(), 1.03, 1e-12);  // beyond a cycle: the pulse readings coincide
  osc.SetPitch(7680, 0);
  EXPECT_EQ(osc.Phase2(), osc.Phase1());
  osc.SetVelocity(0.5);
  osc.SetPitch(7680, 0);
  EXPECT_EQ(osc.Phase2(), static_cast<std::uint32_t>(osc.Phase1() + osc.Duty() * 268435456.0) & 0x0FFFFFFF);
}

TEST(Oscillator, WaveformsAreSummed) {
  auto make = [](bool tri, bool saw, bool pulse) {
    Oscillator osc;
    osc.SetTriangle(tri);
    osc.SetSawtooth(saw);
    osc.SetPulse(pulse);
    osc.SetPulseWidth(0.3);
    osc.SetPitch(7000, 13.5);
    return osc;
  };
  Oscillator all = make(true, true, true), tri = make(true, false, false), saw = make(false, true, false),
             pulse = make(false, false, true);
  double energy = 0.0;
  for (int i = 0; i < 20000; ++i) {
    const double sum = tri.RenderSample() + saw.RenderSample() + pulse.RenderSample();
    const double y = all.RenderSample();
    ASSERT_NEAR(y, sum, 1e-9) << i;
    energy += y * y;
  }
  EXPECT_GT(energy, 100.0);
}

TEST(Oscillator, SilentCasesDecayToZero) {
  Oscillator off;  // no waveform switched on
  off.SetPitch(7680, 0);
  Oscillator muted = SawAt(7680);
  for (int i = 0; i < 1000; ++i) muted.RenderSample();
  muted.SetPitch(0, 500);  // pitch <= 0 silences whatever the offset
  EXPECT_TRUE(muted.IsSilent());
  const std::uint32_t before = muted.Phase1();
  double y = 1.0, z = 1.0;
  for (int i = 0; i < 3 * 44100; ++i) {
    y = muted.RenderSample();
    z = off.RenderSample();
  }
  EXPECT_NEAR(y, 0.0, 1e-9);
  EXPECT_NEAR(z, 0.0, 1e-9);
  EXPECT_NE(muted.Phase1(), before);  // phases keep running on the old increment
}

TEST(Oscillator, NonFiniteAndExtremeInputsStayFinite) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::nan("");
  const double cases[][2] = {{nan, 0}, {7680, nan}, {inf, 0}, {7680, inf}, {7680, -inf}, {1e300, 1e300}, {-inf, 0}};
  for (const auto& c : cases) {
    Oscillator osc;
    osc.SetTriangle(true);
    osc.SetSawtooth(true);
    osc.SetPulse(true);
    osc.SetPulseWidth(nan);
    osc.SetPitch(c[0], c[1]);
    for (int i = 0; i < 2000; ++i) ASSERT_TRUE(std::isfinite(osc.RenderSample())) << c[0] << " " << c[1];
  }
  Oscillator rate;
  rate.SetSampleRate(nan);
  rate.SetSampleRate(-5);
  rate.SetSampleRate(0);
  EXPECT_EQ(rate.SampleRate(), 44100);
}

TEST(Oscillator, SampleRateChangeResetsPhasesAndKeepsOwnTable) {
  Oscillator a = SawAt(7680, 44100);
  Oscillator b = SawAt(7680, 48000);
  for (int i = 0; i < 100; ++i) a.RenderSample();
  EXPECT_NE(a.Phase1(), 0u);
  a.SetSampleRate(44100);
  EXPECT_EQ(a.Phase1(), 0u);
  EXPECT_EQ(a.Increment(), 0);
  a.SetPitch(7680, 0);
  b.SetPitch(7680, 0);
  EXPECT_EQ(a.Increment(), 1592510);
  EXPECT_EQ(b.Increment(), static_cast<int>(261.626 * 268435456.0 / 48000));
}

TEST(Oscillator, ConcurrentCreationAtNewRates) {
  std::vector<int> increments(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&increments, t] {
      Oscillator osc;
      osc.SetSampleRate(30000.0 + 1111.5 * t);
      osc.SetPitch(8832, 0);
      increments[t] = osc.Increment();
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(increments[t], static_cast<int>(440.0 * 268435456.0 / (30000.0 + 1111.5 * t)));
}

}  // namespace
}  // namespace pellory::engine
