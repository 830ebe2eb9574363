// Any bytes as a chunk handed to effSetChunk, as a program and as a bank, by an ordinary host:
// the plug-in must stay whole (parameters in range, finite audio), and a program chunk too
// short for a state image must be refused with program memory and parameters as they were.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/Pellory.h"

using namespace pellory;

namespace {

vst2::VstIntPtr VSTCALLBACK Host(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void* ptr,
                                 float) {
  if (opcode == vst2::audioMasterVersion) return 2400;
  return 0;
}

Pellory& Instance() {
  static std::unique_ptr<Pellory> plug = [] {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "pellory-state-fuzzer";
    std::filesystem::create_directories(folder);
    InstanceOptions options;
    options.configFolder = folder.string();
    options.documentsFolder = folder.string();
    options.mtsLibraryPath = (folder / "none.so").string();
    auto p = std::make_unique<Pellory>(&Host, options);
    vst2::AEffect* e = p->GetEffect();
    e->dispatcher(e, vst2::effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, vst2::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    e->dispatcher(e, vst2::effSetBlockSize, 0, 256, nullptr, 0.0f);
    e->dispatcher(e, vst2::effMainsChanged, 0, 1, nullptr, 0.0f);
    return p;
  }();
  return *plug;
}

std::vector<double> Parameters(Pellory& p) {
  std::vector<double> v;
  for (int i = 0; i < p.NumParameters(); ++i) v.push_back(p.GetParameter(i)->Value());
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Pellory& plug = Instance();
  vst2::AEffect* e = plug.GetEffect();
  std::vector<uint8_t> copy(data, data + size);  // hosts hand writable memory
  for (int index : {1, 0}) {
    const ProgramMemory programs = plug.Programs();
    const std::vector<double> before = Parameters(plug);
    const auto answer = e->dispatcher(e, vst2::effSetChunk, index, static_cast<vst2::VstIntPtr>(copy.size()),
                                      copy.empty() ? nullptr : copy.data(), 0.0f);
    // Too short for a whole state image: refused without touching anything.
    const bool headed = size >= 4 && std::memcmp(data, "\x74\x66\x66\x70", 4) == 0;
    const bool short_image = size < static_cast<size_t>(Pellory::kStateImageSize) + (headed ? 8 : 0);
    if (index == 1 && short_image &&
        (answer != 0 || !(plug.Programs().prgs == programs.prgs) || !(plug.Programs().combis == programs.combis) ||
         Parameters(plug) != before))
      std::abort();
    for (int i = 0; i < plug.NumParameters(); ++i) {
      const IParameter* p = plug.GetParameter(i);
      if (!(p->Value() >= p->GetMin() && p->Value() <= p->GetMax())) std::abort();
    }
  }
  // A note through whatever state was taken.
  vst2::VstMidiEvent on{};
  on.type = vst2::kVstMidiType;
  on.byteSize = sizeof(on);
  on.midiData[0] = static_cast<char>(0x90);
  on.midiData[1] = 60;
  on.midiData[2] = 100;
  vst2::VstEvents events{};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<vst2::VstEvent*>(&on);
  e->dispatcher(e, vst2::effProcessEvents, 0, 0, &events, 0.0f);
  std::vector<float> left(256), right(256);
  float* outs[2] = {left.data(), right.data()};
  e->processReplacing(e, nullptr, outs, 256);
  for (int i = 0; i < 256; ++i)
    if (!std::isfinite(left[i]) || !std::isfinite(right[i])) std::abort();
  e->dispatcher(e, vst2::effMainsChanged, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, vst2::effMainsChanged, 0, 1, nullptr, 0.0f);
  return 0;
}
