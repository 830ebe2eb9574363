#include "engine/Engine.h"

#include <algorithm>
#include <cstring>

namespace pellory::engine {

namespace {
// The envelope and LFO tables were made for a 325.5 Hz tick and a 16-bit accumulator.
constexpr double kTableRate = 325.5;
constexpr double kAccumulator = 65535.0;
int BlockLength(double sampleRate, double controlRate) {
  const int length = static_cast<int>(static_cast<int>(sampleRate) / controlRate);
  return length < 1 ? 1 : length;
}
}  // namespace

Engine::Engine() {
  // Alternating arrangement: even voices play the lower layer, odd ones the upper.
  for (int i = 0; i < kNumVoices; ++i) {
    Voice& v = voices_[static_cast<std::size_t>(i)];
    v.Bind(i, this, &lfos_[0], &lfos_[1]);
    v.SetSampleRate(sampleRate_);
    allVoices_[static_cast<std::size_t>(i)] = &v;
    layers_[i % 2][static_cast<std::size_t>(i / 2)] = &v;
  }
}

void Engine::SetSampleRate(double rate) {
  sampleRate_ = rate;
  for (Voice* v : allVoices_) v->SetSampleRate(rate);
  // A control block keeps its length in seconds when the sample rate changes.
  if (controlRate_ > 0.0) controlBlockLength_ = BlockLength(sampleRate_, controlRate_);
}

void Engine::SetControlRate(double rate) {
  if (rate == controlRate_ || !(rate > 0.0)) return;
  controlBlockLength_ = BlockLength(sampleRate_, rate);
  controlRate_ = rate;
  const double lfoScale = 1.0 / (rate * kAccumulator / kTableRate);
  for (Lfo& lfo : lfos_) {
    lfo.SetRateScale(lfoScale);
    lfo.SetupSmoother(rate, 88.2);
  }
  const double envelopeScale = 255.0 / (rate * kAccumulator / kTableRate);
  for (Voice* v : allVoices_) v->SetEnvelopeRateScale(envelopeScale);
}

void Engine::SetPanorama(Layer layer, double p) {
  panorama_[layer] = p;
  leftFactor_[layer] = p <= 0.5 ? 1.0 : 2.0 * (1.0 - p);
  rightFactor_[layer] = p >= 0.5 ? 1.0 : 2.0 * p;
}

void Engine::SetModWheel(double value) {
  for (Lfo& lfo : lfos_) lfo.SetWheel(value);
}

void Engine::StartControlBlock(ControlBlockClient& client) {
  client.OnControlBlockStart();
  if (repeatCountdown_ > 0 && --repeatCountdown_ == 0) client.OnRepeatCountdown();
  for (int l = 0; l < 2; ++l) {
    const double level = mixerLevel_[l] * layerVolume_[l];
    gains_[l][0] = level * leftFactor_[l];
    gains_[l][1] = level * rightFactor_[l];
  }
  for (Lfo& lfo : lfos_) lfo.ControlTick();
  for (int i = 0; i < voicesPerLayer_; ++i) {
    layers_[kLower][static_cast<std::size_t>(i)]->ControlTick(false);
    layers_[kUpper][static_cast<std::size_t>(i)]->ControlTick(false);
  }
}

void Engine::Render(double* left, double* right, int frames, ControlBlockClient& client) {
  if (frames <= 0) return;
  std::memset(left, 0, static_cast<std::size_t>(frames) * sizeof(double));
  std::memset(right, 0, static_cast<std::size_t>(frames) * sizeof(double));
  // No control rate yet (no Reset): nothing can be scheduled, so the output stays silent.
  if (controlBlockLength_ <= 0) return;
  int pos = 0;
  while (pos < frames) {
    int run;
    if (blockCountdown_ <= 0) {
      StartControlBlock(client);
      run = std::min(controlBlockLength_, frames - pos);
      blockCountdown_ = controlBlockLength_ - run;
    } else {
      run = std::min(blockCountdown_, frames - pos);
      blockCountdown_ -= run;
    }
    const int n = voicesPerLayer_;
    Voice* const* lower = layers_[kLower].data();
    Voice* const* upper = layers_[kUpper].data();
    const double lowerLeft = gains_[kLower][0], lowerRight = gains_[kLower][1];
    const double upperLeft = gains_[kUpper][0], upperRight = gains_[kUpper][1];
    for (int s = pos; s < pos + run; ++s) {
      double lowerSum = 0.0, upperSum = 0.0;
      for (int i = 0; i < n; ++i) {
        lowerSum += lower[i]->RenderSample();
        upperSum += upper[i]->RenderSample();
      }
      left[s] = upperSum * upperLeft + lowerSum * lowerLeft;
      right[s] = upperSum * upperRight + lowerSum * lowerRight;
    }
    pos += run;
  }
}

}  // namespace pellory::engine
