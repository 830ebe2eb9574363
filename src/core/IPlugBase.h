#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/IParameter.h"
#include "core/MidiQueue.h"
#include "core/StateChunk.h"
#include "platform/Locks.h"

namespace pellory {

class IGraphics;

constexpr int kNumParameters = 77;
constexpr int kMaxBlockSize = 1 << 16;

struct ChannelIO {
  int32_t inputs = 0;
  int32_t outputs = 0;
};

// The host's transport as GetTimeInfo reports it; fields the host leaves invalid keep what the
// caller put there.
struct TimeInfo {
  double tempo = 120.0;
  double samplePosition = 0.0;
  double ppqPosition = 0.0;
  double lastBarStart = 0.0;
  double cycleStart = 0.0;
  double cycleEnd = 0.0;
  int32_t numerator = 4;
  int32_t denominator = 4;
  bool transportPlaying = false;
  bool cycleActive = false;
};

struct IPresetSlot {
  bool initialized = false;
  char name[263] = {};
  StateChunk chunk;
};

struct InputChannel {
  bool connected = false;
  double** destination = nullptr;
  std::vector<double> scratch;
};

struct OutputChannel {
  bool connected = false;
  double** destination = nullptr;
  float* destinationFloat = nullptr;
  std::vector<double> scratch;
};

// The plug-in framework's base: parameters, preset slots, channel buffers and the instance lock.
// The virtual operations keep one fixed order across the class chain.
class IPlugBase {
 public:
  IPlugBase(const char* channelIOString, const char* effectName, const char* productName,
            const char* makerName, int32_t uniqueId, int32_t makerId, int32_t version);

  /* 0 */ virtual ~IPlugBase();
  /* 1 */ virtual void Reset();
  /* 2 */ virtual void HandleParameterChange(int index);
  /* 3 */ virtual void ProcessBlock(double** inputs, double** outputs, int frames);
  /* 4 */ virtual void EditorOpened() {}
  /* 5 */ virtual void EditorClosed() {}
  /* 6 */ virtual void Idle() {}
  /* 7 */ virtual void Activate(bool active);
  /* 8 */ virtual void HandleMidiMessage(const IMidiMessage& message);
  /* 9 */ virtual void HandleSysEx(const ISysExMessage& message) {}
  /* 10 */ virtual bool GetMidiNoteName(int note, char* text);
  /* 11 */ virtual bool SerializeState(StateChunk& chunk);
  /* 12 */ virtual int UnserializeState(const StateChunk& chunk, int position);
  /* 13 */ virtual bool ParametersEqual(const double* values, int first);
  /* 14 */ virtual void EditorResized() {}
  /* 15 */ virtual bool ReservedQuery() { return false; }
  /* 16 */ virtual void HostIdentified() {}
  /* 17 */ virtual void ReservedNotification() {}
  /* 18 */ virtual void SetParameterFromEditor(int index, double normalized);
  /* 19 */ virtual void BeginParameterEdit(int index) = 0;
  /* 20 */ virtual void NotifyHostOfParameter(int index, double normalized) = 0;
  /* 21 */ virtual void EndParameterEdit(int index) = 0;
  /* 22 */ virtual void NotifyHostOfProgramChange() = 0;
  /* 23 */ virtual bool IsRenderingOffline() { return false; }
  /* 24 */ virtual int GetSamplePosition() = 0;
  /* 25 */ virtual double GetTempo() = 0;
  /* 26 */ virtual void GetTimeSignature(int* numerator, int* denominator) = 0;
  /* 27 */ virtual void GetTimeInfo(TimeInfo* info) = 0;
  /* 28 */ virtual int GetHostKind() { return hostKind_; }
  /* 29 */ virtual int GetLatency() { return latencyWord_; }
  /* 30 */ virtual void ResizeEditor() = 0;
  /* 31 */ virtual void IdentifyHost() {}
  /* 32 */ virtual void AttachEditor(IGraphics* graphics);
  /* 33 */ virtual void SetLatency(int samples);
  /* 34 */ virtual bool SendMidiMessage(const IMidiMessage& message) = 0;
  /* 35 */ virtual bool SendSysEx(const ISysExMessage& message) { return false; }
  /* 36 */ virtual void RefreshEditorParameters();
  /* 37 */ virtual int UnserializePresets(const StateChunk& chunk, int position);
  /* 38 */ virtual void ModifyCurrentPreset(const char* name = nullptr);
  /* 39 */ virtual void ReservedNotification2() {}
  /* 40 */ virtual void PresetChanged() {}
  /* 41 */ virtual void SetSampleRate(double rate);
  /* 42 */ virtual void SetBlockSize(int frames);

