// The editor's redraw costs: one timer tick that finds a single knob changed (collect the dirty
// rectangle, redraw the background and the knob under it), and a full redraw of a 1152 x 440
// surface carrying 200 film-strip controls.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "drawing/Image.h"
#include "editor/IGraphicsHeadless.h"

namespace {

using namespace pellory;

// A 65-frame knob strip with soft, translucent edges, and an opaque background picture.
drawing::Image KnobStrip() {
  drawing::Image strip;
  strip.width = 24;
  strip.height = 24 * 65;
  strip.pixels.resize(static_cast<std::size_t>(strip.width) * strip.height);
  for (int y = 0; y < strip.height; ++y)
    for (int x = 0; x < 24; ++x) {
      const double dx = x - 11.5, dy = (y % 24) - 11.5;
      const double edge = 11.0 - std::sqrt(dx * dx + dy * dy);
      const int alpha = edge >= 1.0 ? 255 : (edge <= 0.0 ? 0 : static_cast<int>(edge * 255));
      strip.pixels[static_cast<std::size_t>(y) * 24 + x] = drawing::MakePixel(alpha, 90 + y % 24, 90, 100 + x);
    }
  return strip;
}

drawing::Image Background() {
  drawing::Image back;
  back.width = 1152;
  back.height = 440;
  back.pixels.resize(static_cast<std::size_t>(back.width) * back.height);
  for (int y = 0; y < back.height; ++y)
    for (int x = 0; x < back.width; ++x)
      back.pixels[static_cast<std::size_t>(y) * back.width + x] = drawing::MakePixel(255, x & 0xFF, y & 0xFF, 60);
  return back;
}

struct Editor {
  drawing::Image strip = KnobStrip();
  drawing::Image back = Background();
  IGraphicsHeadless surface{nullptr, 1152, 440};
  std::vector<IControl*> knobs;

  Editor() {
    surface.PrepDraw();
    surface.AddControl(new IBitmapControl(nullptr, 0, 0, -1, IBitmap(&back, 1152, 440),
                                          BlendMode(BlendMode::kBlendClobber)));
    for (int i = 0; i < 200; ++i) {
      auto* knob = new IKnobMultiControl(nullptr, 16 + (i % 25) * 45, 20 + (i / 25) * 52, i,
                                         IBitmap(&strip, 24, 24 * 65, 65));
      knob->SetValueFromPlugin((i % 65) / 64.0);
      surface.AddControl(knob);
      knobs.push_back(knob);
    }
    while (surface.Tick()) {
    }
  }
};

void BM_TickWithOneDirtyKnob(benchmark::State& state) {
  Editor editor;
  IControl* knob = editor.knobs[77];
  int n = 0;
  for (auto _ : state) {
    knob->SetValueFromPlugin((++n % 65) / 64.0);
    benchmark::DoNotOptimize(editor.surface.Tick());
  }
}
BENCHMARK(BM_TickWithOneDirtyKnob)->Unit(benchmark::kMicrosecond);

void BM_FullRedrawOf200Controls(benchmark::State& state) {
  Editor editor;
  const IRect all(0, 0, 1152, 440);
  for (auto _ : state) {
    editor.surface.MarkAllControlsDirty();
    editor.surface.Draw(all);
    benchmark::DoNotOptimize(editor.surface.GetSurface().Pixels()[1000]);
  }
}
BENCHMARK(BM_FullRedrawOf200Controls)->Unit(benchmark::kMillisecond);

}  // namespace
