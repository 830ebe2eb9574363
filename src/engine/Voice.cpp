#include "engine/Voice.h"

#include <cmath>
#include <initializer_list>
#include <vector>

#include "engine/Lfo.h"
#include "engine/Tuning.h"

namespace pellory::engine {

namespace {
constexpr double kOneOver127 = 0.007874015748031496;
constexpr double kOneOver8192 = 0.0001220703125;
constexpr double kNote36 = 4608.0;  // key tracking is neutral at this pitch

double Clamp01(double v) {
  if (!(v > 0.0)) return 0.0;  // also NaN
  return v > 1.0 ? 1.0 : v;
}

// Integer settings arrive as doubles; anything a host can send must convert safely.
int ToInt(double a) {
  if (!std::isfinite(a)) return 0;
  if (a > 1e6) return 1000000;
  if (a < -1e6) return -1000000;
  return static_cast<int>(a);
}

double Finite(double a) { return std::isfinite(a) ? a : 0.0; }

int ClampInt(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// "Equal" pitch of a note; notes outside the MIDI range keep plain semitone steps, as a
// tuning master only knows notes 0..127.
double EqualPitch(int note, const TuningClient* tuning) {
  if (note < 0 || note > 127) return note * 128.0;
  return NoteToPitch(note, tuning);
}
}  // namespace

Voice::Voice() {
  SetSampleRate(44100.0);
  SetEnvelopeRateScale(Envelope::RateScaleFor(1000.0));
}

void Voice::SetSampleRate(double rate) {
  dco1Pitch_ = dco2Pitch_ = 7680.0;
  active_ = sounding_ = gate_ = sustain_ = false;
  note_ = 60;
  transpose_ = 0;
  fine_ = 0;
  stamp_ = 0;
  vcfControl_ = vcaLevel_ = 0.0;
  if (rate == sampleRate_ || !std::isfinite(rate) || !(rate > 0.0)) return;
  sampleRate_ = rate;
  dco1_.SetSampleRate(rate);
  dco2_.SetSampleRate(rate);
  vcf_.SetSampleRate(rate);
  vcfSmoother_.Setup(rate, 70.55);
  vcaSmoother_.Setup(rate, 88.2);
  fresh_ = true;
  SpreadPhases();
}

void Voice::SpreadPhases() {
  // Oscillators that have run free sit at unrelated phases when a chord starts; every voice
  // starting at phase 0 would line up the first chord's waveforms into one loud transient. A
  // fixed golden-ratio step per voice keeps voices apart and the output reproducible; a voice's
  // two oscillators stay together, as they always started.
  const std::uint32_t phase = (static_cast<std::uint32_t>(index_) * 0x9E3779B9u) >> 4;
  dco1_.SetPhase(phase);
  dco2_.SetPhase(phase);
}

void Voice::SetEnvelopeRateScale(double scale) {
  if (!(std::isfinite(scale) && scale > 0.0)) return;
  envelopeRateScale_ = scale;
  vcfEnvelope_.SetRateScale(scale);
  vcaEnvelope_.SetRateScale(scale);
}

void Voice::SetParam(int id, double a, double b) {
  a = Finite(a);
  b = Clamp01(b);
  const int i = ToInt(a);
  const bool flag = b >= 0.5;
  switch (id) {
    case kVcfAttack: vcfEnvelope_.SetAttack(i & 63); break;
    case kVcfDecay: vcfEnvelope_.SetDecay(i & 63); break;
    case kVcfSustain: vcfEnvelope_.SetSustain(b); break;
    case kVcfRelease: vcfEnvelope_.SetRelease(i & 63); break;
    case kVcfAttackDynamic: vcfEnvelope_.SetAttackDynamic(b); break;
    case kVcfTrack: track_ = b; break;
    case kVcfCutoff: cutoff_ = b * 252.0 / 255.0; break;
    case kVcfResonance: vcf_.SetResonance(b); break;
    case kVcfEnvelope: envelopeAmount_ = b; break;
    case kVcfEnvelopeDynamic: envelopeDynamic_ = b; break;
    case kVcfInvert: invert_ = flag; break;
    case kDco1Octave:
      dco1Octave_ = ClampInt(i, 0, 3);
      ComputePitches();
      break;
    case kDco1Triangle: dco1_.SetTriangle(flag); break;
    case kDco1Sawtooth: dco1_.SetSawtooth(flag); break;
    case kDco1Pulse: dco1_.SetPulse(flag); break;
    case kDco1Frequency:
      dco1Frequency_ = ClampInt(i, 0, 11);
      ComputePitches();
      break;
    case kDco1PulseWidth: dco1_.SetPulseWidth(b); break;
    case kDco1PulseWidthDynamic: dco1_.SetPulseWidthDynamic(b); break;
    case kDco1Noise: noise_ = b; break;
    case kDco2Octave:
      dco2Octave_ = ClampInt(i, 0, 3);
      ComputePitches();
      break;
    case kDco2Triangle: dco2_.SetTriangle(flag); break;
    case kDco2Sawtooth: dco2_.SetSawtooth(flag); break;
    case kDco2Pulse: dco2_.SetPulse(flag); break;
    case kDco2Frequency:
      dco2Frequency_ = ClampInt(i, 0, 11);
      ComputePitches();
      break;
    case kDco2PulseWidth: dco2_.SetPulseWidth(b); break;
    case kDco2PulseWidthDynamic: dco2_.SetPulseWidthDynamic(b); break;
    case kDco2Detune: detune_ = b; break;
    case kVcaAttackDynamic: vcaEnvelope_.SetAttackDynamic(b); break;
    case kVcaAmountDynamic: amountDynamic_ = b; break;
    case kVcaProgramVolume: programVolume_ = b; break;
    case kVcaAttack: vcaEnvelope_.SetAttack(i & 63); break;
    case kVcaDecay: vcaEnvelope_.SetDecay(i & 63); break;
    case kVcaSustain: vcaEnvelope_.SetSustain(b); break;
    case kVcaRelease: vcaEnvelope_.SetRelease(i & 63); break;
    case kTune: tune_ = a; break;
    // Takes effect at the next pitch computation.
    case kFrequencyScale: bitScale_ = flag; break;
    case kVcfFmStart: fmStart_ = b; break;
    case kVcfFmStop: fmStop_ = b; break;
    case kDetuneDepth: detuneDepth_ = a; break;
    case kDetuneInit: detuneInit_ = a; break;
    default: break;
  }
}

bool Voice::ComputePitches() {
  int n = note_ + transpose_;
  const int o1 = 12 * dco1Octave_ - 12 + dco1Frequency_;
  const int o2 = 12 * dco2Octave_ - 12 + dco2Frequency_;
  double p1, p2;
  if (bitScale_) {
    // The lowest octave is missing from the table; the next two octaves fold upwards.
    if (n < 12) return false;
    if (n < 24) n += 24;
    else if (n < 36) n += 12;
    keyPitch_ = BitScaleKeyPitch(n);
    p1 = BitScalePitch(o1 + n);
    p2 = BitScalePitch(o2 + n);
  } else {
    const TuningClient* tuning = context_->tuning;
    keyPitch_ = EqualPitch(n, tuning);
    p1 = EqualPitch(o1 + n, tuning);
    p2 = EqualPitch(o2 + n, tuning);
  }
  // An oscillator without a pitch stays silent; the unison offset must not wake it.
  dco1Pitch_ = p1 > 0.0 ? p1 + fine_ : p1;
  dco2Pitch_ = p2 > 0.0 ? p2 + fine_ : p2;
  return true;
}

bool Voice::NoteOn(int note, int velocity, std::int64_t stamp, int transpose, int fine) {
  transpose_ = transpose;
  fine_ = fine;
  note_ = note;
  if (!ComputePitches()) return false;
  const bool fromSilence = !sounding_;
  stamp_ = stamp;
  gate_ = true;
  velocity_ = ClampInt(velocity, 0, 127) * kOneOver127;
  dco1_.SetVelocity(velocity_);
  dco2_.SetVelocity(velocity_);
  vcfEnvelope_.Start(velocity_);
  vcaEnvelope_.Start(velocity_);
  ControlTick(true);
  // The DC blockers have not followed these waveforms (a new voice, or another program since
  // its last note): start them settled, or the triangle's offset would thump in and drift out.
  if (fromSilence) {
    dco1_.SettleDcBlocker();
    dco2_.SettleDcBlocker();
  }
  // A new voice's filter control starts where it is, not swept open from 0; later notes start
  // from where the last one left it, as they always have.
  if (fresh_) vcfSmoother_.Settle(vcfControl_);
  fresh_ = false;
  return true;
}

const std::uint32_t* Voice::NoisePowers() {
  static const std::vector<std::uint32_t> powers = [] {
    std::vector<std::uint32_t> p(kMaxNoiseSteps + 1);
    p[0] = 1;
    for (int i = 1; i <= kMaxNoiseSteps; ++i) p[static_cast<std::size_t>(i)] = p[static_cast<std::size_t>(i) - 1] * 16807u;
    return p;
  }();
  return powers.data();
}

void Voice::PrepareRun(double* control, double* x) {
  const int length = runLength_;
  double osc1[kRun];
  vcfSmoother_.ProcessConstant(vcfControl_, control, length);
  dco2_.RenderRun(x, length);
  dco1_.RenderRun(osc1, length);
  for (int s = 0; s < length; ++s) x[s] += osc1[s];
  if (noise_ > 0.0) {
    double noise[kRun];
    RunNoise(noise, 1);
    for (int s = 0; s < length; ++s) x[s] += noise[s];
  }
}

void Voice::RunNoise(double* out, int stride) const {
  const int length = runLength_;
  if (noiseDrawn_) {
    for (int s = 0; s < length; ++s) out[s * stride] = noiseRun_[s];
    return;
  }
  const std::uint32_t* powers = NoisePowers();
  const double level = noise_;
  for (int s = 0, k = noiseRank_ + 1; s < length; ++s, k += noiseVoices_) {
    out[s * stride] = static_cast<std::int32_t>(noiseSeed_ * powers[k]) * 4.6566129e-10 * level;
  }
}

void Voice::RenderRun() {
  const int length = runLength_;
  if (length <= 0) return;
  if (gainPending_) {
    vcaSmoother_.ProcessConstant(vcaLevel_, gainRun_, length);
    gainPending_ = false;
  }
  double control[kRun], x[kRun];
  PrepareRun(control, x);
  vcf_.ProcessRun(x, control, gainRun_, outRun_, length);
}

void Voice::EndRun(int n) {
  // A voice that fell silent during the run (or was silent) still turns its phases.
  if (n > runLength_) {
    dco1_.SkipRun(n - runLength_);
    dco2_.SkipRun(n - runLength_);
  }
  runLength_ = 0;
  gainPending_ = false;
}

bool Voice::FitsLanes(int n) const {
  return runLength_ == n && gainPending_ && std::isfinite(vcfControl_) && std::isfinite(vcaLevel_) &&
         vcfSmoother_.IsFinite() && vcaSmoother_.IsFinite() && dco1_.DcBlockerIsFinite() &&
         dco2_.DcBlockerIsFinite() && vcf_.IsFinite();
}

void Voice::RenderRuns(Voice* const* voices, int count, int n) {
  constexpr int kGroup = 8;
  Voice* members[kGroup];
  int group = 0;
  const auto flush = [&] {
    // A lone voice gains nothing from lanes; a group that went non-finite is redone alone.
    if (group == 1 || (group > 1 && !RenderLanes(members, group, n))) {
      for (int k = 0; k < group; ++k) members[k]->RenderRun();
    }
    group = 0;
  };
  for (int i = 0; i < count; ++i) {
    Voice& v = *voices[i];
    if (v.runLength_ <= 0) continue;
    if (!v.FitsLanes(n)) {
      v.RenderRun();
      continue;
    }
    members[group++] = &v;
    if (group == kGroup) flush();
  }
  flush();
}

void Voice::Release(bool force) {
  gate_ = false;
  if (!force && sustain_) return;
  vcfEnvelope_.Release();
  vcaEnvelope_.Release();
}

void Voice::ControlTick(bool force) {
  if (!active_ && !force) return;
  vcfEnvelope_.ControlTick();
  vcaEnvelope_.ControlTick();
  const double dv = velocity_ - 1.0;

  double c = (dv * envelopeDynamic_ + 1.0) * (envelopeAmount_ * vcfEnvelope_.Output()) +
             (keyPitch_ - kNote36) * track_ * kOneOver8192 + cutoff_;
  double m = context_->pitchBend;
  double vca = (dv * amountDynamic_ + 1.0) * (programVolume_ * vcaEnvelope_.Output());
  double dco1Offset = 0.0, dco2Offset = 0.0;
  for (const Lfo* lfo : {lfo1_, lfo2_}) {
    if (!lfo) continue;
    c *= lfo->VcfFactor();
    vca *= lfo->VcaFactor();
    dco1Offset += lfo->Dco1Offset();
    dco2Offset += lfo->Dco2Offset();
  }
  vcfControl_ = (fmStop_ - fmStart_) * (invert_ ? 1.0 - c : c) + fmStart_;
  vcaLevel_ = vca;

  m += tune_;
  const double d = detuneDepth_ * detune_ + detuneInit_;
  // The detune pulls the two oscillators apart symmetrically.
  dco1_.SetPitch(dco1Pitch_, m + dco1Offset - d);
  dco2_.SetPitch(dco2Pitch_, m + dco2Offset + d);
  active_ = !vcaEnvelope_.IsIdle();
  if (active_) sounding_ = true;
}

}  // namespace pellory::engine
