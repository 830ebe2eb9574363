// The effect record and the dispatcher's answers, asked the way a host asks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "TestHost.h"

namespace plugtest {
namespace {

using namespace vst2;

constexpr int kNumParams = 77;
constexpr int kKeyboardMode = 58;
constexpr int kLowerVolume = 59;
constexpr int kTune = 57;
constexpr int kPitchBendRange = 74;

TEST(EffectRecord, IsFilledAsHostsExpectIt) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  const AEffect* e = host.Effect();
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_TRUE(e->dispatcher && e->process && e->processReplacing && e->processDoubleReplacing);
  EXPECT_TRUE(e->setParameter && e->getParameter);
  EXPECT_EQ(e->numPrograms, 1);
  EXPECT_EQ(e->numParams, kNumParams);
  EXPECT_EQ(e->numInputs, 0);
  EXPECT_EQ(e->numOutputs, 2);
  // The editor flag comes with the editor; everything else is fixed.
  EXPECT_EQ(e->flags & ~effFlagsHasEditor,
            effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing | effFlagsIsSynth);
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_NE(e->object, nullptr);
  EXPECT_EQ(e->uniqueID, 0x766C2D31);
  EXPECT_EQ(e->version, 10102);
  EXPECT_EQ(e->resvd1, 0);
  EXPECT_EQ(e->resvd2, 0);
  EXPECT_EQ(e->realQualities, 0);
  EXPECT_EQ(e->offQualities, 0);
  for (char c : e->future) ASSERT_EQ(c, 0);
}

TEST(EffectRecord, BothEntryPointsCreateIndependentInstances) {
  typedef AEffect* (*EntryProc)(audioMasterCallback);
  EntryProc vstMain = reinterpret_cast<EntryProc>(Module::Get().Symbol("VSTPluginMain"));
  EntryProc legacyMain = reinterpret_cast<EntryProc>(Module::Get().Symbol("main"));
  ASSERT_NE(vstMain, nullptr);
  ASSERT_NE(legacyMain, nullptr);
  // A host without a callback still gets a working effect.
  AEffect* a = vstMain(nullptr);
  AEffect* b = legacyMain(nullptr);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a, b);
  EXPECT_EQ(b->magic, kEffectMagic);
  a->setParameter(a, kKeyboardMode, 1.0f);
  EXPECT_EQ(a->getParameter(a, kKeyboardMode), 1.0f);
  EXPECT_EQ(b->getParameter(b, kKeyboardMode), 0.0f);
  a->dispatcher(a, effClose, 0, 0, nullptr, 0.0f);
  b->dispatcher(b, effClose, 0, 0, nullptr, 0.0f);
}

