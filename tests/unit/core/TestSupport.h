#pragma once
// Shared helpers for the plug-in object tests: an instance with its own config folder and a
// recording host callback.
#include <cstdlib>
#include <string>
#include <vector>

#include "core/Pellory.h"

namespace pellory::test {

// A fresh temporary folder, removed at destruction.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// What the plug-in told the host.
struct HostLog {
  std::vector<std::vector<unsigned char>> midiSent;
  std::vector<std::pair<int, float>> automated;
};

vst2::VstIntPtr VSTCALLBACK RecordingHost(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                          vst2::VstIntPtr value, void* ptr, float opt);
HostLog& CurrentHostLog();

// Gives tests the view a host cannot have.
class TestPellory : public Pellory {
 public:
  explicit TestPellory(const InstanceOptions& options) : Pellory(&RecordingHost, options) {}
  using Pellory::heldNotes_;
  using Pellory::midiQueue_;
};

struct Instance {
  TempFolder config;
  TempFolder documents;
  std::unique_ptr<TestPellory> plug;

  explicit Instance(double sampleRate = 44100.0, int blockSize = 512);
  void Process(int frames);
  void Midi(int offset, int status, int data1, int data2);
  std::vector<double> left, right;
};

}  // namespace pellory::test
