// The input is a WAV file, and its last four bytes also choose the decoder settings (so the
// WAV seeds serve both fuzzers): decoding and loading must
// neither crash nor read out of bounds, and the counts must agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "programs/tape/TapeLoader.h"

using namespace pellory;
using namespace pellory::tape;

namespace {

class NullTarget : public TapeLoadTarget {
 public:
  void StorePrgRecord(int number, const PrgRecord& record) override {
    if (number < 1 || number > 75) std::abort();
    ++stored;
    if (!IsWrittenPrgRecord(record)) ++outOfRange;
  }
  void StoreCombiRecord(int number, const CombiRecord& record) override {
    if (number < 76 || number > 99) std::abort();
    ++stored;
    if (!IsWrittenCombiRecord(record)) ++outOfRange;
  }
  void SetTapeResultMessage(const std::string& text) override { message = text; }
  int stored = 0;
  int outOfRange = 0;
  std::string message;
  bool StateRestoreInProgress() const override { return false; }
  bool HasPanelParameter() const override { return true; }
  void SetPanelParameterToCombi() override {}
  void ClearPanelParameter() override {}
  int KeyboardMode() const override { return 1; }
  int PanelEntryMode() const override { return 0; }
  int CurrentProgram() const override { return 80; }
  void RedrawPanelDisplays() override {}
  void StoreStateInCurrentPreset() override {}
  void NotifyHostOfProgramChange() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t* tail = data + size - 4;
  DecoderSettings settings;
  settings.highPassOn = tail[0] & 1;
  settings.lowPassOn = tail[0] & 2;
  settings.highPassFrequency = 20.0 + tail[1] * 8.0;
  settings.lowPassFrequency = 500.0 + tail[2] * 100.0;
  settings.threshold = tail[3] % 101;
  MemoryByteSource source(data, size);
  TapeDecoder decoder(settings);
  if (decoder.Decode(source) != DecodeError::kNone) return 0;
  if (decoder.Bytes().size() > decoder.ByteCount() || decoder.Bytes().size() > TapeDecoder::kMaxKeptBytes)
    std::abort();
  if (decoder.ByteCount() * 12 > decoder.SymbolCount()) std::abort();
  if (decoder.ByteCount() == decoder.Bytes().size()) {
    const TapeDump dump = ExtractDump(decoder.Bytes().data(), decoder.Bytes().size());
    NullTarget target;
    ApplyTapeDump(dump, target);
  }
  // The loader itself: it succeeds only on a certain decode of a whole dump, and a later
  // model's records are then all in range.
  NullTarget target;
  MemoryByteSource again(data, size);
  const bool loaded = LoadTapeDump(again, settings, target);
  if (loaded != (target.stored > 0)) std::abort();
  if (loaded) {
    if (!decoder.Certain() || (decoder.ByteCount() != kEarlyDumpSize && decoder.ByteCount() != kLaterDumpSize))
      std::abort();
    if (decoder.ByteCount() == kLaterDumpSize && target.outOfRange != 0) std::abort();
  }
  return 0;
}
