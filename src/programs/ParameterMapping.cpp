#include <cmath>

#include "core/Pellory.h"
#include "programs/ParameterTable.h"

namespace pellory {

namespace {
// Voices per layer for each "Voices" value; the texts count both layers ("Unison" plays 3+3).
const int kVoicesPerLayer[] = {3, 8, 16, 32, 3};
}  // namespace

void Pellory::HandleParameterChange(int id) {
  IParameter* p = GetParameter(id);
  if (!p) return;
  Synth::HandleParameterChange(id);
  const double n = p->GetNormalized();
  const int v = static_cast<int>(p->Value());

  if (id <= kUpperLevel) {
    selectedParameter_ = id;
    panelParameterNumber_ = PanelNumberOf(id, v);
  }

  switch (id) {
    case kSplitPoint:
      splitKey_ = v + 35;
      break;
    case kUpperTranspose:
      upperTranspose_ = v - 25;
      break;
    case kLowerLevel:
      engine_.SetLayerVolume(engine::kLower, 2.0 * n);
      break;
    case kUpperLevel:
      engine_.SetLayerVolume(engine::kUpper, 2.0 * n);
      break;
    case kKeyboardMode:
      if (v != keyboardMode_) {
        AllNotesOff();
        SetKeyboardMode(v);
      }
      break;
    case kLowerVolume:
    case kUpperVolume: {
      const bool lower = id == kLowerVolume;
      double& stored = lower ? lowerMixerVolume_ : upperMixerVolume_;
      if (p->Value() != stored) {
        stored = p->Value();
        engine_.SetMixerLevel(lower ? engine::kLower : engine::kUpper, stored);
        // The partner's handler sees its own value unchanged after one exchange, so it stops.
        if (mixerLink_) SetParameterFromEditor(lower ? kUpperVolume : kLowerVolume, n);
      }
      break;
    }
    case kLowerPanorama:
    case kUpperPanorama: {
      const engine::Layer layer = id == kLowerPanorama ? engine::kLower : engine::kUpper;
      if (n != engine_.Panorama(layer)) {
        engine_.SetPanorama(layer, n);
        if (mixerLink_) {
          const int partner = id == kLowerPanorama ? kUpperPanorama : kLowerPanorama;
          SetParameterFromEditor(partner, 1.0 - n);
        }
      }
      break;
    }
    case kProgramNumber:
      SelectProgram(v, false);
      break;
    case kLowerProgram:
      SetLowerProgram(v);
      break;
    case kUpperProgram:
      if (keyboardMode_ != kSingle) {
        if (v >= 1 && v <= 75) upperProgram_ = v;
        LoadStoredPrgIntoLayer(upperProgram_, engine::kUpper);
      }
      break;
    case kVoices: {
      unison_ = v == 4;
      const int count = kVoicesPerLayer[v < 0 ? 0 : v > 4 ? 4 : v];
      if (count != engine_.VoicesPerLayer()) {
        AllNotesOff();
        engine_.SetVoicesPerLayer(count);
        ArrangeVoices();
      }
      break;
    }
    case kUpdateRate: {
      const bool bit = n >= 0.5;
      if (bit != updateRateBit_) {
        updateRateBit_ = bit;
        Reset();
      }
      break;
    }
    case kStereoMode: {
      const bool bit = n >= 0.5;
      if (bit != stereoModeBit_) {
        stereoModeBit_ = bit;
        ArrangeVoices();
      }
      break;
    }
    case kLinkedLfos:
      lfoLink_ = n >= 0.5;
      BindUpperLfos();
      break;
    case kPitchBendRange:
      engine_.SetPitchBendRange(v * 128.0);
      break;
    default:
      break;
  }
  editorRefreshPending_ = true;
}

void Pellory::SetKeyboardMode(int mode) {
  if (mode == kSingle && keyboardMode_ != kSingle) {
    keyboardMode_ = kSingle;
    panelParameterNumber_ = currentProgram_ > 75 ? 64 : 0;
    if (!restoringState_) {
      SetParameterAndNotify(kProgramNumber, lowerProgram_);
      SetParameterAndNotify(kUpperProgram, lowerProgram_);
      SetParameterAndNotify(kLowerLevel, 32);
      SetParameterAndNotify(kUpperLevel, 32);
    }
  } else {
    keyboardMode_ = mode;
  }
  BindUpperLfos();
  if (!restoringState_ && panelParameterNumber_ != 0) {
    panelParameterNumber_ = (mode != kSingle && currentProgram_ > 75) ? 64 : 0;
    selectedParameter_ = panelParameterNumber_ ? ParameterOfPanelNumber(panelParameterNumber_) : -1;
  }
}

void Pellory::BindUpperLfos() {
  const bool shared = lfoLink_ || keyboardMode_ == kSingle;
  engine::Lfo* lfo1 = &engine_.GetLfo(shared ? 0 : 2);
  engine::Lfo* lfo2 = &engine_.GetLfo(shared ? 1 : 3);
  for (int i = 0; i < engine::Engine::kMaxVoicesPerLayer; ++i) engine_.LayerVoice(engine::kUpper, i)->SetLfos(lfo1, lfo2);
}

void Pellory::ArrangeVoices() {
  // The voice-allocation layer rebuilds the layer lists for the stereo mode.
}

void Pellory::SelectProgram(int number, bool forced) {
  if (number >= 1 && number <= 99) currentProgram_ = number;
}

void Pellory::SetLowerProgram(int number) {
  if (number >= 1 && number <= 75) lowerProgram_ = number;
}

void Pellory::LoadStoredPrgIntoLayer(int number, engine::Layer layer) {
  if (number < 1 || number > 75) return;
  if (layer == engine::kUpper) upperProgram_ = number;
  else lowerProgram_ = number;
}

}  // namespace pellory
