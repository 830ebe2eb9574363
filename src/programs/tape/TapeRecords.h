#pragma once
// The two dump layouts and the conversion of the early model's 27-byte programs into
// 37-byte PRG records.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "programs/ProgramRecords.h"

namespace pellory::tape {

constexpr size_t kEarlyRecordBytes = 27;

// Early model: 2048 bytes, 63 programs of 27 bytes from byte 256.
constexpr size_t kEarlyDumpSize = 2048;
constexpr size_t kEarlyPrgOffset = 256;
constexpr int kEarlyPrgCount = 63;
// Later models: 4096 bytes, 75 PRG records from byte 896, 24 Combi records from byte 3671.
constexpr size_t kLaterDumpSize = 4096;
constexpr size_t kLaterPrgOffset = 896;
constexpr size_t kLaterCombiOffset = 3671;

// Converts one early-model program (t0..t26) into a PRG record. Settings the early model does
// not have get fixed values: wheel amount 63, "DCO 2 Detune" 0, "VCA Program Volume" 32,
// "DCO 1 Noise" 0.
PrgRecord ConvertEarlyModelRecord(const uint8_t* t);

enum class DumpModel { kNone, kEarly, kLater };

// The programs a dump carries: PRG records for numbers 1..prgs.size() and Combi records for
// 76..75 + combis.size().
struct TapeDump {
  DumpModel model = DumpModel::kNone;
  std::vector<PrgRecord> prgs;
  std::vector<CombiRecord> combis;
};

// Recognises a dump by its length; any other length gives DumpModel::kNone and no records.
TapeDump ExtractDump(const uint8_t* bytes, size_t size);

// True for records exactly as the instrument writes them: every value in its range and no
// stray bits (a record that reads back and writes again unchanged).
bool IsWrittenPrgRecord(const PrgRecord& record);
bool IsWrittenCombiRecord(const CombiRecord& record);
// Whether every record of a dump could have come from the instrument. Early-model records
// carry no range that their conversion would not already cover, so they always pass.
bool HasOnlyValidRecords(const TapeDump& dump);

}  // namespace pellory::tape
