#include "programs/tape/TapeDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "engine/Filter.h"

namespace pellory::tape {
namespace {

std::mutex& SettingsLock() {
  static std::mutex lock;
  return lock;
}

DecoderSettings& SharedSettings() {
  static DecoderSettings settings;
  return settings;
}

constexpr size_t kBlock = 4096;

// The WAV file's first channel as a SampleSource.
class WavSignal : public SampleSource {
 public:
  WavSignal(ByteSource& file, const WavFormat& format) : reader_(file, format), rate_(format.sampleRate) {}
  uint32_t SampleRate() const override { return rate_; }
  uint64_t Count() const override { return reader_.Count(); }
  void Rewind() override { reader_.Rewind(); }
  size_t Read(double* out, size_t max) override { return reader_.Read(out, max); }
  bool Failed() const override { return reader_.Failed(); }

 private:
  WavSampleReader reader_;
  uint32_t rate_;
};

}  // namespace

DecoderSettings GetDecoderSettings() {
  std::lock_guard<std::mutex> guard(SettingsLock());
  return SharedSettings();
}

void SetDecoderSettings(const DecoderSettings& settings) {
  std::lock_guard<std::mutex> guard(SettingsLock());
  SharedSettings() = settings;
}

double WorkingRate(uint32_t fileRate) {
  return fileRate < kResampleRate ? kResampleRate : double(fileRate);
}

FilterPlan PlanFilters(const DecoderSettings& s, double r) {
  FilterPlan plan;
  plan.highPass = s.highPassOn;
  plan.lowPass = s.lowPassOn && r >= 2.0 * s.lowPassFrequency;
  return plan;
}

// ---------------------------------------------------------------------------------------------

Resampler::Resampler(double inputRate, uint64_t inputCount) : step_(inputRate / kResampleRate) {
  // ceil(n * 22050 / rate) in integers, exact for every count a file can hold.
  const uint64_t rate = uint64_t(inputRate);
  outputLength_ = rate ? (inputCount * uint64_t(kResampleRate) + rate - 1) / rate : 0;
}

void Resampler::Push(double sample, std::vector<double>& out) {
  if (!started_) {
    p3_ = sample;
    started_ = true;
  } else {
    x_ -= 1.0;
    p0_ = p1_;
    p1_ = p2_;
    p2_ = p3_;
    p3_ = sample;
  }
  // Catmull-Rom between p1 and p2.
  const double a = (p3_ - p0_) * 0.5 + (p1_ - p2_) * 1.5;
  const double b = p0_ - 2.5 * p1_ + 2.0 * p2_ - 0.5 * p3_;
  const double c = (p2_ - p0_) * 0.5;
  while (x_ <= 1.0) {
    const double x = x_;
    Emit(((a * x + b) * x + c) * x + p1_, out);
    x_ += step_;
  }
}

void Resampler::Finish(std::vector<double>& out) {
  while (produced_ < outputLength_) Emit(0.0, out);
}

// ---------------------------------------------------------------------------------------------

SymbolDetector::SymbolDetector(double workingRate, double thresholdPercent)
    : m_(thresholdPercent / 100.0), h_(1.5 * (workingRate * 0.5 / 1000.0)), period_(workingRate / 1000.0) {}

// How far a half-cycle or a symbol may stray from the running symbol period R and still be
// beyond doubt. The classes lie at R / 2 and R; noise that splits or merges half-cycles, a
// dropout or a glitch lands far outside these bands, while speed drift is followed by R.
namespace {
constexpr double kShortMin = 0.30, kShortMax = 0.80;   // a 0's half-cycles
constexpr double kLongMin = 0.70, kLongMax = 1.35;     // a 1's half-cycle
constexpr double kPeriodMin = 0.70, kPeriodMax = 1.30; // from the previous symbol to this one
// R follows symbols within this wider band, so a tape running 25 % off still locks on within
// its leader, while stray symbols from noise cannot drag it far.
constexpr double kFollowMin = 0.70, kFollowMax = 1.45;
}  // namespace

void SymbolDetector::Judge(int64_t position, double interval) {
  const double r = period_;
  auto doubt = [&] { doubt_ = 2; };
  bool ends = true;
  if (interval > h_) {
    if (shortOpen_) doubt();  // an odd number of short half-cycles: one too many or too few
    shortOpen_ = false;
    if (interval < kLongMin * r || interval > kLongMax * r) doubt();
  } else {
    if (interval < kShortMin * r || interval > kShortMax * r) doubt();
    shortOpen_ = !shortOpen_;
    ends = !shortOpen_;
  }
  if (!ends) return;
  // A symbol ends here: it must be one symbol period after the previous one.
  if (lastEnd_ < 0) {
    doubt();  // nothing to measure it against
  } else {
    const double length = double(position - lastEnd_);
    if (length < kPeriodMin * r || length > kPeriodMax * r) doubt();
    if (length >= kFollowMin * r && length <= kFollowMax * r) period_ += (length - r) / 8.0;
  }
  lastEnd_ = position;
}

bool SymbolDetector::Regular() {
  const bool regular = doubt_ == 0;
  if (doubt_ > 0) --doubt_;
  return regular;
}

bool SymbolDetector::Accept(int64_t i, Symbol& symbol) {
  // The extreme itself was the previous sample.
  const int64_t position = i - 1;
  const double interval = double(position - last_);
  Judge(position, interval);
  bool emitted = false;
  if (interval > h_) {
    symbol = {i, 1, Regular()};
    emitted = true;
  } else if (pendingShort_) {
    symbol = {i, 0, Regular()};
    pendingShort_ = false;
    emitted = true;
  } else {
    // A long interval in between leaves this mark standing.
    pendingShort_ = true;
  }
  last_ = position;
  extremeSeen_ = true;
  return emitted;
}

bool SymbolDetector::Finish(Symbol& symbol) {
  if (!extremeSeen_) return false;
  // The closing edge would have been found one sample after the last one there is.
  const double interval = double(index_ - last_);
  if (interval <= h_ || interval > kLongMax * period_) return false;
  Judge(index_, interval);
  symbol = {index_ + 1, 1, Regular()};
  last_ = index_;
  return true;
}

bool ByteFramer::Push(int value, bool regular, uint8_t& byte) {
  window_[count_] = uint8_t(value);
  regular_[count_++] = regular;
  if (count_ < 12) return false;
  bool valid = window_[0] == 1 && window_[1] == 0 && window_[11] == 1;
  if (valid) {
    uint8_t data = 0;
    uint8_t parity = 0;
    for (int bit = 0; bit < 8; ++bit) {
      data |= uint8_t(window_[2 + bit] << bit);
      parity ^= window_[2 + bit];
    }
    valid = window_[10] == parity;
    if (valid) {
      bool clean = true;
      for (bool r : regular_) clean = clean && r;
      if (!clean || (frames_ > 0 && gapInDoubt_)) certain_ = false;
      gapInDoubt_ = false;
      ++frames_;
      byte = data;
      count_ = 0;
      return true;
    }
  }
  // A symbol left behind between frames: only a regular 1 (idle line) is beyond doubt.
  if (frames_ > 0 && (window_[0] != 1 || !regular_[0])) gapInDoubt_ = true;
  std::memmove(window_, window_ + 1, 11);
  std::memmove(regular_, regular_ + 1, 11 * sizeof(bool));
  count_ = 11;
  return false;
}

// ---------------------------------------------------------------------------------------------

namespace {
constexpr double kGateWindowSeconds = 0.004;
// Half-cycles last at most 1 ms, so a window of 1.5 ms always holds a crest of the tone.
constexpr double kLevelWindowSeconds = 0.0015;
// The tone level is taken where the loudest 20 s of windows begin: a dump lasts 25 s or more,
// and clicks or a count-in are far shorter.
constexpr double kToneSeconds = 20.0;
// The limiter's level as a share of the tone level: a quarter rides out hiss about 4 dB
// stronger than 1/15 of full scale does, while every crest of a clean dump still passes it.
constexpr double kLimitOfTone = 0.25;
}  // namespace

ToneGate::ToneGate(double workingRate)
    : gate_(std::max<uint64_t>(1, uint64_t(std::llround(workingRate * kGateWindowSeconds)))),
      level_(std::max<uint64_t>(1, uint64_t(std::llround(workingRate * kLevelWindowSeconds)))) {}

void ToneGate::Windows::Close() {
  lows.push_back(float(lo));
  highs.push_back(float(hi));
  fill = 0;
}

std::vector<float> ToneGate::Windows::Peaks(double mean) {
  if (fill > 0) Close();
  std::vector<float> peaks(lows.size());
  for (size_t i = 0; i < peaks.size(); ++i) {
    const double peak = std::max(double(highs[i]) - mean, mean - double(lows[i]));
    // Float files can hold NaN or infinity; they must not reach the sorting below.
    peaks[i] = std::isfinite(peak) ? float(peak) : 0.0f;
  }
  lows = std::vector<float>();
  highs = std::vector<float>();
  return peaks;
}

double ToneGate::LocalLevel(uint64_t sample) const {
  const uint64_t w = sample / level_.length;
  if (w >= levels_.size()) return 0.0;
  double level = levels_[size_t(w)];
  // Neighbours outside the tone (the silence at its ends) do not count.
  if (w > 0 && levels_[size_t(w - 1)] >= gateLevel_) level = std::min(level, double(levels_[size_t(w - 1)]));
  if (w + 1 < levels_.size() && levels_[size_t(w + 1)] >= gateLevel_)
    level = std::min(level, double(levels_[size_t(w + 1)]));
  return level;
}

void ToneGate::Decide(double mean) {
  levels_ = level_.Peaks(mean);
  const std::vector<float> peaks = gate_.Peaks(mean);
  const size_t n = peaks.size();
  open_.assign(n, false);
  if (n == 0) return;

  std::vector<float> sorted = peaks;
  const size_t toneWindows = size_t(kToneSeconds / kGateWindowSeconds);
  const size_t k = std::min(toneWindows, std::max<size_t>(1, n / 2));  // k-th largest
  std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(n - k), sorted.end());
  tone_ = sorted[n - k];

