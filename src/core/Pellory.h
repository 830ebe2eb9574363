#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "core/Synth.h"
#include "core/UpdateCheck.h"
#include "engine/Engine.h"
#include "programs/ProgramDialogs.h"
#include "programs/SysEx.h"
#include "programs/UtilityMenu.h"

namespace pellory {

class PelloryEditor;

// Plug-in parameter ids (the table is declared by InitParameters).
enum ParameterId {
  kLfo1Waveform = 0,
  kLfo1Delay = 5,
  kLfo1WheelAmount = 9,
  kVcfResonance = 17,
  kDco1Octave = 21,
  kDco2Octave = 29,
  kLfo2Waveform = 44,
  kLfo2Depth = 52,
  kSplitPoint = 53,
  kUpperTranspose = 54,
  kLowerLevel = 55,
  kUpperLevel = 56,
  kTune = 57,
  kKeyboardMode = 58,
  kLowerVolume = 59,
  kUpperVolume = 60,
  kLowerPanorama = 61,
  kUpperPanorama = 62,
  kProgramNumber = 63,
  kLowerProgram = 64,
  kUpperProgram = 65,
  kVoices = 66,
  kUpdateRate = 67,
  kStereoMode = 68,
  kLinkedLfos = 69,
  kFrequencyScale = 70,
  kVcfFmStart = 71,
  kVcfFmStop = 72,
  kLfoFmRange = 73,
  kPitchBendRange = 74,
  kDetuneDepth = 75,
  kDetuneInit = 76,
};

enum KeyboardMode { kSingle = 0, kSplit = 1, kDouble = 2 };

constexpr int32_t kPelloryUniqueId = 0x766C2D31;  // 'vl-1'
constexpr int32_t kPelloryMakerId = 0x56654D75;   // 'VeMu'
constexpr int32_t kPelloryVersion = 0x00010102;   // 1.1.2

// The synthesizer: engine, voices, LFOs, program state and the MIDI handling around them.
class Pellory : public Synth, private engine::ControlBlockClient, private SysExReceiver {
 public:
  explicit Pellory(vst2::audioMasterCallback hostCallback, const InstanceOptions& options = InstanceOptions());
  ~Pellory() override;

  void Reset() override;
  void HandleParameterChange(int index) override;
  void ProcessBlock(double** inputs, double** outputs, int frames) override;
  void Idle() override;
  void HandleMidiMessage(const IMidiMessage& message) override;
  void AllNotesOff() override;
  void InitParameters() override;
  void HandleSysEx(const ISysExMessage& message) override;
  bool SerializeState(StateChunk& chunk) override;
  int UnserializeState(const StateChunk& chunk, int position) override;

  // Voice allocation entry points, called by the MIDI dispatch.
  void NoteOn(int note, int velocity);
  void NoteOff(int note);
  void SetSustainPedal(bool down);

  // Program selection (ids 63, 64, 65) and keyboard mode.
  void SelectProgram(int number, bool forced);
  void SetLowerProgram(int number);
  void LoadStoredPrgIntoLayer(int number, engine::Layer layer);
  void SetKeyboardMode(int mode);

  // Program memory (75 PRGs, 24 Combi PRGs) and what moves records in and out of it.
  static constexpr int kStateImageSize = kNumPrgs * kPrgRecordSize + kNumCombis * kCombiRecordSize + 8 * kNumParameters;
  enum PanelEntryMode { kPanelNoEntry = 0, kPanelParameterEntry = 1, kPanelProgramEntry = 2, kPanelUpperEntry = 3 };
  ProgramMemory& Programs() { return programs_; }
  const ProgramMemory& Programs() const { return programs_; }
  // A PRG record (37 bytes) sets ids 0..52; a Combi record (7) the combination parameters.
  void ApplyRecord(const uint8_t* record, int size);
  // The record of the current parameter values; returns the size written (0 for other sizes).
  int EncodeRecord(int size, uint8_t* out) const;
  void LoadLowerProgramIntoParameters();
  // The edited parameters sound again (after compare, on leaving the layered modes).
  void ReapplyParameters();
  bool HasUncommittedChanges(int number) const;
  void CommitOrRevert(bool commit);
  // The commit question for program number before a program change; false when cancelled.
  bool ResolveUncommittedChanges(int number);
  void InitializePrg();
  void SetEditBackupMode(bool on);
  void SetCompareMode(bool on);
  bool EditBackupMode() const { return editBackupMode_; }
  bool CompareMode() const { return compareMode_; }
  int PanelEntryMode() const { return panelEntryMode_; }
  void SetPanelEntryMode(int mode) { panelEntryMode_ = mode; }
  // Reads SysEx messages (target: a program number, or -1 for each message's own number).
  bool LoadSysEx(const uint8_t* data, std::size_t size, int target);
  // Command 8 loads factory bank 2, any other bank 1; false when the bank is not in the module.
  bool LoadFactoryBank(int command);
  int FactoryBank() const { return factoryBank_; }
  // Decodes a cassette dump recording (WAV) into program memory with the process-wide decoder
  // settings; false when the file holds no dump (program memory is then untouched).
  bool LoadTapeDump(const std::string& path);
  // The message of the last successful tape load.
  const std::string& TapeResultMessage() const { return tapeResultMessage_; }
  void SetProgramDialogs(ProgramDialogs* dialogs);
  ProgramDialogs& Dialogs() { return *dialogs_; }

