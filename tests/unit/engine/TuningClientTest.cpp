#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <string>

#include "engine/Tuning.h"
#include "engine/TuningClient.h"
#include "platform/DynamicLibrary.h"

namespace pellory::engine {
namespace {

// Drives a fake library's master side through its FakeMts_* exports. Opening the same path
// again shares the instance that the client under test has loaded.
class FakeMaster {
 public:
  explicit FakeMaster(const char* path) {
    EXPECT_TRUE(library_.Open(path)) << path;
    Call<void (*)()>("FakeMts_Reset")();
  }
  template <class Fn>
  Fn Call(const char* name) {
    auto fn = reinterpret_cast<Fn>(library_.Symbol(name));
    EXPECT_NE(fn, nullptr) << name;
    return fn;
  }
  void SetMaster(bool on) { Call<void (*)(bool)>("FakeMts_SetMaster")(on); }
  void SetFrequency(int note, double hz) { Call<void (*)(int, double)>("FakeMts_SetFrequency")(note, hz); }
  void SetFiltered(int note, bool drop) { Call<void (*)(int, bool)>("FakeMts_SetFiltered")(note, drop); }
  void SetScaleName(const char* name) { Call<void (*)(const char*)>("FakeMts_SetScaleName")(name); }
  int RegisteredClients() { return Call<int (*)()>("FakeMts_RegisteredClients")(); }
  int LastChannel() { return Call<int (*)()>("FakeMts_LastChannel")(); }

