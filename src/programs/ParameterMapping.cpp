#include <cmath>

#include "core/Pellory.h"
#include "programs/ParameterTable.h"

namespace pellory {

namespace {
// Voices per layer for each "Voices" value; the texts count both layers ("Unison" plays 3+3).
const int kVoicesPerLayer[] = {3, 8, 16, 32, 3};
// Waveform codes of the LFO units for the "LFO n Waveform" choices: LFO 2's "Saw Up" is the
// falling ramp.
const int kLfo1Codes[] = {engine::Lfo::kOff, engine::Lfo::kTriangle, engine::Lfo::kRampUp, engine::Lfo::kSquare};
const int kLfo2Codes[] = {engine::Lfo::kOff, engine::Lfo::kTriangle, engine::Lfo::kRampDown, engine::Lfo::kSquare};

int ClampChoice(int v, int last) { return v < 0 ? 0 : v > last ? last : v; }

// The LFO setting an id writes, applied to one unit.
void ApplyLfoSetting(engine::Lfo& lfo, int id, int v) {
  switch (id) {
    case 0: lfo.SetWaveform(kLfo1Codes[ClampChoice(v, 3)]); break;
    case 44: lfo.SetWaveform(kLfo2Codes[ClampChoice(v, 3)]); break;
    case 1: case 45: lfo.SetToDco1(v != 0); break;
    case 2: case 46: lfo.SetToDco2(v != 0); break;
    case 3: case 47: lfo.SetToVcf(v != 0); break;
    case 4: case 48: lfo.SetToVca(v != 0); break;
    case 5: case 49: lfo.SetDelay(v); break;
    case 6: case 50: lfo.SetRate(v); break;
    case 7: case 51: lfo.SetRateDynamic(v / 63.0); break;
    case 8: case 52: lfo.SetDepth(v / 63.0); break;
    case 9: lfo.SetWheelAmount(v / 63.0); break;
    default: break;
  }
}
}  // namespace

void Pellory::HandleParameterChange(int id) {
  IParameter* p = GetParameter(id);
  if (!p) return;
  Synth::HandleParameterChange(id);
  const double n = p->GetNormalized();
  const int v = static_cast<int>(p->Value());

  if (id <= kUpperLevel) {
    selectedParameter_ = id;
    SetPanelParameterNumber(PanelNumberOf(id, v));
  }

  const bool single = keyboardMode_ == kSingle;
  // Lower-program LFO settings reach the upper pair too when it follows the lower one.
  const bool bothLayers = lfoLink_ || single;
  const bool lfo1Setting = id >= kLfo1Waveform && id <= kLfo1WheelAmount;
  const bool lfo2Setting = id >= kLfo2Waveform && id <= kLfo2Depth;
  if (lfo1Setting || lfo2Setting) {
    const int first = lfo1Setting ? 0 : 1;
    const int count = id == kLfo1WheelAmount ? 2 : 1;  // the wheel amount is shared by both LFOs
    for (int unit = first; unit < first + count; ++unit) {
      ApplyLfoSetting(engine_.GetLfo(unit), id, v);
      if (bothLayers) ApplyLfoSetting(engine_.GetLfo(unit + 2), id, v);
    }
  } else if (id >= 10 && id <= 43) {
    // Ids 0..52 edit the lower layer's sound; in Single both layers play it.
    const double a = id == kVcfResonance ? n : static_cast<double>(v);
    engine_.SetVoiceParam(engine::kLower, id, a, n);
    if (single) engine_.SetVoiceParam(engine::kUpper, id, a, n);
  } else if (id == kTune || id == kDetuneDepth || id == kDetuneInit) {
    engine_.SetVoiceParamAll(id, p->Value() * 128.0, n);
  } else if (id == kFrequencyScale || id == kVcfFmStart || id == kVcfFmStop) {
    engine_.SetVoiceParamAll(id, p->Value(), n);
  }

  switch (id) {
    case kLfoFmRange:
      for (int unit = 0; unit < engine::Engine::kNumLfos; ++unit) engine_.GetLfo(unit).SetFmRange(p->Value() * 128.0);
      break;
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
    panelEntryMode_ = kPanelProgramEntry;
    keyboardMode_ = kSingle;
    panelParameterNumber_ = currentProgram_ > 75 ? 64 : 0;
    if (!restoringState_) {
      SetParameterAndNotify(kProgramNumber, lowerProgram_);
      SetParameterAndNotify(kUpperProgram, lowerProgram_);
      SetParameterAndNotify(kLowerLevel, 32);
      SetParameterAndNotify(kUpperLevel, 32);
      ReapplyParameters();
    }
  } else {
    keyboardMode_ = mode;
  }
  BindUpperLfos();
  if (!restoringState_ && panelParameterNumber_ != 0) {
    panelParameterNumber_ =
        (mode != kSingle && panelEntryMode_ != kPanelParameterEntry && currentProgram_ > 75) ? 64 : 0;
    selectedParameter_ = panelParameterNumber_ ? ParameterOfPanelNumber(panelParameterNumber_) : -1;
  }
}

void Pellory::BindUpperLfos() { engine_.BindUpperLfos(lfoLink_ || keyboardMode_ == kSingle); }

void Pellory::ArrangeVoices() {
  // The engine releases every voice before it rearranges the lists.
  sustain_ = false;
  heldNotes_.clear();
  engine_.ArrangeVoices(stereoModeBit_, lfoLink_ || keyboardMode_ == kSingle);
}

void Pellory::WriteLayerLfos(engine::Layer layer, const PrgValues& values) {
  const int first = layer == engine::kUpper ? 2 : 0;
  for (int id = kLfo1Waveform; id <= kLfo1WheelAmount; ++id) ApplyLfoSetting(engine_.GetLfo(first), id, values[id]);
  engine_.GetLfo(first + 1).SetWheelAmount(values[kLfo1WheelAmount] / 63.0);
  for (int id = kLfo2Waveform; id <= kLfo2Depth; ++id) ApplyLfoSetting(engine_.GetLfo(first + 1), id, values[id]);
}

}  // namespace pellory
