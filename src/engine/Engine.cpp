#include "engine/Engine.h"

#include <algorithm>
#include <cmath>
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
    v.Bind(i, &context_, &lfos_[0], &lfos_[1]);
    v.SetSampleRate(sampleRate_);
    allVoices_[static_cast<std::size_t>(i)] = &v;
    layers_[i % 2][static_cast<std::size_t>(i / 2)] = &v;
  }
}

void Engine::SetSampleRate(double rate) {
  if (!std::isfinite(rate) || !(rate >= 1.0)) return;
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

void Engine::StartVoice(Voice* voice, int note, int velocity, int transpose, int fine) {
  voice->NoteOn(note, velocity, noteStamp_, transpose, fine);
}

void Engine::NoteOn(int note, int velocity, const KeyboardSetup& keyboard) {
  note &= 0x7F;
  velocity = velocity < 1 ? 1 : velocity > 127 ? 127 : velocity;
  ++noteStamp_;
  for (Lfo& lfo : lfos_) lfo.NoteOn(velocity * 0.007874015748031496);

  const int n = voicesPerLayer_;
  if (n <= 0) return;
  // The candidates: the first 2N voices in Single, the first N of a layer otherwise.
  Voice* const* list;
  int count = n;
  int transpose = 0;
  const bool paired = keyboard.mode == KeyboardSetup::kDouble;
  if (keyboard.mode == KeyboardSetup::kSplit) {
    const bool upper = note >= keyboard.splitKey;
    list = layers_[upper ? kUpper : kLower].data();
    if (upper) transpose = keyboard.upperTranspose;
  } else if (paired) {
    list = layers_[kLower].data();
  } else {
    list = allVoices_.data();
    count = 2 * n;
  }
  Voice* const* partners = layers_[kUpper].data();

  if (keyboard.unison) {
    // Three voices restart together, each a little sharper; no search, no stealing.
    for (int i = 0; i < 3 && i < count; ++i) {
      StartVoice(list[i], note, velocity, transpose, 12 * i);
      if (paired) StartVoice(partners[i], note, velocity, transpose, 12 * i);
    }
    return;
  }

  int m = -1;
  for (int i = 0; i < count && m < 0; ++i)
    if (list[i]->Note() == note) m = i;
  for (int i = 0; i < count && m < 0; ++i)
    if (!list[i]->IsActive()) m = i;
  if (m < 0) {
    m = 0;
    for (int i = 1; i < count; ++i)
      if (list[i]->Stamp() < list[m]->Stamp()) m = i;
  }
  StartVoice(list[m], note, velocity, transpose, 0);
  if (paired) StartVoice(partners[m], note, velocity, transpose, 0);
}

void Engine::NoteOff(int note) {
  for (Voice* v : allVoices_)
    if (v->Note() == note) v->Release(false);
}

void Engine::SetSustainPedal(bool down) {
  sustain_ = down;
  for (Voice* v : allVoices_) {
    v->SetSustain(down);
    if (!down && !v->Gate()) v->Release(true);
  }
}

void Engine::AllNotesOff() {
  SetSustainPedal(false);
  for (Voice* v : allVoices_) v->Release(true);
}

void Engine::ArrangeVoices(bool bitStereo, bool sharedUpperLfos) {
  AllNotesOff();
  std::array<int, kNumVoices> layerBefore{};
  for (int l = 0; l < 2; ++l)
    for (Voice* v : layers_[l]) layerBefore[static_cast<std::size_t>(v->Index())] = l;
  const int n = voicesPerLayer_;
  for (int i = 0; i < kMaxVoicesPerLayer; ++i) {
    int lower = 2 * i, upper = 2 * i + 1;
    if (bitStereo) {
      // The sounding voices first, lower block then upper block; the rest keep pairs.
      if (i < n) {
        lower = i;
        upper = n + i;
      } else {
        lower = 2 * n + 2 * (i - n);
        upper = lower + 1;
      }
    }
    layers_[kLower][static_cast<std::size_t>(i)] = allVoices_[static_cast<std::size_t>(lower)];
    layers_[kUpper][static_cast<std::size_t>(i)] = allVoices_[static_cast<std::size_t>(upper)];
  }
  // A voice that changed layers plays its new layer's sound, or a key would sound partly with
  // the other layer's program after a Stereo Mode or Voices change.
  for (int l = 0; l < 2; ++l) {
    for (Voice* v : layers_[l]) {
      if (layerBefore[static_cast<std::size_t>(v->Index())] == l) continue;
      for (int id = 0; id < kNumSettingIds; ++id) {
        const LayerSetting& s = layerSettings_[l][static_cast<std::size_t>(id)];
        if (s.set) v->SetParam(id, s.a, s.b);
      }
    }
  }
  for (Voice* v : layers_[kLower]) v->SetLfos(&lfos_[0], &lfos_[1]);
  BindUpperLfos(sharedUpperLfos);
}

void Engine::BindUpperLfos(bool shared) {
  const Lfo* lfo1 = &lfos_[shared ? 0 : 2];
  const Lfo* lfo2 = &lfos_[shared ? 1 : 3];
  for (Voice* v : layers_[kUpper]) v->SetLfos(lfo1, lfo2);
}

void Engine::SetVoiceParam(Layer layer, int id, double a, double b) {
  if (id >= 0 && id < kNumSettingIds) layerSettings_[layer][static_cast<std::size_t>(id)] = {a, b, true};
  for (Voice* v : layers_[layer]) v->SetParam(id, a, b);
}

void Engine::SetVoiceParamAll(int id, double a, double b) {
  for (Voice* v : allVoices_) v->SetParam(id, a, b);
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
    if (sampleBySample_) {
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
      continue;
    }
    // Voice after voice over the run: each voice's state stays in registers, a silent voice
    // costs one phase step per run.
    for (int start = pos; start < pos + run; start += Voice::kRun) {
      const int m = std::min(Voice::kRun, pos + run - start);
      // The voices that take from the shared noise sequence, in its order: lower voice i,
      // then upper voice i.
      Voice* drawing[2 * kMaxVoicesPerLayer];
      int count = 0;
      for (int i = 0; i < n; ++i) {
        if (lower[i]->BeginRun(m) > 0 && lower[i]->DrawsNoise()) drawing[count++] = lower[i];
        if (upper[i]->BeginRun(m) > 0 && upper[i]->DrawsNoise()) drawing[count++] = upper[i];
      }
      // The sequence is drawn sample by sample, in that order.
      if (count > 0) {
        const std::uint32_t* powers = Voice::NoisePowers();
        const auto seed = static_cast<std::uint32_t>(context_.noiseSeed);
        bool whole = true;
        for (int j = 0; j < count; ++j) whole = whole && drawing[j]->TakesNoise(m - 1);
        int draws = 0;
        if (whole) {
          // Every drawing voice sounds the whole run: each computes its own draws.
          for (int j = 0; j < count; ++j) drawing[j]->SetNoiseDraws(context_.noiseSeed, j, count);
          draws = count * m;
        } else {
          for (int s = 0; s < m; ++s) {
            for (int j = 0; j < count; ++j) {
              if (drawing[j]->TakesNoise(s)) drawing[j]->SetNoise(s, static_cast<std::int32_t>(seed * powers[++draws]));
            }
          }
        }
        context_.noiseSeed = static_cast<std::int32_t>(seed * powers[draws]);
      }
      // Every voice's samples first (voices of both layers share the vector lanes), then each
      // layer's sum in voice order.
      Voice* voices[2 * Engine::kMaxVoicesPerLayer];
      for (int i = 0; i < n; ++i) {
        voices[2 * i] = lower[i];
        voices[2 * i + 1] = upper[i];
      }
      Voice::RenderRuns(voices, 2 * n, m);
      double lowerSum[Voice::kRun], upperSum[Voice::kRun];
      for (int s = 0; s < m; ++s) lowerSum[s] = upperSum[s] = 0.0;
      for (int i = 0; i < n; ++i) {
        lower[i]->AddRun(lowerSum);
        lower[i]->EndRun(m);
      }
      for (int i = 0; i < n; ++i) {
        upper[i]->AddRun(upperSum);
        upper[i]->EndRun(m);
      }
      for (int s = 0; s < m; ++s) {
        left[start + s] = upperSum[s] * upperLeft + lowerSum[s] * lowerLeft;
        right[start + s] = upperSum[s] * upperRight + lowerSum[s] * lowerRight;
      }
    }
    pos += run;
  }
}

}  // namespace pellory::engine
