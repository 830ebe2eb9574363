#pragma once
// Four lanes a register in AVX, for the translation units built with -mavx or wider (the AVX
// and the AVX2 lanes); internal linkage, so that no copy built for a wider set is shared.
#include <immintrin.h>

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
}  // namespace pellory::engine
