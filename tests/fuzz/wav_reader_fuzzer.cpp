// Any bytes as a WAV file: the header walk must terminate, and whatever it accepts must be
// readable to the last frame without reading outside the buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "programs/tape/WavReader.h"

using namespace pellory::tape;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryByteSource source(data, size);
  WavFormat format;
  if (ReadWavHeader(source, format) != WavError::kNone) return 0;
  if (!IsAcceptedFormat(format)) std::abort();
  if (format.dataOffset + format.FramesToRead() * format.FrameSize() > size) std::abort();
  WavSampleReader reader(source, format);
  std::vector<double> block(1000);
  uint64_t total = 0;
  while (size_t n = reader.Read(block.data(), block.size())) total += n;
  if (reader.Failed() || total != reader.Count()) std::abort();
  return 0;
}
