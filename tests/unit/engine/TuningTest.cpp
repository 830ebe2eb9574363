#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/Tuning.h"

namespace pellory::engine {
namespace {

TEST(PitchToFrequency, SemitonesAndLinearInterpolation) {
  EXPECT_EQ(PitchToFrequency(0), 8.176);
  EXPECT_EQ(PitchToFrequency(7680), 261.626);
  EXPECT_EQ(PitchToFrequency(8832), 440.0);
  EXPECT_NEAR(PitchToFrequency(7744), 269.4045, 1e-9);
  // Linear in Hz between neighbouring semitones, not exponential.
  for (int r = 0; r < 128; r += 17) {
    EXPECT_NEAR(PitchToFrequency(7680 + r), 261.626 + (277.183 - 261.626) * r / 128.0, 1e-9) << r;
  }
  // Continuous at the semitone boundaries and increasing throughout the range.
  for (int p = -17279; p < 17279; ++p) ASSERT_LT(PitchToFrequency(p), PitchToFrequency(p + 1)) << p;
}

TEST(PitchToFrequency, EndsAndOutOfRangeValues) {
  EXPECT_EQ(PitchToFrequency(17280), 19912.127);
  EXPECT_EQ(PitchToFrequency(1e9), 19912.127);
  EXPECT_EQ(PitchToFrequency(std::numeric_limits<double>::infinity()), 19912.127);
  EXPECT_EQ(PitchToFrequency(-17280), 0.0033570162);
  EXPECT_EQ(PitchToFrequency(-1e9), 0.0033570162);
  EXPECT_EQ(PitchToFrequency(-std::numeric_limits<double>::infinity()), 0.0033570162);
  EXPECT_EQ(PitchToFrequency(std::nan("")), 8.176);
  EXPECT_EQ(PitchToFrequency(-128), 7.7171163805);
  EXPECT_LT(PitchToFrequency(17279), 19912.127);
  EXPECT_GT(PitchToFrequency(17279), 18794.545);
}

TEST(FrequencyTables, RoundedEqualTemperament) {
  for (int n = 0; n < kFrequencyTableSize; ++n) {
    const double exact = 440.0 * std::pow(2.0, (n - 69) / 12.0);
    const double tolerance = (n >= 124 && n <= 127) ? 0.005 : 0.0005;
    EXPECT_NEAR(kUpwardFrequencies[n], exact, tolerance + 1e-9) << n;
    EXPECT_NEAR(kDownwardFrequencies[n], 8.176 * std::pow(2.0, -n / 12.0), 0.5e-10 + 1e-15) << n;
  }
  EXPECT_EQ(kUpwardFrequencies[124], 10548.08);
  EXPECT_EQ(kUpwardFrequencies[125], 11175.3);
  EXPECT_EQ(kUpwardFrequencies[126], 11839.82);
  EXPECT_EQ(kUpwardFrequencies[127], 12543.85);
  EXPECT_EQ(kDownwardFrequencies[1], 7.7171163805);
}

TEST(NoteToPitch, WithoutClientIsPlainProduct) {
  EXPECT_EQ(NoteToPitch(60, nullptr), 7680);
  EXPECT_EQ(NoteToPitch(69, nullptr), 8832);
  // Notes pushed out of the MIDI range by transpose and octave settings are not folded.
  EXPECT_EQ(NoteToPitch(-5, nullptr), -640);
  EXPECT_EQ(NoteToPitch(200, nullptr), 25600);
}

TEST(BitScale, HardwarePitchesAndBounds) {
  EXPECT_EQ(BitScaleTable.size(), 136u);
  for (int n = 0; n < 24; ++n) EXPECT_EQ(BitScaleTable[n], -1) << n;
  EXPECT_EQ(BitScalePitch(60), 7678);   // two steps flat
  EXPECT_EQ(BitScalePitch(84), 10759);  // seven steps sharp of 10752
  EXPECT_EQ(BitScalePitch(36), 4607);
  EXPECT_EQ(BitScalePitch(69), 8832);
  // The top of the table folds back an octave.
  EXPECT_LT(BitScalePitch(121), BitScalePitch(120));
  EXPECT_EQ(BitScalePitch(135), 14499);
  // Outside the table an oscillator is silent, while key tracking holds the top entry.
  EXPECT_EQ(BitScalePitch(136), -1);
  EXPECT_EQ(BitScalePitch(-3), -1);
  EXPECT_EQ(BitScaleKeyPitch(171), 14499);
  EXPECT_EQ(BitScaleKeyPitch(-3), -1);
  EXPECT_EQ(BitScaleKeyPitch(60), 7678);
  // Every sounding entry is a pitch within a semitone and a half of equal temperament,
  // apart from the folded top.
  for (int n = 24; n <= 120; ++n) EXPECT_NEAR(BitScaleTable[n], n * 128, 192) << n;
}

}  // namespace
}  // namespace pellory::engine
