// The voice lanes eight to an AVX-512 register, for processors that have it (chosen at run time
// in VoiceLanes.cpp). Built with -mavx512f -mavx512dq and without contraction (see
// CMakeLists.txt); only the code in this file may use AVX-512 (and AVX2, which every processor
// with AVX-512 has).
#if defined(__AVX512F__) && defined(__AVX512DQ__) && defined(__AVX2__) && defined(__x86_64__)
#include <immintrin.h>

#include "engine/Oscillator.h"
#include "engine/VoiceLanesKernel.h"

namespace pellory::engine {
namespace {

struct Avx512 {
  using V = __m512d;
  static constexpr int kWidth = 8;
  static V Load(const double* p) { return _mm512_load_pd(p); }
  static void Store(double* p, V a) { _mm512_store_pd(p, a); }
  static V Set(double a) { return _mm512_set1_pd(a); }
  static V Add(V a, V b) { return _mm512_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm512_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm512_mul_pd(a, b); }
  static V Div(V a, V b) { return _mm512_div_pd(a, b); }
  static V And(V a, V b) { return _mm512_and_pd(a, b); }
  static V AndNot(V a, V b) { return _mm512_andnot_pd(a, b); }
  static V Or(V a, V b) { return _mm512_or_pd(a, b); }
  static V Xor(V a, V b) { return _mm512_xor_pd(a, b); }
  // Comparisons give all bits set in the lanes where they hold, as the narrower registers do.
  static V FromMask(__mmask8 m) { return _mm512_castsi512_pd(_mm512_movm_epi64(m)); }
  static __mmask8 ToMask(V a) { return _mm512_movepi64_mask(_mm512_castpd_si512(a)); }
  static V Less(V a, V b) { return FromMask(_mm512_cmp_pd_mask(a, b, _CMP_LT_OS)); }
  static V LessEq(V a, V b) { return FromMask(_mm512_cmp_pd_mask(a, b, _CMP_LE_OS)); }
  static V NotEqual(V a, V b) { return FromMask(_mm512_cmp_pd_mask(a, b, _CMP_NEQ_UQ)); }
  static int Bits(V mask) { return ToMask(mask); }
  // The zero-masked conversions (all lanes kept) say what the plain ones leave undefined, which
  // the compiler would warn about.
  static __m256i ToInt(V a) { return _mm512_maskz_cvttpd_epi32(0xFF, a); }
  static V ToDouble(__m256i a) { return _mm512_maskz_cvtepi32_pd(0xFF, a); }
  static V Trunc(V a) { return ToDouble(ToInt(a)); }
  static V GatherAt(const double* base, V e) {
    return _mm512_mask_i32gather_pd(_mm512_setzero_pd(), 0xFF, ToInt(e), base, 8);
  }
  static V Pick(V keep, V old, V fresh) { return _mm512_mask_blend_pd(ToMask(keep), fresh, old); }
  static void Scatter(double* const* p, int s, V a) {
    alignas(64) double lanes[8];
    _mm512_store_pd(lanes, a);
    for (int k = 0; k < 8; ++k) p[k][s] = lanes[k];
  }
  static bool AllZero(V a) { return _mm512_cmp_pd_mask(a, _mm512_setzero_pd(), _CMP_EQ_OQ) == 0xFF; }
};

// Eight lanes of noise draws (VoiceBlock::drawsNoise).
struct NoiseRegister {
  __m256i seed, step;
  __m512d level;
  NoiseRegister(const VoiceBlock& b, int first)
      : seed(_mm256_load_si256(reinterpret_cast<const __m256i*>(b.noiseSeed + first))),
        step(_mm256_load_si256(reinterpret_cast<const __m256i*>(b.noiseStep + first))),
        level(_mm512_load_pd(b.noiseLevel + first)) {}
  __m512d Next() {
    const __m512d x = _mm512_mul_pd(_mm512_mul_pd(Avx512::ToDouble(seed), _mm512_set1_pd(4.6566129e-10)), level);
    seed = _mm256_mullo_epi32(seed, step);
    return x;
  }
};

// One oscillator's eight lanes: Oscillator::WaveReader's sum, the table reads gathered. Lanes
// without a waveform read nothing and keep the sum as the scalar code does.
struct OscillatorRegister {
  __m256i p1, p2, increment, level;
  __mmask8 pulse, sawtooth, triangle;
  const double* waves;
  OscillatorRegister(const OscillatorLanes& o, int first, const double* tables)
      : p1(_mm256_load_si256(reinterpret_cast<const __m256i*>(o.phase1 + first))),
        p2(_mm256_load_si256(reinterpret_cast<const __m256i*>(o.phase2 + first))),
        increment(_mm256_load_si256(reinterpret_cast<const __m256i*>(o.increment + first))),
        level(_mm256_load_si256(reinterpret_cast<const __m256i*>(o.level + first))),
        pulse(static_cast<__mmask8>(o.pulse >> first)),
        sawtooth(static_cast<__mmask8>(o.sawtooth >> first)),
        triangle(static_cast<__mmask8>(o.triangle >> first)),
        waves(tables) {}
  void Store(OscillatorLanes& o, int first) const {
    _mm256_store_si256(reinterpret_cast<__m256i*>(o.phase1 + first), p1);
    _mm256_store_si256(reinterpret_cast<__m256i*>(o.phase2 + first), p2);
  }
  __m512d Next() {
    const __m512d zero = _mm512_setzero_pd();
    const __m256i at1 = _mm256_add_epi32(level, _mm256_slli_epi32(_mm256_srli_epi32(p1, 16), 2));
    const __m256i at2 = _mm256_add_epi32(level, _mm256_slli_epi32(_mm256_srli_epi32(p2, 16), 2));
    const __m256i one = _mm256_set1_epi32(1), two = _mm256_set1_epi32(2);
    const __m512d full1 = _mm512_mask_i32gather_pd(zero, pulse, at1, waves, 8);
    const __m512d full2 = _mm512_mask_i32gather_pd(zero, pulse, at2, waves, 8);
    const __m512d saw = _mm512_mask_i32gather_pd(zero, sawtooth, _mm256_add_epi32(at1, one), waves, 8);
    const __m512d tri = _mm512_mask_i32gather_pd(zero, triangle, _mm256_add_epi32(at1, two), waves, 8);
    __m512d x = _mm512_mask_sub_pd(zero, pulse, full1, full2);
    x = _mm512_mask_add_pd(x, sawtooth, x, saw);
    x = _mm512_mask_add_pd(x, triangle, x, tri);
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(Oscillator::kPhaseMask));
    p1 = _mm256_and_si256(_mm256_add_epi32(p1, increment), mask);
    p2 = _mm256_and_si256(_mm256_add_epi32(p2, increment), mask);
    return x;
  }
};

}  // namespace

bool RunFilterLanesAvx512(LaneBlock& f, const double* x, const double* control, const double* gain, double* const* out,
                          int n) {
  // A fixed cutoff leaves the filters' chain of dependent operations as the bound, and the
  // half-width division is quicker; a moving one makes the coefficient updates count, and
  // the full width does them in half the instructions. Either computes the same.
  if (!f.moving) return RunFilterLanesAvx2(8, f, x, control, gain, out, n);
  const bool finite = RunLanes<Avx512, 1>(f, x, control, gain, out, n);
  _mm256_zeroupper();
  return finite;
}

bool RunVoiceLanesAvx512(VoiceBlock& v, LaneBlock& f, double* const* out, int n) {
  const bool finite = RunVoiceSectionsReading<Avx512, OscillatorRegister, NoiseRegister>(v, 8, n) && RunFilterLanesAvx512(f, v.input, v.cutoff, v.gain, out, n);
  _mm256_zeroupper();
  return finite;
}

}  // namespace pellory::engine
#endif
