#pragma once
#include <map>
#include <memory>
#include <string>

#include "host/IPlugVST.h"

namespace pellory {

class IControl;
namespace engine {
class MtsClientGlobal;
class TuningClient;
}  // namespace engine

// Where an instance finds the outside world. Empty fields mean the platform's defaults; tests
// give their own folders and library paths here.
struct InstanceOptions {
  std::string configFolder;     // folder that holds "VelloranMusic" (default: local app data)
  std::string documentsFolder;  // default PRG and SysEx folder (default: the user's documents)
  std::string mtsLibraryPath;   // microtuning library (default: the system's libMTS)
  std::string updateHost;       // server of the update check (default: the maker's)
  int updatePort = 0;           // its HTTP port (0: 80)
  int updateTimeoutMs = 0;      // connect and receive bound of the check (0: a few seconds)
  // The editor opens real windows inside the host's (the module's entry asks for this); without
  // it the editor is the headless surface that tests and the command-line tool drive.
  bool windowedEditor = false;
};

enum class ConfigStatus { kOk, kFileNotFound };

enum class MidiConfigItem { kMidiThru, kIgnoreProgramChange, kAll };

// The synthesizer frame: configuration, MIDI queue and MIDI learn, the editor object.
class Synth : public IPlugVST {
 public:
  static constexpr int kNumControllers = 120;
  static constexpr int kEditorWidth = 1152;
  static constexpr int kEditorHeight = 440;
  static constexpr int kEditorFps = 25;

  Synth(vst2::audioMasterCallback hostCallback, const InstanceOptions& options, const char* channelIOString,
        const char* effectName, const char* productName, const char* makerName, int32_t uniqueId,
        int32_t makerId, int32_t version);
  ~Synth() override;

  void Reset() override;
  void HandleParameterChange(int index) override;
  void Activate(bool active) override;
  /* 43 */ virtual void AllNotesOff() {}
  /* 44 */ virtual void InitParameters() {}

  // Configuration file.
  ConfigStatus ReadConfiguration();
  void WriteProgramPath(const std::string& path);
  void WriteSysExPath(const std::string& path);
  void WriteMidiConfiguration(MidiConfigItem which);
  void WriteEditorOption(const char* key, bool value);
  const std::string& IniPath() const { return iniPath_; }
  const std::string& ProgramPath() const { return programPath_; }
  const std::string& SysExPath() const { return sysExPath_; }
  const std::string& PluginFolder() const { return pluginFolder_; }
  const std::string& DocumentsFolder() const { return documentsFolder_; }

  // Options (the menu flips them, then writes them).
  bool midiThru = false;
  bool ignoreProgramChange = false;
  bool startInEditMode = false;
  bool dontAskToCommit = false;

  // MIDI learn, driven by the editor's learn switch.
  void ArmMidiLearn(bool armed, bool unlearn);
  bool MidiLearnArmed() const { return learnArmed_; }
  void SetMidiLearnSwitch(IControl* control) { learnSwitch_ = control; }
  int ControllerMapping(int controller) const {
    return controller >= 0 && controller < kNumControllers ? ccMap_[controller] : -1;
  }
  void SetControllerMapping(int controller, int parameter) {
    if (controller >= 0 && controller < kNumControllers) ccMap_[controller] = parameter;
  }

  MidiQueue& Queue() { return midiQueue_; }
  // The editor surface this instance owns (attached once the layout is built).
  IGraphics* Editor() { return editor_.get(); }
  engine::TuningClient* GetTuningClient() { return tuningClient_.get(); }
  const char* MicroTuningCaption() const { return microTuningCaption_; }

 protected:
  // One learn step: binds or unbinds when enough is known, then disarms.
  void MidiLearnStep();

  MidiQueue midiQueue_{1024};
  std::unique_ptr<IGraphics> editor_;
  IControl* learnSwitch_ = nullptr;
  std::unique_ptr<engine::MtsClientGlobal> ownTuningLibrary_;  // only when a path was given
  std::unique_ptr<engine::TuningClient> tuningClient_;
  char microTuningCaption_[256] = {};
  std::string pluginFolder_;
  std::string documentsFolder_;
  std::string iniPath_;
  std::string programPath_;
  std::string sysExPath_;
  int ccMap_[kNumControllers];
  bool learnArmed_ = false;
  bool learnUnlearn_ = false;
  int learnedController_ = -1;
  int learnedParameter_ = -1;
  std::map<int, int> heldNotes_;
};

}  // namespace pellory
