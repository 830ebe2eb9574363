// The plug-in's side of the editor: every way a value changes outside the editor reaches the
// controls, the editor rectangle, resizing, the deferred refresh and the MIDI-learn switch.
#include <gtest/gtest.h>

#include <vector>

#include "EditorSupport.h"

namespace pellory::edtest {
namespace {

using namespace vst2;
constexpr int kCutoff = 16;

const drawing::Image& Strip() {
  static const drawing::Image strip = MakeStrip(65, 8, 8);
  return strip;
}

// One knob per parameter, laid out in a grid.
std::vector<IControl*> AddKnobs(IGraphics& g, IPlugBase* plug) {
  std::vector<IControl*> knobs;
  for (int i = 0; i < kNumParameters; ++i) {
    auto* knob = new IKnobMultiControl(plug, (i % 20) * 10, (i / 20) * 10, i, IBitmap(&Strip(), 8, 8 * 65, 65));
    g.AddControl(knob);
    knobs.push_back(knob);
  }
  return knobs;
}

// Indices whose knob does not show its parameter's value.
std::vector<int> Mismatches(IPlugBase& plug, const std::vector<IControl*>& knobs) {
  std::vector<int> bad;
  for (int i = 0; i < kNumParameters; ++i)
    if (std::abs(knobs[i]->GetValue() - plug.GetParameter(i)->GetNormalized()) > 1e-9) bad.push_back(i);
  return bad;
}

TEST(Attach, PushesEveryValueAndSetsTheEditorRectangle) {
  Instance in;
  EXPECT_NE(in.Effect()->flags & effFlagsHasEditor, 0);
  ERect* rect = nullptr;
  ASSERT_EQ(in.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right - rect->left, 1152);
  EXPECT_EQ(rect->bottom - rect->top, 440);
  EXPECT_EQ(in.Surface().GetSurface().Width(), 1152);

  // A surface attached later receives every value; each value is also its knob's default.
  IGraphicsHeadless other(in.plug.get(), 300, 100);
  const std::vector<IControl*> knobs = AddKnobs(other, in.plug.get());
  in.plug->AttachEditor(&other);
  EXPECT_TRUE(Mismatches(*in.plug, knobs).empty());
  EXPECT_DOUBLE_EQ(knobs[kVcfResonance]->GetDefaultValue(), in.plug->GetParameter(kVcfResonance)->GetNormalized());
  EXPECT_TRUE(other.GetSurface().Valid());
  in.plug->AttachEditor(in.plug->Editor());
}

TEST(Paths, EveryOutsideChangeMovesTheControls) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  const std::vector<IControl*> knobs = AddKnobs(g, in.plug.get());
  in.plug->RefreshEditorParameters();
  EXPECT_TRUE(Mismatches(*in.plug, knobs).empty());

  // Host automation: the control follows, and the host is not told back.
  in.Effect()->setParameter(in.Effect(), kCutoff, 0.25f);
  EXPECT_NEAR(knobs[kCutoff]->GetValue(), 0.25, 1e-6);
  EXPECT_EQ(HostRecorder::Get().Count(audioMasterAutomate), 0);
  in.Effect()->setParameter(in.Effect(), 500, 0.25f);

  // Text from the host.
  char text[] = "Double";
  EXPECT_EQ(in.Dispatch(effString2Parameter, kKeyboardMode, 0, text), 1);
  EXPECT_EQ(knobs[kKeyboardMode]->GetValue(), 1.0);
  char number[] = "40";
  EXPECT_EQ(in.Dispatch(effString2Parameter, kVcfResonance, 0, number), 1);
  EXPECT_NEAR(knobs[kVcfResonance]->GetValue(), 40.0 / 63.0, 1e-12);

  // A program change: program logic sets many values through SetParameterAndNotify.
  in.plug->HandleMidiMessage(IMidiMessage{0, 0xC0, 4, 0});
  EXPECT_EQ(in.plug->GetParameter(kProgramNumber)->Value(), 5.0);
  EXPECT_TRUE(Mismatches(*in.plug, knobs).empty());

  // A controller bound by MIDI learn, applied at the next control block.
  in.plug->SetSampleRate(44100.0);
  in.plug->Reset();
  in.plug->SetControllerMapping(20, kVcfResonance);
  in.plug->HandleMidiMessage(IMidiMessage{0, 0xB0, 20, 127});
  std::vector<double> left(256), right(256);
  double* outs[2] = {left.data(), right.data()};
  in.plug->ProcessBlock(nullptr, outs, 256);
  EXPECT_EQ(in.plug->GetParameter(kVcfResonance)->Value(), 63.0);
  EXPECT_EQ(knobs[kVcfResonance]->GetValue(), 1.0);

