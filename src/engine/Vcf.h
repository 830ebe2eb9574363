#pragma once
// Four-pole resonant low-pass ladder solved without a unit delay in the loop, with a soft
// clipper in the feedback path and an output gain that makes up for the resonance's loss.
#include <array>
#include <cmath>

#include "engine/Tuning.h"

namespace pellory::engine {

// Per-rate coefficient tables indexed by pitch value 0..17280 (the cutoff).
struct VcfTables {
  static constexpr int kSize = kMaxPitch + 1;

  explicit VcfTables(double sampleRate);
  // The process's tables for this rate, built on first request (thread-safe, kept for good).
  static const VcfTables& ForSampleRate(double sampleRate);

  std::array<double, kSize> omega;     // 2*pi*f / sampleRate, not prewarped
  std::array<double, kSize> feedback;  // loop gain that just reaches self-oscillation
  // What the filter derives from omega alone, computed once here instead of at every cutoff
  // change: G = omega / (omega + 2), v = (omega - 2) / (omega + 2), G4 = (G G)(G G).
  std::array<double, kSize> onePole, damping, onePole4;
};

class Vcf {
 public:
  static constexpr double kMaxResonance = 250.0 / 226.0;

  Vcf();  // set up for 44100 Hz

  // On a new rate: switch to that rate's tables. Always clears the states and coefficients.
  // A rate that is not a positive finite number is ignored (the clearing still happens).
  void SetSampleRate(double rate);

  // Resonance setting 0..1 (clamped; NaN counts as 0), stored as k = b * 250/226. When k
  // reaches 1 on a silent filter the states get a small kick so that it starts ringing.
  void SetResonance(double normalised);

  // One sample: x is the input, control the cutoff 0..1 (cutoff pitch = round(control*17280),
  // clamped). A non-finite input counts as 0; a non-finite state is cleared.
  double Process(double x, double control) {
    const double index = std::round(control * kMaxPitch);
    if (!(index == cachedIndex_)) UpdateCoefficients(index);

    s1_ = Clean(s1_);
    s2_ = Clean(s2_);
    s3_ = Clean(s3_);
    s4_ = Clean(s4_);
    dn_ = -dn_;
    if (!std::isfinite(x)) x = 0.0;

    // Exact output of the loop with linear feedback.
    const double y = (((s1_ * G_ + s2_) * G_ + s3_) * G_ + s4_ + x * G4_) * normaliser_;

    // The states move with saturated feedback, t ~ 5 tanh(y / 5).
    const double r = 0.2 * y;
    double t;
    if (r < -3.0) {
      t = -5.0;
    } else if (r > 3.0) {
      t = 5.0;
    } else {
      const double r2 = r * r;
      t = 5.0 * r * (r2 + 27.0) / (9.0 * r2 + 27.0);
    }

    const double u = G_ * (x - t * feedback_);
    const double y1 = s1_ + u;
    s1_ = u - v_ * y1;
    const double w2 = G_ * y1;
    const double y2 = s2_ + w2;
    s2_ = w2 - v_ * y2;
    const double w3 = G_ * y2;
    const double y3 = s3_ + w3;
    s3_ = w3 - v_ * y3;
    const double w4 = G_ * y3;
    const double y4 = s4_ + w4;
    s4_ = w4 - v_ * y4;

    return y * outputGain_;
  }

  // Process(x[s], control[s]) * gain[s] for n samples into out, the same arithmetic with the
  // state kept in registers over the run.
  void ProcessRun(const double* x, const double* control, const double* gain, double* out, int n) {
    if (std::isfinite(s1_) && std::isfinite(s2_) && std::isfinite(s3_) && std::isfinite(s4_)) {
      // While input and states stay finite the clean-ups only add the offset; a non-finite
      // value shows in the output or the final states, and then the run is done again with them.
      const Vcf saved = *this;
      if (Run<false>(x, control, gain, out, n)) return;
      *this = saved;
    }
    Run<true>(x, control, gain, out, n);
  }

  // ProcessRun on 2, 4 or 8 filters at once, each with its own input, control, gain and output,
  // the filters as the lanes of vector registers: SSE2 everywhere, AVX and AVX-512 where the
  // processor has them. Each lane does the scalar operations in the same order (no fused
  // multiply-add, the clipper's branches as lane-wise selections), so every output is the same
  // double. Only the unchecked arithmetic: returns false when anything went non-finite, and the
  // caller then restores the filters and runs them one by one.
  static bool ProcessLanes(int count, Vcf* const* f, const double* const* x, const double* const* control,
                           const double* const* gain, double* const* out, int n);

