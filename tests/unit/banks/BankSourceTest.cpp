// The bank sources as the sound designer wrote them: complete, named as the instrument names its
// programs, and with Combi PRGs that layer what their names say.
#include <gtest/gtest.h>

#include "BankText.h"
#include "TestSupport.h"
#include "programs/FactoryBankNames.h"

namespace pellory::test {
namespace {

BankText Read(int bank) {
  Instance reader;
  return ReadBankText(BanksDir() + "/bank" + std::to_string(bank) + ".txt", *reader.plug);
}

TEST(BankSources, HoldEveryProgramOnceInOrderUnderItsOfficialName) {
  for (int bank : {1, 2}) {
    SCOPED_TRACE("bank " + std::to_string(bank));
    const BankText text = Read(bank);
    EXPECT_TRUE(text.errors.empty()) << (text.errors.empty() ? "" : text.errors.front());
    ASSERT_EQ(text.programs.size(), 99u);
    for (int n = 1; n <= 99; ++n) {
      const BankProgram& p = text.programs[n - 1];
      EXPECT_EQ(p.number, n);
      EXPECT_EQ(p.combi, n > 75) << n;
      EXPECT_EQ(p.name, FactoryProgramName(bank, n)) << n;
    }
  }
}

TEST(BankSources, CombiProgramsLayerProgramsOfTheirName) {
  for (int bank : {1, 2}) {
    const BankText text = Read(bank);
    ASSERT_EQ(text.programs.size(), 99u);
    for (int n = 76; n <= 99; ++n) {
      const BankProgram& c = text.programs[n - 1];
      SCOPED_TRACE(c.name);
      const int lower = c.combiValues[0], upper = c.combiValues[1], mode = c.combiValues[2];
      ASSERT_TRUE(lower >= 1 && lower <= 75 && upper >= 1 && upper <= 75);
      // "A + B" and "-- COMB" layer both sounds on every key; "A - B" and "-- SPLIT" divide the keyboard.
      const bool split = Has(c.name, "SPLIT") || c.name.find(" - ") != std::string::npos ||
                         c.name == "CALIMBA SYNTH PIANO-DIGITAL";
      EXPECT_EQ(mode, split ? kSplit : kDouble);
      if (split) {
        // The lower part keeps at least two octaves of the 61 keys.
        EXPECT_GE(c.combiValues[3], 25);
        EXPECT_LE(c.combiValues[3], 37);
      }
      // Both layers are audible.
      EXPECT_GE(c.combiValues[5], 16);
      EXPECT_GE(c.combiValues[6], 16);
      // The programs are the ones the name mentions, wherever the bank has one it can mean:
      // "A + B" and "A - B" name the lower program first, other names at least one of the two.
      auto mentionable = [&](const std::string& part) {
        for (int k = 0; k < 75; ++k)
          if (ShareWord(part, text.programs[k].name)) return true;
        return false;
      };
      const std::string lowerName = text.programs[lower - 1].name, upperName = text.programs[upper - 1].name;
      std::size_t cut = c.name.find(" + ");
      if (cut == std::string::npos) cut = c.name.find(" - ");
      if (cut == std::string::npos && split) cut = c.name.find('-');
      if (cut != std::string::npos) {
        const std::string first = c.name.substr(0, cut), second = c.name.substr(cut + 1);
        if (mentionable(first)) {
          EXPECT_TRUE(ShareWord(first, lowerName)) << "lower " << lowerName;
        }
        if (mentionable(second)) {
          EXPECT_TRUE(ShareWord(second, upperName)) << "upper " << upperName;
        }
      } else if (mentionable(c.name)) {
        EXPECT_TRUE(ShareWord(c.name, lowerName) || ShareWord(c.name, upperName)) << lowerName << ", " << upperName;
      }
    }
  }
}

TEST(BankSources, FirstCombiOfBank1IsChopBrass) {
  const BankText text = Read(1);
  const BankProgram* chop = text.Find(76);
  ASSERT_NE(chop, nullptr);
  EXPECT_EQ(chop->combiValues, (std::array<int, 7>{3, 74, kDouble, 1, 25, 28, 28}));
}

}  // namespace
}  // namespace pellory::test
