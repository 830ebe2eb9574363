#pragma once
// Demodulating cassette dumps: WAV samples -> working-rate signal -> symbols -> bytes.
//
// A dump is a train of half-cycles of alternating polarity. A long half-cycle (over 0.75 ms)
// is a 1; two short ones are a 0. Bytes travel in 12-symbol frames: 1, 0 (start), eight data
// bits least significant first, even parity over the data bits, 1 (stop).
//
// The decoder streams: the signal is produced twice from the file (once for its mean and its
// level, once to detect symbols), so memory stays small however long or loud the recording is.
//
// A load must never turn a damaged recording into wrong programs, so the decoder also judges
// every symbol's timing and the stretch between frames: one doubtful symbol anywhere in the
// dump makes the whole decode uncertain (Certain() false), and the loader then refuses it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "programs/tape/WavReader.h"

namespace pellory::tape {

// The user's decoder settings; one set per process, kept while the library is loaded.
struct DecoderSettings {
  bool highPassOn = false;
  double highPassFrequency = 100.0;  // Hz: below the dump's 500 Hz, above mains hum
  bool lowPassOn = false;
  double lowPassFrequency = 5000.0;  // Hz
  double threshold = 50.0;           // percent of full scale
};

DecoderSettings GetDecoderSettings();
void SetDecoderSettings(const DecoderSettings& settings);

constexpr double kResampleRate = 22050.0;

// Recordings below 22050 Hz are brought up to it; faster ones are analysed as they are.
double WorkingRate(uint32_t fileRate);

// Which of the optional filters run at the working rate. The low-pass is left out when its
// corner lies above the working rate's Nyquist frequency.
struct FilterPlan {
  bool highPass = false;
  bool lowPass = false;
};
FilterPlan PlanFilters(const DecoderSettings& settings, double workingRate);

// Catmull-Rom interpolation from `inputRate` up to 22050 Hz. Produces exactly
// OutputLength() samples for `inputCount` pushed samples (Finish() pads with zeros).
class Resampler {
 public:
  Resampler(double inputRate, uint64_t inputCount);
  uint64_t OutputLength() const { return outputLength_; }

  // Pushes one input sample; the interpolated samples it completes are appended to `out`.
  void Push(double sample, std::vector<double>& out);
  // Appends the zeros that the end of the input leaves unproduced.
  void Finish(std::vector<double>& out);

 private:
  void Emit(double value, std::vector<double>& out) {
    if (produced_ < outputLength_) {
      out.push_back(value);
      ++produced_;
    }
  }

  double step_;
  uint64_t outputLength_;
  uint64_t produced_ = 0;
  bool started_ = false;
  double p0_ = 0.0, p1_ = 0.0, p2_ = 0.0, p3_ = 0.0;
  double x_ = 0.0;
};

struct Symbol {
  int64_t position;  // working-rate sample index at which the symbol was recognised
  int value;         // 0 or 1
  // Its half-cycles and its length match the running symbol period: one clean long half-cycle
  // or two clean short ones, and no short half-cycle left over before it.
  bool regular = true;
};

// Finds alternating peaks and troughs beyond the threshold and turns the intervals between
// them into symbols. Feed it the mean-free, limited signal one sample at a time.
class SymbolDetector {
 public:
  SymbolDetector(double workingRate, double thresholdPercent);
  // Returns true and sets `symbol` when this sample completes a symbol.
  bool Push(double w, Symbol& symbol) {
    const int64_t i = index_++;
    bool found;
    if (seekingPeak_) {
      found = (w > m_ || v_ > m_) && v_ >= w;
    } else {
      found = (w < -m_ || v_ < -m_) && w >= v_;
    }
    v_ = w;
    if (!found) return false;
    seekingPeak_ = !seekingPeak_;
    return Accept(i, symbol);
  }
  // At the end of the input: a long half-cycle that the end cut off before its closing edge
  // (a recording stopped right after the last stop bit) still counts as a 1.
  bool Finish(Symbol& symbol);
  // The long/short limit in samples.
  double LongLimit() const { return h_; }
  // The running estimate of one symbol's length in samples (1 ms at the nominal speed).
  double SymbolPeriod() const { return period_; }

 private:
  bool Accept(int64_t i, Symbol& symbol);
  // Checks the timing of the half-cycle that ends at `position`. The detector pairs short
  // half-cycles as the instrument's format has it, carrying a short one across a long one;
  // the check pairs them afresh after every long half-cycle, so a lone short one shows.
  void Judge(int64_t position, double interval);
  // Whether the symbol being emitted is beyond doubt. A doubt covers the next two symbols:
  // the detector may emit a 0 one half-cycle before the check has seen the whole of it.
  bool Regular();

  double m_;
  double h_;
  bool seekingPeak_ = true;
  double v_ = 0.0;
  int64_t index_ = 0;
  int64_t last_ = 0;  // position of the previous accepted extreme
  bool pendingShort_ = false;
  bool extremeSeen_ = false;
  // The timing check.
  double period_;
  bool shortOpen_ = false;
  int64_t lastEnd_ = -1;  // where the previous symbol ended, -1 before the first
  int doubt_ = 0;
};

// Cuts the symbol stream into 12-symbol frames. After a bad frame it moves on by one symbol,
// so it resynchronises on the next start pattern.
//
// It also keeps watch over the dump as a whole: from the first frame on, a frame holding an
// irregular symbol, or anything between two frames other than regular 1s (the line's idle
// state), makes it uncertain. What comes before the first frame or after the last is leader,
// trailer or noise and does not count.
class ByteFramer {
 public:
  // Returns true and sets `byte` when this symbol completes a valid frame.
  bool Push(int value, uint8_t& byte) { return Push(value, true, byte); }
  bool Push(int value, bool regular, uint8_t& byte);
  // False once anything between the first and the latest frame was in doubt.
  bool Certain() const { return certain_; }

