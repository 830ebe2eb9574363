#pragma once
// Program memory and panel state as a tape load sees them, with a log of what the load did.
#include <string>
#include <vector>

#include "programs/ProgramMemory.h"
#include "programs/tape/TapeLoader.h"

namespace pellory::tape::testing {

// The records live in a real ProgramMemory and are written through its Store, as the plug-in
// will write them; the panel and host side is recorded.
class FakeProgramMemory : public TapeLoadTarget, public ProgramMemory {
 public:
  FakeProgramMemory() {
    // Recognisable contents, so that a record left alone can be told from one written.
    for (int n = 0; n < kNumPrgs; ++n) prgs[size_t(n)].fill(uint8_t(0xA0 + n % 7));
    for (int n = 0; n < kNumCombis; ++n) combis[size_t(n)].fill(uint8_t(0x50 + n));
  }

  void StorePrgRecord(int number, const PrgRecord& record) override {
    log.push_back(Store(number, record.data(), kPrgRecordSize) ? "prg " + std::to_string(number) : "refused");
  }
  void StoreCombiRecord(int number, const CombiRecord& record) override {
    log.push_back(Store(number, record.data(), kCombiRecordSize) ? "combi " + std::to_string(number) : "refused");
  }
  void SetTapeResultMessage(const std::string& m) override {
    log.push_back("message");
    message = m;
  }
  bool StateRestoreInProgress() const override { return stateRestore; }
  bool HasPanelParameter() const override { return panelParameter != -1; }
  void SetPanelParameterToCombi() override {
    log.push_back("panel 64");
    panelParameter = 64;
  }
  void ClearPanelParameter() override {
    log.push_back("panel none");
    panelParameter = -1;
  }
  int KeyboardMode() const override { return keyboardMode; }
  int PanelEntryMode() const override { return entryMode; }
  int CurrentProgram() const override { return currentProgram; }
  void RedrawPanelDisplays() override { log.push_back("redraw"); }
  void StoreStateInCurrentPreset() override { log.push_back("preset"); }
  void NotifyHostOfProgramChange() override { log.push_back("notify"); }

  std::string message = "(unchanged)";
  bool stateRestore = false;
  int panelParameter = -1;  // -1 none
  int keyboardMode = 0;
  int entryMode = 2;
  int currentProgram = 1;
  std::vector<std::string> log;
};

}  // namespace pellory::tape::testing
