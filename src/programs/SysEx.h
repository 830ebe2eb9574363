#pragma once
// The instrument's System Exclusive messages: the stream reader, the program message writer
// and the single-program file probes.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "programs/ProgramMemory.h"

namespace pellory {

constexpr uint8_t kSysExStart = 0xF0;
constexpr uint8_t kSysExEnd = 0xF7;
constexpr uint8_t kManufacturerId = 0x25;
constexpr uint8_t kDeviceId = 0x10;
constexpr int kPrgMessageSize = 80;
constexpr int kCombiMessageSize = 20;
constexpr int kAllProgramsSize = kNumPrgs * kPrgMessageSize + kNumCombis * kCombiMessageSize;  // 6480

// Offset of program n's message in an all-programs image (the factory-bank layout).
inline int AllProgramsOffset(int n) {
  return IsPrgNumber(n) ? (n - 1) * kPrgMessageSize
                        : kNumPrgs * kPrgMessageSize + (n - kFirstCombi) * kCombiMessageSize;
}

// A read-only stream over bytes in memory (a received SysEx buffer or a file read whole).
class ByteReader {
 public:
  ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(data ? size : 0) {}
  bool Read(uint8_t& byte) {
    if (position_ >= size_) return false;
    byte = data_[position_++];
    return true;
  }
  // Steps back one byte (the byte just read is read again next).
  void Unread() {
    if (position_ > 0) --position_;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// An output that remembers its first failure; nothing is written after it.
class ByteWriter {
 public:
  virtual ~ByteWriter() = default;
  bool Failed() const { return failed_; }
  void Write(const uint8_t* data, std::size_t size) {
    if (!failed_ && !Put(data, size)) failed_ = true;
  }

 protected:
  virtual bool Put(const uint8_t* data, std::size_t size) = 0;
  bool failed_ = false;
};

class MemoryWriter : public ByteWriter {
 public:
  std::vector<uint8_t> bytes;

 protected:
  bool Put(const uint8_t* data, std::size_t size) override;
};

// Creates or truncates a binary file; failed when it cannot be opened.
class FileWriter : public ByteWriter {
 public:
  explicit FileWriter(const std::string& path);
  // Flushes and closes; false when anything failed.
  bool Close();

 protected:
  bool Put(const uint8_t* data, std::size_t size) override;

 private:
  std::ofstream file_;
};

// What the messages of a stream do. The parser decodes the framing; the receiver owns the
// effects on parameters and program memory.
class SysExReceiver {
 public:
  virtual ~SysExReceiver() = default;
  // Kind 0: Split mode with the raw split point and upper transpose bytes.
  virtual void OnSplitMessage(int splitPoint, int upperTranspose) = 0;
  // Kinds 1 (leave Split), 2 (Double), 3 (leave Double).
  virtual void OnKeyboardModeMessage(int kind) = 0;
  // Kind 5 (lower) or 6 (upper) with the program number 1..75 the byte selects.
  virtual void OnProgramSelectMessage(int kind, int program) = 0;
  // Kind 7: a complete record for program number (1..99, size RecordSizeOf(number)).
  // targeted: the stream was read for one given program number.
  virtual void OnProgramData(int number, const uint8_t* record, int size, bool targeted) = 0;
};

// Reads every message of the stream. target: a program number to store every program message
// at, or -1 / 0 for each message's own number. True when the last message handled was
// understood; false for an empty stream, a truncated message or a dropped program message
// (until a later message is understood).
bool ParseSysExStream(ByteReader& stream, int target, SysExReceiver& receiver);

// Lower/upper program number selected by a kind 5/6 byte.
int ProgramOfSelectByte(int p);

// One program message for n (80 bytes for a PRG, 20 for a Combi); record has RecordSizeOf(n)
// bytes. Nothing is written for n outside 1..99 or when the writer has failed.
void WriteProgramMessage(ByteWriter& out, int n, const uint8_t* record);
// Programs 1..99 in order: the 6480-byte factory-bank layout.
void WriteAllPrograms(ByteWriter& out, const ProgramMemory& memory);

// Whole file into memory; false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes);
// 0: unreadable, at most 4 bytes or not a program message; -1: longer than one message (over
// 80 bytes); else the program number of its message.
int ProbeProgramFile(const std::string& path);
int ProbeProgramBytes(const std::vector<uint8_t>& bytes);
// The record of a single-program file (37 or 7 bytes into buffer): its number, or 0 when the
// file is not one complete program message.
int ReadSingleProgramFile(const std::string& path, uint8_t* buffer);
int ReadSingleProgramBytes(const std::vector<uint8_t>& bytes, uint8_t* buffer);

}  // namespace pellory
