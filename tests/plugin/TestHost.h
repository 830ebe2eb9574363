#pragma once
// A small VST 2.4 host for the tests: loads the built module with dlopen, creates effects through
// the exported entry point and talks to them only through the effect record, as a DAW does. It
// records every call the plug-in makes back into it.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "host/vst2.h"

namespace plugtest {

using vst2::AEffect;
using vst2::VstInt32;
using vst2::VstIntPtr;

// One call the plug-in made into the host.
struct HostCall {
  VstInt32 opcode;
  VstInt32 index;
  VstIntPtr value;
  float opt;
};

// One event the plug-in sent with audioMasterProcessEvents.
struct SentEvent {
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  std::vector<uint8_t> bytes;  // MIDI: 4 data bytes; SysEx: the dump
};

struct MidiEvent {
  int offset;
  uint8_t status, data1, data2;
};

// The module under test, loaded once per process. Before it is loaded, the user's configuration
// folder is pointed at a fresh temporary folder so that no test reads or writes a real INI file.
class Module {
 public:
  static Module& Get();
  AEffect* Create(vst2::audioMasterCallback callback) const;
  void* Symbol(const char* name) const;
  // The INI file every new instance reads.
  const std::string& IniPath() const { return iniPath_; }

 private:
  Module();
  void* handle_ = nullptr;
  std::string configHome_;
  std::string iniPath_;
};

// Writes the INI file for the instances created while it lives; empties it afterwards.
class ScopedIni {
 public:
  explicit ScopedIni(const std::string& text);
  ~ScopedIni();
};

class TestHost {
 public:
  TestHost();
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  // What this host answers when the plug-in asks.
  std::string product = "Pellory Test Host";
  std::string vendor = "Pellory Tests";
  VstIntPtr vendorVersion = 10203;
  VstIntPtr processLevel = 0;

  // Creates the effect through VSTPluginMain; false when the module gave none.
  bool Create();
  // Open, sample rate, block size, switch on: the usual start of an instance.
  void Start(double sampleRate = 44100.0, int blockSize = 512);
  // Switch off and close; the effect is gone afterwards.
  void Close();

  AEffect* Effect() const { return effect_; }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  // Asks for a text into a large buffer prefilled with a marker; fails the current test when the
  // plug-in writes past limit bytes or leaves the text unterminated. result receives the answer.
  std::string Text(VstInt32 opcode, VstInt32 index = 0, std::size_t limit = 32, VstIntPtr* result = nullptr,
                   VstIntPtr value = 0, float opt = 0.0f);

  float Get(int index) { return effect_->getParameter(effect_, index); }
  void Set(int index, float value) { effect_->setParameter(effect_, index, value); }
  std::vector<float> AllParameters();

  VstIntPtr SendMidi(const std::vector<MidiEvent>& events);

  // Renders frames of stereo audio through one process call of the given kind.
  enum class Path { kReplacing, kAccumulating, kDouble };
  void Render(Path path, int frames, std::vector<float>& left, std::vector<float>& right);

  // Chunk access: a copy of the plug-in's chunk, and handing one back.
  std::vector<uint8_t> GetChunk(bool program);
  VstIntPtr SetChunk(bool program, const std::vector<uint8_t>& data);

  // The record of calls into the host.
  std::vector<HostCall> Calls();
  std::vector<SentEvent> SentEvents();
  int CallCount(VstInt32 opcode);
  void ClearRecord();

 private:
  static VstIntPtr VSTCALLBACK Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                        void* ptr, float opt);
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

  AEffect* effect_ = nullptr;
  bool started_ = false;
  std::mutex recordLock_;
  std::vector<HostCall> calls_;
  std::vector<SentEvent> sent_;
  vst2::VstTimeInfo time_{};
};

}  // namespace plugtest
