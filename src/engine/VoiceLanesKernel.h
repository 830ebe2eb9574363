#pragma once
// The voice lanes' loops, written once for any register width. Included by the translation
// units that build them for SSE2, AVX, AVX2 and AVX-512; the loops have internal linkage, so
// code built for a wider instruction set can never stand in for the baseline build.
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
  int moves = 0;  // out: register-samples whose cutoff index moved somewhere
  bool moving = false;  // in: the cutoffs moved in the voices' last run
};

// Second-order sections (Filter).
struct SectionLanes {
  alignas(64) double b0[kMaxLanes], b1[kMaxLanes], a1[kMaxLanes], a2[kMaxLanes];
  alignas(64) double x1[kMaxLanes], x2[kMaxLanes], y1[kMaxLanes], y2[kMaxLanes], d[kMaxLanes];
};

// Oscillators as lanes, for registers that can read the wavetables themselves (AVX2, AVX-512):
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
  bool noisy = false;                   // some lane has noise (else `noise` is not filled)
  // Where the registers read the wavetables and every noisy voice follows the engine's draw
  // pattern (Voice::SetNoiseDraws), they draw the noise too: lane k's value at sample s is
  // int32(noiseSeed[k] * noiseStep[k]^s) * 4.6566129e-10 * noiseLevel[k]. Else `noise` holds it.
  bool drawsNoise = false;
  alignas(32) std::uint32_t noiseSeed[kMaxLanes], noiseStep[kMaxLanes];
  alignas(64) double noiseLevel[kMaxLanes];
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
// Four or eight voices in one or two AVX2 registers, where the processor has AVX2; they read
// the wavetables themselves. The filters alone also serve the AVX-512 lanes' fixed cutoffs.
bool RunVoiceLanesAvx2(int lanes, VoiceBlock& v, LaneBlock& f, double* const* out, int n);
bool RunFilterLanesAvx2(int lanes, LaneBlock& f, const double* x, const double* control, const double* gain,
                        double* const* out, int n);
// Eight voices in an AVX-512 register; only where the processor has AVX-512F/DQ (and AVX2).
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
      O::Store(b.input + at, b.noisy ? O::Pick(quiet, x, O::Add(x, O::Load(b.noise + at))) : x);
      O::Store(b.cutoff + at, c);
      O::Store(b.gain + at, g);
      poison = O::Add(poison, O::Mul(O::Add(O::Add(c, g), O::Add(y1, y2)), zero));
    }
    control.Store(b.control, o), level.Store(b.level, o), dc1.Store(b.dc1, o), dc2.Store(b.dc2, o);
    if (!O::AllZero(poison)) finite = false;
  }
  return finite;
}

// RunVoiceSections for registers that read the wavetables themselves: Osc is one oscillator's
// register of lanes (constructed from OscillatorLanes, a first lane and the tables; Next()
// gives the waveforms' sum and steps the phases; Store writes the phases back), Noise a
// register of noise draws (constructed from the block and a first lane; Next() gives this
// sample's noise). The smoothers and the oscillators go in two loops, so that fewer registers
// spill.
template <class O, class Osc, class Noise>
inline bool RunVoiceSectionsReading(VoiceBlock& b, int lanes, int n) {
  using V = typename O::V;
  const V sign = O::Set(-0.0), zero = O::Set(0.0);
  V poison = zero;
  for (int o = 0; o < lanes; o += O::kWidth) {
    Section<O> control(b.control, o), level(b.level, o);
    const V controlIn = O::Load(b.controlIn + o), levelIn = O::Load(b.levelIn + o);
    for (int s = 0; s < n; ++s) {
      const int at = s * kMaxLanes + o;
      const V c = control.Step(controlIn, sign);
      const V g = level.Step(levelIn, sign);
      O::Store(b.cutoff + at, c);
      O::Store(b.gain + at, g);
      poison = O::Add(poison, O::Mul(O::Add(c, g), zero));
    }
    control.Store(b.control, o), level.Store(b.level, o);
  }
  for (int o = 0; o < lanes; o += O::kWidth) {
    Section<O> dc1(b.dc1, o), dc2(b.dc2, o);
    Osc osc1(b.dco1, o, b.waves), osc2(b.dco2, o, b.waves);
    Noise noise(b, o);
    const V quiet = O::Load(b.quiet + o);
    for (int s = 0; s < n; ++s) {
      const int at = s * kMaxLanes + o;
      // The second oscillator plus the first, then the noise of the voices that have it.
      const V y2 = dc2.Step(osc2.Next(), sign);
      const V y1 = dc1.Step(osc1.Next(), sign);
      V x = O::Add(y2, y1);
      if (b.drawsNoise) {
        x = O::Pick(quiet, x, O::Add(x, noise.Next()));
      } else if (b.noisy) {
        x = O::Pick(quiet, x, O::Add(x, O::Load(b.noise + at)));
      }
      O::Store(b.input + at, x);
      poison = O::Add(poison, O::Mul(O::Add(y1, y2), zero));
    }
    dc1.Store(b.dc1, o), dc2.Store(b.dc2, o);
    osc1.Store(b.dco1, o), osc2.Store(b.dco2, o);
  }
  return O::AllZero(poison);
}

