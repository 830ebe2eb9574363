#pragma once
#include <cmath>
#include <cstdint>

#include "engine/Envelope.h"
#include "engine/Filter.h"
#include "engine/Oscillator.h"
#include "engine/Vcf.h"

namespace pellory::engine {

class Lfo;
class TuningClient;

// What a voice reads from the engine that owns it.
struct VoiceContext {
  double pitchBend = 0.0;                // pitch values
  const TuningClient* tuning = nullptr;  // microtuning of "Equal" notes; may be null
  std::int32_t noiseSeed = 1;            // one noise sequence for all voices of an instance
};

// One note of the synthesizer: two oscillators and noise through the VCF and the VCA.
class Voice {
 public:
  // Parameter ids the voice understands (the plug-in's parameter numbering).
  enum Param : int {
    kVcfAttack = 10, kVcfDecay = 11, kVcfSustain = 12, kVcfRelease = 13, kVcfAttackDynamic = 14,
    kVcfTrack = 15, kVcfCutoff = 16, kVcfResonance = 17, kVcfEnvelope = 18, kVcfEnvelopeDynamic = 19,
    kVcfInvert = 20, kDco1Octave = 21, kDco1Triangle = 22, kDco1Sawtooth = 23, kDco1Pulse = 24,
    kDco1Frequency = 25, kDco1PulseWidth = 26, kDco1PulseWidthDynamic = 27, kDco1Noise = 28,
    kDco2Octave = 29, kDco2Triangle = 30, kDco2Sawtooth = 31, kDco2Pulse = 32, kDco2Frequency = 33,
    kDco2PulseWidth = 34, kDco2PulseWidthDynamic = 35, kDco2Detune = 36, kVcaAttackDynamic = 37,
    kVcaAmountDynamic = 38, kVcaProgramVolume = 39, kVcaAttack = 40, kVcaDecay = 41, kVcaSustain = 42,
    kVcaRelease = 43, kTune = 57, kFrequencyScale = 70, kVcfFmStart = 71, kVcfFmStop = 72,
    kDetuneDepth = 75, kDetuneInit = 76,
  };

  Voice();  // built for 44100 Hz, envelopes at the 1000 Hz rate scale

  void Bind(int index, VoiceContext* context, const Lfo* lfo1, const Lfo* lfo2) {
    index_ = index;
    context_ = context ? context : &detached_;
    lfo1_ = lfo1;
    lfo2_ = lfo2;
    SpreadPhases();
  }
  void SetLfos(const Lfo* lfo1, const Lfo* lfo2) {
    lfo1_ = lfo1;
    lfo2_ = lfo2;
  }
  int Index() const { return index_; }
  const Lfo* Lfo1() const { return lfo1_; }
  const Lfo* Lfo2() const { return lfo2_; }

  // Resets the note state; oscillators, VCF and smoothers are rebuilt only for a new rate.
  void SetSampleRate(double rate);
  double SampleRate() const { return sampleRate_; }
  // 255 / (controlRate * 65535 / 325.5), for both envelopes.
  void SetEnvelopeRateScale(double scale);
  double EnvelopeRateScale() const { return envelopeRateScale_; }

  // a: plain value (times 128 for 57, 75, 76), b: normalised 0..1. Unknown ids are ignored.
  void SetParam(int id, double a, double b);

  // Starts a note (velocity 0..127). A note the "BIT" scale cannot play leaves the voice as it
  // was, except that it now carries this note. Returns whether the note started.
  bool NoteOn(int note, int velocity, std::int64_t stamp, int transpose, int fine);
  // Key up. Unless forced, a held sustain pedal keeps the note sounding.
  void Release(bool force);
  void SetSustain(bool down) { sustain_ = down; }

  // Once per control block (forced right after a note-on).
  void ControlTick(bool force = false);

