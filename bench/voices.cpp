// CPU seconds per second of audio at 44.1 kHz for a number of sounding voices, rendered through
// the plug-in's ProcessBlock with a heavy patch (all waveforms, noise, resonance, both LFOs).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/Pellory.h"
#include "engine/Vcf.h"

namespace {

using namespace pellory;

vst2::VstIntPtr VSTCALLBACK SilentHost(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*,
                                       float) {
  return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

struct BenchInstance {
  std::filesystem::path folder;
  std::unique_ptr<Pellory> plug;

  BenchInstance() {
    std::random_device rd;
    folder = std::filesystem::temp_directory_path() / ("pellory-bench-" + std::to_string(rd()));
    std::filesystem::create_directories(folder);
    InstanceOptions options;
    options.configFolder = folder.string();
    options.documentsFolder = folder.string();
    options.mtsLibraryPath = (folder / "no-libMTS.so").string();
    plug = std::make_unique<Pellory>(&SilentHost, options);
    plug->SetSampleRate(44100.0);
    plug->SetBlockSize(512);
    plug->Reset();
    for (int i = 0; i < plug->NumParameters(); ++i) plug->HandleParameterChange(i);
  }
  ~BenchInstance() {
    plug.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

void VoicesSounding(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  BenchInstance b;
  Pellory& p = *b.plug;
  p.SetParameterAndNotify(kKeyboardMode, kDouble);
  p.SetParameterAndNotify(kVoices, 3);  // "64"
  const int heavy[][2] = {{0, 1},  {1, 1},  {2, 1},  {3, 1},  {4, 1},  {8, 30}, {17, 50}, {18, 40}, {22, 1},
                          {23, 1}, {24, 1}, {28, 20}, {30, 1}, {31, 1}, {32, 1}, {36, 10}, {42, 63}, {43, 30},
                          {44, 3}, {47, 1}, {48, 1}, {52, 30}, {12, 40}};
  for (const auto& s : heavy) p.SetParameterAndNotify(s[0], s[1]);
  // Each note in Double takes a lower and an upper voice.
  for (int i = 0; i < voices / 2; ++i) {
    IMidiMessage m;
    m.offset = 0;
    m.status = 0x90;
    m.data1 = static_cast<uint8_t>(36 + i);
    m.data2 = 100;
    p.HandleMidiMessage(m);
  }
  std::vector<double> left(512), right(512);
  double* outs[2] = {left.data(), right.data()};
  for (int i = 0; i < 20; ++i) p.ProcessBlock(nullptr, outs, 512);
  for (auto _ : state) {
    p.ProcessBlock(nullptr, outs, 512);
    benchmark::DoNotOptimize(left.data());
  }
  int active = 0;
  for (int i = 0; i < engine::Engine::kNumVoices; ++i) active += p.GetEngine().GetVoice(i).IsActive() ? 1 : 0;
  state.counters["voices"] = active;
  // CPU seconds per second of audio.
  state.counters["cpu_per_audio_s"] =
      benchmark::Counter(512.0 / 44100.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(VoicesSounding)->Arg(0)->Arg(6)->Arg(16)->Arg(32)->Arg(64);

// The same with the voices' vector lanes limited to SSE2 (0), AVX (1), AVX2 (2) or AVX-512 (3),
// as on processors without the wider ones.
void VoicesSoundingLimited(benchmark::State& state) {
  const auto before = engine::Vcf::LimitLanes(static_cast<engine::Vcf::LaneSet>(state.range(1)));
  VoicesSounding(state);
  engine::Vcf::LimitLanes(before);
}
BENCHMARK(VoicesSoundingLimited)->Args({64, 0})->Args({64, 1})->Args({64, 2})->Args({64, 3});

}  // namespace
