#include "programs/tape/TapeDecoder.h"

#include <algorithm>
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
    : m_(thresholdPercent / 100.0), h_(1.5 * (workingRate * 0.5 / 1000.0)) {}

bool SymbolDetector::Accept(int64_t i, Symbol& symbol) {
  // The extreme itself was the previous sample.
  const int64_t position = i - 1;
  bool emitted = false;
  if (double(position - last_) > h_) {
    symbol = {i, 1};
    emitted = true;
  } else if (pendingShort_) {
    symbol = {i, 0};
    pendingShort_ = false;
    emitted = true;
  } else {
    // A long interval in between leaves this mark standing.
    pendingShort_ = true;
  }
  last_ = position;
  return emitted;
}

bool ByteFramer::Push(int value, uint8_t& byte) {
  window_[count_++] = uint8_t(value);
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
      byte = data;
      count_ = 0;
      return true;
    }
  }
  std::memmove(window_, window_ + 1, 11);
  count_ = 11;
  return false;
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
  bytes_.clear();
  if (signal.SampleRate() < kMinSampleRate) return DecodeError::kUnsupported;
  workingRate_ = WorkingRate(signal.SampleRate());

  // First pass: the mean of the prepared signal.
  double sum = 0.0;
  uint64_t count = 0;
  const bool read = RunPass(signal, [&](const double* s, size_t n) {
    for (size_t k = 0; k < n; ++k) sum += s[k];
    count += n;
  });
  if (!read) return DecodeError::kUnreadable;
  const double mean = count ? sum / double(count) : 0.0;

  // Second pass: the same signal, mean-free and limited, into symbols and bytes.
  SymbolDetector detector(workingRate_, settings_.threshold);
  ByteFramer framer;
  const bool again = RunPass(signal, [&](const double* s, size_t n) {
    Symbol symbol{};
    uint8_t byte = 0;
    for (size_t k = 0; k < n; ++k) {
      double w = s[k] - mean;
      if (15.0 * w > 1.0) {
        w = 1.0;
      } else if (15.0 * w < -1.0) {
        w = -1.0;
      }
      if (!detector.Push(w, symbol)) continue;
      ++symbolCount_;
      if (!framer.Push(symbol.value, byte)) continue;
      ++byteCount_;
      if (bytes_.size() < kMaxKeptBytes) bytes_.push_back(byte);
    }
  });
  if (!again) return DecodeError::kUnreadable;
  return DecodeError::kNone;
}

}  // namespace pellory::tape
