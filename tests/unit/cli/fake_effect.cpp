// A minimal VST 2.4 effect (not an instrument), to check that the tool refuses it.
#include "host/vst2.h"

namespace {
vst2::VstIntPtr VSTCALLBACK Dispatch(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*,
                                     float) {
  return opcode == vst2::effGetPlugCategory ? vst2::kPlugCategEffect : 0;
}
void VSTCALLBACK Process(vst2::AEffect*, float**, float**, vst2::VstInt32) {}
vst2::AEffect g_effect = {vst2::kEffectMagic, &Dispatch, &Process, nullptr, nullptr, 1, 0, 2, 2,
                          vst2::effFlagsCanReplacing};
}  // namespace

extern "C" __attribute__((visibility("default"))) vst2::AEffect* VSTPluginMain(vst2::audioMasterCallback) {
  g_effect.processReplacing = &Process;
  return &g_effect;
}
