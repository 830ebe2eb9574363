#include "engine/Oscillator.h"

#include <array>
#include <cmath>

namespace pellory::engine {

Oscillator::Oscillator() : dcBlocker_(1.0, 1.5) {
  UpdateDuty();
  SetSampleRate(44100.0);
  tables_ = &SharedWavetables();
}

void Oscillator::SetSampleRate(double rate) {
  if (rate != sampleRate_ && std::isfinite(rate) && rate > 0.0) {
    sampleRate_ = rate;
    increments_ = &PhaseIncrementTable::ForSampleRate(rate);
    dcBlocker_.Setup(rate, 1.5);
  }
  phase1_ = phase2_ = 0;
  increment_ = 0;
}

void Oscillator::SetPitch(double pitch, double offset) {
  if (!(pitch > 0.0)) {
    waves_ = nullptr;
    level_ = -1;
    return;
  }
  double k = std::trunc(pitch + offset);
  if (!(k >= 0.0)) k = 0.0;  // also NaN
  if (k > kMaxPitch) k = kMaxPitch;
  increment_ = (*increments_)[static_cast<int>(k)];

  // The two pulse readings are put back in their duty relation every control block.
  std::uint32_t phase2 = phase1_;
  if (duty_ >= 0.0 && duty_ <= 1.0) {
    phase2 = static_cast<std::uint32_t>(static_cast<std::int64_t>(phase1_ + duty_ * 268435456.0));
  }
  phase2_ = phase2 & kPhaseMask;

  // Halve the harmonic count per octave of table speed until the top harmonic fits below
  // half the sample rate. The table speed changes far less often than the increment, so the
  // count is kept for the last speed.
  const std::int16_t speed = static_cast<std::int16_t>(increment_ >> 16);
  if (speed != halvedSpeed_) {
    double f = speed;
    halvings_ = 0;
    while (f > 1.0) {
      f *= 0.7071067811865476;
      ++halvings_;
    }
    halvedSpeed_ = speed;
  }
  int level = halvings_;
  // That estimate counts whole table samples and rounded harmonic counts, so its top harmonic
  // can pass half the rate (by up to twice at table speed 1) and fold back; go on until the
  // top harmonic really fits: harmonics * increment <= 2^27, half a cycle of the 28-bit phase.
  static const std::array<std::int64_t, Wavetables::kLevels> harmonics = [] {
    std::array<std::int64_t, Wavetables::kLevels> counts{};
    for (int i = 0; i < Wavetables::kLevels; ++i) counts[static_cast<std::size_t>(i)] = WavetableHarmonics(i);
    return counts;
  }();
  while (level < Wavetables::kLevels - 1 &&
         harmonics[static_cast<std::size_t>(level)] * increment_ > (std::int64_t{1} << 27)) {
    ++level;
  }
  if (level > Wavetables::kLevels - 1) level = Wavetables::kLevels - 1;
  level_ = level;
  waves_ = tables_->Interleaved(level);
}

void Oscillator::SettleDcBlocker() {
  const double offset = (triangle_ && waves_ != nullptr && level_ >= 0) ? tables_->TriangleMean(level_) : 0.0;
  dcBlocker_.Settle(offset);
}

void Oscillator::SetPulseWidth(double width) {
  pulseWidth_ = width;
  UpdateDuty();
}

void Oscillator::SetPulseWidthDynamic(double dynamic) {
  pulseWidthDynamic_ = dynamic;
  UpdateDuty();
}

void Oscillator::SetVelocity(double velocity) {
  velocity_ = velocity;
  UpdateDuty();
}

void Oscillator::UpdateDuty() {
  // 0.03 .. 0.97 across the width; the dynamic pulls it towards 0.03 as velocity falls.
  duty_ = ((velocity_ - 0.94) * pulseWidthDynamic_ + 0.94) * pulseWidth_ + 0.03;
}

}  // namespace pellory::engine
