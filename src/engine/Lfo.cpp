#include "engine/Lfo.h"

#include <cmath>

#include "engine/Envelope.h"

namespace pellory::engine {

namespace {
constexpr double kOneOver127 = 0.007874015748031496;

double Clamp01(double v) {
  if (!(v > 0.0)) return 0.0;  // also NaN
  return v > 1.0 ? 1.0 : v;
}

int ClampIndex(int v) { return v < 0 ? 0 : v > 63 ? 63 : v; }
}  // namespace

const std::array<std::uint16_t, 64> LfoRateTable = {
    19,    39,    58,    78,    98,    118,   137,   147,   157,   167,   176,   186,   196,
    295,   393,   491,   590,   640,   689,   739,   786,   885,   983,   1086,  1184,  1285,
    1384,  1478,  1572,  1680,  1771,  1872,  1966,  2184,  2368,  2586,  2769,  2978,  3171,
    3389,  3574,  3780,  3932,  4183,  4369,  4572,  4915,  5957,  7021,  7864,  8936,  9830,
    10922, 12287, 14043, 16383, 17873, 19660, 21845, 24575, 28086, 31232, 32000, 32767};

Lfo::Lfo() {
  smoother_.Setup(1000.0, 88.2);
  SetDelay(0);
}

void Lfo::SetRateScale(double scale) {
  if (!(std::isfinite(scale) && scale > 0.0)) return;
  rateScale_ = scale;
  delayIncrement_ = EnvelopeRateTable[delay_] * rateScale_;
}

void Lfo::SetWaveform(int code) { waveform_ = code >= kOff && code <= kSquare ? code : kOff; }
void Lfo::SetRate(int rate) { rate_ = static_cast<std::uint8_t>(ClampIndex(rate)); }
void Lfo::SetRateDynamic(double dynamic) { rateDynamic_ = Clamp01(dynamic); }
void Lfo::SetDepth(double depth) { depth_ = Clamp01(depth); }
void Lfo::SetWheelAmount(double amount) { wheelAmount_ = Clamp01(amount); }
void Lfo::SetWheel(double wheel) { wheel_ = Clamp01(wheel); }

void Lfo::SetFmRange(double pitch) {
  if (!std::isfinite(pitch)) pitch = 0.0;
  fmRange_ = pitch < 0.0 ? 0.0 : pitch > 24 * 128.0 ? 24 * 128.0 : pitch;
}

void Lfo::SetDelay(int delay) {
  delay_ = static_cast<std::uint8_t>(ClampIndex(delay));
  delayIncrement_ = EnvelopeRateTable[delay_] * rateScale_;
}

void Lfo::SetRouting(bool toDco1, bool toDco2, bool toVcf, bool toVca) {
  toDco1_ = toDco1;
  toDco2_ = toDco2;
  toVcf_ = toVcf;
  toVca_ = toVca;
}

void Lfo::NoteOn(double velocity) {
  velocity_ = Clamp01(velocity);
  delayRamp_ = 0.0;
}

void Lfo::ControlTick() {
  // A soft key slows the LFO by the rate dynamic's share.
  increment_ = ((velocity_ - 1.0) * rateDynamic_ + 1.0) * (LfoRateTable[rate_] * 2.0 * rateScale_);

  const double p = phase_;
  double w;
  switch (waveform_) {
    case kTriangle: w = 2.0 * std::fabs(p) - 1.0; break;
    case kRampUp: w = p; break;
    case kRampDown: w = -p; break;
    case kSquare: w = p < 0.0 ? -1.0 : 1.0; break;
    default: w = 0.0; break;
  }
  if (wheelAmount_ > 0.0) w *= (wheel_ - 1.0) * wheelAmount_ + 1.0;
  w = smoother_.Process(w);
  if (delayRamp_ < 1.0) {
    // The ramp's old value counts, so the first tick after a note-on is silent.
    w *= delayRamp_;
    delayRamp_ += delayIncrement_;
  }
  phase_ += increment_;
  if (phase_ >= 1.0) phase_ -= 2.0;

  const bool off = waveform_ == kOff;
  const double m = depth_ * fmRange_ * w;
  dco1Offset_ = toDco1_ && !off ? m : 0.0;
  dco2Offset_ = toDco2_ && !off ? m : 0.0;
  vcfFactor_ = toVcf_ && !off ? (w + 1.0) * 0.5 * depth_ * (61.0 / 63.0) + 1.0 : 1.0;
  vcaFactor_ = toVca_ && !off ? ((w + 1.0) * 0.5 - 1.0) * depth_ + 1.0 : 1.0;
}

}  // namespace pellory::engine
