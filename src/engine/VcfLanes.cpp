// Ladder filters of neighbouring voices as the lanes of vector registers. Built without
// contraction (see CMakeLists.txt): a fused multiply-add would round differently from the
// scalar filter, and every lane must give the scalar filter's doubles.
#include "engine/Vcf.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PELLORY_VCF_SSE2 1
#endif

namespace pellory::engine {

#if defined(PELLORY_VCF_SSE2)
struct VcfLanes {
  // P registers of two filters each, sample by sample; the registers' chains are independent.
  template <int P>
  static bool Run(Vcf* const* f, const double* const* x, const double* const* control,
                  const double* const* gain, double* const* out, int n) {
    constexpr int N = 2 * P;
    alignas(16) double G[N], G4[N], v[N], fb[N], norm[N], og[N], cached[N];
    alignas(16) double s1a[N], s2a[N], s3a[N], s4a[N], dna[N];
    for (int k = 0; k < N; ++k) {
      const Vcf& q = *f[k];
      s1a[k] = q.s1_, s2a[k] = q.s2_, s3a[k] = q.s3_, s4a[k] = q.s4_, dna[k] = q.dn_;
      G[k] = q.G_, G4[k] = q.G4_, v[k] = q.v_, fb[k] = q.feedback_, norm[k] = q.normaliser_;
      og[k] = q.outputGain_, cached[k] = q.cachedIndex_;
    }
    __m128d s1[P], s2[P], s3[P], s4[P], dn[P], poison[P];
    __m128d vg[P], vg4[P], vv[P], vfb[P], vnorm[P], vog[P];
    for (int p = 0; p < P; ++p) {
      s1[p] = _mm_load_pd(s1a + 2 * p), s2[p] = _mm_load_pd(s2a + 2 * p);
      s3[p] = _mm_load_pd(s3a + 2 * p), s4[p] = _mm_load_pd(s4a + 2 * p);
      dn[p] = _mm_load_pd(dna + 2 * p), poison[p] = _mm_setzero_pd();
    }
    for (int p = 0; p < P; ++p) {
      vg[p] = _mm_load_pd(G + 2 * p), vg4[p] = _mm_load_pd(G4 + 2 * p), vv[p] = _mm_load_pd(v + 2 * p);
      vfb[p] = _mm_load_pd(fb + 2 * p), vnorm[p] = _mm_load_pd(norm + 2 * p), vog[p] = _mm_load_pd(og + 2 * p);
    }
    const __m128d sign = _mm_set1_pd(-0.0), zero = _mm_setzero_pd();
    const __m128d c02 = _mm_set1_pd(0.2), c3 = _mm_set1_pd(3.0), cm3 = _mm_set1_pd(-3.0);
    const __m128d c5 = _mm_set1_pd(5.0), cm5 = _mm_set1_pd(-5.0), c9 = _mm_set1_pd(9.0);
    const __m128d c27 = _mm_set1_pd(27.0);
    // Per lane: the resonance and the table entry of its current cutoff index.
    alignas(16) double res[N], omega[N], gain4[N];
    const VcfTables* tables[N];
    for (int k = 0; k < N; ++k) res[k] = f[k]->k_, tables[k] = f[k]->tables_, omega[k] = gain4[k] = 0.0;
    const __m128d c1 = _mm_set1_pd(1.0), c2 = _mm_set1_pd(2.0);
    for (int s = 0; s < n; ++s) {
      int moved = 0;
      for (int k = 0; k < N; ++k) {
        const double index = Vcf::RoundIndex(control[k][s] * kMaxPitch);
        if (!(index == cached[k])) {
          cached[k] = index;
          int i = 0;
          if (index > kMaxPitch) {
            i = kMaxPitch;
          } else if (index > 0.0) {
            i = static_cast<int>(index);
          }  // negative and NaN use entry 0
          omega[k] = tables[k]->omega[i];
          gain4[k] = tables[k]->feedback[i];
          moved |= 1 << k;
        }
      }
      // UpdateCoefficients for the lanes whose index moved, two at a time; the others keep
      // what they had.
      for (int p = 0; moved != 0 && p < P; ++p) {
        const int lanes = (moved >> (2 * p)) & 3;
        if (lanes == 0) continue;
        const __m128d keep = _mm_castsi128_pd(
            _mm_set_epi32(lanes & 2 ? 0 : -1, lanes & 2 ? 0 : -1, lanes & 1 ? 0 : -1, lanes & 1 ? 0 : -1));
        const __m128d g = _mm_load_pd(omega + 2 * p), kk = _mm_load_pd(res + 2 * p);
        const __m128d feedback = _mm_mul_pd(kk, _mm_load_pd(gain4 + 2 * p));
        const __m128d d = _mm_mul_pd(c2, _mm_andnot_pd(sign, _mm_sub_pd(kk, _mm_set1_pd(0.5))));
        const __m128d outputGain = _mm_sub_pd(c2, _mm_mul_pd(d, d));
        const __m128d gg = _mm_div_pd(g, _mm_add_pd(g, c2));
        const __m128d damp = _mm_div_pd(_mm_sub_pd(g, c2), _mm_add_pd(g, c2));
        const __m128d g4 = _mm_mul_pd(_mm_mul_pd(gg, gg), _mm_mul_pd(gg, gg));
        const __m128d normaliser = _mm_div_pd(c1, _mm_add_pd(_mm_mul_pd(g4, feedback), c1));
        const auto pick = [&](__m128d old, __m128d fresh) {
          return _mm_or_pd(_mm_and_pd(keep, old), _mm_andnot_pd(keep, fresh));
        };
        vg[p] = pick(vg[p], gg), vv[p] = pick(vv[p], damp), vg4[p] = pick(vg4[p], g4);
        vfb[p] = pick(vfb[p], feedback), vnorm[p] = pick(vnorm[p], normaliser), vog[p] = pick(vog[p], outputGain);
      }
      for (int p = 0; p < P; ++p) {
        const __m128d d = dn[p];
        const __m128d a1 = _mm_add_pd(s1[p], d), a2 = _mm_add_pd(s2[p], d);
        const __m128d a3 = _mm_add_pd(s3[p], d), a4 = _mm_add_pd(s4[p], d);
        dn[p] = _mm_xor_pd(d, sign);
        const __m128d in = _mm_set_pd(x[2 * p + 1][s], x[2 * p][s]);
        const __m128d g = vg[p], w = vv[p];
        // (((a1 * g + a2) * g + a3) * g + a4 + in * G4) * norm
        __m128d y = _mm_add_pd(_mm_mul_pd(a1, g), a2);
        y = _mm_add_pd(_mm_mul_pd(y, g), a3);
        y = _mm_add_pd(_mm_mul_pd(y, g), a4);
        y = _mm_mul_pd(_mm_add_pd(y, _mm_mul_pd(in, vg4[p])), vnorm[p]);
        // t = r < -3 ? -5 : r > 3 ? 5 : 5 r (r^2 + 27) / (9 r^2 + 27), lane by lane
        const __m128d r = _mm_mul_pd(c02, y);
        const __m128d r2 = _mm_mul_pd(r, r);
        const __m128d soft =
            _mm_div_pd(_mm_mul_pd(_mm_mul_pd(c5, r), _mm_add_pd(r2, c27)), _mm_add_pd(_mm_mul_pd(c9, r2), c27));
        const __m128d low = _mm_cmplt_pd(r, cm3), high = _mm_cmpgt_pd(r, c3);
        const __m128d t = _mm_or_pd(_mm_or_pd(_mm_and_pd(low, cm5), _mm_andnot_pd(low, _mm_and_pd(high, c5))),
                                    _mm_andnot_pd(_mm_or_pd(low, high), soft));
        const __m128d u = _mm_mul_pd(g, _mm_sub_pd(in, _mm_mul_pd(t, vfb[p])));
        const __m128d y1 = _mm_add_pd(a1, u);
        s1[p] = _mm_sub_pd(u, _mm_mul_pd(w, y1));
        const __m128d w2 = _mm_mul_pd(g, y1);
        const __m128d y2 = _mm_add_pd(a2, w2);
        s2[p] = _mm_sub_pd(w2, _mm_mul_pd(w, y2));
        const __m128d w3 = _mm_mul_pd(g, y2);
        const __m128d y3 = _mm_add_pd(a3, w3);
        s3[p] = _mm_sub_pd(w3, _mm_mul_pd(w, y3));
        const __m128d w4 = _mm_mul_pd(g, y3);
        const __m128d y4 = _mm_add_pd(a4, w4);
        s4[p] = _mm_sub_pd(w4, _mm_mul_pd(w, y4));
        const __m128d level = _mm_set_pd(gain[2 * p + 1][s], gain[2 * p][s]);
        const __m128d o = _mm_mul_pd(_mm_mul_pd(y, vog[p]), level);
        _mm_storel_pd(out[2 * p] + s, o);
        _mm_storeh_pd(out[2 * p + 1] + s, o);
        poison[p] = _mm_add_pd(poison[p], _mm_mul_pd(y, zero));
      }
    }
    bool finite = true;
    for (int p = 0; p < P; ++p) {
      _mm_store_pd(s1a + 2 * p, s1[p]), _mm_store_pd(s2a + 2 * p, s2[p]);
      _mm_store_pd(s3a + 2 * p, s3[p]), _mm_store_pd(s4a + 2 * p, s4[p]);
      _mm_store_pd(dna + 2 * p, dn[p]);
      // Any lane's NaN or infinite output left a NaN in its sum.
      if (_mm_movemask_pd(_mm_cmpeq_pd(poison[p], zero)) != 3) finite = false;
    }
    for (int p = 0; p < P; ++p) {
      _mm_store_pd(G + 2 * p, vg[p]), _mm_store_pd(G4 + 2 * p, vg4[p]), _mm_store_pd(v + 2 * p, vv[p]);
      _mm_store_pd(fb + 2 * p, vfb[p]), _mm_store_pd(norm + 2 * p, vnorm[p]), _mm_store_pd(og + 2 * p, vog[p]);
    }
    for (int k = 0; k < N; ++k) {
      Vcf& q = *f[k];
      q.G_ = G[k], q.G4_ = G4[k], q.v_ = v[k], q.feedback_ = fb[k], q.normaliser_ = norm[k];
      q.outputGain_ = og[k], q.cachedIndex_ = cached[k];
      q.s1_ = s1a[k], q.s2_ = s2a[k], q.s3_ = s3a[k], q.s4_ = s4a[k], q.dn_ = dna[k];
      if (!q.IsFinite()) finite = false;
    }
    return finite;
  }
};
#endif

#if defined(PELLORY_VCF_SSE2) && defined(__i386__) && defined(__GNUC__)
// A 32-bit Windows host may call with the stack aligned to 4 bytes only; the registers'
// spills need 16.
__attribute__((force_align_arg_pointer))
#endif
bool Vcf::ProcessLanes(int count, Vcf* const* f, const double* const* x, const double* const* control,
                       const double* const* gain, double* const* out, int n) {
#if defined(PELLORY_VCF_SSE2)
  return count == 4 ? VcfLanes::Run<2>(f, x, control, gain, out, n) : VcfLanes::Run<1>(f, x, control, gain, out, n);
#else
  return count == 4 ? ProcessRuns<4>(f, x, control, gain, out, n) : ProcessRuns<2>(f, x, control, gain, out, n);
#endif
}

}  // namespace pellory::engine
