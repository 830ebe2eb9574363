// Saving and restoring the plug-in's state through effGetChunk and effSetChunk.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "TestHost.h"

namespace plugtest {
namespace {

using namespace vst2;

const std::vector<uint8_t> kHeader = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};

// Settings that program selection never rewrites, with values away from their defaults.
const std::vector<std::pair<int, float>> kSettings = {
    {53, 0.25f}, {54, 0.75f}, {57, 0.1f}, {58, 0.5f}, {59, 0.33f}, {61, 0.9f}, {66, 0.5f},
    {67, 1.0f},  {68, 1.0f},  {69, 1.0f}, {70, 1.0f}, {73, 0.4f},  {74, 0.5f}, {75, 0.8f}, {76, 0.2f},
};

void Apply(TestHost& host, float scale = 1.0f) {
  for (const auto& s : kSettings) host.Set(s.first, s.second * scale);
}

std::vector<uint8_t> NameField(const std::string& name) {
  std::vector<uint8_t> field = {uint8_t(name.size()), 0, 0, 0};
  field.insert(field.end(), name.begin(), name.end());
  return field;
}

void Rename(TestHost& host, const char* name) {
  std::string copy = name;
  host.Dispatch(effSetProgramName, 0, 0, &copy[0]);
}

std::string ProgramName(TestHost& host) { return host.Text(effGetProgramName, 0, kProgramNameBytes); }

bool EndsWith(const std::vector<uint8_t>& data, const std::vector<uint8_t>& tail) {
  return data.size() >= tail.size() && std::equal(tail.begin(), tail.end(), data.end() - tail.size());
}

TEST(Chunks, ProgramAndBankLayout) {
  TestHost host;
  host.Start();
  const std::vector<uint8_t> program = host.GetChunk(true);
  const std::vector<uint8_t> bank = host.GetChunk(false);
  ASSERT_GT(program.size(), kHeader.size() + 11);
  EXPECT_TRUE(std::equal(kHeader.begin(), kHeader.end(), program.begin()));
  EXPECT_TRUE(std::equal(kHeader.begin(), kHeader.end(), bank.begin()));
  // Program: header, state image, slot name. Bank: header, then per slot its name, the
  // initialised flag and the same state image.
  const std::vector<uint8_t> name = NameField("Pellory");
  EXPECT_TRUE(EndsWith(program, name));
  ASSERT_EQ(bank.size(), program.size() + 1);
  EXPECT_TRUE(std::equal(name.begin(), name.end(), bank.begin() + 8));
  EXPECT_EQ(bank[8 + name.size()], 1);
  const std::size_t image = program.size() - 8 - name.size();
  EXPECT_TRUE(std::equal(program.begin() + 8, program.begin() + 8 + image, bank.begin() + 8 + name.size() + 1));
  // The parameter block closes the image: 77 little-endian doubles.
  ASSERT_GE(image, 77u * 8);
  double keyboardMode = -1;
  std::memcpy(&keyboardMode, &program[8 + image - (77 - 58) * 8], 8);
  EXPECT_EQ(keyboardMode, 0.0);
  host.Set(58, 1.0f);
  std::memcpy(&keyboardMode, &host.GetChunk(true)[8 + image - (77 - 58) * 8], 8);
  EXPECT_EQ(keyboardMode, 2.0);

  void** none = nullptr;
  EXPECT_EQ(host.Dispatch(effGetChunk, 1, 0, none), 0);
  EXPECT_EQ(host.Dispatch(effGetChunk, 0, 0, none), 0);
}

TEST(Chunks, ProgramRoundTripRestoresValuesAndName) {
  TestHost source;
  source.Start();
  Apply(source);
  Rename(source, "Pad Layer");
  const std::vector<float> saved = source.AllParameters();
  const std::vector<uint8_t> chunk = source.GetChunk(true);
  EXPECT_TRUE(EndsWith(chunk, NameField("Pad Layer")));

  // Into the same instance after changes, and into a fresh one, as a host reopening a song.
  Apply(source, 0.5f);
  Rename(source, "Other");
  EXPECT_NE(source.AllParameters(), saved);
  EXPECT_EQ(source.SetChunk(true, chunk), 1);
  EXPECT_EQ(source.AllParameters(), saved);
  EXPECT_EQ(ProgramName(source), "Pad Layer");

  TestHost target;
  target.Start();
  EXPECT_EQ(target.SetChunk(true, chunk), 1);
  EXPECT_EQ(target.AllParameters(), saved);
  EXPECT_EQ(ProgramName(target), "Pad Layer");
  EXPECT_EQ(target.GetChunk(true), chunk);
  for (int i = 0; i < 77; ++i)
    EXPECT_EQ(target.Text(effGetParamDisplay, i), source.Text(effGetParamDisplay, i)) << i;
}

TEST(Chunks, BankRoundTripRestoresValuesAndName) {
  TestHost source;
  source.Start();
  Apply(source);
  Rename(source, "Bank Slot");
  const std::vector<float> saved = source.AllParameters();
  const std::vector<uint8_t> bank = source.GetChunk(false);

  TestHost target;
  target.Start();
  Apply(target, 0.3f);
  EXPECT_EQ(target.SetChunk(false, bank), 1);
  EXPECT_EQ(target.AllParameters(), saved);
  EXPECT_EQ(ProgramName(target), "Bank Slot");
  EXPECT_EQ(target.GetChunk(false), bank);
}

TEST(Chunks, HostHandsBackThePlugInsOwnBuffer) {
  // Some hosts keep the pointer they were given and pass it straight back.
  for (int index : {1, 0}) {
    TestHost host;
    host.Start();
    Apply(host);
    Rename(host, "Own Buffer");
    const std::vector<float> saved = host.AllParameters();
    void* data = nullptr;
    const VstIntPtr size = host.Dispatch(effGetChunk, index, 0, &data);
    ASSERT_GT(size, 0);
    Apply(host, 0.5f);
    EXPECT_EQ(host.Dispatch(effSetChunk, index, size, data), 1) << index;
    EXPECT_EQ(host.AllParameters(), saved) << index;
    EXPECT_EQ(ProgramName(host), "Own Buffer");
    // A part of it is a cut chunk, refused.
    EXPECT_EQ(host.Dispatch(effSetChunk, index, size / 2, data), 0) << index;
  }
}

TEST(Chunks, ChunksWithoutHeaderAreReadAsPrograms) {
  TestHost source;
  source.Start();
  Apply(source);
  const std::vector<float> saved = source.AllParameters();
  const std::vector<uint8_t> program = source.GetChunk(true);
  const std::vector<uint8_t> bare(program.begin() + 8, program.end());

  for (bool asProgram : {true, false}) {
    TestHost target;
    target.Start();
    EXPECT_EQ(target.SetChunk(asProgram, bare), 1) << asProgram;
    EXPECT_EQ(target.AllParameters(), saved) << asProgram;
    EXPECT_EQ(ProgramName(target), "Pellory");
  }
}

TEST(Chunks, BankSlotWithoutStateKeepsOnlyTheName) {
  TestHost host;
  host.Start();
  Apply(host);
  host.GetChunk(false);  // stores the live state into the slot
  const std::vector<float> stored = host.AllParameters();
  Apply(host, 0.5f);
  std::vector<uint8_t> bank = kHeader;
  const std::vector<uint8_t> name = NameField("Renamed");
  bank.insert(bank.end(), name.begin(), name.end());
  bank.push_back(0);
  EXPECT_EQ(host.SetChunk(false, bank), 1);
  EXPECT_EQ(ProgramName(host), "Renamed");
  // The slot is selected again, which brings back what it holds.
  EXPECT_EQ(host.AllParameters(), stored);
}

TEST(Chunks, BrokenDataIsRefusedAndLeavesTheInstanceUsable) {
  TestHost source;
  source.Start();
  Apply(source);
  const std::vector<uint8_t> good = source.GetChunk(true);
  const std::vector<float> saved = source.AllParameters();

  TestHost host;
  host.Start();
  const std::vector<float> fresh = host.AllParameters();
  // Nothing to read: refused, nothing touched.
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, 100, nullptr), 0);
  EXPECT_EQ(host.SetChunk(true, {}), 0);
  EXPECT_EQ(host.SetChunk(false, {}), 0);
  uint8_t byte = 0;
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, -5, &byte), 0);
  EXPECT_EQ(host.AllParameters(), fresh);
  EXPECT_EQ(ProgramName(host), "Pellory");
  // The magic with its version cut off.
  EXPECT_EQ(host.SetChunk(true, {0x74, 0x66, 0x66, 0x70, 0x00, 0x00}), 0);
  EXPECT_EQ(host.SetChunk(false, {0x74, 0x66, 0x66, 0x70, 0x00, 0x00}), 0);
  // Cut inside the state.
  for (std::size_t size : {std::size_t(9), good.size() / 2, good.size() - 20})
    EXPECT_EQ(host.SetChunk(true, std::vector<uint8_t>(good.begin(), good.begin() + size)), 0) << size;
  // A failed restore does not overwrite the stored program with half-read values.
  EXPECT_EQ(ProgramName(host), "Pellory");
  const std::vector<uint8_t> bank = source.GetChunk(false);
  for (std::size_t size : {std::size_t(9), std::size_t(20), bank.size() / 2, bank.size() - 1})
    EXPECT_EQ(host.SetChunk(false, std::vector<uint8_t>(bank.begin(), bank.begin() + size)), 0) << size;

  // Random bytes: whatever is answered, every value stays a valid normalised value.
  std::mt19937 random(1234);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> junk(random() % (good.size() + 64));
    for (uint8_t& b : junk) b = static_cast<uint8_t>(random());
    if (round % 3 == 0 && junk.size() >= 8) std::copy(kHeader.begin(), kHeader.end(), junk.begin());
    host.SetChunk(round % 2 == 0, junk);
    for (float v : host.AllParameters()) ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << "round " << round;
  }
  std::vector<float> l, r;
  host.Render(TestHost::Path::kReplacing, 512, l, r);
  for (float s : l) ASSERT_TRUE(std::isfinite(s));

  // And good data is still taken afterwards.
  EXPECT_EQ(host.SetChunk(true, good), 1);
  EXPECT_EQ(host.AllParameters(), saved);
}

