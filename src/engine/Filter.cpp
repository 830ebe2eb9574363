#include "engine/Filter.h"

namespace pellory::engine {
namespace {
constexpr double kPi = 3.14159265358979323846;
}  // namespace

double Filter::SetupCommon(double sampleRate, double corner, double& e) {
  x1_ = x2_ = y1_ = y2_ = 0.0;
  d_ = 1e-13;
  double w = (sampleRate > 0.0 ? 2.0 * kPi / sampleRate : 0.0) * corner;
  if (!std::isfinite(w)) w = 0.0;  // a nonsense rate or corner must not make the section NaN
  const double alpha = std::sin(w) / std::sqrt(2.0);
  e = 1.0 / (1.0 + alpha);
  const double cw = std::cos(w);
  a1_ = 2.0 * cw * e;
  a2_ = (alpha - 1.0) * e;
  return cw;
}

void Filter::Settle(double input) {
  if (!std::isfinite(input)) input = 0.0;
  const double gain = 1.0 - a1_ - a2_;
  const double output = gain != 0.0 ? (2.0 * b0_ + b1_) * input / gain : 0.0;
  x1_ = x2_ = input;
  y1_ = y2_ = output;
}

void LowPass::Setup(double sampleRate, double corner) {
  double e = 0.0;
  const double cw = SetupCommon(sampleRate, corner, e);
  b0_ = (1.0 - cw) / 2.0 * e;
  b1_ = (1.0 - cw) * e;
}

void HighPass::Setup(double sampleRate, double corner) {
  double e = 0.0;
  const double cw = SetupCommon(sampleRate, corner, e);
  b0_ = (1.0 + cw) / 2.0 * e;
  b1_ = -(1.0 + cw) * e;
}

}  // namespace pellory::engine
