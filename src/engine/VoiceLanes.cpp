// Voices as the lanes of vector registers: their oscillators, noise, smoothers, DC blockers and
// ladder filters. This unit moves voices in and out of the lanes, chooses the instruction set at
// run time and holds the SSE2 baseline. Built without contraction (see CMakeLists.txt): a fused
// multiply-add would round differently from the scalar code, and every lane must give the
// scalar code's doubles.
#include <atomic>
#include <cstdint>
#include <cstring>

#include "engine/Vcf.h"
#include "engine/Voice.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PELLORY_VCF_SSE2 1
#include "engine/VoiceLanesKernel.h"
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
  static V LessEq(V a, V b) { return _mm_cmple_pd(a, b); }
  static V NotEqual(V a, V b) { return _mm_cmpneq_pd(a, b); }  // also where either is NaN
  static int Bits(V mask) { return _mm_movemask_pd(mask); }
  // Towards zero, for lanes within the int range (the others are handled apart).
  static V Trunc(V a) { return _mm_cvtepi32_pd(_mm_cvttpd_epi32(a)); }
  // base[e] for each lane's whole-number e (no store and reload: that would stall).
  static V GatherAt(const double* base, V e) {
    const __m128i i = _mm_cvttpd_epi32(e);
    return _mm_set_pd(base[_mm_cvtsi128_si32(_mm_shuffle_epi32(i, 1))], base[_mm_cvtsi128_si32(i)]);
  }
  static V Pick(V keep, V old, V fresh) { return _mm_or_pd(_mm_and_pd(keep, old), _mm_andnot_pd(keep, fresh)); }
  static void Scatter(double* const* p, int s, V a) {
    _mm_storel_pd(p[0] + s, a);
    _mm_storeh_pd(p[1] + s, a);
  }
  static bool AllZero(V a) { return _mm_movemask_pd(_mm_cmpeq_pd(a, _mm_setzero_pd())) == 3; }
};

std::atomic<Vcf::LaneSet> laneLimit{Vcf::LaneSet::kAvx512};

// The registers a group of lanes goes to.
using Path = Vcf::LaneSet;

#if defined(__x86_64__) && defined(__GNUC__)
#define PELLORY_LANES_WIDE 1
Path Widest() {
  static const Path widest = [] {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx2"))
      return Path::kAvx512;
    if (__builtin_cpu_supports("avx2")) return Path::kAvx2;
    if (__builtin_cpu_supports("avx")) return Path::kAvx;
    return Path::kSse2;
  }();
  const Path limit = laneLimit.load(std::memory_order_relaxed);
  return limit < widest ? limit : widest;
}
#else
Path Widest() { return Path::kSse2; }
#endif

// Eight lanes fill an AVX-512 register; four or eight go to AVX or AVX2 registers, two to SSE2.
Path PathFor(int lanes) {
  const Path widest = Widest();
  if (lanes == 8) return widest;
  if (lanes == 4 && widest != Path::kSse2) return widest == Path::kAvx ? Path::kAvx : Path::kAvx2;
  return Path::kSse2;
}

bool RunFilterLanes(int lanes, LaneBlock& f, const double* x, const double* control, const double* gain,
                    double* const* out, int n) {
  switch (PathFor(lanes)) {
#if defined(PELLORY_LANES_WIDE)
    case Path::kAvx512: return RunFilterLanesAvx512(f, x, control, gain, out, n);
    case Path::kAvx2: return RunFilterLanesAvx2(lanes, f, x, control, gain, out, n);
    case Path::kAvx: return RunFilterLanesAvx(lanes, f, x, control, gain, out, n);
#endif
    default: break;
  }
  if (lanes == 8) return RunLanes<Sse2, 4>(f, x, control, gain, out, n);
  if (lanes == 4) return RunLanes<Sse2, 2>(f, x, control, gain, out, n);
  return RunLanes<Sse2, 1>(f, x, control, gain, out, n);
}

// Whether registers of this path read the wavetables themselves (gathers).
bool ReadsWaves(Path path) { return path == Path::kAvx512 || path == Path::kAvx2; }

