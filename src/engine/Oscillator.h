#pragma once
// One band-limited oscillator: triangle, sawtooth and pulse read from the shared wavetables
// through 28-bit phase accumulators, summed and passed through a 1.5 Hz DC blocker.
#include <cmath>
#include <cstdint>

#include "engine/Filter.h"
#include "engine/Wavetables.h"

namespace pellory::engine {

class Oscillator {
 public:
  static constexpr std::uint32_t kPhaseMask = 0x0FFFFFFF;

  Oscillator();  // set up for 44100 Hz; builds the process's wavetables on first use

  // On a new rate: switch to that rate's increment table and set up the DC blocker. Always
  // zeroes both phases and the increment. A rate that is not a positive finite number is
  // ignored (phases are still zeroed).
  void SetSampleRate(double rate);

  // Control rate: pitch value plus offset (both in 1/128 semitone). pitch <= 0 (or NaN)
  // silences the oscillator; pitch + offset is clamped into 0..17280 (NaN plays as 0).
  // Re-aligns the second phase with the duty and picks the band-limited level.
  void SetPitch(double pitch, double offset);

  void SetTriangle(bool on) { triangle_ = on; }
  void SetSawtooth(bool on) { sawtooth_ = on; }
  void SetPulse(bool on) { pulse_ = on; }
  // Each of these recomputes the pulse duty (velocity at note-on).
  void SetPulseWidth(double width);           // 0..1
  void SetPulseWidthDynamic(double dynamic);  // 0..1
  void SetVelocity(double velocity);          // 0..1

  // Audio rate: one output sample. No allocation, no transcendental function.
  double RenderSample() {
    const double x = WaveReader(*this)(phase1_, phase2_);
    AdvancePhase();
    return dcBlocker_.Process(x);
  }

  // RenderSample() for n samples into out.
  void RenderRun(double* out, int n) {
    const HighPass& f = dcBlocker_;
    if (std::isfinite(f.x1_) && std::isfinite(f.x2_) && std::isfinite(f.y1_) && std::isfinite(f.y2_)) {
      // The waveforms are finite, so the DC blocker's clean-ups only add the offset unless
      // something overflows; then the run is done again with them.
      const HighPass saved = f;
      const std::uint32_t p1 = phase1_, p2 = phase2_;
      if (Run<false>(out, n)) return;
      dcBlocker_ = saved;
      phase1_ = p1;
      phase2_ = p2;
    }
    Run<true>(out, n);
  }

  // The waveforms' sum before the DC blocker for n samples, into out[0], out[stride], ...; the
  // phases turn as in RenderRun. The voice lanes run the DC blocker on these themselves.
  void RenderWaves(double* out, int stride, int n) {
    std::uint32_t p1 = phase1_, p2 = phase2_;
    const std::uint32_t inc = static_cast<std::uint32_t>(increment_);
    const WaveReader wave(*this);
    for (int s = 0; s < n; ++s) {
      out[s * stride] = wave(p1, p2);
      p1 = (p1 + inc) & kPhaseMask;
      p2 = (p2 + inc) & kPhaseMask;
    }
    phase1_ = p1;
    phase2_ = p2;
  }

  // AdvancePhase() n times; the 28-bit phase wraps exactly within 32-bit arithmetic.
  void SkipRun(int n) {
    const std::uint32_t step = static_cast<std::uint32_t>(n) * static_cast<std::uint32_t>(increment_);
    phase1_ = (phase1_ + step) & kPhaseMask;
    phase2_ = (phase2_ + step) & kPhaseMask;
  }

  // Starting phase of both readings (SetPitch puts the second back in its duty relation).
  void SetPhase(std::uint32_t phase) { phase1_ = phase2_ = phase & kPhaseMask; }

  // Puts the DC blocker where the current waveforms would have settled it (the triangle carries
  // an offset), so a note on a silent oscillator starts centred instead of drifting in.
  void SettleDcBlocker();

  // Advances both phases by one sample without producing output (an idle voice does this).
  void AdvancePhase() {
    phase1_ = (phase1_ + static_cast<std::uint32_t>(increment_)) & kPhaseMask;
    phase2_ = (phase2_ + static_cast<std::uint32_t>(increment_)) & kPhaseMask;
  }

