#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/Filter.h"

namespace pellory::engine {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Steady-state amplitude of a section's response to a unit sine of `hz`.
double SineGain(Filter& filter, double sampleRate, double hz) {
  const int settle = static_cast<int>(sampleRate * 2);
  const int measure = static_cast<int>(sampleRate * 2);
  double peak = 0.0;
  for (int i = 0; i < settle + measure; ++i) {
    const double y = filter.Process(std::sin(2 * kPi * hz * i / sampleRate));
    if (i >= settle) peak = std::max(peak, std::fabs(y));
  }
  return peak;
}

TEST(Filter, LowPassPassesDcAndIsDownThreeDecibelsAtCorner) {
  LowPass smoother(44100, 88.2);
  double y = 0.0;
  for (int i = 0; i < 44100; ++i) y = smoother.Process(1.0);
  EXPECT_NEAR(y, 1.0, 1e-9);

  LowPass lp(44100, 1000);
  EXPECT_NEAR(SineGain(lp, 44100, 1000), std::sqrt(0.5), 0.005);
  lp.Setup(44100, 1000);
  EXPECT_LT(SineGain(lp, 44100, 10000), 0.02);  // 12 dB per octave above the corner
}

TEST(Filter, HighPassBlocksDcAndIsDownThreeDecibelsAtCorner) {
  HighPass blocker(44100, 1.5);
  double y = 1.0;
  for (int i = 0; i < 3 * 44100; ++i) y = blocker.Process(0.7);
  EXPECT_NEAR(y, 0.0, 1e-6);

  HighPass hp(44100, 200);
  EXPECT_NEAR(SineGain(hp, 44100, 200), std::sqrt(0.5), 0.005);
  hp.Setup(44100, 200);
  EXPECT_NEAR(SineGain(hp, 44100, 5000), 1.0, 0.005);
}

TEST(Filter, RecoversFromNonFiniteValues) {
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
    LowPass lp(44100, 88.2);
    for (int i = 0; i < 1000; ++i) lp.Process(1.0);
    const double first = lp.Process(bad);
    EXPECT_TRUE(std::isfinite(first));
    double y = 0.0;
    for (int i = 0; i < 44100; ++i) {
      y = lp.Process(1.0);
      ASSERT_TRUE(std::isfinite(y)) << i;
    }
    EXPECT_NEAR(y, 1.0, 1e-6);
  }
}

TEST(Filter, SetupClearsHistory) {
  HighPass used(48000, 1.5);
  for (int i = 0; i < 500; ++i) used.Process(i % 7 - 3.0);
  used.Setup(44100, 1.5);
  HighPass fresh(44100, 1.5);
  for (int i = 0; i < 10; ++i) EXPECT_NEAR(used.Process(0.25 * i), fresh.Process(0.25 * i), 1e-12) << i;
}

TEST(Filter, NonsenseSetupStaysFinite) {
  LowPass a(44100, std::nan(""));
  LowPass b(0.0, 1000.0);
  HighPass c(-1.0, std::numeric_limits<double>::infinity());
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(std::isfinite(a.Process(1.0)));
    ASSERT_TRUE(std::isfinite(b.Process(1.0)));
    ASSERT_TRUE(std::isfinite(c.Process(1.0)));
  }
}

}  // namespace
}  // namespace pellory::engine
