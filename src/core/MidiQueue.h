#pragma once
#include <cstdint>
#include <cstdlib>

namespace pellory {

// A short MIDI message with its sample offset in the current buffer.
struct IMidiMessage {
  int32_t offset = 0;
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
  uint8_t pad = 0;

  int Kind() const { return status >> 4; }
  int Channel() const { return status & 0x0F; }
};
static_assert(sizeof(IMidiMessage) == 8, "queue entries are 8 bytes");

// A system-exclusive message; the bytes belong to the sender.
struct ISysExMessage {
  int32_t offset = 0;
  int32_t size = 0;
  const uint8_t* data = nullptr;
};

// Messages waiting for their control block, taken out in offset order (equal offsets keep their
// arrival order). Hosts may send thousands of events at once in any order, or events far ahead:
// the queue is a binary heap on (time, arrival), so adding and taking cost O(log n) whatever was
// queued before, and the passing of time is one counter rather than a rewrite of every offset.
class MidiQueue {
 public:
  static constexpr int kGranularity = 512;  // messages per step of capacity
  // Offsets further than this from now (either way) are read as this far: about six minutes
  // at 44.1 kHz. No host means more than that, and it keeps every offset sum far from overflow.
  static constexpr int32_t kOffsetHorizon = 1 << 24;
  // A host that keeps sending events far ahead must not take all memory: past this many queued
  // messages new ones are dropped, as when memory cannot be had.
  static constexpr int kMaxMessages = 1 << 20;

  // The one place that decides what a host's offset means to the queue.
  static int32_t ClampOffset(int64_t offset) {
    return static_cast<int32_t>(offset < -kOffsetHorizon ? -kOffsetHorizon
                                                         : offset > kOffsetHorizon ? kOffsetHorizon : offset);
  }

  explicit MidiQueue(int capacity = 1024);
  ~MidiQueue();
  MidiQueue(const MidiQueue&) = delete;
  MidiQueue& operator=(const MidiQueue&) = delete;

  // Queues in offset order (the offset clamped to the horizon); false when the message had to
  // be dropped (no memory, or the queue is full).
  bool Add(const IMidiMessage& message);
  // Room for one block's messages: capacity becomes blockSize rounded up to the granularity
  // (or the queued count rounded the same way when larger).
  void Resize(int blockSize);
  // After a reset the host's timeline starts again: messages due at or after offset are dropped,
  // except note offs, which move to offset 0 so that no note is left hanging. Returns the
  // number of messages dropped.
  int DropFrom(int offset);

  int Size() const { return count_; }
  bool Empty() const { return count_ == 0; }
  int Capacity() const { return capacity_; }
  // The next message (the queue must not be empty), its offset counted from now.
  IMidiMessage Peek() const { return Message(buffer_[0]); }
  // The i-th message in queue order. For inspection only: it sorts a copy of the queue.
  IMidiMessage At(int i) const;
  void Remove();
  void Clear() { count_ = 0; }
  // Time moves on by elapsed samples: every queued offset shrinks by that much.
  void Flush(int elapsed) { now_ += elapsed; }

 private:
  struct Entry {
    int64_t time;    // now_ + offset when queued
    uint64_t order;  // arrival number, so equal times keep their order
    IMidiMessage message;
  };
  // Heap order: the root is the earliest time, first arrival among equal times.
  static bool Later(const Entry& a, const Entry& b) {
    return a.time != b.time ? a.time > b.time : a.order > b.order;
  }
  IMidiMessage Message(const Entry& e) const;
  bool Reserve(int capacity);

  Entry* buffer_ = nullptr;
  int capacity_ = 0;
  int granularity_ = kGranularity;
  int count_ = 0;
  int64_t now_ = 0;
  uint64_t arrivals_ = 0;
};

}  // namespace pellory
