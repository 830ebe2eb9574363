#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "editor/IGraphics.h"
#include "host/IPlugVST.h"

namespace pellory {

using namespace vst2;

namespace {
constexpr VstIntPtr kIdentifyAnswer = 0x4E764566;  // 'NvEf'
constexpr VstIntPtr kVendorSpecificAnswer = 0xBEEF;
constexpr VstIntPtr kCockosAnswer = static_cast<VstIntPtr>(0xBEEF0000u);
constexpr VstIntPtr kVstVersion = 2400;
// Longest program name read from a host (the slot's own limit, terminator excluded).
constexpr std::size_t kHostNameRead = sizeof(IPresetSlot::name) - 1;

// A host's text, read no further than limit bytes even when it lacks a terminator.
std::string HostText(const char* text, std::size_t limit) {
  if (!text) return std::string();
  const void* end = std::memchr(text, '\0', limit);
  return std::string(text, end ? static_cast<const char*>(end) - text : limit);
}

// Sample rates the engine's tables are built for; anything else (0, negative, NaN, absurd) is
// kept away from it.
bool UsableSampleRate(float rate) { return rate >= 1000.0f && rate <= 1536000.0f; }
}  // namespace

VstIntPtr VSTCALLBACK IPlugVST::VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return 0;
  if (opcode == effClose) {
    // The lock lives in the object, so it cannot be held while the object goes away; taking it
    // once lets a call still running on another thread finish first.
    {
      platform::LockGuard guard(plug->Lock());
      effect->object = nullptr;
    }
    delete plug;
    return 0;
  }
  platform::LockGuard guard(plug->Lock());
  // No exception may cross into the host (an allocation that fails while copying a chunk, say):
  // the request then simply fails.
  try {
    return plug->Dispatch(opcode, index, value, ptr, opt);
  } catch (...) {
    return 0;
  }
}