  // Parameters.
  IParameter* GetParameter(int index);
  const IParameter* GetParameter(int index) const;
  int NumParameters() const { return static_cast<int>(params_.size()); }
  void InitEnum(int index, const char* name, int defaultValue, int count, const char* const* texts);
  void SetParameterAndNotify(int index, double value);
  void AnnounceAllParameters();

  // State and presets.
  bool SerializeParams(StateChunk& chunk);
  int UnserializeParams(const StateChunk& chunk, int position);
  bool SerializePresets(StateChunk& chunk);
  bool SelectPreset(int index);
  void EnsureDefaultPresets(const char* name, int count);
  int NumPresets() const { return static_cast<int>(presets_.size()); }
  IPresetSlot* GetPreset(int index);
  int CurrentPresetIndex() const { return currentPreset_; }
  int StateImageSize() const { return stateImageSize_; }

  // Identity.
  const char* EffectName() const { return effectName_; }
  const char* ProductName() const { return productName_; }
  const char* MakerName() const { return makerName_; }
  int32_t UniqueId() const { return uniqueId_; }
  int32_t Version() const { return version_; }
  bool IsInstrument() const { return isInstrument_; }
  bool DoesMidi() const { return doesMidi_; }
  int NumInputs() const { return static_cast<int>(inputs_.size()); }
  int NumOutputs() const { return static_cast<int>(outputs_.size()); }
  const std::vector<ChannelIO>& LegalIO() const { return channelIO_; }
  double GetSampleRate() const { return sampleRate_; }
  int GetBlockSize() const { return blockSize_; }
  int GetTailSize() const { return tailSize_; }
  IGraphics* GetGraphics() const { return graphics_; }

  platform::RecursiveLock& Lock() { return lock_; }

 protected:
  std::vector<ChannelIO> channelIO_;
  platform::RecursiveLock lock_;
  char effectName_[128] = {};
  char productName_[128] = {};
  char makerName_[128] = {};
  int32_t uniqueId_ = 0;
  int32_t makerId_ = 0;
  int32_t version_ = 0;
  int32_t latencyWord_ = 0;
  int32_t hostKind_ = -1;
  int32_t hostVersion_ = 0;
  int32_t currentPreset_ = 0;
  bool unusedFlagTrue_ = true;
  bool isInstrument_ = true;
  bool doesMidi_ = true;
  bool unusedFlagFalse_ = false;
  double sampleRate_ = 44100.0;
  int32_t blockSize_ = 0;
  int32_t latency_ = 0;
  int32_t tailSize_ = 0;
  // Bytes of one SerializeState image; lets a chunk be checked whole before any of it is applied.
  int32_t stateImageSize_ = 8 * kNumParameters;
  std::vector<std::unique_ptr<IParameter>> params_;
  IGraphics* graphics_ = nullptr;
  std::vector<std::unique_ptr<IPresetSlot>> presets_;
  std::vector<double*> inputPointers_;
  std::vector<double*> outputPointers_;
  std::vector<InputChannel> inputs_;
  std::vector<OutputChannel> outputs_;
};

}  // namespace pellory
