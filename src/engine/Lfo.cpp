#include "engine/Lfo.h"

namespace pellory::engine {

void Lfo::ControlTick() {}

}  // namespace pellory::engine
