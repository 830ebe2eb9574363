#pragma once
// Loading a cassette dump recording into program memory.
#include <string>

#include "programs/tape/TapeDecoder.h"
#include "programs/tape/TapeRecords.h"

namespace pellory::tape {

extern const char* const kEarlyModelLoadedMessage;  // "Early model tape dump was successfully loaded.\n"
extern const char* const kLaterModelLoadedMessage;  // "Later model tape dump was successfully loaded.\n"

// What a load needs from the plug-in: the program records it writes and the bits of program
// and panel state it looks at afterwards.
class TapeLoadTarget {
 public:
  virtual ~TapeLoadTarget() = default;

  virtual void StorePrgRecord(int number, const PrgRecord& record) = 0;      // 1..75
  virtual void StoreCombiRecord(int number, const CombiRecord& record) = 0;  // 76..99
  virtual void SetTapeResultMessage(const std::string& message) = 0;

  virtual bool StateRestoreInProgress() const = 0;
  virtual int KeyboardMode() const = 0;    // 0 Single, 1 Split, 2 Double
  virtual int PanelEntryMode() const = 0;  // 1 parameter-number entry
  virtual int CurrentProgram() const = 0;  // 1..99, 0 none
  // The front panel's parameter number: whether one is shown, and setting it to the Combi
  // parameter (64) or to none.
  virtual bool HasPanelParameter() const = 0;
  virtual void SetPanelParameterToCombi() = 0;
  virtual void ClearPanelParameter() = 0;
  // Redraws the panel's number displays when the editor is open.
  virtual void RedrawPanelDisplays() = 0;
  // Stores the whole state into the framework's current preset, keeping its name.
  virtual void StoreStateInCurrentPreset() = 0;
  virtual void NotifyHostOfProgramChange() = 0;
};

// Writes the dump's records into the target, sets the result message and brings the panel
// and the host up to date. False (and nothing touched) for DumpModel::kNone.
bool ApplyTapeDump(const TapeDump& dump, TapeLoadTarget& target);

// Decodes the recording at `path` with `settings` and, when it holds a dump of either model,
// loads its programs. False when the file cannot be read, is in an unsupported format or does
// not decode to 2048 or 4096 bytes; program memory is then unchanged.
bool LoadTapeDump(const std::string& path, const DecoderSettings& settings, TapeLoadTarget& target);
// Only the decoding part: true with the dump of either model in `dump`.
bool DecodeTapeDump(const std::string& path, const DecoderSettings& settings, TapeDump& dump);
// The same with the process-wide settings that the load dialog edits.
bool LoadTapeDump(const std::string& path, TapeLoadTarget& target);

}  // namespace pellory::tape
