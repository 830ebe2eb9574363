#pragma once
// A plug-in instance with its own folders and a host that records what it is told, plus
// pictures made in memory for the controls.
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "core/Pellory.h"
#include "drawing/Image.h"
#include "editor/IGraphicsHeadless.h"

namespace pellory::edtest {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// What the plug-in told its host (all instances, any thread).
struct HostCallRecord {
  int opcode;
  int index;
  long long value;
  float opt;
};
class HostRecorder {
 public:
  static HostRecorder& Get();
  void Clear();
  void Add(const HostCallRecord& call);
  std::vector<HostCallRecord> Calls();
  // The (opcode, index) pairs of the edit and automation calls, in order.
  std::vector<std::pair<int, int>> EditCalls();
  int Count(int opcode);

 private:
  std::mutex mutex_;
  std::vector<HostCallRecord> calls_;
};

vst2::VstIntPtr VSTCALLBACK RecordingHost(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                          vst2::VstIntPtr value, void* ptr, float opt);

// The synthesizer with a count of its idle calls; its editor is the headless surface it owns.
class EditorPlug : public Pellory {
 public:
  explicit EditorPlug(const InstanceOptions& options) : Pellory(&RecordingHost, options) {}
  void Idle() override {
    ++idleCalls;
    Pellory::Idle();
  }
  IGraphicsHeadless& Surface() { return *static_cast<IGraphicsHeadless*>(Editor()); }
  int idleCalls = 0;
};

struct Instance {
  TempFolder config;
  TempFolder documents;
  std::unique_ptr<EditorPlug> plug;
  Instance();
  IGraphicsHeadless& Surface() { return plug->Surface(); }
  vst2::AEffect* Effect() { return plug->GetEffect(); }
  vst2::VstIntPtr Dispatch(int opcode, int index = 0, vst2::VstIntPtr value = 0, void* ptr = nullptr,
                           float opt = 0.0f) {
    return Effect()->dispatcher(Effect(), opcode, index, value, ptr, opt);
  }
};

// A film strip of n frames, each w x h, stacked (or side by side); frame k (1-based) is filled
// with the colour FrameColour(k).
drawing::Image MakeStrip(int n, int w, int h, bool horizontal = false);
drawing::Pixel FrameColour(int k);
// The pixels of a PNG file of the test data as a module resource of type "PNG" with this id.
bool RegisterPngResource(int id, const std::string& file);

}  // namespace pellory::edtest
