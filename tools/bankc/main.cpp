// pellory-bankc: compiles a factory bank source into its 6480-byte SysEx image.
//   pellory-bankc --bank 1|2 SOURCE.txt OUTPUT.syx
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "BankCompiler.h"

int main(int argc, char** argv) {
  int bank = 0;
  const char* input = nullptr;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--bank") == 0 && i + 1 < argc) bank = std::atoi(argv[++i]);
    else if (!input) input = argv[i];
    else if (!output) output = argv[i];
    else input = nullptr, i = argc;  // too many arguments
  }
  if ((bank != 1 && bank != 2) || !input || !output) {
    std::fprintf(stderr, "usage: pellory-bankc --bank 1|2 SOURCE.txt OUTPUT.syx\n");
    return 2;
  }
  const pellory::bankc::CompileResult result = pellory::bankc::CompileBankFile(input, bank);
  for (const std::string& e : result.errors) std::fprintf(stderr, "%s\n", e.c_str());
  if (!result.ok) return 1;
  // Written next to the target and renamed, so a failed run never leaves half a bank behind.
  const std::string temporary = std::string(output) + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(result.image.data()), static_cast<std::streamsize>(result.image.size()));
    if (!out) {
      std::fprintf(stderr, "%s: cannot write\n", output);
      return 1;
    }
  }
  std::remove(output);
  if (std::rename(temporary.c_str(), output) != 0) {
    std::fprintf(stderr, "%s: cannot write\n", output);
    return 1;
  }
  return 0;
}
