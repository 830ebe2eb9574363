// The stock controls as the window drives them: clicks, drags, wheel, double clicks and keys
// routed through the plug-in's own editor surface, with what reaches the plug-in and the host.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

#include "EditorSupport.h"
#include "editor/IControl.h"

namespace pellory::edtest {
namespace {

using vst2::audioMasterAutomate;
using vst2::audioMasterBeginEdit;
using vst2::audioMasterEndEdit;

const drawing::Image& KnobStrip() {
  static const drawing::Image strip = MakeStrip(65, 24, 24);
  return strip;
}
IBitmap KnobBitmap() { return IBitmap(&KnobStrip(), 24, 24 * 65, 65); }

const drawing::Image& Led(int frames) {
  static const drawing::Image two = MakeStrip(2, 10, 10);
  static const drawing::Image five = MakeStrip(5, 10, 10);
  return frames == 2 ? two : five;
}
IBitmap LedBitmap(int frames) { return IBitmap(&Led(frames), 10, 10 * frames, frames); }

// Records what the routing hands it.
class ProbeControl : public IControl {
 public:
  ProbeControl(IPlugBase* plug, const IRect& rect, int param = -1) : IControl(plug, rect, param) {}
  bool Draw(IGraphics*) override { return true; }
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override { log += "down "; }
  void OnMouseUp(int x, int y, const MouseModifiers& mod) override { log += "up "; }
  void OnMouseDrag(int x, int y, int dX, int dY, const MouseModifiers& mod) override {
    log += "drag(" + std::to_string(dX) + "," + std::to_string(dY) + ") ";
  }
  void OnMouseOver(int x, int y, const MouseModifiers& mod) override { log += "over "; }
  void OnMouseOut() override { log += "out "; }
  void OnMouseWheel(int x, int y, const MouseModifiers& mod, int d) override { log += "wheel" + std::to_string(d) + " "; }
  bool OnKeyDown(int x, int y, int key) override {
    log += "key" + std::to_string(key) + " ";
    return true;
  }
  std::string log;
};

TEST(Knob, DoubleClickResetsOnlyToAValueThePlugInPushed) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  auto* knob = new IKnobMultiControl(in.plug.get(), 100, 100, 17, KnobBitmap());
  g.AddControl(knob);
  // Attached after the plug-in pushed its values: no default yet.
  EXPECT_LT(knob->GetDefaultValue(), 0.0);
  g.MouseDown(110, 110, MouseModifiers(true));
  g.MouseMove(110, 98, MouseModifiers(true));
  g.MouseUp(110, 98, MouseModifiers(true));
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.125);
  g.DoubleClick(110, 110);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.125);

  g.SetParameterFromPlugin(17, 0.5, true);
  EXPECT_DOUBLE_EQ(knob->GetDefaultValue(), 0.5);
  g.SetParameterFromPlugin(17, 0.75, true);
  EXPECT_DOUBLE_EQ(knob->GetDefaultValue(), 0.5);
  g.DoubleClick(110, 110);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.5);
  EXPECT_EQ(in.plug->GetParameter(17)->Value(), 32.0);  // 0.5 of 0..63, nearest step
}