  // The hiss of the silent stretches, when there are enough of them to tell: the typical
  // peak of the windows well below the tone. The gate sits above its loudest windows.
  std::vector<float> quiet;
  for (float p : peaks)
    if (p < tone_ / 3.0) quiet.push_back(p);
  double floor = 0.0;
  if (quiet.size() >= 50) {
    std::nth_element(quiet.begin(), quiet.begin() + std::ptrdiff_t(quiet.size() / 2), quiet.end());
    floor = quiet[quiet.size() / 2];
  }
  gateLevel_ = std::min(std::max(3.0 * floor, tone_ / 8.0), tone_ * 0.6);

  for (size_t i = 0; i < n; ++i) open_[i] = peaks[i] >= gateLevel_;
  // A burst shorter than 20 ms is a click or a gust of hiss, not a dump.
  for (size_t i = 0; i < n;) {
    if (!open_[i]) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < n && open_[j]) ++j;
    if (j - i < 5)
      for (size_t w = i; w < j; ++w) open_[w] = false;
    i = j;
  }
}

std::vector<double> ResampleTo22050(const std::vector<double>& input, double inputRate) {
  Resampler resampler(inputRate, input.size());
  std::vector<double> out;
  out.reserve(size_t(resampler.OutputLength()));
  for (double s : input) resampler.Push(s, out);
  resampler.Finish(out);
  return out;
}

