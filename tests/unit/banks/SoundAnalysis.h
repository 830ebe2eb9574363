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

// Level of the spectrum at hz relative to its strongest bin, in dB (4096 samples from start).
inline double PartialDb(const std::vector<double>& x, std::size_t start, double hz) {
  constexpr std::size_t n = 4096;
  if (start + n > x.size()) return -200.0;
  std::vector<std::complex<double>> a(n);
  for (std::size_t i = 0; i < n; ++i) a[i] = x[start + i] * (0.5 - 0.5 * std::cos(2.0 * M_PI * i / n));
  Fft(a);
  double top = 0.0;
  for (std::size_t k = 1; k < n / 2; ++k) top = std::max(top, std::abs(a[k]));
  const std::size_t bin = static_cast<std::size_t>(std::lround(hz * n / kRate));
  double near = 0.0;
  for (std::size_t k = bin - 1; k <= bin + 1; ++k) near = std::max(near, std::abs(a[k]));
  return Db(near / top);
}

// Fundamental frequency every 20 ms between two times (seconds), by autocorrelation over 40 ms;
// the shortest period that correlates nearly as well as the best one wins, so octaves are not
// mistaken for the pitch.
inline std::vector<double> PitchTrack(const std::vector<double>& x, double from, double to) {
  constexpr int n = 1764, minLag = 44, maxLag = 630;  // 70 Hz .. 1 kHz
  std::vector<double> track;
  for (std::size_t start = static_cast<std::size_t>(from * kRate);
       start + n + maxLag < x.size() && start < to * kRate; start += 882) {
    std::vector<double> r(maxLag + 2, 0.0);
    double best = 0.0;
    for (int lag = minLag; lag <= maxLag + 1; ++lag) {
      double sum = 0.0, e1 = 0.0, e2 = 0.0;
      for (int i = 0; i < n; ++i) {
        sum += x[start + i] * x[start + i + lag];
        e1 += x[start + i] * x[start + i];
        e2 += x[start + i + lag] * x[start + i + lag];
      }
      r[lag] = e1 > 0.0 && e2 > 0.0 ? sum / std::sqrt(e1 * e2) : 0.0;
      best = std::max(best, r[lag]);
    }
    for (int lag = minLag + 1; lag <= maxLag; ++lag) {
      if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
        const double d = r[lag - 1] - 2.0 * r[lag] + r[lag + 1];
        const double shift = d != 0.0 ? 0.5 * (r[lag - 1] - r[lag + 1]) / d : 0.0;
        track.push_back(kRate / (lag + shift));
        break;
      }
    }
  }
  return track;
}

// Range of a pitch track in cents.
inline double PitchRangeCents(const std::vector<double>& track) {
  if (track.empty()) return 0.0;
  const auto [lo, hi] = std::minmax_element(track.begin(), track.end());
  return 1200.0 * std::log2(*hi / *lo);
}

// How fast the held level is modulated (Hz): the strongest repetition of the 10 ms level
// envelope between from and to seconds, by autocorrelation over periods of 40 ms to 1 s.
inline double LevelModulationRate(const std::vector<double>& x, double from, double to) {
  const std::vector<double> env = LevelEnvelope(x);
  const std::size_t a = static_cast<std::size_t>(from * 100.0), b = std::min(env.size(), std::size_t(to * 100.0));
  if (b <= a + 100) return 0.0;
  std::vector<double> v(env.begin() + a, env.begin() + b);
  double mean = 0.0;
  for (double e : v) mean += e;
  mean /= static_cast<double>(v.size());
  for (double& e : v) e -= mean;
  double best = 0.0;
  int bestLag = 0;
  for (int lag = 4; lag <= 100 && lag < static_cast<int>(v.size()) / 2; ++lag) {
    double sum = 0.0, e1 = 0.0, e2 = 0.0;
    for (std::size_t i = 0; i + lag < v.size(); ++i) {
      sum += v[i] * v[i + lag];
      e1 += v[i] * v[i];
      e2 += v[i + lag] * v[i + lag];
    }
    const double r = e1 > 0.0 && e2 > 0.0 ? sum / std::sqrt(e1 * e2) : 0.0;
    if (r > best) best = r, bestLag = lag;
  }
  return best > 0.3 && bestLag > 0 ? 100.0 / bestLag : 0.0;
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
  double onsetCentroidHz = 0.0;  // brightness 50 ms, 0.3 s and 2 s after the note-on
  double earlyCentroidHz = 0.0;
  double lateCentroidHz = 0.0;
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
  m.onsetCentroidHz = Analyse(x, static_cast<std::size_t>(0.05 * kRate)).centroidHz;
  m.earlyCentroidHz = Analyse(x, static_cast<std::size_t>(0.3 * kRate)).centroidHz;
  m.lateCentroidHz = Analyse(x, static_cast<std::size_t>(2.0 * kRate)).centroidHz;
  double envLo = 1e9, envHi = 0.0;
  for (std::size_t w = 50; w < holdWindows && w < env.size(); ++w) {
    envLo = std::min(envLo, env[w]);
    envHi = std::max(envHi, env[w]);
  }
  if (envHi > 0.0) m.modDepth = (envHi - envLo) / envHi;
  return m;
}

}  // namespace pellory::test
