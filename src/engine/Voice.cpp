#include "engine/Voice.h"

namespace pellory::engine {

void Voice::ControlTick(bool force) {}

double Voice::RenderSample() { return 0.0; }

}  // namespace pellory::engine
