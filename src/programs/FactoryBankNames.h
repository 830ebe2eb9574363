#pragma once

namespace pellory {

// Official name of program n (1..99) of factory bank 1 or 2; empty for anything else.
const char* FactoryProgramName(int bank, int n);

}  // namespace pellory
