#pragma once
// Reading WAV recordings for the tape-dump decoder: the RIFF chunk walk, the accepted sample
// formats and the conversion of the first channel to doubles.
//
// The reader never trusts a length from the file: every read is checked against the real size
// of the file, so a header that claims gigabytes cannot make it allocate or read past the end.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace pellory::tape {

// Random-access bytes: a file on disk or a buffer in memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly `count` bytes at `offset`; false when they are not all there.
  virtual bool ReadAt(uint64_t offset, void* destination, size_t count) = 0;
};

class MemoryByteSource : public ByteSource {
 public:
  MemoryByteSource(const void* data, size_t size)
      : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* destination, size_t count) override;

 private:
  const unsigned char* data_;
  size_t size_;
};

// A regular file opened for reading. IsOpen() is false for missing files, folders and files
// that cannot be read; such a source reads nothing.
class FileByteSource : public ByteSource {
 public:
  explicit FileByteSource(const std::string& path);
  bool IsOpen() const { return open_; }
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* destination, size_t count) override;

 private:
  std::ifstream file_;
  bool open_ = false;
  uint64_t size_ = 0;
};

enum class WavError {
  kNone,
  kNotRiffWave,         // no "RIFF" ... "WAVE" header
  kNoSampleData,        // no "data" chunk after a usable "fmt " chunk before the end of the file
  kUnsupportedFormat,   // format tag, bits, channels or sample rate not accepted
  kTruncated,           // the sample data to be read runs past the end of the file
};

struct WavFormat {
  uint16_t formatTag = 0;      // 1 integer PCM, 3 floating point (also from an extensible header)
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t bitsPerSample = 0;
  uint64_t dataOffset = 0;     // file position of the first sample frame
  uint64_t dataLength = 0;     // as the "data" chunk declares it, cut at the end of the file
  uint64_t frames = 0;         // dataLength / frame size
  uint32_t FrameSize() const { return uint32_t(channels) * (bitsPerSample / 8u); }
  // The recording's last frame is not decoded.
  uint64_t FramesToRead() const { return frames > 0 ? frames - 1 : 0; }
};

constexpr uint16_t kWavFormatPcm = 1;
constexpr uint16_t kWavFormatFloat = 3;
// Below this rate the dump's short half-cycles cannot be represented at all; refusing such
// files also bounds the resampler's output to about eleven samples per input sample.
constexpr uint32_t kMinSampleRate = 2000;

// Walks the chunks and checks the format. On success `format` describes the sample data and
// every frame to be read lies inside the source.
WavError ReadWavHeader(ByteSource& source, WavFormat& format);

// True for the formats the decoder accepts: 8/16/24-bit integer PCM or 32/64-bit float,
// one or two channels, a usable sample rate.
bool IsAcceptedFormat(const WavFormat& format);

// Converts the first channel of `count` frames stored at `bytes` to doubles in -1..1
// (8-bit unsigned s / 128 - 1, 16-bit s / 32768, 24-bit s / 2^23, floats as they are).
void ConvertFirstChannel(const unsigned char* bytes, size_t count, const WavFormat& format,
                         double* out);

// Streams the first channel of the frames to be read, in blocks, and can start over.
class WavSampleReader {
 public:
  WavSampleReader(ByteSource& source, const WavFormat& format);
  void Rewind() { next_ = 0; }
  // Up to `max` samples into `out`; 0 at the end. Sets Failed() when the source stops reading.
  size_t Read(double* out, size_t max);
  uint64_t Count() const { return format_.FramesToRead(); }
  bool Failed() const { return failed_; }

 private:
  ByteSource& source_;
  WavFormat format_;
  uint64_t next_ = 0;
  bool failed_ = false;
  std::vector<unsigned char> raw_;
};

}  // namespace pellory::tape