  // One output sample.
  double RenderSample() {
    if (!sounding_) {
      dco1_.AdvancePhase();
      dco2_.AdvancePhase();
      return 0.0;
    }
    const double c = vcfSmoother_.Process(vcfControl_);
    const double g = vcaSmoother_.Process(vcaLevel_);
    // After the release the smoothed level still glides down; the voice falls silent once it
    // is far below hearing, never with a step.
    if (!active_ && std::fabs(g) < kSilentLevel) sounding_ = false;
    double s = dco2_.RenderSample() + dco1_.RenderSample();
    if (noise_ > 0.0) {
      std::int32_t& seed = context_->noiseSeed;
      seed = static_cast<std::int32_t>(static_cast<std::uint32_t>(seed) * 16807u);
      s += seed * 4.6566129e-10 * noise_;
    }
    return vcf_.Process(s, c) * g;
  }

  // The same output over a run of up to kRun samples, voice after voice: BeginRun, then the
  // noise draws sample by sample across all voices in engine order (the sequence is shared),
  // then RenderRuns computes every voice's samples and AddRun adds them to a layer sum in voice
  // order, so every sum rounds as in the per-sample path; EndRun turns the phases of the samples
  // a voice did not sound.
  static constexpr int kRun = 64;
  // Finds how many of the n samples the voice sounds and returns it. A fading voice's VCA level
  // is smoothed here, to find where it falls silent; a playing voice's later, with the rest.
  int BeginRun(int n) {
    runLength_ = 0;
    gainPending_ = false;
    noiseDrawn_ = false;
    if (!sounding_) return 0;
    int length = n;
    if (active_) {
      gainPending_ = true;
    } else {
      for (int s = 0; s < n; ++s) {
        const double g = vcaSmoother_.Process(vcaLevel_);
        gainRun_[s] = g;
        if (std::fabs(g) < kSilentLevel) {
          sounding_ = false;
          length = s + 1;
          break;
        }
      }
    }
    runLength_ = length;
    return length;
  }
  bool DrawsNoise() const { return runLength_ > 0 && noise_ > 0.0; }
  // Whether the voice takes a value of the noise sequence at sample s of the run.
  bool TakesNoise(int s) const { return s < runLength_ && noise_ > 0.0; }
  // The noise of sample s from the sequence's value there.
  void SetNoise(int s, std::int32_t seed) {
    noiseRun_[s] = seed * 4.6566129e-10 * noise_;
    noiseDrawn_ = true;
  }
  // Where every drawing voice sounds the whole run, the draws come in a fixed pattern: this
  // voice's draw at sample s is number s * voices + rank + 1 after seed. The voice computes its
  // noise from that when it renders.
  void SetNoiseDraws(std::int32_t seed, int rank, int voices) {
    noiseSeed_ = static_cast<std::uint32_t>(seed);
    noiseRank_ = rank;
    noiseVoices_ = voices;
  }
  // The noise sequence k steps on is seed * 16807^k, modulo 2^32 as the sequence itself runs:
  // the powers for k = 0 .. kMaxNoiseSteps (the draws of a whole run of every voice), so that
  // each draw is a multiplication of its own instead of a chain through all before it.
  static constexpr int kMaxNoiseSteps = 64 * kRun;
  static const std::uint32_t* NoisePowers();
  // Computes the run's samples of these voices (any order: each voice is computed on its own).
  // Voices that sound the whole n samples go through in groups, as vector lanes.
  static void RenderRuns(Voice* const* voices, int count, int n);
  // Adds the run's samples to sum (nothing where the voice is silent).
  void AddRun(double* sum) const {
    for (int s = 0; s < runLength_; ++s) sum[s] += outRun_[s];
  }
  // Turns the phases over the samples of the n the voice did not sound; ends the run.
  void EndRun(int n);

  // Active: the VCA envelope runs (what allocation and the control tick go by). Sounding: also
  // while the smoothed level fades out after the envelope has ended.
  bool IsActive() const { return active_; }
  bool IsSounding() const { return sounding_; }
  bool Gate() const { return gate_; }
  bool Sustain() const { return sustain_; }
  int Note() const { return note_; }
  std::int64_t Stamp() const { return stamp_; }
  int Fine() const { return fine_; }
  double KeyPitch() const { return keyPitch_; }
  double Dco1Pitch() const { return dco1Pitch_; }
  double Dco2Pitch() const { return dco2Pitch_; }
  double VcfControl() const { return vcfControl_; }
  double VcaLevel() const { return vcaLevel_; }
  double Cutoff() const { return cutoff_; }
  bool BitScale() const { return bitScale_; }
  const Envelope& VcaEnvelope() const { return vcaEnvelope_; }
  const Envelope& VcfEnvelope() const { return vcfEnvelope_; }
  const Oscillator& Dco1() const { return dco1_; }
  const Oscillator& Dco2() const { return dco2_; }

