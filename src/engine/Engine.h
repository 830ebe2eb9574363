#pragma once
#include <array>

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

  void SetPitchBend(double pitch) { pitchBend_ = pitch; }
  double PitchBend() const { return pitchBend_; }
  void SetPitchBendRange(double pitch) { pitchBendRange_ = pitch; }
  double PitchBendRange() const { return pitchBendRange_; }
  // Wheel input (0..1) of all four LFOs.
  void SetModWheel(double value);

  void ArmRepeat(int blocks) { repeatCountdown_ = blocks; }
  int RepeatCountdown() const { return repeatCountdown_; }

 private:
  void StartControlBlock(ControlBlockClient& client);

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
  double pitchBend_ = 0.0;
  double pitchBendRange_ = 0.0;
  double layerVolume_[2] = {1.0, 1.0};
  double mixerLevel_[2] = {0.5, 0.5};
  double panorama_[2] = {0.5, 0.5};
  double leftFactor_[2] = {1.0, 1.0};
  double rightFactor_[2] = {1.0, 1.0};
  double gains_[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
};

}  // namespace pellory::engine
