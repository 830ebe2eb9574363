// The panel's controls clicked and dragged as a user would; effects checked through the VST
// interface and what the host was told.
#include "PanelHarness.h"
#include "editor/IVLKnobControl.h"
#include "editor/IVLNumberDisplay.h"
#include "editor/IVLSwitchControls.h"
#include "editor/IVLUtilityKick.h"

namespace pellory::paneltest {
namespace {

using Req = IGraphicsHeadless::Request;

TEST(PanelControls, KnobDragChangesItsParameterWithBeginAutomateEnd) {
  Panel p;
  const Point start = KnobAt(400, 28);  // VCF FM START, parameter 71
  const float before = p.Get(71);
  p.DragVertically(start, -12);  // half the knob's height: +0.125 at gearing 4
  EXPECT_NEAR(p.Get(71), before + 0.125f, 0.01f);
  const auto& events = HostEvents();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.front().opcode, vst2::audioMasterBeginEdit);
  EXPECT_EQ(events.front().index, 71);
  EXPECT_EQ(events.back().opcode, vst2::audioMasterEndEdit);
  EXPECT_EQ(events.back().index, 71);
  EXPECT_GE(p.CountHost(vst2::audioMasterAutomate, 71), 1);
  // With shift the same movement moves it ten times less.
  const float mid = p.Get(71);
  p.DragVertically(start, 12, MouseModifiers(true, false, true));
  EXPECT_NEAR(p.Get(71), mid - 0.0125f, 0.002f);
}

TEST(PanelControls, KnobHoverShowsValueAndTuneTooltip) {
  Panel p;
  auto* tune = dynamic_cast<IVLKnobControl*>(p.ControlAt(KnobAt(400, 100)));
  ASSERT_NE(tune, nullptr);
  p.graphics->MouseMove(412, 112, MouseModifiers());
  EXPECT_TRUE(tune->ShowsValue());
  // No tuning source is connected: the scale name is empty.
  EXPECT_EQ(tune->GetTooltip(), "Micro Tuning: ");
  p.graphics->MouseMove(420, 300, MouseModifiers());  // the background
  EXPECT_FALSE(tune->ShowsValue());
  p.graphics->MouseMove(412, 40, MouseModifiers());
  p.graphics->MouseLeave();
  EXPECT_FALSE(dynamic_cast<IVLKnobControl*>(p.ControlAt(KnobAt(400, 28)))->ShowsValue());
}

TEST(PanelControls, BothWheelKnobsMoveTogether) {
  Panel p(true);
  IControl* lfo1 = p.ControlAt(KnobAt(904, 165));
  IControl* lfo2 = p.ControlAt(KnobAt(1082, 165));
  ASSERT_EQ(lfo1->ParamIdx(), 9);
  ASSERT_EQ(lfo2->ParamIdx(), 9);
  p.DragVertically(KnobAt(904, 165), -24);
  EXPECT_DOUBLE_EQ(lfo2->GetValue(), lfo1->GetValue());
  EXPECT_NEAR(p.Get(9), lfo1->GetValue(), 0.01);
  p.DragVertically(KnobAt(1082, 165), 10);
  EXPECT_DOUBLE_EQ(lfo1->GetValue(), lfo2->GetValue());
}

TEST(PanelControls, RadioLedsSelectAndALitOneTurnsTheWaveformOff) {
  Panel p(true);
  const Point ledTriangle = LedAt(805, 154), ledRamp = LedAt(805, 173), ledSquare = LedAt(805, 192);
  auto led = [&](Point at) { return dynamic_cast<IVLSwitchControl*>(p.ControlAt(at)); };
  p.Click(ledRamp);
  EXPECT_EQ(p.Plain(kLfo1Waveform), 2);
  EXPECT_TRUE(led(ledRamp)->Lit());
  EXPECT_FALSE(led(ledTriangle)->Lit());
  p.Click(ledSquare);
  EXPECT_EQ(p.Plain(kLfo1Waveform), 3);
  EXPECT_FALSE(led(ledRamp)->Lit());
  p.Click(ledSquare);
  EXPECT_EQ(p.Plain(kLfo1Waveform), 0);
  EXPECT_FALSE(led(ledTriangle)->Lit() || led(ledRamp)->Lit() || led(ledSquare)->Lit());
  // A plain LED toggles its parameter: DCO 1 triangle.
  const double triangle = p.Plain(22);
  p.Click(LedAt(502, 108));
  EXPECT_EQ(p.Plain(22), 1 - triangle);
  // A parameter lamp button toggles too, and its lamp follows.
  const double rate = p.Plain(kUpdateRate);
  p.Click(SmallLampAt(640, 28));
  EXPECT_EQ(p.Plain(kUpdateRate), 1 - rate);
  EXPECT_EQ(dynamic_cast<IVLUtilityKick*>(p.ControlAt(SmallLampAt(640, 28)))->Lit(), rate < 0.5);
}

TEST(PanelControls, DisplayDigitsForEachEncoding) {
  Panel p(true);
  auto digits = [&](Point at, int& tens, int& units) {
    dynamic_cast<IVLNumberDisplay*>(p.ControlAt(at))->Digits(tens, units);
  };
  int t, u;
  const Point split = {815, 280}, octave = {560, 128}, voices = {410, 175};
  p.Set(kSplitPoint, p.Normalized(kSplitPoint, 1));
  digits(split, t, u);
  EXPECT_EQ(t, IVLNumberDisplay::kBlank);
  EXPECT_EQ(u, 1);
  p.Set(kSplitPoint, p.Normalized(kSplitPoint, 61));
  digits(split, t, u);
  EXPECT_EQ(t, 6);
  EXPECT_EQ(u, 1);
  p.Set(kDco1Octave, p.Normalized(kDco1Octave, 2));
  digits(octave, t, u);
  EXPECT_EQ(t, IVLNumberDisplay::kBlank);
  EXPECT_EQ(u, 8);
  p.Set(kDco1Octave, p.Normalized(kDco1Octave, 0));
  digits(octave, t, u);
  EXPECT_EQ(t * 10 + u, 32);
  p.Set(kVoices, p.Normalized(kVoices, 4));
  digits(voices, t, u);
  EXPECT_EQ(t, 10);  // the letters U and n of the small strip
  EXPECT_EQ(u, 11);
  EXPECT_EQ(dynamic_cast<IVLNumberDisplay*>(p.ControlAt(voices))->Strip().N, 12);
  EXPECT_EQ(dynamic_cast<IVLNumberDisplay*>(p.ControlAt(voices))->Strip().FrameHeight(), 15);
}

TEST(PanelControls, DisplayMenusChooseValues) {
  Panel p(true);
  // Split point from the "C3 - B3" submenu: its first note is value 25.
  p.Set(kSplitPoint, p.Normalized(kSplitPoint, 40));
  p.graphics->QueueMenuChoice(std::vector<int>{2, 3});
  p.Click({815, 280});
  const Req* menu = p.LastRequest(IGraphicsHeadless::kMenu);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->items[0], "> C1 - B1");
  EXPECT_EQ(menu->items.size(), 5u + 61u);
  EXPECT_EQ(p.Plain(kSplitPoint), 28);
  EXPECT_GE(p.CountHost(vst2::audioMasterAutomate, kSplitPoint), 1);
  // The current value is checked in its submenu.
  p.graphics->QueueMenuDismiss();
  p.Click({815, 280});
  int checked = 0;
  for (const std::string& item : p.LastRequest(IGraphicsHeadless::kMenu)->items)
    checked += item.find("[x]") != std::string::npos;
  EXPECT_EQ(checked, 1);
  EXPECT_EQ(p.Plain(kSplitPoint), 28);  // dismissed: nothing changes
  // Octave: item i is value i.
  p.graphics->QueueMenuChoice(std::vector<int>{1});
  p.Click({560, 208});
  EXPECT_EQ(p.Plain(kDco2Octave), 1);
  // Voices.
  p.graphics->QueueMenuChoice(std::vector<int>{3});
  p.Click({410, 175});
  EXPECT_EQ(p.Plain(kVoices), 3);
}

