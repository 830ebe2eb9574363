// Dump layouts and the early model's record conversion.
#include <gtest/gtest.h>

#include <vector>

#include "CassetteSimulator.h"
#include "platform/Resources.h"
#include "programs/tape/TapeRecords.h"

namespace pellory::tape {
namespace {

// Where one source bit of an early-model record ends up: record byte and bit, or nowhere.
struct Route {
  int byte = -1;
  int bit = -1;
};

// The bit-level routing of the early record, written out source bit by source bit.
Route RouteOf(int t, int bit) {
  const bool low = bit < 6;
  const int topBit = bit - 6;  // 0 or 1 within the top pair
  // Low six bits, scaled by 4 (shifted two places) unless noted.
  static const int scaled[17] = {1, 2, 3, 4, 8, 9, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, -1};
  if (low) {
    if (t <= 15) return {scaled[t], bit + 2};
    if (t == 16) return {10, bit};
    if (t <= 22) return {24 + (t - 17), bit};
    if (t == 23) return {32, bit};
    if (t == 24) return {30, bit};
    if (t == 25) return {33, bit};
    return {31, bit};  // t26
  }
  switch (t) {
    case 0: return {34, 6 + topBit};
    case 1: return {34, 4 + topBit};
    case 2: return {34, 2 + topBit};
    case 3: return {34, 0 + topBit};
    case 5: return {36, 4 + topBit};
    case 6: return {36, 2 + topBit};
    case 7: return {36, 0 + topBit};
    case 8: return bit == 6 ? Route{12, 7} : Route{};
    case 9: return {12, 5 + topBit};
    case 10: return {12, 3 + topBit};
    case 11: return bit == 6 ? Route{13, 7} : Route{};
    case 12: return {13, 5 + topBit};
    case 13: return {13, 3 + topBit};
    case 14: return {11, 4 + topBit};
    case 15: return {11, 2 + topBit};
    case 16: return {11, 0 + topBit};
    case 17: return bit == 7 ? Route{35, 7} : Route{};
    case 25: return {35, 0 + topBit};
    case 26: return {35, 2 + topBit};
    default: return {};  // t4 and t18..t24 keep only their low bits
  }
}

TEST(EarlyModelRecord, FixedValuesForWhatTheEarlyModelLacks) {
  const uint8_t zeros[27] = {};
  PrgRecord expected{};
  expected[0] = 252;  // wheel amount 63
  expected[6] = 128;  // program volume 32; detune (byte 5) and noise (byte 7) 0
  EXPECT_EQ(ConvertEarlyModelRecord(zeros), expected);

  // The fixed bytes are the record's own encoding of the defaults.
  const PrgValues defaults = DecodePrgRecord(ConvertEarlyModelRecord(zeros).data());
  for (int id : {36, 39, 28}) EXPECT_EQ(defaults[size_t(id)], GetProgramParameterInfo(id).defaultValue) << id;
  EXPECT_EQ(defaults[9], 63);

  uint8_t ones[27];
  std::fill(ones, ones + 27, 0xFF);
  const PrgRecord p = ConvertEarlyModelRecord(ones);
  EXPECT_EQ(p[0], 252);
  EXPECT_EQ(p[5], 0);
  EXPECT_EQ(p[6], 128);
  EXPECT_EQ(p[7], 0);
  EXPECT_EQ(p[10], 63);
  EXPECT_EQ(p[11], 63);
  EXPECT_EQ(p[12], 248);
  EXPECT_EQ(p[35], 143);
  EXPECT_EQ(p[36], 63);
}

TEST(EarlyModelRecord, EverySourceBitLandsWhereItBelongs) {
  const uint8_t zeros[27] = {};
  const PrgRecord base = ConvertEarlyModelRecord(zeros);
  for (int t = 0; t < 27; ++t) {
    for (int bit = 0; bit < 8; ++bit) {
      uint8_t src[27] = {};
      src[t] = uint8_t(1 << bit);
      const PrgRecord p = ConvertEarlyModelRecord(src);
      PrgRecord expected = base;
      const Route r = RouteOf(t, bit);
      if (r.byte >= 0) expected[size_t(r.byte)] = uint8_t(expected[size_t(r.byte)] | (1 << r.bit));
      EXPECT_EQ(p, expected) << "t" << t << " bit " << bit;
    }
  }
}

TEST(TapeDumpLayout, RecognisedByLengthAlone) {
  const std::vector<uint8_t> later = testing::PatternBytes(kLaterDumpSize, 11);
  TapeDump dump = ExtractDump(later.data(), later.size());
  ASSERT_EQ(dump.model, DumpModel::kLater);
  ASSERT_EQ(dump.prgs.size(), 75u);
  ASSERT_EQ(dump.combis.size(), 24u);
  for (size_t i : {size_t(0), size_t(40), size_t(74)})
    EXPECT_TRUE(std::equal(dump.prgs[i].begin(), dump.prgs[i].end(), later.begin() + 896 + 37 * long(i))) << i;
  for (size_t i : {size_t(0), size_t(23)})
    EXPECT_TRUE(std::equal(dump.combis[i].begin(), dump.combis[i].end(), later.begin() + 3671 + 7 * long(i))) << i;

  const std::vector<uint8_t> early = testing::PatternBytes(kEarlyDumpSize, 12);
  dump = ExtractDump(early.data(), early.size());
  ASSERT_EQ(dump.model, DumpModel::kEarly);
  ASSERT_EQ(dump.prgs.size(), 63u);
  EXPECT_TRUE(dump.combis.empty());
  EXPECT_EQ(dump.prgs[0], ConvertEarlyModelRecord(early.data() + 256));
  EXPECT_EQ(dump.prgs[62], ConvertEarlyModelRecord(early.data() + 256 + 62 * 27));

  for (size_t size : {size_t(0), size_t(2047), size_t(2049), size_t(3000), size_t(4095), size_t(4097)}) {
    const std::vector<uint8_t> other(size, 1);
    dump = ExtractDump(other.data(), other.size());
    EXPECT_EQ(dump.model, DumpModel::kNone) << size;
    EXPECT_TRUE(dump.prgs.empty() && dump.combis.empty()) << size;
  }
}

// A later-model dump loads only when every record is one the instrument can have written.
TEST(TapeDumpRecords, OnlyRecordsAsTheInstrumentWritesThemAreValid) {
  // Both factory banks: every record passes.
  for (const char* name : {"BANK_1", "BANK_2"}) {
    platform::ResourceData bank;
    ASSERT_TRUE(platform::FindResourceData("FACTORYBANK", name, bank));
    auto record = [&](int n, int i) {
      const size_t at = size_t(n <= 75 ? (n - 1) * 80 : 6000 + (n - 76) * 20) + 5 + 2 * size_t(i);
      return uint8_t(bank.data[at] | bank.data[at + 1] << 4);
    };
    for (int n = 1; n <= 75; ++n) {
      PrgRecord r;
      for (int i = 0; i < 37; ++i) r[size_t(i)] = record(n, i);
      EXPECT_TRUE(IsWrittenPrgRecord(r)) << name << " " << n;
    }
    for (int n = 76; n <= 99; ++n) {
      CombiRecord r;
      for (int i = 0; i < 7; ++i) r[size_t(i)] = record(n, i);
      EXPECT_TRUE(IsWrittenCombiRecord(r)) << name << " " << n;
    }
  }

  // One stray bit or one value out of range, byte by byte.
  const PrgRecord good = EncodePrgRecord(DecodePrgRecord(PrgRecord{}.data()));
  ASSERT_TRUE(IsWrittenPrgRecord(good));
  struct Bad {
    int byte;
    uint8_t value;
    const char* why;
  } bad[] = {
      {1, 5, "x4 scale with low bits"},   {14, 254, "x4 scale with low bits"},
      {5, 127, "detune below 128"},       {5, 129, "odd detune"},
      {10, 48, "octave 4"},               {11, 255, "octave beyond 3"},
      {12, 248, "pulse width 31"},        {13, 4, "pulse width with low bits"},
      {25, 66, "decay 66"},               {33, 64, "rate 64"},
      {35, 0x40, "unused waveform bit"},  {36, 0x80, "bit 7 of the DCO switches"},
  };
  for (const Bad& b : bad) {
    PrgRecord r = good;
    r[size_t(b.byte)] = b.value;
    EXPECT_FALSE(IsWrittenPrgRecord(r)) << b.byte << ": " << b.why;
  }
  const CombiRecord combi = {3, 74, 2, 0, 24, 112, 112};
  EXPECT_TRUE(IsWrittenCombiRecord(combi));
  for (auto [byte, value] : std::vector<std::pair<int, uint8_t>>{{0, 0}, {1, 76}, {2, 3}, {3, 61}, {4, 200}, {5, 113}}) {
    CombiRecord r = combi;
    r[size_t(byte)] = value;
    EXPECT_FALSE(IsWrittenCombiRecord(r)) << byte << " = " << int(value);
  }

  // A whole dump: one bad record spoils it; early-model records have no such rule.
  std::vector<uint8_t> later = testing::ValidLaterDump(4);
  EXPECT_TRUE(HasOnlyValidRecords(ExtractDump(later.data(), later.size())));
  later[896 + 37 * 17 + 25] = 66;  // PRG 18, "VCF Decay" 66
  EXPECT_FALSE(HasOnlyValidRecords(ExtractDump(later.data(), later.size())));
  later = testing::ValidLaterDump(4);
  later[3671 + 7 * 23 + 2] = 3;  // Combi 99, keyboard mode 3
  EXPECT_FALSE(HasOnlyValidRecords(ExtractDump(later.data(), later.size())));
  const std::vector<uint8_t> early(kEarlyDumpSize, 0xFF);
  EXPECT_TRUE(HasOnlyValidRecords(ExtractDump(early.data(), early.size())));
  EXPECT_FALSE(HasOnlyValidRecords(TapeDump{}));
}

}  // namespace
}  // namespace pellory::tape
