// The two record formats against the instrument's byte table.
#include <gtest/gtest.h>

#include <random>

#include "programs/ProgramRecords.h"

namespace pellory {
namespace {

PrgValues RandomValues(std::mt19937& rng) {
  PrgValues v{};
  for (int id = 0; id < kNumProgramValues; ++id) {
    const ProgramParameterInfo& info = GetProgramParameterInfo(id);
    v[id] = std::uniform_int_distribution<int>(info.minimum, info.maximum)(rng);
  }
  return v;
}

// Byte -> id of the bytes that hold value x 4, and of those that hold the value itself.
const int kTimesFour[][2] = {{0, 9},   {1, 8},   {2, 7},   {3, 52},  {4, 51},  {6, 39},  {7, 28},
                             {8, 27},  {9, 35},  {14, 16}, {15, 17}, {16, 12}, {17, 18}, {18, 15},
                             {19, 14}, {20, 19}, {21, 42}, {22, 37}, {23, 38}};
const int kPlain[][2] = {{24, 10}, {25, 11}, {26, 13}, {27, 40}, {28, 41},
                         {29, 43}, {30, 5},  {31, 49}, {32, 6},  {33, 50}};

TEST(PrgRecord, EveryByteFollowsTheInstrumentLayout) {
  std::mt19937 rng(7);
  for (int round = 0; round < 50; ++round) {
    const PrgValues v = RandomValues(rng);
    const PrgRecord r = EncodePrgRecord(v);
    for (const auto& b : kTimesFour) EXPECT_EQ(r[b[0]], v[b[1]] * 4) << "byte " << b[0];
    for (const auto& b : kPlain) EXPECT_EQ(r[b[0]], v[b[1]]) << "byte " << b[0];
    EXPECT_EQ(r[5], (128 + 2 * v[36]) % 256);
    EXPECT_EQ(r[10], v[21] * 12 + v[25]);
    EXPECT_EQ(r[11], v[29] * 12 + v[33]);
    EXPECT_EQ(r[12], v[26] * 8);
    EXPECT_EQ(r[13], v[34] * 8);
    EXPECT_EQ(r[34], v[48] << 7 | v[47] << 6 | v[46] << 5 | v[45] << 4 | v[4] << 3 | v[3] << 2 | v[2] << 1 | v[1]);
    EXPECT_EQ(r[35], v[20] << 7 | v[44] << 2 | v[0]);
    EXPECT_EQ(r[36], v[30] << 5 | v[22] << 4 | v[31] << 3 | v[23] << 2 | v[32] << 1 | v[24]);
    EXPECT_EQ(DecodePrgRecord(r.data()), v);
  }
}

TEST(PrgRecord, DecodingFoldsOutOfRangeBytesLikeTheInstrument) {
  PrgRecord r{};
  r[5] = 127;  // below the 128 offset: no detune
  EXPECT_EQ(DecodePrgRecord(r.data())[36], 0);
  r[5] = 255;
  EXPECT_EQ(DecodePrgRecord(r.data())[36], 63);
  r[5] = 131;
  EXPECT_EQ(DecodePrgRecord(r.data())[36], 1);

  r[12] = 248;
  EXPECT_EQ(DecodePrgRecord(r.data())[26], 30);
  r[12] = 247;
  EXPECT_EQ(DecodePrgRecord(r.data())[26], 30);
  r[13] = 255;
  EXPECT_EQ(DecodePrgRecord(r.data())[34], 30);

  r[10] = 4 * 12 + 7;  // an octave the instrument does not have reads as 32'
  PrgValues v = DecodePrgRecord(r.data());
  EXPECT_EQ(v[21], 0);
  EXPECT_EQ(v[25], 7);
  r[11] = 3 * 12 + 11;
  v = DecodePrgRecord(r.data());
  EXPECT_EQ(v[29], 3);
  EXPECT_EQ(v[33], 11);

  for (int byte = 24; byte <= 33; ++byte) r[byte] = 200;
  r[0] = 255;
  v = DecodePrgRecord(r.data());
  for (const auto& b : kPlain) EXPECT_EQ(v[b[1]], 63);
  EXPECT_EQ(v[9], 63);

  r[36] = 0xC0;  // the two unused bits switch nothing on
  v = DecodePrgRecord(r.data());
  for (int id : {22, 23, 24, 30, 31, 32}) EXPECT_EQ(v[id], 0);
}

TEST(PrgRecord, AnyBytesDecodeIntoTheParameterRanges) {
  std::mt19937 rng(3);
  for (int round = 0; round < 2000; ++round) {
    PrgRecord r;
    for (auto& b : r) b = static_cast<uint8_t>(rng());
    const PrgValues v = DecodePrgRecord(r.data());
    for (int id = 0; id < kNumProgramValues; ++id) {
      EXPECT_GE(v[id], GetProgramParameterInfo(id).minimum);
      EXPECT_LE(v[id], GetProgramParameterInfo(id).maximum);
    }
  }
}

TEST(PrgRecord, EncodingPlainValuesTruncatesAndSwitchesFromHalfWay) {
  double values[kNumProgramValues];
  for (int id = 0; id < kNumProgramValues; ++id) values[id] = GetProgramParameterInfo(id).defaultValue;
  values[6] = 40.9;   // LFO 1 Rate: truncated
  values[1] = 0.49;   // a switch just below half way is off
  values[45] = 0.5;   // and from half way on
  values[21] = 2.7;   // an enumeration truncates
  const PrgValues v = DecodePrgRecord(EncodePrgRecord(values).data());
  EXPECT_EQ(v[6], 40);
  EXPECT_EQ(v[1], 0);
  EXPECT_EQ(v[45], 1);
  EXPECT_EQ(v[21], 2);
}

TEST(CombiRecord, ZeroRecordAndOverflowDecodeIntoRange) {
  const CombiRecord zero{};
  CombiValues c = DecodeCombiRecord(zero.data());
  EXPECT_EQ(c.lowerProgram, 1);
  EXPECT_EQ(c.upperProgram, 1);
  EXPECT_EQ(c.keyboardMode, 0);
  EXPECT_EQ(c.splitPoint, 1);
  EXPECT_EQ(c.upperTranspose, 1);
  EXPECT_EQ(c.lowerLevel, 0);
  EXPECT_EQ(c.upperLevel, 0);

  CombiRecord full;
  full.fill(255);
  c = DecodeCombiRecord(full.data());
  EXPECT_EQ(c.lowerProgram, 75);
  EXPECT_EQ(c.upperProgram, 75);
  EXPECT_EQ(c.keyboardMode, 2);
  EXPECT_EQ(c.splitPoint, 61);
  EXPECT_EQ(c.upperTranspose, 61);
  EXPECT_EQ(c.lowerLevel, 63);
  EXPECT_EQ(c.upperLevel, 63);
}

TEST(CombiRecord, LayoutAndRoundTrip) {
  CombiValues c;
  c.lowerProgram = 3;
  c.upperProgram = 74;
  c.keyboardMode = 2;
  c.splitPoint = 1;
  c.upperTranspose = 25;
  c.lowerLevel = 28;
  c.upperLevel = 17;
  const CombiRecord r = EncodeCombiRecord(c);
  EXPECT_EQ(r, (CombiRecord{3, 74, 2, 0, 24, 112, 68}));
  const CombiValues back = DecodeCombiRecord(r.data());
  EXPECT_EQ(back.lowerProgram, 3);
  EXPECT_EQ(back.upperProgram, 74);
  EXPECT_EQ(back.keyboardMode, 2);
  EXPECT_EQ(back.splitPoint, 1);
  EXPECT_EQ(back.upperTranspose, 25);
  EXPECT_EQ(back.lowerLevel, 28);
  EXPECT_EQ(back.upperLevel, 17);
}

}  // namespace
}  // namespace pellory
