#pragma once
// A minimal VST 2.4 host: loads a plug-in module through its exported entry point, the way a DAW
// does, and drives it through the dispatcher and the process functions only.
#include <string>
#include <vector>

#include "host/vst2.h"

namespace cli {

class VstHost {
 public:
  VstHost() = default;
  ~VstHost();
  VstHost(const VstHost&) = delete;
  VstHost& operator=(const VstHost&) = delete;

  // Loads the module and creates the effect; false with a message in Error() on failure.
  bool Load(const std::string& path);
  const std::string& Error() const { return error_; }
  vst2::AEffect* Effect() const { return effect_; }

  vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                           void* ptr = nullptr, float opt = 0.0f);
  std::string GetString(vst2::VstInt32 opcode, vst2::VstInt32 index = 0);
  // Opens the effect and switches it on at the given rate and block size.
  void Start(double sampleRate, int blockSize);
  void Stop();

 private:
  static vst2::VstIntPtr VSTCALLBACK HostCallback(vst2::AEffect* effect, vst2::VstInt32 opcode,
                                                  vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                                  float opt);
  void* module_ = nullptr;
  vst2::AEffect* effect_ = nullptr;
  bool running_ = false;
  std::string error_;
};

}  // namespace cli
