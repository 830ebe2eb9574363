#pragma once
// The voice lanes' loops, written once for any register width. Included by the translation
// units that build them for SSE2 and for AVX; the loops have internal linkage, so code built
// for AVX can never stand in for the baseline build.
#include <cmath>
#include <cstdint>

#include "engine/Tuning.h"
#include "engine/Vcf.h"

namespace pellory::engine {

constexpr int kMaxLanes = 8;
constexpr int kLaneRun = 64;  // the longest run (Voice::kRun)

// The ladder filters' states and coefficients.
struct LaneBlock {
  static constexpr int kMax = kMaxLanes;
  alignas(64) double s1[kMax], s2[kMax], s3[kMax], s4[kMax], dn[kMax];
  alignas(64) double G[kMax], G4[kMax], v[kMax], fb[kMax], norm[kMax], og[kMax], res[kMax];
  alignas(64) double cached[kMax];
  const VcfTables* tables[kMax];
};

// Second-order sections (Filter).
struct SectionLanes {
  alignas(64) double b0[kMaxLanes], b1[kMaxLanes], a1[kMaxLanes], a2[kMaxLanes];
  alignas(64) double x1[kMaxLanes], x2[kMaxLanes], y1[kMaxLanes], y2[kMaxLanes], d[kMaxLanes];
};

// Oscillators as lanes, for registers that can read the wavetables themselves (AVX-512):
// Oscillator's phases and increment, the offset of its level's interleaved tables from the
// process's first level, and which waveforms it adds (none while silent).
struct OscillatorLanes {
  alignas(32) std::uint32_t phase1[kMaxLanes], phase2[kMaxLanes], increment[kMaxLanes];
  alignas(32) std::int32_t level[kMaxLanes];
  unsigned pulse = 0, sawtooth = 0, triangle = 0;  // a bit per lane
};

// What a group of voices computes before its filters. Streams are interleaved: sample s of
// lane k is at [s * kMaxLanes + k], so a register of lanes is one aligned load.
struct VoiceBlock {
  SectionLanes control, level, dc1, dc2;  // filter control and VCA smoothers, the DC blockers
  alignas(64) double controlIn[kMaxLanes], levelIn[kMaxLanes];
  alignas(64) double quiet[kMaxLanes];  // all bits set in the lanes of voices without noise
  // In, where the registers read the wavetables: the oscillators, the first level's tables.
  OscillatorLanes dco1, dco2;
  const double* waves = nullptr;
  // In otherwise: the oscillators' waveforms before their DC blockers. And the noise.
  alignas(64) double wave1[kLaneRun * kMaxLanes], wave2[kLaneRun * kMaxLanes], noise[kLaneRun * kMaxLanes];
  // Out: the filter's input, its control and the VCA gain.
  alignas(64) double input[kLaneRun * kMaxLanes], cutoff[kLaneRun * kMaxLanes], gain[kLaneRun * kMaxLanes];
};

// The sections and filters of four or eight voices in AVX registers; only to be called where
// the processor has AVX. Return false when an output went non-finite.
bool RunVoiceLanesAvx(int lanes, VoiceBlock& v, LaneBlock& f, double* const* out, int n);
bool RunFilterLanesAvx(int lanes, LaneBlock& f, const double* x, const double* control, const double* gain,
                       double* const* out, int n);
// Eight voices in an AVX-512 register (64-bit, not on Windows, whose stack alignment
// the compiler does not keep for these registers); only where the processor has AVX-512F/DQ.
// It reads the wavetables itself: dco1, dco2 and waves instead of wave1 and wave2.
bool RunVoiceLanesAvx512(VoiceBlock& v, LaneBlock& f, double* const* out, int n);
bool RunFilterLanesAvx512(LaneBlock& f, const double* x, const double* control, const double* gain, double* const* out,
                          int n);

namespace {

// One register of O::kWidth lanes of second-order sections: each lane does the unchecked steps
// of Filter::ProcessConstantRun in their order.
template <class O>
struct Section {
  using V = typename O::V;
  V b0, b1, a1, a2, x1, x2, y1, y2, d;
  Section(const SectionLanes& l, int o)
      : b0(O::Load(l.b0 + o)), b1(O::Load(l.b1 + o)), a1(O::Load(l.a1 + o)), a2(O::Load(l.a2 + o)),
        x1(O::Load(l.x1 + o)), x2(O::Load(l.x2 + o)), y1(O::Load(l.y1 + o)), y2(O::Load(l.y2 + o)),
        d(O::Load(l.d + o)) {}
  void Store(SectionLanes& l, int o) const {
    O::Store(l.x1 + o, x1), O::Store(l.x2 + o, x2), O::Store(l.y1 + o, y1), O::Store(l.y2 + o, y2);
    O::Store(l.d + o, d);
  }
  V Step(V x, V sign) {
    x = O::Add(x, d);
    x1 = O::Add(x1, d), x2 = O::Add(x2, d), y1 = O::Add(y1, d), y2 = O::Add(y2, d);
    // b0 * (x + x2) + b1 * x1 + a1 * y1 + a2 * y2
    const V y = O::Add(O::Add(O::Add(O::Mul(b0, O::Add(x, x2)), O::Mul(b1, x1)), O::Mul(a1, y1)), O::Mul(a2, y2));
    x2 = x1, x1 = x, y2 = y1, y1 = y;
    d = O::Xor(d, sign);
    return y;
  }
};

// The voices' smoothers and DC blockers over n samples, a register of lanes at a time, in the
// operations of Voice::PrepareRun and the VCA smoothing. Returns false when an output went
// non-finite.
template <class O>
inline bool RunVoiceSections(VoiceBlock& b, int lanes, int n) {
  using V = typename O::V;
  constexpr int W = O::kWidth;
  const V sign = O::Set(-0.0), zero = O::Set(0.0);
  bool finite = true;
  for (int o = 0; o < lanes; o += W) {
    Section<O> control(b.control, o), level(b.level, o), dc1(b.dc1, o), dc2(b.dc2, o);
    const V controlIn = O::Load(b.controlIn + o), levelIn = O::Load(b.levelIn + o), quiet = O::Load(b.quiet + o);
    V poison = zero;
    for (int s = 0; s < n; ++s) {
      const int at = s * kMaxLanes + o;
      const V c = control.Step(controlIn, sign);
      const V g = level.Step(levelIn, sign);
      // The second oscillator plus the first, then the noise of the voices that have it.
      const V y2 = dc2.Step(O::Load(b.wave2 + at), sign);
      const V y1 = dc1.Step(O::Load(b.wave1 + at), sign);
      const V x = O::Add(y2, y1);
      O::Store(b.input + at, O::Pick(quiet, x, O::Add(x, O::Load(b.noise + at))));
      O::Store(b.cutoff + at, c);
      O::Store(b.gain + at, g);
      poison = O::Add(poison, O::Mul(O::Add(O::Add(c, g), O::Add(y1, y2)), zero));
    }
    control.Store(b.control, o), level.Store(b.level, o), dc1.Store(b.dc1, o), dc2.Store(b.dc2, o);
    if (!O::AllZero(poison)) finite = false;
  }
  return finite;
}

// R registers of O::kWidth lanes each, sample by sample: each lane does the scalar filter's
// operations in its order (Vcf::Run and Vcf::UpdateCoefficients). x, control and gain are
// interleaved streams (sample s of lane k at [s * kMaxLanes + k]). Returns false when an output
// went non-finite.
template <class O, int R>
inline bool RunLanes(LaneBlock& b, const double* x, const double* control, const double* gain,
                     double* const* out, int n) {
  using V = typename O::V;
  constexpr int W = O::kWidth;
  constexpr int N = R * W;
  V s1[R], s2[R], s3[R], s4[R], dn[R], poison[R];
  V vg[R], vg4[R], vv[R], vfb[R], vnorm[R], vog[R];
  for (int p = 0; p < R; ++p) {
    s1[p] = O::Load(b.s1 + W * p), s2[p] = O::Load(b.s2 + W * p);
    s3[p] = O::Load(b.s3 + W * p), s4[p] = O::Load(b.s4 + W * p);
    dn[p] = O::Load(b.dn + W * p), poison[p] = O::Set(0.0);
    vg[p] = O::Load(b.G + W * p), vg4[p] = O::Load(b.G4 + W * p), vv[p] = O::Load(b.v + W * p);
    vfb[p] = O::Load(b.fb + W * p), vnorm[p] = O::Load(b.norm + W * p), vog[p] = O::Load(b.og + W * p);
  }
  const V sign = O::Set(-0.0), zero = O::Set(0.0);
  const V c02 = O::Set(0.2), c3 = O::Set(3.0), cm3 = O::Set(-3.0);
  const V c5 = O::Set(5.0), cm5 = O::Set(-5.0), c9 = O::Set(9.0), c27 = O::Set(27.0);
  const V c1 = O::Set(1.0), c2 = O::Set(2.0), c05 = O::Set(0.5);
  const V pitches = O::Set(kMaxPitch), c1e9 = O::Set(1e9), cm05 = O::Set(-0.5);
  V cached[R];
  for (int p = 0; p < R; ++p) cached[p] = O::Load(b.cached + W * p);
  // Voices of one engine share their rate's tables; then a register's entries are read at once.
  const VcfTables* shared = b.tables[0];
  for (int k = 1; k < N; ++k)
    if (b.tables[k] != shared) shared = nullptr;
  alignas(64) double onePole[N], damping[N], onePole4[N], table[N], index[N];
  for (int k = 0; k < N; ++k) onePole[k] = damping[k] = onePole4[k] = table[k] = 0.0;
  for (int s = 0; s < n; ++s) {
    for (int p = 0; p < R; ++p) {
      // The cutoff index, round(control * 17280) as Vcf::RoundIndex.
      const V v = O::Mul(O::Load(control + s * kMaxLanes + W * p), pitches);
      const V t = O::Trunc(v);
      const V f = O::Sub(v, t);
      V i = O::Pick(O::LessEq(c05, f), O::Add(t, c1), O::Pick(O::LessEq(f, cm05), O::Sub(t, c1), t));
      const int small = O::Bits(O::Less(O::AndNot(sign, v), c1e9));
      if (small != (1 << W) - 1) {
        // Huge or not a number: the library's rounding, lane by lane.
        O::Store(index + W * p, i);
        alignas(64) double big[W];
        O::Store(big, v);
        for (int k = 0; k < W; ++k)
          if (!(small & (1 << k))) index[W * p + k] = std::round(big[k]);
        i = O::Load(index + W * p);
      }
      // The coefficients of the lanes whose index moved (Vcf::UpdateCoefficients); the others
      // keep what they had.
      const V moved = O::NotEqual(i, cached[p]);
      const int changed = O::Bits(moved);
      if (changed == 0) continue;
      cached[p] = i;
      V gg, damp, g4, tab;
      if (shared != nullptr) {
        // Entry: the top one above the range, 0 below it and for NaN.
        const V e = O::Pick(O::Less(pitches, i), pitches, O::Pick(O::Less(zero, i), O::Trunc(i), zero));
        gg = O::GatherAt(shared->onePole.data(), e), damp = O::GatherAt(shared->damping.data(), e);
        g4 = O::GatherAt(shared->onePole4.data(), e), tab = O::GatherAt(shared->feedback.data(), e);
      } else {
        O::Store(index + W * p, i);
        for (int k = 0; k < W; ++k) {
          if (!(changed & (1 << k))) continue;
          const int lane = W * p + k;
          const double at = index[lane];
          int e = 0;
          if (at > kMaxPitch) {
            e = kMaxPitch;
          } else if (at > 0.0) {
            e = static_cast<int>(at);
          }
          const VcfTables& tables = *b.tables[lane];
          onePole[lane] = tables.onePole[e], damping[lane] = tables.damping[e];
          onePole4[lane] = tables.onePole4[e], table[lane] = tables.feedback[e];
        }
        gg = O::Load(onePole + W * p), damp = O::Load(damping + W * p), g4 = O::Load(onePole4 + W * p);
        tab = O::Load(table + W * p);
      }
      const V kk = O::Load(b.res + W * p);
      const V feedback = O::Mul(kk, tab);
      const V d = O::Mul(c2, O::AndNot(sign, O::Sub(kk, c05)));
      const V outputGain = O::Sub(c2, O::Mul(d, d));
      const V normaliser = O::Div(c1, O::Add(O::Mul(g4, feedback), c1));
      vg[p] = O::Pick(moved, gg, vg[p]), vv[p] = O::Pick(moved, damp, vv[p]), vg4[p] = O::Pick(moved, g4, vg4[p]);
      vfb[p] = O::Pick(moved, feedback, vfb[p]), vnorm[p] = O::Pick(moved, normaliser, vnorm[p]);
      vog[p] = O::Pick(moved, outputGain, vog[p]);
    }
    for (int p = 0; p < R; ++p) {
      const V d = dn[p];
      const V a1 = O::Add(s1[p], d), a2 = O::Add(s2[p], d), a3 = O::Add(s3[p], d), a4 = O::Add(s4[p], d);
      dn[p] = O::Xor(d, sign);
      const V in = O::Load(x + s * kMaxLanes + W * p);
      const V g = vg[p], w = vv[p];
      // (((a1 * g + a2) * g + a3) * g + a4 + in * G4) * norm
      V y = O::Add(O::Mul(a1, g), a2);
      y = O::Add(O::Mul(y, g), a3);
      y = O::Add(O::Mul(y, g), a4);
      y = O::Mul(O::Add(y, O::Mul(in, vg4[p])), vnorm[p]);
      // t = r < -3 ? -5 : r > 3 ? 5 : 5 r (r^2 + 27) / (9 r^2 + 27), lane by lane
      const V r = O::Mul(c02, y);
      const V r2 = O::Mul(r, r);
      const V soft = O::Div(O::Mul(O::Mul(c5, r), O::Add(r2, c27)), O::Add(O::Mul(c9, r2), c27));
      const V low = O::Less(r, cm3), high = O::Less(c3, r);
      const V t = O::Or(O::Or(O::And(low, cm5), O::AndNot(low, O::And(high, c5))), O::AndNot(O::Or(low, high), soft));
      const V u = O::Mul(g, O::Sub(in, O::Mul(t, vfb[p])));
      const V y1 = O::Add(a1, u);
      s1[p] = O::Sub(u, O::Mul(w, y1));
      const V w2 = O::Mul(g, y1);
      const V y2 = O::Add(a2, w2);
      s2[p] = O::Sub(w2, O::Mul(w, y2));
      const V w3 = O::Mul(g, y2);
      const V y3 = O::Add(a3, w3);
      s3[p] = O::Sub(w3, O::Mul(w, y3));
      const V w4 = O::Mul(g, y3);
      const V y4 = O::Add(a4, w4);
      s4[p] = O::Sub(w4, O::Mul(w, y4));
      O::Scatter(out + W * p, s, O::Mul(O::Mul(y, vog[p]), O::Load(gain + s * kMaxLanes + W * p)));
      poison[p] = O::Add(poison[p], O::Mul(y, zero));
    }
  }
  bool finite = true;
  for (int p = 0; p < R; ++p) {
    O::Store(b.s1 + W * p, s1[p]), O::Store(b.s2 + W * p, s2[p]);
    O::Store(b.s3 + W * p, s3[p]), O::Store(b.s4 + W * p, s4[p]), O::Store(b.dn + W * p, dn[p]);
    O::Store(b.G + W * p, vg[p]), O::Store(b.G4 + W * p, vg4[p]), O::Store(b.v + W * p, vv[p]);
    O::Store(b.fb + W * p, vfb[p]), O::Store(b.norm + W * p, vnorm[p]), O::Store(b.og + W * p, vog[p]);
    O::Store(b.cached + W * p, cached[p]);
    // A lane's NaN or infinite output left a NaN in its sum.
    if (!O::AllZero(poison[p])) finite = false;
  }
  return finite;
}

}  // namespace
}  // namespace pellory::engine