TEST(Chunks, ACutNameStillRestoresTheProgram) {
  TestHost source;
  source.Start();
  Apply(source);
  std::vector<uint8_t> chunk = source.GetChunk(true);
  const std::vector<float> saved = source.AllParameters();
  chunk.resize(chunk.size() - 3);  // the name's bytes run out

  TestHost host;
  host.Start();
  EXPECT_EQ(host.SetChunk(true, chunk), 1);
  EXPECT_EQ(host.AllParameters(), saved);
  EXPECT_EQ(ProgramName(host), "Pellory");
}

TEST(Chunks, ACutBankKeepsTheLiveState) {
  TestHost host;
  host.Start();
  Apply(host);
  const std::vector<uint8_t> bank = host.GetChunk(false);  // also stores the live state in the slot
  Rename(host, "Mine");
  Apply(host, 0.5f);  // edits after the slot was stored
  const std::vector<float> live = host.AllParameters();
  for (std::size_t size : {std::size_t(10), bank.size() - 1}) {
    EXPECT_EQ(host.SetChunk(false, std::vector<uint8_t>(bank.begin(), bank.begin() + size)), 0) << size;
    EXPECT_EQ(host.AllParameters(), live) << size;
    EXPECT_EQ(ProgramName(host), "Mine") << size;
  }
}

