#pragma once
// Tables that depend on the sample rate are kept once per process and per rate: each distinct
// rate gets its own immutable table, built on first request and kept until the process ends.
// Instances running at different rates therefore never overwrite each other's tables, and a
// table handed out stays valid while the audio thread reads it without a lock. Hosts use a
// handful of rates, so the set stays small.
#include <memory>
#include <mutex>
#include <vector>

namespace pellory::engine {

// Table must be constructible from a double sample rate.
template <class Table>
const Table& TableForSampleRate(double sampleRate) {
  struct Entry {
    double rate;
    std::unique_ptr<const Table> table;
  };
  static std::mutex mutex;
  static std::vector<Entry> entries;
  std::lock_guard<std::mutex> lock(mutex);
  for (const Entry& entry : entries) {
    if (entry.rate == sampleRate) return *entry.table;
  }
  entries.push_back(Entry{sampleRate, std::make_unique<const Table>(sampleRate)});
  return *entries.back().table;
}

}  // namespace pellory::engine
