// Ladder filters of neighbouring voices as the lanes of vector registers. Built without
// contraction (see CMakeLists.txt): a fused multiply-add would round differently from the
// scalar filter, and every lane must give the scalar filter's doubles.
#include "engine/Vcf.h"

#include <atomic>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PELLORY_VCF_SSE2 1
#include "engine/VcfLanesKernel.h"
#endif

namespace pellory::engine {

#if defined(PELLORY_VCF_SSE2)
namespace {

struct Sse2 {
  using V = __m128d;
  static constexpr int kWidth = 2;
  static V Load(const double* p) { return _mm_load_pd(p); }
  static void Store(double* p, V a) { _mm_store_pd(p, a); }
  static V Set(double a) { return _mm_set1_pd(a); }
  static V Add(V a, V b) { return _mm_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm_mul_pd(a, b); }
  static V Div(V a, V b) { return _mm_div_pd(a, b); }
  static V And(V a, V b) { return _mm_and_pd(a, b); }
  static V AndNot(V a, V b) { return _mm_andnot_pd(a, b); }
  static V Or(V a, V b) { return _mm_or_pd(a, b); }
  static V Xor(V a, V b) { return _mm_xor_pd(a, b); }
  static V Less(V a, V b) { return _mm_cmplt_pd(a, b); }
  static V Pick(V keep, V old, V fresh) { return _mm_or_pd(_mm_and_pd(keep, old), _mm_andnot_pd(keep, fresh)); }
  // All bits set in the lanes whose bit in `lanes` is clear.
  static V KeepMask(int lanes) {
    const int k0 = lanes & 1 ? 0 : -1, k1 = lanes & 2 ? 0 : -1;
    return _mm_castsi128_pd(_mm_set_epi32(k1, k1, k0, k0));
  }
  static V Gather(const double* const* p, int s) { return _mm_set_pd(p[1][s], p[0][s]); }
  static void Scatter(double* const* p, int s, V a) {
    _mm_storel_pd(p[0] + s, a);
    _mm_storeh_pd(p[1] + s, a);
  }
  static bool AllZero(V a) { return _mm_movemask_pd(_mm_cmpeq_pd(a, _mm_setzero_pd())) == 3; }
};

std::atomic<bool> wideLanesAllowed{true};

#if defined(__x86_64__) && defined(__GNUC__)
bool HasAvx() {
  static const bool avx = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
  }();
  return avx && wideLanesAllowed.load(std::memory_order_relaxed);
}
#endif

}  // namespace

struct VcfLanes {
  static bool Run(int count, Vcf* const* f, const double* const* x, const double* const* control,
                  const double* const* gain, double* const* out, int n) {
    LaneBlock b;
    for (int k = 0; k < count; ++k) {
      const Vcf& q = *f[k];
      b.s1[k] = q.s1_, b.s2[k] = q.s2_, b.s3[k] = q.s3_, b.s4[k] = q.s4_, b.dn[k] = q.dn_;
      b.G[k] = q.G_, b.G4[k] = q.G4_, b.v[k] = q.v_, b.fb[k] = q.feedback_, b.norm[k] = q.normaliser_;
      b.og[k] = q.outputGain_, b.res[k] = q.k_, b.cached[k] = q.cachedIndex_, b.tables[k] = q.tables_;
    }
    bool finite;
#if defined(__x86_64__) && defined(__GNUC__)
    if (count >= 4 && HasAvx()) {
      finite = RunLanesAvx(count, b, x, control, gain, out, n);
    } else
#endif
    if (count == 8) {
      finite = RunLanes<Sse2, 4>(b, x, control, gain, out, n);
    } else if (count == 4) {
      finite = RunLanes<Sse2, 2>(b, x, control, gain, out, n);
    } else {
      finite = RunLanes<Sse2, 1>(b, x, control, gain, out, n);
    }
    for (int k = 0; k < count; ++k) {
      Vcf& q = *f[k];
      q.s1_ = b.s1[k], q.s2_ = b.s2[k], q.s3_ = b.s3[k], q.s4_ = b.s4[k], q.dn_ = b.dn[k];
      q.G_ = b.G[k], q.G4_ = b.G4[k], q.v_ = b.v[k], q.feedback_ = b.fb[k], q.normaliser_ = b.norm[k];
      q.outputGain_ = b.og[k], q.cachedIndex_ = b.cached[k];
      if (!q.IsFinite()) finite = false;
    }
    return finite;
  }
};
#endif

bool Vcf::AllowWideLanes(bool allowed) {
#if defined(PELLORY_VCF_SSE2)
  return wideLanesAllowed.exchange(allowed);
#else
  (void)allowed;
  return false;
#endif
}

#if defined(PELLORY_VCF_SSE2) && defined(__i386__) && defined(__GNUC__)
// A 32-bit Windows host may call with the stack aligned to 4 bytes only; the registers'
// spills need 16.
__attribute__((force_align_arg_pointer))
#endif
bool Vcf::ProcessLanes(int count, Vcf* const* f, const double* const* x, const double* const* control,
                       const double* const* gain, double* const* out, int n) {
#if defined(PELLORY_VCF_SSE2)
  return VcfLanes::Run(count, f, x, control, gain, out, n);
#else
  if (count == 8) return ProcessRuns<8>(f, x, control, gain, out, n);
  return count == 4 ? ProcessRuns<4>(f, x, control, gain, out, n) : ProcessRuns<2>(f, x, control, gain, out, n);
#endif
}

}  // namespace pellory::engine
