#include "TestSupport.h"

#include <filesystem>
#include <random>

namespace pellory::test {

TempFolder::TempFolder() {
  std::random_device rd;
  std::filesystem::path p = std::filesystem::temp_directory_path() /
                            ("pellory-test-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(p);
  path_ = p.string();
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

HostLog& CurrentHostLog() {
  static HostLog log;
  return log;
}

vst2::VstIntPtr VSTCALLBACK RecordingHost(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                          vst2::VstIntPtr, void* ptr, float opt) {
  HostLog& log = CurrentHostLog();
  if (opcode == vst2::audioMasterProcessEvents && ptr) {
    const vst2::VstEvents* events = static_cast<const vst2::VstEvents*>(ptr);
    for (int i = 0; i < events->numEvents; ++i) {
      const auto* m = reinterpret_cast<const vst2::VstMidiEvent*>(events->events[i]);
      log.midiSent.push_back({static_cast<unsigned char>(m->midiData[0]), static_cast<unsigned char>(m->midiData[1]),
                              static_cast<unsigned char>(m->midiData[2])});
    }
    return 1;
  }
  if (opcode == vst2::audioMasterAutomate) log.automated.emplace_back(index, opt);
  if (opcode == vst2::audioMasterVersion) return 2400;
  return 0;
}

Instance::Instance(double sampleRate, int blockSize) {
  CurrentHostLog() = HostLog();
  InstanceOptions options;
  options.configFolder = config.Path();
  options.documentsFolder = documents.Path();
  options.mtsLibraryPath = config.File("no-such-libMTS.so");
  plug = std::make_unique<TestPellory>(options);
  plug->SetSampleRate(sampleRate);
  plug->Reset();
  plug->SetBlockSize(blockSize);
  plug->Reset();
  for (int i = 0; i < plug->NumParameters(); ++i) plug->HandleParameterChange(i);
}

void Instance::Process(int frames) {
  left.assign(static_cast<std::size_t>(frames), 1.0);
  right.assign(static_cast<std::size_t>(frames), 1.0);
  double* outs[2] = {left.data(), right.data()};
  plug->ProcessBlock(nullptr, outs, frames);
}

void Instance::Midi(int offset, int status, int data1, int data2) {
  IMidiMessage m;
  m.offset = offset;
  m.status = static_cast<uint8_t>(status);
  m.data1 = static_cast<uint8_t>(data1);
  m.data2 = static_cast<uint8_t>(data2);
  plug->HandleMidiMessage(m);
}

}  // namespace pellory::test
