// Program selection, commit and revert, edit backup and compare on a whole instance.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "programs/SysEx.h"

namespace pellory {
namespace {

using test::Instance;

double Value(Instance& s, int id) { return s.plug->GetParameter(id)->Value(); }

PrgValues ParameterValues(Instance& s) {
  PrgValues v{};
  for (int id = 0; id < kNumProgramValues; ++id) v[id] = static_cast<int>(Value(s, id));
  return v;
}

PrgValues Stored(Instance& s, int n) { return DecodePrgRecord(s.plug->Programs().Record(n)); }

TEST(ProgramSelection, OpeningLoadsFactoryProgramOne) {
  Instance s;
  EXPECT_EQ(s.plug->CurrentProgram(), 1);
  EXPECT_EQ(s.plug->LowerProgram(), 1);
  EXPECT_EQ(ParameterValues(s), Stored(s, 1));
  EXPECT_FALSE(s.plug->HasUncommittedChanges(1));
  // Factory bank 1 is in memory: its first Combi is the documented layering.
  const CombiValues c = DecodeCombiRecord(s.plug->Programs().Record(76));
  EXPECT_EQ(c.lowerProgram, 3);
  EXPECT_EQ(c.upperProgram, 74);
}

TEST(ProgramSelection, SelectingTheLowerProgramAgainKeepsEdits) {
  Instance s;
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  ASSERT_EQ(ParameterValues(s), Stored(s, 5));
  const int edited = Stored(s, 5)[16] == 10 ? 11 : 10;
  s.plug->SetParameterAndNotify(16, edited);
  EXPECT_TRUE(s.plug->HasUncommittedChanges(5));
  s.plug->SelectProgram(5, false);
  s.plug->SetParameterAndNotify(kLowerProgram, 5);
  EXPECT_EQ(Value(s, 16), edited);
  // Another program replaces the edit buffer.
  s.plug->SetParameterAndNotify(kProgramNumber, 6);
  EXPECT_EQ(ParameterValues(s), Stored(s, 6));
  EXPECT_EQ(Value(s, kUpperProgram), 6);
}

TEST(ProgramSelection, CombiSetsModeLayersAndLevels) {
  Instance s;
  s.plug->SetParameterAndNotify(kProgramNumber, 76);
  const CombiValues c = DecodeCombiRecord(s.plug->Programs().Record(76));
  EXPECT_EQ(s.plug->CurrentProgram(), 76);
  EXPECT_EQ(s.plug->LowerProgram(), c.lowerProgram);
  EXPECT_EQ(s.plug->UpperProgram(), c.upperProgram);
  EXPECT_EQ(s.plug->KeyboardModeValue(), c.keyboardMode);
  EXPECT_EQ(Value(s, kSplitPoint), c.splitPoint);
  EXPECT_EQ(Value(s, kUpperTranspose), c.upperTranspose);
  EXPECT_EQ(Value(s, kLowerLevel), c.lowerLevel);
  EXPECT_EQ(Value(s, kUpperLevel), c.upperLevel);
  EXPECT_EQ(ParameterValues(s), Stored(s, c.lowerProgram));
  EXPECT_FALSE(s.plug->HasUncommittedChanges(76));

  // PRG edits do not count as changes of the Combi; its own values do.
  s.plug->SetParameterAndNotify(16, Value(s, 16) > 0 ? 0 : 1);
  EXPECT_FALSE(s.plug->HasUncommittedChanges(76));
  EXPECT_TRUE(s.plug->HasUncommittedChanges(c.lowerProgram));
  s.plug->SetParameterAndNotify(kSplitPoint, c.splitPoint == 30 ? 31 : 30);
  EXPECT_TRUE(s.plug->HasUncommittedChanges(76));
  EXPECT_FALSE(s.plug->HasUncommittedChanges(0));
  EXPECT_FALSE(s.plug->HasUncommittedChanges(100));
}

TEST(ProgramSelection, ZeroCombiRecordAppliesAsLowestSettings) {
  Instance s;
  s.plug->Programs().combis[4].fill(0);
  s.plug->SetParameterAndNotify(kProgramNumber, 77);
  s.plug->SetParameterAndNotify(kProgramNumber, 80);
  EXPECT_EQ(Value(s, kLowerProgram), 1);
  EXPECT_EQ(Value(s, kUpperProgram), 1);
  EXPECT_EQ(s.plug->KeyboardModeValue(), kSingle);
  EXPECT_EQ(Value(s, kSplitPoint), 1);
  EXPECT_EQ(Value(s, kUpperTranspose), 1);
  EXPECT_EQ(Value(s, kLowerLevel), 0);
  EXPECT_EQ(Value(s, kUpperLevel), 0);
}

TEST(ProgramSelection, UpperProgramOnlyInLayeredModes) {
  Instance s;
  s.plug->SetParameterAndNotify(kProgramNumber, 4);
  const int upperBefore = s.plug->UpperProgram();
  s.plug->SetParameterAndNotify(kUpperProgram, 9);
  EXPECT_EQ(s.plug->UpperProgram(), upperBefore);
  s.plug->SetParameterAndNotify(kLowerProgram, 7);  // Single: the upper follows the lower
  EXPECT_EQ(Value(s, kUpperProgram), 7);
  EXPECT_EQ(Value(s, kProgramNumber), 7);

  s.plug->SetParameterAndNotify(kKeyboardMode, kSplit);
  s.plug->SetParameterAndNotify(kUpperProgram, 9);
  EXPECT_EQ(s.plug->UpperProgram(), 9);
  // The upper layer's LFOs now play PRG 9 while the parameters still edit PRG 7.
  EXPECT_EQ(s.plug->GetEngine().GetLfo(2).Rate(), Stored(s, 9)[6]);
  EXPECT_EQ(s.plug->GetEngine().GetLfo(0).Rate(), Stored(s, 7)[6]);
  // Back to Single: both layers play the lower program with even levels.
  s.plug->SetParameterAndNotify(kKeyboardMode, kSingle);
  EXPECT_EQ(Value(s, kUpperProgram), 7);
  EXPECT_EQ(Value(s, kLowerLevel), 32);
  EXPECT_EQ(Value(s, kUpperLevel), 32);
}

TEST(ProgramSelection, CommitStoresAndRevertRestores) {
  Instance s;
  s.plug->SetParameterAndNotify(kProgramNumber, 10);
  const PrgValues original = Stored(s, 10);
  s.plug->SetParameterAndNotify(6, original[6] == 63 ? 0 : 63);
  s.plug->CommitOrRevert(false);
  EXPECT_EQ(ParameterValues(s), original);

  s.plug->SetParameterAndNotify(6, original[6] == 63 ? 0 : 63);
  s.plug->SetParameterAndNotify(36, 17);
  s.plug->CommitOrRevert(true);
  EXPECT_FALSE(s.plug->HasUncommittedChanges(10));
  EXPECT_EQ(Stored(s, 10)[36], 17);
  EXPECT_EQ(Stored(s, 10), ParameterValues(s));

  // A Combi commit stores the combination values.
  s.plug->SetParameterAndNotify(kProgramNumber, 90);
  s.plug->SetParameterAndNotify(kUpperTranspose, 37);
  s.plug->CommitOrRevert(true);
  EXPECT_EQ(DecodeCombiRecord(s.plug->Programs().Record(90)).upperTranspose, 37);
}

struct ScriptedDialogs : ProgramDialogs {
  int answer = kAnswerYes;
  std::vector<int> asked;
  int AskCommit(int program) override {
    asked.push_back(program);
    return answer;
  }
};

TEST(ProgramSelection, CommitQuestionGoesThroughTheDialogs) {
  Instance s;
  s.plug->SetParameterAndNotify(kProgramNumber, 3);
  EXPECT_TRUE(s.plug->ResolveUncommittedChanges(3));  // nothing changed, nothing asked

  s.plug->SetParameterAndNotify(8, Stored(s, 3)[8] == 1 ? 2 : 1);
  EXPECT_TRUE(s.plug->ResolveUncommittedChanges(3));  // no editor: not asked, edits stay
  EXPECT_TRUE(s.plug->HasUncommittedChanges(3));

  ScriptedDialogs dialogs;
  s.plug->SetProgramDialogs(&dialogs);
  dialogs.answer = ProgramDialogs::kAnswerCancel;
  EXPECT_FALSE(s.plug->ResolveUncommittedChanges(3));
  EXPECT_TRUE(s.plug->HasUncommittedChanges(3));
  dialogs.answer = ProgramDialogs::kAnswerNo;
  const PrgValues stored = Stored(s, 3);
  EXPECT_TRUE(s.plug->ResolveUncommittedChanges(3));
  EXPECT_EQ(ParameterValues(s), stored);
  s.plug->SetParameterAndNotify(8, 40);
  dialogs.answer = ProgramDialogs::kAnswerYes;
  EXPECT_TRUE(s.plug->ResolveUncommittedChanges(3));
  EXPECT_EQ(Stored(s, 3)[8], 40);
  EXPECT_EQ(dialogs.asked, (std::vector<int>{3, 3, 3}));

  s.plug->SetParameterAndNotify(8, 41);
  s.plug->dontAskToCommit = true;
  EXPECT_TRUE(s.plug->ResolveUncommittedChanges(3));
  EXPECT_EQ(dialogs.asked.size(), 3u);
  s.plug->SetProgramDialogs(nullptr);
}

TEST(ProgramSelection, EditBackupKeepsTheBufferOfItsStart) {
  Instance s;
  s.plug->SetParameterAndNotify(kProgramNumber, 12);
  s.plug->SetParameterAndNotify(16, 5);
  const PrgValues atStart = ParameterValues(s);
  s.plug->SetEditBackupMode(true);
  EXPECT_TRUE(s.plug->EditBackupMode());
  EXPECT_EQ(s.plug->PanelEntryMode(), Pellory::kPanelNoEntry);
  s.plug->SetParameterAndNotify(16, 50);
  s.plug->SetParameterAndNotify(17, 60);
  s.plug->SetEditBackupMode(false);
  EXPECT_FALSE(s.plug->EditBackupMode());
  EXPECT_EQ(Stored(s, 12), atStart);
  EXPECT_EQ(ParameterValues(s), atStart);
}

TEST(ProgramSelection, CompareSoundsTheStoredProgram) {
  Instance s;
  s.plug->SetParameterAndNotify(kProgramNumber, 20);
  const int stored = Stored(s, 20)[6];
  const int edited = stored == 63 ? 1 : 63;
  s.plug->SetParameterAndNotify(6, edited);
  EXPECT_EQ(s.plug->GetEngine().GetLfo(0).Rate(), edited);
  s.plug->SetCompareMode(true);
  EXPECT_TRUE(s.plug->CompareMode());
  EXPECT_EQ(s.plug->GetEngine().GetLfo(0).Rate(), stored);
  EXPECT_EQ(s.plug->GetEngine().GetLfo(2).Rate(), stored);
  EXPECT_EQ(Value(s, 6), edited);  // the edit buffer stays
  s.plug->SetCompareMode(false);
  EXPECT_EQ(s.plug->GetEngine().GetLfo(0).Rate(), edited);

  s.plug->SetParameterAndNotify(kKeyboardMode, kDouble);
  s.plug->SetCompareMode(true);  // only in Single
  EXPECT_FALSE(s.plug->CompareMode());
}

TEST(ProgramSelection, InitializePrgRestoresDefaults) {
  Instance s;
  s.plug->SetParameterAndNotify(kProgramNumber, 2);
  s.plug->InitializePrg();
  for (int id = 0; id <= kUpperLevel; ++id) EXPECT_EQ(Value(s, id), s.plug->GetParameter(id)->GetDefault()) << id;
  EXPECT_STREQ(s.plug->GetPreset(0)->name, "Pellory");
  EXPECT_TRUE(s.plug->HasUncommittedChanges(2));
}

std::vector<uint8_t> Message(int n, const uint8_t* record) {
  MemoryWriter out;
  WriteProgramMessage(out, n, record);
  return out.bytes;
}

TEST(ProgramSysEx, HostDumpsStoreWithoutApplying) {
  Instance s;
  s.plug->SetParameterAndNotify(kProgramNumber, 8);
  const PrgValues before = ParameterValues(s);
  const PrgRecord incoming = s.plug->Programs().prgs[30];
  const std::vector<uint8_t> m = Message(8, incoming.data());
  ISysExMessage sysex;
  sysex.size = static_cast<int32_t>(m.size());
  sysex.data = m.data();
  s.plug->HandleSysEx(sysex);
  EXPECT_EQ(s.plug->Programs().prgs[7], incoming);
  EXPECT_EQ(ParameterValues(s), before);

  // Loaded for the current number, the program is applied at once.
  const PrgRecord other = s.plug->Programs().prgs[40];
  const std::vector<uint8_t> m2 = Message(41, other.data());
  EXPECT_TRUE(s.plug->LoadSysEx(m2.data(), m2.size(), 8));
  EXPECT_EQ(ParameterValues(s), DecodePrgRecord(other.data()));

  // Mode and program messages act through the parameters.
  const std::vector<uint8_t> split = {0xF0, 0x25, 0x10, 0, 100, 13, 0xF7, 0xF0, 0x25, 0x10, 5, 80, 0xF7};
  EXPECT_TRUE(s.plug->LoadSysEx(split.data(), split.size(), -1));
  EXPECT_EQ(s.plug->KeyboardModeValue(), kSplit);
  EXPECT_EQ(Value(s, kSplitPoint), 61);
  EXPECT_EQ(Value(s, kUpperTranspose), 13);
  EXPECT_EQ(s.plug->LowerProgram(), 6);
  const std::vector<uint8_t> single = {0xF0, 0x25, 0x10, 3, 0xF7, 0xF0, 0x25, 0x10, 1, 0xF7};
  EXPECT_TRUE(s.plug->LoadSysEx(single.data(), single.size(), -1));
  EXPECT_EQ(s.plug->KeyboardModeValue(), kSingle);
}

TEST(ProgramSysEx, FactoryBanksLoadWhole) {
  Instance s;
  MemoryWriter bank1;
  WriteAllPrograms(bank1, s.plug->Programs());
  EXPECT_TRUE(s.plug->LoadFactoryBank(8));
  EXPECT_EQ(s.plug->FactoryBank(), 1);
  MemoryWriter bank2;
  WriteAllPrograms(bank2, s.plug->Programs());
  EXPECT_NE(bank1.bytes, bank2.bytes);
  EXPECT_TRUE(s.plug->LoadFactoryBank(7));
  EXPECT_EQ(s.plug->FactoryBank(), 0);
  MemoryWriter again;
  WriteAllPrograms(again, s.plug->Programs());
  EXPECT_EQ(again.bytes, bank1.bytes);
}

TEST(ProgramSysEx, MidiProgramChangeSelects) {
  Instance s;
  s.Midi(0, 0xC0, 98, 0);
  EXPECT_EQ(s.plug->CurrentProgram(), 99);
  s.Midi(0, 0xC0, 99, 0);
  EXPECT_EQ(s.plug->CurrentProgram(), 1);
  s.Midi(0, 0xC0, 10, 0);
  EXPECT_EQ(ParameterValues(s), Stored(s, 11));
}

}  // namespace
}  // namespace pellory