  // The instruction sets the lanes may use, each only where the processor has it: SSE2 alone,
  // up to AVX, up to AVX2, or up to AVX-512 (the default). Returns the previous limit. Lets
  // every path be checked on a machine that has the widest.
  enum class LaneSet { kSse2, kAvx, kAvx2, kAvx512 };
  static LaneSet LimitLanes(LaneSet widest);

  // round(v), halves away from zero, without a library call in the range that matters. The
  // sign of a zero may differ, which no comparison of the index can tell.
  static double RoundIndex(double v) {
    if (!(std::fabs(v) < 1e9)) return std::round(v);
    const double t = static_cast<double>(static_cast<int>(v));
    const double f = v - t;  // exact
    if (f >= 0.5) return t + 1.0;
    if (f <= -0.5) return t - 1.0;
    return t;
  }

  bool IsFinite() const {
    return std::isfinite(s1_) && std::isfinite(s2_) && std::isfinite(s3_) && std::isfinite(s4_);
  }
  double SampleRate() const { return sampleRate_; }
  double Resonance() const { return k_; }
  double OutputGain() const { return outputGain_; }
  double Feedback() const { return feedback_; }
  double G() const { return G_; }
  std::array<double, 4> States() const { return {s1_, s2_, s3_, s4_}; }

 private:
  void UpdateCoefficients(double index);
  friend struct VoiceLanes;

  // Returns false when the run went non-finite (never when checking).
  template <bool kChecked>
  bool Run(const double* x, const double* control, const double* gain, double* out, int n) {
    double s1 = s1_, s2 = s2_, s3 = s3_, s4 = s4_, dn = dn_;
    double G = G_, G4 = G4_, v = v_, feedback = feedback_, normaliser = normaliser_, outputGain = outputGain_;
    double cached = cachedIndex_;
    double poison = 0.0;  // stays 0 unless an output is infinite or NaN
    for (int s = 0; s < n; ++s) {
      const double index = RoundIndex(control[s] * kMaxPitch);
      if (!(index == cached)) {
        UpdateCoefficients(index);
        cached = index;
        G = G_, G4 = G4_, v = v_, feedback = feedback_, normaliser = normaliser_, outputGain = outputGain_;
      }
      double in = x[s];
      if (kChecked) {
        s1 = std::isfinite(s1) ? s1 + dn : 0.0;
        s2 = std::isfinite(s2) ? s2 + dn : 0.0;
        s3 = std::isfinite(s3) ? s3 + dn : 0.0;
        s4 = std::isfinite(s4) ? s4 + dn : 0.0;
        if (!std::isfinite(in)) in = 0.0;
      } else {
        s1 += dn;
        s2 += dn;
        s3 += dn;
        s4 += dn;
      }
      dn = -dn;

      const double y = (((s1 * G + s2) * G + s3) * G + s4 + in * G4) * normaliser;
      const double r = 0.2 * y;
      double t;
      if (r < -3.0) {
        t = -5.0;
      } else if (r > 3.0) {
        t = 5.0;
      } else {
        const double r2 = r * r;
        t = 5.0 * r * (r2 + 27.0) / (9.0 * r2 + 27.0);
      }
      const double u = G * (in - t * feedback);
      const double y1 = s1 + u;
      s1 = u - v * y1;
      const double w2 = G * y1;
      const double y2 = s2 + w2;
      s2 = w2 - v * y2;
      const double w3 = G * y2;
      const double y3 = s3 + w3;
      s3 = w3 - v * y3;
      const double w4 = G * y3;
      const double y4 = s4 + w4;
      s4 = w4 - v * y4;
      out[s] = y * outputGain * gain[s];
      if (!kChecked) poison += y * 0.0;
    }
    s1_ = s1, s2_ = s2, s3_ = s3, s4_ = s4, dn_ = dn;
    if (kChecked) return true;
    return poison == 0.0 && std::isfinite(s1) && std::isfinite(s2) && std::isfinite(s3) && std::isfinite(s4);
  }
  double Clean(double s) const { return std::isfinite(s) ? s + dn_ : 0.0; }

  double sampleRate_ = 1.0;
  double k_ = 0.0;
  double G4_ = 0.0;
  double G_ = 0.0;
  double v_ = 0.0;
  double feedback_ = 0.0;
  double outputGain_ = 0.0;
  double normaliser_ = 0.0;
  double cachedIndex_ = -1.0;
  double s1_ = 0.0, s2_ = 0.0, s3_ = 0.0, s4_ = 0.0;
  double dn_ = 1e-13;
  const VcfTables* tables_ = nullptr;
};

}  // namespace pellory::engine
