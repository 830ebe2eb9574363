// What the plug-in object learns from its host: host kind and version, the vendor check, the
// transport. None of it is visible through the effect record, so these tests hold the object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/Pellory.h"

namespace pellory {
namespace {

using namespace vst2;

// The host's answers and a record of what it was asked. One host at a time: the tests run on
// one thread.
struct FakeHost {
  std::string product;
  std::string vendor;
  VstIntPtr vendorVersion = 0;
  VstIntPtr processLevel = 0;
  bool answerTime = true;
  VstTimeInfo time{};
  std::vector<VstInt32> asked;
  std::vector<VstIntPtr> timeFilters;

  int Count(VstInt32 opcode) const { return static_cast<int>(std::count(asked.begin(), asked.end(), opcode)); }
};
FakeHost* g_host = nullptr;

VstIntPtr VSTCALLBACK Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr value, void* ptr, float) {
  if (!g_host) return 0;
  g_host->asked.push_back(opcode);
  switch (opcode) {
    case audioMasterGetProductString:
      if (ptr) std::snprintf(static_cast<char*>(ptr), 64, "%s", g_host->product.c_str());
      return 1;
    case audioMasterGetVendorString:
      if (ptr) std::snprintf(static_cast<char*>(ptr), 64, "%s", g_host->vendor.c_str());
      return 1;
    case audioMasterGetVendorVersion:
      return g_host->vendorVersion;
    case audioMasterGetCurrentProcessLevel:
      return g_host->processLevel;
    case audioMasterGetTime:
      g_host->timeFilters.push_back(value);
      return g_host->answerTime ? reinterpret_cast<VstIntPtr>(&g_host->time) : 0;
    default:
      return 0;
  }
}

class HostCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    folder_ = std::filesystem::temp_directory_path() / ("pellory-host-test-" + std::to_string(rd()));
    std::filesystem::create_directories(folder_);
    g_host = &host;
  }
  void TearDown() override {
    plug.reset();
    g_host = nullptr;
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  Pellory& Create() {
    InstanceOptions options;
    options.configFolder = folder_.string();
    options.documentsFolder = folder_.string();
    options.mtsLibraryPath = (folder_ / "no-such-libMTS.so").string();
    plug = std::make_unique<Pellory>(&Callback, options);
    host.asked.clear();
    return *plug;
  }
  // The effect as a host sees it; effOpen identifies the host.
  void Open() { plug->GetEffect()->dispatcher(plug->GetEffect(), effOpen, 0, 0, nullptr, 0.0f); }

  FakeHost host;
  std::unique_ptr<Pellory> plug;
  std::filesystem::path folder_;
};

TEST(HostKindTable, ProductStringsInTableOrder) {
  struct Case {
    const char* product;
    int kind;
  };
  const Case cases[] = {
      {"Cubase", HostCubase},
      {"Steinberg CUBASE 12", HostCubase},
      {"REAPER", HostReaper},
      {"Live", HostLive},
      {"Ableton LIVE 11", HostLive},
      {"lIvE", HostLive},
      {"Deliverance Studio", HostLive},  // any "live" counts
      {"Cakewalk Live Edition", HostCakewalk},  // an earlier entry wins
      {"Reaper Live", HostReaper},
      {"Live with Cubase inside", HostCubase},
      {"Nuendo", HostNuendo},
      {"Samplitude Pro X", HostSamplitude},
      {"Fruity Wrapper", HostFruity},
      {"Melodyne", HostMelodyne},
      {"VSTManLib", HostVstManLib},
      {"AULab", HostAuLab},
      {"GarageBand", HostGarageBand},
      {"Forte 4", HostForte},
      {"Chainer", HostChainer},
      {"Adobe Audition", HostAudition},
      {"Orion Platinum", HostOrion},
      {"SAWStudio", HostSawStudio},
      {"Logic Pro", HostLogic},
      {"Digital Performer", HostDigital},
      {"AudioMulch", HostAudioMulch},
      {"PreSonus Studio One", HostPresonus},
      {"VST3PluginTestHost", HostVst3PluginTestHost},
      {"ProTools", HostProTools},
      {"Ardour", HostArdour},
      {"OpenMPT", HostOpenMpt},
      {"Renoise", HostRenoise},
      {"Standalone", HostStandalone},
      {"Bitwig Studio", HostUnknown},
      {"Pro Tools", HostUnknown},  // the table's text has no blank
      {"", HostUnknown},
  };
  for (const Case& c : cases) EXPECT_EQ(IPlugVST::HostKindFromProduct(c.product), c.kind) << c.product;
  EXPECT_EQ(IPlugVST::HostKindFromProduct(nullptr), HostUnknown);
}