TEST(Knob, ShiftOrControlDragsTenTimesFinerAndTheWheelSteps) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  auto* knob = new IKnobMultiControl(in.plug.get(), 100, 100, 75, KnobBitmap());
  g.AddControl(knob);
  const MouseModifiers plain(true), shift(true, false, true), control(true, false, false, true);
  for (const MouseModifiers& mod : {plain, shift, control}) {
    knob->SetValueFromUser(0.5);
    g.MouseDown(110, 110, mod);
    g.MouseMove(110, 98, mod);  // 12 pixels up: half the knob's height
    g.MouseUp(110, 98, mod);
    const double expected = (mod.S || mod.C) ? 0.5125 : 0.625;
    EXPECT_NEAR(knob->GetValue(), expected, 1e-12) << mod.S << mod.C;
  }
  // Down again moves it down by the same amounts.
  knob->SetValueFromUser(0.5);
  g.MouseDown(110, 110, plain);
  g.MouseMove(110, 116, plain);
  g.MouseMove(110, 122, plain);
  g.MouseUp(110, 122, plain);
  EXPECT_NEAR(knob->GetValue(), 0.375, 1e-12);
  // Wheel: 120 units per notch; 0.01 per notch, 0.001 finely; values stay in 0..1.
  knob->SetValueFromUser(0.5);
  g.Wheel(110, 110, 240);
  EXPECT_NEAR(knob->GetValue(), 0.52, 1e-12);
  g.Wheel(110, 110, -120, MouseModifiers(false, false, true));
  EXPECT_NEAR(knob->GetValue(), 0.519, 1e-12);
  g.Wheel(110, 110, 119);
  EXPECT_NEAR(knob->GetValue(), 0.519, 1e-12);
  for (int i = 0; i < 60; ++i) g.Wheel(110, 110, 120);
  EXPECT_EQ(knob->GetValue(), 1.0);
  // The frame follows the value: round(v * 64) + 1.
  knob->SetValueFromUser(0.5);
  EXPECT_EQ(knob->FrameForValue(), 33);
  knob->SetValueFromUser(1.0);
  EXPECT_EQ(knob->FrameForValue(), 65);
}

TEST(Switch, CyclesThroughItsFrames) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  auto* two = new ISwitchControl(in.plug.get(), 0, 0, 20, LedBitmap(2));
  auto* five = new ISwitchControl(in.plug.get(), 50, 0, -1, LedBitmap(5));
  g.AddControl(two);
  g.AddControl(five);
  std::vector<double> seen;
  for (int i = 0; i < 3; ++i) {
    g.Click(5, 5);
    seen.push_back(two->GetValue());
  }
  EXPECT_EQ(seen, (std::vector<double>{1.0, 0.0, 1.0}));
  EXPECT_EQ(in.plug->GetParameter(20)->Value(), 1.0);
  seen.clear();
  for (int i = 0; i < 6; ++i) {
    g.Click(55, 5);
    seen.push_back(five->GetValue());
  }
  ASSERT_EQ(seen.size(), 6u);
  const double expected[] = {0.25, 0.5, 0.75, 1.0, 0.0, 0.25};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(seen[i], expected[i], 1e-12) << i;
  EXPECT_EQ(five->FrameForValue(), 2);
}

TEST(Fader, PointsBeyondEitherEndStoreTheEnds) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  static const drawing::Image handle = MakeStrip(1, 15, 19);
  auto* fader = new IFaderControl(in.plug.get(), 36, 269, 76, 59, IBitmap(&handle, 15, 19));
  g.AddControl(fader);
  EXPECT_EQ(fader->GetRECT(), IRect(36, 269, 51, 345));
  g.MouseDown(40, 270, MouseModifiers(true));  // above the handle's half at the top
  EXPECT_EQ(fader->GetValue(), 1.0);
  EXPECT_EQ(fader->GetHandleRECT(), IRect(36, 269, 51, 288));
  g.MouseMove(40, 700, MouseModifiers(true));  // far below, still captured
  EXPECT_EQ(fader->GetValue(), 0.0);
  EXPECT_EQ(fader->GetHandleRECT().T, 326);
  g.MouseMove(40, -300, MouseModifiers(true));
  EXPECT_EQ(fader->GetValue(), 1.0);
  g.MouseUp(40, -300, MouseModifiers(true));
  EXPECT_EQ(in.plug->GetParameter(59)->Value(), 1.0);
  for (const HostCallRecord& c : HostRecorder::Get().Calls())
    if (c.opcode == audioMasterAutomate) EXPECT_TRUE(c.opt >= 0.0f && c.opt <= 1.0f) << c.opt;
  // The middle of the track: the handle's centre under the point.
  g.Click(40, 269 + 9 + 57 / 2);
  EXPECT_NEAR(fader->GetValue(), 1.0 - 28.0 / 57.0, 1e-12);
}

