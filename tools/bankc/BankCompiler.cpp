#include "BankCompiler.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "programs/FactoryBankNames.h"
#include "programs/SysEx.h"

namespace pellory::bankc {

namespace {

const char* const kCombiKeys[] = {"Lower Program", "Upper Program", "Keyboard Mode", "Split Point",
                                  "Upper Transpose", "Lower Volume", "Upper Volume"};
constexpr int kNumCombiKeys = 7;
const char* const kModeTexts[] = {"Single", "Split", "Double"};

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// A whole decimal integer, nothing else.
bool ParseInteger(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (std::size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  value = std::atoi(text.c_str());
  return true;
}

struct Entry {
  std::string value;
  int line = 0;
};

struct Block {
  bool combi = false;
  int number = 0;
  int line = 0;
  std::map<std::string, Entry> entries;
};

class Compiler {
 public:
  Compiler(const std::string& fileName, int bank) : file_(fileName), bank_(bank) {}

  CompileResult Run(const std::string& text) {
    if (bank_ != 1 && bank_ != 2) Error(0, "bank must be 1 or 2");
    std::istringstream in(text);
    std::string raw;
    int lineNumber = 0;
    std::vector<Block> blocks;
    while (std::getline(in, raw)) {
      ++lineNumber;
      const auto hash = raw.find('#');
      const std::string line = Trim(hash == std::string::npos ? raw : raw.substr(0, hash));
      if (line.empty()) continue;
      if (line[0] == '[') {
        Block block;
        if (ParseHeader(line, lineNumber, blocks.size() + 1, block)) blocks.push_back(block);
        else blocks.push_back(Block{false, -1, lineNumber, {}});  // keep counting; values are not checked
        continue;
      }
      const auto eq = line.find('=');
      if (eq == std::string::npos) {
        Error(lineNumber, "expected 'key = value' or a [PRG n] / [COMBI n] header");
        continue;
      }
      if (blocks.empty()) {
        Error(lineNumber, "value before the first program header");
        continue;
      }
      Block& block = blocks.back();
      const std::string key = Trim(line.substr(0, eq));
      if (block.entries.count(key)) {
        Error(lineNumber, "repeated key '" + key + "' (first on line " + std::to_string(block.entries[key].line) + ")");
        continue;
      }
      block.entries[key] = Entry{Trim(line.substr(eq + 1)), lineNumber};
    }
    for (const Block& block : blocks)
      if (block.number > 0 && !block.combi) CompilePrg(block);
    for (const Block& block : blocks)
      if (block.number > 0 && block.combi) CompileCombi(block);
    if (blocks.size() < static_cast<std::size_t>(kLastProgram))
      Error(lineNumber, "program " + std::to_string(blocks.size() + 1) + " missing: a bank holds programs 1..99");
    if (blocks.size() > static_cast<std::size_t>(kLastProgram))
      Error(blocks[kLastProgram].line, "more than 99 programs");

    result_.ok = result_.errors.empty();
    if (result_.ok) {
      MemoryWriter out;
      WriteAllPrograms(out, result_.memory);
      result_.image = out.bytes;
    }
    return result_;
  }

 private:
  void Error(int line, const std::string& message) {
    result_.errors.push_back(file_ + ":" + std::to_string(line) + ": " + message);
  }

  bool ParseHeader(const std::string& line, int lineNumber, std::size_t expected, Block& block) {
    const auto close = line.find(']');
    if (close == std::string::npos) {
      Error(lineNumber, "header without ']'");
      return false;
    }
    std::istringstream head(line.substr(1, close - 1));
    std::string kind, numberText, extra;
    head >> kind >> numberText;
    int number = 0;
    if ((kind != "PRG" && kind != "COMBI") || !ParseInteger(numberText, number) || (head >> extra)) {
      Error(lineNumber, "header must be [PRG n] or [COMBI n]");
      return false;
    }
    block.combi = kind == "COMBI";
    block.number = number;
    block.line = lineNumber;
    bool ok = true;
    if (number != static_cast<int>(expected)) {
      Error(lineNumber, "program " + std::to_string(number) + " out of order: expected " + std::to_string(expected));
      ok = false;
    }
    if (block.combi != IsCombiNumber(number) || (!block.combi && !IsPrgNumber(number))) {
      Error(lineNumber, std::string("program ") + std::to_string(number) + " must be a " +
                            (IsCombiNumber(number) ? "[COMBI n]" : "[PRG n]") + " block");
      ok = false;
    }
    const std::string name = Trim(line.substr(close + 1));
    const std::string official = FactoryProgramName(bank_, number);
    if (ok && name != official) {
      Error(lineNumber, "name '" + name + "' of program " + std::to_string(number) + " must be '" + official + "'");
      ok = false;
    }
    return ok;
  }

  // Value of a key within [minimum, maximum], by number or by one of the texts.
  bool Value(const Block& block, const std::string& key, int minimum, int maximum, const char* const* texts,
             int& value) {
    auto it = block.entries.find(key);
    if (it == block.entries.end()) {
      Error(block.line, "missing key '" + key + "' in program " + std::to_string(block.number));
      return false;
    }
    const Entry& e = it->second;
    if (texts) {
      for (int i = 0; i <= maximum - minimum; ++i)
        if (e.value == texts[i]) {
          value = minimum + i;
          return true;
        }
    }
    if (!ParseInteger(e.value, value)) {
      Error(e.line, (texts ? "unknown value '" : "not a whole number: '") + e.value + "' for '" + key + "'");
      return false;
    }
    if (value < minimum || value > maximum) {
      Error(e.line, "value " + e.value + " of '" + key + "' out of range " + std::to_string(minimum) + ".." +
                        std::to_string(maximum));
      return false;
    }
    return true;
  }

  void UnknownKeys(const Block& block, const char* const* keys, int count) {
    for (const auto& [key, entry] : block.entries) {
      bool known = false;
      for (int i = 0; i < count; ++i) known = known || key == keys[i];
      if (!known) Error(entry.line, "unknown key '" + key + "'");
    }
  }

  void CompilePrg(const Block& block) {
    const char* keys[kNumProgramValues];
    PrgValues values{};
    for (int id = 0; id < kNumProgramValues; ++id) {
      const ProgramParameterInfo& info = GetProgramParameterInfo(id);
      keys[id] = info.name;
      Value(block, info.name, info.minimum, info.maximum, info.enumTexts, values[id]);
    }
    UnknownKeys(block, keys, kNumProgramValues);
    const PrgRecord record = EncodePrgRecord(values);
    result_.memory.Store(block.number, record.data(), kPrgRecordSize);
  }

  // A PRG of this bank by its official name or by number 1..75.
  bool ProgramReference(const Block& block, const std::string& key, int& program) {
    auto it = block.entries.find(key);
    if (it == block.entries.end()) {
      Error(block.line, "missing key '" + key + "' in program " + std::to_string(block.number));
      return false;
    }
    const Entry& e = it->second;
    for (int n = 1; n <= kNumPrgs; ++n)
      if (e.value == FactoryProgramName(bank_, n)) {
        program = n;
        return true;
      }
    if (ParseInteger(e.value, program)) {
      if (IsPrgNumber(program)) return true;
      Error(e.line, "'" + key + "' " + e.value + " is not a PRG number 1..75");
      return false;
    }
    Error(e.line, "'" + key + "' names no PRG of bank " + std::to_string(bank_) + ": '" + e.value + "'");
    return false;
  }

  void CompileCombi(const Block& block) {
    CombiValues c;
    ProgramReference(block, "Lower Program", c.lowerProgram);
    ProgramReference(block, "Upper Program", c.upperProgram);
    Value(block, "Keyboard Mode", 0, 2, kModeTexts, c.keyboardMode);
    Value(block, "Split Point", 1, 61, nullptr, c.splitPoint);
    Value(block, "Upper Transpose", 1, 61, nullptr, c.upperTranspose);
    Value(block, "Lower Volume", 0, 63, nullptr, c.lowerLevel);
    Value(block, "Upper Volume", 0, 63, nullptr, c.upperLevel);
    UnknownKeys(block, kCombiKeys, kNumCombiKeys);
    const CombiRecord record = EncodeCombiRecord(c);
    result_.memory.Store(block.number, record.data(), kCombiRecordSize);
  }

  std::string file_;
  int bank_;
  CompileResult result_;
};

}  // namespace

CompileResult CompileBank(const std::string& text, const std::string& fileName, int bank) {
  return Compiler(fileName, bank).Run(text);
}

CompileResult CompileBankFile(const std::string& path, int bank) {
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) {
    CompileResult result;
    result.errors.push_back(path + ":0: cannot read the file");
    return result;
  }
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return CompileBank(text, path, bank);
}

}  // namespace pellory::bankc