VstIntPtr IPlugVST::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effOpen:
      IdentifyHost();
      for (int i = 0; i < NumParameters(); ++i) HandleParameterChange(i);
      return 0;
    case effSetProgram:
      ModifyCurrentPreset();
      if (value >= INT_MIN && value <= INT_MAX) SelectPreset(static_cast<int>(value));
      return 0;
    case effGetProgram:
      return currentPreset_;
    case effSetProgramName:
      if (text) {
        ModifyCurrentPreset(HostText(text, kHostNameRead).c_str());
        PresetChanged();
      }
      return 0;
    case effGetProgramName:
      if (text) {
        IPresetSlot* slot = GetPreset(currentPreset_);
        CopyText(text, kProgramNameBytes, slot ? slot->name : "");
      }
      return 0;
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName: {
      const IParameter* p = GetParameter(index);
      if (!p || !text) return 0;
      if (opcode == effGetParamLabel) CopyText(text, kParamTextBytes, p->GetHostLabel());
      if (opcode == effGetParamName) CopyText(text, kParamTextBytes, p->GetName());
      if (opcode == effGetParamDisplay) p->GetDisplayText(p->Value(), false, text, kParamTextBytes, true);
      return 0;
    }
    case effSetSampleRate:
      if (UsableSampleRate(opt)) SetSampleRate(opt);
      Reset();
      return 0;
    case effSetBlockSize:
      // A block size of 0 or less keeps the one we have; a huge one is capped, and longer
      // process calls are cut into pieces of the capped size.
      if (value > 0) SetBlockSize(static_cast<int>(value > kMaxBlockSize ? kMaxBlockSize : value));
      Reset();
      return 0;
    case effMainsChanged:
      if (value) {
        Activate(true);
      } else {
        Activate(false);
        Reset();
      }
      return 0;
    case effEditGetRect:
      if (!ptr || !GetGraphics()) return 0;
      *static_cast<ERect**>(ptr) = &editorRect_;
      return 1;
    case effEditOpen: {
      IGraphics* graphics = GetGraphics();
      // A surface without a platform window (the headless one) has nothing to show inside the
      // host's window: it stays closed and the host hears so.
      if (!graphics || std::strcmp(graphics->GetDrawingApiName(), "Headless") == 0 || !graphics->OpenWindow(ptr))
        return 0;
      EditorOpened();
      return 1;
    }
    case effEditClose: {
      IGraphics* graphics = GetGraphics();
      if (!graphics) return 0;
      EditorClosed();
      graphics->CloseWindow();
      return 1;
    }
    case effEditIdle:
    case effIdle:
      Idle();
      return 0;
    case effIdentify:
      return kIdentifyAnswer;
    case effGetChunk:
      return GetChunk(index, static_cast<void**>(ptr));
    case effSetChunk:
      return SetChunk(index, ptr, value);
    case effProcessEvents:
      return ProcessEvents(static_cast<const VstEvents*>(ptr));
    case effCanBeAutomated:
      return 1;
    case effString2Parameter:
      return String2Parameter(index, text);
    case effGetProgramNameIndexed: {
      if (!text) return 0;
      IPresetSlot* slot = GetPreset(index);
      CopyText(text, kProgramNameBytes, slot ? slot->name : "");
      return text[0] ? 1 : 0;
    }
    case effGetInputProperties:
    case effGetOutputProperties:
      return GetPinProperties(opcode == effGetInputProperties, index, static_cast<VstPinProperties*>(ptr));
    case effGetPlugCategory:
      return IsInstrument() ? kPlugCategSynth : kPlugCategEffect;
    case effProcessVarIo:
      return 0;
    case effSetSpeakerArrangement:
      SetSpeakerArrangement(reinterpret_cast<const VstSpeakerArrangement*>(value),
                            static_cast<const VstSpeakerArrangement*>(ptr));
      return 1;
    case effGetEffectName:
      if (!text) return 0;
      CopyText(text, kVendorTextBytes, EffectName());
      return 1;
    case effGetVendorString:
      if (!text) return 0;
      CopyText(text, kVendorTextBytes, MakerName());
      return 1;
    case effGetProductString:
      if (!text) return 0;
      CopyText(text, kVendorTextBytes, ProductName());
      return 1;
    case effGetVendorVersion:
      return effect_.version;
    case effVendorSpecific:
      return VendorSpecific(index, value, ptr, opt);
    case effCanDo:
      return CanDo(text);
    case effGetTailSize:
      return GetTailSize();
    case effGetVstVersion:
      return kVstVersion;
    case effGetMidiKeyName: {
      MidiKeyName* key = static_cast<MidiKeyName*>(ptr);
      if (!key) return 0;
      key->keyName[0] = '\0';
      const bool named = GetMidiNoteName(key->thisKeyNumber, key->keyName);
      key->keyName[sizeof(key->keyName) - 1] = '\0';
      return named ? 1 : 0;
    }
    case effGetSpeakerArrangement:
      if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &inputArrangement_;
      if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = &outputArrangement_;
      return 1;
    default:
      return 0;
  }
}

VstIntPtr IPlugVST::CanDo(const char* text) {
  if (!text) return 0;
  if (!std::strcmp(text, "receiveVstTimeInfo")) return 1;
  if (!std::strcmp(text, "sendVstEvents") || !std::strcmp(text, "sendVstMidiEvent") ||
      !std::strcmp(text, "receiveVstEvents") || !std::strcmp(text, "receiveVstMidiEvent"))
    return DoesMidi() ? 1 : 0;
  if (!std::strcmp(text, "hasCockosExtensions")) {
    hostExtensions_ |= kHostHasCockosExtensions;
    return kCockosAnswer;
  }
  if (!std::strcmp(text, "hasCockosViewAsConfig")) {
    hostExtensions_ |= kHostHasCockosViewAsConfig;
    return kCockosAnswer;
  }
  return 0;
}