 private:
  uint8_t window_[12] = {};
  bool regular_[12] = {};
  int count_ = 0;
  uint64_t frames_ = 0;
  bool gapInDoubt_ = false;
  bool certain_ = true;
};

// Finds the dump in the recording by its level: a 4 ms window belongs to the tone when its peak
// reaches a share of the tone's own level (not of full scale), raised above the hiss of the
// silent stretches when there is any. Outside the tone the detector sees silence, so hiss
// before and after the dump cannot add symbols. A tone window holds at least two full
// half-cycles, so a clean dump passes whole.
class ToneGate {
 public:
  explicit ToneGate(double workingRate);
  // First pass: every prepared sample, in order.
  void Add(double s) {
    gate_.Add(s);
    level_.Add(s);
  }
  // After the first pass, with the signal's mean: decides which windows are tone.
  void Decide(double mean);
  // Within a tone window, and within one of its 1.5 ms windows that reaches the gate (so the
  // ends of the tone are cut finer than the windows that find it).
  bool Open(uint64_t sample) const {
    const uint64_t w = sample / gate_.length;
    const uint64_t l = sample / level_.length;
    return w < open_.size() && open_[size_t(w)] && l < levels_.size() && levels_[size_t(l)] >= gateLevel_;
  }
  // The signal's level where `sample` lies: the lowest peak of the 1.5 ms windows around it
  // (each holds a crest while the tone runs), so a dropout shows at once.
  double LocalLevel(uint64_t sample) const;
  double ToneLevel() const { return tone_; }
  double GateLevel() const { return gateLevel_; }

 private:
  // Smallest and largest sample of consecutive windows of one length.
  struct Windows {
    explicit Windows(uint64_t length) : length(length) {}
    void Add(double s) {
      if (fill == 0) {
        lo = hi = s;
      } else {
        lo = s < lo ? s : lo;
        hi = s > hi ? s : hi;
      }
      if (++fill == length) Close();
    }
    void Close();
    // Each window's peak about the mean; frees the extremes.
    std::vector<float> Peaks(double mean);

    uint64_t length;
    uint64_t fill = 0;
    double lo = 0.0, hi = 0.0;
    std::vector<float> lows, highs;
  };

  Windows gate_;
  Windows level_;
  std::vector<bool> open_;     // per gate window
  std::vector<float> levels_;  // per level window
  double tone_ = 0.0;
  double gateLevel_ = 0.0;
};

// One-shot helpers over whole buffers, for tools and tests.
std::vector<double> ResampleTo22050(const std::vector<double>& input, double inputRate);
std::vector<Symbol> DetectSymbols(const std::vector<double>& samples, double workingRate,
                                  double thresholdPercent);
std::vector<uint8_t> FrameBytes(const std::vector<Symbol>& symbols);

// Produces the first channel of a recording, possibly more than once.
class SampleSource {
 public:
  virtual ~SampleSource() = default;
  virtual uint32_t SampleRate() const = 0;
  virtual uint64_t Count() const = 0;
  virtual void Rewind() = 0;
  // Up to `max` samples; 0 at the end or on a read failure (then Failed() is true).
  virtual size_t Read(double* out, size_t max) = 0;
  virtual bool Failed() const { return false; }
};

class VectorSampleSource : public SampleSource {
 public:
  VectorSampleSource(const std::vector<double>& samples, uint32_t sampleRate)
      : samples_(samples), rate_(sampleRate) {}
  uint32_t SampleRate() const override { return rate_; }
  uint64_t Count() const override { return samples_.size(); }
  void Rewind() override { next_ = 0; }
  size_t Read(double* out, size_t max) override;

 private:
  const std::vector<double>& samples_;
  uint32_t rate_;
  size_t next_ = 0;
};

enum class DecodeError {
  kNone,
  kUnreadable,   // the file cannot be opened or read, or is no usable WAV file
  kUnsupported,  // a WAV file in a format the decoder does not take
};

// One decoding run. Keeps the first kMaxKeptBytes decoded bytes and counts them all: a dump
// is 2048 or 4096 bytes, anything longer is rejected by its count alone.
class TapeDecoder {
 public:
  static constexpr size_t kMaxKeptBytes = 4096;

  explicit TapeDecoder(const DecoderSettings& settings) : settings_(settings) {}

  // Reads the WAV recording and demodulates its first channel.
  DecodeError Decode(ByteSource& file);
  // Demodulates a signal that is already in memory (sample rate as in a file).
  DecodeError Decode(SampleSource& signal);

  const WavFormat& Format() const { return format_; }
  WavError WavStatus() const { return wavError_; }
  double WorkingRateUsed() const { return workingRate_; }
  uint64_t SymbolCount() const { return symbolCount_; }
  uint64_t ByteCount() const { return byteCount_; }
  // Every frame from the first to the last decoded with regular timing and only idle 1s
  // between them: the bytes are the recording's, not a guess.
  bool Certain() const { return certain_; }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  // Runs read -> resample -> filters over the whole signal, handing blocks to `consume`.
  template <class Consumer>
  bool RunPass(SampleSource& signal, Consumer&& consume);

  DecoderSettings settings_;
  WavFormat format_;
  WavError wavError_ = WavError::kNone;
  double workingRate_ = 0.0;
  uint64_t symbolCount_ = 0;
  uint64_t byteCount_ = 0;
  bool certain_ = false;
  std::vector<uint8_t> bytes_;
};

}  // namespace pellory::tape
