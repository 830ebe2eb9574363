// The voice lanes four to an AVX2 register, for processors that have AVX2 (chosen at run time
// in VoiceLanes.cpp): the oscillators read the wavetables by gathers as in the AVX-512 lanes.
// Built with -mavx2 and without contraction (see CMakeLists.txt); only the code in this file
// may use AVX2.
#if defined(__AVX2__) && defined(__x86_64__)
#include <immintrin.h>

#include "engine/Oscillator.h"
#include "engine/VoiceLanesAvxOps.h"
#include "engine/VoiceLanesKernel.h"

namespace pellory::engine {
namespace {

// AVX with AVX2's gather for the coefficient tables.
struct Avx2 : Avx {
  static V GatherAt(const double* base, V e) {
    const V all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), base, _mm256_cvttpd_epi32(e), all, 8);
  }
};

// All bits set in the lanes first .. first + 3 whose bit is set.
__m256d LaneMask(unsigned bits, int first) {
  const __m256i select = _mm256_set_epi64x(8, 4, 2, 1);
  const __m256i mine = _mm256_set1_epi64x(static_cast<long long>((bits >> first) & 15u));
  return _mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_and_si256(mine, select), select));
}

// Four lanes of noise draws (VoiceBlock::drawsNoise).
struct NoiseRegister {
  __m128i seed, step;
  __m256d level;
  NoiseRegister(const VoiceBlock& b, int first)
      : seed(_mm_load_si128(reinterpret_cast<const __m128i*>(b.noiseSeed + first))),
        step(_mm_load_si128(reinterpret_cast<const __m128i*>(b.noiseStep + first))),
        level(_mm256_load_pd(b.noiseLevel + first)) {}
  __m256d Next() {
    const __m256d x = _mm256_mul_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(seed), _mm256_set1_pd(4.6566129e-10)), level);
    seed = _mm_mullo_epi32(seed, step);
    return x;
  }
};

// One oscillator's four lanes: Oscillator::WaveReader's sum, the table reads gathered. Lanes
// without a waveform read nothing and keep the sum as the scalar code does.
struct OscillatorRegister {
  __m128i p1, p2, increment, level;
  __m256d pulse, sawtooth, triangle;
  const double* waves;
  OscillatorRegister(const OscillatorLanes& o, int first, const double* tables)
      : p1(_mm_load_si128(reinterpret_cast<const __m128i*>(o.phase1 + first))),
        p2(_mm_load_si128(reinterpret_cast<const __m128i*>(o.phase2 + first))),
        increment(_mm_load_si128(reinterpret_cast<const __m128i*>(o.increment + first))),
        level(_mm_load_si128(reinterpret_cast<const __m128i*>(o.level + first))),
        pulse(LaneMask(o.pulse, first)),
        sawtooth(LaneMask(o.sawtooth, first)),
        triangle(LaneMask(o.triangle, first)),
        waves(tables) {}
  void Store(OscillatorLanes& o, int first) const {
    _mm_store_si128(reinterpret_cast<__m128i*>(o.phase1 + first), p1);
    _mm_store_si128(reinterpret_cast<__m128i*>(o.phase2 + first), p2);
  }
  __m256d Next() {
    const __m256d zero = _mm256_setzero_pd();
    const __m128i at1 = _mm_add_epi32(level, _mm_slli_epi32(_mm_srli_epi32(p1, 16), 2));
    const __m128i at2 = _mm_add_epi32(level, _mm_slli_epi32(_mm_srli_epi32(p2, 16), 2));
    const __m256d full1 = _mm256_mask_i32gather_pd(zero, waves, at1, pulse, 8);
    const __m256d full2 = _mm256_mask_i32gather_pd(zero, waves, at2, pulse, 8);
    const __m256d saw = _mm256_mask_i32gather_pd(zero, waves + 1, at1, sawtooth, 8);
    const __m256d tri = _mm256_mask_i32gather_pd(zero, waves + 2, at1, triangle, 8);
    __m256d x = _mm256_and_pd(pulse, _mm256_sub_pd(full1, full2));
    x = _mm256_blendv_pd(x, _mm256_add_pd(x, saw), sawtooth);
    x = _mm256_blendv_pd(x, _mm256_add_pd(x, tri), triangle);
    const __m128i mask = _mm_set1_epi32(static_cast<int>(Oscillator::kPhaseMask));
    p1 = _mm_and_si128(_mm_add_epi32(p1, increment), mask);
    p2 = _mm_and_si128(_mm_add_epi32(p2, increment), mask);
    return x;
  }
};

}  // namespace

bool RunFilterLanesAvx2(int lanes, LaneBlock& f, const double* x, const double* control, const double* gain,
                        double* const* out, int n) {
  const bool finite = lanes == 8 ? RunLanes<Avx2, 2>(f, x, control, gain, out, n) : RunLanes<Avx2, 1>(f, x, control, gain, out, n);
  _mm256_zeroupper();
  return finite;
}

bool RunVoiceLanesAvx2(int lanes, VoiceBlock& v, LaneBlock& f, double* const* out, int n) {
  const bool finite = RunVoiceSectionsReading<Avx2, OscillatorRegister, NoiseRegister>(v, lanes, n) &&
                      RunFilterLanesAvx2(lanes, f, v.input, v.cutoff, v.gain, out, n);
  _mm256_zeroupper();
  return finite;
}

}  // namespace pellory::engine
#endif