// One register of O::kWidth ladder filters (lanes o .. o + kWidth - 1 of a LaneBlock): each lane
// does the scalar filter's operations in its order (Vcf::Run's unchecked step and
// Vcf::UpdateCoefficients).
template <class O>
struct Ladder {
  using V = typename O::V;
  static constexpr int W = O::kWidth;
  LaneBlock* b = nullptr;
  int o = 0;
  const VcfTables* shared = nullptr;  // the lanes' tables, when they all share one
  V s1, s2, s3, s4, dn, g, g4, v, fb, norm, og, cached, poison;

  void Load(LaneBlock& block, int first) {
    b = &block, o = first;
    s1 = O::Load(b->s1 + o), s2 = O::Load(b->s2 + o), s3 = O::Load(b->s3 + o), s4 = O::Load(b->s4 + o);
    dn = O::Load(b->dn + o), g = O::Load(b->G + o), g4 = O::Load(b->G4 + o), v = O::Load(b->v + o);
    fb = O::Load(b->fb + o), norm = O::Load(b->norm + o), og = O::Load(b->og + o), cached = O::Load(b->cached + o);
    poison = O::Set(0.0);
    shared = b->tables[o];
    for (int k = 1; k < W; ++k)
      if (b->tables[o + k] != shared) shared = nullptr;
  }
  // Stores the states and coefficients; returns false when an output went non-finite.
  bool Store() const {
    O::Store(b->s1 + o, s1), O::Store(b->s2 + o, s2), O::Store(b->s3 + o, s3), O::Store(b->s4 + o, s4);
    O::Store(b->dn + o, dn), O::Store(b->G + o, g), O::Store(b->G4 + o, g4), O::Store(b->v + o, v);
    O::Store(b->fb + o, fb), O::Store(b->norm + o, norm), O::Store(b->og + o, og), O::Store(b->cached + o, cached);
    // A lane's NaN or infinite output left a NaN in its sum.
    return O::AllZero(poison);
  }

  // The cutoff index of this sample, round(control * 17280) as Vcf::RoundIndex, and new
  // coefficients in the lanes where it moved; the others keep what they had.
  bool Control(V control) {
    const V sign = O::Set(-0.0), zero = O::Set(0.0), one = O::Set(1.0), half = O::Set(0.5);
    const V pitches = O::Set(kMaxPitch);
    const V x = O::Mul(control, pitches);
    const V t = O::Trunc(x);
    const V f = O::Sub(x, t);
    V i = O::Pick(O::LessEq(half, f), O::Add(t, one), O::Pick(O::LessEq(f, O::Set(-0.5)), O::Sub(t, one), t));
    const int small = O::Bits(O::Less(O::AndNot(sign, x), O::Set(1e9)));
    alignas(64) double index[W];
    if (small != (1 << W) - 1) {
      // Huge or not a number: the library's rounding, lane by lane.
      alignas(64) double big[W];
      O::Store(index, i), O::Store(big, x);
      for (int k = 0; k < W; ++k)
        if (!(small & (1 << k))) index[k] = std::round(big[k]);
      i = O::Load(index);
    }
    const V moved = O::NotEqual(i, cached);
    const int changed = O::Bits(moved);
    if (changed == 0) return false;
    cached = i;
    V gg, damp, gg4, table;
    if (shared != nullptr) {
      // Entry: the top one above the range, 0 below it and for NaN.
      const V e = O::Pick(O::Less(pitches, i), pitches, O::Pick(O::Less(zero, i), O::Trunc(i), zero));
      gg = O::GatherAt(shared->onePole.data(), e), damp = O::GatherAt(shared->damping.data(), e);
      gg4 = O::GatherAt(shared->onePole4.data(), e), table = O::GatherAt(shared->feedback.data(), e);
    } else {
      alignas(64) double onePole[W] = {}, damping[W] = {}, onePole4[W] = {}, feedback[W] = {};
      O::Store(index, i);
      for (int k = 0; k < W; ++k) {
        if (!(changed & (1 << k))) continue;
        const double at = index[k];
        int e = 0;
        if (at > kMaxPitch) {
          e = kMaxPitch;
        } else if (at > 0.0) {
          e = static_cast<int>(at);
        }
        const VcfTables& tables = *b->tables[o + k];
        onePole[k] = tables.onePole[e], damping[k] = tables.damping[e];
        onePole4[k] = tables.onePole4[e], feedback[k] = tables.feedback[e];
      }
      gg = O::Load(onePole), damp = O::Load(damping), gg4 = O::Load(onePole4), table = O::Load(feedback);
    }
    const V two = O::Set(2.0);
    const V kk = O::Load(b->res + o);
    const V feedback = O::Mul(kk, table);
    const V d = O::Mul(two, O::AndNot(sign, O::Sub(kk, half)));
    const V outputGain = O::Sub(two, O::Mul(d, d));
    const V normaliser = O::Div(one, O::Add(O::Mul(gg4, feedback), one));
    g = O::Pick(moved, gg, g), v = O::Pick(moved, damp, v), g4 = O::Pick(moved, gg4, g4);
    fb = O::Pick(moved, feedback, fb), norm = O::Pick(moved, normaliser, norm), og = O::Pick(moved, outputGain, og);
    return true;
  }

