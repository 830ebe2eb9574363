#pragma once
// Loudness as broadcast meters read it (K-weighted, gated integrated LUFS) and true peak
// (4x oversampled), for stereo takes at the test sample rate.
#include <algorithm>
#include <cmath>
#include <vector>

namespace pellory::test {

// One biquad, direct form I.
struct Biquad {
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  double Process(double x) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1, x1 = x, y2 = y1, y1 = y;
    return y;
  }
};

// The K-weighting pair (a high shelf of +4 dB above about 1.7 kHz, then a 38 Hz high-pass),
// designed for any rate from the analogue prototypes the 48 kHz reference coefficients come from.
inline void KWeighting(double rate, Biquad& shelf, Biquad& highPass) {
  {
    const double gainDb = 3.999843853973347, q = 0.7071752369554196, fc = 1681.974450955533;
    const double k = std::tan(M_PI * fc / rate), vh = std::pow(10.0, gainDb / 20.0), vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    shelf.b0 = (vh + vb * k / q + k * k) / a0;
    shelf.b1 = 2.0 * (k * k - vh) / a0;
    shelf.b2 = (vh - vb * k / q + k * k) / a0;
    shelf.a1 = 2.0 * (k * k - 1.0) / a0;
    shelf.a2 = (1.0 - k / q + k * k) / a0;
  }
  {
    const double q = 0.5003270373238773, fc = 38.13547087602444;
    const double k = std::tan(M_PI * fc / rate), a0 = 1.0 + k / q + k * k;
    highPass.b0 = 1.0, highPass.b1 = -2.0, highPass.b2 = 1.0;
    highPass.a1 = 2.0 * (k * k - 1.0) / a0;
    highPass.a2 = (1.0 - k / q + k * k) / a0;
  }
}

// Mean square of the K-weighted channels summed, in 100 ms steps (a quarter of a 400 ms block).
inline std::vector<double> KWeightedSteps(const std::vector<double>& left, const std::vector<double>& right,
                                          double rate) {
  Biquad shelfL, hpL, shelfR, hpR;
  KWeighting(rate, shelfL, hpL);
  KWeighting(rate, shelfR, hpR);
  const std::size_t step = static_cast<std::size_t>(rate / 10.0);
  std::vector<double> steps;
  double sum = 0.0;
  std::size_t count = 0;
  for (std::size_t i = 0; i < left.size() && i < right.size(); ++i) {
    const double l = hpL.Process(shelfL.Process(left[i])), r = hpR.Process(shelfR.Process(right[i]));
    sum += l * l + r * r;
    if (++count == step) {
      steps.push_back(sum / static_cast<double>(step));
      sum = 0.0;
      count = 0;
    }
  }
  return steps;
}

inline double MeanSquareToLufs(double ms) { return ms > 0.0 ? -0.691 + 10.0 * std::log10(ms) : -200.0; }

// Gated integrated loudness: 400 ms blocks overlapping by 75 %, absolute gate -70 LUFS,
// relative gate 10 LU under the loudness of the blocks that pass the absolute gate.
inline double IntegratedLufs(const std::vector<double>& left, const std::vector<double>& right, double rate) {
  const std::vector<double> steps = KWeightedSteps(left, right, rate);
  std::vector<double> blocks;
  for (std::size_t i = 0; i + 4 <= steps.size(); ++i)
    blocks.push_back(0.25 * (steps[i] + steps[i + 1] + steps[i + 2] + steps[i + 3]));
  auto gatedMean = [&](double gateLufs) {
    double sum = 0.0;
    int n = 0;
    for (double b : blocks)
      if (MeanSquareToLufs(b) > gateLufs) sum += b, ++n;
    return n ? sum / n : 0.0;
  };
  const double absolute = gatedMean(-70.0);
  if (absolute <= 0.0) return -200.0;
  return MeanSquareToLufs(gatedMean(MeanSquareToLufs(absolute) - 10.0));
}

// Loudness of a stretch without gating (a single note's energy), in LUFS terms.
inline double UngatedLufs(const std::vector<double>& left, const std::vector<double>& right, double rate) {
  const std::vector<double> steps = KWeightedSteps(left, right, rate);
  double sum = 0.0;
  for (double s : steps) sum += s;
  return steps.empty() ? -200.0 : MeanSquareToLufs(sum / static_cast<double>(steps.size()));
}

// True peak of one channel in dBTP: the sample peak, and between samples a 4x windowed-sinc
// interpolation wherever the neighbours come within 6 dB of the sample peak (elsewhere the
// waveform cannot overshoot that far).
inline double TruePeakDb(const std::vector<double>& x) {
  constexpr int kHalf = 16;  // taps each side
  double samplePeak = 0.0;
  for (double v : x) samplePeak = std::max(samplePeak, std::fabs(v));
  if (samplePeak <= 0.0) return -200.0;
  double kernel[3][2 * kHalf];
  for (int phase = 1; phase <= 3; ++phase) {
    const double frac = phase / 4.0;
    for (int t = 0; t < 2 * kHalf; ++t) {
      const double d = (t - kHalf + 1) - frac;  // distance of tap t from the point between samples
      const double sinc = std::sin(M_PI * d) / (M_PI * d);
      const double w = 0.5 + 0.5 * std::cos(M_PI * d / (kHalf + 0.5));  // Hann
      kernel[phase - 1][t] = sinc * w;
    }
  }
  double peak = samplePeak;
  const double near = 0.5 * samplePeak;
  for (std::size_t i = kHalf; i + kHalf < x.size(); ++i) {
    if (std::fabs(x[i]) < near && std::fabs(x[i + 1]) < near) continue;
    for (int phase = 0; phase < 3; ++phase) {
      double v = 0.0;
      for (int t = 0; t < 2 * kHalf; ++t) v += kernel[phase][t] * x[i + t - kHalf + 1];
      peak = std::max(peak, std::fabs(v));
    }
  }
  return 20.0 * std::log10(peak);
}

}  // namespace pellory::test