  // Front panel. Codes are the panel's button codes (parameter ids 0..76, 'O', 'V'..'d',
  // digits 'e'..'n'); displays are 'P'..'S'.
  void PanelCommand(int code);
  // The commit question a keypad key asks before it is sent; false when the user cancelled.
  bool AskPanelCommit(int code);
  // What a panel button does when pressed: the commit question, then the command.
  void PressPanelButton(int code);
  // Two digits in one byte: tens in the high four bits, units in the low four, 10 blank.
  int PanelDisplay(int code) const;
  bool PanelLamp(int code) const;
  // The panel value of panel number a: 0/1 for the waveform and octave numbers, else the
  // parameter's value; -1 for none.
  int PanelValue(int number) const;
  // A click on a parameter's panel label.
  void SelectPanelParameter(int number);
  // Sets the panel parameter number under the keyboard-mode rules (0 = none).
  void SetPanelParameterNumber(int number);
  int PendingDigit() const { return pendingDigit_; }
  int EditorView() const { return panelMode_; }
  // Switches the editor view (1 chart, 2 edit, 3 browse; the lit view's button returns to the
  // chart; 0 applies the current view again) and shows and hides the controls of each view.
  void SetEditorView(int view);
  // The editor's panel (its controls and their groups); null without an editor.
  PelloryEditor* GetPanel() { return panel_.get(); }
  // Auto-repeat of a held OFF/ON button (code 'c' or 'd'): armed with a number of control
  // blocks, disarmed with -1. The render loop counts the blocks down; each expiry while the
  // button is held leaves one step for the editor to take on its own thread.
  void ArmPanelRepeat(int code, int blocks);
  // The steps due since the last call (editor thread).
  int TakePanelRepeatSteps() { return repeatSteps_.exchange(0, std::memory_order_acq_rel); }
  int RepeatingPanelCode() const { return repeatCode_.load(std::memory_order_relaxed); }

  // Program browser.
  enum BrowserSource { kBrowserBank1 = 0, kBrowserBank2 = 1, kBrowserFolder = 2 };
  static constexpr int kBrowserPageSize = 60;
  struct BrowserEntry {
    int number = 0;          // program number; 0 for a blank entry
    std::string name;        // bank name, or the file name without extension
    std::string fileName;    // folder source: the file's name in the browser folder
  };
  int BrowserSourceValue() const { return factoryBank_; }
  void SetBrowserSource(int source);
  // Lists the source again and shows it from its first entry.
  void RebuildBrowser();
  const std::string& BrowserFolder() const { return browserFolder_; }
  void SetBrowserFolder(const std::string& folder);
  int BrowserFirstEntry() const { return browserFirst_; }
  int BrowserSize() const;
  // The 60 entries shown, from the first entry on.
  std::vector<BrowserEntry> BrowserPage() const;
  // +1 one page down, -1 one page up.
  void ScrollBrowser(int direction);
  // A click on the shown entry k (0..59); false when nothing was auditioned.
  bool ClickBrowserEntry(int k);
  // Selected program number; -1 none, -2 cleared by scrolling.
  int BrowserSelection() const { return browserSelection_; }

  // Utility commands (the editor's menus send their numbers).
  Menu BuildUtilityMenu() const;
  // display: 0 lower program, 1 upper program, 2 Combi program; empty when not shown.
  Menu BuildDisplayMenu(int display) const;
  void RunUtilityCommand(int command);
  int CheckForUpdate();

