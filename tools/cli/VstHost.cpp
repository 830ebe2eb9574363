#include "VstHost.h"

#include <cstring>
#include <dlfcn.h>

namespace cli {

using namespace vst2;

VstHost::~VstHost() {
  Stop();
  if (effect_) effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
  effect_ = nullptr;
  if (module_) dlclose(module_);
}

VstIntPtr VSTCALLBACK VstHost::HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetProductString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "pellory-cli");
      return 1;
    case audioMasterGetVendorString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "Velloran Music");
      return 1;
    case audioMasterGetCurrentProcessLevel:
      return kVstProcessLevelOffline;
    default:
      return 0;
  }
}

bool VstHost::Load(const std::string& path) {
  module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module_) {
    const char* why = dlerror();
    error_ = "cannot load plug-in " + path + ": " + (why ? why : "unknown error");
    return false;
  }
  typedef AEffect* (*EntryProc)(audioMasterCallback);
  EntryProc entry = reinterpret_cast<EntryProc>(dlsym(module_, "VSTPluginMain"));
  if (!entry) entry = reinterpret_cast<EntryProc>(dlsym(module_, "main"));
  if (!entry) {
    error_ = path + " is not a VST 2.4 plug-in (no VSTPluginMain or main)";
    return false;
  }
  effect_ = entry(&HostCallback);
  if (!effect_ || effect_->magic != kEffectMagic) {
    effect_ = nullptr;
    error_ = path + " did not create a VST 2.4 effect";
    return false;
  }
  return true;
}

VstIntPtr VstHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  return effect_ ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

std::string VstHost::GetString(VstInt32 opcode, VstInt32 index) {
  char text[256] = {};
  Dispatch(opcode, index, 0, text);
  text[sizeof(text) - 1] = '\0';
  return text;
}

void VstHost::Start(double sampleRate, int blockSize) {
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
  running_ = true;
}

void VstHost::Stop() {
  if (!running_) return;
  Dispatch(effMainsChanged, 0, 0);
  running_ = false;
}

}  // namespace cli