TEST(PanelControls, ProgramDisplayMenusFollowTheState) {
  Panel p;
  // ADDRESS offers nothing for a normal program; UPPER PRG nothing in Single mode.
  const std::size_t before = p.graphics->Requests().size();
  p.Click({140, 110});
  p.Click({260, 110});
  EXPECT_EQ(p.graphics->Requests().size(), before);
  p.graphics->QueueMenuDismiss();
  p.Click({200, 110});
  std::vector<std::string> items = p.LastRequest(IGraphicsHeadless::kMenu)->items;
  EXPECT_EQ(items, (std::vector<std::string>{"Load Lower PRG", "Save Lower PRG"}));
  // A modified lower program offers both saves.
  p.Click(EditButton());
  p.DragVertically(KnobAt(596, 121), -10);
  p.graphics->QueueMenuDismiss();
  p.Click({200, 110});
  items = p.LastRequest(IGraphicsHeadless::kMenu)->items;
  EXPECT_EQ(items, (std::vector<std::string>{"Load Lower PRG", "Save Unmodified Lower PRG", "Save Modified Lower PRG"}));
  // Split mode: the UPPER PRG display has its menu; a Combi address has its own.
  p.Click(LampAt(326, 240));
  EXPECT_EQ(p.plug->KeyboardModeValue(), kSplit);
  p.graphics->QueueMenuDismiss();
  p.Click({260, 110});
  items = p.LastRequest(IGraphicsHeadless::kMenu)->items;
  EXPECT_EQ(items, (std::vector<std::string>{"Load Upper PRG", "Save Upper PRG"}));
  p.Set(kProgramNumber, p.Normalized(kProgramNumber, 80));
  p.Set(kSplitPoint, p.Normalized(kSplitPoint, p.Plain(kSplitPoint) == 30 ? 31 : 30));
  p.IdleTicks();
  ASSERT_TRUE(p.plug->HasUncommittedChanges(80));
  EXPECT_FALSE(p.panel->AddressDot()->IsHidden());
  p.graphics->QueueMenuDismiss();
  p.Click({150, 127});  // on the decimal point: still the display's menu
  items = p.LastRequest(IGraphicsHeadless::kMenu)->items;
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items[0], "Load Combi PRG");
}

