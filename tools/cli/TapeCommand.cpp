// tape decode: a cassette dump recording to an all-programs SysEx file.
#include <cstdio>
#include <cstdlib>

#include "Commands.h"
#include "platform/Resources.h"
#include "programs/ProgramMemory.h"
#include "programs/SysEx.h"
#include "programs/tape/TapeLoader.h"

namespace cli {

using namespace pellory;

namespace {

// Receives the decoded programs into a memory of its own; there is no panel or host here.
class MemoryTarget : public tape::TapeLoadTarget {
 public:
  ProgramMemory memory;
  std::string message;

  void StorePrgRecord(int number, const PrgRecord& record) override {
    memory.Store(number, record.data(), kPrgRecordSize);
  }
  void StoreCombiRecord(int number, const CombiRecord& record) override {
    memory.Store(number, record.data(), kCombiRecordSize);
  }
  void SetTapeResultMessage(const std::string& text) override { message = text; }
  bool StateRestoreInProgress() const override { return false; }
  int KeyboardMode() const override { return 0; }
  int PanelEntryMode() const override { return 0; }
  int CurrentProgram() const override { return 0; }
  bool HasPanelParameter() const override { return false; }
  void SetPanelParameterToCombi() override {}
  void ClearPanelParameter() override {}
  void RedrawPanelDisplays() override {}
  void StoreStateInCurrentPreset() override {}
  void NotifyHostOfProgramChange() override {}
};

// Fills memory from factory bank 1: a short dump leaves some programs as they were.
class BankFiller : public SysExReceiver {
 public:
  explicit BankFiller(ProgramMemory& memory) : memory_(memory) {}
  void OnSplitMessage(int, int) override {}
  void OnKeyboardModeMessage(int) override {}
  void OnProgramSelectMessage(int, int) override {}
  void OnProgramData(int number, const uint8_t* record, int size, bool) override { memory_.Store(number, record, size); }

 private:
  ProgramMemory& memory_;
};

}  // namespace

int RunTape(const Context&, const std::vector<std::string>& args) {
  if (args.size() < 4 || args[0] != "decode") return kUsage;
  const std::string input = args[1];
  std::string output;
  tape::DecoderSettings settings = tape::GetDecoderSettings();
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (i + 1 >= args.size()) return kUsage;
    const std::string& option = args[i];
    const std::string& value = args[++i];
    double number = 0;
    if (option == "-o") {
      output = value;
    } else if (option == "--highpass") {
      if (!ParseNumber(value, 1, 20000, number)) return Fail("--highpass must be 1 to 20000 Hz");
      settings.highPassOn = true;
      settings.highPassFrequency = number;
    } else if (option == "--lowpass") {
      if (!ParseNumber(value, 1, 20000, number)) return Fail("--lowpass must be 1 to 20000 Hz");
      settings.lowPassOn = true;
      settings.lowPassFrequency = number;
    } else if (option == "--threshold") {
      if (!ParseNumber(value, 0, 100, number)) return Fail("--threshold must be 0 to 100 percent");
      settings.threshold = number;
    } else {
      return kUsage;
    }
  }
  if (output.empty()) return Fail("tape decode needs an output file: -o OUT.syx");
  std::vector<uint8_t> probe;
  std::string error;
  if (!ReadWholeFile(input, probe, error)) return Fail(error);

  MemoryTarget target;
  platform::ResourceData bank;
  if (platform::FindResourceData("FACTORYBANK", "BANK_1", bank)) {
    BankFiller filler(target.memory);
    ByteReader reader(bank.data, bank.size);
    ParseSysExStream(reader, -1, filler);
  }
  if (!tape::LoadTapeDump(input, settings, target))
    return Fail(input + " holds no tape dump that could be decoded (try --highpass, --lowpass or --threshold)");
  FileWriter out(output);
  WriteAllPrograms(out, target.memory);
  if (!out.Close()) return Fail("cannot write " + output);
  std::printf("%swrote all programs to %s\n", target.message.c_str(), output.c_str());
  return kOk;
}

}  // namespace cli
