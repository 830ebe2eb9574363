#pragma once
// Second-order Butterworth sections (Q = 1/sqrt 2) for smoothing control values and removing DC.
#include <cmath>

namespace pellory::engine {

class Filter {
 public:
  virtual ~Filter() = default;

  // Clears the history and computes the coefficients for `corner` Hz at `sampleRate` Hz.
  virtual void Setup(double sampleRate, double corner) = 0;

  // The state the section reaches after `input` has been its input for ever, so that a signal
  // with that mean starts without a transient.
  void Settle(double input);

  // One sample in, one out. A non-finite input or state is replaced by 0, so a single bad
  // value cannot poison the section.
  double Process(double x) {
    x = Clean(x);
    x1_ = Clean(x1_);
    x2_ = Clean(x2_);
    y1_ = Clean(y1_);
    y2_ = Clean(y2_);
    const double y = b0_ * (x + x2_) + b1_ * x1_ + a1_ * y1_ + a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    d_ = -d_;
    return y;
  }

  // Process() on the same input for n samples, outputs to out; the same arithmetic, with the
  // state kept in registers over the run.
  void ProcessConstant(double x, double* out, int n) {
    if (std::isfinite(x) && std::isfinite(x1_) && std::isfinite(x2_) && std::isfinite(y1_) && std::isfinite(y2_)) {
      // While everything stays finite the clean-ups only add the offset; should anything
      // overflow, the run is done again with them.
      const double x1 = x1_, x2 = x2_, y1 = y1_, y2 = y2_, d = d_;
      if (ProcessConstantRun<false>(x, out, n)) return;
      x1_ = x1, x2_ = x2, y1_ = y1, y2_ = y2, d_ = d;
    }
    ProcessConstantRun<true>(x, out, n);
  }

  // Whether the history is finite, so that the unchecked arithmetic gives the checked results.
  bool IsFinite() const {
    return std::isfinite(x1_) && std::isfinite(x2_) && std::isfinite(y1_) && std::isfinite(y2_);
  }

 protected:
  // Returns false when an output came out non-finite (never when checking).
  template <bool kChecked>
  bool ProcessConstantRun(double x, double* out, int n) {
    double x1 = x1_, x2 = x2_, y1 = y1_, y2 = y2_, d = d_;
    const double b0 = b0_, b1 = b1_, a1 = a1_, a2 = a2_;
    double poison = 0.0;  // stays 0 unless an output is infinite or NaN
    for (int s = 0; s < n; ++s) {
      double xc = x;
      if (kChecked) {
        xc = CleanWith(x, d);
        x1 = CleanWith(x1, d);
        x2 = CleanWith(x2, d);
        y1 = CleanWith(y1, d);
        y2 = CleanWith(y2, d);
      } else {
        xc += d;
        x1 += d;
        x2 += d;
        y1 += d;
        y2 += d;
      }
      const double y = b0 * (xc + x2) + b1 * x1 + a1 * y1 + a2 * y2;
      x2 = x1;
      x1 = xc;
      y2 = y1;
      y1 = y;
      d = -d;
      out[s] = y;
      if (!kChecked) poison += y * 0.0;
    }
    x1_ = x1, x2_ = x2, y1_ = y1, y2_ = y2, d_ = d;
    return poison == 0.0;
  }

  // The shared part of Setup; returns cos(w) and sets e = 1 / (1 + alpha).
  double SetupCommon(double sampleRate, double corner, double& e);

  double a1_ = 0.0, a2_ = 0.0;  // feedback, already negated and normalised
  double b0_ = 0.0, b1_ = 0.0;  // feed-forward; b2 equals b0
  double x1_ = 0.0, x2_ = 0.0, y1_ = 0.0, y2_ = 0.0;
  // Alternating tiny offset keeps the states away from denormals without a DC error.
  double d_ = 1e-13;

 private:
  double Clean(double v) const { return std::isfinite(v) ? v + d_ : 0.0; }
  static double CleanWith(double v, double d) { return std::isfinite(v) ? v + d : 0.0; }

  friend class Oscillator;  // runs its DC blocker inline over a run of samples
  friend struct VoiceLanes;  // runs the sections of several voices as vector lanes
};

class LowPass : public Filter {
 public:
  LowPass() = default;
  LowPass(double sampleRate, double corner) { Setup(sampleRate, corner); }
  void Setup(double sampleRate, double corner) override;
};

class HighPass : public Filter {
 public:
  HighPass() = default;
  HighPass(double sampleRate, double corner) { Setup(sampleRate, corner); }
  void Setup(double sampleRate, double corner) override;
};

}  // namespace pellory::engine
