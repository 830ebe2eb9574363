// The host automates every parameter from its own thread while the interface thread ticks,
// draws and clicks the editor. Values and dirty flags cross between the two without a lock;
// built with ThreadSanitizer this test fails on any data race.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "EditorSupport.h"

namespace pellory::edtest {
namespace {

TEST(Threads, AutomationWhileTheInterfaceDrawsAndClicks) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  static const drawing::Image strip = MakeStrip(65, 12, 12);
  static const drawing::Image handle = MakeStrip(1, 8, 10);
  g.AddControl(new IPanelControl(in.plug.get(), IRect(0, 0, 1152, 440), IColor(255, 30, 30, 30)));
  std::vector<IControl*> controls;
  for (int i = 0; i < kNumParameters; ++i) {
    const int x = 20 + (i % 25) * 40, y = 20 + (i / 25) * 60;
    IControl* c = i % 5 == 4 ? static_cast<IControl*>(new IFaderControl(in.plug.get(), x, y, 40, i, IBitmap(&handle, 8, 10)))
                             : new IKnobMultiControl(in.plug.get(), x, y, i, IBitmap(&strip, 12, 12 * 65, 65));
    g.AddControl(c);
    controls.push_back(c);
  }
  g.AddControl(new ITextControl(in.plug.get(), IRect(10, 400, 300, 420), ITextStyle(), "Pellory"));
  in.plug->RefreshEditorParameters();
  g.OpenWindow(nullptr);

  std::atomic<bool> done{false};
  std::thread host([&] {
    vst2::AEffect* e = in.Effect();
    for (int round = 0; round < 200; ++round)
      for (int i = 0; i < kNumParameters; ++i) e->setParameter(e, i, static_cast<float>(((round * 7 + i) % 11) / 10.0));
    done = true;
  });
  int frames = 0;
  for (int n = 0; !done.load() || n < 50; ++n) {
    const IRect& r = controls[n % kNumParameters]->GetRECT();
    const int x = r.L + 3, y = r.T + 3;
    switch (n % 4) {
      case 0:
        g.MouseDown(x, y, MouseModifiers(true));
        g.MouseMove(x, y - 3, MouseModifiers(true));
        g.MouseUp(x, y - 3, MouseModifiers(true));
        break;
      case 1:
        g.DoubleClick(x, y);
        break;
      case 2:
        g.Wheel(x, y, 120);
        break;
      default:
        in.Dispatch(vst2::effEditIdle);
        break;
    }
    frames += g.Tick() ? 1 : 0;
  }
  host.join();
  // Once both have stopped, the controls show the parameters' values.
  in.plug->RefreshEditorParameters();
  for (int i = 0; i < kNumParameters; ++i)
    EXPECT_NEAR(controls[i]->GetValue(), in.plug->GetParameter(i)->GetNormalized(), 1e-9) << i;
  EXPECT_GT(frames, 0);
}

}  // namespace
}  // namespace pellory::edtest
