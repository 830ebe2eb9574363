#pragma once
#include "engine/Filter.h"

namespace pellory::engine {

// One low-frequency oscillator unit of a layer (two per layer). Runs at the control rate.
class Lfo {
 public:
  // 1 / (controlRate * 65535 / 325.5): converts the table rates to increments per control tick.
  void SetRateScale(double scale) { rateScale_ = scale; }
  double RateScale() const { return rateScale_; }
  // The output smoother runs at the control rate.
  void SetupSmoother(double controlRate, double corner) { smoother_.Setup(controlRate, corner); }
  // Modulation wheel, 0..1.
  void SetWheel(double wheel) { wheel_ = wheel; }
  double Wheel() const { return wheel_; }

  void ControlTick();

 private:
  double rateScale_ = 0.0;
  double wheel_ = 0.0;
  LowPass smoother_;
};

}  // namespace pellory::engine
