// The SysEx stream reader and writer, without a plug-in: a receiver records what a stream does.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "TestSupport.h"
#include "programs/SysEx.h"

namespace pellory {
namespace {

struct Recorder : SysExReceiver {
  ProgramMemory memory;
  std::vector<std::string> events;
  void OnSplitMessage(int s, int t) override { events.push_back("split " + std::to_string(s) + " " + std::to_string(t)); }
  void OnKeyboardModeMessage(int kind) override { events.push_back("mode " + std::to_string(kind)); }
  void OnProgramSelectMessage(int kind, int p) override {
    events.push_back("select " + std::to_string(kind) + " " + std::to_string(p));
  }
  void OnProgramData(int n, const uint8_t* record, int size, bool targeted) override {
    memory.Store(n, record, size);
    events.push_back("store " + std::to_string(n) + (targeted ? " targeted" : ""));
  }
};

bool Parse(const std::vector<uint8_t>& bytes, int target, Recorder& r) {
  ByteReader reader(bytes.data(), bytes.size());
  return ParseSysExStream(reader, target, r);
}

ProgramMemory RandomMemory(unsigned seed) {
  std::mt19937 rng(seed);
  ProgramMemory m;
  for (auto& r : m.prgs)
    for (auto& b : r) b = static_cast<uint8_t>(rng());
  for (auto& r : m.combis)
    for (auto& b : r) b = static_cast<uint8_t>(rng());
  return m;
}

std::vector<uint8_t> Message(int n, const uint8_t* record) {
  MemoryWriter out;
  WriteProgramMessage(out, n, record);
  return out.bytes;
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(SysExWriter, ProgramMessagesCarryNibblesLowFirst) {
  PrgRecord prg{};
  prg[0] = 0xA5;
  prg[36] = 0x3C;
  const std::vector<uint8_t> m = Message(12, prg.data());
  ASSERT_EQ(m.size(), 80u);
  EXPECT_EQ((std::vector<uint8_t>(m.begin(), m.begin() + 7)), (std::vector<uint8_t>{0xF0, 0x25, 0x10, 7, 11, 0x5, 0xA}));
  EXPECT_EQ(m[77], 0xC);
  EXPECT_EQ(m[78], 0x3);
  EXPECT_EQ(m[79], 0xF7);
  const CombiRecord combi{1, 2, 3, 4, 5, 6, 0xFF};
  const std::vector<uint8_t> c = Message(99, combi.data());
  ASSERT_EQ(c.size(), 20u);
  EXPECT_EQ(c[4], 98);
  EXPECT_EQ(c[17], 0xF);
  EXPECT_EQ(c[19], 0xF7);
  EXPECT_TRUE(Message(0, prg.data()).empty());
  EXPECT_TRUE(Message(100, prg.data()).empty());
}

TEST(SysExStream, AllProgramsRoundTripByteForByte) {
  const ProgramMemory original = RandomMemory(11);
  MemoryWriter out;
  WriteAllPrograms(out, original);
  ASSERT_EQ(out.bytes.size(), static_cast<std::size_t>(kAllProgramsSize));
  EXPECT_EQ(AllProgramsOffset(1), 0);
  EXPECT_EQ(out.bytes[AllProgramsOffset(76)], 0xF0);
  EXPECT_EQ(out.bytes[AllProgramsOffset(76) + 4], 75);

  Recorder r;
  EXPECT_TRUE(Parse(out.bytes, -1, r));
  EXPECT_TRUE(r.memory.prgs == original.prgs);
  EXPECT_TRUE(r.memory.combis == original.combis);
  MemoryWriter again;
  WriteAllPrograms(again, r.memory);
  EXPECT_EQ(again.bytes, out.bytes);
  Recorder zero;
  EXPECT_TRUE(Parse(out.bytes, 0, zero));  // 0 also means each message's own number
  EXPECT_TRUE(zero.memory.prgs == original.prgs);
}

TEST(SysExStream, TheTargetDecidesWhereAndHowMuchIsRead) {
  const ProgramMemory m = RandomMemory(5);
  Recorder r;
  EXPECT_TRUE(Parse(Message(40, m.Record(40)), 12, r));
  EXPECT_EQ(r.memory.prgs[11], m.prgs[39]);
  EXPECT_EQ(r.events, (std::vector<std::string>{"store 12 targeted"}));

  // A PRG message read for a Combi target is read as 7 record bytes: the F7 is not where
  // that size expects it, so the message is dropped.
  Recorder combi;
  EXPECT_FALSE(Parse(Message(40, m.Record(40)), 80, combi));
  EXPECT_TRUE(combi.events.empty());

  // A Combi message read for a PRG target runs out of bytes.
  Recorder prg;
  EXPECT_FALSE(Parse(Message(80, m.Record(80)), 3, prg));
  EXPECT_TRUE(prg.events.empty());

  // Device byte ignored; a message number beyond 99 stores nothing.
  std::vector<uint8_t> bad = Message(50, m.Record(50));
  bad[2] = 0x7F;
  bad[4] = 120;
  Recorder dropped;
  EXPECT_FALSE(Parse(bad, -1, dropped));
  EXPECT_TRUE(dropped.events.empty());
}

TEST(SysExStream, ShortMessagesSelectModesAndPrograms) {
  Recorder r;
  const std::vector<uint8_t> stream = {0xF0, 0x25, 0x10, 0, 30, 40, 0xF7,  // split at 30, transpose 40
                                       0xF0, 0x25, 0x10, 1, 0xF7, 0xF0, 0x25, 0x10, 2, 0xF7, 0xF0, 0x25, 0x10, 3,
                                       0xF7, 0xF0, 0x25, 0x10, 5, 75, 0xF7,  // wraps to program 1
                                       0xF0, 0x25, 0x10, 5, 80, 0xF7, 0xF0, 0x25, 0x10, 6, 74, 0xF7,
                                       0xF0, 0x25, 0x10, 6, 0x80 + 3, 0xF7};  // only the low 7 bits count
  EXPECT_TRUE(Parse(stream, -1, r));
  EXPECT_EQ(r.events, (std::vector<std::string>{"split 30 40", "mode 1", "mode 2", "mode 3", "select 5 1",
                                                "select 5 6", "select 6 75", "select 6 4"}));
}

TEST(SysExStream, DamagedStreams) {
  const ProgramMemory m = RandomMemory(9);
  const std::vector<uint8_t> a = Message(1, m.Record(1)), b = Message(2, m.Record(2));

  Recorder empty;
  EXPECT_FALSE(Parse({}, -1, empty));
  Recorder garbage;
  EXPECT_FALSE(Parse({1, 2, 3, 0xF7, 0x25, 7}, -1, garbage));
  EXPECT_TRUE(garbage.events.empty());

  // Another maker's message ends parsing: the message after it is not read.
  std::vector<uint8_t> foreign = {0xF0, 0x41, 0x10, 7, 2, 0xF7};
  Recorder stop;
  EXPECT_TRUE(Parse(a + foreign + b, -1, stop));
  EXPECT_EQ(stop.events, (std::vector<std::string>{"store 1"}));

  // A program message without its F7 is dropped; the next message is still read, also when
  // its F0 stands where the F7 should be.
  std::vector<uint8_t> noEnd(a.begin(), a.end() - 1);
  Recorder skip;
  EXPECT_TRUE(Parse(noEnd + std::vector<uint8_t>{0x00} + b, -1, skip));
  EXPECT_EQ(skip.events, (std::vector<std::string>{"store 2"}));
  Recorder adjacent;
  EXPECT_TRUE(Parse(noEnd + b, -1, adjacent));
  EXPECT_EQ(adjacent.events, (std::vector<std::string>{"store 2"}));
  Recorder last;
  EXPECT_FALSE(Parse(b + noEnd + std::vector<uint8_t>{0x00}, -1, last));
  EXPECT_EQ(last.events, (std::vector<std::string>{"store 2"}));

  // Every cut of a message stores nothing and reports failure.
  for (std::size_t cut = 1; cut < a.size(); ++cut) {
    Recorder r;
    EXPECT_FALSE(Parse(std::vector<uint8_t>(a.begin(), a.begin() + static_cast<long>(cut)), -1, r)) << cut;
    EXPECT_TRUE(r.events.empty());
  }
  for (const std::vector<uint8_t>& cut : {std::vector<uint8_t>{0xF0, 0x25, 0x10, 0, 30},
                                         std::vector<uint8_t>{0xF0, 0x25, 0x10, 5}}) {
    Recorder r;
    EXPECT_FALSE(Parse(a + cut, -1, r));
  }

  // Unknown kinds are skipped without changing the result.
  Recorder unknown;
  EXPECT_FALSE(Parse({0xF0, 0x25, 0x10, 4, 0xF7, 0xF0, 0x25, 0x10, 9, 1, 2, 0xF7}, -1, unknown));
  Recorder after;
  EXPECT_TRUE(Parse(a + std::vector<uint8_t>{0xF0, 0x25, 0x10, 8, 0xF7}, -1, after));
}

TEST(ProgramFiles, ProbeAndReadSingleProgramFiles) {
  test::TempFolder folder;
  const ProgramMemory m = RandomMemory(21);
  auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = folder.File(name);
    FileWriter out(path);
    out.Write(bytes.data(), bytes.size());
    EXPECT_TRUE(out.Close());
    return path;
  };
  const std::string prg = write("prg.syx", Message(12, m.Record(12)));
  const std::string combi = write("combi.syx", Message(77, m.Record(77)));
  MemoryWriter all;
  WriteAllPrograms(all, m);
  const std::string bank = write("all.syx", all.bytes);
  const std::vector<uint8_t> full = Message(12, m.Record(12));
  const std::string noEnd = write("noend.syx", std::vector<uint8_t>(full.begin(), full.end() - 1) + std::vector<uint8_t>{0});
  const std::string tiny = write("tiny.syx", {0xF0, 0x25, 0x10, 7});
  const std::string other = write("other.syx", {0xF0, 0x25, 0x10, 5, 3, 0xF7});

  EXPECT_EQ(ProbeProgramFile(prg), 12);
  EXPECT_EQ(ProbeProgramFile(combi), 77);
  EXPECT_EQ(ProbeProgramFile(bank), -1);
  EXPECT_EQ(ProbeProgramFile(tiny), 0);
  EXPECT_EQ(ProbeProgramFile(other), 0);
  EXPECT_EQ(ProbeProgramFile(folder.File("missing.syx")), 0);

  uint8_t buffer[kPrgRecordSize] = {};
  EXPECT_EQ(ReadSingleProgramFile(prg, buffer), 12);
  EXPECT_TRUE(std::equal(buffer, buffer + kPrgRecordSize, m.Record(12)));
  EXPECT_EQ(ReadSingleProgramFile(combi, buffer), 77);
  EXPECT_TRUE(std::equal(buffer, buffer + kCombiRecordSize, m.Record(77)));
  EXPECT_EQ(ReadSingleProgramFile(noEnd, buffer), 0);
  EXPECT_EQ(ReadSingleProgramFile(tiny, buffer), 0);

  FileWriter nowhere(folder.File("no/such/folder.syx"));
  EXPECT_TRUE(nowhere.Failed());
  nowhere.Write(full.data(), full.size());
  EXPECT_FALSE(nowhere.Close());
}

}  // namespace
}  // namespace pellory
