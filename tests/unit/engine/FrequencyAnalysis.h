#pragma once
// Small analysis helpers for the engine tests: a windowed FFT magnitude spectrum and readings
// of it at given frequencies.
#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace pellory::engine::test {

constexpr double kPi = 3.14159265358979323846;

// Magnitudes (linear) of the first n/2+1 bins of an FFT, n = x.size() a power of two. Windowed
// with a Blackman-Harris window (sidelobes below -92 dB) unless the signal is exactly periodic.
inline std::vector<double> MagnitudeSpectrum(const std::vector<double>& x, bool windowed = true) {
  const size_t n = x.size();
  std::vector<std::complex<double>> a(n);
  for (size_t i = 0; i < n; ++i) {
    const double t = 2.0 * kPi * i / n;
    const double w = 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
    a[i] = windowed ? x[i] * w : x[i];
  }
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> wl = std::polar(1.0, -2.0 * kPi / len);
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w = 1.0;
      for (size_t k = 0; k < len / 2; ++k) {
        const auto u = a[i + k];
        const auto v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        w *= wl;
      }
    }
  }
  std::vector<double> mag(n / 2 + 1);
  for (size_t i = 0; i <= n / 2; ++i) mag[i] = std::abs(a[i]);
  return mag;
}

// Level of the component at frequency f: root of the summed power within +-halfWidth bins,
// which does not depend on where f falls between bins.
inline double PeakNear(const std::vector<double>& mag, double f, double sampleRate, size_t n, int halfWidth = 4) {
  const long centre = std::lround(f * n / sampleRate);
  double power = 0.0;
  for (long b = centre - halfWidth; b <= centre + halfWidth; ++b) {
    if (b >= 0 && b < static_cast<long>(mag.size())) power += mag[b] * mag[b];
  }
  return std::sqrt(power);
}

// Frequency of the strongest bin, refined by parabolic interpolation of the log magnitudes.
inline double PeakFrequency(const std::vector<double>& mag, double sampleRate, size_t n, size_t firstBin = 2) {
  size_t best = firstBin;
  for (size_t b = firstBin; b + 1 < mag.size(); ++b) {
    if (mag[b] > mag[best]) best = b;
  }
  const double l = std::log(mag[best - 1]), c = std::log(mag[best]), r = std::log(mag[best + 1]);
  const double delta = 0.5 * (l - r) / (l - 2 * c + r);
  return (best + delta) * sampleRate / n;
}

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace pellory::engine::test