VstIntPtr IPlugVST::ProcessEvents(const VstEvents* events) {
  if (!events) return 0;
  // The list holds numEvents pointers, more than the two it is declared with: index through a
  // pointer, not the array member.
  VstEvent* const* list = events->events;
  for (VstInt32 i = 0; i < events->numEvents; ++i) {
    const VstEvent* e = list[i];
    if (!e) continue;
    if (e->type == kVstMidiType) {
      const VstMidiEvent* m = reinterpret_cast<const VstMidiEvent*>(e);
      IMidiMessage msg;
      msg.offset = m->deltaFrames;
      msg.status = static_cast<uint8_t>(m->midiData[0]);
      msg.data1 = static_cast<uint8_t>(m->midiData[1]);
      msg.data2 = static_cast<uint8_t>(m->midiData[2]);
      HandleMidiMessage(msg);
    } else if (e->type == kVstSysExType) {
      const VstMidiSysexEvent* s = reinterpret_cast<const VstMidiSysexEvent*>(e);
      // A dump without bytes, or with a negative length, carries nothing to read.
      if (!s->sysexDump || s->dumpBytes <= 0) continue;
      ISysExMessage msg;
      msg.offset = s->deltaFrames;
      msg.size = s->dumpBytes;
      msg.data = reinterpret_cast<const uint8_t*>(s->sysexDump);
      HandleSysEx(msg);
    }
  }
  return 1;
}

void IPlugVST::MakeChunkHeader(StateChunk& chunk) {
  chunk.Clear();
  chunk.PutInt(kChunkMagic);
  chunk.PutInt(kChunkVersion);
}

int32_t IPlugVST::ReadChunkHeader(const StateChunk& chunk, int& position) {
  int32_t magic = 0;
  const int afterMagic = chunk.GetInt(magic, position);
  if (afterMagic < 0 || magic != kChunkMagic) return 0;
  int32_t version = 0;
  const int afterVersion = chunk.GetInt(version, afterMagic);
  if (afterVersion < 0) {
    position = -1;
    return 0;
  }
  position = afterVersion;
  return version;
}

VstIntPtr IPlugVST::GetChunk(int index, void** data) {
  if (!data) return 0;
  // The vendor check belongs to the first chunk request, whichever kind it is.
  const bool special = IsSpecialHost();
  const bool bank = index == 0 && !special;
  StateChunk& chunk = bank ? bankChunk_ : programChunk_;
  MakeChunkHeader(chunk);
  bool ok;
  if (bank) {
    ModifyCurrentPreset();
    ok = SerializePresets(chunk);
  } else {
    ok = SerializeState(chunk);
    IPresetSlot* slot = GetPreset(currentPreset_);
    ok = chunk.PutString(slot ? slot->name : "") && ok;
  }
  if (!ok || chunk.Size() == 0) return 0;
  *data = chunk.Data();
  return chunk.Size();
}

int IPlugVST::ReadProgramChunk(const StateChunk& chunk, int position) {
  position = UnserializeState(chunk, position);
  // A failed read leaves the slot's stored image alone: storing now would replace the last good
  // state with a half-restored one.
  if (position < 0) return position;
  if (position < chunk.Size()) {
    std::string name;
    const int afterName = chunk.GetString(name, position);
    // The state itself was read whole and is in force; a name cut short only keeps the slot's
    // name. Special hosts still see it as unread data, which is how they find bank chunks.
    position = afterName < 0 && !IsSpecialHost() ? chunk.Size() : afterName;
    ModifyCurrentPreset(name.c_str());
  } else {
    ModifyCurrentPreset();
  }
  return position;
}

int IPlugVST::ProgramChunkEnd(const StateChunk& chunk, int position, bool special) const {
  if (position < 0 || chunk.Size() - position < StateImageSize()) return -1;
  position += StateImageSize();
  if (position == chunk.Size()) return position;
  std::string name;
  const int afterName = chunk.GetString(name, position);
  return afterName < 0 && !special ? chunk.Size() : afterName;
}

int IPlugVST::BankChunkEnd(const StateChunk& chunk, int position) const {
  for (int slot = 0; slot < NumPresets() && position >= 0; ++slot) {
    std::string name;
    position = chunk.GetString(name, position);
    uint8_t initialized = 0;
    position = chunk.GetByte(initialized, position);
    if (position >= 0 && initialized)
      position = chunk.Size() - position >= StateImageSize() ? position + StateImageSize() : -1;
  }
  return position;
}

