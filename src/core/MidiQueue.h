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

// Messages waiting for their control block, kept sorted by offset (equal offsets keep their
// arrival order). Consumed messages sit before the front index until they are dropped.
class MidiQueue {
 public:
  static constexpr int kGranularity = 512;  // messages per 4096 bytes

  explicit MidiQueue(int capacity = 1024);
  ~MidiQueue();
  MidiQueue(const MidiQueue&) = delete;
  MidiQueue& operator=(const MidiQueue&) = delete;

  // Inserts in offset order; false when memory could not be had (the message is dropped).
  bool Add(const IMidiMessage& message);
  // Room for one block's messages: capacity becomes blockSize rounded up to the granularity
  // (or the queued count rounded the same way when larger).
  void Resize(int blockSize);

  int Size() const { return count_ - front_; }
  bool Empty() const { return Size() == 0; }
  int Capacity() const { return capacity_; }
  const IMidiMessage& Peek() const { return buffer_[front_]; }
  const IMidiMessage& At(int i) const { return buffer_[front_ + i]; }
  void Remove() {
    if (front_ < count_) ++front_;
  }
  void Clear() { front_ = count_ = 0; }
  // Drops consumed messages and subtracts elapsed samples from every remaining offset.
  void Flush(int elapsed);

 private:
  void Compact();
  bool Reserve(int capacity);

  IMidiMessage* buffer_ = nullptr;
  int capacity_ = 0;
  int granularity_ = kGranularity;
  int front_ = 0;
  int count_ = 0;
};

}  // namespace pellory