TEST(HostKindTable, VersionPacking) {
  EXPECT_EQ(IPlugVST::PackHostVersion(10102), 0x010102);
  EXPECT_EQ(IPlugVST::PackHostVersion(120307), 0x0C0307);
  EXPECT_EQ(IPlugVST::PackHostVersion(2400), 0x001800);
  EXPECT_EQ(IPlugVST::PackHostVersion(0), 0);
  EXPECT_EQ(IPlugVST::PackHostVersion(-5), 0);
}

TEST_F(HostCalls, IdentificationAsksProductThenVersionOnce) {
  host.product = "Ableton Live 11";
  host.vendorVersion = 110307;
  Pellory& p = Create();
  EXPECT_EQ(p.GetHostVersion(), 0);
  Open();
  EXPECT_EQ(p.GetHostKind(), HostLive);
  EXPECT_EQ(p.GetHostVersion(), 0x0B0307);
  ASSERT_EQ(host.Count(audioMasterGetProductString), 1);
  EXPECT_EQ(host.Count(audioMasterGetVendorVersion), 1);
  // The product comes first.
  const auto product = std::find(host.asked.begin(), host.asked.end(), audioMasterGetProductString);
  const auto version = std::find(host.asked.begin(), host.asked.end(), audioMasterGetVendorVersion);
  EXPECT_LT(product, version);
  // Known from then on: neither asking again nor opening again goes to the host.
  host.product = "Cubase";
  Open();
  EXPECT_EQ(p.GetHostKind(), HostLive);
  EXPECT_EQ(host.Count(audioMasterGetProductString), 1);
}

TEST_F(HostCalls, CubaseAndUnknownHosts) {
  host.product = "cubase";
  host.vendorVersion = 120000;
  Create();
  Open();
  EXPECT_EQ(plug->GetHostKind(), HostCubase);
  EXPECT_EQ(plug->GetHostVersion(), 0x0C0000);

  host.product = "Some Future DAW";
  host.vendorVersion = 30000;
  Create();
  Open();
  EXPECT_EQ(plug->GetHostKind(), HostUnknown);
  EXPECT_EQ(plug->GetHostVersion(), 0x030000);
}

