#include "programs/tape/WavReader.h"

#include <algorithm>
#include <cstring>

namespace pellory::tape {
namespace {

uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Le32(const unsigned char* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

bool IdIs(const unsigned char* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// Frames converted per block: a bounded buffer however long the recording is.
constexpr size_t kFramesPerBlock = 8192;

constexpr uint16_t kWavFormatExtensible = 0xFFFE;
// Bytes 2..15 of the KSDATAFORMAT sub-format GUIDs for PCM and IEEE float.
constexpr unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

}  // namespace

bool MemoryByteSource::ReadAt(uint64_t offset, void* destination, size_t count) {
  if (offset > size_ || count > size_ - offset) return false;
  if (count) std::memcpy(destination, data_ + offset, count);
  return true;
}

FileByteSource::FileByteSource(const std::string& path) {
  file_.open(path, std::ios::binary | std::ios::in);
  if (!file_.is_open()) return;
  file_.seekg(0, std::ios::end);
  const std::streamoff end = file_.tellg();
  if (!file_ || end < 0) return;
  size_ = uint64_t(end);
  open_ = true;
}

bool FileByteSource::ReadAt(uint64_t offset, void* destination, size_t count) {
  if (!open_ || offset > size_ || count > size_ - offset) return false;
  file_.clear();
  file_.seekg(std::streamoff(offset), std::ios::beg);
  if (!file_) return false;
  file_.read(static_cast<char*>(destination), std::streamsize(count));
  return file_.gcount() == std::streamsize(count);
}

bool IsAcceptedFormat(const WavFormat& f) {
  const bool pcm = f.formatTag == kWavFormatPcm &&
                   (f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24);
  const bool flt = f.formatTag == kWavFormatFloat && (f.bitsPerSample == 32 || f.bitsPerSample == 64);
  return (pcm || flt) && (f.channels == 1 || f.channels == 2) && f.sampleRate >= kMinSampleRate;
}

WavError ReadWavHeader(ByteSource& source, WavFormat& format) {
  format = WavFormat{};
  const uint64_t size = source.Size();
  unsigned char header[12];
  if (!source.ReadAt(0, header, sizeof header) || !IdIs(header, "RIFF") || !IdIs(header + 8, "WAVE"))
    return WavError::kNotRiffWave;

  // 64-bit positions: a chunk length near 4 GiB must not wrap the walk back to the start.
  uint64_t pos = 12;
  bool haveFormat = false;
  bool haveData = false;
  while (pos + 8 <= size) {
    unsigned char chunk[8];
    if (!source.ReadAt(pos, chunk, sizeof chunk)) break;
    const uint64_t length = Le32(chunk + 4);
    const uint64_t body = pos + 8;
    if (IdIs(chunk, "fmt ") && length >= 16) {
      unsigned char fmt[40];
      if (!source.ReadAt(body, fmt, 16)) break;
      format.formatTag = Le16(fmt);
      format.channels = Le16(fmt + 2);
      format.sampleRate = Le32(fmt + 4);
      format.bitsPerSample = Le16(fmt + 14);
      // Many recorders write every file as WAVE_FORMAT_EXTENSIBLE; its sub-format GUID names
      // the plain tag in its first two bytes.
      if (format.formatTag == kWavFormatExtensible) {
        format.formatTag = 0;
        if (length >= 40 && source.ReadAt(body, fmt, 40) && Le16(fmt + 16) >= 22 &&
            std::memcmp(fmt + 26, kGuidTail, sizeof kGuidTail) == 0)
          format.formatTag = Le16(fmt + 24);
      }
      haveFormat = true;
    } else if (IdIs(chunk, "data") && length != 0 && haveFormat) {
      format.dataOffset = body;
      // A recorder stopped before it could write the length leaves 0xFFFFFFFF or a guess
      // there: the samples run to the end of the file.
      format.dataLength = std::min<uint64_t>(length, size - body);
      haveData = true;
      break;
    }
    pos = body + length;
    // RIFF pads odd-length chunks with a zero byte; a chunk id never starts with one, so the
    // byte is skipped when present and files that leave it out still walk correctly.
    if ((length & 1) && pos < size) {
      unsigned char pad = 1;
      if (source.ReadAt(pos, &pad, 1) && pad == 0) ++pos;
    }
  }
  if (!haveData) return WavError::kNoSampleData;
  if (!IsAcceptedFormat(format)) return WavError::kUnsupportedFormat;
  format.frames = format.dataLength / format.FrameSize();
  const uint64_t needed = format.FramesToRead() * format.FrameSize();
  if (format.dataOffset > size || needed > size - format.dataOffset) return WavError::kTruncated;
  return WavError::kNone;
}

void ConvertFirstChannel(const unsigned char* bytes, size_t count, const WavFormat& format,
                         double* out) {
  const size_t stride = format.FrameSize();
  switch (format.bitsPerSample) {
    case 8:
      for (size_t i = 0; i < count; ++i, bytes += stride) out[i] = bytes[0] / 128.0 - 1.0;
      break;
    case 16:
      for (size_t i = 0; i < count; ++i, bytes += stride) out[i] = int16_t(Le16(bytes)) / 32768.0;
      break;
    case 24:
      for (size_t i = 0; i < count; ++i, bytes += stride) {
        // Place the 24 bits at the top of a 32-bit word so the shift back sign-extends.
        const int32_t v = int32_t(uint32_t(bytes[0] << 8 | bytes[1] << 16 | uint32_t(bytes[2]) << 24)) >> 8;
        out[i] = v / 8388608.0;
      }
      break;
    case 32:
      for (size_t i = 0; i < count; ++i, bytes += stride) {
        const uint32_t bits = Le32(bytes);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        out[i] = f;
      }
      break;
    case 64:
      for (size_t i = 0; i < count; ++i, bytes += stride) {
        const uint64_t bits = uint64_t(Le32(bytes)) | (uint64_t(Le32(bytes + 4)) << 32);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        out[i] = d;
      }
      break;
    default:
      std::fill(out, out + count, 0.0);
      break;
  }
}

WavSampleReader::WavSampleReader(ByteSource& source, const WavFormat& format)
    : source_(source), format_(format) {}

size_t WavSampleReader::Read(double* out, size_t max) {
  const uint64_t total = Count();
  if (failed_ || next_ >= total || max == 0 || format_.FrameSize() == 0) return 0;
  const size_t frames = size_t(std::min<uint64_t>({uint64_t(max), total - next_, kFramesPerBlock}));
  const size_t stride = format_.FrameSize();
  raw_.resize(frames * stride);
  if (!source_.ReadAt(format_.dataOffset + next_ * stride, raw_.data(), raw_.size())) {
    failed_ = true;
    return 0;
  }
  ConvertFirstChannel(raw_.data(), frames, format_, out);
  next_ += frames;
  return frames;
}

}  // namespace pellory::tape