bool RunVoiceLanes(int lanes, Path path, VoiceBlock& v, LaneBlock& f, double* const* out, int n) {
  switch (path) {
#if defined(PELLORY_LANES_WIDE)
    case Path::kAvx512: return RunVoiceLanesAvx512(v, f, out, n);
    case Path::kAvx2: return RunVoiceLanesAvx2(lanes, v, f, out, n);
    case Path::kAvx: return RunVoiceLanesAvx(lanes, v, f, out, n);
#endif
    default: break;
  }
  if (!RunVoiceSections<Sse2>(v, lanes, n)) return false;
  return RunFilterLanes(lanes, f, v.input, v.cutoff, v.gain, out, n);
}

// Lane count for a group: 2, 4 or 8, the lanes past the voices copies of the first.
int LanesFor(int count) { return count <= 2 ? 2 : count <= 4 ? 4 : 8; }

}  // namespace

struct VoiceLanes {
  static void Load(SectionLanes& l, int k, const Filter& f) {
    l.b0[k] = f.b0_, l.b1[k] = f.b1_, l.a1[k] = f.a1_, l.a2[k] = f.a2_;
    l.x1[k] = f.x1_, l.x2[k] = f.x2_, l.y1[k] = f.y1_, l.y2[k] = f.y2_, l.d[k] = f.d_;
  }
  static void Store(const SectionLanes& l, int k, Filter& f) {
    f.x1_ = l.x1[k], f.x2_ = l.x2[k], f.y1_ = l.y1[k], f.y2_ = l.y2[k], f.d_ = l.d[k];
  }
  static void CopyLane(SectionLanes& l, int from, int to) {
    l.b0[to] = l.b0[from], l.b1[to] = l.b1[from], l.a1[to] = l.a1[from], l.a2[to] = l.a2[from];
    l.x1[to] = l.x1[from], l.x2[to] = l.x2[from], l.y1[to] = l.y1[from], l.y2[to] = l.y2[from];
    l.d[to] = l.d[from];
  }
  static void Load(LaneBlock& b, int k, const Vcf& q) {
    b.s1[k] = q.s1_, b.s2[k] = q.s2_, b.s3[k] = q.s3_, b.s4[k] = q.s4_, b.dn[k] = q.dn_;
    b.G[k] = q.G_, b.G4[k] = q.G4_, b.v[k] = q.v_, b.fb[k] = q.feedback_, b.norm[k] = q.normaliser_;
    b.og[k] = q.outputGain_, b.res[k] = q.k_, b.cached[k] = q.cachedIndex_, b.tables[k] = q.tables_;
  }
  static void Store(const LaneBlock& b, int k, Vcf& q) {
    q.s1_ = b.s1[k], q.s2_ = b.s2[k], q.s3_ = b.s3[k], q.s4_ = b.s4[k], q.dn_ = b.dn[k];
    q.G_ = b.G[k], q.G4_ = b.G4[k], q.v_ = b.v[k], q.feedback_ = b.fb[k], q.normaliser_ = b.norm[k];
    q.outputGain_ = b.og[k], q.cachedIndex_ = b.cached[k];
  }

  // Vcf::ProcessLanes: the filters alone, their inputs interleaved run by run.
  static bool Filters(int count, Vcf* const* f, const double* const* x, const double* const* control,
                      const double* const* gain, double* const* out, int n) {
    LaneBlock b;
    for (int k = 0; k < count; ++k) Load(b, k, *f[k]);
    alignas(32) double xs[kLaneRun * kMaxLanes], cs[kLaneRun * kMaxLanes], gs[kLaneRun * kMaxLanes];
    bool finite = true;
    for (int start = 0; start < n && finite; start += kLaneRun) {
      const int m = n - start < kLaneRun ? n - start : kLaneRun;
      double* outs[kMaxLanes];
      for (int k = 0; k < count; ++k) {
        for (int s = 0; s < m; ++s) {
          xs[s * kMaxLanes + k] = x[k][start + s];
          cs[s * kMaxLanes + k] = control[k][start + s];
          gs[s * kMaxLanes + k] = gain[k][start + s];
        }
        outs[k] = out[k] + start;
      }
      finite = RunFilterLanes(count, b, xs, cs, gs, outs, m);
    }
    for (int k = 0; k < count; ++k) {
      Store(b, k, *f[k]);
      if (!f[k]->IsFinite()) finite = false;
    }
    return finite;
  }

