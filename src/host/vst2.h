#pragma once
// Declarations of the VST 2.4 binary interface, written from the published facts of the ABI.
// Field order, types and sizes are what hosts compile against; the static_asserts pin them for
// both word sizes.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

namespace vst2 {

typedef int16_t VstInt16;
typedef int32_t VstInt32;
typedef intptr_t VstIntPtr;

struct AEffect;

typedef VstIntPtr(VSTCALLBACK* audioMasterCallback)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                    VstIntPtr value, void* ptr, float opt);
typedef VstIntPtr(VSTCALLBACK* AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                      VstIntPtr value, void* ptr, float opt);
typedef void(VSTCALLBACK* AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs,
                                              VstInt32 sampleFrames);
typedef void(VSTCALLBACK* AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                                    VstInt32 sampleFrames);
typedef void(VSTCALLBACK* AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float parameter);
typedef float(VSTCALLBACK* AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

constexpr VstInt32 kEffectMagic = 0x56737450;  // 'VstP'

struct AEffect {
  VstInt32 magic;
  AEffectDispatcherProc dispatcher;
  AEffectProcessProc process;
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 numInputs;
  VstInt32 numOutputs;
  VstInt32 flags;
  VstIntPtr resvd1;
  VstIntPtr resvd2;
  VstInt32 initialDelay;
  VstInt32 realQualities;
  VstInt32 offQualities;
  float ioRatio;
  void* object;
  void* user;
  VstInt32 uniqueID;
  VstInt32 version;
  AEffectProcessProc processReplacing;
  AEffectProcessDoubleProc processDoubleReplacing;
  char future[56];
};

enum VstAEffectFlags : VstInt32 {
  effFlagsHasEditor = 1,
  effFlagsCanMono = 8,
  effFlagsCanReplacing = 16,
  effFlagsProgramChunks = 32,
  effFlagsIsSynth = 256,
  effFlagsNoSoundInStop = 512,
  effFlagsCanDoubleReplacing = 4096,
};

enum AEffectOpcodes : VstInt32 {
  effOpen = 0, effClose, effSetProgram, effGetProgram, effSetProgramName, effGetProgramName,
  effGetParamLabel, effGetParamDisplay, effGetParamName, effGetVu, effSetSampleRate, effSetBlockSize,
  effMainsChanged, effEditGetRect, effEditOpen, effEditClose, effEditDraw, effEditMouse, effEditKey,
  effEditIdle, effEditTop, effEditSleep, effIdentify, effGetChunk, effSetChunk, effProcessEvents,
  effCanBeAutomated, effString2Parameter, effGetNumProgramCategories, effGetProgramNameIndexed,
  effCopyProgram, effConnectInput, effConnectOutput, effGetInputProperties, effGetOutputProperties,
  effGetPlugCategory, effGetCurrentPosition, effGetDestinationBuffer, effOfflineNotify,
  effOfflinePrepare, effOfflineRun, effProcessVarIo, effSetSpeakerArrangement,
  effSetBlockSizeAndSampleRate, effSetBypass, effGetEffectName, effGetErrorText, effGetVendorString,
  effGetProductString, effGetVendorVersion, effVendorSpecific, effCanDo, effGetTailSize, effIdle,
  effGetIcon, effSetViewPosition, effGetParameterProperties, effKeysRequired, effGetVstVersion,
  effEditKeyDown, effEditKeyUp, effSetEditKnobMode, effGetMidiProgramName, effGetCurrentMidiProgram,
  effGetMidiProgramCategory, effHasMidiProgramsChanged, effGetMidiKeyName, effBeginSetProgram,
  effEndSetProgram, effGetSpeakerArrangement, effShellGetNextPlugin, effStartProcess, effStopProcess,
  effSetTotalSampleToProcess, effSetPanLaw, effBeginLoadBank, effBeginLoadProgram,
  effSetProcessPrecision, effGetNumMidiInputChannels, effGetNumMidiOutputChannels,
};
static_assert(effGetNumMidiOutputChannels == 79, "opcode numbering");
static_assert(effGetVstVersion == 58 && effCanDo == 51 && effGetChunk == 23, "opcode numbering");

enum AudioMasterOpcodes : VstInt32 {
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,
  audioMasterProcessEvents = 8,
  audioMasterIOChanged = 13,
  audioMasterSizeWindow = 15,
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetVendorString = 32,
  audioMasterGetProductString = 33,
  audioMasterGetVendorVersion = 34,
  audioMasterCanDo = 37,
  audioMasterUpdateDisplay = 42,
  audioMasterBeginEdit = 43,
  audioMasterEndEdit = 44,
};

constexpr VstInt32 kVstProcessLevelOffline = 4;

enum VstEventTypes : VstInt32 { kVstMidiType = 1, kVstSysExType = 6 };

struct VstEvent {
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  char data[16];
};

struct VstEvents {
  VstInt32 numEvents;
  VstIntPtr reserved;
  VstEvent* events[2];  // really numEvents entries
};

struct VstMidiEvent {
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  VstInt32 noteLength;
  VstInt32 noteOffset;
  char midiData[4];
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

struct VstMidiSysexEvent {
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  VstInt32 dumpBytes;
  VstIntPtr resvd1;
  char* sysexDump;
  VstIntPtr resvd2;
};

struct VstTimeInfo {
  double samplePos;
  double sampleRate;
  double nanoSeconds;
  double ppqPos;
  double tempo;
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  VstInt32 timeSigNumerator;
  VstInt32 timeSigDenominator;
  VstInt32 smpteOffset;
  VstInt32 smpteFrameRate;
  VstInt32 samplesToNextClock;
  VstInt32 flags;
};

enum VstTimeInfoFlags : VstInt32 {
  kVstTransportChanged = 1,
  kVstTransportPlaying = 2,
  kVstTransportCycleActive = 4,
  kVstTransportRecording = 8,
  kVstNanosValid = 0x100,
  kVstPpqPosValid = 0x200,
  kVstTempoValid = 0x400,
  kVstBarsValid = 0x800,
  kVstCyclePosValid = 0x1000,
  kVstTimeSigValid = 0x2000,
  kVstSmpteValid = 0x4000,
  kVstClockValid = 0x8000,
};

struct VstPinProperties {
  char label[64];
  VstInt32 flags;
  VstInt32 arrangementType;
  char shortLabel[8];
  char future[48];
};

enum VstPinPropertiesFlags : VstInt32 {
  kVstPinIsActive = 1,
  kVstPinIsStereo = 2,
  kVstPinUseSpeaker = 4,
};

struct VstSpeakerProperties {
  float azimuth;
  float elevation;
  float radius;
  float reserved;
  char name[64];
  VstInt32 type;
  char future[28];
};

struct VstSpeakerArrangement {
  VstInt32 type;
  VstInt32 numChannels;
  VstSpeakerProperties speakers[8];
};

enum VstSpeakerArrangementType : VstInt32 {
  kSpeakerArrUserDefined = -2,
  kSpeakerArrEmpty = -1,
  kSpeakerArrMono = 0,
  kSpeakerArrStereo = 1,
};

struct ERect {
  VstInt16 top;
  VstInt16 left;
  VstInt16 bottom;
  VstInt16 right;
};

struct MidiKeyName {
  VstInt32 thisProgramIndex;
  VstInt32 thisKeyNumber;
  char keyName[64];
  VstInt32 reserved;
  VstInt32 flags;
};

enum VstPlugCategory : VstInt32 { kPlugCategEffect = 1, kPlugCategSynth = 2 };

// Text limits we write into host buffers (terminator included).
constexpr std::size_t kParamTextBytes = 32;
constexpr std::size_t kProgramNameBytes = 24;
constexpr std::size_t kVendorTextBytes = 64;

// The layouts hosts compile against.
#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(AEffect) == 192, "AEffect is 192 bytes on 64-bit");
static_assert(offsetof(AEffect, dispatcher) == 8, "");
static_assert(offsetof(AEffect, numPrograms) == 40, "");
static_assert(offsetof(AEffect, flags) == 56, "");
static_assert(offsetof(AEffect, resvd1) == 64, "");
static_assert(offsetof(AEffect, initialDelay) == 80, "");
static_assert(offsetof(AEffect, ioRatio) == 92, "");
static_assert(offsetof(AEffect, object) == 96, "");
static_assert(offsetof(AEffect, uniqueID) == 112, "");
static_assert(offsetof(AEffect, processReplacing) == 120, "");
static_assert(offsetof(AEffect, processDoubleReplacing) == 128, "");
static_assert(offsetof(AEffect, future) == 136, "");
static_assert(sizeof(VstEvents) == 32, "");
static_assert(offsetof(VstEvents, events) == 16, "");
static_assert(sizeof(VstMidiSysexEvent) == 48, "");
static_assert(offsetof(VstMidiSysexEvent, resvd1) == 24, "");
static_assert(offsetof(VstMidiSysexEvent, sysexDump) == 32, "");
#else
static_assert(sizeof(AEffect) == 144, "AEffect is 144 bytes on 32-bit");
static_assert(offsetof(AEffect, dispatcher) == 4, "");
static_assert(offsetof(AEffect, numPrograms) == 20, "");
static_assert(offsetof(AEffect, flags) == 36, "");
static_assert(offsetof(AEffect, resvd1) == 40, "");
static_assert(offsetof(AEffect, initialDelay) == 48, "");
static_assert(offsetof(AEffect, ioRatio) == 60, "");
static_assert(offsetof(AEffect, object) == 64, "");
static_assert(offsetof(AEffect, uniqueID) == 72, "");
static_assert(offsetof(AEffect, processReplacing) == 80, "");
static_assert(offsetof(AEffect, processDoubleReplacing) == 84, "");
static_assert(offsetof(AEffect, future) == 88, "");
static_assert(sizeof(VstEvents) == 16, "");
static_assert(offsetof(VstEvents, events) == 8, "");
static_assert(sizeof(VstMidiSysexEvent) == 32, "");
static_assert(offsetof(VstMidiSysexEvent, resvd1) == 20, "");
static_assert(offsetof(VstMidiSysexEvent, sysexDump) == 24, "");
#endif
static_assert(sizeof(VstEvent) == 32, "");
static_assert(sizeof(VstMidiEvent) == 32, "");
static_assert(offsetof(VstMidiEvent, midiData) == 24, "");
static_assert(sizeof(VstTimeInfo) == 88, "");
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64, "");
static_assert(offsetof(VstTimeInfo, flags) == 84, "");
static_assert(sizeof(VstPinProperties) == 128, "");
static_assert(offsetof(VstPinProperties, flags) == 64, "");
static_assert(offsetof(VstPinProperties, shortLabel) == 72, "");
static_assert(sizeof(VstSpeakerProperties) == 112, "");
static_assert(offsetof(VstSpeakerProperties, name) == 16, "");
static_assert(offsetof(VstSpeakerProperties, type) == 80, "");
static_assert(sizeof(VstSpeakerArrangement) == 8 + 8 * 112, "");
static_assert(sizeof(ERect) == 8, "");
static_assert(sizeof(MidiKeyName) == 80, "");

}  // namespace vst2
