#include "core/Synth.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "editor/IControl.h"
#include "editor/IGraphicsHeadless.h"
#ifdef _WIN32
#include "editor/win32/IGraphicsWin.h"
#else
#include "editor/x11/IGraphicsX11.h"
#endif
#include "engine/TuningClient.h"
#include "platform/Files.h"
#include "platform/Module.h"
#include "platform/Profile.h"

namespace pellory {

namespace {
constexpr const char* kIniFolder = "VelloranMusic";
constexpr const char* kIniFile = "pellory.ini";
constexpr std::size_t kValueBuffer = 64;
constexpr std::size_t kPathBuffer = 259;

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  return a.size() == std::strlen(b) && strncasecmp(a.c_str(), b, a.size()) == 0;
}
}  // namespace

Synth::Synth(vst2::audioMasterCallback hostCallback, const InstanceOptions& options, const char* channelIOString,
             const char* effectName, const char* productName, const char* makerName, int32_t uniqueId,
             int32_t makerId, int32_t version)
    : IPlugVST(hostCallback, channelIOString, effectName, productName, makerName, uniqueId, makerId, version) {
  for (int& entry : ccMap_) entry = -1;
  // The editor surface: 1152 x 440 pixels redrawn at 25 frames per second. Loaded by a host, it
  // opens a child window in the host's (Win32 or X11); in tests and tools it is the headless one,
  // which draws and answers but shows nothing.
  if (options.windowedEditor) {
#ifdef _WIN32
    auto window = std::make_unique<IGraphicsWin>(this, kEditorWidth, kEditorHeight, kEditorFps);
    window->SetHInstance(platform::GetModuleHandle());
    editor_ = std::move(window);
#else
    editor_ = std::make_unique<IGraphicsX11>(this, kEditorWidth, kEditorHeight, kEditorFps);
#endif
  }
  if (!editor_) editor_ = std::make_unique<IGraphicsHeadless>(this, kEditorWidth, kEditorHeight, kEditorFps);
  // The process locale is left alone: it belongs to the host. Number texts are formatted
  // locale-independently instead (FormatFixed).
  pluginFolder_ = platform::ModuleFolder();
  std::string appData = options.configFolder.empty() ? platform::LocalAppDataFolder() : options.configFolder;
  std::string folder = platform::JoinPath(appData, kIniFolder);
  if (!platform::FolderExists(folder)) platform::CreateFolder(folder);
  iniPath_ = platform::JoinPath(folder, kIniFile);
  documentsFolder_ = options.documentsFolder.empty() ? platform::DocumentsFolder() : options.documentsFolder;
  programPath_ = documentsFolder_;
  sysExPath_ = documentsFolder_;
  if (platform::FileExists(iniPath_)) {
    ReadConfiguration();
  } else if (platform::CreateEmptyFile(iniPath_)) {
    ReadConfiguration();
  }
  // One library binding per process; a path given by the caller gets a binding of its own.
  if (options.mtsLibraryPath.empty()) {
    tuningClient_ = std::make_unique<engine::TuningClient>();
  } else {
    ownTuningLibrary_ = std::make_unique<engine::MtsClientGlobal>(options.mtsLibraryPath);
    tuningClient_ = std::make_unique<engine::TuningClient>(*ownTuningLibrary_);
  }
}

Synth::~Synth() {
  // The client deregisters from the library before anything else goes.
  tuningClient_.reset();
  ownTuningLibrary_.reset();
  graphics_ = nullptr;
  editor_.reset();
}

void Synth::Reset() {
  platform::LockGuard guard(lock_);
  // What was scheduled beyond the block belongs to a timeline that has just stopped.
  midiQueue_.DropFrom(GetBlockSize());
  midiQueue_.Resize(GetBlockSize());
  heldNotes_.clear();
  learnArmed_ = false;
}

void Synth::HandleParameterChange(int index) {
  if (!learnArmed_) return;
  platform::LockGuard guard(lock_);
  learnedParameter_ = index;
  MidiLearnStep();
}

void Synth::Activate(bool active) {
  platform::LockGuard guard(lock_);
  if (active)
    for (int i = 0; i < NumParameters(); ++i) HandleParameterChange(i);
}

void Synth::ArmMidiLearn(bool armed, bool unlearn) {
  platform::LockGuard guard(lock_);
  learnArmed_ = armed;
  learnUnlearn_ = unlearn;
  learnedController_ = -1;
  learnedParameter_ = -1;
}

