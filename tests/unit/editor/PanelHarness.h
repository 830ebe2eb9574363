#pragma once
// An instance with its editor, driven as a user and a host would: clicks at panel positions
// on the headless surface, and the VST interface with a host that records what it is told.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/Pellory.h"
#include "editor/IGraphicsHeadless.h"
#include "editor/PelloryEditor.h"

namespace pellory::paneltest {

struct HostEvent {
  int opcode;
  int index;
  float opt;
};

inline std::vector<HostEvent>& HostEvents() {
  static std::vector<HostEvent> events;
  return events;
}

inline vst2::VstIntPtr VSTCALLBACK RecordingHost(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                                 vst2::VstIntPtr, void*, float opt) {
  if (opcode == vst2::audioMasterAutomate || opcode == vst2::audioMasterBeginEdit ||
      opcode == vst2::audioMasterEndEdit)
    HostEvents().push_back({opcode, index, opt});
  return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

class Folder {
 public:
  Folder() {
    std::random_device rd;
    path_ = (std::filesystem::temp_directory_path() / ("pellory-panel-" + std::to_string(rd()) + std::to_string(rd())))
                .string();
    std::filesystem::create_directories(path_);
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Control centres and corners from the panel's tables, in surface pixels.
struct Point {
  int x, y;
};
inline Point KnobAt(int x, int y) { return {x + 12, y + 12}; }
inline Point LampAt(int x, int y) { return {x + 17, y + 19}; }
inline Point SmallLampAt(int x, int y) { return {x + 11, y + 11}; }
inline Point LedAt(int x, int y) { return {x + 14, y + 8}; }

class Panel {
 public:
  // startInEditMode: the INI option read at construction.
  explicit Panel(bool startInEditMode = false) {
    HostEvents().clear();
    std::filesystem::create_directories(config.Path() + "/VelloranMusic");
    std::ofstream ini(config.Path() + "/VelloranMusic/pellory.ini");
    ini << "[Editor]\nStart In Edit Mode=" << (startInEditMode ? "true" : "false") << "\n";
    ini.close();
    InstanceOptions options;
    options.configFolder = config.Path();
    options.documentsFolder = documents.Path();
    options.mtsLibraryPath = config.File("no-such-libMTS.so");
    plug = std::make_unique<Pellory>(&RecordingHost, options);
    effect = plug->GetEffect();
    Dispatch(vst2::effOpen);
    Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(vst2::effSetBlockSize, 0, 512);
    Dispatch(vst2::effMainsChanged, 0, 1);
    graphics = dynamic_cast<IGraphicsHeadless*>(plug->Editor());
    panel = plug->GetPanel();
    graphics->OpenWindow(nullptr);
    graphics->Tick();
    HostEvents().clear();
  }
  ~Panel() {
    if (graphics) graphics->CloseWindow();
    Dispatch(vst2::effMainsChanged, 0, 0);
  }

  vst2::VstIntPtr Dispatch(int opcode, int index = 0, vst2::VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }
  float Get(int index) { return effect->getParameter(effect, index); }
  void Set(int index, float value) { effect->setParameter(effect, index, value); }
  double Plain(int index) { return plug->GetParameter(index)->Value(); }
  float Normalized(int index, double plain) { return static_cast<float>(plug->GetParameter(index)->GetNormalized(plain)); }

  void Click(Point p, const MouseModifiers& mod = MouseModifiers(true)) {
    graphics->Click(p.x, p.y, mod);
    graphics->Tick();
  }
  void RightClick(Point p) { Click(p, MouseModifiers(false, true)); }
  // Presses at from, moves by dy in steps, releases.
  void DragVertically(Point from, int dy, const MouseModifiers& mod = MouseModifiers(true)) {
    graphics->MouseDown(from.x, from.y, mod);
    const int step = dy > 0 ? 1 : -1;
    for (int moved = step; moved != dy + step; moved += step) graphics->MouseMove(from.x, from.y + moved, mod);
    graphics->MouseUp(from.x, from.y + dy, mod);
    graphics->Tick();
  }
  // The deferred refresh as the surface runs it: 21 clean ticks.
  void IdleTicks() {
    for (int i = 0; i < 25; ++i) graphics->Tick();
  }
  void Render(int frames) {
    std::vector<float> left(static_cast<std::size_t>(frames)), right(static_cast<std::size_t>(frames));
    float* outs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outs, frames);
  }
  // The control of the layout at a point, as the mouse finds it.
  IControl* ControlAt(Point p) { return graphics->GetControl(graphics->GetMouseControlIdx(p.x, p.y)); }
  const IGraphicsHeadless::Request* LastRequest(IGraphicsHeadless::RequestKind kind) {
    const auto& r = graphics->Requests();
    for (auto it = r.rbegin(); it != r.rend(); ++it)
      if (it->kind == kind) return &*it;
    return nullptr;
  }
  int CountHost(int opcode, int index) {
    int n = 0;
    for (const HostEvent& e : HostEvents()) n += e.opcode == opcode && e.index == index;
    return n;
  }

  Folder config, documents;
  std::unique_ptr<Pellory> plug;
  vst2::AEffect* effect = nullptr;
  IGraphicsHeadless* graphics = nullptr;
  PelloryEditor* panel = nullptr;
};

// Panel positions used by several tests.
inline Point EditButton() { return LampAt(396, 316); }
inline Point BrowseButton() { return LampAt(396, 240); }
inline Point DigitKey(int digit) {
  const int i = digit == 0 ? 9 : digit - 1;
  return {131 + 32 * (i % 5) + 17, (i < 5 ? 188 : 240) + 19};
}
inline Point OffKey() { return {30 + 17, 188 + 19}; }
inline Point OnKey() { return {66 + 17, 188 + 19}; }
inline Point MenuButton() { return {816, 60}; }

}  // namespace pellory::paneltest
