// The program browser over the factory banks and over a folder of real files.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "ScriptedDialogs.h"
#include "TestSupport.h"
#include "platform/Resources.h"
#include "programs/FactoryBankNames.h"
#include "programs/SysEx.h"

namespace pellory {
namespace {

using test::Instance;
using test::ScriptedDialogs;

int Value(Instance& s, int id) { return static_cast<int>(s.plug->GetParameter(id)->Value()); }

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A program message for n whose record bytes all come from seed.
std::vector<uint8_t> Message(int n, int seed) {
  std::vector<uint8_t> record(static_cast<std::size_t>(RecordSizeOf(n)));
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(seed * 31 + i * 7);
  MemoryWriter out;
  WriteProgramMessage(out, n, record.data());
  return out.bytes;
}

struct Browser : ::testing::Test {
  Instance s;
  ScriptedDialogs dialogs;
  void SetUp() override { s.plug->SetProgramDialogs(&dialogs); }
  std::string Folder() { return s.documents.Path(); }
  std::vector<int> Numbers() {
    std::vector<int> numbers;
    for (const auto& e : s.plug->BrowserPage()) numbers.push_back(e.number);
    return numbers;
  }
};

TEST_F(Browser, FactoryBanksPageThroughNinetyNineEntries) {
  ASSERT_EQ(s.plug->BrowserSourceValue(), Pellory::kBrowserBank1);
  auto page = s.plug->BrowserPage();
  ASSERT_EQ(page.size(), 60u);
  EXPECT_EQ(page[0].number, 1);
  EXPECT_EQ(page[0].name, FactoryProgramName(1, 1));
  EXPECT_EQ(page[59].number, 60);
  s.plug->ScrollBrowser(1);
  EXPECT_EQ(s.plug->BrowserFirstEntry(), 60);
  EXPECT_EQ(s.plug->BrowserSelection(), -2);
  page = s.plug->BrowserPage();
  EXPECT_EQ(page[38].number, 99);
  EXPECT_EQ(page[39].number, 0);  // beyond the bank: blank
  EXPECT_EQ(page[39].name, "");
  s.plug->ScrollBrowser(1);  // would reach the end: stays
  EXPECT_EQ(s.plug->BrowserFirstEntry(), 60);
  s.plug->ScrollBrowser(-1);
  s.plug->ScrollBrowser(-1);
  EXPECT_EQ(s.plug->BrowserFirstEntry(), 0);
  EXPECT_FALSE(s.plug->ClickBrowserEntry(60));
  s.plug->ScrollBrowser(1);
  EXPECT_FALSE(s.plug->ClickBrowserEntry(45));  // a blank entry does nothing

  s.plug->PanelCommand('Z');
  EXPECT_EQ(s.plug->BrowserFirstEntry(), 0);
  EXPECT_EQ(s.plug->BrowserPage()[4].name, FactoryProgramName(2, 5));
}

TEST_F(Browser, AuditionPlaysAnEntryWithoutWritingProgramMemory) {
  const ProgramMemory before = s.plug->Programs();
  s.plug->PanelCommand('Z');  // factory bank 2
  // The bank's record, straight from the resource.
  platform::ResourceData bank;
  ASSERT_TRUE(platform::FindResourceData("FACTORYBANK", "BANK_2", bank));
  uint8_t record[kPrgRecordSize];
  ASSERT_EQ(ReadSingleProgramBytes(std::vector<uint8_t>(bank.data + AllProgramsOffset(9),
                                                        bank.data + AllProgramsOffset(10)),
                                   record),
            9);
  ASSERT_TRUE(s.plug->ClickBrowserEntry(8));
  EXPECT_EQ(s.plug->BrowserSelection(), 9);
  EXPECT_EQ(s.plug->LowerProgram(), 9);
  EXPECT_EQ(s.plug->KeyboardModeValue(), kSingle);
  const PrgValues values = DecodePrgRecord(record);
  for (int id = 0; id < kNumProgramValues; ++id) EXPECT_EQ(Value(s, id), values[id]) << id;
  EXPECT_EQ(s.plug->PanelParameterNumber(), 0);
  EXPECT_TRUE(std::memcmp(&before, &s.plug->Programs(), sizeof(ProgramMemory)) == 0);
  EXPECT_EQ(s.plug->HasUncommittedChanges(9), values != DecodePrgRecord(before.Record(9)));

  // A Combi entry: its program number and the Combi's settings.
  s.plug->ScrollBrowser(1);
  dialogs.commitAnswers = {ProgramDialogs::kAnswerNo};  // the audition is an edit of PRG 9
  ASSERT_TRUE(s.plug->ClickBrowserEntry(79 - 60));
  EXPECT_EQ(s.plug->CurrentProgram(), 80);
  EXPECT_EQ(s.plug->BrowserSelection(), 80);
  EXPECT_TRUE(std::memcmp(&before, &s.plug->Programs(), sizeof(ProgramMemory)) == 0);
}

TEST_F(Browser, FolderListsOnlySingleProgramFilesSortedByName) {
  namespace fs = std::filesystem;
  const std::string f = Folder();
  WriteFile(f + "/b prg.syx", Bytes(Message(12, 1)));
  WriteFile(f + "/a combi.syx", Bytes(Message(80, 2)));
  WriteFile(f + "/c upper.SYX", Bytes(Message(4, 3)));
  WriteFile(f + "/d no extension", Bytes(Message(5, 4)));
  WriteFile(f + "/\xc3\xa9t\xc3\xa9 s\xc3\xbc" "d.syx", Bytes(Message(3, 5)));  // "été süd"
  std::vector<uint8_t> longer = Message(6, 6);
  longer.push_back(0xF0);  // 81 bytes: not a single program
  WriteFile(f + "/long.syx", Bytes(longer));
  std::vector<uint8_t> all;
  for (int n = 1; n <= 99; ++n) {
    const auto m = Message(n, n);
    all.insert(all.end(), m.begin(), m.end());
  }
  WriteFile(f + "/all.syx", Bytes(all));
  WriteFile(f + "/junk.syx", "not sysex at all");
  WriteFile(f + "/empty.syx", "");
  std::vector<uint8_t> beyond = Message(12, 7);
  beyond[4] = 120;  // program 121
  WriteFile(f + "/beyond.syx", Bytes(beyond));
  fs::create_directories(f + "/folder.syx");

  s.plug->PanelCommand('[');
  EXPECT_EQ(s.plug->BrowserFolder(), s.plug->ProgramPath());
  ASSERT_EQ(s.plug->BrowserSize(), 5);
  auto page = s.plug->BrowserPage();
  EXPECT_EQ(page[0].name, "a combi");
  EXPECT_EQ(page[0].number, 80);
  EXPECT_EQ(page[1].name, "b prg");
  EXPECT_EQ(page[2].name, "c upper");
  EXPECT_EQ(page[3].name, "d no extension");
  EXPECT_EQ(page[4].name, "\xc3\xa9t\xc3\xa9 s\xc3\xbc" "d");
  EXPECT_EQ(page[4].number, 3);
  EXPECT_EQ(page[5].number, 0);

  // Auditioning a file: its values, its number, memory untouched.
  const ProgramMemory before = s.plug->Programs();
  ASSERT_TRUE(s.plug->ClickBrowserEntry(1));
  uint8_t record[kPrgRecordSize];
  ASSERT_EQ(ReadSingleProgramFile(f + "/b prg.syx", record), 12);
  const PrgValues values = DecodePrgRecord(record);
  for (int id = 0; id < kNumProgramValues; ++id) EXPECT_EQ(Value(s, id), values[id]) << id;
  EXPECT_EQ(s.plug->LowerProgram(), 12);
  EXPECT_TRUE(s.plug->HasUncommittedChanges(12));
  EXPECT_TRUE(std::memcmp(&before, &s.plug->Programs(), sizeof(ProgramMemory)) == 0);
  EXPECT_TRUE(s.plug->ClickBrowserEntry(2));  // the upper-case extension plays too
  EXPECT_EQ(s.plug->LowerProgram(), 4);
  EXPECT_TRUE(s.plug->ClickBrowserEntry(4));
  EXPECT_EQ(s.plug->LowerProgram(), 3);
  ASSERT_TRUE(s.plug->ClickBrowserEntry(0));
  EXPECT_EQ(s.plug->CurrentProgram(), 80);

  // Deleted or replaced after listing: nothing happens.
  const int lower = s.plug->LowerProgram();
  fs::remove(f + "/b prg.syx");
  EXPECT_FALSE(s.plug->ClickBrowserEntry(1));
  WriteFile(f + "/d no extension", Bytes(Message(7, 9)));
  EXPECT_FALSE(s.plug->ClickBrowserEntry(3));
  WriteFile(f + "/c upper.SYX", "");
  EXPECT_FALSE(s.plug->ClickBrowserEntry(2));
  EXPECT_EQ(s.plug->LowerProgram(), lower);
  EXPECT_EQ(s.plug->CurrentProgram(), 80);
  EXPECT_TRUE(std::memcmp(&before, &s.plug->Programs(), sizeof(ProgramMemory)) == 0);

  // A folder that cannot be read lists nothing.
  s.plug->SetBrowserFolder(f + "/missing");
  EXPECT_EQ(s.plug->BrowserSize(), 0);
  EXPECT_FALSE(s.plug->ClickBrowserEntry(0));
}

TEST_F(Browser, ThousandsOfFilesPageAtBothEnds) {
  const std::string f = Folder();
  for (int i = 0; i < 3000; ++i) {
    char name[32];
    std::snprintf(name, sizeof(name), "/p%04d.syx", i);
    // Every 23rd file a program; the rest are too long or not SysEx.
    if (i % 23 == 0)
      WriteFile(f + name, Bytes(Message(1 + i % 99, i)));
    else
      WriteFile(f + name, i % 2 ? std::string(200, '\xF0') : std::string("text"));
  }
  const auto start = std::chrono::steady_clock::now();
  s.plug->PanelCommand('[');
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 5.0);
  ASSERT_EQ(s.plug->BrowserSize(), 131);
  EXPECT_EQ(s.plug->BrowserPage()[1].name, "p0023");
  s.plug->ScrollBrowser(1);
  s.plug->ScrollBrowser(1);
  EXPECT_EQ(s.plug->BrowserFirstEntry(), 120);
  EXPECT_EQ(s.plug->BrowserPage()[10].name, "p2990");
  EXPECT_EQ(s.plug->BrowserPage()[11].number, 0);
  s.plug->ScrollBrowser(1);
  EXPECT_EQ(s.plug->BrowserFirstEntry(), 120);
  for (int i = 0; i < 4; ++i) s.plug->ScrollBrowser(-1);
  EXPECT_EQ(s.plug->BrowserFirstEntry(), 0);

