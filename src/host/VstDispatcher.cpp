#include <cstring>

#include "host/IPlugVST.h"

namespace pellory {

using namespace vst2;

namespace {
constexpr VstIntPtr kIdentifyAnswer = 0x4E764566;  // 'NvEf'
}

VstIntPtr VSTCALLBACK IPlugVST::VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return 0;
  if (opcode == effClose) {
    // The lock lives in the object, so it cannot be held while the object goes away.
    effect->object = nullptr;
    delete plug;
    return 0;
  }
  platform::LockGuard guard(plug->Lock());
  return plug->Dispatch(opcode, index, value, ptr, opt);
}

VstIntPtr IPlugVST::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effOpen:
      IdentifyHost();
      for (int i = 0; i < NumParameters(); ++i) HandleParameterChange(i);
      return 0;
    case effGetProgram:
      return currentPreset_;
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
      // Only a usable rate is taken; 0, negative or NaN would break every later computation.
      if (opt >= 1000.0f && opt <= 1536000.0f) SetSampleRate(opt);
      Reset();
      return 0;
    case effSetBlockSize:
      SetBlockSize(static_cast<int>(value > kMaxBlockSize ? kMaxBlockSize : value < 1 ? 1 : value));
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
    case effEditIdle:
    case effIdle:
      Idle();
      return 0;
    case effIdentify:
      return kIdentifyAnswer;
    case effProcessEvents: {
      const VstEvents* events = static_cast<const VstEvents*>(ptr);
      if (!events) return 0;
      for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* e = events->events[i];
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
    case effCanBeAutomated:
      return 1;
    case effGetPlugCategory:
      return IsInstrument() ? kPlugCategSynth : kPlugCategEffect;
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
    case effCanDo: {
      if (!text) return 0;
      if (!std::strcmp(text, "receiveVstTimeInfo")) return 1;
      if (!std::strcmp(text, "sendVstEvents") || !std::strcmp(text, "sendVstMidiEvent") ||
          !std::strcmp(text, "receiveVstEvents") || !std::strcmp(text, "receiveVstMidiEvent"))
        return DoesMidi() ? 1 : 0;
      if (!std::strcmp(text, "hasCockosExtensions")) {
        hostExtensions_ |= 1u;
        return static_cast<VstIntPtr>(0xBEEF0000u);
      }
      if (!std::strcmp(text, "hasCockosViewAsConfig")) {
        hostExtensions_ |= 2u;
        return static_cast<VstIntPtr>(0xBEEF0000u);
      }
      return 0;
    }
    case effGetTailSize:
      return GetTailSize();
    case effGetVstVersion:
      return 2400;
    default:
      return 0;
  }
}

}  // namespace pellory
