// The voice lanes four to an AVX register, for processors that have it (chosen at run time
// in VoiceLanes.cpp). Built with -mavx and without contraction (see CMakeLists.txt); only the
// code in this file may use AVX.
#if defined(__AVX__) && defined(__x86_64__)
#include <immintrin.h>

#include "engine/VoiceLanesKernel.h"

namespace pellory::engine {
namespace {

struct Avx {
  using V = __m256d;
  static constexpr int kWidth = 4;
  static V Load(const double* p) { return _mm256_load_pd(p); }
  static void Store(double* p, V a) { _mm256_store_pd(p, a); }
  static V Set(double a) { return _mm256_set1_pd(a); }
  static V Add(V a, V b) { return _mm256_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm256_mul_pd(a, b); }
  static V Div(V a, V b) { return _mm256_div_pd(a, b); }
  static V And(V a, V b) { return _mm256_and_pd(a, b); }
  static V AndNot(V a, V b) { return _mm256_andnot_pd(a, b); }
  static V Or(V a, V b) { return _mm256_or_pd(a, b); }
  static V Xor(V a, V b) { return _mm256_xor_pd(a, b); }
  static V Less(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_LT_OS); }
  static V LessEq(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_LE_OS); }
  static V NotEqual(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_NEQ_UQ); }
  static int Bits(V mask) { return _mm256_movemask_pd(mask); }
  static V Trunc(V a) { return _mm256_cvtepi32_pd(_mm256_cvttpd_epi32(a)); }
  static V GatherAt(const double* base, V e) {
    const __m128i i = _mm256_cvttpd_epi32(e);
    return _mm256_set_pd(base[_mm_extract_epi32(i, 3)], base[_mm_extract_epi32(i, 2)], base[_mm_extract_epi32(i, 1)],
                         base[_mm_cvtsi128_si32(i)]);
  }
  static V Pick(V keep, V old, V fresh) { return _mm256_blendv_pd(fresh, old, keep); }
  static void Scatter(double* const* p, int s, V a) {
    alignas(32) double lanes[4];
    _mm256_store_pd(lanes, a);
    p[0][s] = lanes[0], p[1][s] = lanes[1], p[2][s] = lanes[2], p[3][s] = lanes[3];
  }
  static bool AllZero(V a) { return _mm256_movemask_pd(_mm256_cmp_pd(a, _mm256_setzero_pd(), _CMP_EQ_OQ)) == 15; }
};

}  // namespace

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
