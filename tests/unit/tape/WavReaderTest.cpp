// The WAV side of the tape loader: chunk walk, accepted formats, sample conversion, and the
// files it must refuse without touching program memory.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "FakeProgramMemory.h"
#include "CassetteSimulator.h"
#include "programs/tape/TapeLoader.h"
#include "programs/tape/WavReader.h"

namespace pellory::tape {
namespace {

using testing::PutFormatChunk;
using testing::PutId;
using testing::PutLe;

using Bytes = std::vector<uint8_t>;

Bytes Riff(const Bytes& chunks, uint32_t declaredSize = 0) {
  Bytes out;
  PutId(out, "RIFF");
  PutLe(out, declaredSize ? declaredSize : uint32_t(chunks.size() + 4), 4);
  PutId(out, "WAVE");
  out.insert(out.end(), chunks.begin(), chunks.end());
  return out;
}

Bytes Chunk(const char* id, const Bytes& body, uint64_t declared = UINT64_MAX) {
  Bytes out;
  PutId(out, id);
  PutLe(out, declared == UINT64_MAX ? body.size() : declared, 4);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes Fmt(int tag, int channels, uint32_t rate, int bits) {
  Bytes out;
  PutFormatChunk(out, tag, channels, rate, bits);
  return out;
}

uint32_t Bits32(float v) {
  uint32_t b;
  std::memcpy(&b, &v, 4);
  return b;
}

uint64_t Bits64(double v) {
  uint64_t b;
  std::memcpy(&b, &v, 8);
  return b;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The samples the decoder would see.
std::vector<double> ReadAll(const Bytes& file, WavFormat* formatOut = nullptr) {
  MemoryByteSource source(file.data(), file.size());
  WavFormat format;
  EXPECT_EQ(ReadWavHeader(source, format), WavError::kNone);
  if (formatOut) *formatOut = format;
  WavSampleReader reader(source, format);
  std::vector<double> out(size_t(reader.Count()) + 5);
  size_t n = 0;
  while (size_t got = reader.Read(out.data() + n, 3)) n += got;  // small blocks on purpose
  out.resize(n);
  return out;
}

WavError HeaderError(const Bytes& file) {
  MemoryByteSource source(file.data(), file.size());
  WavFormat format;
  return ReadWavHeader(source, format);
}

TEST(WavReader, ConvertsEachAcceptedFormatAndDropsTheLastFrame) {
  // Five frames each; the decoder reads four.
  EXPECT_EQ(ReadAll(Riff(Fmt(1, 1, 8000, 8) + Chunk("data", {0, 64, 128, 255, 7}))),
            (std::vector<double>{-1.0, -0.5, 0.0, 127.0 / 128.0}));
  EXPECT_EQ(ReadAll(Riff(Fmt(1, 1, 8000, 16) +
                         Chunk("data", {0x00, 0x80, 0xFF, 0x7F, 0xFF, 0xFF, 0x00, 0x40, 1, 2}))),
            (std::vector<double>{-1.0, 32767.0 / 32768.0, -1.0 / 32768.0, 0.5}));
  EXPECT_EQ(ReadAll(Riff(Fmt(1, 1, 8000, 24) + Chunk("data", {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF,
                                                               0xFF, 0x00, 0x00, 0x20, 1, 2, 3}))),
            (std::vector<double>{-1.0, 8388607.0 / 8388608.0, -1.0 / 8388608.0, 0.25}));
  // Floats pass through unchanged, even beyond full scale.
  Bytes f32;
  for (float v : {0.25f, -2.5f, 1e-3f, 0.0f, 9.0f}) PutLe(f32, Bits32(v), 4);
  EXPECT_EQ(ReadAll(Riff(Fmt(3, 1, 8000, 32) + Chunk("data", f32))),
            (std::vector<double>{0.25, -2.5, double(1e-3f), 0.0}));
  Bytes f64;
  for (double v : {-0.125, 3.0, 1e-9, 0.5, 9.0}) PutLe(f64, Bits64(v), 8);
  EXPECT_EQ(ReadAll(Riff(Fmt(3, 1, 8000, 64) + Chunk("data", f64))),
            (std::vector<double>{-0.125, 3.0, 1e-9, 0.5}));
}

TEST(WavReader, StereoIsReadFromTheLeftChannel) {
  // 16-bit stereo: left 0x4000 / right 0x8000 alternate with left 0xC000 / right 0x7FFF.
  const Bytes data = {0x00, 0x40, 0x00, 0x80, 0x00, 0xC0, 0xFF, 0x7F, 0x00, 0x40, 0x00, 0x80, 0, 0, 0, 0};
  WavFormat format;
  EXPECT_EQ(ReadAll(Riff(Fmt(1, 2, 44100, 16) + Chunk("data", data)), &format),
            (std::vector<double>{0.5, -0.5, 0.5}));
  EXPECT_EQ(format.frames, 4u);
  EXPECT_EQ(format.sampleRate, 44100u);

  Bytes pcm8 = {200, 0, 56, 255, 128, 128};
  EXPECT_EQ(ReadAll(Riff(Fmt(1, 2, 8000, 8) + Chunk("data", pcm8))), (std::vector<double>{0.5625, -0.5625}));
}

TEST(WavReader, WalksPastOtherChunksAndHonoursPadBytes) {
  const Bytes data = Chunk("data", {10, 20, 30});
  // A LIST chunk before the format, an odd-length chunk with its pad byte, one without,
  // a longer "fmt " (extension bytes), an empty "data" chunk that does not count.
  Bytes fmt18 = Fmt(1, 1, 11025, 8);
  fmt18[4] = 18;
  fmt18.push_back(0);
  fmt18.push_back(0);
  const Bytes file = Riff(Chunk("LIST", {1, 2, 3, 4}) + Chunk("junk", {9, 9, 9}) + Bytes{0} + fmt18 +
                          Chunk("odd ", {5}) + Chunk("data", {}) + data);
  EXPECT_EQ(ReadAll(file), (std::vector<double>{10 / 128.0 - 1, 20 / 128.0 - 1}));
  EXPECT_EQ(ReadAll(Riff(Fmt(1, 1, 11025, 8) + Chunk("odd ", {5}) + data)).size(), 2u);
}

TEST(WavReader, DataThatClaimsMoreThanTheFileHoldsRunsToTheEnd) {
  // Unfinished recordings: the data chunk claims more frames than there are (a guess, or
  // 0xFFFFFFFF); the frames present count, a partial last frame does not.
  for (uint32_t declared : {6u, 8u, 1000u, 0xC0000000u, 0xFFFFFFFFu}) {
    const Bytes file = Riff(Fmt(1, 1, 8000, 16) + Chunk("data", {0, 0x40, 0, 0xC0, 0, 0x20, 7}, declared), 0xFFFFFFFFu);
    WavFormat format;
    EXPECT_EQ(ReadAll(file, &format), (std::vector<double>{0.5, -0.5})) << declared;
    EXPECT_EQ(format.frames, 3u) << declared;
  }
  // A data chunk that ends before the file does keeps its own length.
  const Bytes file = Riff(Fmt(1, 1, 8000, 16) + Chunk("data", {0, 0x40, 0, 0xC0, 0, 0x20}, 4) + Chunk("LIST", {1, 2}));
  EXPECT_EQ(ReadAll(file), (std::vector<double>{0.5}));
}

// WAVE_FORMAT_EXTENSIBLE as many recorders write it: a 40-byte "fmt " chunk whose sub-format
// GUID carries the plain format tag.
Bytes Extensible(int subTag, int channels, uint32_t rate, int bits, int extensionSize = 22) {
  Bytes out;
  testing::PutExtensibleFormatChunk(out, subTag, channels, rate, bits);
  out[24] = uint8_t(extensionSize);
  return out;
}

TEST(WavReader, ReadsExtensibleHeadersWithPcmOrFloatSubFormats) {
  WavFormat format;
  EXPECT_EQ(ReadAll(Riff(Extensible(1, 1, 44100, 16) + Chunk("data", {0x00, 0x40, 0x00, 0xC0, 0, 0})), &format),
            (std::vector<double>{0.5, -0.5}));
  EXPECT_EQ(format.formatTag, 1);
  EXPECT_EQ(format.sampleRate, 44100u);
  Bytes f32;
  for (float v : {0.25f, -0.75f, 0.0f}) PutLe(f32, Bits32(v), 4);
  EXPECT_EQ(ReadAll(Riff(Extensible(3, 1, 48000, 32) + Chunk("data", f32)), &format),
            (std::vector<double>{0.25, -0.75}));
  EXPECT_EQ(format.formatTag, 3);
  // Stereo 24-bit, left channel.
  EXPECT_EQ(ReadAll(Riff(Extensible(1, 2, 96000, 24) + Chunk("data", {0, 0, 0x40, 0, 0, 0x80, 0, 0, 0, 0, 0, 0}))),
            (std::vector<double>{0.5}));

  // Other sub-formats, a GUID that is not the standard one, and extensible tags without the
  // extension stay unreadable.
  Bytes otherGuid = Extensible(1, 1, 8000, 16);
  otherGuid[8 + 24 + 15] ^= 0xFF;
  const Bytes data = Chunk("data", Bytes(16, 0));
  EXPECT_EQ(HeaderError(Riff(Extensible(2, 1, 8000, 16) + data)), WavError::kUnsupportedFormat);
  EXPECT_EQ(HeaderError(Riff(Extensible(1, 1, 8000, 32) + data)), WavError::kUnsupportedFormat);
  EXPECT_EQ(HeaderError(Riff(Extensible(3, 1, 8000, 16) + data)), WavError::kUnsupportedFormat);
  EXPECT_EQ(HeaderError(Riff(otherGuid + data)), WavError::kUnsupportedFormat);
  EXPECT_EQ(HeaderError(Riff(Extensible(1, 1, 8000, 16, 0) + data)), WavError::kUnsupportedFormat);
}

TEST(WavReader, RejectsMalformedAndUnsupportedFiles) {
  const Bytes data = Chunk("data", Bytes(64, 0x80));
  struct Case {
    const char* name;
    Bytes file;
    WavError error;
  } cases[] = {
      {"empty", {}, WavError::kNotRiffWave},
      {"header only", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V'}, WavError::kNotRiffWave},
      {"not RIFF", [&] { Bytes b = Riff(Fmt(1, 1, 8000, 8) + data); b[3] = 'X'; return b; }(),
       WavError::kNotRiffWave},
      {"not WAVE", [&] { Bytes b = Riff(Fmt(1, 1, 8000, 8) + data); b[8] = 'A'; return b; }(),
       WavError::kNotRiffWave},
      {"no chunks", Riff({}), WavError::kNoSampleData},
      {"data before fmt", Riff(data + Fmt(1, 1, 8000, 8)), WavError::kNoSampleData},
      {"short fmt", Riff(Chunk("fmt ", Bytes(14, 1)) + data), WavError::kNoSampleData},
      {"chunk past the end", Riff(Fmt(1, 1, 8000, 8) + Chunk("LIST", {1, 2}, 1000) + data),
       WavError::kNoSampleData},
      {"chunk length wraps", Riff(Fmt(1, 1, 8000, 8) + Chunk("LIST", {}, 0xFFFFFFF4u) + data),
       WavError::kNoSampleData},
      {"fmt runs past the end", Riff(Chunk("fmt ", {1, 0, 1, 0}, 16)), WavError::kNoSampleData},
      {"zero channels", Riff(Fmt(1, 0, 8000, 16) + data), WavError::kUnsupportedFormat},
      {"three channels", Riff(Fmt(1, 3, 8000, 16) + data), WavError::kUnsupportedFormat},
      {"zero bits", Riff(Fmt(1, 1, 8000, 0) + data), WavError::kUnsupportedFormat},
      {"odd bits", Riff(Fmt(1, 1, 8000, 7) + data), WavError::kUnsupportedFormat},
      {"12 bits", Riff(Fmt(1, 1, 8000, 12) + data), WavError::kUnsupportedFormat},
      {"32-bit integer", Riff(Fmt(1, 1, 8000, 32) + data), WavError::kUnsupportedFormat},
      {"16-bit float", Riff(Fmt(3, 1, 8000, 16) + data), WavError::kUnsupportedFormat},
      {"extensible", Riff(Fmt(0xFFFE, 1, 8000, 16) + data), WavError::kUnsupportedFormat},
      {"ADPCM", Riff(Fmt(2, 1, 8000, 4) + data), WavError::kUnsupportedFormat},
      {"rate 0", Riff(Fmt(1, 1, 0, 16) + data), WavError::kUnsupportedFormat},
      {"rate 1999", Riff(Fmt(1, 1, 1999, 16) + data), WavError::kUnsupportedFormat},
  };
  for (const Case& c : cases) EXPECT_EQ(HeaderError(c.file), c.error) << c.name;

  // The same files through the loader: refused, and nothing written anywhere.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("pellory-tape-bad-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(folder);
  for (const Case& c : cases) {
    const std::string path = (folder / "bad.wav").string();
    ASSERT_TRUE(testing::WriteFile(path, c.file));
    testing::FakeProgramMemory memory;
    const testing::FakeProgramMemory before;
    EXPECT_FALSE(LoadTapeDump(path, DecoderSettings{}, memory)) << c.name;
    EXPECT_TRUE(memory.log.empty()) << c.name;
    EXPECT_EQ(memory.prgs, before.prgs) << c.name;
    EXPECT_EQ(memory.message, before.message) << c.name;
  }
  testing::FakeProgramMemory memory;
  EXPECT_FALSE(LoadTapeDump(folder.string(), DecoderSettings{}, memory)) << "a folder";
  EXPECT_FALSE(LoadTapeDump((folder / "missing.wav").string(), DecoderSettings{}, memory)) << "no file";
  EXPECT_FALSE(LoadTapeDump("", DecoderSettings{}, memory)) << "empty path";
  EXPECT_TRUE(memory.log.empty());
  std::filesystem::remove_all(folder);
}

TEST(WavReader, FileSourceReadsOnlyWhatIsThere) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "pellory-tape-source.bin";
  ASSERT_TRUE(testing::WriteFile(path.string(), {1, 2, 3, 4, 5}));
  FileByteSource file(path.string());
  ASSERT_TRUE(file.IsOpen());
  EXPECT_EQ(file.Size(), 5u);
  uint8_t buf[4] = {};
  EXPECT_TRUE(file.ReadAt(3, buf, 2));
  EXPECT_EQ(buf[0], 4);
  EXPECT_EQ(buf[1], 5);
  EXPECT_FALSE(file.ReadAt(3, buf, 3));
  EXPECT_FALSE(file.ReadAt(UINT64_MAX - 1, buf, 4));
  EXPECT_TRUE(file.ReadAt(0, buf, 4)) << "a failed read leaves the source usable";
  EXPECT_EQ(buf[3], 4);
  std::filesystem::remove(path);
  EXPECT_FALSE(FileByteSource(path.string()).IsOpen());
}

}  // namespace
}  // namespace pellory::tape