void Synth::MidiLearnStep() {
  if (!learnUnlearn_) {
    if (learnedController_ >= 0 && learnedParameter_ >= 0) {
      for (int& entry : ccMap_)
        if (entry == learnedParameter_) entry = -1;
      SetControllerMapping(learnedController_, learnedParameter_);
      learnArmed_ = false;
    }
  } else if (learnedController_ >= 0) {
    SetControllerMapping(learnedController_, -1);
    learnArmed_ = false;
  } else if (learnedParameter_ >= 0) {
    for (int& entry : ccMap_)
      if (entry == learnedParameter_) entry = -1;
    learnArmed_ = false;
  }
  // The editor's learn switch (when one exists) shows that learning has ended.
  if (learnSwitch_ && !learnArmed_) {
    learnSwitch_->SetValue(0.0);
    learnSwitch_->SetDirty(false);
  }
}

ConfigStatus Synth::ReadConfiguration() {
  const bool exists = platform::FileExists(iniPath_);
  auto readBool = [&](const char* section, const char* key, bool& flag) {
    std::string answer = platform::GetProfileString(section, key, flag ? "true" : "false", iniPath_, kValueBuffer);
    if (!answer.empty()) flag = EqualsIgnoringCase(answer, "true");
  };
  auto readPath = [&](const char* section, const char* key, std::string& path) {
    std::string answer = platform::GetProfileString(section, key, "", iniPath_, kPathBuffer);
    if (!answer.empty()) path = answer;
  };
  readBool("Editor", "Start In Edit Mode", startInEditMode);
  readBool("Editor", "Don't Ask To Commit", dontAskToCommit);
  readPath("Global", "Path to Program Files", programPath_);
  readPath("Global", "Path to SysEx Files", sysExPath_);
  readBool("MIDI Global", "MIDI Thru", midiThru);
  readBool("MIDI Global", "Ignore Program Change", ignoreProgramChange);
  for (int i = 0; i < kNumControllers; ++i) {
    std::string key = "CC" + std::to_string(i);
    std::string answer = platform::GetProfileString("MIDI Control", key, "-1", iniPath_, kValueBuffer);
    if (answer.empty()) continue;
    // Leading decimal digits only (no sign): text that starts otherwise reads as 0.
    long value = 0;
    std::size_t k = 0;
    bool negative = false;
    if (answer[0] == '-' || answer[0] == '+') {
      negative = answer[0] == '-';
      k = 1;
    }
    for (; k < answer.size() && answer[k] >= '0' && answer[k] <= '9' && value < 100000000; ++k)
      value = value * 10 + (answer[k] - '0');
    if (negative) value = -value;
    ccMap_[i] = (value != 0 || answer[0] == '0') ? static_cast<int>(value) : -1;
  }
  return exists ? ConfigStatus::kOk : ConfigStatus::kFileNotFound;
}

void Synth::WriteProgramPath(const std::string& path) {
  programPath_ = path;
  platform::WriteProfileString("Global", "Path to Program Files", path, iniPath_);
}

void Synth::WriteSysExPath(const std::string& path) {
  sysExPath_ = path;
  platform::WriteProfileString("Global", "Path to SysEx Files", path, iniPath_);
}

void Synth::WriteMidiConfiguration(MidiConfigItem which) {
  if (which == MidiConfigItem::kMidiThru || which == MidiConfigItem::kAll)
    platform::WriteProfileString("MIDI Global", "MIDI Thru", midiThru ? "true" : "false", iniPath_);
  if (which == MidiConfigItem::kIgnoreProgramChange || which == MidiConfigItem::kAll)
    platform::WriteProfileString("MIDI Global", "Ignore Program Change", ignoreProgramChange ? "true" : "false",
                                 iniPath_);
  if (which != MidiConfigItem::kAll) return;
  std::vector<std::pair<std::string, std::string>> entries;
  for (int i = 0; i < kNumControllers; ++i)
    if (ccMap_[i] >= 0) entries.emplace_back("CC" + std::to_string(i), std::to_string(ccMap_[i]));
  platform::WriteProfileSection("MIDI Control", entries, iniPath_);
}

void Synth::WriteEditorOption(const char* key, bool value) {
  if (!key) return;
  if (std::strcmp(key, "Start In Edit Mode") != 0 && std::strcmp(key, "Don't Ask To Commit") != 0) return;
  platform::WriteProfileString("Editor", key, value ? "true" : "false", iniPath_);
}

}  // namespace pellory
