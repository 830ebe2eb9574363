#pragma once
// Test-side reader of the factory bank sources (resources/banks/bankN.txt): an independent
// second reading of the format, so the tests can check what the banks were meant to hold
// against what the plug-in actually loads and plays.
#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/Pellory.h"

namespace pellory::test {

struct BankProgram {
  int number = 0;
  bool combi = false;
  std::string name;
  std::array<int, 53> values{};  // PRG: ids 0..52
  // Combi: lower, upper, keyboard mode, split point, upper transpose, lower level, upper level.
  std::array<int, 7> combiValues{};
};

struct BankText {
  std::vector<BankProgram> programs;  // in file order
  std::vector<std::string> errors;    // "line N: problem"

  const BankProgram* Find(int number) const {
    for (const BankProgram& p : programs)
      if (p.number == number) return &p;
    return nullptr;
  }
};

inline std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

inline bool ParseInt(const std::string& text, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0') return false;
  out = static_cast<int>(v);
  return true;
}

// Reads a bank source, checking keys, ranges and enumeration texts against the plug-in's own
// parameter table. Program references in Combi blocks are resolved by name or number.
inline BankText ReadBankText(const std::string& path, const Pellory& plug) {
  BankText bank;
  std::ifstream in(path);
  if (!in) {
    bank.errors.push_back("cannot open " + path);
    return bank;
  }
  auto error = [&](int line, const std::string& what) {
    bank.errors.push_back("line " + std::to_string(line) + ": " + what);
  };
  struct Pending {
    std::map<std::string, std::string> text;
    int line = 0;
  };
  std::vector<Pending> pending;
  std::string raw;
  int lineNumber = 0;
  while (std::getline(in, raw)) {
    ++lineNumber;
    const std::string line = Trim(raw.substr(0, raw.find('#')));
    if (line.empty()) continue;
    if (line[0] == '[') {
      const auto close = line.find(']');
      std::istringstream head(line.substr(1, close == std::string::npos ? 0 : close - 1));
      std::string kind;
      int number = 0;
      head >> kind >> number;
      BankProgram p;
      p.number = number;
      p.combi = kind == "COMBI";
      if (close == std::string::npos || (kind != "PRG" && kind != "COMBI")) error(lineNumber, "bad header");
      p.name = close == std::string::npos ? "" : Trim(line.substr(close + 1));
      bank.programs.push_back(p);
      pending.push_back(Pending{{}, lineNumber});
      continue;
    }
    const auto eq = line.find('=');
    if (pending.empty() || eq == std::string::npos) {
      error(lineNumber, "text outside a block");
      continue;
    }
    const std::string key = Trim(line.substr(0, eq));
    if (!pending.back().text.emplace(key, Trim(line.substr(eq + 1))).second) error(lineNumber, "repeated " + key);
  }

  static const char* const kCombiKeys[] = {"Lower Program",   "Upper Program", "Keyboard Mode", "Split Point",
                                           "Upper Transpose", "Lower Volume",  "Upper Volume"};
  static const int kCombiIds[] = {kLowerProgram, kUpperProgram, kKeyboardMode, kSplitPoint,
                                  kUpperTranspose, kLowerLevel, kUpperLevel};
  for (std::size_t i = 0; i < bank.programs.size(); ++i) {
    BankProgram& p = bank.programs[i];
    auto& text = pending[i].text;
    const int line = pending[i].line;
    const int count = p.combi ? 7 : 53;
    if (static_cast<int>(text.size()) != count)
      error(line, p.name + ": " + std::to_string(text.size()) + " keys, expected " + std::to_string(count));
    for (int k = 0; k < count; ++k) {
      const int id = p.combi ? kCombiIds[k] : k;
      const IParameter* param = plug.GetParameter(id);
      const std::string key = p.combi ? kCombiKeys[k] : param->GetName();
      auto it = text.find(key);
      if (it == text.end()) {
        error(line, p.name + ": missing " + key);
        continue;
      }
      int v = -1;
      bool ok = ParseInt(it->second, v);
      if (!ok) {
        for (int e = 0; e < param->GetDisplayTextCount(); ++e)
          if (it->second == param->GetDisplayTextAt(e)) ok = true, v = e;
        if (!ok && p.combi && k < 2) {
          // A program reference by name: a PRG of the same bank.
          for (std::size_t j = 0; j < bank.programs.size(); ++j)
            if (!bank.programs[j].combi && bank.programs[j].name == it->second) ok = true, v = bank.programs[j].number;
        }
      }
      if (!ok || v < param->GetMin() || v > param->GetMax()) error(line, p.name + ": bad value for " + key);
      (p.combi ? p.combiValues[k] : p.values[k]) = v;
    }
  }
  return bank;
}

inline std::string BanksDir() { return PELLORY_BANKS_DIR; }

// True when a word of the name starts with token ("LUTE" is not found in "FLUTE").
inline bool Has(const std::string& name, const std::string& token) {
  for (auto at = name.find(token); at != std::string::npos; at = name.find(token, at + 1))
    if (at == 0 || !std::isalpha(static_cast<unsigned char>(name[at - 1]))) return true;
  return false;
}

// The words of a program name that say what it is: letters only, at least three of them.
inline std::vector<std::string> NameWords(const std::string& name) {
  std::vector<std::string> words;
  std::string word;
  for (char c : name + " ") {
    if (std::isalpha(static_cast<unsigned char>(c))) {
      word += c;
    } else {
      if (word.size() >= 3 && word != "COMB" && word != "SPLIT") words.push_back(word);
      word.clear();
    }
  }
  return words;
}

// Two names share a word; a word of four letters or more also matches its longer forms
// ("XYLO" and "XYLOPHONE", "REEDS" and "REED").
inline bool ShareWord(const std::string& a, const std::string& b) {
  for (const std::string& x : NameWords(a))
    for (const std::string& y : NameWords(b)) {
      const std::string& shorter = x.size() < y.size() ? x : y;
      const std::string& longer = x.size() < y.size() ? y : x;
      if (x == y || (shorter.size() >= 4 && longer.compare(0, shorter.size(), shorter) == 0)) return true;
    }
  return false;
}

}  // namespace pellory::test
