// Writes the fuzz seed corpus: tiny dumps in each accepted format (the bytes they carry are
// in the file name, so the unit tests can check the seeds still decode) and a few damaged
// headers. Usage: make_tape_seeds <folder>
#include <cstdio>
#include <string>
#include <vector>

#include "tape/TapeEncoder.h"

using namespace pellory::tape::testing;

namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string s;
  char buf[3];
  for (uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X", b);
    s += buf;
  }
  return s;
}

bool WriteDump(const std::string& folder, const std::vector<uint8_t>& bytes, uint32_t rate, SampleFormat format,
               bool stereo, double amplitude) {
  WaveOptions o;
  o.amplitude = amplitude;
  o.silence = 0.004;
  o.noise = 0.01;
  const std::vector<double> left = SynthesizeHalfCycles(HalfCycles(EncodeSymbols(bytes, 6, 2)), rate, o);
  std::vector<std::vector<double>> channels = {left};
  if (stereo) channels.push_back(std::vector<double>(left.size(), -0.25));
  const std::string name = std::string("dump_") + std::to_string(rate) + "_" + NameOf(format) +
                           (stereo ? "_stereo_" : "_mono_") + Hex(bytes) + ".wav";
  return WriteFile(folder + "/" + name, MakeWav(channels, rate, format));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_tape_seeds <folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  bool ok = WriteDump(folder, {0x01, 0x80, 0xA5}, 8000, SampleFormat::kPcm8, false, 0.6);
  ok &= WriteDump(folder, {0x5A, 0xFF}, 11025, SampleFormat::kPcm24, false, 0.4);
  ok &= WriteDump(folder, {0x00, 0x3C}, 22050, SampleFormat::kPcm16, true, 0.8);
  ok &= WriteDump(folder, {0x42}, 44100, SampleFormat::kFloat32, false, 0.3);
  ok &= WriteDump(folder, {0xC3}, 48000, SampleFormat::kFloat64, false, 0.5);

  // Damaged and odd headers around a few 16-bit samples.
  std::vector<uint8_t> samples = {0, 0x40, 0, 0xC0, 0, 0x40, 0, 0xC0};
  auto riff = [](const std::vector<uint8_t>& chunks) {
    std::vector<uint8_t> out;
    PutId(out, "RIFF");
    PutLe(out, chunks.size() + 4, 4);
    PutId(out, "WAVE");
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
  };
  auto chunk = [](const char* id, const std::vector<uint8_t>& body, uint32_t declared) {
    std::vector<uint8_t> out;
    PutId(out, id);
    PutLe(out, declared, 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
  };
  auto fmt = [](int tag, int channels, uint32_t rate, int bits) {
    std::vector<uint8_t> out;
    PutFormatChunk(out, tag, channels, rate, bits);
    return out;
  };
  auto cat = [](std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const std::vector<uint8_t> data = chunk("data", samples, uint32_t(samples.size()));
  ok &= WriteFile(folder + "/chunks_list_pad.wav",
                  riff(cat(cat(chunk("LIST", {1, 2, 3, 0}, 3), fmt(1, 1, 8000, 16)), data)));
  ok &= WriteFile(folder + "/data_before_fmt.wav", riff(cat(data, fmt(1, 1, 8000, 16))));
  ok &= WriteFile(folder + "/pcm32_int.wav", riff(cat(fmt(1, 1, 8000, 32), data)));
  ok &= WriteFile(folder + "/huge_data_length.wav", riff(cat(fmt(3, 2, 44100, 32), chunk("data", samples, 0xFFFFFF00u))));
  ok &= WriteFile(folder + "/wrapping_chunk.wav", riff(cat(cat(fmt(1, 2, 8000, 8), chunk("junk", {}, 0xFFFFFFF8u)), data)));
  // What recorders write: WAVE_FORMAT_EXTENSIBLE, and an unfinished file's length.
  std::vector<uint8_t> extensible;
  PutId(extensible, "fmt ");
  PutLe(extensible, 40, 4);
  for (uint64_t v : {0xFFFEull, 1ull}) PutLe(extensible, v, 2);
  PutLe(extensible, 44100, 4);
  PutLe(extensible, 88200, 4);
  for (uint64_t v : {2ull, 16ull, 22ull, 16ull}) PutLe(extensible, v, 2);
  PutLe(extensible, 4, 4);
  const uint8_t guid[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  extensible.insert(extensible.end(), guid, guid + 16);
  ok &= WriteFile(folder + "/extensible_pcm16.wav", riff(cat(extensible, data)));
  ok &= WriteFile(folder + "/unfinished_length.wav", riff(cat(fmt(1, 1, 8000, 16), chunk("data", samples, 0xFFFFFFFFu))));
  return ok ? 0 : 1;
}
