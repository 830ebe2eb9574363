#pragma once
#include <array>
#include <cstdint>

#include "engine/Filter.h"

namespace pellory::engine {

// Rate steps of the LFO: frequency = 325.5 * value / 65535 Hz at any control rate.
extern const std::array<std::uint16_t, 64> LfoRateTable;

// One low-frequency oscillator unit of a layer (two per layer). Runs at the control rate; the
// voices of the layer read its four outputs in their control tick.
class Lfo {
 public:
  enum Waveform : int { kOff = 0, kTriangle = 1, kRampUp = 2, kRampDown = 3, kSquare = 4 };

  Lfo();  // smoother set up for a 1000 Hz control rate

  // 1 / (controlRate * 65535 / 325.5): converts the table rates to increments per control tick.
  // The delay increment follows, so the delay keeps its length in seconds.
  void SetRateScale(double scale);
  double RateScale() const { return rateScale_; }
  // The output smoother runs at the control rate.
  void SetupSmoother(double controlRate, double corner) { smoother_.Setup(controlRate, corner); }

  // Settings (values outside their range are clamped).
  void SetWaveform(int code);  // Waveform; unknown codes count as off
  void SetRate(int rate);      // 0..63
  void SetRateDynamic(double dynamic);
  void SetDepth(double depth);
  void SetWheelAmount(double amount);
  void SetFmRange(double pitch);  // pitch values (semitones * 128)
  void SetDelay(int delay);       // 0..63, index into the envelope rate table
  void SetRouting(bool toDco1, bool toDco2, bool toVcf, bool toVca);
  void SetToDco1(bool on) { toDco1_ = on; }
  void SetToDco2(bool on) { toDco2_ = on; }
  void SetToVcf(bool on) { toVcf_ = on; }
  void SetToVca(bool on) { toVca_ = on; }

  // Modulation wheel, 0..1.
  void SetWheel(double wheel);
  double Wheel() const { return wheel_; }
  // Every note-on: the velocity (0..1) sets the rate dynamic, and the delay ramp restarts.
  // The phase keeps running.
  void NoteOn(double velocity);

  void ControlTick();

  // Outputs, read by the voices.
  double Dco1Offset() const { return dco1Offset_; }
  double Dco2Offset() const { return dco2Offset_; }
  double VcfFactor() const { return vcfFactor_; }
  double VcaFactor() const { return vcaFactor_; }

  int GetWaveform() const { return waveform_; }
  int Rate() const { return rate_; }
  double Depth() const { return depth_; }
  double FmRange() const { return fmRange_; }
  double DelayIncrement() const { return delayIncrement_; }
  double Phase() const { return phase_; }
  bool ToDco1() const { return toDco1_; }
  bool ToVcf() const { return toVcf_; }

 private:
  double dco1Offset_ = 0.0, dco2Offset_ = 0.0;
  double vcfFactor_ = 1.0, vcaFactor_ = 1.0;
  LowPass smoother_;
  int waveform_ = kOff;
  std::uint8_t rate_ = 0;
  std::uint8_t delay_ = 0;
  double rateDynamic_ = 0.0;
  double depth_ = 0.0;
  double wheelAmount_ = 0.0;
  double fmRange_ = 640.0;
  bool toDco1_ = false, toDco2_ = false, toVcf_ = false, toVca_ = false;
  double rateScale_ = 4.966811627374685e-6;  // 1000 Hz control rate
  double wheel_ = 0.0;
  double velocity_ = 0.0;
  double phase_ = -1.0;
  double increment_ = 0.0;
  double delayRamp_ = 0.0;
  double delayIncrement_ = 0.0;
};

}  // namespace pellory::engine