  // One sample of input: returns the output times gain.
  V Step(V in, V gain) {
    const V sign = O::Set(-0.0);
    const V d = dn;
    const V a1 = O::Add(s1, d), a2 = O::Add(s2, d), a3 = O::Add(s3, d), a4 = O::Add(s4, d);
    dn = O::Xor(d, sign);
    // (((a1 * g + a2) * g + a3) * g + a4 + in * G4) * norm
    V y = O::Add(O::Mul(a1, g), a2);
    y = O::Add(O::Mul(y, g), a3);
    y = O::Add(O::Mul(y, g), a4);
    y = O::Mul(O::Add(y, O::Mul(in, g4)), norm);
    // t = r < -3 ? -5 : r > 3 ? 5 : 5 r (r^2 + 27) / (9 r^2 + 27), lane by lane
    const V c5 = O::Set(5.0), c27 = O::Set(27.0);
    const V r = O::Mul(O::Set(0.2), y);
    const V r2 = O::Mul(r, r);
    const V soft = O::Div(O::Mul(O::Mul(c5, r), O::Add(r2, c27)), O::Add(O::Mul(O::Set(9.0), r2), c27));
    const V low = O::Less(r, O::Set(-3.0)), high = O::Less(O::Set(3.0), r);
    const V t =
        O::Or(O::Or(O::And(low, O::Set(-5.0)), O::AndNot(low, O::And(high, c5))), O::AndNot(O::Or(low, high), soft));
    const V u = O::Mul(g, O::Sub(in, O::Mul(t, fb)));
    const V y1 = O::Add(a1, u);
    s1 = O::Sub(u, O::Mul(v, y1));
    const V w2 = O::Mul(g, y1);
    const V y2 = O::Add(a2, w2);
    s2 = O::Sub(w2, O::Mul(v, y2));
    const V w3 = O::Mul(g, y2);
    const V y3 = O::Add(a3, w3);
    s3 = O::Sub(w3, O::Mul(v, y3));
    const V w4 = O::Mul(g, y3);
    const V y4 = O::Add(a4, w4);
    s4 = O::Sub(w4, O::Mul(v, y4));
    poison = O::Add(poison, O::Mul(y, O::Set(0.0)));
    return O::Mul(O::Mul(y, og), gain);
  }
};

// R registers of ladder filters, sample by sample. x, control and gain are interleaved streams
// (sample s of lane k at [s * kMaxLanes + k]). Returns false when an output went non-finite.
template <class O, int R>
inline bool RunLanes(LaneBlock& b, const double* x, const double* control, const double* gain,
                     double* const* out, int n) {
  constexpr int W = O::kWidth;
  Ladder<O> ladder[R];
  for (int p = 0; p < R; ++p) ladder[p].Load(b, W * p);
  int moves = 0;
  for (int s = 0; s < n; ++s) {
    const int at = s * kMaxLanes;
    for (int p = 0; p < R; ++p) moves += ladder[p].Control(O::Load(control + at + W * p)) ? 1 : 0;
    for (int p = 0; p < R; ++p) {
      O::Scatter(out + W * p, s, ladder[p].Step(O::Load(x + at + W * p), O::Load(gain + at + W * p)));
    }
  }
  b.moves = moves;
  bool finite = true;
  for (int p = 0; p < R; ++p) finite = ladder[p].Store() && finite;
  return finite;
}

}  // namespace
}  // namespace pellory::engine
