#pragma once

namespace pellory::engine {

class Engine;
class Lfo;

// One note of the synthesizer: two oscillators and noise through the VCF and the VCA.
class Voice {
 public:
  void Bind(int index, Engine* owner, Lfo* lfo1, Lfo* lfo2) {
    index_ = index;
    owner_ = owner;
    lfo1_ = lfo1;
    lfo2_ = lfo2;
  }
  void SetLfos(Lfo* lfo1, Lfo* lfo2) {
    lfo1_ = lfo1;
    lfo2_ = lfo2;
  }
  int Index() const { return index_; }
  Lfo* Lfo1() const { return lfo1_; }
  Lfo* Lfo2() const { return lfo2_; }

  void SetSampleRate(double rate) { sampleRate_ = rate; }
  double SampleRate() const { return sampleRate_; }
  // 255 / (controlRate * 65535 / 325.5), for both envelopes.
  void SetEnvelopeRateScale(double scale) { envelopeRateScale_ = scale; }
  double EnvelopeRateScale() const { return envelopeRateScale_; }

  bool IsSounding() const { return sounding_; }
  void ControlTick(bool force = false);
  double RenderSample();

 private:
  int index_ = 0;
  Engine* owner_ = nullptr;
  Lfo* lfo1_ = nullptr;
  Lfo* lfo2_ = nullptr;
  double sampleRate_ = 44100.0;
  double envelopeRateScale_ = 0.0;
  bool sounding_ = false;
};

}  // namespace pellory::engine
