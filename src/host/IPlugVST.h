#pragma once
#include "core/IPlugBase.h"
#include "host/vst2.h"

namespace pellory {

// The VST 2.4 layer of the plug-in object: the effect record handed to the host and the calls
// back into the host.
class IPlugVST : public IPlugBase {
 public:
  IPlugVST(vst2::audioMasterCallback hostCallback, const char* channelIOString, const char* effectName,
           const char* productName, const char* makerName, int32_t uniqueId, int32_t makerId,
           int32_t version);
  ~IPlugVST() override;

  void BeginParameterEdit(int index) override;
  void NotifyHostOfParameter(int index, double normalized) override;
  void EndParameterEdit(int index) override;
  void NotifyHostOfProgramChange() override;
  bool IsRenderingOffline() override;
  int GetSamplePosition() override;
  double GetTempo() override;
  void GetTimeSignature(int* numerator, int* denominator) override;
  void GetTimeInfo(void* info) override;
  int GetHostKind() override;
  void ResizeEditor() override;
  void IdentifyHost() override;
  void AttachEditor(IGraphics* graphics) override;
  void SetLatency(int samples) override;
  bool SendMidiMessage(const IMidiMessage& message) override;
  bool SendSysEx(const ISysExMessage& message) override;

  vst2::AEffect* GetEffect() { return &effect_; }
  static IPlugVST* FromEffect(vst2::AEffect* effect) {
    return effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
  }

  // The effect record's functions.
  static vst2::VstIntPtr VSTCALLBACK VSTDispatcher(vst2::AEffect* effect, vst2::VstInt32 opcode,
                                                   vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                                   float opt);
  static void VSTCALLBACK VSTProcess(vst2::AEffect* effect, float** inputs, float** outputs,
                                     vst2::VstInt32 frames);
  static void VSTCALLBACK VSTProcessReplacing(vst2::AEffect* effect, float** inputs, float** outputs,
                                              vst2::VstInt32 frames);
  static void VSTCALLBACK VSTProcessDoubleReplacing(vst2::AEffect* effect, double** inputs, double** outputs,
                                                    vst2::VstInt32 frames);
  static float VSTCALLBACK VSTGetParameter(vst2::AEffect* effect, vst2::VstInt32 index);
  static void VSTCALLBACK VSTSetParameter(vst2::AEffect* effect, vst2::VstInt32 index, float value);

 protected:
  vst2::VstIntPtr HostCall(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                           void* ptr = nullptr, float opt = 0.0f);
  vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                           float opt);
  // Converts host float buffers through the channels' double scratch buffers.
  void ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate);
  void ProcessDouble(double** inputs, double** outputs, int frames);

  vst2::audioMasterCallback hostCallback_ = nullptr;
  StateChunk programChunk_;
  StateChunk bankChunk_;
  uint32_t hostExtensions_ = 0;
  bool vendorCheckDone_ = false;
  bool specialHost_ = false;
  vst2::AEffect effect_{};
  vst2::ERect editorRect_{};
  vst2::VstSpeakerArrangement inputArrangement_{};
  vst2::VstSpeakerArrangement outputArrangement_{};
  bool hostSetupDone_ = false;
};

}  // namespace pellory