TEST(Dispatcher, AnswersTheFixedQueries) {
  TestHost host;
  host.Start();
  EXPECT_EQ(host.Dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(host.Dispatch(effGetVendorVersion), 10102);
  EXPECT_EQ(host.Dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(host.Dispatch(effGetPlugCategory), kPlugCategSynth);
  EXPECT_EQ(host.Dispatch(effGetTailSize), 0);
  EXPECT_EQ(host.Dispatch(effGetProgram), 0);
  EXPECT_EQ(host.Dispatch(effProcessVarIo), 0);
  for (int i : {0, 40, 76, 77, -1}) EXPECT_EQ(host.Dispatch(effCanBeAutomated, i), 1) << i;
  // Opcodes we do not handle, and everything past the last one we know, answer 0.
  for (VstInt32 op : std::vector<VstInt32>{effGetVu, effEditDraw, effGetNumProgramCategories, effCopyProgram, effSetBypass,
                      effGetErrorText, effGetIcon, effKeysRequired, effBeginSetProgram, 70, 71, 77, 79, 1000, -3})
    EXPECT_EQ(host.Dispatch(op, 1, 1, nullptr, 1.0f), 0) << "opcode " << op;
}

TEST(Dispatcher, CanDoAnswers) {
  TestHost host;
  host.Start();
  auto canDo = [&](const char* text) { return host.Dispatch(effCanDo, 0, 0, const_cast<char*>(text)); };
  EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
  EXPECT_EQ(canDo("sendVstEvents"), 1);
  EXPECT_EQ(canDo("sendVstMidiEvent"), 1);
  EXPECT_EQ(canDo("receiveVstEvents"), 1);
  EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
  EXPECT_EQ(canDo("hasCockosExtensions"), static_cast<VstIntPtr>(0xBEEF0000u));
  // The extension answer changes nothing for the questions that follow.
  EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
  EXPECT_EQ(canDo("hasCockosViewAsConfig"), static_cast<VstIntPtr>(0xBEEF0000u));
  EXPECT_EQ(canDo("sendVstMidiEvent"), 1);
  // Exact, case-sensitive comparison; anything else is 0.
  EXPECT_EQ(canDo("ReceiveVstMidiEvent"), 0);
  EXPECT_EQ(canDo("receiveVstMidiEvent "), 0);
  EXPECT_EQ(canDo("bypass"), 0);
  EXPECT_EQ(canDo("offline"), 0);
  EXPECT_EQ(canDo(""), 0);
  EXPECT_EQ(host.Dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST(Dispatcher, IdentityTextsStayWithinTheirLimits) {
  TestHost host;
  host.Start();
  VstIntPtr answer = 0;
  EXPECT_EQ(host.Text(effGetEffectName, 0, kVendorTextBytes, &answer), "Pellory");
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(host.Text(effGetVendorString, 0, kVendorTextBytes, &answer), "Velloran Music");
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(host.Text(effGetProductString, 0, kVendorTextBytes, &answer), "");
  EXPECT_EQ(answer, 1);
  for (VstInt32 op : {effGetEffectName, effGetVendorString, effGetProductString})
    EXPECT_EQ(host.Dispatch(op, 0, 0, nullptr), 0) << op;
}

TEST(Dispatcher, ParameterNamesDisplaysAndLabels) {
  TestHost host;
  host.Start();
  EXPECT_EQ(host.Text(effGetParamName, 0), "LFO 1 Waveform");
  EXPECT_EQ(host.Text(effGetParamName, kKeyboardMode), "Keyboard Mode");
  EXPECT_EQ(host.Text(effGetParamName, 76), "Detune Init");
  EXPECT_EQ(host.Text(effGetParamDisplay, kKeyboardMode), "Single");
  EXPECT_EQ(host.Text(effGetParamDisplay, kPitchBendRange), "2");
  EXPECT_EQ(host.Text(effGetParamDisplay, 61), "50:50");
  // Parameters that show a text have no unit; none of ours has a label.
  for (int i = 0; i < kNumParams; ++i) {
    EXPECT_FALSE(host.Text(effGetParamName, i).empty()) << i;
    EXPECT_FALSE(host.Text(effGetParamDisplay, i).empty()) << i;
    EXPECT_EQ(host.Text(effGetParamLabel, i), "") << i;
  }
  // The display follows automation.
  host.Set(kKeyboardMode, 1.0f);
  EXPECT_EQ(host.Text(effGetParamDisplay, kKeyboardMode), "Double");
  host.Set(kLowerVolume, 0.0f);
  EXPECT_EQ(host.Text(effGetParamDisplay, kLowerVolume), "-oo");

  // An index outside 0..76 leaves the buffer as it was.
  for (VstInt32 op : {effGetParamName, effGetParamDisplay, effGetParamLabel})
    for (int index : {-1, kNumParams, 1 << 30}) {
      char buffer[32];
      std::memset(buffer, 'x', sizeof buffer);
      host.Dispatch(op, index, 0, buffer);
      EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(32, 'x')) << op << " " << index;
      EXPECT_EQ(host.Dispatch(op, 0, 0, nullptr), 0);
    }
}

TEST(Dispatcher, String2ParameterMatchesDisplayTextsExactly) {
  TestHost host;
  host.Start();
  auto parse = [&](int index, const char* text) {
    return host.Dispatch(effString2Parameter, index, 0, const_cast<char*>(text));
  };
  EXPECT_EQ(parse(kKeyboardMode, "Split"), 1);
  EXPECT_EQ(host.Get(kKeyboardMode), 0.5f);
  EXPECT_EQ(host.Text(effGetParamDisplay, kKeyboardMode), "Split");
  EXPECT_EQ(parse(kKeyboardMode, "split"), 0);
  EXPECT_EQ(parse(kKeyboardMode, "1"), 0);
  EXPECT_EQ(host.Get(kKeyboardMode), 0.5f);
  EXPECT_EQ(parse(kKeyboardMode, "Double"), 1);
  EXPECT_EQ(host.Get(kKeyboardMode), 1.0f);

  // Numbers for parameters without texts, clamped into the range.
  EXPECT_EQ(parse(kPitchBendRange, "12"), 1);
  EXPECT_EQ(host.Text(effGetParamDisplay, kPitchBendRange), "12");
  EXPECT_FLOAT_EQ(host.Get(kPitchBendRange), 0.5f);
  EXPECT_EQ(parse(kPitchBendRange, "99"), 1);
  EXPECT_EQ(host.Get(kPitchBendRange), 1.0f);
  EXPECT_EQ(parse(kTune, "-0.5"), 1);
  EXPECT_FLOAT_EQ(host.Get(kTune), 0.25f);

  // No text: answered 1 without effect. Bad index: 0.
  const std::vector<float> before = host.AllParameters();
  EXPECT_EQ(host.Dispatch(effString2Parameter, kKeyboardMode, 0, nullptr), 1);
  EXPECT_EQ(parse(-1, "Split"), 0);
  EXPECT_EQ(parse(kNumParams, "1"), 0);
  EXPECT_EQ(host.AllParameters(), before);
}

TEST(Dispatcher, String2ParameterTakesWhatTheDisplayShows) {
  TestHost host;
  host.Start();
  auto type = [&](int index, const char* text) {
    return host.Dispatch(effString2Parameter, index, 0, const_cast<char*>(text));
  };
  // The text a host shows, typed back, sets the value it was shown for.
  for (int index : {kTune, kLowerVolume, kLowerVolume + 2, 72}) {
    host.Set(index, 0.3f);
    const std::string shown = host.Text(effGetParamDisplay, index);
    host.Set(index, 1.0f);
    EXPECT_EQ(type(index, shown.c_str()), 1);
    EXPECT_EQ(host.Text(effGetParamDisplay, index), shown) << index;
  }
  EXPECT_EQ(type(kLowerVolume, "-6.0"), 1);  // once read as plain -6: silence
  EXPECT_FLOAT_EQ(host.Get(kLowerVolume), 0.5f);
  EXPECT_EQ(type(kTune, "25"), 1);  // cents, not a plain 25 clamped to the top
  EXPECT_FLOAT_EQ(host.Get(kTune), 0.75f);
}

TEST(Dispatcher, VendorSpecificDisplayAndSteppedQueries) {
  TestHost host;
  host.Start();
  VstIntPtr answer = 0;
  // 7: the display text of a parameter for a normalised value, without changing it.
  EXPECT_EQ(host.Text(effVendorSpecific, 7, 32, &answer, kKeyboardMode, 0.5f), "Split");
  EXPECT_EQ(answer, 0xBEEF);
  EXPECT_EQ(host.Text(effVendorSpecific, 7, 32, &answer, kLowerVolume, 0.0f), "-oo");
  EXPECT_EQ(host.Get(kKeyboardMode), 0.0f);
  EXPECT_EQ(host.Text(effVendorSpecific, 7, 32, &answer, kPitchBendRange, 0.25f), "6");
  // An invalid parameter still answers 0xBEEF and leaves the buffer alone.
  char buffer[32];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, kNumParams, buffer, 0.5f), 0xBEEF);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(32, 'x'));
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, kKeyboardMode, nullptr, 0.5f), 0);

  // 8: 0xBEEF for stepped (non-double) parameters only.
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, kKeyboardMode), 0xBEEF);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, kPitchBendRange), 0xBEEF);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, kLowerVolume), 0);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, kTune), 0);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, kNumParams), 0);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, -1), 0);
  // Anything else: 0.
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 0, kKeyboardMode, buffer), 0);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 9, kKeyboardMode, buffer), 0);
}

