#include "programs/tape/TapeRecords.h"

#include <cstring>

namespace pellory::tape {
namespace {

uint8_t Low6(uint8_t b) { return uint8_t(b & 63); }
uint8_t Top(uint8_t b) { return uint8_t(b >> 6); }     // bits 7..6 as 0..3
uint8_t Bit(uint8_t b, int n) { return uint8_t((b >> n) & 1); }

}  // namespace

PrgRecord ConvertEarlyModelRecord(const uint8_t* t) {
  PrgRecord p{};
  p[0] = 252;  // wheel amount 63
  for (int k = 0; k < 4; ++k) p[1 + k] = uint8_t(Low6(t[k]) * 4);
  // Detune 0, program volume 32, noise 0: the defaults, stored as the record stores them.
  p[5] = 0;
  p[6] = 128;
  p[7] = 0;
  p[8] = uint8_t(Low6(t[4]) * 4);
  p[9] = uint8_t(Low6(t[5]) * 4);
  p[10] = Low6(t[16]);
  p[11] = uint8_t(Top(t[14]) << 4 | Top(t[15]) << 2 | Top(t[16]));
  p[12] = uint8_t(Bit(t[8], 6) << 7 | Top(t[9]) << 5 | Top(t[10]) << 3);
  p[13] = uint8_t(Bit(t[11], 6) << 7 | Top(t[12]) << 5 | Top(t[13]) << 3);
  for (int k = 0; k < 10; ++k) p[14 + k] = uint8_t(Low6(t[6 + k]) * 4);
  for (int k = 0; k < 6; ++k) p[24 + k] = Low6(t[17 + k]);
  p[30] = Low6(t[24]);
  p[31] = Low6(t[26]);
  p[32] = Low6(t[23]);
  p[33] = Low6(t[25]);
  p[34] = uint8_t(Top(t[0]) << 6 | Top(t[1]) << 4 | Top(t[2]) << 2 | Top(t[3]));
  p[35] = uint8_t(Bit(t[17], 7) << 7 | Top(t[26]) << 2 | Top(t[25]));
  p[36] = uint8_t(Top(t[5]) << 4 | Top(t[6]) << 2 | Top(t[7]));
  return p;
}

bool IsWrittenPrgRecord(const PrgRecord& record) {
  return EncodePrgRecord(DecodePrgRecord(record.data())) == record;
}

bool IsWrittenCombiRecord(const CombiRecord& record) {
  return EncodeCombiRecord(DecodeCombiRecord(record.data())) == record;
}

bool HasOnlyValidRecords(const TapeDump& dump) {
  if (dump.model != DumpModel::kLater) return dump.model == DumpModel::kEarly;
  for (const PrgRecord& r : dump.prgs)
    if (!IsWrittenPrgRecord(r)) return false;
  for (const CombiRecord& r : dump.combis)
    if (!IsWrittenCombiRecord(r)) return false;
  return true;
}

TapeDump ExtractDump(const uint8_t* bytes, size_t size) {
  TapeDump dump;
  if (size == kEarlyDumpSize) {
    dump.model = DumpModel::kEarly;
    for (int i = 0; i < kEarlyPrgCount; ++i)
      dump.prgs.push_back(ConvertEarlyModelRecord(bytes + kEarlyPrgOffset + size_t(i) * kEarlyRecordBytes));
  } else if (size == kLaterDumpSize) {
    dump.model = DumpModel::kLater;
    dump.prgs.resize(kNumPrgs);
    for (size_t i = 0; i < dump.prgs.size(); ++i)
      std::memcpy(dump.prgs[i].data(), bytes + kLaterPrgOffset + i * kPrgRecordSize, kPrgRecordSize);
    dump.combis.resize(kNumCombis);
    for (size_t i = 0; i < dump.combis.size(); ++i)
      std::memcpy(dump.combis[i].data(), bytes + kLaterCombiOffset + i * kCombiRecordSize, kCombiRecordSize);
  }
  return dump;
}

}  // namespace pellory::tape
