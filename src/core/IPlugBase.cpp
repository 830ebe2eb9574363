#include "core/IPlugBase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "editor/IGraphics.h"

namespace pellory {

IPlugBase::IPlugBase(const char* channelIOString, const char* effectName, const char* productName,
                     const char* makerName, int32_t uniqueId, int32_t makerId, int32_t version)
    : uniqueId_(uniqueId), makerId_(makerId), version_(version) {
  params_.reserve(kNumParameters);
  for (int i = 0; i < kNumParameters; ++i) params_.push_back(std::make_unique<IParameter>());
  presets_.push_back(std::make_unique<IPresetSlot>());
  CopyText(presets_[0]->name, sizeof(presets_[0]->name), "empty");
  CopyText(effectName_, sizeof(effectName_), effectName);
  CopyText(productName_, sizeof(productName_), productName);
  CopyText(makerName_, sizeof(makerName_), makerName);

  // "in-out" pairs separated by blanks; the largest counts size the channel records.
  int maxIn = 0, maxOut = 0;
  std::istringstream pieces(channelIOString ? channelIOString : "");
  std::string piece;
  while (pieces >> piece) {
    ChannelIO io;
    if (std::sscanf(piece.c_str(), "%d-%d", &io.inputs, &io.outputs) == 2) {
      channelIO_.push_back(io);
      if (io.inputs > maxIn) maxIn = io.inputs;
      if (io.outputs > maxOut) maxOut = io.outputs;
    }
  }
  inputs_.resize(static_cast<std::size_t>(maxIn));
  outputs_.resize(static_cast<std::size_t>(maxOut));
  inputPointers_.assign(static_cast<std::size_t>(maxIn), nullptr);
  outputPointers_.assign(static_cast<std::size_t>(maxOut), nullptr);
}

IPlugBase::~IPlugBase() = default;

void IPlugBase::Reset() { platform::LockGuard guard(lock_); }

void IPlugBase::HandleParameterChange(int index) { platform::LockGuard guard(lock_); }

void IPlugBase::ProcessBlock(double** inputs, double** outputs, int frames) {
  if (frames <= 0 || !outputs) return;
  for (int c = 0; c < NumOutputs(); ++c) {
    if (!outputs[c]) continue;
    if (c < NumInputs() && inputs && inputs[c])
      std::memcpy(outputs[c], inputs[c], static_cast<std::size_t>(frames) * sizeof(double));
    else
      std::memset(outputs[c], 0, static_cast<std::size_t>(frames) * sizeof(double));
  }
}

void IPlugBase::Activate(bool active) { platform::LockGuard guard(lock_); }

void IPlugBase::HandleMidiMessage(const IMidiMessage& message) { SendMidiMessage(message); }

bool IPlugBase::GetMidiNoteName(int note, char* text) {
  if (text) text[0] = '\0';
  return false;
}

bool IPlugBase::SerializeState(StateChunk& chunk) { return SerializeParams(chunk); }

int IPlugBase::UnserializeState(const StateChunk& chunk, int position) {
  return UnserializeParams(chunk, position);
}

bool IPlugBase::ParametersEqual(const double* values, int first) {
  if (!values) return false;
  for (int i = 0; i < NumParameters(); ++i) {
    float a = static_cast<float>(params_[i]->Value());
    float b = static_cast<float>(values[first + i]);
    if (!(std::fabs(a - b) < 0.00001f)) return false;
  }
  return true;
}

void IPlugBase::SetParameterFromEditor(int index, double normalized) {
  platform::LockGuard guard(lock_);
  IParameter* p = GetParameter(index);
  if (!p) return;
  p->SetNormalized(normalized);
  NotifyHostOfParameter(index, normalized);
  HandleParameterChange(index);
}

void IPlugBase::AttachEditor(IGraphics* graphics) {
  platform::LockGuard guard(lock_);
  if (graphics) {
    // The controls start from the current values; the first value each control receives is
    // also what a double click returns it to.
    for (int i = 0; i < NumParameters(); ++i) graphics->SetParameterFromPlugin(i, params_[i]->GetNormalized(), true);
    graphics->PrepDraw();
  }
  graphics_ = graphics;
}

void IPlugBase::SetLatency(int samples) { latency_ = samples; }

void IPlugBase::RefreshEditorParameters() {
  if (!graphics_) return;
  for (int i = 0; i < NumParameters(); ++i) graphics_->SetParameterFromPlugin(i, params_[i]->Value(), false);
}

IParameter* IPlugBase::GetParameter(int index) {
  return index >= 0 && index < NumParameters() ? params_[static_cast<std::size_t>(index)].get() : nullptr;
}

const IParameter* IPlugBase::GetParameter(int index) const {
  return index >= 0 && index < NumParameters() ? params_[static_cast<std::size_t>(index)].get() : nullptr;
}

void IPlugBase::InitEnum(int index, const char* name, int defaultValue, int count, const char* const* texts) {
  IParameter* p = GetParameter(index);
  if (!p || count < 1) return;
  p->MakeEnum();
  p->InitDouble(name, defaultValue, 0, count - 1, 1.0, "", "", 1.0);
  for (int i = 0; i < count; ++i) p->SetDisplayText(i, texts[i]);
}

void IPlugBase::SetParameterAndNotify(int index, double value) {
  IParameter* p = GetParameter(index);
  if (!p) return;
  p->SetValueClamped(value);
  const double normalized = p->GetNormalized();
  SetParameterFromEditor(index, normalized);
  if (graphics_) graphics_->SetParameterFromPlugin(index, normalized, true);
}

void IPlugBase::AnnounceAllParameters() {
  platform::LockGuard guard(lock_);
  for (int i = 0; i < NumParameters(); ++i) NotifyHostOfParameter(i, params_[i]->GetNormalized());
}

bool IPlugBase::SerializeParams(StateChunk& chunk) {
  platform::LockGuard guard(lock_);
  bool ok = true;
  for (const auto& p : params_) ok = chunk.PutDouble(p->Value()) && chunk.Size() > 0 && ok;
  return ok;
}

int IPlugBase::UnserializeParams(const StateChunk& chunk, int position) {
  platform::LockGuard guard(lock_);
  for (int i = 0; i < NumParameters() && position >= 0; ++i) {
    double value = 0.0;
    position = chunk.GetDouble(value, position);
    if (position < 0) value = 0.0;
    params_[i]->SetValueClamped(value);
  }
  for (int i = 0; i < NumParameters(); ++i) HandleParameterChange(i);
  return position;
}

bool IPlugBase::SerializePresets(StateChunk& chunk) {
  bool ok = true;
  for (const auto& slot : presets_) {
    ok = chunk.PutString(slot->name) && ok;
    ok = chunk.PutByte(slot->initialized ? 1 : 0) && ok;
    if (slot->initialized) ok = chunk.PutBytes(slot->chunk.Data(), slot->chunk.Size()) && ok;
  }
  return ok;
}

int IPlugBase::UnserializePresets(const StateChunk& chunk, int position) {
  for (auto& slot : presets_) {
    if (position < 0) break;
    std::string name;
    position = chunk.GetString(name, position);
    uint8_t initialized = 0;
    position = chunk.GetByte(initialized, position);
    if (position < 0) break;
    if (initialized) {
      position = UnserializeState(chunk, position);
      // A slot whose state is cut short keeps both its state and its name.
      if (position < 0) break;
      slot->chunk.Clear();
      SerializeState(slot->chunk);
    }
    CopyText(slot->name, sizeof(slot->name), name.c_str());
  }
  // Only a bank read through brings its current slot into force; after a cut one the live
  // state stays as it was rather than falling back to an older stored image.
  if (position >= 0) SelectPreset(currentPreset_);
  return position;
}

void IPlugBase::ModifyCurrentPreset(const char* name) {
  IPresetSlot* slot = GetPreset(currentPreset_);
  if (!slot) return;
  slot->chunk.Clear();
  SerializeState(slot->chunk);
  if (name && *name) CopyText(slot->name, sizeof(slot->name), name);
}

bool IPlugBase::SelectPreset(int index) {
  IPresetSlot* slot = GetPreset(index);
  if (!slot) return false;
  bool ok;
  if (slot->initialized) {
    ok = UnserializeState(slot->chunk, 0) > 0;
  } else {
    slot->initialized = true;
    int users = 0;
    for (const auto& s : presets_)
      if (std::strstr(s->name, "user preset")) ++users;
    std::snprintf(slot->name, sizeof(slot->name), "%s %d", "user preset", users + 1);
    ok = SerializeState(slot->chunk);
  }
  if (ok) {
    currentPreset_ = index;
    PresetChanged();
    RefreshEditorParameters();
  }
  return ok;
}

void IPlugBase::EnsureDefaultPresets(const char* name, int count) {
  for (int n = 0; n < count; ++n) {
    for (auto& slot : presets_) {
      if (slot->initialized) continue;
      slot->initialized = true;
      CopyText(slot->name, sizeof(slot->name), name && *name ? name : "Empty");
      SerializeState(slot->chunk);
      break;
    }
  }
}

IPresetSlot* IPlugBase::GetPreset(int index) {
  return index >= 0 && index < NumPresets() ? presets_[static_cast<std::size_t>(index)].get() : nullptr;
}

void IPlugBase::SetSampleRate(double rate) { sampleRate_ = rate; }

void IPlugBase::SetBlockSize(int frames) {
  // A host's 0 or absurd block size must not leave empty or gigantic scratch buffers; longer
  // process calls are cut into pieces of this size.
  frames = std::min(std::max(frames, 1), kMaxBlockSize);
  if (frames == blockSize_) return;
  for (auto& in : inputs_) in.scratch.assign(static_cast<std::size_t>(frames), 0.0);
  for (auto& out : outputs_) out.scratch.assign(static_cast<std::size_t>(frames), 0.0);
  blockSize_ = frames;
}

}  // namespace pellory
