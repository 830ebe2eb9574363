// The factory bank compiler: sources to 6480-byte images, its error messages, and the
// committed images that cross builds embed.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

#include "BankCompiler.h"
#include "TestSupport.h"
#include "programs/FactoryBankNames.h"
#include "programs/SysEx.h"

namespace pellory {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const std::string kFixture1 = std::string(PELLORY_TEST_DATA_DIR) + "/banks/fixture_bank1.txt";
const std::string kFixture2 = std::string(PELLORY_TEST_DATA_DIR) + "/banks/fixture_bank2.txt";

// Replaces the first line that starts with prefix (1-based line number returned).
int ReplaceLine(std::string& text, const std::string& prefix, const std::string& replacement) {
  std::istringstream in(text);
  std::string line, out;
  int number = 0, found = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!found && line.rfind(prefix, 0) == 0) {
      found = number;
      line = replacement;
    }
    out += line + "\n";
  }
  text = out;
  return found;
}

TEST(BankCompiler, SourceValuesReachTheRecords) {
  const bankc::CompileResult result = bankc::CompileBankFile(kFixture1, 1);
  for (const std::string& e : result.errors) ADD_FAILURE() << e;
  ASSERT_TRUE(result.ok);
  ASSERT_EQ(result.image.size(), 6480u);

  // Read the fixture's values independently of the compiler and compare every PRG value.
  std::map<std::string, int> idOfName;
  for (int id = 0; id < kNumProgramValues; ++id) idOfName[GetProgramParameterInfo(id).name] = id;
  std::istringstream in(ReadText(kFixture1));
  std::string line;
  int program = 0, checked = 0;
  const std::regex header(R"(\[(PRG|COMBI) (\d+)\].*)");
  const std::regex entry(R"(([^=#]*[^ =#]) *= *([^#]*[^ #]).*)");
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_match(line, m, header)) {
      program = m[1] == "PRG" ? std::stoi(m[2]) : 0;
    } else if (program && std::regex_match(line, m, entry)) {
      const int id = idOfName.at(m[1]);
      const ProgramParameterInfo& info = GetProgramParameterInfo(id);
      int expected = -1;
      for (int i = 0; info.enumTexts && i <= info.maximum; ++i)
        if (m[2] == info.enumTexts[i]) expected = i;
      if (expected < 0) expected = std::stoi(m[2]);
      EXPECT_EQ(DecodePrgRecord(result.memory.Record(program))[id], expected) << program << " " << m[1];
      ++checked;
    }
  }
  EXPECT_EQ(checked, 75 * 53);

  // The image is the memory in the factory layout.
  test::Instance s;
  ASSERT_TRUE(s.plug->LoadSysEx(result.image.data(), result.image.size(), -1));
  EXPECT_TRUE(s.plug->Programs().prgs == result.memory.prgs);
  EXPECT_TRUE(s.plug->Programs().combis == result.memory.combis);
  EXPECT_TRUE(bankc::CompileBankFile(kFixture2, 2).ok);
}

TEST(BankCompiler, ErrorsNameFileLineAndProblem) {
  const std::string good = ReadText(kFixture1);
  struct Case {
    std::string prefix, replacement, message;
  };
  const Case cases[] = {
      {"VCF Cutoff", "VCF Cutof = 3", "unknown key 'VCF Cutof'"},
      {"VCF Cutoff", "VCF Cutoff = 64", "value 64 of 'VCF Cutoff' out of range 0..63"},
      {"VCF Cutoff", "VCF Cutoff = 3.5", "not a whole number: '3.5' for 'VCF Cutoff'"},
      {"LFO 2 Waveform", "LFO 2 Waveform = Sine", "unknown value 'Sine' for 'LFO 2 Waveform'"},
      {"DCO 1 Octave", "DCO 1 Octave = 5", "value 5 of 'DCO 1 Octave' out of range 0..3"},
      {"[PRG 2]", "[PRG 2] ELECTRIC  PIANO", "must be 'ELECTRIC PIANO'"},
      {"[PRG 3]", "[PRG 4] BRASS 1", "out of order: expected 3"},
      {"[COMBI 77]", "[PRG 77] REEDS -- COMB", "must be a [COMBI n] block"},
      {"Lower Program", "Lower Program = GRAND PIANO", "names no PRG of bank 1: 'GRAND PIANO'"},
      {"Upper Program", "Upper Program = 76", "is not a PRG number 1..75"},
      {"Keyboard Mode", "Keyboard Mode = Layer", "unknown value 'Layer' for 'Keyboard Mode'"},
      {"Split Point", "Split Point = 0", "value 0 of 'Split Point' out of range 1..61"},
      {"VCA Decay", "just some words", "expected 'key = value'"},
  };
  for (const Case& c : cases) {
    std::string text = good;
    const int line = ReplaceLine(text, c.prefix, c.replacement);
    ASSERT_GT(line, 0) << c.prefix;
    const bankc::CompileResult r = bankc::CompileBank(text, "bank.txt", 1);
    EXPECT_FALSE(r.ok) << c.replacement;
    EXPECT_TRUE(r.image.empty());
    const std::string expected = "bank.txt:" + std::to_string(line) + ": ";
    bool found = false;
    for (const std::string& e : r.errors) found = found || (e.rfind(expected, 0) == 0 && e.find(c.message) != std::string::npos);
    EXPECT_TRUE(found) << "wanted " << expected << c.message << "; got " << (r.errors.empty() ? "" : r.errors[0]);
  }

  // Missing and repeated keys, a missing program.
  std::string missing = good;
  const int header = ReplaceLine(missing, "[PRG 9]", "[PRG 9] HI-RES. SYNTH");
  ReplaceLine(missing, "VCF Track", "");  // first VCF Track belongs to PRG 1
  bankc::CompileResult r = bankc::CompileBank(missing, "b", 1);
  ASSERT_FALSE(r.ok);
  EXPECT_NE(r.errors[0].find("missing key 'VCF Track' in program 1"), std::string::npos) << r.errors[0];
  EXPECT_GT(header, 0);

  std::string repeated = good;
  const int line = ReplaceLine(repeated, "VCF Resonance", "VCF Cutoff = 1");
  r = bankc::CompileBank(repeated, "b", 1);
  ASSERT_FALSE(r.ok);
  bool sawRepeat = false;
  for (const std::string& e : r.errors) sawRepeat = sawRepeat || e.find("b:" + std::to_string(line) + ": repeated key 'VCF Cutoff'") == 0;
  EXPECT_TRUE(sawRepeat);

  const std::string cut = good.substr(0, good.find("[COMBI 99]"));
  r = bankc::CompileBank(cut, "b", 1);
  ASSERT_FALSE(r.ok);
  EXPECT_NE(r.errors.back().find("program 99 missing"), std::string::npos);

  // The names belong to their bank.
  EXPECT_FALSE(bankc::CompileBankFile(kFixture1, 2).ok);
  EXPECT_FALSE(bankc::CompileBankFile("/no/such/bank.txt", 1).ok);
}