TEST(Routing, EditsAreFramedForTheHostAndPanelControlsStaySilent) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  g.AddControl(new IKnobMultiControl(in.plug.get(), 0, 0, 17, KnobBitmap()));
  g.AddControl(new ISwitchControl(in.plug.get(), 50, 0, -1, LedBitmap(2)));
  g.MouseDown(10, 10, MouseModifiers(true));
  g.MouseMove(10, 4, MouseModifiers(true));
  g.MouseUp(10, 4, MouseModifiers(true));
  const auto calls = HostRecorder::Get().EditCalls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls.front(), std::make_pair(int(audioMasterBeginEdit), 17));
  EXPECT_EQ(calls[1], std::make_pair(int(audioMasterAutomate), 17));
  EXPECT_EQ(calls.back(), std::make_pair(int(audioMasterEndEdit), 17));
  HostRecorder::Get().Clear();
  g.Click(55, 5);
  g.DoubleClick(10, 10);  // no default yet: nothing, and no begin-edit on this path
  EXPECT_EQ(HostRecorder::Get().Count(audioMasterBeginEdit), 0);
  EXPECT_EQ(HostRecorder::Get().Count(audioMasterAutomate), 0);
}

TEST(Routing, CaptureDeltasHoverAndLeave) {
  Instance in;
  // A surface of its own: the plug-in's editor carries the whole panel.
  IGraphicsHeadless g(in.plug.get(), 1152, 440);
  auto* a = new ProbeControl(in.plug.get(), IRect(0, 0, 20, 20));
  auto* b = new ProbeControl(in.plug.get(), IRect(30, 0, 50, 20));
  g.AddControl(a);
  g.AddControl(b);
  g.MouseDown(5, 5, MouseModifiers(true));
  g.MouseMove(5, 5, MouseModifiers(true));    // same place: no drag
  g.MouseMove(8, 3, MouseModifiers(true));
  g.MouseMove(40, 10, MouseModifiers(true));  // over b, still a's drag
  g.MouseUp(40, 10, MouseModifiers(true));
  EXPECT_EQ(a->log, "down drag(3,-2) drag(32,7) up ");
  EXPECT_EQ(b->log, "");
  a->log.clear();
  // Hover needs mouse-over handling.
  g.MouseMove(5, 5, MouseModifiers());
  EXPECT_EQ(a->log, "");
  g.HandleMouseOver(true);
  g.MouseMove(5, 5, MouseModifiers());
  g.MouseMove(35, 5, MouseModifiers());
  g.MouseMove(25, 5, MouseModifiers());  // between the two: nothing happens
  EXPECT_EQ(a->log, "over out ");
  EXPECT_EQ(b->log, "over ");
  EXPECT_EQ(g.GetMouseOver(), 1);
  g.MouseLeave();
  EXPECT_EQ(g.GetMouseOver(), -1);
  EXPECT_EQ(b->log, "over out ");
  // Wheel and keys go to the control under the mouse.
  g.Wheel(35, 5, -360);
  EXPECT_TRUE(g.Key(35, 5, 'q'));
  EXPECT_EQ(b->log, "over out wheel-3 key31 ");
}

TEST(Routing, GreyedAndHiddenControlsLetClicksThroughToTheControlBeneath) {
  Instance in;
  // A surface of its own: the plug-in's editor carries the whole panel.
  IGraphicsHeadless g(in.plug.get(), 1152, 440);
  auto* beneath = new ISwitchControl(in.plug.get(), 0, 0, -1, LedBitmap(2));
  auto* top = new ISwitchControl(in.plug.get(), 0, 0, -1, LedBitmap(2));
  g.AddControl(beneath);
  g.AddControl(top);
  g.Click(5, 5);
  EXPECT_EQ(top->GetValue(), 1.0);
  EXPECT_EQ(beneath->GetValue(), 0.0);
  top->SetGreyed(true);
  EXPECT_EQ(top->GetBlend().mWeight, 0.25f);
  g.Click(5, 5);
  EXPECT_EQ(top->GetValue(), 1.0);
  EXPECT_EQ(beneath->GetValue(), 1.0);
  top->SetGreyed(false);
  EXPECT_EQ(top->GetBlend().mWeight, 1.0f);
  top->SetHidden(true);
  g.Click(5, 5);
  EXPECT_EQ(beneath->GetValue(), 0.0);
  EXPECT_EQ(top->GetValue(), 1.0);
  // Hover skips greyed controls unless they ask for it.
  top->SetHidden(false);
  top->SetGreyed(true);
  g.HandleMouseOver(true);
  g.MouseMove(5, 5, MouseModifiers());
  EXPECT_EQ(g.GetMouseOver(), 0);
  top->SetMOWhenGreyed(true);
  g.MouseMove(6, 6, MouseModifiers());
  EXPECT_EQ(g.GetMouseOver(), 1);
}

