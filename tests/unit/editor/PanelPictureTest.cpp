// The three views drawn and compared with reference pictures. Text is masked (its pixels
// depend on the font library's version); everything else must match, so a control that moved
// or drew the wrong frame fails. PELLORY_UPDATE_REFERENCES=1 rewrites the references.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <gtest/gtest-spi.h>

#include "PanelHarness.h"
#include "drawing/Png.h"
#include "editor/IVLBrowserControls.h"
#include "editor/IVLUtilityKick.h"

namespace pellory::paneltest {
namespace {

std::vector<IRect> TextAreas(IGraphics& g) {
  std::vector<IRect> areas;
  auto grow = [](const IRect& r) { return IRect(r.L - 2, r.T - 2, r.R + 2, r.B + 2); };
  for (int i = 0; i < g.NControls(); ++i) {
    IControl* c = g.GetControl(i);
    if (c->IsHidden()) continue;
    const IRect r = c->GetRECT();
    if (dynamic_cast<ITextControl*>(c) || dynamic_cast<IVLProgramItemControl*>(c) ||
        dynamic_cast<IVLProgramPathControl*>(c)) {
      areas.push_back(grow(r));
    } else if (auto* key = dynamic_cast<IVLUtilityKick*>(c)) {
      if (!key->Label().empty()) areas.push_back(grow(IRect(r.L + 4, r.T + 2, r.R, r.T + 18)));
    }
  }
  return areas;
}

// The sound's 53 values set to a fixed spread of their ranges, so the pictures show the same
// knob and LED positions whatever the factory bank's first program holds.
void SetFixedSound(Panel& p) {
  for (int id = 0; id <= 52; ++id) {
    const IParameter* param = p.plug->GetParameter(id);
    p.plug->SetParameterAndNotify(id, param->PlainForNormalized(((id * 7) % 11) / 10.0));
  }
}

// Pixels outside the text that differ from the reference; -1 when there is no reference.
int Differences(Panel& p, const std::string& name) {
  SetFixedSound(p);
  p.graphics->MarkAllControlsDirty();
  p.graphics->Tick();
  const drawing::Surface& surface = p.graphics->GetSurface();
  const std::string reference = std::string(PELLORY_TEST_DATA_DIR) + "/editor/" + name;
  const char* update = std::getenv("PELLORY_UPDATE_REFERENCES");
  if (update && *update == '1') return p.graphics->WritePng(reference) ? 0 : -1;
  std::ifstream in(reference, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  drawing::Image expected;
  if (!drawing::DecodePng(bytes.data(), bytes.size(), expected) || expected.width != surface.Width() ||
      expected.height != surface.Height())
    return -1;
  const std::vector<IRect> masked = TextAreas(*p.graphics);
  int compared = 0, differing = 0;
  IRect firstDiff;
  for (int y = 0; y < surface.Height(); ++y)
    for (int x = 0; x < surface.Width(); ++x) {
      bool text = false;
      for (const IRect& r : masked) text = text || r.Contains(x, y);
      if (text) continue;
      ++compared;
      const drawing::Pixel a = surface.At(x, y), b = expected.At(x, y);
      const int d = std::max({std::abs(drawing::PixelR(a) - drawing::PixelR(b)), std::abs(drawing::PixelG(a) - drawing::PixelG(b)),
                              std::abs(drawing::PixelB(a) - drawing::PixelB(b))});
      if (d > 3) {
        if (!differing) firstDiff = IRect(x, y, x + 1, y + 1);
        ++differing;
      }
    }
  // The masks leave most of the panel to compare.
  EXPECT_GT(compared, surface.Width() * surface.Height() * 6 / 10);
  if (differing) ADD_FAILURE() << name << ": " << differing << " pixels differ, the first at " << firstDiff.L << "," << firstDiff.T;
  return differing;
}

// A rounding step here and there may differ between machines.
constexpr int kTolerated = 20;

TEST(PanelPictures, ChartView) {
  Panel p;
  const int d = Differences(p, "panel-chart.png");
  EXPECT_GE(d, 0);
  EXPECT_LE(d, kTolerated);
}

TEST(PanelPictures, EditView) {
  Panel p(true);
  const int d = Differences(p, "panel-edit.png");
  EXPECT_GE(d, 0);
  EXPECT_LE(d, kTolerated);
}

TEST(PanelPictures, BrowseViewWithASelection) {
  Panel p;
  p.Click(BrowseButton());
  p.Click({464 + 161 + 60, 129 + 16 * 2 + 8});
  const int d = Differences(p, "panel-browse.png");
  EXPECT_GE(d, 0);
  EXPECT_LE(d, kTolerated);
}

TEST(PanelPictures, AMisplacedKnobIsNoticed) {
  Panel p(true);
  // The FREQ knob of DCO 1 drawn two pixels to the right of its place.
  IControl* knob = p.ControlAt(KnobAt(596, 121));
  const IRect r = knob->GetRECT();
  knob->SetRECT(IRect(r.L + 2, r.T, r.R + 2, r.B));
  p.graphics->MarkAllControlsDirty();
  p.graphics->Tick();
  const char* update = std::getenv("PELLORY_UPDATE_REFERENCES");
  if (update && *update == '1') return;
  testing::TestPartResultArray failures;
  int d = 0;
  {
    testing::ScopedFakeTestPartResultReporter quiet(testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
                                                   &failures);
    d = Differences(p, "panel-edit.png");
  }
  EXPECT_GT(d, 200);
}

}  // namespace
}  // namespace pellory::paneltest