  // Exactly one page: scrolling down stays on it.
  s.plug->SetBrowserFolder(f + "/none");
  s.plug->ScrollBrowser(1);
  EXPECT_EQ(s.plug->BrowserFirstEntry(), 0);
}

TEST_F(Browser, FirstClickAsksToCommitAnEditedProgram) {
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  s.plug->SetParameterAndNotify(6, Value(s, 6) == 10 ? 11 : 10);
  const PrgValues edited = DecodePrgRecord(s.plug->Programs().Record(5));

  dialogs.commitAnswers = {ProgramDialogs::kAnswerCancel};
  EXPECT_FALSE(s.plug->ClickBrowserEntry(20));
  EXPECT_EQ(dialogs.commitQuestions, std::vector<int>{5});
  EXPECT_EQ(s.plug->LowerProgram(), 5);
  EXPECT_EQ(s.plug->BrowserSelection(), -1);

  dialogs.commitAnswers = {ProgramDialogs::kAnswerYes};
  EXPECT_TRUE(s.plug->ClickBrowserEntry(20));
  EXPECT_EQ(s.plug->LowerProgram(), 21);
  EXPECT_NE(DecodePrgRecord(s.plug->Programs().Record(5)), edited);  // committed the edit

  // Once an entry is selected, further clicks audition without asking.
  s.plug->SetParameterAndNotify(6, Value(s, 6) == 10 ? 11 : 10);
  EXPECT_TRUE(s.plug->ClickBrowserEntry(21));
  EXPECT_EQ(dialogs.commitQuestions.size(), 2u);
  // After scrolling the question comes back, unless the user turned it off.
  s.plug->ScrollBrowser(-1);
  s.plug->SetParameterAndNotify(6, Value(s, 6) == 10 ? 11 : 10);
  s.plug->dontAskToCommit = true;
  EXPECT_TRUE(s.plug->ClickBrowserEntry(2));
  EXPECT_EQ(dialogs.commitQuestions.size(), 2u);
}

}  // namespace
}  // namespace pellory
