#pragma once
// Compiles a factory bank source (one block per program, values by parameter name) into
// program memory and the 6480-byte bank image.
#include <cstdint>
#include <string>
#include <vector>

#include "programs/ProgramMemory.h"

namespace pellory::bankc {

struct CompileResult {
  bool ok = false;
  ProgramMemory memory;
  std::vector<uint8_t> image;       // the all-programs image, when ok
  std::vector<std::string> errors;  // "file:line: problem"
};

// bank (1 or 2) decides the official program names the blocks must carry; fileName only
// labels the messages.
CompileResult CompileBank(const std::string& text, const std::string& fileName, int bank);
// Reads the file first; an unreadable file is one error.
CompileResult CompileBankFile(const std::string& path, int bank);

}  // namespace pellory::bankc