TEST(Routing, KeysOverTheBackgroundAreLeftToTheHost) {
  Instance in;
  ASSERT_TRUE(RegisterPngResource(9001, "gradient.png"));
  IGraphicsHeadless g(in.plug.get(), 8, 8);
  g.SetBackground(9001, "resources/img/back.png");
  auto* probe = new ProbeControl(in.plug.get(), IRect(0, 0, 4, 4));
  g.AddControl(probe);
  EXPECT_EQ(g.NControls(), 2);
  EXPECT_EQ(g.GetControl(0)->GetRECT(), IRect(0, 0, 8, 8));
  EXPECT_EQ(g.GetControl(0)->GetBlend().mMethod, BlendMode::kBlendClobber);
  EXPECT_FALSE(g.Key(6, 6, 'a'));   // background
  EXPECT_FALSE(g.Key(60, 6, 'a'));  // nothing at all
  EXPECT_FALSE(g.Key(6, 6, '#'));   // not a key the controls know
  EXPECT_TRUE(g.Key(1, 1, '7'));
  EXPECT_EQ(probe->log, "key12 ");
  auto* catcher = new ProbeControl(in.plug.get(), IRect());
  g.AddControl(catcher);
  g.SetKeyCatcher(catcher);
  EXPECT_TRUE(g.Key(6, 6, ' '));
  EXPECT_EQ(catcher->log, "key0 ");
  EXPECT_EQ(KeyCodeForCharacter('Z'), 40);
  EXPECT_EQ(KeyCodeForCharacter('a'), 15);
}

TEST(Values, PushingTheSameValueKeepsAControlClean) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  auto* knob = new IKnobMultiControl(in.plug.get(), 0, 0, 16, KnobBitmap());
  g.AddControl(knob);
  g.SetParameterFromPlugin(16, 63.0, false);
  EXPECT_EQ(knob->GetValue(), 1.0);
  while (g.Tick()) {
  }
  EXPECT_FALSE(knob->IsDirty());
  g.SetParameterFromPlugin(16, 1.0, true);
  EXPECT_FALSE(knob->IsDirty());
  g.SetParameterFromPlugin(16, 0.0, true);
  EXPECT_TRUE(knob->IsDirty());
  // A pushed change asks for one more frame after it is drawn.
  EXPECT_TRUE(g.Tick());
  EXPECT_TRUE(knob->IsDirty());
  EXPECT_TRUE(g.Tick());
  EXPECT_FALSE(knob->IsDirty());
  // Text controls: the same text again changes nothing.
  auto* text = new ITextControl(in.plug.get(), IRect(0, 30, 50, 45), ITextStyle(), "abc");
  g.AddControl(text);
  while (g.Tick()) {
  }
  text->SetTextFromPlugin("abc");
  EXPECT_FALSE(text->IsDirty());
  text->SetTextFromPlugin("abd");
  EXPECT_TRUE(text->IsDirty());
  EXPECT_EQ(text->GetText(), "abd");
}

TEST(Prompt, EnumerationsOfferTheirTextsWithTheCurrentOneChecked) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  // The base control's right click prompts.
  struct Plain : IControl {
    using IControl::IControl;
    bool Draw(IGraphics*) override { return true; }
  };
  auto* control = new Plain(in.plug.get(), IRect(0, 0, 10, 10), kKeyboardMode);
  g.AddControl(control);
  in.plug->SetParameterAndNotify(kKeyboardMode, 1);
  // Prompting is off unless a control turns it on.
  g.Click(5, 5, MouseModifiers(false, true));
  EXPECT_TRUE(g.Requests().empty());
  control->DisablePrompt(false);
  g.QueueMenuChoice(std::vector<int>{2});
  g.Click(5, 5, MouseModifiers(false, true));
  ASSERT_EQ(g.Requests().size(), 1u);
  const auto& r = g.Requests()[0];
  EXPECT_EQ(r.kind, IGraphicsHeadless::kMenu);
  EXPECT_EQ(r.items, (std::vector<std::string>{"Single", "[x] Split", "Double"}));
  EXPECT_EQ(r.rect, control->GetRECT());
  EXPECT_EQ(r.answer, "Double");
  EXPECT_EQ(in.plug->GetParameter(kKeyboardMode)->Value(), 2.0);
  EXPECT_EQ(control->GetValue(), 1.0);
  // Dismissed: nothing changes.
  control->PromptForValue();
  EXPECT_EQ(in.plug->GetParameter(kKeyboardMode)->Value(), 2.0);
}