TEST(Dispatcher, PinPropertiesDescribeOneStereoOutputPair) {
  TestHost host;
  host.Start();
  VstPinProperties pin{};
  ASSERT_EQ(host.Dispatch(effGetOutputProperties, 0, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Output 1");
  EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
  pin = VstPinProperties{};
  ASSERT_EQ(host.Dispatch(effGetOutputProperties, 1, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Output 2");
  EXPECT_EQ(pin.flags, kVstPinIsActive);
  // No third output and no inputs at all; a missing structure is refused.
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, 2, 0, &pin), 0);
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, -1, 0, &pin), 0);
  EXPECT_EQ(host.Dispatch(effGetInputProperties, 0, 0, &pin), 0);
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, 0, 0, nullptr), 0);
}

TEST(Dispatcher, SpeakerArrangementsAndOutputConnection) {
  TestHost host;
  host.Start();
  VstSpeakerArrangement* in = nullptr;
  VstSpeakerArrangement* out = nullptr;
  ASSERT_EQ(host.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  ASSERT_TRUE(in && out);
  EXPECT_EQ(in->type, kSpeakerArrEmpty);
  EXPECT_EQ(in->numChannels, 0);
  EXPECT_EQ(out->type, kSpeakerArrStereo);
  EXPECT_EQ(out->numChannels, 2);
  EXPECT_EQ(host.Dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 1);

  // A mono output arrangement connects only the first output: the second host buffer stays as the
  // host left it. Back to stereo, both are written again.
  auto render = [&](std::vector<float>& l, std::vector<float>& r) {
    l.assign(256, 7.0f);
    r.assign(256, 7.0f);
    float* outputs[2] = {l.data(), r.data()};
    host.Effect()->processReplacing(host.Effect(), nullptr, outputs, 256);
  };
  VstSpeakerArrangement mono{};
  mono.type = kSpeakerArrMono;
  mono.numChannels = 1;
  VstSpeakerArrangement empty{};
  empty.type = kSpeakerArrEmpty;
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&empty), &mono), 1);
  std::vector<float> l, r;
  render(l, r);
  EXPECT_NE(l[0], 7.0f);
  EXPECT_EQ(r, std::vector<float>(256, 7.0f));

  VstSpeakerArrangement stereo{};
  stereo.type = kSpeakerArrStereo;
  stereo.numChannels = 2;
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, 0, &stereo), 1);
  render(l, r);
  EXPECT_NE(r[0], 7.0f);
  // Nonsense channel counts connect no more than exist and no fewer than none.
  VstSpeakerArrangement odd{};
  odd.numChannels = -4;
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&odd), &odd), 1);
  odd.numChannels = 1000;
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&odd), &odd), 1);
  render(l, r);
  EXPECT_NE(l[0], 7.0f);
  EXPECT_NE(r[0], 7.0f);
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, 0, nullptr), 1);
}

