#include "core/MidiQueue.h"

#include <algorithm>
#include <vector>

namespace pellory {

MidiQueue::MidiQueue(int capacity) { Reserve(capacity > 0 ? capacity : kGranularity); }

MidiQueue::~MidiQueue() { std::free(buffer_); }

bool MidiQueue::Reserve(int capacity) {
  void* grown = std::realloc(buffer_, static_cast<std::size_t>(capacity) * sizeof(Entry));
  if (!grown) return false;
  buffer_ = static_cast<Entry*>(grown);
  capacity_ = capacity;
  return true;
}

IMidiMessage MidiQueue::Message(const Entry& e) const {
  IMidiMessage m = e.message;
  m.offset = ClampOffset(e.time - now_);
  return m;
}

bool MidiQueue::Add(const IMidiMessage& message) {
  if (count_ >= capacity_) {
    if (count_ >= kMaxMessages) return false;
    // Steps of the granularity while small; by half the capacity once a flood has made it large,
    // so that a batch of n costs no more than O(n) in copies.
    const int step = std::max(granularity_, capacity_ / 2 / granularity_ * granularity_);
    const int grown = std::min((capacity_ / granularity_) * granularity_ + step, kMaxMessages);
    if (!Reserve(grown)) return false;
  }
  Entry e;
  e.time = now_ + ClampOffset(message.offset);
  e.order = arrivals_++;
  e.message = message;
  buffer_[count_++] = e;
  std::push_heap(buffer_, buffer_ + count_, Later);
  return true;
}

void MidiQueue::Remove() {
  if (count_ == 0) return;
  std::pop_heap(buffer_, buffer_ + count_, Later);
  --count_;
}

IMidiMessage MidiQueue::At(int i) const {
  std::vector<Entry> sorted(buffer_, buffer_ + count_);
  std::sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) { return Later(b, a); });
  return i >= 0 && i < count_ ? Message(sorted[static_cast<std::size_t>(i)]) : IMidiMessage();
}

int MidiQueue::DropFrom(int offset) {
  const int64_t limit = now_ + offset;
  int kept = 0;
  for (int i = 0; i < count_; ++i) {
    Entry e = buffer_[i];
    if (e.time >= limit) {
      // Note ons with velocity 0 were queued as note offs already.
      if (e.message.Kind() != 0x8) continue;
      e.time = now_;
    }
    buffer_[kept++] = e;
  }
  const int dropped = count_ - kept;
  count_ = kept;
  std::make_heap(buffer_, buffer_ + count_, Later);
  return dropped;
}

void MidiQueue::Resize(int blockSize) {
  if (blockSize < 1) blockSize = 1;
  // Bounded so that a host's absurd block size cannot ask for gigabytes.
  if (blockSize > (1 << 20)) blockSize = 1 << 20;
  granularity_ = (blockSize + kGranularity - 1) / kGranularity * kGranularity;
  int wanted = granularity_;
  int queued = (count_ + kGranularity - 1) / kGranularity * kGranularity;
  if (queued > wanted) wanted = queued;
  Reserve(wanted);
}

}  // namespace pellory
