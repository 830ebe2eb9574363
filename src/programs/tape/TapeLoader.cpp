#include "programs/tape/TapeLoader.h"

#include "platform/Files.h"

namespace pellory::tape {

const char* const kEarlyModelLoadedMessage = "Early model tape dump was successfully loaded.\n";
const char* const kLaterModelLoadedMessage = "Later model tape dump was successfully loaded.\n";

namespace {

constexpr int kKeyboardSingle = 0;
constexpr int kParameterEntry = 1;

void RefreshAfterLoad(TapeLoadTarget& target) {
  if (!target.StateRestoreInProgress() && target.HasPanelParameter()) {
    if (target.KeyboardMode() != kKeyboardSingle && target.PanelEntryMode() != kParameterEntry &&
        IsCombiNumber(target.CurrentProgram())) {
      target.SetPanelParameterToCombi();
    } else {
      target.ClearPanelParameter();
    }
    target.RedrawPanelDisplays();
  }
  target.StoreStateInCurrentPreset();
  target.NotifyHostOfProgramChange();
}

}  // namespace

bool ApplyTapeDump(const TapeDump& dump, TapeLoadTarget& target) {
  if (dump.model == DumpModel::kNone) return false;
  for (size_t i = 0; i < dump.prgs.size(); ++i) target.StorePrgRecord(int(i) + 1, dump.prgs[i]);
  for (size_t i = 0; i < dump.combis.size(); ++i)
    target.StoreCombiRecord(kFirstCombi + int(i), dump.combis[i]);
  target.SetTapeResultMessage(dump.model == DumpModel::kEarly ? kEarlyModelLoadedMessage
                                                              : kLaterModelLoadedMessage);
  RefreshAfterLoad(target);
  return true;
}

bool DecodeTapeDump(const std::string& path, const DecoderSettings& settings, TapeDump& dump) {
  // Folders and other non-files open on some systems and then fail part-way; refuse them here.
  if (!platform::FileExists(path)) return false;
  FileByteSource file(path);
  if (!file.IsOpen()) return false;
  TapeDecoder decoder(settings);
  if (decoder.Decode(file) != DecodeError::kNone) return false;
  if (decoder.ByteCount() != kEarlyDumpSize && decoder.ByteCount() != kLaterDumpSize) return false;
  dump = ExtractDump(decoder.Bytes().data(), decoder.Bytes().size());
  return true;
}

bool LoadTapeDump(const std::string& path, const DecoderSettings& settings, TapeLoadTarget& target) {
  TapeDump dump;
  return DecodeTapeDump(path, settings, dump) && ApplyTapeDump(dump, target);
}

bool LoadTapeDump(const std::string& path, TapeLoadTarget& target) {
  return LoadTapeDump(path, GetDecoderSettings(), target);
}

}  // namespace pellory::tape
