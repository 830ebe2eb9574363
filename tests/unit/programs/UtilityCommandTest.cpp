// The utility menu and its commands, driven as the editor drives them: scripted answers,
// real files in temporary folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ScriptedDialogs.h"
#include "TestSupport.h"
#include "platform/Profile.h"
#include "platform/Resources.h"
#include "programs/SysEx.h"

namespace pellory {
namespace {

namespace fs = std::filesystem;
using test::Instance;
using test::ScriptedDialogs;
using test::ShownBox;
using D = ProgramDialogs;

constexpr int kYes = D::kResultYes, kNo = D::kResultNo, kCancel = D::kResultCancel;

int Value(Instance& s, int id) { return static_cast<int>(s.plug->GetParameter(id)->Value()); }

PrgValues ParameterValues(Instance& s) {
  PrgValues v{};
  for (int id = 0; id < kNumProgramValues; ++id) v[id] = Value(s, id);
  return v;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  ReadFileBytes(path, bytes);
  return bytes;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Record(int n, int seed) {
  std::vector<uint8_t> record(static_cast<std::size_t>(RecordSizeOf(n)));
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(seed * 29 + i * 13);
  return record;
}

std::vector<uint8_t> Message(int n, const std::vector<uint8_t>& record) {
  MemoryWriter out;
  WriteProgramMessage(out, n, record.data());
  return out.bytes;
}

bool SameMemory(const ProgramMemory& a, const ProgramMemory& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

ShownBox Box(const std::string& text, const std::string& caption, int style) { return {text, caption, style}; }

void ExpectBoxes(const std::vector<ShownBox>& shown, const std::vector<ShownBox>& expected) {
  ASSERT_EQ(shown.size(), expected.size());
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i].text, expected[i].text) << i;
    EXPECT_EQ(shown[i].caption, expected[i].caption) << i;
    EXPECT_EQ(shown[i].style, expected[i].style) << i;
  }
}

struct Commands : ::testing::Test {
  Instance s;
  ScriptedDialogs dialogs;
  test::TempFolder files;
  void SetUp() override { s.plug->SetProgramDialogs(&dialogs); }
  std::string Ini(const char* section, const char* key) {
    return platform::GetProfileString(section, key, "", s.plug->IniPath(), 259);
  }
  // Runs a command with the file dialog answering path and the message boxes answers.
  void Run(int command, const std::string& path, std::deque<int> answers = {}) {
    dialogs.Clear();
    dialogs.files = {path};
    dialogs.answers = std::move(answers);
    s.plug->RunUtilityCommand(command);
    EXPECT_TRUE(dialogs.files.empty()) << "no file dialog for command " << command;
    EXPECT_TRUE(dialogs.answers.empty()) << "unused answers for command " << command;
  }
};

// Menus.

std::vector<std::pair<std::string, int>> Flatten(const Menu& menu) {
  std::vector<std::pair<std::string, int>> items;
  for (const MenuItem& item : menu) {
    items.emplace_back(item.separator ? "-" : item.text + (item.checked ? " [x]" : ""), item.command);
    for (const MenuItem& sub : item.submenu) items.emplace_back("  " + sub.text + (sub.checked ? " [x]" : ""), sub.command);
  }
  return items;
}

TEST_F(Commands, UtilityMenuFollowsModeProgramAndOptions) {
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  const std::vector<std::pair<std::string, int>> plain = {
      {"Init PRG", 0}, {"-", 1}, {"Load Lower PRG", 2}, {"Load SysEx File", 5}, {"Load Tape Dump", 6},
      {"Restore Factory Bank 1", 7}, {"Restore Factory Bank 2", 8}, {"-", 9}, {"Save Lower PRG", 10},
      {"Save All PRGs As Single File", 15}, {"-", 16}, {"Default Path for PRG Files...", 19},
      {"Default Path for SysEx Files...", 20}, {"Start In Edit Mode", 17}, {"Don't Ask To Commit", 18},
      {"Global MIDI Settings...", 21}, {"  MIDI Thru", 26}, {"  Ignore Program Change", 27},
      {"Reload Configuration", 22}, {"Save Configuration", 23}, {"-", 24}, {"Go Online...", 25},
      {"  Check Online for Update", 28}, {"  Visit velloranmusic.com", 29}};
  EXPECT_EQ(Flatten(s.plug->BuildUtilityMenu()), plain);
  const std::vector<std::pair<std::string, int>> lowerMenu = {{"Load Lower PRG", 2}, {"Save Lower PRG", 10}};
  EXPECT_EQ(Flatten(s.plug->BuildDisplayMenu(0)), lowerMenu);
  EXPECT_TRUE(s.plug->BuildDisplayMenu(1).empty());
  EXPECT_TRUE(s.plug->BuildDisplayMenu(2).empty());

  // A Combi in Split with edits everywhere; options on.
  s.plug->SetParameterAndNotify(kProgramNumber, 80);
  s.plug->SetParameterAndNotify(kKeyboardMode, kSplit);
  s.plug->SetParameterAndNotify(kSplitPoint, Value(s, kSplitPoint) == 30 ? 31 : 30);
  s.plug->SetParameterAndNotify(6, Value(s, 6) == 10 ? 11 : 10);
  s.plug->startInEditMode = s.plug->midiThru = true;
  const auto combi = Flatten(s.plug->BuildUtilityMenu());
  const std::vector<std::pair<std::string, int>> head = {
      {"Init PRG", 0}, {"-", 1}, {"Load Lower PRG", 2}, {"Load Upper PRG", 3}, {"Load Combi PRG", 4},
      {"Load SysEx File", 5}, {"Load Tape Dump", 6}, {"Restore Factory Bank 1", 7}, {"Restore Factory Bank 2", 8},
      {"-", 9}, {"Save Unmodified Lower PRG", 10}, {"Save Modified Lower PRG", 11}, {"Save Upper PRG", 12},
      {"Save Unmodified Combi PRG", 13}, {"Save Modified Combi PRG", 14}, {"Save All PRGs As Single File", 15},
      {"-", 16}, {"Default Path for PRG Files...", 19}, {"Default Path for SysEx Files...", 20},
      {"Start In Edit Mode [x]", 17}, {"Don't Ask To Commit", 18}, {"Global MIDI Settings...", 21},
      {"  MIDI Thru [x]", 26}, {"  Ignore Program Change", 27}};
  ASSERT_GE(combi.size(), head.size());
  const std::vector<std::pair<std::string, int>> shownHead(combi.begin(), combi.begin() + head.size());
  EXPECT_EQ(shownHead, head);
  EXPECT_EQ(Flatten(s.plug->BuildDisplayMenu(1)),
            (std::vector<std::pair<std::string, int>>{{"Load Upper PRG", 3}, {"Save Upper PRG", 12}}));
  EXPECT_EQ(Flatten(s.plug->BuildDisplayMenu(2)),
            (std::vector<std::pair<std::string, int>>{
                {"Load Combi PRG", 4}, {"Save Unmodified Combi PRG", 13}, {"Save Modified Combi PRG", 14}}));
}

// 0 and 6.

TEST_F(Commands, InitPrgAsksFirstAndTapeDialogNeedsTheEditor) {
  s.plug->SetParameterAndNotify(6, 40);
  dialogs.answers = {kNo};
  s.plug->RunUtilityCommand(0);
  ExpectBoxes(dialogs.shown, {Box("Do you really want to initialize the current PRG?", "Initialize PRG", D::kMbYesNo)});
  EXPECT_EQ(Value(s, 6), 40);
  dialogs.answers = {kYes};
  s.plug->RunUtilityCommand(0);
  EXPECT_EQ(Value(s, 6), 25);  // the default rate
  EXPECT_TRUE(s.plug->EditorRefreshPending());

  s.plug->RunUtilityCommand(6);
  EXPECT_EQ(dialogs.tapeDialogs, 0);
  dialogs.editorOpen = true;
  s.plug->RunUtilityCommand(6);
  EXPECT_EQ(dialogs.tapeDialogs, 1);

  // Separators, submenu entries and unknown numbers do nothing.
  dialogs.Clear();
  const ProgramMemory before = s.plug->Programs();
  for (int command : {1, 9, 16, 21, 24, 25, 30, -1, 1000}) s.plug->RunUtilityCommand(command);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(SameMemory(before, s.plug->Programs()));
}

// 2, 3, 4.

TEST_F(Commands, LoadLowerPrgIntoTheNamedNumber) {
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  const auto record = Record(12, 1);
  const std::string path = files.File("prg twelve.syx");
  WriteBytes(path, Message(12, record));

  Run(2, path, {kNo});
  ExpectBoxes(dialogs.shown, {Box("Do you want to load the PRG data into PRG number 5?", "Load PRG", D::kMbYesNo)});
  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(dialogs.fileRequests[0].action, D::kFileOpen);
  EXPECT_EQ(dialogs.fileRequests[0].folder, s.documents.Path());
  EXPECT_EQ(dialogs.fileRequests[0].extensions, "syx");
  EXPECT_NE(std::memcmp(s.plug->Programs().Record(5), record.data(), record.size()), 0);

  Run(2, path, {kYes});
  EXPECT_EQ(std::memcmp(s.plug->Programs().Record(5), record.data(), record.size()), 0);
  EXPECT_EQ(ParameterValues(s), DecodePrgRecord(record.data()));
  EXPECT_EQ(s.plug->ProgramPath(), files.Path());
  EXPECT_EQ(Ini("Global", "Path to Program Files"), files.Path());

  // Cancelled dialog: nothing at all.
  Run(2, "");
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Commands, LoadPrgRefusesOtherKindsAndBrokenFiles) {
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  const ProgramMemory before = s.plug->Programs();
  const PrgValues params = ParameterValues(s);
  const std::string combi = files.File("combi.syx");
  WriteBytes(combi, Message(80, Record(80, 2)));
  Run(2, combi);
  ExpectBoxes(dialogs.shown, {Box("This file seems to contain data for a Combi PRG.", "Error", D::kMbOk)});

  std::vector<uint8_t> all;
  for (int n = 1; n <= 99; ++n) {
    const auto m = Message(n, Record(n, n));
    all.insert(all.end(), m.begin(), m.end());
  }
  const std::string allPath = files.File("all.syx");
  WriteBytes(allPath, all);
  for (const std::string& bad : {allPath, files.File("missing.syx")}) {
    Run(2, bad);
    ExpectBoxes(dialogs.shown, {Box("File does not contain valid PRG data.", "Error", D::kMbOk)});
  }
  const std::string garbage = files.File("garbage.syx");
  WriteBytes(garbage, {0x00, 0xFF, 0xF0, 0x25, 0x10, 0x07});
  Run(2, garbage);
  ExpectBoxes(dialogs.shown, {Box("File does not contain valid PRG data.", "Error", D::kMbOk)});

  // A program message cut short: asked, then "Cannot load file!", nothing loaded.
  auto cut = Message(12, Record(12, 3));
  cut.resize(60);
  const std::string cutPath = files.File("cut.syx");
  WriteBytes(cutPath, cut);
  Run(2, cutPath, {kYes});
  ExpectBoxes(dialogs.shown, {Box("Do you want to load the PRG data into PRG number 5?", "Load PRG", D::kMbYesNo),
                              Box("Cannot load file!", "Error", D::kMbOk)});
  EXPECT_TRUE(SameMemory(before, s.plug->Programs()));
  EXPECT_EQ(ParameterValues(s), params);
  EXPECT_EQ(s.plug->ProgramPath(), s.documents.Path());
}

TEST_F(Commands, LoadUpperAndCombiPrg) {
  // Without an upper layer or a Combi there is nothing to load into.
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  s.plug->RunUtilityCommand(3);
  s.plug->RunUtilityCommand(4);
  EXPECT_TRUE(dialogs.fileRequests.empty());

  s.plug->SetParameterAndNotify(kProgramNumber, 80);
  s.plug->SetParameterAndNotify(kKeyboardMode, kSplit);
  s.plug->SetParameterAndNotify(kUpperProgram, 9);
  const auto upper = Record(3, 4);
  const std::string prg = files.File("upper.syx");
  WriteBytes(prg, Message(3, upper));
  Run(3, prg, {kYes});
  ExpectBoxes(dialogs.shown, {Box("Do you want to load the PRG data into PRG number 9?", "Load PRG", D::kMbYesNo)});
  EXPECT_EQ(std::memcmp(s.plug->Programs().Record(9), upper.data(), upper.size()), 0);

  Run(4, prg);
  ExpectBoxes(dialogs.shown, {Box("This file seems to contain data for a normal PRG.", "Error", D::kMbOk)});
  const std::string junk = files.File("junk.syx");
  WriteBytes(junk, {1, 2, 3, 4, 5, 6, 7});
  Run(4, junk);
  ExpectBoxes(dialogs.shown, {Box("File does not contain valid Combi PRG data.", "Error", D::kMbOk)});

  auto combi = Record(90, 5);
  combi[2] = 1;  // keyboard mode Split, in range
  const std::string combiPath = files.File("combi ninety.syx");
  WriteBytes(combiPath, Message(90, combi));
  Run(4, combiPath, {kYes});
  ExpectBoxes(dialogs.shown,
              {Box("Do you want to load the PRG data into Combi PRG number 80?", "Load Combi PRG", D::kMbYesNo)});
  EXPECT_EQ(std::memcmp(s.plug->Programs().Record(80), combi.data(), combi.size()), 0);
  EXPECT_FALSE(s.plug->HasUncommittedChanges(80));  // the loaded Combi is in force
}

// 5.

TEST_F(Commands, LoadSysExFileOfAllProgramsFillsMemoryAndKeepsParameters) {
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  const std::vector<double> before = [&] {
    std::vector<double> v;
    for (int id = 0; id < kNumParameters; ++id) v.push_back(s.plug->GetParameter(id)->Value());
    return v;
  }();
  ProgramMemory expected;
  std::vector<uint8_t> all;
  for (int n = 1; n <= 99; ++n) {
    const auto r = Record(n, n + 7);
    expected.Store(n, r.data(), RecordSizeOf(n));
    const auto m = Message(n, r);
    all.insert(all.end(), m.begin(), m.end());
  }
  ASSERT_EQ(all.size(), 6480u);
  const std::string path = files.File("everything.syx");
  WriteBytes(path, all);
  Run(5, path, {kYes});
  ExpectBoxes(dialogs.shown, {Box("Do you want to load the SysEx data?", "Load SysEx Data", D::kMbYesNo)});
  EXPECT_EQ(dialogs.fileRequests.at(0).folder, s.documents.Path());
  for (int n = 1; n <= 99; ++n)
    EXPECT_EQ(std::memcmp(s.plug->Programs().Record(n), expected.Record(n), RecordSizeOf(n)), 0) << n;
  for (int id = 0; id < kNumParameters; ++id) EXPECT_EQ(s.plug->GetParameter(id)->Value(), before[id]) << id;
  EXPECT_EQ(s.plug->SysExPath(), files.Path());
  EXPECT_EQ(Ini("Global", "Path to SysEx Files"), files.Path());
  EXPECT_EQ(s.plug->ProgramPath(), s.documents.Path());

  // The same file cut short loads nothing at all.
  all.resize(5990);  // inside the 75th message
  WriteBytes(path, all);
  s.plug->Programs().prgs[0].fill(0);
  const ProgramMemory withZero = s.plug->Programs();
  Run(5, path, {kYes});
  ExpectBoxes(dialogs.shown, {Box("Do you want to load the SysEx data?", "Load SysEx Data", D::kMbYesNo),
                              Box("Cannot load file!", "Error", D::kMbOk)});
  EXPECT_TRUE(SameMemory(withZero, s.plug->Programs()));

  // No stops before loading.
  Run(5, path, {kNo});
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(Commands, LoadSysExFileOfOneProgramOffersBothNumbers) {
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  const auto record = Record(12, 6);
  const std::string path = files.File("twelve.syx");
  WriteBytes(path, Message(12, record));
  const std::string text =
      "Do you want to load the PRG data\ninto the current PRG 5 (YES)\nor to PRG number 12 (NO)?";

  const ProgramMemory before = s.plug->Programs();
  Run(5, path, {kCancel});
  ExpectBoxes(dialogs.shown, {Box(text, "Load Program Data", D::kMbYesNoCancel)});
  EXPECT_TRUE(SameMemory(before, s.plug->Programs()));

  Run(5, path, {kNo});
  EXPECT_EQ(std::memcmp(s.plug->Programs().Record(12), record.data(), record.size()), 0);
  EXPECT_EQ(std::memcmp(s.plug->Programs().Record(5), before.Record(5), kPrgRecordSize), 0);

  Run(5, path, {kYes});
  EXPECT_EQ(std::memcmp(s.plug->Programs().Record(5), record.data(), record.size()), 0);
  EXPECT_EQ(ParameterValues(s), DecodePrgRecord(record.data()));

  // The current number itself.
  const auto five = Record(5, 8);
  WriteBytes(path, Message(5, five));
  Run(5, path, {kYes});
  ExpectBoxes(dialogs.shown, {Box("Do you want to load the PRG data?", "Load PRG", D::kMbYesNo)});
  EXPECT_EQ(std::memcmp(s.plug->Programs().Record(5), five.data(), five.size()), 0);

  // While a Combi plays, Yes means its lower program, which is heard at once.
  s.plug->SetParameterAndNotify(kProgramNumber, 80);
  const int lower = s.plug->LowerProgram();
  WriteBytes(path, Message(12, record));
  Run(5, path, {kYes});
  ExpectBoxes(dialogs.shown,
              {Box("Do you want to load the PRG data\ninto the current LOWER PRG " + std::to_string(lower) +
                       " (YES)\nor to LOWER PRG number 12 (NO)?",
                   "Load Program Data", D::kMbYesNoCancel)});
  EXPECT_EQ(std::memcmp(s.plug->Programs().Record(lower), record.data(), record.size()), 0);
  EXPECT_EQ(ParameterValues(s), DecodePrgRecord(record.data()));
}

TEST_F(Commands, LoadSysExFileOfACombi) {
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  auto combi = Record(90, 9);
  combi[2] = 2;
  const std::string path = files.File("ninety.syx");
  WriteBytes(path, Message(90, combi));
  Run(5, path, {kYes});
  ExpectBoxes(dialogs.shown, {Box("Do you want to load the Combi PRG data into Combi PRG number 90?",
                                  "Load Combi Program Data", D::kMbYesNo)});
  EXPECT_EQ(std::memcmp(s.plug->Programs().Record(90), combi.data(), combi.size()), 0);
  EXPECT_EQ(s.plug->CurrentProgram(), 5);

  s.plug->SetParameterAndNotify(kProgramNumber, 80);
  const ProgramMemory before = s.plug->Programs();
  combi[2] = 1;
  WriteBytes(path, Message(90, combi));
  const std::string text =
      "Do you want to load the Combi PRG data\ninto the current Combi PRG 80 (YES)\nor to Combi PRG number 90 (NO)?";
  Run(5, path, {kCancel});
  ExpectBoxes(dialogs.shown, {Box(text, "Load Combi Program Data", D::kMbYesNoCancel)});
  EXPECT_TRUE(SameMemory(before, s.plug->Programs()));
  Run(5, path, {kYes});
  EXPECT_EQ(std::memcmp(s.plug->Programs().Record(80), combi.data(), combi.size()), 0);

  // A program number beyond 99, and a file of nonsense.
  auto beyond = Message(12, Record(12, 1));
  beyond[4] = 110;
  WriteBytes(path, beyond);
  Run(5, path);
  ExpectBoxes(dialogs.shown, {Box("Cannot load file!", "Error", D::kMbOk)});
  WriteBytes(path, {'h', 'e', 'l', 'l', 'o', '\n'});
  const ProgramMemory kept = s.plug->Programs();
  Run(5, path, {kYes});
  ExpectBoxes(dialogs.shown, {Box("Do you want to load the SysEx data?", "Load SysEx Data", D::kMbYesNo),
                              Box("Cannot load file!", "Error", D::kMbOk)});
  EXPECT_TRUE(SameMemory(kept, s.plug->Programs()));
}

// 7, 8.

TEST_F(Commands, RestoreFactoryBankReplacesMemoryAndReloadsTheCurrentProgram) {
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  s.plug->SetParameterAndNotify(6, Value(s, 6) == 10 ? 11 : 10);
  s.plug->Programs().prgs[40].fill(0);
  const ProgramMemory before = s.plug->Programs();
  dialogs.answers = {kNo};
  s.plug->RunUtilityCommand(8);
  ExpectBoxes(dialogs.shown,
              {Box("Do you really want to restore the factory bank 2?", "Restore Factory Sounds", D::kMbYesNo)});
  EXPECT_TRUE(SameMemory(before, s.plug->Programs()));

  dialogs.Clear();
  dialogs.answers = {kYes};
  s.plug->RunUtilityCommand(8);
  platform::ResourceData bank;
  ASSERT_TRUE(platform::FindResourceData("FACTORYBANK", "BANK_2", bank));
  MemoryWriter image;
  WriteAllPrograms(image, s.plug->Programs());
  EXPECT_EQ(image.bytes, std::vector<uint8_t>(bank.data, bank.data + bank.size));
  EXPECT_EQ(ParameterValues(s), DecodePrgRecord(s.plug->Programs().Record(5)));
  EXPECT_FALSE(s.plug->HasUncommittedChanges(5));
  EXPECT_EQ(s.plug->BrowserSourceValue(), Pellory::kBrowserBank2);

  dialogs.Clear();
  dialogs.answers = {kYes};
  s.plug->RunUtilityCommand(7);
  EXPECT_EQ(dialogs.shown.at(0).text, "Do you really want to restore the factory bank 1?");
  EXPECT_EQ(s.plug->BrowserSourceValue(), Pellory::kBrowserBank1);
}

// 10 .. 15.

TEST_F(Commands, SaveProgramsWritesOneMessagePerFile) {
  s.plug->SetParameterAndNotify(kProgramNumber, 80);
  s.plug->SetParameterAndNotify(kKeyboardMode, kSplit);
  const int lower = s.plug->LowerProgram(), upper = s.plug->UpperProgram();
  s.plug->SetParameterAndNotify(6, Value(s, 6) == 10 ? 11 : 10);  // an edit of the lower PRG
  s.plug->SetParameterAndNotify(kSplitPoint, Value(s, kSplitPoint) == 30 ? 31 : 30);
  const ProgramMemory& memory = s.plug->Programs();

  const std::string unmodified = files.File("lower.syx");
  Run(10, unmodified);
  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(dialogs.fileRequests[0].fileName, "Pellory PRG 80");
  EXPECT_EQ(dialogs.fileRequests[0].action, D::kFileSave);
  EXPECT_EQ(dialogs.fileRequests[0].folder, s.documents.Path());
  EXPECT_EQ(dialogs.fileRequests[0].extensions, "syx");
  EXPECT_EQ(ReadBytes(unmodified),
            Message(lower, std::vector<uint8_t>(memory.Record(lower), memory.Record(lower) + kPrgRecordSize)));
  EXPECT_EQ(s.plug->ProgramPath(), files.Path());
  EXPECT_EQ(Ini("Global", "Path to Program Files"), files.Path());

  const std::string modified = files.File("modified.syx");
  Run(11, modified);
  const auto bytes = ReadBytes(modified);
  ASSERT_EQ(bytes.size(), 80u);
  uint8_t record[kPrgRecordSize];
  ASSERT_EQ(ReadSingleProgramFile(modified, record), lower);
  EXPECT_EQ(DecodePrgRecord(record), ParameterValues(s));

  Run(12, files.File("upper.syx"));
  EXPECT_EQ(ReadBytes(files.File("upper.syx")),
            Message(upper, std::vector<uint8_t>(memory.Record(upper), memory.Record(upper) + kPrgRecordSize)));

  Run(13, files.File("combi.syx"));
  EXPECT_EQ(ReadBytes(files.File("combi.syx")),
            Message(80, std::vector<uint8_t>(memory.Record(80), memory.Record(80) + kCombiRecordSize)));
  Run(14, files.File("combi edited.syx"));
  ASSERT_EQ(ReadBytes(files.File("combi edited.syx")).size(), 20u);
  ASSERT_EQ(ReadSingleProgramFile(files.File("combi edited.syx"), record), 80);
  EXPECT_EQ(DecodeCombiRecord(record).splitPoint, Value(s, kSplitPoint));

  Run(15, files.File("all.syx"));
  EXPECT_EQ(dialogs.fileRequests.at(0).fileName, "Pellory");
  MemoryWriter all;
  WriteAllPrograms(all, memory);
  EXPECT_EQ(ReadBytes(files.File("all.syx")), all.bytes);
  EXPECT_EQ(all.bytes.size(), 6480u);

  // Combi saves without a Combi: no dialog, no file.
  s.plug->SetParameterAndNotify(kProgramNumber, 7);
  dialogs.Clear();
  s.plug->RunUtilityCommand(13);
  s.plug->RunUtilityCommand(14);
  EXPECT_TRUE(dialogs.fileRequests.empty());
  // Cancelled: nothing written.
  Run(10, "");
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Commands, FailedSavesAreReportedAndLeaveTheOldFileWhole) {
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  Run(10, files.File("no such folder/x.syx"));
  ExpectBoxes(dialogs.shown, {Box("Cannot save file!", "Error", D::kMbOk)});
  EXPECT_EQ(s.plug->ProgramPath(), s.documents.Path());

  // A good file whose replacement cannot be written stays as it was.
  const std::string target = files.File("keep.syx");
  const std::vector<uint8_t> good = Message(3, Record(3, 3));
  WriteBytes(target, good);
  fs::create_directories(target + ".pellory-save");  // the temporary name is taken
  Run(15, target);
  ExpectBoxes(dialogs.shown, {Box("Cannot save file!", "Error", D::kMbOk)});
  EXPECT_EQ(ReadBytes(target), good);
  // A folder where the file should go cannot be replaced.
  fs::create_directories(files.File("a folder.syx"));
  Run(10, files.File("a folder.syx"));
  ExpectBoxes(dialogs.shown, {Box("Cannot save file!", "Error", D::kMbOk)});
  EXPECT_TRUE(fs::is_directory(files.File("a folder.syx")));
  EXPECT_FALSE(fs::exists(files.File("a folder.syx.pellory-save")));

  // Overwriting works and leaves no temporary file behind.
  fs::remove(target + ".pellory-save");
  Run(15, target);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(ReadBytes(target).size(), 6480u);
  EXPECT_FALSE(fs::exists(target + ".pellory-save"));
}

// 17 .. 29.

TEST_F(Commands, OptionsFoldersAndConfiguration) {
  s.plug->RunUtilityCommand(17);
  EXPECT_TRUE(s.plug->startInEditMode);
  EXPECT_EQ(Ini("Editor", "Start In Edit Mode"), "true");
  s.plug->RunUtilityCommand(17);
  EXPECT_EQ(Ini("Editor", "Start In Edit Mode"), "false");
  s.plug->RunUtilityCommand(18);
  EXPECT_TRUE(s.plug->dontAskToCommit);
  EXPECT_EQ(Ini("Editor", "Don't Ask To Commit"), "true");
  s.plug->RunUtilityCommand(26);
  EXPECT_TRUE(s.plug->midiThru);
  EXPECT_EQ(Ini("MIDI Global", "MIDI Thru"), "true");
  EXPECT_EQ(Ini("MIDI Global", "Ignore Program Change"), "");
  s.plug->RunUtilityCommand(27);
  EXPECT_TRUE(s.plug->ignoreProgramChange);
  EXPECT_EQ(Ini("MIDI Global", "Ignore Program Change"), "true");

  Run(19, files.File("sub") + "/[file name is ignored]");
  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(dialogs.fileRequests[0].fileName, "[file name is ignored]");
  EXPECT_EQ(dialogs.fileRequests[0].extensions, " ");
  EXPECT_EQ(dialogs.fileRequests[0].action, D::kFileSave);
  EXPECT_EQ(s.plug->ProgramPath(), files.File("sub"));
  EXPECT_EQ(Ini("Global", "Path to Program Files"), files.File("sub"));
  Run(20, files.File("x.syx"));
  EXPECT_EQ(dialogs.fileRequests[0].folder, s.documents.Path());
  EXPECT_EQ(Ini("Global", "Path to SysEx Files"), files.Path());
  Run(20, "");
  EXPECT_EQ(s.plug->SysExPath(), files.Path());

  // Reload: No keeps memory values, Yes reads the file.
  platform::WriteProfileString("MIDI Global", "MIDI Thru", "false", s.plug->IniPath());
  const std::string reload =
      "The INI configuration file is:\n" + s.plug->IniPath() + "\n\nDo you really want to reload it?";
  dialogs.Clear();
  dialogs.answers = {kNo};
  s.plug->RunUtilityCommand(22);
  ExpectBoxes(dialogs.shown, {Box(reload, "Reload Configuration", D::kMbYesNo)});
  EXPECT_TRUE(s.plug->midiThru);
  dialogs.answers = {kYes};
  s.plug->RunUtilityCommand(22);
  EXPECT_FALSE(s.plug->midiThru);

  // Save writes the controller map.
  s.plug->SetControllerMapping(7, 59);
  dialogs.Clear();
  dialogs.answers = {kYes};
  s.plug->RunUtilityCommand(23);
  ExpectBoxes(dialogs.shown, {Box("The INI configuration file is:\n" + s.plug->IniPath() +
                                      "\n\nDo you really want to overwrite it?",
                                  "Save Configuration", D::kMbYesNo)});
  EXPECT_EQ(Ini("MIDI Control", "CC7"), "59");

  // Reload of a deleted file.
  fs::remove(s.plug->IniPath());
  dialogs.Clear();
  dialogs.answers = {kYes};
  s.plug->RunUtilityCommand(22);
  ExpectBoxes(dialogs.shown, {Box(reload, "Reload Configuration", D::kMbYesNo),
                              Box("The INI file does not exist.", "Problem with INI File", D::kMbOk)});

  s.plug->RunUtilityCommand(29);
  EXPECT_EQ(dialogs.webPages, std::vector<std::string>{"http://www.velloranmusic.com"});
}

TEST_F(Commands, WithoutAnEditorCommandsAskNothingAndChooseNothing) {
  s.plug->SetProgramDialogs(nullptr);
  const ProgramMemory before = s.plug->Programs();
  for (int command : {2, 3, 4, 5, 6, 10, 11, 12, 13, 14, 15, 19, 20, 22, 23, 29}) s.plug->RunUtilityCommand(command);
  EXPECT_TRUE(SameMemory(before, s.plug->Programs()));
  EXPECT_EQ(s.plug->ProgramPath(), s.documents.Path());
}

}  // namespace
}  // namespace pellory