std::vector<Symbol> DetectSymbols(const std::vector<double>& samples, double workingRate,
                                  double thresholdPercent) {
  SymbolDetector detector(workingRate, thresholdPercent);
  std::vector<Symbol> symbols;
  Symbol symbol{};
  for (double s : samples)
    if (detector.Push(s, symbol)) symbols.push_back(symbol);
  return symbols;
}

std::vector<uint8_t> FrameBytes(const std::vector<Symbol>& symbols) {
  ByteFramer framer;
  std::vector<uint8_t> bytes;
  uint8_t byte = 0;
  for (const Symbol& s : symbols)
    if (framer.Push(s.value, byte)) bytes.push_back(byte);
  return bytes;
}

size_t VectorSampleSource::Read(double* out, size_t max) {
  const size_t n = std::min(max, samples_.size() - next_);
  std::copy(samples_.begin() + std::ptrdiff_t(next_), samples_.begin() + std::ptrdiff_t(next_ + n), out);
  next_ += n;
  return n;
}

// ---------------------------------------------------------------------------------------------

template <class Consumer>
bool TapeDecoder::RunPass(SampleSource& signal, Consumer&& consume) {
  signal.Rewind();
  const FilterPlan plan = PlanFilters(settings_, workingRate_);
  engine::HighPass highPass;
  engine::LowPass lowPass;
  if (plan.highPass) highPass.Setup(workingRate_, settings_.highPassFrequency);
  if (plan.lowPass) lowPass.Setup(workingRate_, settings_.lowPassFrequency);
  const bool resample = signal.SampleRate() < kResampleRate;
  Resampler resampler(signal.SampleRate(), signal.Count());

  std::vector<double> input(kBlock);
  std::vector<double> work;
  work.reserve(kBlock * 12);
  auto filterAndConsume = [&] {
    if (plan.highPass)
      for (double& s : work) s = highPass.Process(s);
    if (plan.lowPass)
      for (double& s : work) s = lowPass.Process(s);
    consume(work.data(), work.size());
  };
  for (;;) {
    const size_t n = signal.Read(input.data(), input.size());
    if (n == 0) break;
    work.clear();
    if (resample) {
      for (size_t k = 0; k < n; ++k) resampler.Push(input[k], work);
    } else {
      work.assign(input.begin(), input.begin() + std::ptrdiff_t(n));
    }
    filterAndConsume();
  }
  if (signal.Failed()) return false;
  if (resample) {
    work.clear();
    resampler.Finish(work);
    filterAndConsume();
  }
  return true;
}