TEST(PanelControls, KeypadSequencesSelectPrograms) {
  Panel p;
  p.Click(DigitKey(0));
  p.Click(DigitKey(7));
  EXPECT_EQ(p.Plain(kLowerProgram), 7);
  p.Click(DigitKey(8));
  int tens, units;
  dynamic_cast<IVLNumberDisplay*>(p.ControlAt({200, 110}))->Digits(tens, units);
  EXPECT_EQ(tens, 8);  // the pending first digit
  EXPECT_EQ(units, IVLNumberDisplay::kBlank);
  p.Click(DigitKey(0));
  EXPECT_EQ(p.Plain(kProgramNumber), 80);
  // ON steps the lower program in program entry.
  p.Click(DigitKey(1));
  p.Click(DigitKey(2));
  p.Click(OnKey());
  EXPECT_EQ(p.Plain(kLowerProgram), 13);
  p.Click(OffKey());
  p.Click(OffKey());
  EXPECT_EQ(p.Plain(kLowerProgram), 11);
  // The button springs back after the click.
  EXPECT_FALSE(dynamic_cast<IVLUtilityKick*>(p.ControlAt(OffKey()))->Pressed());
}

TEST(PanelControls, KeypadAsksToCommitAndFollowsTheAnswer) {
  Panel p(true);
  p.Click(DigitKey(0));
  p.Click(DigitKey(5));
  ASSERT_EQ(p.Plain(kLowerProgram), 5);
  const float edited = p.Get(25);
  p.DragVertically(KnobAt(596, 121), -12);
  ASSERT_TRUE(p.plug->HasUncommittedChanges(5));
  // Cancel drops the key.
  p.graphics->QueueMessageBoxAnswer(kIDCANCEL);
  p.Click(DigitKey(1));
  const Req* box = p.LastRequest(IGraphicsHeadless::kMessageBox);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text, "PRG 5 has uncommitted changes!\nDo you want to commit the changes?");
  EXPECT_EQ(box->caption, "Uncommitted Changes");
  EXPECT_EQ(box->type, kMB_YESNOCANCEL);
  EXPECT_EQ(p.plug->PendingDigit(), -1);
  EXPECT_TRUE(p.plug->HasUncommittedChanges(5));
  EXPECT_FALSE(dynamic_cast<IVLUtilityKick*>(p.ControlAt(DigitKey(1)))->Pressed());
  // No discards the edit, then the key counts.
  p.graphics->QueueMessageBoxAnswer(kIDNO);
  p.Click(DigitKey(0));
  EXPECT_FALSE(p.plug->HasUncommittedChanges(5));
  EXPECT_FLOAT_EQ(p.Get(25), edited);
  EXPECT_EQ(p.plug->PendingDigit(), 0);
  p.Click(DigitKey(5));  // a pending digit: no question
  // Yes commits.
  p.DragVertically(KnobAt(596, 121), -12);
  const float committed = p.Get(25);
  p.graphics->QueueMessageBoxAnswer(kIDYES);
  p.Click(OnKey());
  EXPECT_EQ(p.Plain(kLowerProgram), 6);
  p.Click(OffKey());
  EXPECT_EQ(p.Plain(kLowerProgram), 5);
  EXPECT_FLOAT_EQ(p.Get(25), committed);
  EXPECT_EQ(p.graphics->PendingAnswers(), 0u);
}

