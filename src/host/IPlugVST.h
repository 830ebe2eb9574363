#pragma once
#include "core/IPlugBase.h"
#include "host/vst2.h"

namespace pellory {

// Which host we run in, found from its product string (-1 until identified). Values 6, 10, 11
// and 19 are reserved and never produced.
enum HostKind : int32_t {
  HostUnknown = 0,
  HostReaper = 1,
  HostProTools = 2,
  HostCubase = 3,
  HostNuendo = 4,
  HostCakewalk = 5,
  HostFruity = 7,
  HostSamplitude = 8,
  HostLive = 9,
  HostMelodyne = 12,
  HostVstManLib = 13,
  HostAuLab = 14,
  HostForte = 15,
  HostChainer = 16,
  HostAudition = 17,
  HostOrion = 18,
  HostSawStudio = 20,
  HostLogic = 21,
  HostGarageBand = 22,
  HostDigital = 23,
  HostStandalone = 24,
  HostAudioMulch = 25,
  HostPresonus = 26,
  HostVst3PluginTestHost = 27,
  HostArdour = 28,
  HostRenoise = 29,
  HostOpenMpt = 30,
};

// The VST 2.4 layer of the plug-in object: the effect record handed to the host and the calls
// back into the host.
class IPlugVST : public IPlugBase {
 public:
  static constexpr int32_t kChunkMagic = 0x70666674;
  static constexpr int32_t kChunkVersion = 0x00010000;
  static constexpr uint32_t kHostHasCockosExtensions = 1u;
  static constexpr uint32_t kHostHasCockosViewAsConfig = 2u;

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
  void GetTimeInfo(TimeInfo* info) override;
  int GetHostKind() override;
  void ResizeEditor() override;
  void IdentifyHost() override;
  void AttachEditor(IGraphics* graphics) override;
  void SetLatency(int samples) override;
  bool SendMidiMessage(const IMidiMessage& message) override;
  bool SendSysEx(const ISysExMessage& message) override;

  // Host identification: the table lookup of a product string (case-insensitive substring,
  // first match in table order wins) and the host version packed like our version word.
  static int HostKindFromProduct(const char* product);
  static int32_t PackHostVersion(vst2::VstIntPtr decimalVersion);
  int GetHostVersion() const { return hostVersion_; }
  // True for hosts whose vendor string is exactly "native instruments" or "juce vst host"
  // (any case); they exchange only program chunks. Asked once, then cached.
  bool IsSpecialHost();
  uint32_t HostExtensions() const { return hostExtensions_; }

  // The chunk header: magic and format version.
  static void MakeChunkHeader(StateChunk& chunk);
  // The version found at position (advancing it by 8), or 0 with position unchanged when the
  // magic is absent, or 0 with position -1 when the version is cut off.
  static int32_t ReadChunkHeader(const StateChunk& chunk, int& position);

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
  const vst2::VstTimeInfo* HostTime(vst2::VstInt32 filter);
  vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                           float opt);
  vst2::VstIntPtr CanDo(const char* text);
  vst2::VstIntPtr ProcessEvents(const vst2::VstEvents* events);
  vst2::VstIntPtr GetChunk(int index, void** data);
  vst2::VstIntPtr SetChunk(int index, const void* data, vst2::VstIntPtr size);
  // Reads a program chunk's state and slot name from position; returns the position reached.
  int ReadProgramChunk(const StateChunk& chunk, int position);
  // Where reading a program chunk (state image, then a name) or a bank (UnserializePresets)
  // from position would end, found without applying anything; -1 when it could not be read
  // whole. A special host's program must have its name whole too.
  int ProgramChunkEnd(const StateChunk& chunk, int position, bool special) const;
  int BankChunkEnd(const StateChunk& chunk, int position) const;
  vst2::VstIntPtr String2Parameter(int index, const char* text);
  vst2::VstIntPtr VendorSpecific(int index, vst2::VstIntPtr value, void* ptr, float opt);
  vst2::VstIntPtr GetPinProperties(bool input, int index, vst2::VstPinProperties* pin);
  void SetSpeakerArrangement(const vst2::VstSpeakerArrangement* input, const vst2::VstSpeakerArrangement* output);
  void SetInputConnected(int channel, bool connected);
  void SetOutputConnected(int channel, bool connected);

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
