#include "core/MidiQueue.h"

#include <cstring>

namespace pellory {

MidiQueue::MidiQueue(int capacity) { Reserve(capacity > 0 ? capacity : kGranularity); }

MidiQueue::~MidiQueue() { std::free(buffer_); }

bool MidiQueue::Reserve(int capacity) {
  void* grown = std::realloc(buffer_, static_cast<std::size_t>(capacity) * sizeof(IMidiMessage));
  if (!grown) return false;
  buffer_ = static_cast<IMidiMessage*>(grown);
  capacity_ = capacity;
  return true;
}

void MidiQueue::Compact() {
  if (front_ == 0) return;
  int n = count_ - front_;
  if (n > 0) std::memmove(buffer_, buffer_ + front_, static_cast<std::size_t>(n) * sizeof(IMidiMessage));
  count_ = n;
  front_ = 0;
}

bool MidiQueue::Add(const IMidiMessage& message) {
  if (count_ >= capacity_) {
    if (front_ > 0) {
      Compact();
    } else {
      int grown = (capacity_ / granularity_ + 1) * granularity_;
      if (!Reserve(grown)) return false;
    }
  }
  int i = count_;
  if (count_ > front_ && message.offset < buffer_[count_ - 1].offset) {
    // After the last message whose offset is not above this one.
    i = count_ - 1;
    while (i > front_ && buffer_[i - 1].offset > message.offset) --i;
    std::memmove(buffer_ + i + 1, buffer_ + i, static_cast<std::size_t>(count_ - i) * sizeof(IMidiMessage));
  }
  buffer_[i] = message;
  ++count_;
  return true;
}

void MidiQueue::Resize(int blockSize) {
  Compact();
  if (blockSize < 1) blockSize = 1;
  // Bounded so that a host's absurd block size cannot ask for gigabytes.
  if (blockSize > (1 << 20)) blockSize = 1 << 20;
  granularity_ = (blockSize + kGranularity - 1) / kGranularity * kGranularity;
  int wanted = granularity_;
  int queued = (count_ + kGranularity - 1) / kGranularity * kGranularity;
  if (queued > wanted) wanted = queued;
  Reserve(wanted);
}

void MidiQueue::Flush(int elapsed) {
  Compact();
  for (int i = 0; i < count_; ++i) buffer_[i].offset -= elapsed;
}

}  // namespace pellory
