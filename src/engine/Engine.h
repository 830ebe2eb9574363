#pragma once
#include <array>
#include <cstdint>

#include "engine/Lfo.h"
#include "engine/Voice.h"

namespace pellory::engine {

// What the render loop asks of its owner at the start of every control block.
class ControlBlockClient {
 public:
  virtual ~ControlBlockClient() = default;
  // Applies the MIDI due in this block (notes, wheel, pedal, controllers, pitch bend).
  virtual void OnControlBlockStart() = 0;
  // The repeat countdown reached 0 (held OFF/ON panel buttons).
  virtual void OnRepeatCountdown() {}
};

enum Layer { kLower = 0, kUpper = 1 };

// How notes reach the layers.
struct KeyboardSetup {
  enum Mode : int { kSingle = 0, kSplit = 1, kDouble = 2 };
  int mode = kSingle;
  int splitKey = 60;       // first note of the upper layer in Split
  int upperTranspose = 0;  // semitones, upper layer in Split only
  bool unison = false;
};

// The synthesizer's engine state: 64 voices in two layers, four LFOs, the mix, and the render
// loop that runs modulation at the control rate and voices at the sample rate.
class Engine {
 public:
  static constexpr int kNumVoices = 64;
  static constexpr int kMaxVoicesPerLayer = 32;
  static constexpr int kNumLfos = 4;  // lower 1, lower 2, upper 1, upper 2

  Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Sample rate of every voice.
  void SetSampleRate(double rate);
  double SampleRate() const { return sampleRate_; }
  // Control rate r (1000 or 325.5): block length (int)((int)sampleRate / r) and the LFO and
  // envelope rate scales. Only acts when r differs from the rate in force.
  void SetControlRate(double rate);
  double ControlRate() const { return controlRate_; }
  int ControlBlockLength() const { return controlBlockLength_; }
  // The next sample starts a new control block.
  void RestartControlBlock() { blockCountdown_ = 0; }
  int BlockCountdown() const { return blockCountdown_; }

  // Writes frames samples of left and right; ticks the client at every control block start.
  void Render(double* left, double* right, int frames, ControlBlockClient& client);

  // Voice allocation. Notes are 0..127, velocities 1..127; a stolen or repeated note restarts
  // its voice. In Double every note takes a lower voice and the upper voice at the same index.
  void NoteOn(int note, int velocity, const KeyboardSetup& keyboard);
  // Releases every voice carrying this note (the sustain pedal may hold it).
  void NoteOff(int note);
  // Lifting the pedal releases every voice whose key is up.
  void SetSustainPedal(bool down);
  bool SustainDown() const { return sustain_; }
  // Pedal up, then every voice released (each fades with its own release time).
  void AllNotesOff();
  // Refills the layer lists from the 64 voices after all notes off. Alternating (bitStereo off):
  // even voices lower, odd ones upper. "BIT": the first N voices lower, the next N upper.
  void ArrangeVoices(bool bitStereo, bool sharedUpperLfos);
  // Upper voices use the lower LFO pair when shared (linked or Single), else their own pair.
  void BindUpperLfos(bool shared);
  std::int64_t NoteStamp() const { return noteStamp_; }

  // Sound settings of the voice lists: one layer's 32 voices, or all 64. A layer's settings are
  // kept, so that a voice moved to another layer by ArrangeVoices takes on that layer's sound.
  void SetVoiceParam(Layer layer, int id, double a, double b);
  void SetVoiceParamAll(int id, double a, double b);

  // Microtuning of "Equal" notes; null plays equal temperament.
  void SetTuningClient(const TuningClient* client) { context_.tuning = client; }
  const TuningClient* GetTuningClient() const { return context_.tuning; }

  // Layers and voices.
  Voice& GetVoice(int i) { return voices_[static_cast<std::size_t>(i)]; }
  Voice* LayerVoice(Layer layer, int i) { return layers_[layer][static_cast<std::size_t>(i)]; }
  Lfo& GetLfo(int i) { return lfos_[static_cast<std::size_t>(i)]; }
  int VoicesPerLayer() const { return voicesPerLayer_; }
  void SetVoicesPerLayer(int n) { voicesPerLayer_ = n < 0 ? 0 : n > kMaxVoicesPerLayer ? kMaxVoicesPerLayer : n; }

  // Mix settings, read at every control block start.
  void SetLayerVolume(Layer layer, double volume) { layerVolume_[layer] = volume; }
  void SetMixerLevel(Layer layer, double level) { mixerLevel_[layer] = level; }
  void SetPanorama(Layer layer, double p);
  double Panorama(Layer layer) const { return panorama_[layer]; }
  double LeftFactor(Layer layer) const { return leftFactor_[layer]; }
  double RightFactor(Layer layer) const { return rightFactor_[layer]; }
  double Gain(Layer layer, int side) const { return gains_[layer][side]; }
  // Renders sample by sample, every voice in turn, instead of voice by voice over each run:
  // the plain order of the arithmetic, kept so that the faster order can be checked against it.
  void SetSampleBySample(bool on) { sampleBySample_ = on; }

  void SetPitchBend(double pitch) { context_.pitchBend = pitch; }
  double PitchBend() const { return context_.pitchBend; }
  void SetPitchBendRange(double pitch) { pitchBendRange_ = pitch; }
  double PitchBendRange() const { return pitchBendRange_; }
  // Wheel input (0..1) of all four LFOs.
  void SetModWheel(double value);

  void ArmRepeat(int blocks) { repeatCountdown_ = blocks; }
  int RepeatCountdown() const { return repeatCountdown_; }

 private:
  void StartControlBlock(ControlBlockClient& client);

  void StartVoice(Voice* voice, int note, int velocity, int transpose, int fine);

  // The last value of every layer-specific setting (ids as in Voice::SetParam).
  static constexpr int kNumSettingIds = 77;
  struct LayerSetting {
    double a = 0.0, b = 0.0;
    bool set = false;
  };
  std::array<std::array<LayerSetting, kNumSettingIds>, 2> layerSettings_{};

  std::array<Voice, kNumVoices> voices_;
  std::array<Voice*, kNumVoices> allVoices_{};
  std::array<std::array<Voice*, kMaxVoicesPerLayer>, 2> layers_{};
  std::array<Lfo, kNumLfos> lfos_;
  double sampleRate_ = 44100.0;
  double controlRate_ = -1.0;
  int controlBlockLength_ = 0;
  int blockCountdown_ = 0;
  int repeatCountdown_ = -1;
  int voicesPerLayer_ = 0;
  // Pitch bend, tuning client and the noise sequence shared by this instance's voices. Each
  // instance has its own, so instances rendering on different threads never share a seed.
  VoiceContext context_;
  std::int64_t noteStamp_ = 0;
  bool sustain_ = false;
  double pitchBendRange_ = 0.0;
  double layerVolume_[2] = {1.0, 1.0};
  double mixerLevel_[2] = {0.5, 0.5};
  double panorama_[2] = {0.5, 0.5};
  double leftFactor_[2] = {1.0, 1.0};
  double rightFactor_[2] = {1.0, 1.0};
  double gains_[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
  bool sampleBySample_ = false;
};

}  // namespace pellory::engine