TEST_F(HostCalls, HostWithoutProductIsUnknownWithVersionZero) {
  host.product = "";
  host.vendorVersion = 50000;
  Create();
  Open();
  EXPECT_EQ(plug->GetHostKind(), HostUnknown);
  EXPECT_EQ(plug->GetHostVersion(), 0);
  EXPECT_EQ(host.Count(audioMasterGetVendorVersion), 0);

  // No callback at all.
  g_host = nullptr;
  InstanceOptions options;
  options.configFolder = folder_.string();
  options.documentsFolder = folder_.string();
  Pellory alone(nullptr, options);
  alone.GetEffect()->dispatcher(alone.GetEffect(), effOpen, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(alone.GetHostKind(), HostUnknown);
  EXPECT_EQ(alone.GetHostVersion(), 0);
  EXPECT_FALSE(alone.IsSpecialHost());
}

TEST_F(HostCalls, OpenKeepsTheChannelCounts) {
  for (const char* product : {"Forte", "Adobe Audition", "Orion", "SawStudio", "Reaper"}) {
    host.product = product;
    Create();
    Open();
    AEffect* e = plug->GetEffect();
    EXPECT_EQ(e->numInputs, 0) << product;
    EXPECT_EQ(e->numOutputs, 2) << product;
    VstSpeakerArrangement* in = nullptr;
    VstSpeakerArrangement* out = nullptr;
    e->dispatcher(e, effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out, 0.0f);
    ASSERT_TRUE(in && out);
    EXPECT_EQ(in->numChannels, 0);
    EXPECT_EQ(out->numChannels, 2);
  }
}

TEST_F(HostCalls, VendorCheckIsExactAndCached) {
  struct Case {
    const char* vendor;
    bool special;
  };
  const Case cases[] = {
      {"Native Instruments", true},      {"NATIVE INSTRUMENTS", true}, {"JUCE VST Host", true},
      {"juce vst host", true},           {"Native Instruments GmbH", false},
      {" Native Instruments", false},   {"JUCE", false},              {"", false},
      {"Steinberg Media Technologies", false},
  };
  for (const Case& c : cases) {
    host.vendor = c.vendor;
    Create();
    EXPECT_EQ(plug->IsSpecialHost(), c.special) << c.vendor;
    host.vendor = c.special ? "Other" : "Native Instruments";
    EXPECT_EQ(plug->IsSpecialHost(), c.special) << c.vendor;
    EXPECT_EQ(host.Count(audioMasterGetVendorString), 1) << c.vendor;
  }
}

TEST_F(HostCalls, RenderingOffline) {
  Create();
  host.processLevel = kVstProcessLevelOffline;
  EXPECT_TRUE(plug->IsRenderingOffline());
  for (VstIntPtr level : {0, 1, 2, 3, 5}) {
    host.processLevel = level;
    EXPECT_FALSE(plug->IsRenderingOffline()) << level;
  }
}

TEST_F(HostCalls, SamplePositionTempoAndTimeSignature) {
  Create();
  host.time.samplePos = 1234.5;
  host.time.tempo = 133.0;
  host.time.timeSigNumerator = 7;
  host.time.timeSigDenominator = 8;
  host.time.flags = kVstTempoValid | kVstTimeSigValid;
  EXPECT_EQ(plug->GetSamplePosition(), 1235);
  EXPECT_EQ(plug->GetTempo(), 133.0);
  int num = -1, den = -1;
  plug->GetTimeSignature(&num, &den);
  EXPECT_EQ(num, 7);
  EXPECT_EQ(den, 8);
  EXPECT_EQ(host.timeFilters, (std::vector<VstIntPtr>{0, kVstTempoValid, kVstTimeSigValid}));

  // Flags not set, negative or absurd values: 0.
  host.time.flags = 0;
  host.time.samplePos = -10.0;
  EXPECT_EQ(plug->GetSamplePosition(), 0);
  EXPECT_EQ(plug->GetTempo(), 0.0);
  plug->GetTimeSignature(&num, &den);
  EXPECT_EQ(num, 0);
  EXPECT_EQ(den, 0);
  host.time.flags = kVstTempoValid | kVstTimeSigValid;
  host.time.tempo = -1.0;
  host.time.timeSigDenominator = -4;
  EXPECT_EQ(plug->GetTempo(), 0.0);
  plug->GetTimeSignature(&num, &den);
  EXPECT_EQ(num, 0);
  host.time.tempo = std::numeric_limits<double>::quiet_NaN();
  host.time.samplePos = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(plug->GetTempo(), 0.0);
  EXPECT_EQ(plug->GetSamplePosition(), 0);
  host.time.samplePos = 1e300;
  EXPECT_EQ(plug->GetSamplePosition(), std::numeric_limits<int>::max());
  plug->GetTimeSignature(nullptr, nullptr);

  host.answerTime = false;
  EXPECT_EQ(plug->GetSamplePosition(), 0);
  EXPECT_EQ(plug->GetTempo(), 0.0);
}

TEST_F(HostCalls, TimeInfoTakesOnlyValidFields) {
  Create();
  VstTimeInfo& t = host.time;
  t.samplePos = 96000.0;
  t.ppqPos = 8.5;
  t.tempo = 140.0;
  t.barStartPos = 8.0;
  t.cycleStartPos = 4.0;
  t.cycleEndPos = 12.0;
  t.timeSigNumerator = 3;
  t.timeSigDenominator = 4;
  t.flags = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid |
            kVstTransportPlaying | kVstTransportCycleActive;
  TimeInfo info;
  plug->GetTimeInfo(&info);
  EXPECT_EQ(host.timeFilters.back(), 0x3E00);
  EXPECT_EQ(info.samplePosition, 96000.0);
  EXPECT_EQ(info.ppqPosition, 8.5);
  EXPECT_EQ(info.tempo, 140.0);
  EXPECT_EQ(info.lastBarStart, 8.0);
  EXPECT_EQ(info.cycleStart, 4.0);
  EXPECT_EQ(info.cycleEnd, 12.0);
  EXPECT_EQ(info.numerator, 3);
  EXPECT_EQ(info.denominator, 4);
  EXPECT_TRUE(info.transportPlaying);
  EXPECT_TRUE(info.cycleActive);

  // Only the tempo valid: everything else keeps what the caller had; transport flags are read.
  t.flags = kVstTempoValid;
  t.tempo = 90.0;
  TimeInfo partial;
  plug->GetTimeInfo(&partial);
  EXPECT_EQ(partial.tempo, 90.0);
  EXPECT_EQ(partial.samplePosition, 96000.0);
  EXPECT_EQ(partial.ppqPosition, TimeInfo().ppqPosition);
  EXPECT_EQ(partial.numerator, TimeInfo().numerator);
  EXPECT_FALSE(partial.transportPlaying);

  // Bad values are refused field by field.
  t.flags = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;
  t.ppqPos = -1.0;
  t.tempo = 0.0;
  t.barStartPos = std::numeric_limits<double>::quiet_NaN();
  t.cycleStartPos = 2.0;
  t.cycleEndPos = -2.0;
  t.timeSigNumerator = 0;
  TimeInfo refused = info;
  plug->GetTimeInfo(&refused);
  EXPECT_EQ(refused.ppqPosition, 8.5);
  EXPECT_EQ(refused.tempo, 140.0);
  EXPECT_EQ(refused.lastBarStart, 8.0);
  EXPECT_EQ(refused.cycleStart, 4.0);
  EXPECT_EQ(refused.cycleEnd, 12.0);
  EXPECT_EQ(refused.numerator, 3);

  // None of the five flags, or no answer: untouched.
  t.flags = kVstTransportPlaying | kVstNanosValid;
  t.samplePos = 1.0;
  TimeInfo untouched = info;
  plug->GetTimeInfo(&untouched);
  EXPECT_EQ(untouched.samplePosition, 96000.0);
  EXPECT_TRUE(untouched.cycleActive);
  host.answerTime = false;
  plug->GetTimeInfo(&untouched);
  EXPECT_EQ(untouched.samplePosition, 96000.0);
  plug->GetTimeInfo(nullptr);
}

TEST_F(HostCalls, MidiAndSysExOutput) {
  Create();
  IMidiMessage m;
  m.offset = 17;
  m.status = 0x93;
  m.data1 = 61;
  m.data2 = 5;
  // The test host answers 0 to events: the send reports that.
  EXPECT_FALSE(plug->SendMidiMessage(m));
  EXPECT_EQ(host.Count(audioMasterProcessEvents), 1);
  ISysExMessage none;
  EXPECT_FALSE(plug->SendSysEx(none));
  EXPECT_EQ(host.Count(audioMasterProcessEvents), 1);
}

TEST(ChunkHeader, MakeAndRead) {
  StateChunk chunk;
  chunk.PutInt(99);
  IPlugVST::MakeChunkHeader(chunk);
  ASSERT_EQ(chunk.Size(), 8);
  const uint8_t expected[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  EXPECT_EQ(std::memcmp(chunk.Data(), expected, 8), 0);
  int position = 0;
  EXPECT_EQ(IPlugVST::ReadChunkHeader(chunk, position), 0x10000);
  EXPECT_EQ(position, 8);

  // At another position, inside a longer chunk.
  StateChunk longer;
  longer.PutInt(5);
  longer.PutBytes(expected, 8);
  position = 4;
  EXPECT_EQ(IPlugVST::ReadChunkHeader(longer, position), 0x10000);
  EXPECT_EQ(position, 12);

  // No magic: 0, position unchanged (also when fewer than 4 bytes remain).
  StateChunk other;
  other.PutInt(0x70666675);
  other.PutInt(0x10000);
  position = 0;
  EXPECT_EQ(IPlugVST::ReadChunkHeader(other, position), 0);
  EXPECT_EQ(position, 0);
  StateChunk tiny;
  tiny.PutByte(0x74);
  position = 0;
  EXPECT_EQ(IPlugVST::ReadChunkHeader(tiny, position), 0);
  EXPECT_EQ(position, 0);

  // The magic with its version cut off: 0 and -1.
  StateChunk cut;
  cut.PutBytes(expected, 6);
  position = 0;
  EXPECT_EQ(IPlugVST::ReadChunkHeader(cut, position), 0);
  EXPECT_EQ(position, -1);
}

}  // namespace
}  // namespace pellory
