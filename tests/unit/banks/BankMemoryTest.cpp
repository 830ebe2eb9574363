// The banks as the plug-in loads them: what program selection puts into the parameters is what
// the sources say, and every Combi PRG plays both of its layers without clipping.
#include <gtest/gtest.h>

#include <cstdio>

#include "BankText.h"
#include "SoundAnalysis.h"
#include "TestSupport.h"

namespace pellory::test {
namespace {

constexpr int kBlock = 512;

BankText ReadSource(int bank, const Pellory& plug) {
  return ReadBankText(BanksDir() + "/bank" + std::to_string(bank) + ".txt", plug);
}

void LoadBank(Instance& inst, int bank) {
  // Bank 1 is loaded at construction; bank 2 as the restore command loads it.
  if (bank == 2) {
    ASSERT_TRUE(inst.plug->LoadFactoryBank(8));
    inst.plug->CommitOrRevert(false);
  }
}

int Value(Instance& inst, int id) { return static_cast<int>(inst.plug->GetParameter(id)->Value()); }

TEST(BankMemory, SelectedProgramsHoldWhatTheSourcesSay) {
  for (int bank : {1, 2}) {
    SCOPED_TRACE("bank " + std::to_string(bank));
    Instance inst;
    LoadBank(inst, bank);
    const BankText text = ReadSource(bank, *inst.plug);
    ASSERT_EQ(text.programs.size(), 99u);
    for (const BankProgram& p : text.programs) {
      inst.plug->SetParameterAndNotify(kProgramNumber, p.number);
      ASSERT_EQ(inst.plug->CurrentProgram(), p.number);
      if (!p.combi) {
        for (int id = 0; id <= 52; ++id) EXPECT_EQ(Value(inst, id), p.values[id]) << p.name << " id " << id;
        continue;
      }
      const int ids[] = {kLowerProgram, kUpperProgram, kKeyboardMode, kSplitPoint,
                         kUpperTranspose, kLowerLevel, kUpperLevel};
      for (int k = 0; k < 7; ++k) EXPECT_EQ(Value(inst, ids[k]), p.combiValues[k]) << p.name << " id " << ids[k];
      // The edit buffer holds the lower program's sound.
      const BankProgram* lower = text.Find(p.combiValues[0]);
      ASSERT_NE(lower, nullptr);
      for (int id = 0; id <= 52; ++id) EXPECT_EQ(Value(inst, id), lower->values[id]) << p.name << " id " << id;
    }
  }
}

// Largest |sample| and loudest 10 ms of notes held for a second.
struct Take {
  double peak = 0.0;
  double loudestDb = -200.0;
};

Take PlayNotes(Instance& inst, const std::vector<int>& notes, int velocity) {
  Take take;
  std::vector<double> mono;
  const int blocks = static_cast<int>(1.2 * kRate / kBlock);
  for (int b = 0; b < blocks; ++b) {
    if (b == 0)
      for (int n : notes) inst.Midi(0, 0x90, n, velocity);
    if (b == blocks - 10)
      for (int n : notes) inst.Midi(0, 0x80, n, 0);
    inst.Process(kBlock);
    for (int i = 0; i < kBlock; ++i) {
      mono.push_back(0.5 * (inst.left[i] + inst.right[i]));
      take.peak = std::max({take.peak, std::fabs(inst.left[i]), std::fabs(inst.right[i])});
    }
  }
  // Let every voice finish before the next take.
  for (int b = 0; b < static_cast<int>(20.0 * kRate / kBlock); ++b) inst.Process(kBlock);
  for (double level : LevelEnvelope(mono)) take.loudestDb = std::max(take.loudestDb, Db(level));
  return take;
}

TEST(BankMemory, CombiProgramsPlayBothLayersWithoutClipping) {
  for (int bank : {1, 2}) {
    Instance inst;
    LoadBank(inst, bank);
    const BankText text = ReadSource(bank, *inst.plug);
    std::printf("\nbank%d.txt Combi PRGs\n%-3s %-45s %6s %7s %7s\n", bank, "no", "name", "peak", "lowdB", "updB");
    for (int n = 76; n <= 99; ++n) {
      const BankProgram* combi = text.Find(n);
      ASSERT_NE(combi, nullptr);
      SCOPED_TRACE(combi->name);
      inst.plug->SetParameterAndNotify(kProgramNumber, n);
      const bool split = inst.plug->KeyboardModeValue() == kSplit;
      const int splitKey = inst.plug->SplitKey();
      // Three keys for each layer: in Split each side of the split key, in Double the same keys.
      const std::vector<int> low = split ? std::vector<int>{splitKey - 12, splitKey - 8, splitKey - 5}
                                         : std::vector<int>{48, 55, 60};
      const std::vector<int> high = split ? std::vector<int>{splitKey, splitKey + 4, splitKey + 7} : low;
      std::vector<int> all = low;
      if (split) all.insert(all.end(), high.begin(), high.end());
      PlayNotes(inst, all, 127);  // the voices' first chord; peaks are judged on warm voices
      const Take full = PlayNotes(inst, all, 127);

      // Each layer alone, by silencing the other one's level.
      const int lowerLevel = combi->combiValues[5], upperLevel = combi->combiValues[6];
      inst.plug->SetParameterAndNotify(kUpperLevel, 0);
      const Take lowerOnly = PlayNotes(inst, low, 100);
      inst.plug->SetParameterAndNotify(kUpperLevel, upperLevel);
      inst.plug->SetParameterAndNotify(kLowerLevel, 0);
      const Take upperOnly = PlayNotes(inst, high, 100);
      inst.plug->SetParameterAndNotify(kLowerLevel, lowerLevel);

      std::printf("%-3d %-45.45s %6.3f %7.1f %7.1f\n", n, combi->name.c_str(), full.peak, lowerOnly.loudestDb,
                  upperOnly.loudestDb);
      EXPECT_LT(full.peak, 1.0) << "a full-velocity chord clips";
      EXPECT_GT(lowerOnly.loudestDb, -40.0) << "the lower layer is silent";
      EXPECT_GT(upperOnly.loudestDb, -40.0) << "the upper layer is silent";
    }
  }
}

}  // namespace
}  // namespace pellory::test
