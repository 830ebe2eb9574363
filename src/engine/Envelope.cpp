#include "engine/Envelope.h"

#include <cmath>

namespace pellory::engine {
namespace {

constexpr double kOneOver255 = 0.00392156862745098;

double Clamp01(double v) {
  if (!(v > 0.0)) return 0.0;  // also NaN
  return v > 1.0 ? 1.0 : v;
}

}  // namespace

const std::array<std::uint16_t, 64> EnvelopeRateTable = {
    65535, 49151, 32767, 24575, 19660, 16383, 14043, 12287, 9830, 8191, 7021, 6143, 4915, 4095, 3510, 3071,
    2457, 2047, 1755, 1535, 1228, 1023, 877, 767, 614, 511, 438, 383, 307, 255, 219, 191,
    170, 153, 139, 127, 118, 109, 102, 95, 85, 76, 69, 63, 59, 54, 51, 47,
    42, 38, 34, 31, 29, 27, 25, 23, 21, 19, 17, 15, 14, 13, 12, 11};

const std::array<std::uint8_t, 256> AttackCurve = {
    1, 1, 1, 1, 2, 3, 3, 3, 4, 5, 5, 6, 6, 7, 7, 8,
    8, 9, 10, 11, 11, 12, 13, 13, 14, 14, 14, 15, 16, 16, 17, 18,
    18, 19, 20, 20, 21, 22, 22, 23, 24, 24, 25, 26, 26, 27, 28, 29,
    30, 30, 31, 32, 33, 34, 34, 35, 35, 36, 37, 37, 38, 39, 40, 40,
    41, 42, 43, 43, 44, 45, 45, 46, 47, 47, 48, 48, 49, 50, 51, 52,
    52, 53, 54, 55, 55, 56, 57, 58, 59, 60, 60, 61, 61, 62, 63, 64,
    65, 66, 66, 67, 68, 69, 70, 71, 72, 73, 74, 74, 75, 76, 77, 78,
    78, 79, 80, 81, 82, 83, 84, 84, 85, 86, 87, 88, 89, 90, 90, 91,
    92, 92, 93, 94, 95, 96, 96, 97, 98, 99, 99, 100, 101, 102, 103, 104,
    105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120,
    121, 122, 123, 124, 125, 126, 128, 129, 130, 132, 133, 134, 135, 136, 137, 138,
    139, 140, 142, 142, 143, 145, 146, 147, 148, 149, 150, 151, 152, 153, 155, 156,
    157, 158, 159, 160, 162, 163, 164, 165, 166, 167, 168, 169, 170, 172, 173, 174,
    175, 176, 178, 179, 180, 182, 184, 185, 186, 188, 189, 191, 192, 193, 195, 196,
    198, 199, 200, 202, 204, 205, 206, 208, 210, 212, 214, 215, 217, 219, 221, 225,
    225, 226, 228, 230, 232, 233, 235, 237, 239, 241, 244, 246, 248, 250, 253, 255};

const std::array<std::uint8_t, 256> DecayCurve = {
    255, 234, 224, 218, 212, 206, 202, 198, 194, 190, 186, 182, 180, 176, 172, 168,
    166, 163, 161, 158, 156, 153, 151, 148, 146, 144, 142, 140, 138, 136, 134, 132,
    130, 128, 127, 125, 123, 121, 120, 118, 117, 115, 113, 112, 110, 109, 107, 106,
    105, 103, 102, 101, 99, 98, 97, 95, 94, 93, 92, 91, 90, 89, 88, 87,
    86, 84, 83, 83, 81, 80, 79, 78, 77, 76, 75, 75, 74, 73, 72, 71,
    70, 69, 68, 67, 67, 66, 65, 64, 63, 63, 62, 61, 60, 59, 59, 58,
    57, 57, 56, 55, 55, 54, 53, 53, 52, 51, 51, 50, 50, 49, 48, 48,
    47, 46, 46, 45, 45, 44, 44, 43, 42, 42, 41, 41, 40, 40, 39, 39,
    38, 37, 37, 36, 36, 35, 35, 34, 34, 33, 33, 32, 32, 31, 31, 31,
    30, 30, 29, 29, 29, 28, 28, 27, 27, 26, 26, 25, 25, 25, 24, 24,
    24, 23, 23, 23, 22, 22, 22, 21, 21, 20, 20, 19, 19, 19, 18, 18,
    18, 17, 17, 17, 16, 16, 16, 15, 15, 15, 15, 14, 14, 14, 13, 13,
    13, 12, 12, 12, 12, 11, 11, 11, 11, 10, 10, 10, 10, 10, 10, 9,
    9, 9, 9, 8, 8, 8, 8, 7, 7, 7, 7, 6, 6, 6, 6, 6,
    6, 5, 5, 5, 5, 4, 4, 4, 4, 3, 3, 3, 3, 2, 2, 2,
    2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0};

const std::array<std::uint8_t, 256> ReleaseCurve = {
    255, 253, 250, 248, 246, 244, 241, 239, 237, 235, 233, 232, 230, 228, 226, 225,
    225, 221, 219, 217, 215, 214, 212, 210, 208, 206, 205, 204, 202, 200, 199, 198,
    196, 195, 193, 192, 191, 189, 188, 186, 185, 184, 182, 180, 179, 178, 176, 175,
    174, 173, 172, 170, 169, 168, 167, 166, 165, 164, 163, 162, 160, 159, 158, 157,
    156, 155, 153, 152, 151, 150, 149, 148, 147, 146, 145, 143, 142, 142, 140, 139,
    138, 137, 136, 135, 134, 133, 132, 130, 129, 128, 126, 125, 124, 123, 122, 121,
    120, 119, 118, 117, 116, 115, 114, 113, 112, 111, 110, 109, 108, 107, 106, 105,
    104, 103, 102, 101, 100, 99, 99, 98, 97, 96, 96, 95, 94, 93, 92, 92,
    91, 90, 90, 89, 88, 87, 86, 85, 84, 84, 83, 82, 81, 80, 79, 78,
    78, 77, 76, 75, 74, 74, 73, 72, 71, 70, 69, 68, 67, 66, 66, 65,
    64, 63, 62, 61, 61, 60, 60, 59, 58, 57, 56, 55, 55, 54, 53, 52,
    52, 51, 50, 49, 48, 48, 47, 47, 46, 45, 45, 44, 43, 43, 42, 41,
    40, 40, 39, 38, 37, 37, 36, 35, 35, 34, 34, 33, 32, 31, 30, 30,
    29, 28, 27, 26, 26, 25, 24, 24, 23, 22, 22, 21, 20, 20, 19, 18,
    18, 17, 16, 16, 15, 14, 14, 14, 13, 13, 12, 11, 11, 10, 9, 8,
    8, 7, 7, 6, 6, 5, 5, 4, 3, 3, 2, 2, 1, 1, 1, 0};

double Envelope::RateScaleFor(double controlRate) { return 255.0 / (controlRate * 65535.0 / 325.5); }

void Envelope::SetRateScale(double scale) {
  if (std::isfinite(scale) && scale > 0.0) rateScale_ = scale;
}

void Envelope::SetAttack(int index) {
  attack_ = static_cast<std::uint8_t>(index & 63);
  if (stage_ == kAttack) ComputeAttackRate();
}

void Envelope::SetAttackDynamic(double dynamic) {
  attackDynamic_ = Clamp01(dynamic);
  if (stage_ == kAttack) ComputeAttackRate();
}

void Envelope::SetDecay(int index) {
  decay_ = static_cast<std::uint8_t>(index & 63);
  if (stage_ == kDecay) increment_ = RateIncrement(decay_);
}

void Envelope::SetRelease(int index) {
  release_ = static_cast<std::uint8_t>(index & 63);
  if (stage_ == kRelease) increment_ = RateIncrement(release_);
}

void Envelope::SetSustain(double level) { sustain_ = Clamp01(level); }

void Envelope::ComputeAttackRate() {
  // Higher velocity shortens the attack by the dynamic's share.
  const double x = (1.0 - velocity_ * attackDynamic_) * attack_;
  effectiveAttack_ = x > 63.0 ? 63 : static_cast<std::uint8_t>(std::round(x));
  increment_ = RateIncrement(effectiveAttack_);
}

void Envelope::Start(double velocity) {
  velocity_ = Clamp01(velocity);
  stage_ = kAttack;
  ComputeAttackRate();
  accumulator_ = 0.0;
  stageDone_ = false;
  position_ = 0;
  startLevel_ = output_;
}

void Envelope::Release() {
  accumulator_ = 0.0;
  position_ = 0;
  if (output_ > 0.0) {
    startLevel_ = output_;
    stage_ = kRelease;
    stageDone_ = false;
    increment_ = RateIncrement(release_);
  } else {
    stage_ = kIdle;
    stageDone_ = true;
    increment_ = 0.0;
    output_ = 0.0;
  }
}

void Envelope::ControlTick() {
  if (stage_ == kIdle) return;
  if (!stageDone_) {
    accumulator_ += increment_;
    if (accumulator_ > 255.0) {
      stageDone_ = true;
      position_ = 255;
    } else {
      position_ = static_cast<std::uint8_t>(std::floor(accumulator_));
    }
  }
  switch (stage_) {
    case kAttack:
      if (stageDone_) {
        // The tick that passes the top already belongs to the decay.
        stage_ = kDecay;
        accumulator_ = 0.0;
        output_ = 1.0;
        stageDone_ = false;
        position_ = 0;
        increment_ = RateIncrement(decay_);
        startLevel_ = 1.0;
      } else {
        output_ = AttackCurve[position_] * kOneOver255;
      }
      break;
    case kDecay:
      // Once done the position rests at 255, where the curve is 0: the sustain level.
      output_ = DecayCurve[position_] * ((startLevel_ - sustain_) * kOneOver255) + sustain_;
      break;
    case kRelease:
      if (stageDone_) {
        stage_ = kIdle;
        accumulator_ = 0.0;
        output_ = 0.0;
        position_ = 0;
        startLevel_ = 0.0;
        increment_ = 0.0;
      } else {
        output_ = ReleaseCurve[position_] * (startLevel_ * kOneOver255);
      }
      break;
    default:
      break;
  }
}

}  // namespace pellory::engine
