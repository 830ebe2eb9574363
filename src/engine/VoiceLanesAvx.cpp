// The voice lanes four to an AVX register, for processors that have it (chosen at run time
// in VoiceLanes.cpp). Built with -mavx and without contraction (see CMakeLists.txt); only the
// code in this file may use AVX.
#if defined(__AVX__) && defined(__x86_64__)
#include <immintrin.h>

#include "engine/VoiceLanesAvxOps.h"
#include "engine/VoiceLanesKernel.h"

namespace pellory::engine {

bool RunFilterLanesAvx(int lanes, LaneBlock& f, const double* x, const double* control, const double* gain,
                       double* const* out, int n) {
  const bool finite = lanes == 8 ? RunLanes<Avx, 2>(f, x, control, gain, out, n) : RunLanes<Avx, 1>(f, x, control, gain, out, n);
  _mm256_zeroupper();
  return finite;
}

bool RunVoiceLanesAvx(int lanes, VoiceBlock& v, LaneBlock& f, double* const* out, int n) {
  const bool finite = RunVoiceSections<Avx>(v, lanes, n) && RunFilterLanesAvx(lanes, f, v.input, v.cutoff, v.gain, out, n);
  _mm256_zeroupper();
  return finite;
}

}  // namespace pellory::engine
#endif