 private:
  platform::DynamicLibrary library_;
};

// Nothing from the library: plain equal temperament, no filtering, no label.
void ExpectPlainEqualTemperament(const TuningClient& client) {
  EXPECT_FALSE(client.HasMaster());
  EXPECT_EQ(NoteToPitch(60, &client), 7680);
  EXPECT_EQ(NoteToPitch(197, &client), 197 * 128);
  EXPECT_FALSE(client.ShouldFilterNote(61));
  EXPECT_EQ(client.TuningLabel(), "");
  EXPECT_NEAR(client.NoteFrequency(69), 440.0, 1e-12);
}

TEST(MtsClient, MissingOrBrokenLibraryMeansEqualTemperament) {
  MtsClientGlobal missing("/nonexistent/folder/libMTS.so");
  EXPECT_FALSE(missing.IsLoaded());
  EXPECT_FALSE(missing.IsOnline());
  ExpectPlainEqualTemperament(TuningClient(missing));

  const std::string junk = std::string(PELLORY_TEST_BINARY_DIR) + "/not_a_library.so";
  std::ofstream(junk) << "this is not a shared object";
  MtsClientGlobal broken(junk);
  EXPECT_FALSE(broken.IsLoaded());
  ExpectPlainEqualTemperament(TuningClient(broken));

  MtsClientGlobal empty("");
  ExpectPlainEqualTemperament(TuningClient(empty));
}

TEST(MtsClient, DefaultLocationAndProcessInstance) {
  EXPECT_EQ(MtsClientGlobal::DefaultLibraryPath(), "/usr/local/lib/libMTS.so");
  EXPECT_EQ(&MtsClientGlobal::Instance(), &MtsClientGlobal::Instance());
  TuningClient client;  // whatever this machine has installed, construction must be harmless
  EXPECT_EQ(client.HasMaster(), MtsClientGlobal::Instance().IsOnline());
}

TEST(MtsClient, ResolvesEntryPointsAndRegistersEachClient) {
  FakeMaster fake(FAKE_MTS_PATH);
  MtsClientGlobal global(FAKE_MTS_PATH);
  ASSERT_TRUE(global.IsLoaded());
  EXPECT_NE(global.hasMaster, nullptr);
  EXPECT_NE(global.getScaleName, nullptr);
  EXPECT_NE(global.tuningTable, nullptr);
  for (const double* table : global.channelTuningTables) EXPECT_NE(table, nullptr);
  EXPECT_NEAR(global.inverseFrequencies[69], 1.0 / 440.0, 1e-15);
  {
    TuningClient a(global);
    TuningClient b(global);
    EXPECT_EQ(fake.RegisteredClients(), 2);
  }
  EXPECT_EQ(fake.RegisteredClients(), 0);
}

TEST(MtsClient, NoMasterConnectedMeansEqualTemperament) {
  FakeMaster fake(FAKE_MTS_PATH);
  MtsClientGlobal global(FAKE_MTS_PATH);
  TuningClient client(global);
  fake.SetFrequency(60, 300.0);
  fake.SetFiltered(61, true);
  ExpectPlainEqualTemperament(client);
}

TEST(MtsClient, MasterTableMapsNotesOntoPitchValues) {
  FakeMaster fake(FAKE_MTS_PATH);
  MtsClientGlobal global(FAKE_MTS_PATH);
  TuningClient client(global);
  fake.SetMaster(true);
  ASSERT_TRUE(client.HasMaster());

  // A plain 440 Hz equal table lands on the equal pitch values, give or take the few steps
  // that the search's truncated halving cannot reach.
  EXPECT_EQ(NoteToPitch(69, &client), 8832);
  for (int n = 1; n < 128; ++n) EXPECT_NEAR(NoteToPitch(n, &client), n * 128, 3) << n;
  // Only the low seven bits of the note number count under a master.
  EXPECT_EQ(NoteToPitch(69 + 128, &client), 8832);
  EXPECT_EQ(NoteToPitch(69 - 256, &client), 8832);

  // A retuned note: 442 Hz lies (442 - 440) / (466.164 - 440) of a semitone above note 69.
  fake.SetFrequency(69, 442.0);
  EXPECT_NEAR(NoteToPitch(69, &client), 8832 + 128 * 2.0 / (466.164 - 440.0), 3);

  // The master is asked again at every use.
  fake.SetMaster(false);
  EXPECT_EQ(NoteToPitch(69, &client), 8832);
  EXPECT_EQ(NoteToPitch(60, &client), 7680);
}

TEST(MtsClient, UnusableMasterFrequenciesFallBackToEqualTemperament) {
  FakeMaster fake(FAKE_MTS_PATH);
  MtsClientGlobal global(FAKE_MTS_PATH);
  TuningClient client(global);
  fake.SetMaster(true);
  fake.SetFrequency(69, std::nan(""));
  EXPECT_EQ(NoteToPitch(69, &client), 8832);
  fake.SetFrequency(69, -5.0);
  EXPECT_EQ(NoteToPitch(69, &client), 8832);
  fake.SetFrequency(69, std::numeric_limits<double>::infinity());
  EXPECT_EQ(NoteToPitch(69, &client), 8832);
  // Frequencies beyond the scale end at the search's extremes (8640 +- the sum of its
  // halving steps) instead of wrapping.
  fake.SetFrequency(70, 1e6);
  EXPECT_EQ(NoteToPitch(70, &client), 8640 + 8636);
  fake.SetFrequency(71, 1e-6);
  EXPECT_EQ(NoteToPitch(71, &client), 8640 - 8636);
}

TEST(MtsClient, FiltersNotesOnlyWhileMasterConnected) {
  FakeMaster fake(FAKE_MTS_PATH);
  MtsClientGlobal global(FAKE_MTS_PATH);
  TuningClient client(global);
  fake.SetFiltered(61, true);
  EXPECT_FALSE(client.ShouldFilterNote(61));
  fake.SetMaster(true);
  EXPECT_TRUE(client.ShouldFilterNote(61));
  EXPECT_EQ(fake.LastChannel(), -1);  // all channels
  EXPECT_FALSE(client.ShouldFilterNote(62));
  EXPECT_TRUE(client.ShouldFilterNote(61 + 128));
  EXPECT_TRUE(client.ShouldFilterNote(61 - 128));
}

TEST(MtsClient, LabelNamesTheMastersScale) {
  FakeMaster fake(FAKE_MTS_PATH);
  MtsClientGlobal global(FAKE_MTS_PATH);
  TuningClient client(global);
  EXPECT_EQ(client.TuningLabel(), "");
  fake.SetMaster(true);
  EXPECT_EQ(client.TuningLabel(), "Micro Tuning: Fake Scale");
  fake.SetScaleName("Bohlen-Pierce");
  EXPECT_EQ(client.TuningLabel(), "Micro Tuning: Bohlen-Pierce");
  const std::string longName(400, 'x');
  fake.SetScaleName(longName.c_str());
  const std::string label = client.TuningLabel();
  EXPECT_EQ(label.size(), 254u);
  EXPECT_EQ(label.rfind("Micro Tuning: xxx", 0), 0u);
}

TEST(MtsClient, MissingOptionalEntryPointsUseFallbacks) {
  FakeMaster fake(FAKE_MTS_PARTIAL_PATH);
  MtsClientGlobal global(FAKE_MTS_PARTIAL_PATH);
  ASSERT_TRUE(global.IsLoaded());
  EXPECT_EQ(global.registerClient, nullptr);
  EXPECT_EQ(global.getScaleName, nullptr);
  for (const double* table : global.channelTuningTables) EXPECT_EQ(table, nullptr);
  TuningClient client(global);
  fake.SetMaster(true);
  fake.SetFiltered(61, true);
  EXPECT_TRUE(client.HasMaster());
  EXPECT_FALSE(client.ShouldFilterNote(61));
  EXPECT_EQ(client.TuningLabel(), "Micro Tuning: 12-TET");
  fake.SetFrequency(60, 300.0);
  EXPECT_GT(NoteToPitch(60, &client), 7680 + 128 * 2);
}

TEST(MtsClient, NoMasterQueryOrNoTableMeansNoMaster) {
  for (const char* path : {FAKE_MTS_NO_HAS_MASTER_PATH, FAKE_MTS_NO_TUNING_TABLE_PATH}) {
    SCOPED_TRACE(path);
    FakeMaster fake(path);
    MtsClientGlobal global(path);
    ASSERT_TRUE(global.IsLoaded());
    TuningClient client(global);
    fake.SetMaster(true);
    fake.SetFiltered(61, true);
    fake.SetFrequency(60, 300.0);
    ExpectPlainEqualTemperament(client);
  }
}

}  // namespace
}  // namespace pellory::engine