TEST(Chunks, SpecialHostsExchangeOnlyProgramChunks) {
  for (const char* vendor : {"Native Instruments", "native instruments", "JUCE VST Host"}) {
    TestHost host;
    host.vendor = vendor;
    host.Start();
    Apply(host);
    const std::vector<uint8_t> asBank = host.GetChunk(false);
    const std::vector<uint8_t> asProgram = host.GetChunk(true);
    EXPECT_EQ(asBank, asProgram) << vendor;
    EXPECT_TRUE(EndsWith(asBank, NameField("Pellory"))) << vendor;
    // Asked once, then remembered.
    EXPECT_EQ(host.CallCount(audioMasterGetVendorString), 1) << vendor;
    EXPECT_EQ(host.SetChunk(false, asBank), 1) << vendor;
    EXPECT_EQ(host.CallCount(audioMasterGetVendorString), 1) << vendor;
  }
  // Only the exact names count.
  for (const char* vendor : {"Native Instruments GmbH", "JUCE", "", "Cockos"}) {
    TestHost host;
    host.vendor = vendor;
    host.Start();
    EXPECT_EQ(host.GetChunk(false).size(), host.GetChunk(true).size() + 1) << vendor;
  }
}

TEST(Chunks, SpecialHostAcceptsABankSavedByAnotherHost) {
  TestHost other;
  other.Start();
  Apply(other);
  Rename(other, "From Elsewhere");
  const std::vector<float> saved = other.AllParameters();
  const std::vector<uint8_t> bank = other.GetChunk(false);
  const std::vector<uint8_t> program = other.GetChunk(true);

  TestHost special;
  special.vendor = "Native Instruments";
  special.Start();
  // Tried as a program first, then taken as the bank it is.
  EXPECT_EQ(special.SetChunk(false, bank), 1);
  EXPECT_EQ(special.AllParameters(), saved);
  EXPECT_EQ(ProgramName(special), "From Elsewhere");

  TestHost special2;
  special2.vendor = "juce vst host";
  special2.Start();
  EXPECT_EQ(special2.SetChunk(true, program), 1);
  EXPECT_EQ(special2.AllParameters(), saved);
  // Data that is neither a whole program nor a bank is a failure for them too.
  EXPECT_EQ(special2.SetChunk(true, std::vector<uint8_t>(program.begin() + 8, program.begin() + 100)), 0);
  EXPECT_EQ(special2.SetChunk(true, std::vector<uint8_t>(bank.begin(), bank.end() - 1)), 0);
}