  double SampleRate() const { return sampleRate_; }
  std::int32_t Increment() const { return increment_; }
  int Level() const { return level_; }  // -1 while silent
  bool IsSilent() const { return waves_ == nullptr; }
  bool DcBlockerIsFinite() const { return dcBlocker_.IsFinite(); }
  double Duty() const { return duty_; }
  std::uint32_t Phase1() const { return phase1_; }
  std::uint32_t Phase2() const { return phase2_; }

 private:
  void UpdateDuty();

  // The waveforms' sum at a pair of phases, before the DC blocker: pulse as the difference of
  // two full sawtooth readings, then sawtooth, then triangle (Wavetables::Interleaved).
  struct WaveReader {
    const double* waves;
    bool pulse, sawtooth, triangle;
    explicit WaveReader(const Oscillator& o)
        : waves(o.waves_), pulse(waves != nullptr && o.pulse_), sawtooth(waves != nullptr && o.sawtooth_),
          triangle(waves != nullptr && o.triangle_) {}
    double operator()(std::uint32_t p1, std::uint32_t p2) const {
      double x = 0.0;
      const double* at = waves + 4 * (p1 >> 16);
      if (pulse) x = at[0] - waves[4 * (p2 >> 16)];
      if (sawtooth) x += at[1];
      if (triangle) x += at[2];
      return x;
    }
  };

  template <bool kChecked>
  bool Run(double* out, int n) {
    std::uint32_t p1 = phase1_, p2 = phase2_;
    const std::uint32_t inc = static_cast<std::uint32_t>(increment_);
    HighPass& f = dcBlocker_;
    double x1 = f.x1_, x2 = f.x2_, y1 = f.y1_, y2 = f.y2_, d = f.d_;
    const double b0 = f.b0_, b1 = f.b1_, a1 = f.a1_, a2 = f.a2_;
    const WaveReader wave(*this);
    double poison = 0.0;  // stays 0 unless an output is infinite or NaN
    for (int s = 0; s < n; ++s) {
      double x = wave(p1, p2);
      p1 = (p1 + inc) & kPhaseMask;
      p2 = (p2 + inc) & kPhaseMask;
      if (kChecked) {
        x = Filter::CleanWith(x, d);
        x1 = Filter::CleanWith(x1, d);
        x2 = Filter::CleanWith(x2, d);
        y1 = Filter::CleanWith(y1, d);
        y2 = Filter::CleanWith(y2, d);
      } else {
        x += d;
        x1 += d;
        x2 += d;
        y1 += d;
        y2 += d;
      }
      const double y = b0 * (x + x2) + b1 * x1 + a1 * y1 + a2 * y2;
      x2 = x1;
      x1 = x;
      y2 = y1;
      y1 = y;
      d = -d;
      out[s] = y;
      if (!kChecked) poison += y * 0.0;
    }
    phase1_ = p1;
    phase2_ = p2;
    f.x1_ = x1, f.x2_ = x2, f.y1_ = y1, f.y2_ = y2, f.d_ = d;
    return poison == 0.0;
  }

  friend struct VoiceLanes;  // runs the DC blockers of several voices as vector lanes

  HighPass dcBlocker_;
  bool triangle_ = false, sawtooth_ = false, pulse_ = false;
  double pulseWidth_ = 0.0;
  double pulseWidthDynamic_ = 0.0;
  const double* waves_ = nullptr;  // the level's interleaved tables; null: silent
  double sampleRate_ = 1.0;
  double velocity_ = 0.0;
  double duty_ = 0.0;
  std::uint32_t phase1_ = 0, phase2_ = 0;
  std::int32_t increment_ = 0;
  std::int16_t halvedSpeed_ = 0;  // the table speed halvings_ was counted for
  int halvings_ = 0;
  int level_ = -1;
  const Wavetables* tables_ = nullptr;
  const PhaseIncrementTable* increments_ = nullptr;
};

}  // namespace pellory::engine
