#include <gtest/gtest.h>

#include <cmath>

#include "engine/Envelope.h"

namespace pellory::engine {
namespace {

constexpr double kHigh = 1000.0;
constexpr double kBit = 325.5;

Envelope Make(double controlRate, int attack, int decay, double sustain, int release) {
  Envelope env;
  env.SetRateScale(Envelope::RateScaleFor(controlRate));
  env.SetAttack(attack);
  env.SetDecay(decay);
  env.SetSustain(sustain);
  env.SetRelease(release);
  return env;
}

// Ticks until the envelope leaves `stage`.
int TicksInStage(Envelope& env, int stage, int limit = 100000) {
  int ticks = 0;
  while (env.GetStage() == stage && ticks < limit) {
    env.ControlTick();
    ++ticks;
  }
  return ticks;
}

TEST(Envelope, FastestAttackTakesSameTimeAtBothRates) {
  Envelope high = Make(kHigh, 0, 10, 0.5, 10);
  high.Start(1.0);
  EXPECT_NEAR(high.Increment(), 83.0025, 1e-9);
  for (int tick = 1; tick <= 3; ++tick) {
    high.ControlTick();
    EXPECT_EQ(high.GetStage(), Envelope::kAttack) << tick;
    EXPECT_LT(high.Output(), 1.0);
  }
  high.ControlTick();
  EXPECT_EQ(high.GetStage(), Envelope::kDecay);
  EXPECT_EQ(high.Output(), 1.0);

  Envelope bit = Make(kBit, 0, 10, 0.5, 10);
  bit.Start(1.0);
  EXPECT_NEAR(bit.Increment(), 255.0, 1e-9);
  bit.ControlTick();
  EXPECT_EQ(bit.GetStage(), Envelope::kAttack);
  bit.ControlTick();
  EXPECT_EQ(bit.GetStage(), Envelope::kDecay);
  EXPECT_EQ(bit.Output(), 1.0);
}

TEST(Envelope, StageDurationsFollowRateTable) {
  const struct {
    int index;
    double seconds;
  } expected[] = {{0, 0.0031}, {16, 0.082}, {32, 1.18}, {48, 4.79}, {63, 18.3}};
  for (double rate : {kHigh, kBit}) {
    for (const auto& e : expected) {
      SCOPED_TRACE(testing::Message() << "rate " << rate << " index " << e.index);
      const double exact = 65535.0 / (325.5 * EnvelopeRateTable[e.index]);
      EXPECT_NEAR(exact, e.seconds, e.seconds * 0.015);
      Envelope attack = Make(rate, e.index, 0, 1.0, 0);
      attack.Start(1.0);
      EXPECT_NEAR(TicksInStage(attack, Envelope::kAttack) / rate, exact, 1.0 / rate + 1e-9);

      // Decay reaches the sustain level a little early (its curve ends in a few zeros);
      // release returns to idle after the full time.
      Envelope adsr = Make(rate, 0, e.index, 0.25, e.index);
      adsr.Start(1.0);
      TicksInStage(adsr, Envelope::kAttack);
      int ticks = 0;
      while (adsr.Output() > 0.25 && ticks < 100000) {
        adsr.ControlTick();
        ++ticks;
      }
      EXPECT_GT(ticks / rate, exact * 0.98 - 1.0 / rate);
      EXPECT_LE(ticks / rate, exact + 1.0 / rate);
      adsr.Release();
      EXPECT_NEAR(TicksInStage(adsr, Envelope::kRelease) / rate, exact, 1.0 / rate + 1e-9);
      EXPECT_EQ(adsr.Output(), 0.0);
      EXPECT_TRUE(adsr.IsIdle());
    }
  }
}

TEST(Envelope, ShapesRiseDecayToSustainAndRelease) {
  Envelope env = Make(kHigh, 20, 20, 0.4, 20);
  env.Start(1.0);
  double last = -1.0;
  while (env.GetStage() == Envelope::kAttack) {
    env.ControlTick();
    EXPECT_GE(env.Output(), last);
    last = env.Output();
  }
  EXPECT_EQ(last, 1.0);
  for (int i = 0; i < 5000; ++i) {
    env.ControlTick();
    EXPECT_LE(env.Output(), last);
    EXPECT_GE(env.Output(), 0.4);
    last = env.Output();
  }
  EXPECT_DOUBLE_EQ(env.Output(), 0.4);
  env.SetSustain(0.7);  // takes effect at the next tick, also while sustaining
  env.ControlTick();
  EXPECT_DOUBLE_EQ(env.Output(), 0.7);
  env.Release();
  env.ControlTick();
  EXPECT_LE(env.Output(), 0.7);
  EXPECT_GT(env.Output(), 0.6);
}

TEST(Envelope, FullSustainHoldsOne) {
  for (int decay : {0, 30, 63}) {
    Envelope env = Make(kHigh, 0, decay, 1.0, 0);
    env.Start(0.3);
    for (int i = 0; i < 30000; ++i) env.ControlTick();
    EXPECT_EQ(env.Output(), 1.0) << decay;
  }
}

TEST(Envelope, ReleaseAtZeroGoesIdleAtOnce) {
  Envelope env = Make(kHigh, 63, 0, 1.0, 63);
  env.Start(1.0);
  env.Release();  // nothing has ticked: output still 0
  EXPECT_TRUE(env.IsIdle());
  EXPECT_EQ(env.Output(), 0.0);
  env.ControlTick();
  EXPECT_TRUE(env.IsIdle());
}

TEST(Envelope, ReleaseAndRestartMidStage) {
  Envelope env = Make(kHigh, 30, 0, 1.0, 30);
  env.Start(1.0);
  for (int i = 0; i < 300; ++i) env.ControlTick();
  const double reached = env.Output();
  ASSERT_GT(reached, 0.1);
  ASSERT_LT(reached, 1.0);
  env.Release();
  env.ControlTick();
  EXPECT_EQ(env.GetStage(), Envelope::kRelease);
  EXPECT_LE(env.Output(), reached);
  EXPECT_GT(env.Output(), reached * 0.9);
  for (int i = 0; i < 100; ++i) env.ControlTick();
  // A new note restarts the attack from the bottom of its curve, whatever the output was.
  env.Start(1.0);
  env.ControlTick();
  EXPECT_EQ(env.GetStage(), Envelope::kAttack);
  EXPECT_LT(env.Output(), 0.05);
}

TEST(Envelope, VelocityShortensAttackByDynamic) {
  Envelope env = Make(kHigh, 40, 0, 1.0, 0);
  env.SetAttackDynamic(1.0);
  env.Start(1.0);
  EXPECT_EQ(env.EffectiveAttack(), 0);
  env.Start(0.5);
  EXPECT_EQ(env.EffectiveAttack(), 20);
  env.SetAttackDynamic(0.0);  // recomputed while in attack
  EXPECT_EQ(env.EffectiveAttack(), 40);
  EXPECT_DOUBLE_EQ(env.Increment(), EnvelopeRateTable[40] * Envelope::RateScaleFor(kHigh));
  env.SetAttack(10);
  EXPECT_EQ(env.EffectiveAttack(), 10);
}

TEST(Envelope, RateScaleChangeKeepsRunningIncrement) {
  Envelope env = Make(kHigh, 40, 40, 0.0, 40);
  env.Start(1.0);
  const double running = env.Increment();
  env.SetRateScale(Envelope::RateScaleFor(kBit));
  EXPECT_EQ(env.Increment(), running);
  TicksInStage(env, Envelope::kAttack);
  EXPECT_DOUBLE_EQ(env.Increment(), EnvelopeRateTable[40] * Envelope::RateScaleFor(kBit));
}

TEST(Envelope, BadSettingsStayInRange) {
  Envelope env = Make(kHigh, 200, -7, std::nan(""), 1000);
  env.SetAttackDynamic(std::nan(""));
  env.SetRateScale(std::nan(""));
  env.SetRateScale(-1.0);
  env.Start(std::nan(""));
  EXPECT_LE(env.EffectiveAttack(), 63);
  for (int i = 0; i < 100000 && !env.IsIdle(); ++i) {
    env.ControlTick();
    ASSERT_TRUE(std::isfinite(env.Output()));
    ASSERT_GE(env.Output(), 0.0);
    ASSERT_LE(env.Output(), 1.0);
    if (i == 5000) env.Release();
  }
  EXPECT_TRUE(env.IsIdle());
}

}  // namespace
}  // namespace pellory::engine
