// Pellory's side of a tape-dump load: the decoder writes through this adapter.
#include "core/Pellory.h"
#include "programs/ParameterTable.h"
#include "programs/tape/TapeLoader.h"

namespace pellory {

class PelloryTapeTarget : public tape::TapeLoadTarget {
 public:
  explicit PelloryTapeTarget(Pellory& plug) : plug_(plug) {}

  void StorePrgRecord(int number, const PrgRecord& record) override {
    plug_.programs_.Store(number, record.data(), kPrgRecordSize);
  }
  void StoreCombiRecord(int number, const CombiRecord& record) override {
    plug_.programs_.Store(number, record.data(), kCombiRecordSize);
  }
  void SetTapeResultMessage(const std::string& message) override { plug_.tapeResultMessage_ = message; }
  bool StateRestoreInProgress() const override { return plug_.restoringState_; }
  int KeyboardMode() const override { return plug_.keyboardMode_; }
  int PanelEntryMode() const override { return plug_.panelEntryMode_; }
  int CurrentProgram() const override { return plug_.currentProgram_; }
  bool HasPanelParameter() const override { return plug_.panelParameterNumber_ != 0; }
  void SetPanelParameterToCombi() override { SetPanelParameter(64); }
  void ClearPanelParameter() override { SetPanelParameter(0); }
  // The editor redraws its number displays on the refresh that the flag asks for.
  void RedrawPanelDisplays() override { plug_.editorRefreshPending_ = true; }
  void StoreStateInCurrentPreset() override { plug_.ModifyCurrentPreset(); }
  void NotifyHostOfProgramChange() override { plug_.NotifyHostOfProgramChange(); }

 private:
  void SetPanelParameter(int number) {
    plug_.panelParameterNumber_ = number;
    plug_.selectedParameter_ = number ? ParameterOfPanelNumber(number) : -1;
  }
  Pellory& plug_;
};

bool Pellory::LoadTapeDump(const std::string& path) {
  // A long recording takes seconds to decode: that runs without the instance lock, so the
  // host's audio goes on meanwhile; only the load into program memory holds it.
  tape::TapeDump dump;
  if (!tape::DecodeTapeDump(path, tape::GetDecoderSettings(), dump)) return false;
  platform::LockGuard guard(lock_);
  PelloryTapeTarget target(*this);
  const bool loaded = tape::ApplyTapeDump(dump, target);
  if (loaded) editorRefreshPending_ = true;
  return loaded;
}

}  // namespace pellory