DecodeError TapeDecoder::Decode(ByteSource& file) {
  wavError_ = ReadWavHeader(file, format_);
  if (wavError_ == WavError::kUnsupportedFormat) return DecodeError::kUnsupported;
  if (wavError_ != WavError::kNone) return DecodeError::kUnreadable;
  WavSignal signal(file, format_);
  return Decode(signal);
}

DecodeError TapeDecoder::Decode(SampleSource& signal) {
  symbolCount_ = 0;
  byteCount_ = 0;
  certain_ = false;
  bytes_.clear();
  if (signal.SampleRate() < kMinSampleRate) return DecodeError::kUnsupported;
  workingRate_ = WorkingRate(signal.SampleRate());

  // First pass: the mean of the prepared signal and where its tone is.
  double sum = 0.0;
  uint64_t count = 0;
  ToneGate gate(workingRate_);
  const bool read = RunPass(signal, [&](const double* s, size_t n) {
    for (size_t k = 0; k < n; ++k) {
      sum += s[k];
      gate.Add(s[k]);
    }
    count += n;
  });
  if (!read) return DecodeError::kUnreadable;
  const double mean = count ? sum / double(count) : 0.0;
  gate.Decide(mean);

  // Second pass: the same signal, mean-free and limited, into symbols and bytes.
  SymbolDetector detector(workingRate_, settings_.threshold);
  ByteFramer framer;
  Symbol symbol{};
  uint8_t byte = 0;
  auto take = [&] {
    ++symbolCount_;
    if (!framer.Push(symbol.value, symbol.regular, byte)) return;
    ++byteCount_;
    if (bytes_.size() < kMaxKeptBytes) bytes_.push_back(byte);
  };
  // Samples beyond 1/15 of full scale go to full scale, the rest stay as they are; with the
  // default threshold that makes a Schmitt trigger at 1/15. Against a loud tone that
  // hysteresis is narrow enough for hiss to flip it near every zero crossing, so it grows with
  // the tone, to a quarter of its level. Where the tone sinks below half its level (a
  // dropout) the limit follows it down, so quiet dumps and dropouts keep the 1/15 (and the
  // threshold its say).
  uint64_t index = 0;
  const bool again = RunPass(signal, [&](const double* s, size_t n) {
    for (size_t k = 0; k < n; ++k, ++index) {
      double w = 0.0;
      if (gate.Open(index)) {
        const double local = std::min(gate.ToneLevel(), 2.0 * gate.LocalLevel(index));
        const double limit = std::max(1.0 / 15.0, kLimitOfTone * local);
        w = s[k] - mean;
        if (w > limit) {
          w = 1.0;
        } else if (w < -limit) {
          w = -1.0;
        }
      }
      if (detector.Push(w, symbol)) take();
    }
  });
  if (!again) return DecodeError::kUnreadable;
  if (detector.Finish(symbol)) take();
  certain_ = byteCount_ > 0 && framer.Certain();
  return DecodeError::kNone;
}

}  // namespace pellory::tape