TEST(Prompt, NumbersAreTypedIntoAnEntryOverTheControlsMiddle) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  auto* fm = new IKnobMultiControl(in.plug.get(), 100, 100, kLfoFmRange, KnobBitmap());
  auto* resonance = new IKnobMultiControl(in.plug.get(), 200, 100, kVcfResonance, KnobBitmap());
  auto* volume = new IKnobMultiControl(in.plug.get(), 300, 100, kLowerVolume, KnobBitmap());
  for (IControl* c : {static_cast<IControl*>(fm), static_cast<IControl*>(resonance), static_cast<IControl*>(volume)}) {
    c->DisablePrompt(false);
    g.AddControl(c);
  }
  // A German number locale must not turn the point into a comma.
  const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  g.QueueTextEntry("7.25");
  g.Click(112, 112, MouseModifiers(false, true));
  std::setlocale(LC_NUMERIC, "C");
  ASSERT_TRUE(g.TextEntryOpen());
  ASSERT_EQ(g.Requests().size(), 1u);
  EXPECT_EQ(g.Requests()[0].kind, IGraphicsHeadless::kTextEntry);
  EXPECT_EQ(g.Requests()[0].text, "5.00") << (german ? "with de_DE" : "");
  EXPECT_EQ(g.Requests()[0].rect, IRect(92, 104, 132, 120));
  EXPECT_FALSE(g.Tick());  // the tick that closes the entry draws nothing
  EXPECT_FALSE(g.TextEntryOpen());
  EXPECT_DOUBLE_EQ(in.plug->GetParameter(kLfoFmRange)->Value(), 7.25);

  // Integer entries take only signs and digits: "1.5" becomes 15.
  g.QueueTextEntry("1.5");
  g.Click(212, 112, MouseModifiers(false, true));
  EXPECT_EQ(g.Requests().back().text, "0");
  g.Tick();
  EXPECT_EQ(in.plug->GetParameter(kVcfResonance)->Value(), 15.0);
  EXPECT_EQ(g.Requests().back().answer, "15");
  // At most seven characters; the value is clamped to the range.
  g.QueueTextEntry("123456789");
  g.Click(212, 112, MouseModifiers(false, true));
  g.Tick();
  EXPECT_EQ(g.Requests().back().answer, "1234567");
  EXPECT_EQ(in.plug->GetParameter(kVcfResonance)->Value(), 63.0);
  // Escape changes nothing; a formatter provides the starting text.
  g.QueueTextEntry("0.1", false);
  g.Click(312, 112, MouseModifiers(false, true));
  char shown[64];
  in.plug->GetParameter(kLowerVolume)->GetDisplayText(in.plug->GetParameter(kLowerVolume)->Value(), false, shown,
                                                    sizeof(shown));
  EXPECT_EQ(g.Requests().back().text, shown);
  g.Tick();
  EXPECT_DOUBLE_EQ(in.plug->GetParameter(kLowerVolume)->Value(), 0.5);
  // An entry without an answer stays open until a click elsewhere commits it.
  g.Click(312, 112, MouseModifiers(false, true));
  EXPECT_TRUE(g.TextEntryOpen());
  g.Tick();
  EXPECT_TRUE(g.TextEntryOpen());
  g.Click(5, 5);
  g.Tick();
  EXPECT_FALSE(g.TextEntryOpen());
  EXPECT_EQ(g.PendingAnswers(), 0u);
}

}  // namespace
}  // namespace pellory::edtest