// For every host an answer of 0 means nothing changed: not the parameters, not program memory,
// not the slot's name. A program whose image is whole but whose name is cut short is no program
// for the hosts that also send banks, and no bank either.
TEST(Chunks, RefusedChunksChangeNothingForAnyHost) {
  TestHost other;
  other.Start();
  Apply(other);
  Rename(other, "Elsewhere");
  const std::vector<uint8_t> program = other.GetChunk(true);
  const std::vector<uint8_t> bank = other.GetChunk(false);
  std::vector<uint8_t> cutName(program.begin(), program.begin() + 3570);  // image whole, name cut
  // PRG 1's first bytes, read as a bank, would be a name length: make it one that no data hold.
  cutName[11] = 0x7F;
  std::vector<uint8_t> cutBank(bank.begin(), bank.end() - 1);
  std::vector<uint8_t> shortImage(cutName.begin(), cutName.begin() + 3000);

  for (const char* vendor : {"Native Instruments", "JUCE VST Host", "Pellory Tests"}) {
    const bool special = std::string(vendor) != "Pellory Tests";
    for (const auto* data : {&cutName, &cutBank, &shortImage}) {
      for (bool asProgram : {true, false}) {
        TestHost host;
        host.vendor = vendor;
        host.Start();
        Rename(host, "Mine");
        Apply(host, 0.3f);
        const std::vector<float> before = host.AllParameters();
        const std::vector<uint8_t> chunkBefore = host.GetChunk(true);
        const VstIntPtr answer = host.SetChunk(asProgram, *data);
        if (answer != 0) {
          // Ordinary hosts take a program whose name is cut: its state image is whole.
          EXPECT_FALSE(special) << vendor << " size " << data->size();
          EXPECT_TRUE(asProgram && data != &shortImage) << vendor << " size " << data->size();
          continue;
        }
        EXPECT_EQ(host.AllParameters(), before) << vendor << " size " << data->size();
        EXPECT_EQ(host.GetChunk(true), chunkBefore) << vendor << " size " << data->size();
        EXPECT_EQ(ProgramName(host), "Mine") << vendor;
      }
    }
  }
}

TEST(Chunks, SpecialHostsStillTakeWhatTheyTookBefore) {
  TestHost other;
  other.Start();
  Apply(other);
  Rename(other, "Elsewhere");
  const std::vector<float> saved = other.AllParameters();
  const std::vector<uint8_t> program = other.GetChunk(true);
  const std::vector<uint8_t> bank = other.GetChunk(false);
  const std::vector<uint8_t> bareWithTail = [&] {
    std::vector<uint8_t> v(program.begin() + 8, program.end());
    v.push_back(0x42);  // a program without header, followed by something unknown
    return v;
  }();

  for (const auto* data : {&program, &bank, &bareWithTail}) {
    TestHost special;
    special.vendor = "JUCE VST Host";
    special.Start();
    EXPECT_EQ(special.SetChunk(true, *data), 1) << data->size();
    EXPECT_EQ(special.AllParameters(), saved) << data->size();
    EXPECT_EQ(ProgramName(special), "Elsewhere") << data->size();
  }
}

}  // namespace
}  // namespace plugtest
