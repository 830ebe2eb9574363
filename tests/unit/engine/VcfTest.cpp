#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <thread>

#include "FrequencyAnalysis.h"
#include "engine/Vcf.h"

namespace pellory::engine {
namespace {

using test::kPi;

// Control value whose rounded pitch value has the frequency closest to hz.
double ControlFor(double hz) {
  int best = 0;
  for (int p = 0; p <= kMaxPitch; ++p) {
    if (std::fabs(PitchToFrequency(p) - hz) < std::fabs(PitchToFrequency(best) - hz)) best = p;
  }
  return best / static_cast<double>(kMaxPitch);
}

double Cutoff(double control) { return PitchToFrequency(std::round(control * kMaxPitch)); }

// Steady-state gain for a small sine (the clipper stays linear).
double SineGain(Vcf& vcf, double rate, double hz, double control) {
  const int settle = static_cast<int>(rate * 0.4);
  const int measure = static_cast<int>(rate * 0.2) + static_cast<int>(3 * rate / hz);
  double peak = 0.0;
  for (int i = 0; i < settle + measure; ++i) {
    const double y = vcf.Process(0.01 * std::sin(2 * kPi * hz * i / rate), control);
    if (i >= settle) peak = std::max(peak, std::fabs(y));
  }
  return peak / 0.01;
}

// Frequency where the gain falls to -3 dB, by bisection on measured gains.
double MeasuredMinus3Db(double rate, double control, double resonance = 0.0) {
  double lo = 1.0, hi = rate * 0.49;
  for (int i = 0; i < 30; ++i) {
    const double mid = std::sqrt(lo * hi);
    Vcf vcf;
    vcf.SetSampleRate(rate);
    vcf.SetResonance(resonance);
    (SineGain(vcf, rate, mid, control) > std::sqrt(0.5) ? lo : hi) = mid;
  }
  return std::sqrt(lo * hi);
}

// Four identical bilinear one-poles with g = 2 pi fc / rate (not prewarped): the cascade is
// 3 dB down where 2 tan(w/2) = g * sqrt(2^(1/4) - 1).
double PredictedMinus3Db(double rate, double fc) {
  const double g = 2 * kPi * fc / rate;
  return rate / kPi * std::atan(g * std::sqrt(std::pow(2.0, 0.25) - 1) / 2);
}

TEST(Vcf, ZeroResonanceIsPlainFourPoleLowPass) {
  Vcf vcf;
  vcf.SetResonance(0.0);
  const double c1000 = ControlFor(1000);
  double y = 0.0;
  for (int i = 0; i < 44100; ++i) y = vcf.Process(0.5, c1000);
  EXPECT_NEAR(y, 0.5, 1e-9);  // unity gain at DC
  EXPECT_EQ(vcf.OutputGain(), 1.0);
  EXPECT_EQ(vcf.Feedback(), 0.0);

  for (double rate : {44100.0, 96000.0}) {
    for (double hz : {100.0, 500.0, 2000.0, 8000.0}) {
      const double control = ControlFor(hz);
      const double measured = MeasuredMinus3Db(rate, control);
      const double predicted = PredictedMinus3Db(rate, Cutoff(control));
      std::cout << "[ measure  ] rate " << rate << " cutoff " << Cutoff(control) << " Hz: -3 dB at "
                << measured << " Hz (predicted " << predicted << ")\n";
      EXPECT_NEAR(measured, predicted, predicted * 0.005) << hz << " at " << rate;
    }
  }
  // 24 dB per octave well above the cutoff.
  Vcf slope;
  const double gain = SineGain(slope, 44100, 1600, ControlFor(200));
  EXPECT_NEAR(20 * std::log10(gain), -72.0, 2.0);
}

TEST(Vcf, CutoffIsClampedToTheScale) {
  Vcf high, top, low, bottom, nan;
  for (int i = 0; i < 5000; ++i) {
    const double x = std::sin(i * 0.37) + 0.3 * std::sin(i * 2.1);
    ASSERT_EQ(high.Process(x, 2.5), top.Process(x, 1.0)) << i;
    ASSERT_EQ(low.Process(x, -0.7), bottom.Process(x, 0.0)) << i;
    ASSERT_TRUE(std::isfinite(nan.Process(x, std::nan(""))));
  }
  EXPECT_EQ(Cutoff(0.0), 8.176);
  EXPECT_EQ(Cutoff(1.0), 19912.127);
}

TEST(Vcf, ResonanceFeedbackAndGainCompensation) {
  for (double b : {0.25, 226.0 / 500.0, 0.8}) {
    Vcf vcf;
    vcf.SetResonance(b);
    const double k = b * 250 / 226;
    const double c300 = ControlFor(300);
    double y = 0.0;
    for (int i = 0; i < 44100; ++i) y = vcf.Process(0.01, c300);
    const double gain = 2 - std::pow(2 * std::fabs(k - 0.5), 2);
    EXPECT_DOUBLE_EQ(vcf.OutputGain(), gain);
    EXPECT_DOUBLE_EQ(vcf.Feedback(), k * 4.01);  // below 500 Hz
    // DC through the loop: gain / (1 + feedback).
    EXPECT_NEAR(y / 0.01, gain / (1 + k * 4.01), 1e-3) << b;
  }
  Vcf top;
  top.SetResonance(1.0);
  top.Process(0.0, ControlFor(5000));
  EXPECT_NEAR(top.OutputGain(), 0.53, 0.01);
  EXPECT_DOUBLE_EQ(top.Feedback(), Vcf::kMaxResonance * 4.005);  // above 2 kHz
}

TEST(Vcf, KickStartsSelfOscillationNearCutoff) {
  const double c1000 = ControlFor(1000);
  Vcf quiet;
  quiet.SetResonance(0.9);  // k just below 1: no kick
  for (int i = 0; i < 10000; ++i) ASSERT_NEAR(quiet.Process(0.0, c1000), 0.0, 1e-9);

  Vcf ringing;
  ringing.SetResonance(1.0);
  EXPECT_EQ(ringing.States()[1], 0.1);
  EXPECT_EQ(ringing.States()[3], -0.1);
  const double rate = 44100;
  std::vector<double> tail(65536);
  for (int i = 0; i < rate; ++i) ringing.Process(0.0, c1000);
  double peak = 0.0;
  for (double& y : tail) {
    y = ringing.Process(0.0, c1000);
    peak = std::max(peak, std::fabs(y));
  }
  EXPECT_GT(peak, 0.5);
  EXPECT_LT(peak, 10.0);
  const double f = test::PeakFrequency(test::MagnitudeSpectrum(tail), rate, tail.size());
  std::cout << "[ measure  ] self-oscillation at cutoff " << Cutoff(ControlFor(1000)) << " Hz: " << f
            << " Hz, peak " << peak << "\n";
  EXPECT_NEAR(f, 1000, 60);

  // No kick into a filter that is already carrying signal.
  Vcf busy;
  for (int i = 0; i < 1000; ++i) busy.Process(0.3, 0.5);
  const auto before = busy.States();
  busy.SetResonance(1.0);
  EXPECT_EQ(busy.States(), before);
}

TEST(Vcf, NonFiniteInputsNeverReachTheOutput) {
  const double inf = std::numeric_limits<double>::infinity();
  Vcf vcf;
  vcf.SetResonance(std::nan(""));
  EXPECT_EQ(vcf.Resonance(), 0.0);
  vcf.SetResonance(1.0);
  for (double bad : {std::nan(""), inf, -inf, 1e308, -1e308}) {
    for (int i = 0; i < 100; ++i) vcf.Process(std::sin(i * 0.1), 0.6);
    vcf.Process(bad, 0.6);
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(std::isfinite(vcf.Process(std::sin(i * 0.1), 0.6))) << bad << " " << i;
  }
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(std::isfinite(vcf.Process(0.1, inf)));
  vcf.SetResonance(5.0);  // clamped to the top of the range
  EXPECT_EQ(vcf.Resonance(), Vcf::kMaxResonance);
}

TEST(Vcf, SampleRatesKeepTheirOwnTables) {
  Vcf a, b;
  a.SetSampleRate(44100);
  b.SetSampleRate(192000);
  const double control = ControlFor(1000);
  a.Process(0.0, control);
  b.Process(0.0, control);
  const double g44 = 2 * kPi * Cutoff(control) / 44100, g192 = 2 * kPi * Cutoff(control) / 192000;
  EXPECT_DOUBLE_EQ(a.G(), g44 / (g44 + 2));
  EXPECT_DOUBLE_EQ(b.G(), g192 / (g192 + 2));

  // Created concurrently at rates nobody has used yet.
  std::vector<double> gs(3);
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&gs, t, control] {
      Vcf vcf;
      vcf.SetSampleRate(50000.0 + 777.0 * t);
      vcf.Process(0.0, control);
      gs[t] = vcf.G();
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 3; ++t) {
    const double g = 2 * kPi * Cutoff(control) / (50000.0 + 777.0 * t);
    EXPECT_DOUBLE_EQ(gs[t], g / (g + 2));
  }
}

TEST(Vcf, SampleRateChangeClearsStates) {
  Vcf vcf;
  for (int i = 0; i < 100; ++i) vcf.Process(1.0, 0.5);
  vcf.SetSampleRate(48000);
  EXPECT_EQ(vcf.States(), (std::array<double, 4>{0, 0, 0, 0}));
  EXPECT_NEAR(vcf.Process(0.0, 0.5), 0.0, 1e-12);  // only the denormal guard's offset
}


// Filters run as vector lanes must give exactly what each gives alone: loud inputs drive the
// clipper to both rails and through its curve, the cutoffs sweep every sample (now and then far
// out of range or not a number), and each lane has its own resonance, so any lane mix-up or
// reordered rounding shows.
TEST(Vcf, LanesMatchFiltersRunAlone) {
  using Set = Vcf::LaneSet;
  const Set sets[] = {Set::kAvx512, Set::kAvx2, Set::kAvx, Set::kSse2};
  for (int pass = 0; pass < 4 * 3; ++pass) {
    const Set set = sets[pass / 3];
    const int count = 2 << (pass % 3);
    const Set before = Vcf::LimitLanes(set);
    constexpr int kMax = 8;
    Vcf lanes[kMax], alone[kMax];
    double x[kMax][64], control[kMax][64], gain[kMax][64], out[kMax][64], expected[kMax][64];
    for (int k = 0; k < count; ++k) {
      lanes[k].SetSampleRate(48000.0);
      lanes[k].SetResonance(0.07 * k);
      alone[k] = lanes[k];
    }
    Vcf* filters[kMax];
    const double* xs[kMax];
    const double* controls[kMax];
    const double* gains[kMax];
    double* outs[kMax];
    for (int k = 0; k < kMax; ++k) filters[k] = &lanes[k], xs[k] = x[k], controls[k] = control[k], gains[k] = gain[k], outs[k] = out[k];
    int t = 0;
    for (int run = 0; run < 40; ++run) {
      for (int k = 0; k < count; ++k) {
        for (int s = 0; s < 64; ++s, ++t) {
          x[k][s] = 30.0 * std::sin(0.013 * t * (k + 1)) + (s % 7 == 0 ? -20.0 : 0.0);
          control[k][s] = 0.5 + 0.49 * std::sin(0.002 * t + k);
          if (k == 1 && s % 13 == 5) control[k][s] = run % 2 ? 1e6 : -1e6;
          if (k == count - 1 && s % 17 == 3) control[k][s] = std::numeric_limits<double>::quiet_NaN();
          gain[k][s] = 0.25 + 0.001 * s;
        }
      }
      ASSERT_TRUE(Vcf::ProcessLanes(count, filters, xs, controls, gains, outs, 64));
      for (int k = 0; k < count; ++k) {
        alone[k].ProcessRun(x[k], control[k], gain[k], expected[k], 64);
        for (int s = 0; s < 64; ++s) {
          ASSERT_EQ(out[k][s], expected[k][s]) << count << " lanes (set " << static_cast<int>(set) << "), lane " << k << " run " << run << " sample " << s;
        }
        ASSERT_EQ(lanes[k].States(), alone[k].States());
      }
    }
    // A non-finite input in one lane is reported, so the caller can redo the run checked.
    x[count - 1][10] = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(Vcf::ProcessLanes(count, filters, xs, controls, gains, outs, 64));
    Vcf::LimitLanes(before);
  }
}

}  // namespace
}  // namespace pellory::engine
