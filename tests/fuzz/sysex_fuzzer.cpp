// Any bytes as a SysEx stream, with a target taken from the first byte: parsing must end,
// store only complete records at valid numbers, and its result must follow what was handled.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "programs/SysEx.h"

using namespace pellory;

namespace {

struct Checker : SysExReceiver {
  ProgramMemory memory;
  int target = -1;
  void OnSplitMessage(int s, int t) override {
    if (s < 0 || s > 255 || t < 0 || t > 255) std::abort();
  }
  void OnKeyboardModeMessage(int kind) override {
    if (kind < 1 || kind > 3) std::abort();
  }
  void OnProgramSelectMessage(int kind, int p) override {
    if ((kind != 5 && kind != 6) || !IsPrgNumber(p)) std::abort();
  }
  void OnProgramData(int n, const uint8_t* record, int size, bool targeted) override {
    if (size != RecordSizeOf(n) || targeted != (target >= 1) || (targeted && n != target)) std::abort();
    if (!memory.Store(n, record, size)) std::abort();
    // Whatever was stored decodes into range and survives a write and read back.
    MemoryWriter out;
    WriteProgramMessage(out, n, memory.Record(n));
    ByteReader again(out.bytes.data(), out.bytes.size());
    struct Echo : SysExReceiver {
      const uint8_t* expected;
      int size;
      bool seen = false;
      void OnSplitMessage(int, int) override {}
      void OnKeyboardModeMessage(int) override {}
      void OnProgramSelectMessage(int, int) override {}
      void OnProgramData(int, const uint8_t* r, int s, bool) override {
        seen = s == size && std::equal(r, r + s, expected);
      }
    } echo;
    echo.expected = record;
    echo.size = size;
    if (!ParseSysExStream(again, n, echo) || !echo.seen) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  Checker checker;
  checker.target = data[0] < 128 ? -1 : data[0] - 128;  // -1 or 0..127, also beyond 99
  ByteReader reader(data + 1, size - 1);
  ParseSysExStream(reader, checker.target, checker);
  if (size - 1 <= 3) {
    ByteReader tiny(data + 1, size - 1);
    if (ParseSysExStream(tiny, -1, checker)) std::abort();  // not even a message kind fits
  }
  return 0;
}
