#pragma once
#include <cstring>

#include "programs/ProgramRecords.h"

namespace pellory {

// The instrument's program memory: 75 PRG records and 24 Combi records addressed by program
// number, plus the backups taken when edit-backup mode starts. The selection state lives with
// the plug-in object, which drives it through the parameters.
struct ProgramMemory {
  std::array<PrgRecord, kNumPrgs> prgs{};
  PrgRecord prgBackup{};
  std::array<CombiRecord, kNumCombis> combis{};
  CombiRecord combiBackup{};

  // Record bytes of program n (RecordSizeOf(n) of them); null outside 1..99.
  uint8_t* Record(int n) {
    if (IsPrgNumber(n)) return prgs[static_cast<std::size_t>(n - 1)].data();
    if (IsCombiNumber(n)) return combis[static_cast<std::size_t>(n - kFirstCombi)].data();
    return nullptr;
  }
  const uint8_t* Record(int n) const { return const_cast<ProgramMemory*>(this)->Record(n); }

  // Stores a record of the size that program n takes; false (nothing stored) otherwise.
  bool Store(int n, const uint8_t* record, int size) {
    uint8_t* destination = Record(n);
    if (!destination || !record || size != RecordSizeOf(n)) return false;
    std::memcpy(destination, record, static_cast<std::size_t>(size));
    return true;
  }
};

}  // namespace pellory