 private:
  bool ComputePitches();
  // The run's samples of this voice alone.
  void RenderRun();
  // The filter's input and control over the run.
  void PrepareRun(double* control, double* x);
  // The run's noise into out[0], out[stride], ... (only for a voice with noise).
  void RunNoise(double* out, int stride) const;
  // Where the noise follows SetNoiseDraws's pattern: the value of the run's first draw and the
  // multiplier from one sample's draw to the next.
  std::uint32_t FirstNoiseDraw() const { return noiseSeed_ * NoisePowers()[noiseRank_ + 1]; }
  std::uint32_t NoiseDrawStep() const { return NoisePowers()[noiseVoices_]; }
  // Whether the voice sounds the whole n samples and the unchecked arithmetic of the lanes
  // gives what the checked arithmetic would: every state and input finite.
  bool FitsLanes(int n) const;
  // RenderRun for 2 to 8 voices that fit the lanes. Returns false, with the voices as they
  // were, when something went non-finite on the way; then each must be rendered alone.
  static bool RenderLanes(Voice* const* members, int count, int n);
  friend struct VoiceLanes;
  // Gives the oscillators of each voice their own starting phase.
  void SpreadPhases();

  static constexpr double kSilentLevel = 1e-6;  // -120 dB

  // Per-sample state first.
  bool active_ = false;
  bool sounding_ = false;
  double noise_ = 0.0;
  double vcfControl_ = 0.0;
  double vcaLevel_ = 0.0;
  VoiceContext* context_ = &detached_;
  Oscillator dco1_;
  Oscillator dco2_;
  Vcf vcf_;
  LowPass vcfSmoother_;
  LowPass vcaSmoother_;

  int runLength_ = 0;
  bool gainPending_ = false;  // the VCA level of the run is still to be smoothed
  bool cutoffMoves_ = false;  // the filter's cutoff index moved often in the last run (lanes' hint)
  double gainRun_[kRun];
  double noiseRun_[kRun];
  bool noiseDrawn_ = false;  // noiseRun_ holds the run's noise; else SetNoiseDraws's pattern
  std::uint32_t noiseSeed_ = 0;
  int noiseRank_ = 0, noiseVoices_ = 1;
  double outRun_[kRun];

  // Control-rate state.
  double sampleRate_ = 1.0;
  double envelopeRateScale_ = 0.0;
  const Lfo* lfo1_ = nullptr;
  const Lfo* lfo2_ = nullptr;
  Envelope vcfEnvelope_;
  Envelope vcaEnvelope_;
  double tune_ = 0.0;
  double detune_ = 0.0;
  double cutoff_ = 0.0;
  double track_ = 0.0;
  double envelopeAmount_ = 0.0;
  double envelopeDynamic_ = 0.0;
  double amountDynamic_ = 0.0;
  double programVolume_ = 0.0;
  double fmStart_ = 0.0, fmStop_ = 0.0;
  double detuneDepth_ = 0.0, detuneInit_ = 0.0;
  double keyPitch_ = 0.0;
  double dco1Pitch_ = 7680.0, dco2Pitch_ = 7680.0;
  double velocity_ = 0.0;
  std::int64_t stamp_ = 0;
  int index_ = 0;
  int dco1Octave_ = 1, dco2Octave_ = 1;
  int dco1Frequency_ = 0, dco2Frequency_ = 0;
  int note_ = 60;
  int transpose_ = 0;
  int fine_ = 0;
  bool invert_ = false;
  bool bitScale_ = false;
  bool gate_ = false;
  bool sustain_ = false;
  bool fresh_ = true;  // no note since the smoothers were set up
  VoiceContext detached_;  // used until an engine binds the voice
};

}  // namespace pellory::engine
