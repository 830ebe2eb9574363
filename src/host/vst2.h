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

// The layouts hosts compile against, field by field, for both word sizes.
#if INTPTR_MAX == INT64_MAX
#define VST2_WORD(w64, w32) (w64)
#else
#define VST2_WORD(w64, w32) (w32)
#endif
static_assert(sizeof(VstIntPtr) == VST2_WORD(8, 4), "VstIntPtr is a pointer-sized integer");
static_assert(offsetof(AEffect, magic) == 0, "");
static_assert(offsetof(AEffect, dispatcher) == VST2_WORD(8, 4), "");
static_assert(offsetof(AEffect, process) == VST2_WORD(16, 8), "");
static_assert(offsetof(AEffect, setParameter) == VST2_WORD(24, 12), "");
static_assert(offsetof(AEffect, getParameter) == VST2_WORD(32, 16), "");
static_assert(offsetof(AEffect, numPrograms) == VST2_WORD(40, 20), "");
static_assert(offsetof(AEffect, numParams) == VST2_WORD(44, 24), "");
static_assert(offsetof(AEffect, numInputs) == VST2_WORD(48, 28), "");
static_assert(offsetof(AEffect, numOutputs) == VST2_WORD(52, 32), "");
static_assert(offsetof(AEffect, flags) == VST2_WORD(56, 36), "");
static_assert(offsetof(AEffect, resvd1) == VST2_WORD(64, 40), "");
static_assert(offsetof(AEffect, resvd2) == VST2_WORD(72, 44), "");
static_assert(offsetof(AEffect, initialDelay) == VST2_WORD(80, 48), "");
static_assert(offsetof(AEffect, realQualities) == VST2_WORD(84, 52), "");
static_assert(offsetof(AEffect, offQualities) == VST2_WORD(88, 56), "");
static_assert(offsetof(AEffect, ioRatio) == VST2_WORD(92, 60), "");
static_assert(offsetof(AEffect, object) == VST2_WORD(96, 64), "");
static_assert(offsetof(AEffect, user) == VST2_WORD(104, 68), "");
static_assert(offsetof(AEffect, uniqueID) == VST2_WORD(112, 72), "");
static_assert(offsetof(AEffect, version) == VST2_WORD(116, 76), "");
static_assert(offsetof(AEffect, processReplacing) == VST2_WORD(120, 80), "");
static_assert(offsetof(AEffect, processDoubleReplacing) == VST2_WORD(128, 84), "");
static_assert(offsetof(AEffect, future) == VST2_WORD(136, 88), "");
static_assert(sizeof(AEffect) == VST2_WORD(192, 144), "AEffect is 192 bytes on 64-bit, 144 on 32-bit");

static_assert(offsetof(VstEvent, type) == 0 && offsetof(VstEvent, byteSize) == 4, "");
static_assert(offsetof(VstEvent, deltaFrames) == 8 && offsetof(VstEvent, flags) == 12, "");
static_assert(offsetof(VstEvent, data) == 16 && sizeof(VstEvent) == 32, "");
static_assert(offsetof(VstEvents, numEvents) == 0, "");
static_assert(offsetof(VstEvents, reserved) == VST2_WORD(8, 4), "");
static_assert(offsetof(VstEvents, events) == VST2_WORD(16, 8), "");
static_assert(sizeof(VstEvents) == VST2_WORD(32, 16), "");
static_assert(offsetof(VstMidiEvent, deltaFrames) == 8 && offsetof(VstMidiEvent, flags) == 12, "");
static_assert(offsetof(VstMidiEvent, noteLength) == 16 && offsetof(VstMidiEvent, noteOffset) == 20, "");
static_assert(offsetof(VstMidiEvent, midiData) == 24 && offsetof(VstMidiEvent, detune) == 28, "");
static_assert(offsetof(VstMidiEvent, noteOffVelocity) == 29 && offsetof(VstMidiEvent, reserved2) == 31, "");
static_assert(sizeof(VstMidiEvent) == 32, "");
static_assert(offsetof(VstMidiSysexEvent, flags) == 12 && offsetof(VstMidiSysexEvent, dumpBytes) == 16, "");
static_assert(offsetof(VstMidiSysexEvent, resvd1) == VST2_WORD(24, 20), "");
static_assert(offsetof(VstMidiSysexEvent, sysexDump) == VST2_WORD(32, 24), "");
static_assert(offsetof(VstMidiSysexEvent, resvd2) == VST2_WORD(40, 28), "");
static_assert(sizeof(VstMidiSysexEvent) == VST2_WORD(48, 32), "");

static_assert(offsetof(VstTimeInfo, samplePos) == 0 && offsetof(VstTimeInfo, sampleRate) == 8, "");
static_assert(offsetof(VstTimeInfo, nanoSeconds) == 16 && offsetof(VstTimeInfo, ppqPos) == 24, "");
static_assert(offsetof(VstTimeInfo, tempo) == 32 && offsetof(VstTimeInfo, barStartPos) == 40, "");
static_assert(offsetof(VstTimeInfo, cycleStartPos) == 48 && offsetof(VstTimeInfo, cycleEndPos) == 56, "");
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64 && offsetof(VstTimeInfo, timeSigDenominator) == 68, "");
static_assert(offsetof(VstTimeInfo, smpteOffset) == 72 && offsetof(VstTimeInfo, smpteFrameRate) == 76, "");
static_assert(offsetof(VstTimeInfo, samplesToNextClock) == 80 && offsetof(VstTimeInfo, flags) == 84, "");
static_assert(sizeof(VstTimeInfo) == 88, "");

static_assert(offsetof(VstPinProperties, label) == 0 && offsetof(VstPinProperties, flags) == 64, "");
static_assert(offsetof(VstPinProperties, arrangementType) == 68 && offsetof(VstPinProperties, shortLabel) == 72, "");
static_assert(offsetof(VstPinProperties, future) == 80 && sizeof(VstPinProperties) == 128, "");
static_assert(offsetof(VstSpeakerProperties, azimuth) == 0 && offsetof(VstSpeakerProperties, elevation) == 4, "");
static_assert(offsetof(VstSpeakerProperties, radius) == 8 && offsetof(VstSpeakerProperties, reserved) == 12, "");
static_assert(offsetof(VstSpeakerProperties, name) == 16 && offsetof(VstSpeakerProperties, type) == 80, "");
static_assert(offsetof(VstSpeakerProperties, future) == 84 && sizeof(VstSpeakerProperties) == 112, "");
static_assert(offsetof(VstSpeakerArrangement, type) == 0 && offsetof(VstSpeakerArrangement, numChannels) == 4, "");
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8, "");
static_assert(sizeof(VstSpeakerArrangement) == 8 + 8 * 112, "");
static_assert(offsetof(ERect, top) == 0 && offsetof(ERect, left) == 2, "");
static_assert(offsetof(ERect, bottom) == 4 && offsetof(ERect, right) == 6 && sizeof(ERect) == 8, "");
static_assert(offsetof(MidiKeyName, thisProgramIndex) == 0 && offsetof(MidiKeyName, thisKeyNumber) == 4, "");
static_assert(offsetof(MidiKeyName, keyName) == 8 && offsetof(MidiKeyName, reserved) == 72, "");
static_assert(offsetof(MidiKeyName, flags) == 76 && sizeof(MidiKeyName) == 80, "");
#undef VST2_WORD

}  // namespace vst2