  // A chunk restore puts back the controls with the values.
  in.Effect()->setParameter(in.Effect(), kLfo1Delay, 0.2f);
  void* data = nullptr;
  const VstIntPtr size = in.Dispatch(effGetChunk, 1, 0, &data);
  ASSERT_GT(size, 0);
  const std::vector<unsigned char> saved(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
  in.Effect()->setParameter(in.Effect(), kLfo1Delay, 0.9f);
  in.plug->SetParameterAndNotify(kKeyboardMode, 0);
  ASSERT_EQ(in.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(saved.size()),
                        const_cast<unsigned char*>(saved.data())), 1);
  EXPECT_TRUE(Mismatches(*in.plug, knobs).empty());
  EXPECT_NEAR(knobs[kLfo1Delay]->GetValue(), 13.0 / 63.0, 1e-12);
}

TEST(Idle, RefreshesOnlyWhileTheWindowIsOpenAndOnlyOnce) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  const std::vector<IControl*> knobs = AddKnobs(g, in.plug.get());
  // A state restore leaves the refresh to the idle call.
  void* data = nullptr;
  const VstIntPtr size = in.Dispatch(effGetChunk, 1, 0, &data);
  const std::vector<unsigned char> saved(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
  ASSERT_EQ(in.Dispatch(effSetChunk, 1, size, const_cast<unsigned char*>(saved.data())), 1);
  ASSERT_TRUE(in.plug->EditorRefreshPending());
  while (g.Tick()) {
  }
  HostRecorder::Get().Clear();
  in.Dispatch(effEditIdle);
  EXPECT_EQ(HostRecorder::Get().Count(audioMasterAutomate), 0);
  EXPECT_TRUE(in.plug->EditorRefreshPending());

  g.OpenWindow(nullptr);
  while (g.Tick()) {
  }
  in.Dispatch(effEditIdle);
  EXPECT_FALSE(in.plug->EditorRefreshPending());
  EXPECT_EQ(HostRecorder::Get().Count(audioMasterAutomate), kNumParameters);
  for (IControl* knob : knobs) EXPECT_TRUE(knob->IsDirty());
  in.Dispatch(effEditIdle);
  EXPECT_EQ(HostRecorder::Get().Count(audioMasterAutomate), kNumParameters);
}

TEST(Resize, TheHostLearnsTheNewSize) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  g.Resize(1152, 440);
  EXPECT_EQ(HostRecorder::Get().Count(audioMasterSizeWindow), 0);
  g.Resize(800, 300);
  ERect* rect = nullptr;
  ASSERT_EQ(in.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right, 800);
  EXPECT_EQ(rect->bottom, 300);
  const auto calls = HostRecorder::Get().Calls();
  ASSERT_EQ(HostRecorder::Get().Count(audioMasterSizeWindow), 1);
  for (const HostCallRecord& c : calls)
    if (c.opcode == audioMasterSizeWindow) {
      EXPECT_EQ(c.index, 800);
      EXPECT_EQ(c.value, 300);
    }
  EXPECT_EQ(g.GetSurface().Width(), 800);
  EXPECT_EQ(g.GetSurface().Height(), 300);
}

TEST(Learn, TheSwitchGoesOffWhenAStepEndsLearning) {
  Instance in;
  IGraphicsHeadless& g = in.Surface();
  static const drawing::Image led = MakeStrip(2, 48, 24);
  auto* learn = new ISwitchControl(in.plug.get(), 792, 24, -78, IBitmap(&led, 48, 48, 2));
  g.AddControl(learn);
  in.plug->SetMidiLearnSwitch(learn);
  g.Click(800, 30);
  ASSERT_EQ(learn->GetValue(), 1.0);
  in.plug->ArmMidiLearn(true, false);
  while (g.Tick()) {
  }
  // A controller first: learning waits, the switch stays on.
  in.plug->HandleMidiMessage(IMidiMessage{0, 0xB0, 21, 10});
  EXPECT_TRUE(in.plug->MidiLearnArmed());
  EXPECT_EQ(learn->GetValue(), 1.0);
  // Then a parameter: bound, disarmed, the switch off and redrawn.
  in.plug->SetParameterAndNotify(kCutoff, 10);
  EXPECT_FALSE(in.plug->MidiLearnArmed());
  EXPECT_EQ(in.plug->ControllerMapping(21), kCutoff);
  EXPECT_EQ(learn->GetValue(), 0.0);
  EXPECT_TRUE(learn->IsDirty());
  in.plug->SetMidiLearnSwitch(nullptr);
}

}  // namespace
}  // namespace pellory::edtest
