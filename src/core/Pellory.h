#pragma once
#include "core/Synth.h"
#include "engine/Engine.h"

namespace pellory {

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
class Pellory : public Synth, private engine::ControlBlockClient {
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

  // Voice allocation entry points, called by the MIDI dispatch.
  void NoteOn(int note, int velocity);
  void NoteOff(int note);
  void SetSustainPedal(bool down);

  // Program selection (ids 63, 64, 65) and keyboard mode.
  void SelectProgram(int number, bool forced);
  void SetLowerProgram(int number);
  void LoadStoredPrgIntoLayer(int number, engine::Layer layer);
  void SetKeyboardMode(int mode);

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
  int currentProgram_ = 1;
  int lowerProgram_ = 1;
  int upperProgram_ = 1;
};

}  // namespace pellory