TEST(Dispatcher, ProgramNamesAndSelection) {
  TestHost host;
  host.Start();
  VstIntPtr answer = 0;
  EXPECT_EQ(host.Text(effGetProgramName, 0, kProgramNameBytes), "Pellory");
  EXPECT_EQ(host.Text(effGetProgramNameIndexed, 0, kProgramNameBytes, &answer, -1), "Pellory");
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(host.Text(effGetProgramNameIndexed, 1, kProgramNameBytes, &answer, -1), "");
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 0, -1, nullptr), 0);

  char name[] = "Strings & Brass";
  host.Dispatch(effSetProgramName, 0, 0, name);
  EXPECT_EQ(host.Text(effGetProgramName, 0, kProgramNameBytes), "Strings & Brass");
  EXPECT_EQ(host.Text(effGetProgramNameIndexed, 0, kProgramNameBytes, &answer, -1), "Strings & Brass");
  // Longer names are kept but handed out cut to the program-name limit.
  char longName[] = "A program name far longer than twenty-four characters";
  host.Dispatch(effSetProgramName, 0, 0, longName);
  EXPECT_EQ(host.Text(effGetProgramName, 0, kProgramNameBytes), std::string(longName, kProgramNameBytes - 1));
  host.Dispatch(effSetProgramName, 0, 0, nullptr);
  EXPECT_EQ(host.Text(effGetProgramName, 0, kProgramNameBytes), std::string(longName, kProgramNameBytes - 1));

  // Selecting the one program reloads what was stored into it; a slot that does not exist is
  // refused and the current one stays.
  host.Set(kKeyboardMode, 0.5f);
  host.Dispatch(effSetProgram, 0, 0);
  EXPECT_EQ(host.Get(kKeyboardMode), 0.5f);
  EXPECT_EQ(host.Dispatch(effGetProgram), 0);
  for (VstIntPtr bad : {VstIntPtr(1), VstIntPtr(-1), VstIntPtr(99)}) {
    host.Dispatch(effSetProgram, 0, bad);
    EXPECT_EQ(host.Dispatch(effGetProgram), 0);
  }
}