VstIntPtr IPlugVST::SetChunk(int index, const void* data, VstIntPtr size) {
  // No data, or a size that is none: nothing to restore, and nothing is touched.
  if (!data || size <= 0 || size > INT_MAX) return 0;
  const bool special = IsSpecialHost();
  const bool bank = index == 0 && !special;
  StateChunk& chunk = bank ? bankChunk_ : programChunk_;
  // Hosts may hand back the very buffer effGetChunk gave them; it is refilled below, so read
  // from a copy then.
  std::vector<uint8_t> own;
  for (const StateChunk* buffer : {&programChunk_, &bankChunk_}) {
    const uint8_t* start = buffer->Data();
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (start && bytes >= start && bytes < start + buffer->Size()) {
      own.assign(bytes, bytes + size);
      data = own.data();
    }
  }
  if (!chunk.Assign(data, static_cast<int>(size))) return 0;
  int position = 0;
  const int32_t version = ReadChunkHeader(chunk, position);
  const bool hasBankHeader = version >= kChunkVersion;

  // Whether the data will be taken is decided before anything is applied, so that a refused
  // chunk leaves the instance exactly as it was.
  if (!special) {
    if (bank && hasBankHeader) {
      if (BankChunkEnd(chunk, position) < 0 || UnserializePresets(chunk, position) < 0) return 0;
    } else {
      if (ProgramChunkEnd(chunk, position, false) < 0 || ReadProgramChunk(chunk, position) < 0) return 0;
    }
  } else {
    // These hosts take a program that fills the data exactly; otherwise data with a bank header
    // are taken as a bank saved by another host (read after the program, as they always were),
    // and data without one as a program followed by something of no known kind.
    const int programEnd = ProgramChunkEnd(chunk, position, true);
    const bool bankRetry = programEnd != chunk.Size() && hasBankHeader;
    if (bankRetry ? BankChunkEnd(chunk, position) < 0 : programEnd < 0) return 0;
    if (bankRetry && !bankChunk_.Assign(data, static_cast<int>(size))) return 0;
    // A whole image is applied; anything less is left unread.
    ReadProgramChunk(chunk, position);
    if (bankRetry) UnserializePresets(bankChunk_, position);
  }
  RefreshEditorParameters();
  return 1;
}

VstIntPtr IPlugVST::String2Parameter(int index, const char* text) {
  IParameter* p = GetParameter(index);
  if (!p) return 0;
  if (!text) return 1;
  double value = 0.0;
  if (!p->ParseDisplayText(HostText(text, kParamTextBytes * 8).c_str(), value)) return 0;
  if (IGraphics* graphics = GetGraphics()) graphics->SetParameterFromPlugin(index, value, false);
  p->SetValueClamped(value);
  HandleParameterChange(index);
  return 1;
}

VstIntPtr IPlugVST::VendorSpecific(int index, VstIntPtr value, void* ptr, float opt) {
  if (index == 7) {
    if (!ptr) return 0;
    const IParameter* p = value >= 0 && value < NumParameters() ? GetParameter(static_cast<int>(value)) : nullptr;
    if (p) p->GetDisplayText(opt, true, static_cast<char*>(ptr), kParamTextBytes, true);
    return kVendorSpecificAnswer;
  }
  if (index == 8) {
    const IParameter* p = value >= 0 && value < NumParameters() ? GetParameter(static_cast<int>(value)) : nullptr;
    return p && p->GetType() != IParameter::kTypeDouble ? kVendorSpecificAnswer : 0;
  }
  return 0;
}

VstIntPtr IPlugVST::GetPinProperties(bool input, int index, VstPinProperties* pin) {
  const int count = input ? NumInputs() : NumOutputs();
  if (!pin || index < 0 || index >= count) return 0;
  pin->flags = kVstPinIsActive;
  // Even channels that have a partner open a stereo pair.
  if (index % 2 == 0 && index < count - 1) pin->flags |= kVstPinIsStereo;
  std::snprintf(pin->label, sizeof(pin->label), input ? "Input %d" : "Output %d", index + 1);
  return 1;
}

void IPlugVST::SetSpeakerArrangement(const VstSpeakerArrangement* input, const VstSpeakerArrangement* output) {
  if (input) {
    const int n = std::max(0, std::min<int>(input->numChannels, NumInputs()));
    for (int c = 0; c < NumInputs(); ++c) SetInputConnected(c, c < n);
  }
  if (output) {
    const int n = std::max(0, std::min<int>(output->numChannels, NumOutputs()));
    for (int c = 0; c < NumOutputs(); ++c) SetOutputConnected(c, c < n);
  }
}

}  // namespace pellory