  static void Load(OscillatorLanes& l, int k, const Oscillator& o, const double* first) {
    l.phase1[k] = o.phase1_, l.phase2[k] = o.phase2_, l.increment[k] = static_cast<std::uint32_t>(o.increment_);
    l.level[k] = 0;
    const unsigned bit = 1u << k;
    l.pulse &= ~bit, l.sawtooth &= ~bit, l.triangle &= ~bit;
    if (o.waves_ != nullptr) {
      l.level[k] = static_cast<std::int32_t>(o.waves_ - first);
      if (o.pulse_) l.pulse |= bit;
      if (o.sawtooth_) l.sawtooth |= bit;
      if (o.triangle_) l.triangle |= bit;
    }
  }
  static void CopyLane(OscillatorLanes& l, int from, int to) {
    l.phase1[to] = l.phase1[from], l.phase2[to] = l.phase2[from], l.increment[to] = l.increment[from];
    l.level[to] = l.level[from];
    const auto copy = [&](unsigned& bits) { bits = (bits & ~(1u << to)) | (((bits >> from) & 1u) << to); };
    copy(l.pulse), copy(l.sawtooth), copy(l.triangle);
  }

  // Voice::RenderLanes. The voices are written only when every lane stayed finite.
  static bool Voices(Voice* const* members, int count, int n) {
    const int lanes = LanesFor(count);
    // One choice for the whole group, even should the limit change meanwhile.
    const Path path = PathFor(lanes);
    const bool readsWaves = ReadsWaves(path);
    VoiceBlock b;
    LaneBlock f;
    double* outs[kMaxLanes];
    alignas(32) double spare[kLaneRun];
    std::uint32_t phases[kMaxLanes][4];
    const double* first = members[0]->dco1_.tables_->Interleaved(0);
    f.moves = 0;
    f.moving = false;
    b.noisy = false;
    bool drawn = false;  // some noise the engine drew itself
    for (int k = 0; k < count; ++k) {
      const Voice& v = *members[k];
      b.noisy = b.noisy || v.noise_ > 0.0;
      drawn = drawn || (v.noise_ > 0.0 && v.noiseDrawn_);
    }
    b.drawsNoise = readsWaves && b.noisy && !drawn;
    b.waves = first;
    for (int k = 0; k < count; ++k) {
      Voice& v = *members[k];
      Load(b.control, k, v.vcfSmoother_);
      Load(b.level, k, v.vcaSmoother_);
      Load(b.dc1, k, v.dco1_.dcBlocker_);
      Load(b.dc2, k, v.dco2_.dcBlocker_);
      b.controlIn[k] = v.vcfControl_;
      b.levelIn[k] = v.vcaLevel_;
      const bool noisy = v.noise_ > 0.0;
      const std::uint64_t quiet = noisy ? 0 : ~std::uint64_t{0};
      std::memcpy(&b.quiet[k], &quiet, sizeof quiet);
      if (readsWaves) {
        Load(b.dco1, k, v.dco1_, first);
        Load(b.dco2, k, v.dco2_, first);
      } else {
        phases[k][0] = v.dco1_.phase1_, phases[k][1] = v.dco1_.phase2_;
        phases[k][2] = v.dco2_.phase1_, phases[k][3] = v.dco2_.phase2_;
        v.dco1_.RenderWaves(b.wave1 + k, kMaxLanes, n);
        v.dco2_.RenderWaves(b.wave2 + k, kMaxLanes, n);
      }
      if (b.drawsNoise) {
        b.noiseSeed[k] = noisy ? v.FirstNoiseDraw() : 0;
        b.noiseStep[k] = noisy ? v.NoiseDrawStep() : 0;
        b.noiseLevel[k] = noisy ? v.noise_ : 0.0;
      } else if (b.noisy) {
        if (noisy) {
          v.RunNoise(b.noise + k, kMaxLanes);
        } else {
          for (int s = 0; s < n; ++s) b.noise[s * kMaxLanes + k] = 0.0;
        }
      }
      Load(f, k, v.vcf_);
      f.moving = f.moving || v.cutoffMoves_;
      outs[k] = v.outRun_;
    }
    // Lanes past the voices repeat the first voice; their results are dropped.
    for (int k = count; k < lanes; ++k) {
      for (SectionLanes* l : {&b.control, &b.level, &b.dc1, &b.dc2}) CopyLane(*l, 0, k);
      b.controlIn[k] = b.controlIn[0], b.levelIn[k] = b.levelIn[0], b.quiet[k] = b.quiet[0];
      b.noiseSeed[k] = b.noiseSeed[0], b.noiseStep[k] = b.noiseStep[0], b.noiseLevel[k] = b.noiseLevel[0];
      if (readsWaves) {
        CopyLane(b.dco1, 0, k);
        CopyLane(b.dco2, 0, k);
      }
      for (int s = 0; s < n; ++s) {
        const int at = s * kMaxLanes;
        if (!readsWaves) b.wave1[at + k] = b.wave1[at], b.wave2[at + k] = b.wave2[at];
        if (b.noisy && !b.drawsNoise) b.noise[at + k] = b.noise[at];
      }
      Load(f, k, members[0]->vcf_);
      outs[k] = spare;
    }
    if (!RunVoiceLanes(lanes, path, b, f, outs, n)) {
      if (!readsWaves) {
        for (int k = 0; k < count; ++k) {
          Voice& v = *members[k];
          v.dco1_.phase1_ = phases[k][0], v.dco1_.phase2_ = phases[k][1];
          v.dco2_.phase1_ = phases[k][2], v.dco2_.phase2_ = phases[k][3];
        }
      }
      return false;
    }
    for (int k = 0; k < count; ++k) {
      Voice& v = *members[k];
      Store(b.control, k, v.vcfSmoother_);
      Store(b.level, k, v.vcaSmoother_);
      Store(b.dc1, k, v.dco1_.dcBlocker_);
      Store(b.dc2, k, v.dco2_.dcBlocker_);
      Store(f, k, v.vcf_);
      if (readsWaves) {
        v.dco1_.phase1_ = b.dco1.phase1[k], v.dco1_.phase2_ = b.dco1.phase2[k];
        v.dco2_.phase1_ = b.dco2.phase1[k], v.dco2_.phase2_ = b.dco2.phase2[k];
      }
      v.gainPending_ = false;
      // Coefficient updates in more than a quarter of the samples (of either register half).
      v.cutoffMoves_ = f.moves * 4 > n;
    }
    return true;
  }
};
#endif

Vcf::LaneSet Vcf::LimitLanes(LaneSet widest) {
#if defined(PELLORY_VCF_SSE2)
  return laneLimit.exchange(widest);
#else
  (void)widest;
  return LaneSet::kSse2;
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
  return VoiceLanes::Filters(count, f, x, control, gain, out, n);
#else
  // Without vector registers: each filter alone, unchecked.
  bool finite = true;
  for (int k = 0; k < count; ++k) finite = f[k]->Run<false>(x[k], control[k], gain[k], out[k], n) && finite;
  return finite;
#endif
}

#if defined(PELLORY_VCF_SSE2) && defined(__i386__) && defined(__GNUC__)
__attribute__((force_align_arg_pointer))
#endif
bool Voice::RenderLanes(Voice* const* members, int count, int n) {
#if defined(PELLORY_VCF_SSE2)
  return VoiceLanes::Voices(members, count, n);
#else
  (void)members, (void)count, (void)n;
  return false;  // each voice alone
#endif
}

}  // namespace pellory::engine