TEST(Dispatcher, EditorRequestsWithoutAnEditor) {
  TestHost host;
  host.Start();
  const bool hasEditor = (host.Effect()->flags & effFlagsHasEditor) != 0;
  ERect* rect = reinterpret_cast<ERect*>(0x1);
  const VstIntPtr answer = host.Dispatch(effEditGetRect, 0, 0, &rect);
  if (hasEditor) {
    EXPECT_EQ(answer, 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_GT(rect->right - rect->left, 0);
    EXPECT_GT(rect->bottom - rect->top, 0);
  } else {
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(rect, reinterpret_cast<ERect*>(0x1));
    EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(host.Dispatch(effEditClose), 0);
  }
  EXPECT_EQ(host.Dispatch(effEditGetRect, 0, 0, nullptr), 0);
  EXPECT_EQ(host.Dispatch(effEditIdle), 0);
  EXPECT_EQ(host.Dispatch(effIdle), 0);
}

TEST(Dispatcher, MidiKeyNamesAreEmpty) {
  TestHost host;
  host.Start();
  MidiKeyName key{};
  key.thisKeyNumber = 60;
  std::strcpy(key.keyName, "stale");
  EXPECT_EQ(host.Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_STREQ(key.keyName, "");
  EXPECT_EQ(host.Dispatch(effGetMidiKeyName, 0, 0, nullptr), 0);
}

TEST(Dispatcher, OpenIdentifiesTheHostOnceWithItsProductAndVersion) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(host.CallCount(audioMasterGetProductString), 0);
  host.Dispatch(effOpen);
  host.Dispatch(effOpen);
  EXPECT_EQ(host.CallCount(audioMasterGetProductString), 1);
  EXPECT_EQ(host.CallCount(audioMasterGetVendorVersion), 1);
  // The vendor is asked only with the first chunk request.
  EXPECT_EQ(host.CallCount(audioMasterGetVendorString), 0);

  TestHost silent;
  silent.product = "";
  ASSERT_TRUE(silent.Create());
  silent.Dispatch(effOpen);
  EXPECT_EQ(silent.CallCount(audioMasterGetProductString), 1);
  EXPECT_EQ(silent.CallCount(audioMasterGetVendorVersion), 0);
}

TEST(Dispatcher, PlugInUsesOnlyItsHostOpcodes) {
  TestHost host;
  host.Start();
  std::vector<float> l, r;
  host.SendMidi({{0, 0x90, 60, 100}, {10, 0xB0, 1, 64}, {20, 0xC0, 3, 0}});
  host.Render(TestHost::Path::kReplacing, 512, l, r);
  host.Render(TestHost::Path::kDouble, 512, l, r);
  host.Set(3, 0.5f);
  host.GetChunk(true);
  host.SetChunk(false, host.GetChunk(false));
  host.Dispatch(effSetProgram, 0, 0);
  host.Close();
  const std::vector<VstInt32> allowed = {audioMasterAutomate, audioMasterWantMidi,
                                         audioMasterGetTime, audioMasterProcessEvents,
                                         audioMasterGetCurrentProcessLevel, audioMasterGetVendorString,
                                         audioMasterGetProductString, audioMasterGetVendorVersion,
                                         audioMasterUpdateDisplay, audioMasterBeginEdit,
                                         audioMasterEndEdit};
  for (const HostCall& call : host.Calls())
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), call.opcode), allowed.end()) << call.opcode;
}

TEST(Dispatcher, HostAutomationIsNotEchoedBack) {
  TestHost host;
  host.Start();
  host.ClearRecord();
  // Sound and global settings; program selection (which announces what it loads) aside.
  for (int i = 0; i < 77; ++i)
    if (i < 53 || i > 69) host.Set(i, 0.75f);
  EXPECT_EQ(host.CallCount(audioMasterAutomate), 0);
}

TEST(Dispatcher, NullObjectIsRefused) {
  // A record whose object is gone answers nothing and touches nothing.
  TestHost host;
  ASSERT_TRUE(host.Create());
  AEffect copy = *host.Effect();
  copy.object = nullptr;
  char text[8] = "x";
  EXPECT_EQ(copy.dispatcher(&copy, effGetEffectName, 0, 0, text, 0.0f), 0);
  EXPECT_EQ(copy.dispatcher(&copy, effIdentify, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(copy.dispatcher(&copy, effClose, 0, 0, nullptr, 0.0f), 0);
  EXPECT_STREQ(text, "x");
  EXPECT_EQ(copy.getParameter(&copy, 0), 0.0f);
  copy.setParameter(&copy, 0, 1.0f);
  float buffer[4] = {1, 2, 3, 4};
  float* outs[2] = {buffer, buffer + 2};
  copy.processReplacing(&copy, nullptr, outs, 2);
  EXPECT_EQ(buffer[0], 1.0f);
}

}  // namespace
}  // namespace plugtest