TEST(BankCompiler, ProgramParameterTableMatchesThePlugIn) {
  test::Instance s;
  for (int id = 0; id < kNumProgramValues; ++id) {
    const ProgramParameterInfo& info = GetProgramParameterInfo(id);
    const IParameter* p = s.plug->GetParameter(id);
    EXPECT_STREQ(info.name, p->GetName()) << id;
    EXPECT_EQ(info.minimum, p->GetMin()) << id;
    EXPECT_EQ(info.maximum, p->GetMax()) << id;
    EXPECT_EQ(info.defaultValue, p->GetDefault()) << id;
    EXPECT_EQ(info.enumTexts != nullptr, p->GetDisplayTextCount() > 0) << id;
    for (int i = 0; info.enumTexts && i < p->GetDisplayTextCount(); ++i)
      EXPECT_STREQ(info.enumTexts[i], p->GetDisplayTextAt(i));
  }
}

// The shipped banks: the committed images equal what their sources compile to, and the
// documented first Combi of bank 1.
TEST(FactoryBanks, CommittedImagesMatchTheSources) {
  for (int bank = 1; bank <= 2; ++bank) {
    const std::string base = std::string(PELLORY_BANKS_DIR) + "/bank" + std::to_string(bank);
    const bankc::CompileResult r = bankc::CompileBankFile(base + ".txt", bank);
    for (const std::string& e : r.errors) ADD_FAILURE() << e;
    ASSERT_TRUE(r.ok);
    std::vector<uint8_t> committed;
    ASSERT_TRUE(ReadFileBytes(base + ".syx", committed));
    EXPECT_TRUE(committed == r.image) << "resources/banks/bank" << bank
                                  << ".syx is stale: build the pellory-update-banks target and commit it";
  }
}

TEST(FactoryBanks, FirstCombiOfBankOneAndTheLoadedBanks) {
  test::Instance s;
  const CombiValues c = DecodeCombiRecord(s.plug->Programs().Record(76));
  EXPECT_EQ(c.lowerProgram, 3);
  EXPECT_EQ(c.upperProgram, 74);
  EXPECT_EQ(c.keyboardMode, kDouble);
  EXPECT_EQ(c.splitPoint, 1);
  EXPECT_EQ(c.upperTranspose, 25);
  EXPECT_EQ(c.lowerLevel, 28);
  EXPECT_EQ(c.upperLevel, 28);

  // What the module carries is what the sources compile to.
  for (int bank = 1; bank <= 2; ++bank) {
    const bankc::CompileResult r =
        bankc::CompileBankFile(std::string(PELLORY_BANKS_DIR) + "/bank" + std::to_string(bank) + ".txt", bank);
    ASSERT_TRUE(r.ok);
    ASSERT_TRUE(s.plug->LoadFactoryBank(bank == 2 ? 8 : 7));
    EXPECT_TRUE(s.plug->Programs().prgs == r.memory.prgs) << bank;
    EXPECT_TRUE(s.plug->Programs().combis == r.memory.combis) << bank;
  }
  EXPECT_STREQ(FactoryProgramName(1, 76), "CHOP BRASS -- COMB");
  EXPECT_STREQ(FactoryProgramName(2, 99), "SOLO TO ENSEMBLE STRINGS - STRINGS 1");
  EXPECT_STREQ(FactoryProgramName(3, 1), "");
  EXPECT_STREQ(FactoryProgramName(1, 100), "");
}

}  // namespace
}  // namespace pellory
