// The panel's costs: opening the editor (layout built; all controls drawn) and one timer
// tick while a knob is dragged (the drag's value reaches the plug-in and the host, the knob
// and the background under it are drawn again).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>

#include "core/Pellory.h"
#include "editor/IGraphicsHeadless.h"

namespace {

using namespace pellory;

vst2::VstIntPtr VSTCALLBACK SilentHost(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*,
                                       float) {
  return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

struct Instance {
  std::string folder;
  std::unique_ptr<Pellory> plug;
  IGraphicsHeadless* graphics = nullptr;

  Instance() {
    std::random_device rd;
    folder = (std::filesystem::temp_directory_path() / ("pellory-bench-" + std::to_string(rd()))).string();
    std::filesystem::create_directories(folder);
    InstanceOptions options;
    options.configFolder = folder;
    options.documentsFolder = folder;
    plug = std::make_unique<Pellory>(&SilentHost, options);
    vst2::AEffect* effect = plug->GetEffect();
    effect->dispatcher(effect, vst2::effOpen, 0, 0, nullptr, 0.0f);
    graphics = static_cast<IGraphicsHeadless*>(plug->Editor());
  }
  ~Instance() {
    plug.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

void BM_PanelOpenEditor(benchmark::State& state) {
  Instance in;
  for (auto _ : state) {
    in.graphics->OpenWindow(nullptr);
    benchmark::DoNotOptimize(in.graphics->Tick());
    in.graphics->CloseWindow();
  }
}
BENCHMARK(BM_PanelOpenEditor)->Unit(benchmark::kMillisecond);

void BM_PanelTickWhileDraggingAKnob(benchmark::State& state) {
  Instance in;
  in.graphics->OpenWindow(nullptr);
  in.graphics->Tick();
  const int x = 400 + 12, y = 28 + 12;  // VCF FM START
  in.graphics->MouseDown(x, y, MouseModifiers(true));
  int offset = 0, step = 1;
  for (auto _ : state) {
    offset += step;
    if (offset == 20 || offset == -20) step = -step;
    in.graphics->MouseMove(x, y + offset, MouseModifiers(true));
    benchmark::DoNotOptimize(in.graphics->Tick());
  }
  in.graphics->MouseUp(x, y + offset, MouseModifiers(true));
}
BENCHMARK(BM_PanelTickWhileDraggingAKnob)->Unit(benchmark::kMicrosecond);

void BM_PanelCreateInstance(benchmark::State& state) {
  for (auto _ : state) {
    Instance in;
    benchmark::DoNotOptimize(in.graphics);
  }
}
BENCHMARK(BM_PanelCreateInstance)->Unit(benchmark::kMillisecond);

}  // namespace
