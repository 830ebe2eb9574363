#include "programs/SysEx.h"

#include <iterator>

namespace pellory {

bool MemoryWriter::Put(const uint8_t* data, std::size_t size) {
  bytes.insert(bytes.end(), data, data + size);
  return true;
}

FileWriter::FileWriter(const std::string& path) : file_(path, std::ios::binary | std::ios::trunc) {
  if (!file_.is_open()) failed_ = true;
}

bool FileWriter::Close() {
  if (file_.is_open()) {
    file_.flush();
    if (!file_) failed_ = true;
    file_.close();
  }
  return !failed_;
}

bool FileWriter::Put(const uint8_t* data, std::size_t size) {
  file_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(file_);
}

int ProgramOfSelectByte(int p) {
  p &= 0x7F;
  return p <= 74 ? p + 1 : p - 74;
}

bool ParseSysExStream(ByteReader& stream, int target, SysExReceiver& receiver) {
  bool understood = false;
  uint8_t byte = 0;
  for (;;) {
    do {
      if (!stream.Read(byte)) return understood;
    } while (byte != kSysExStart);
    uint8_t kind = 0;
    if (!stream.Read(byte)) return false;
    if (byte != kManufacturerId) return understood;  // another maker's data: stop altogether
    if (!stream.Read(byte) || !stream.Read(kind)) return false;

    switch (kind) {
      case 0: {
        uint8_t split = 0, transpose = 0;
        if (!stream.Read(split) || !stream.Read(transpose)) return false;
        receiver.OnSplitMessage(split, transpose);
        understood = true;
        break;
      }
      case 1:
      case 2:
      case 3:
        receiver.OnKeyboardModeMessage(kind);
        understood = true;
        break;
      case 5:
      case 6: {
        uint8_t p = 0;
        if (!stream.Read(p)) return false;
        receiver.OnProgramSelectMessage(kind, ProgramOfSelectByte(p));
        understood = true;
        break;
      }
      case 7: {
        uint8_t p = 0;
        if (!stream.Read(p)) return false;
        // The destination decides the record size, not the number inside the message.
        const int destination = target >= 1 ? target : p + 1;
        const int size = destination < kFirstCombi ? kPrgRecordSize : kCombiRecordSize;
        uint8_t record[kPrgRecordSize] = {};
        for (int i = 0; i < size; ++i) {
          uint8_t low = 0, high = 0;
          if (!stream.Read(low) || !stream.Read(high)) return false;
          record[i] = static_cast<uint8_t>((high & 0x0F) << 4 | (low & 0x0F));
        }
        if (!stream.Read(byte)) return false;
        if (byte != kSysExEnd) {
          // Dropped. A message that lost its F7 to the next message's F0 must not take that
          // message with it.
          if (byte == kSysExStart) stream.Unread();
          understood = false;
          break;
        }
        if (RecordSizeOf(destination) != size) {
          understood = false;
          break;
        }
        receiver.OnProgramData(destination, record, size, target >= 1);
        understood = true;
        break;
      }
      default:
        break;  // unknown kinds are skipped
    }
  }
}

void WriteProgramMessage(ByteWriter& out, int n, const uint8_t* record) {
  const int size = RecordSizeOf(n);
  if (size == 0 || !record || out.Failed()) return;
  uint8_t message[kPrgMessageSize];
  int k = 0;
  message[k++] = kSysExStart;
  message[k++] = kManufacturerId;
  message[k++] = kDeviceId;
  message[k++] = 7;
  message[k++] = static_cast<uint8_t>(n - 1);
  for (int i = 0; i < size; ++i) {
    message[k++] = record[i] & 0x0F;
    message[k++] = record[i] >> 4;
  }
  message[k++] = kSysExEnd;
  out.Write(message, static_cast<std::size_t>(k));
}

void WriteAllPrograms(ByteWriter& out, const ProgramMemory& memory) {
  for (int n = 1; n <= kLastProgram; ++n) WriteProgramMessage(out, n, memory.Record(n));
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

int ProbeProgramBytes(const std::vector<uint8_t>& bytes) {
  if (bytes.size() <= 4) return 0;
  if (bytes[0] != kSysExStart || bytes[1] != kManufacturerId || bytes[3] != 7) return 0;
  if (bytes.size() > static_cast<std::size_t>(kPrgMessageSize)) return -1;
  return bytes[4] + 1;
}

int ProbeProgramFile(const std::string& path) {
  // One byte past a program message decides the answer: a folder of large files is probed
  // without reading them whole.
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) return 0;
  std::vector<uint8_t> bytes(kPrgMessageSize + 1);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (file.bad()) return 0;
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return ProbeProgramBytes(bytes);
}

int ReadSingleProgramFile(const std::string& path, uint8_t* buffer) {
  std::vector<uint8_t> bytes;
  if (!buffer || !ReadFileBytes(path, bytes)) return 0;
  return ReadSingleProgramBytes(bytes, buffer);
}

int ReadSingleProgramBytes(const std::vector<uint8_t>& bytes, uint8_t* buffer) {
  if (!buffer) return 0;
  const int n = ProbeProgramBytes(bytes);
  const int size = RecordSizeOf(n);
  if (size == 0) return n < 0 ? n : 0;
  const std::size_t end = 5 + 2 * static_cast<std::size_t>(size);
  if (bytes.size() <= end || bytes[end] != kSysExEnd) return 0;
  for (int i = 0; i < size; ++i)
    buffer[i] = static_cast<uint8_t>((bytes[6 + 2 * i] & 0x0F) << 4 | (bytes[5 + 2 * i] & 0x0F));
  return n;
}

}  // namespace pellory
