// The panel's layout, its three views and the host's editor requests.
#include <cstring>

#include "PanelHarness.h"
#include "editor/IVLBrowserControls.h"
#include "editor/IVLKnobControl.h"
#include "editor/IVLNumberDisplay.h"
#include "editor/IVLSwitchControls.h"
#include "editor/IVLTapeLoadDialog.h"
#include "editor/IVLUtilityKick.h"

namespace pellory::paneltest {
namespace {

template <typename T>
T* As(IControl* c) {
  return dynamic_cast<T*>(c);
}

TEST(PanelLayout, SurfaceBackgroundPicturesAndVersionInAttachOrder) {
  Panel p;
  IGraphics& g = *p.graphics;
  EXPECT_EQ(g.Width(), 1152);
  EXPECT_EQ(g.Height(), 440);
  EXPECT_TRUE(g.MouseOverHandled());
  EXPECT_TRUE(g.TooltipsEnabled());
  // Control 0 is the background, an opaque copy of the whole surface.
  EXPECT_EQ(g.GetControl(0)->GetRECT(), IRect(0, 0, 1152, 440));
  EXPECT_EQ(g.GetControl(0)->GetBlend().mMethod, BlendMode::kBlendClobber);
  EXPECT_EQ(g.GetControl(1), p.panel->ChartPicture());
  EXPECT_EQ(g.GetControl(1)->GetRECT(), IRect(496, 95, 496 + 592, 95 + 278));
  EXPECT_EQ(g.GetControl(2)->GetRECT(), IRect(460, 95, 460 + 665, 95 + 278));
  EXPECT_EQ(g.GetControl(3)->GetRECT(), IRect(460, 95, 460 + 665, 95 + 278));
  auto* version = As<ITextControl>(g.GetControl(4));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->GetRECT(), IRect(871, 75, 1127, 87));
  EXPECT_EQ(version->GetText().rfind("v.1.1.2.", 0), 0u);
  EXPECT_EQ(version->GetTextStyle().mSize, 10);
  EXPECT_EQ(version->GetTextStyle().mColor, IColor(128, 255, 255, 255));
  // Table A starts with the six knobs of the top row.
  const int topX[6] = {400, 437, 472, 508, 544, 580};
  for (int i = 0; i < 6; ++i) {
    auto* knob = As<IVLKnobControl>(g.GetControl(5 + i));
    ASSERT_NE(knob, nullptr) << i;
    EXPECT_EQ(knob->GetRECT(), IRect(topX[i], 28, topX[i] + 24, 52));
    EXPECT_EQ(knob->ParamIdx(), 71 + i);
    EXPECT_DOUBLE_EQ(knob->GetGearing(), 4.0);
  }
  // The tape dialog is the last control, hidden.
  IControl* last = g.GetControl(g.NControls() - 1);
  EXPECT_EQ(last, p.panel->TapeDialog());
  EXPECT_TRUE(last->IsHidden());
  EXPECT_EQ(p.panel->ChartCells().size(), 68u);
  EXPECT_EQ(p.panel->EditControls().size(), 68u);
  int editControls = 0;
  for (IControl* c : p.panel->EditControls()) editControls += c != nullptr;
  EXPECT_EQ(editControls, 62);
  EXPECT_EQ(p.panel->ProgramItems().size(), 60u);
}

TEST(PanelLayout, TableAControlsSitWhereTheArtworkPutsTheirLabels) {
  Panel p;
  struct Expect {
    Point at;
    int binding;
  };
  const Expect controls[] = {
      {SmallLampAt(640, 28), 67}, {SmallLampAt(748, 28), 70}, {LampAt(326, 100), -86}, {LampAt(326, 160), -87},
      {BrowseButton(), -88},      {EditButton(), -93},        {KnobAt(400, 100), 57},  {{410, 175}, 66},
      {{43, 300}, 59},            {{83, 300}, 60},            {SmallLampAt(53, 296), -79}, {KnobAt(32, 377), 61},
      {KnobAt(72, 377), 62},      {{60, 110}, -80},           {{140, 110}, -81},       {{200, 110}, -82},
      {{260, 110}, -83},          {OffKey(), -99},            {OnKey(), -100},         {DigitKey(1), -101},
      {DigitKey(5), -105},        {DigitKey(6), -106},        {DigitKey(0), -110},     {LampAt(131, 316), -96},
      {LampAt(195, 316), -97},    {LampAt(259, 316), -98},    {LampAt(326, 240), -94}, {LampAt(326, 316), -95},
      {{800, 30}, -78},
  };
  for (const Expect& e : controls) {
    IControl* c = p.ControlAt(e.at);
    ASSERT_NE(c, nullptr) << e.binding;
    EXPECT_EQ(c->ParamIdx(), e.binding) << "at " << e.at.x << "," << e.at.y;
  }
  // Keys carry their digit; OFF and ON carry none.
  EXPECT_EQ(As<IVLUtilityKick>(p.ControlAt(DigitKey(7)))->Label(), "7");
  EXPECT_EQ(As<IVLUtilityKick>(p.ControlAt(OffKey()))->Label(), "");
  // The two decimal points.
  EXPECT_EQ(p.panel->AddressDot()->GetRECT(), IRect(148, 125, 154, 130));
  EXPECT_EQ(p.panel->LowerDot()->GetRECT(), IRect(206, 125, 212, 130));
  // The fader's handle at the track's top for 1 and 57 pixels lower for 0.
  auto* slider = As<IVLSliderControl>(p.ControlAt({43, 300}));
  slider->SetValueFromPlugin(1.0);
  EXPECT_EQ(slider->GetHandleRECT().T, 269);
  slider->SetValueFromPlugin(0.0);
  EXPECT_EQ(slider->GetHandleRECT().T, 326);
}

TEST(PanelLayout, EveryChartCellLiesInsideTheChartPictureAndSelectsItsNumber) {
  Panel p;
  const IRect blind = p.panel->ChartPicture()->GetRECT();
  EXPECT_EQ(blind, IRect(496, 95, 1088, 373));
  int twelve = 0;
  for (IControl* cell : p.panel->ChartCells()) {
    const IRect r = cell->GetRECT();
    EXPECT_EQ(r.W(), 56);
    EXPECT_EQ(r.H(), 19);
    EXPECT_TRUE(r.L >= blind.L && r.R <= blind.R && r.T >= blind.T && r.B <= blind.B) << r.L << "," << r.T;
    twelve += As<IVLLinkControl>(cell)->PanelNumber() == 12;
  }
  EXPECT_EQ(twelve, 2);
  // A click on cell 20 (RESO) enters parameter entry with that number; VALUE shows its value.
  p.Click({700 + 28, 159 + 2 * 19 + 9});
  EXPECT_EQ(p.plug->PanelEntryMode(), Pellory::kPanelParameterEntry);
  EXPECT_EQ(p.plug->PanelParameterNumber(), 20);
  EXPECT_EQ(p.plug->SelectedParameter(), kVcfResonance);
  int tens, units;
  As<IVLNumberDisplay>(p.ControlAt({140, 110}))->Digits(tens, units);
  EXPECT_EQ(tens, 2);
  EXPECT_EQ(units, 0);
  // The lower cell of column 15 selects 12 too.
  p.Click({1016 + 28, 338 + 9});
  EXPECT_EQ(p.plug->PanelParameterNumber(), 12);
}

void ExpectView(Panel& p, int view) {
  EXPECT_EQ(p.plug->EditorView(), view);
  EXPECT_EQ(p.panel->ChartPicture()->IsHidden(), view != 1);
  EXPECT_EQ(p.panel->EditPicture()->IsHidden(), view != 2);
  EXPECT_EQ(p.panel->BrowsePicture()->IsHidden(), view != 3);
  EXPECT_EQ(p.panel->ScrollBar()->IsHidden(), view != 3);
  for (int s = 0; s < 3; ++s) EXPECT_EQ(p.panel->SourceButton(s)->IsHidden(), view != 3);
  for (IControl* c : p.panel->ChartCells()) {
    EXPECT_EQ(c->IsHidden(), view != 1);
    EXPECT_EQ(c->IsGreyed(), view != 1);
  }
  for (IControl* c : p.panel->EditControls()) {
    if (!c) continue;
    EXPECT_EQ(c->IsHidden(), view != 2);
    EXPECT_EQ(c->IsGreyed(), view != 2);
  }
  for (IControl* c : p.panel->ProgramItems()) {
    EXPECT_EQ(c->IsHidden(), view != 3);
    EXPECT_EQ(c->IsGreyed(), view != 3);
  }
}

TEST(PanelLayout, StartsOnTheChartUnlessStartInEditModeAndNoEditControlTakesClicksThere) {
  Panel chart(false);
  ExpectView(chart, 1);
  // The DCO 1 FREQ knob's place belongs to a chart cell's neighbourhood or the background.
  const float before = chart.Get(25);
  chart.DragVertically(KnobAt(596, 121), -20);
  EXPECT_FLOAT_EQ(chart.Get(25), before);
  EXPECT_EQ(chart.CountHost(vst2::audioMasterBeginEdit, 25), 0);

  Panel edit(true);
  ExpectView(edit, 2);
  EXPECT_EQ(edit.plug->PanelEntryMode(), Pellory::kPanelProgramEntry);
}

TEST(PanelLayout, ViewButtonsSwitchAndTheLitOneReturnsToTheChart) {
  Panel p;
  p.Click(EditButton());
  ExpectView(p, 2);
  EXPECT_TRUE(As<IVLUtilityKick>(p.ControlAt(EditButton()))->Lit());
  p.Click(EditButton());
  ExpectView(p, 1);
  p.Click(BrowseButton());
  ExpectView(p, 3);
  EXPECT_TRUE(p.panel->FolderLine()->IsHidden());
  p.Click(EditButton());
  ExpectView(p, 2);
  p.Click(BrowseButton());
  p.Click(BrowseButton());
  ExpectView(p, 1);
  // The view survives closing and reopening the window.
  p.Click(EditButton());
  p.graphics->CloseWindow();
  p.graphics->OpenWindow(nullptr);
  ExpectView(p, 2);
}

TEST(PanelLayout, HostEditorRequests) {
  Panel p;
  EXPECT_TRUE(p.effect->flags & vst2::effFlagsHasEditor);
  vst2::ERect* rect = nullptr;
  EXPECT_EQ(p.Dispatch(vst2::effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  // The rectangle stays valid after the call (it is the plug-in's own).
  p.Dispatch(vst2::effEditIdle);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->right, 1152);
  EXPECT_EQ(rect->bottom, 440);
  EXPECT_EQ(p.Dispatch(vst2::effEditGetRect, 0, 0, nullptr), 0);
  // The headless surface has no window to put into the host's: the open request says no
  // and leaves the surface closed; the close request still reaches it.
  p.graphics->CloseWindow();
  EXPECT_EQ(p.Dispatch(vst2::effEditOpen), 0);
  EXPECT_FALSE(p.graphics->IsWindowOpen());
  p.graphics->OpenWindow(nullptr);
  EXPECT_EQ(p.Dispatch(vst2::effEditClose), 1);
  EXPECT_FALSE(p.graphics->IsWindowOpen());
  EXPECT_EQ(p.Dispatch(vst2::effEditIdle), 0);
}

TEST(PanelLayout, TwoInstancesHaveTheirOwnEditors) {
  Panel a, b;
  EXPECT_NE(a.graphics, b.graphics);
  EXPECT_NE(a.panel, b.panel);
  a.Click(BrowseButton());
  EXPECT_EQ(a.plug->EditorView(), 3);
  EXPECT_EQ(b.plug->EditorView(), 1);
  b.Set(71, 1.0f);
  a.IdleTicks();
  EXPECT_NE(a.ControlAt(KnobAt(400, 28))->GetValue(), 1.0);
  EXPECT_EQ(b.ControlAt(KnobAt(400, 28))->GetValue(), 1.0);
  // Bitmaps are decoded once per process and shared.
  EXPECT_EQ(As<IVLKnobControl>(a.ControlAt(KnobAt(400, 28)))->GetBitmap().mData,
            As<IVLKnobControl>(b.ControlAt(KnobAt(400, 28)))->GetBitmap().mData);
}

}  // namespace
}  // namespace pellory::paneltest
