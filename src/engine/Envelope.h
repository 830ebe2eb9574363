#pragma once
// Table-driven ADSR envelope, ticked once per control block. Stage lengths come from a 64-step
// rate table and shapes from three 256-entry curves; the rate scale folds in the control rate
// so that durations in seconds do not depend on it.
#include <array>
#include <cstdint>

namespace pellory::engine {

extern const std::array<std::uint16_t, 64> EnvelopeRateTable;
extern const std::array<std::uint8_t, 256> AttackCurve;
extern const std::array<std::uint8_t, 256> DecayCurve;
extern const std::array<std::uint8_t, 256> ReleaseCurve;

class Envelope {
 public:
  enum Stage : int { kIdle = 0, kAttack = 1, kDecay = 2, kRelease = 3 };

  // Rate scale for a control rate in Hz: 255 / (rate * 65535 / 325.5).
  static double RateScaleFor(double controlRate);

  // Ignored unless positive and finite. Increments already running keep their value until the
  // next stage starts.
  void SetRateScale(double scale);

  // Setting changes; rate indices are 0..63 (masked), levels and dynamics 0..1 (clamped).
  void SetAttack(int index);
  void SetDecay(int index);
  void SetRelease(int index);
  void SetSustain(double level);
  void SetAttackDynamic(double dynamic);

  // Note-on with velocity 0..1: restarts the attack from the bottom of its curve.
  void Start(double velocity);
  // Note-off: releases from the current output, or goes idle at once when the output is 0.
  void Release();
  // Once per control block.
  void ControlTick();

  double Output() const { return output_; }
  int GetStage() const { return stage_; }
  bool IsIdle() const { return stage_ == kIdle; }
  int EffectiveAttack() const { return effectiveAttack_; }
  double Increment() const { return increment_; }

 private:
  void ComputeAttackRate();
  double RateIncrement(int index) const { return EnvelopeRateTable[index] * rateScale_; }

  double output_ = 0.0;
  std::uint8_t attack_ = 0, decay_ = 0, release_ = 0;
  double attackDynamic_ = 0.0;
  double sustain_ = 0.0;
  int stage_ = kIdle;
  std::uint8_t position_ = 0;
  std::uint8_t effectiveAttack_ = 0;
  bool stageDone_ = true;
  double rateScale_ = 0.0012665369649805447;  // 1000 Hz control rate
  double velocity_ = 0.0;
  double accumulator_ = 0.0;
  double increment_ = 0.0;
  double startLevel_ = 0.0;
};

}  // namespace pellory::engine
