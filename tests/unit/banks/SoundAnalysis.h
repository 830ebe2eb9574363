#pragma once
// Measurements of a rendered note: level envelope, attack, decay, release, brightness, pitch.
#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace pellory::test {

constexpr double kRate = 44100.0;
constexpr int kWindow = 441;  // 10 ms level windows

inline double Db(double ratio) { return 20.0 * std::log10(std::max(ratio, 1e-9)); }

// RMS of consecutive 10 ms windows.
inline std::vector<double> LevelEnvelope(const std::vector<double>& x) {
  std::vector<double> env;
  for (std::size_t i = 0; i + kWindow <= x.size(); i += kWindow) {
    double sum = 0.0;
    for (int j = 0; j < kWindow; ++j) sum += x[i + j] * x[i + j];
    env.push_back(std::sqrt(sum / kWindow));
  }
  return env;
}

inline void Fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const double angle = -2.0 * M_PI / static_cast<double>(len);
    const std::complex<double> wl(std::cos(angle), std::sin(angle));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> w(1.0);
      for (std::size_t j = 0; j < len / 2; ++j) {
        const std::complex<double> u = a[i + j], v = a[i + j + len / 2] * w;
        a[i + j] = u + v;
        a[i + j + len / 2] = u - v;
        w *= wl;
      }
    }
  }
}

struct Spectrum {
  double centroidHz = 0.0;
  double lowestPeakHz = 0.0;  // the lowest partial within 20 dB of the strongest
};

// Hann-windowed spectrum of 4096 samples from start.
inline Spectrum Analyse(const std::vector<double>& x, std::size_t start) {
  constexpr std::size_t n = 4096;
  Spectrum s;
  if (start + n > x.size()) return s;
  std::vector<std::complex<double>> a(n);
  for (std::size_t i = 0; i < n; ++i) a[i] = x[start + i] * (0.5 - 0.5 * std::cos(2.0 * M_PI * i / n));
  Fft(a);
  std::vector<double> mag(n / 2);
  double top = 0.0, weighted = 0.0, total = 0.0;
  for (std::size_t k = 1; k < n / 2; ++k) {
    mag[k] = std::abs(a[k]);
    top = std::max(top, mag[k]);
    weighted += mag[k] * k;
    total += mag[k];
  }
  const double binHz = kRate / n;
  if (total > 0.0) s.centroidHz = weighted / total * binHz;
  for (std::size_t k = 2; k + 1 < n / 2; ++k) {
    if (mag[k] >= 0.1 * top && mag[k] >= mag[k - 1] && mag[k] >= mag[k + 1]) {
      s.lowestPeakHz = k * binHz;
      break;
    }
  }
  return s;
}

struct NoteMeasure {
  double peak = 0.0;         // largest |sample|
  double peakRms = 0.0;      // largest 10 ms RMS
  double attackMs = 0.0;     // until the level first reaches 90 % of its largest value
  double at1sDb = 0.0;       // level 1 s and 2 s after the note-on, relative to the largest
  double at2sDb = 0.0;
  double releaseMs = 0.0;    // after the note-off, until 40 dB below the largest level
  double centroidHz = 0.0;   // brightness near the loudest moment
  double lowestHz = 0.0;     // lowest strong partial near the loudest moment
  double brightRange = 1.0;  // largest / smallest centroid while held (filter movement)
  double modDepth = 0.0;     // (max - min) / max of the held level from 0.5 s to the note-off
  bool finite = true;
};

// x: a note held for holdSeconds from sample 0, then released.
inline NoteMeasure MeasureNote(const std::vector<double>& x, double holdSeconds) {
  NoteMeasure m;
  for (double v : x) {
    if (!std::isfinite(v)) m.finite = false;
    m.peak = std::max(m.peak, std::fabs(v));
  }
  const std::vector<double> env = LevelEnvelope(x);
  if (env.empty()) return m;
  const std::size_t holdWindows = static_cast<std::size_t>(holdSeconds * 100.0);
  std::size_t loudest = 0;
  for (std::size_t i = 0; i < env.size(); ++i)
    if (env[i] > env[loudest]) loudest = i;
  m.peakRms = env[loudest];
  if (m.peakRms <= 0.0) return m;
  for (std::size_t i = 0; i < env.size(); ++i) {
    if (env[i] >= 0.9 * m.peakRms) {
      m.attackMs = i * 10.0;
      break;
    }
  }
  auto levelAt = [&](std::size_t w) { return Db(env[std::min(w, env.size() - 1)] / m.peakRms); };
  m.at1sDb = levelAt(100);
  m.at2sDb = levelAt(200);
  m.releaseMs = (env.size() - holdWindows) * 10.0;
  for (std::size_t i = holdWindows; i < env.size(); ++i) {
    if (env[i] < m.peakRms * 0.01) {
      m.releaseMs = (i - holdWindows) * 10.0;
      break;
    }
  }
  // Past the first 50 ms, where the oscillators' DC blockers still settle.
  const Spectrum s = Analyse(x, std::max<std::size_t>(loudest, 5) * kWindow);
  m.centroidHz = s.centroidHz;
  m.lowestHz = s.lowestPeakHz;
  double lo = 1e9, hi = 0.0;
  for (std::size_t w = 5; w + 10 < holdWindows; w += 10) {
    if (env[w] < m.peakRms * 0.03) continue;  // too quiet to say how bright
    const double c = Analyse(x, w * kWindow).centroidHz;
    lo = std::min(lo, c);
    hi = std::max(hi, c);
  }
  if (hi > 0.0) m.brightRange = hi / lo;
  double envLo = 1e9, envHi = 0.0;
  for (std::size_t w = 50; w < holdWindows && w < env.size(); ++w) {
    envLo = std::min(envLo, env[w]);
    envHi = std::max(envHi, env[w]);
  }
  if (envHi > 0.0) m.modDepth = (envHi - envLo) / envHi;
  return m;
}

}  // namespace pellory::test