TEST(PanelControls, OptionMenuItemsByStateAndCommandsRunFromIt) {
  Panel p;
  p.graphics->QueueMenuDismiss();
  p.Click(MenuButton());
  std::vector<std::string> items = p.LastRequest(IGraphicsHeadless::kMenu)->items;
  const std::vector<std::string> expected = {
      "Init PRG", "-", "Load Lower PRG", "Load SysEx File", "Load Tape Dump", "Restore Factory Bank 1",
      "Restore Factory Bank 2", "-", "Save Lower PRG", "Save All PRGs As Single File", "-",
      "Default Path for PRG Files...", "Default Path for SysEx Files...", "Start In Edit Mode", "Don't Ask To Commit",
      "> Global MIDI Settings...", "  MIDI Thru", "  Ignore Program Change", "Reload Configuration",
      "Save Configuration", "-", "> Go Online...", "  Check Online for Update"};
  ASSERT_GE(items.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(items[i], expected[i]) << i;
  // A command from the menu: the option is flipped and shown checked next time.
  p.graphics->QueueMenuChoice(std::string("Don't Ask To Commit"));
  p.Click(MenuButton());
  EXPECT_TRUE(p.plug->dontAskToCommit);
  p.graphics->QueueMenuChoice(std::string("MIDI Thru"));
  p.Click(MenuButton());
  EXPECT_TRUE(p.plug->midiThru);
  p.graphics->QueueMenuDismiss();
  p.Click(MenuButton());
  items = p.LastRequest(IGraphicsHeadless::kMenu)->items;
  EXPECT_EQ(items[14], "[x] Don't Ask To Commit");
  EXPECT_EQ(items[16], "  [x] MIDI Thru");
  // In Split mode with a Combi address, the upper and Combi items appear.
  p.Set(kProgramNumber, p.Normalized(kProgramNumber, 80));
  p.Set(kKeyboardMode, p.Normalized(kKeyboardMode, kSplit));
  p.graphics->QueueMenuDismiss();
  p.Click(MenuButton());
  items = p.LastRequest(IGraphicsHeadless::kMenu)->items;
  EXPECT_EQ(items[3], "Load Upper PRG");
  EXPECT_EQ(items[4], "Load Combi PRG");
  // Init PRG asks first; No leaves the program alone.
  p.graphics->QueueMenuChoice(std::string("Init PRG"));
  p.graphics->QueueMessageBoxAnswer(kIDNO);
  p.Click(MenuButton());
  EXPECT_EQ(p.LastRequest(IGraphicsHeadless::kMessageBox)->caption, "Initialize PRG");
}

TEST(PanelControls, LearnSwitchArmsLearningAndRightClickFlipsTheMode) {
  Panel p;
  auto* learn = dynamic_cast<IVLSwitchMidiLearn*>(p.panel->LearnSwitch());
  ASSERT_NE(learn, nullptr);
  EXPECT_TRUE(learn->LearnMode());
  p.Click({816, 36});
  EXPECT_TRUE(p.plug->MidiLearnArmed());
  EXPECT_EQ(learn->GetValue(), 1.0);
  // Right click while on does nothing; a controller then a knob completes the learning.
  p.RightClick({816, 36});
  EXPECT_TRUE(learn->LearnMode());
  vst2::VstMidiEvent cc{};
  cc.type = vst2::kVstMidiType;
  cc.byteSize = sizeof(cc);
  cc.midiData[0] = static_cast<char>(0xB0);
  cc.midiData[1] = 20;
  cc.midiData[2] = 64;
  vst2::VstEvents events{};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<vst2::VstEvent*>(&cc);
  p.Dispatch(vst2::effProcessEvents, 0, 0, &events);
  p.DragVertically(KnobAt(437, 28), -5);
  EXPECT_FALSE(p.plug->MidiLearnArmed());
  EXPECT_EQ(p.plug->ControllerMapping(20), 72);
  EXPECT_EQ(learn->GetValue(), 0.0);
  // Off: the right click switches to unlearn, and a click then unlearns.
  p.RightClick({816, 36});
  EXPECT_FALSE(learn->LearnMode());
  p.Click({816, 36});
  p.DragVertically(KnobAt(437, 28), 5);
  EXPECT_EQ(p.plug->ControllerMapping(20), -1);
}

}  // namespace
}  // namespace pellory::paneltest