  engine::Engine& GetEngine() { return engine_; }
  int ControlBlockLength() const { return engine_.ControlBlockLength(); }
  int KeyboardModeValue() const { return keyboardMode_; }
  int SplitKey() const { return splitKey_; }
  int UpperTranspose() const { return upperTranspose_; }
  bool UpdateRateBit() const { return updateRateBit_; }
  bool StereoModeBit() const { return stereoModeBit_; }
  bool LfosLinked() const { return lfoLink_; }
  bool Unison() const { return unison_; }
  bool SustainDown() const { return sustain_; }
  int PanelMode() const { return panelMode_; }
  bool MixerLink() const { return mixerLink_; }
  void SetMixerLink(bool on) { mixerLink_ = on; }
  bool RestoringState() const { return restoringState_; }
  bool EditorRefreshPending() const { return editorRefreshPending_; }
  int SelectedParameter() const { return selectedParameter_; }
  int PanelParameterNumber() const { return panelParameterNumber_; }
  int CurrentProgram() const { return currentProgram_; }
  int LowerProgram() const { return lowerProgram_; }
  int UpperProgram() const { return upperProgram_; }

 private:
  // ControlBlockClient: the render loop's call at every control block start.
  void OnControlBlockStart() override;
  void OnRepeatCountdown() override;
  void MidiDispatch();
  // Every upper voice follows the lower LFO pair when linked or in Single mode.
  void BindUpperLfos();
  void ArrangeVoices();
  // Program values (ids 0..52) into one layer's LFO pair or voices.
  void WriteLayerLfos(engine::Layer layer, const PrgValues& values);
  void WriteLayerVoices(engine::Layer layer, const PrgValues& values);
  PrgValues ParameterProgramValues() const;
  // SysExReceiver: what the messages of a stream do.
  void OnSplitMessage(int splitPoint, int upperTranspose) override;
  void OnKeyboardModeMessage(int kind) override;
  void OnProgramSelectMessage(int kind, int program) override;
  void OnProgramData(int number, const uint8_t* record, int size, bool targeted) override;

  engine::Engine engine_;
  double appliedSampleRate_ = 44100.0;
  int panelMode_ = 1;
  int factoryBank_ = 0;
  bool updateRateBit_ = false;
  bool stereoModeBit_ = false;
  bool lfoLink_ = false;
  bool unison_ = false;
  bool sustain_ = false;
  bool mixerLink_ = false;
  bool restoringState_ = false;
  bool editorRefreshPending_ = false;
  bool startup_ = true;
  int keyboardMode_ = kSingle;
  int splitKey_ = 60;
  int upperTranspose_ = 0;
  double lowerMixerVolume_ = -1.0;
  double upperMixerVolume_ = -1.0;
  int selectedParameter_ = -1;
  int panelParameterNumber_ = 0;
  // No program until the first selection loads one.
  int currentProgram_ = 0;
  int lowerProgram_ = 0;
  int upperProgram_ = 0;
  int panelEntryMode_ = kPanelProgramEntry;
  bool editBackupMode_ = false;
  bool compareMode_ = false;
  ProgramMemory programs_;
  // Utility command parts.
  void LoadProgramFileCommand(int command);
  void LoadSysExFileCommand();
  void SaveProgramFileCommand(int command);
  void SaveAllProgramsCommand();
  void ChooseDefaultFolderCommand(int command);
  // Reads a program or SysEx file into program memory; false (memory untouched) when the
  // file cannot be read.
  bool LoadSysExFile(const std::string& path, int target);
  // Writes through a temporary file renamed over path; false when nothing was saved.
  bool SaveFile(const std::string& path, const std::vector<uint8_t>& bytes);
  bool AuditionBrowserEntry(const BrowserEntry& entry);
  void StepKey(int direction);
  void DigitKey(int digit);

  int pendingDigit_ = -1;
  int browserFirst_ = 0;
  int browserSelection_ = -1;
  std::string browserFolder_;
  std::vector<BrowserEntry> browserFiles_;
  UpdateServer updateServer_;
  ProgramDialogs defaultDialogs_;
  ProgramDialogs* dialogs_ = &defaultDialogs_;
  std::string tapeResultMessage_;
  // The editor's panel, built once with the plug-in object (destroyed before the surface).
  std::unique_ptr<PelloryEditor> panel_;
  std::atomic<int> repeatCode_{0};
  std::atomic<int> repeatSteps_{0};
  friend class PelloryTapeTarget;
};

}  // namespace pellory
