#include "host/IPlugVST.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "editor/IGraphics.h"

namespace pellory {

using namespace vst2;

namespace {
// Room for the host's product and vendor strings (nominally 64 bytes).
constexpr std::size_t kHostTextBytes = 256;

std::string Lowercase(const char* text) {
  std::string lower(text ? text : "");
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

VstInt32 ArrangementType(int channels) {
  switch (channels) {
    case 0: return kSpeakerArrEmpty;
    case 1: return kSpeakerArrMono;
    case 2: return kSpeakerArrStereo;
    default: return kSpeakerArrUserDefined;
  }
}
}  // namespace

IPlugVST::IPlugVST(audioMasterCallback hostCallback, const char* channelIOString, const char* effectName,
                   const char* productName, const char* makerName, int32_t uniqueId, int32_t makerId,
                   int32_t version)
    : IPlugBase(channelIOString, effectName, productName, makerName, uniqueId, makerId, version),
      hostCallback_(hostCallback) {
  effect_.magic = kEffectMagic;
  effect_.dispatcher = &VSTDispatcher;
  effect_.process = &VSTProcess;
  effect_.setParameter = &VSTSetParameter;
  effect_.getParameter = &VSTGetParameter;
  effect_.numPrograms = NumPresets();
  effect_.numParams = NumParameters();
  effect_.numInputs = NumInputs();
  effect_.numOutputs = NumOutputs();
  effect_.flags = effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing;
  for (const ChannelIO& io : channelIO_)
    if (io.inputs == 1) effect_.flags |= effFlagsCanMono;
  if (IsInstrument()) effect_.flags |= effFlagsIsSynth;
  effect_.initialDelay = latency_;
  effect_.ioRatio = 1.0f;
  effect_.object = this;
  effect_.uniqueID = uniqueId;
  effect_.version = ((version >> 16) & 0xFFFF) * 10000 + ((version >> 8) & 0xFF) * 100 + (version & 0xFF);
  effect_.processReplacing = &VSTProcessReplacing;
  effect_.processDoubleReplacing = &VSTProcessDoubleReplacing;

  inputArrangement_.type = ArrangementType(NumInputs());
  inputArrangement_.numChannels = NumInputs();
  outputArrangement_.type = ArrangementType(NumOutputs());
  outputArrangement_.numChannels = NumOutputs();
  for (auto& in : inputs_) in.connected = true;
  for (auto& out : outputs_) out.connected = true;
  SetBlockSize(1024);
}

IPlugVST::~IPlugVST() = default;

VstIntPtr IPlugVST::HostCall(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  return hostCallback_ ? hostCallback_(&effect_, opcode, index, value, ptr, opt) : 0;
}

void IPlugVST::BeginParameterEdit(int index) { HostCall(audioMasterBeginEdit, index); }

void IPlugVST::NotifyHostOfParameter(int index, double normalized) {
  HostCall(audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalized));
}

void IPlugVST::EndParameterEdit(int index) { HostCall(audioMasterEndEdit, index); }

void IPlugVST::NotifyHostOfProgramChange() { HostCall(audioMasterUpdateDisplay); }

bool IPlugVST::IsRenderingOffline() {
  return HostCall(audioMasterGetCurrentProcessLevel) == kVstProcessLevelOffline;
}

const VstTimeInfo* IPlugVST::HostTime(VstInt32 filter) {
  return reinterpret_cast<const VstTimeInfo*>(HostCall(audioMasterGetTime, 0, filter));
}

int IPlugVST::GetSamplePosition() {
  const VstTimeInfo* t = HostTime(0);
  if (!t || !(t->samplePos >= 0.0)) return 0;
  const double rounded = t->samplePos + 0.5;
  return rounded >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(rounded);
}

double IPlugVST::GetTempo() {
  const VstTimeInfo* t = HostTime(kVstTempoValid);
  if (t && (t->flags & kVstTempoValid) && t->tempo >= 0.0) return t->tempo;
  return 0.0;
}

void IPlugVST::GetTimeSignature(int* numerator, int* denominator) {
  int n = 0, d = 0;
  const VstTimeInfo* t = HostTime(kVstTimeSigValid);
  if (t && (t->flags & kVstTimeSigValid) && t->timeSigNumerator >= 0 && t->timeSigDenominator >= 0) {
    n = t->timeSigNumerator;
    d = t->timeSigDenominator;
  }
  if (numerator) *numerator = n;
  if (denominator) *denominator = d;
}

void IPlugVST::GetTimeInfo(TimeInfo* info) {
  constexpr VstInt32 kWanted = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;
  if (!info) return;
  const VstTimeInfo* t = HostTime(kWanted);
  if (!t || !(t->flags & kWanted)) return;
  // Comparisons are written so that NaN fails them: a host's NaN never replaces a value.
  if (std::isfinite(t->samplePos)) info->samplePosition = t->samplePos;
  if ((t->flags & kVstPpqPosValid) && t->ppqPos >= 0.0) info->ppqPosition = t->ppqPos;
  if ((t->flags & kVstTempoValid) && t->tempo > 0.0) info->tempo = t->tempo;
  if ((t->flags & kVstBarsValid) && t->barStartPos >= 0.0) info->lastBarStart = t->barStartPos;
  if ((t->flags & kVstCyclePosValid) && t->cycleStartPos >= 0.0 && t->cycleEndPos >= 0.0) {
    info->cycleStart = t->cycleStartPos;
    info->cycleEnd = t->cycleEndPos;
  }
  if ((t->flags & kVstTimeSigValid) && t->timeSigNumerator > 0 && t->timeSigDenominator > 0) {
    info->numerator = t->timeSigNumerator;
    info->denominator = t->timeSigDenominator;
  }
  info->transportPlaying = (t->flags & kVstTransportPlaying) != 0;
  info->cycleActive = (t->flags & kVstTransportCycleActive) != 0;
}

int IPlugVST::HostKindFromProduct(const char* product) {
  static const struct {
    const char* text;
    int kind;
  } kTable[] = {
      {"cubase", HostCubase},       {"reaper", HostReaper},
      {"nuendo", HostNuendo},       {"cakewalk", HostCakewalk},
      {"samplitude", HostSamplitude}, {"fruity", HostFruity},
      {"live", HostLive},           {"melodyne", HostMelodyne},
      {"vstmanlib", HostVstManLib}, {"aulab", HostAuLab},
      {"garageband", HostGarageBand}, {"forte", HostForte},
      {"chainer", HostChainer},     {"audition", HostAudition},
      {"orion", HostOrion},         {"sawstudio", HostSawStudio},
      {"logic", HostLogic},         {"digital", HostDigital},
      {"audiomulch", HostAudioMulch}, {"presonus", HostPresonus},
      {"vst3plugintesthost", HostVst3PluginTestHost}, {"protools", HostProTools},
      {"ardour", HostArdour},       {"openmpt", HostOpenMpt},
      {"renoise", HostRenoise},     {"standalone", HostStandalone},
  };
  const std::string lower = Lowercase(product);
  if (lower.empty()) return HostUnknown;
  for (const auto& entry : kTable)
    if (lower.find(entry.text) != std::string::npos) return entry.kind;
  return HostUnknown;
}

int32_t IPlugVST::PackHostVersion(VstIntPtr decimalVersion) {
  if (decimalVersion < 0) return 0;
  const long long v = decimalVersion;
  const long long major = std::min(v / 10000, 0xFFFFLL);
  return static_cast<int32_t>((major << 16) | ((v / 100) % 100) << 8 | (v % 100));
}

int IPlugVST::GetHostKind() {
  if (hostKind_ >= 0) return hostKind_;
  char product[kHostTextBytes] = {};
  HostCall(audioMasterGetProductString, 0, 0, product);
  product[sizeof(product) - 1] = '\0';
  hostVersion_ = product[0] ? PackHostVersion(HostCall(audioMasterGetVendorVersion)) : 0;
  hostKind_ = HostKindFromProduct(product);
  return hostKind_;
}

bool IPlugVST::IsSpecialHost() {
  if (!vendorCheckDone_) {
    char vendor[kHostTextBytes] = {};
    HostCall(audioMasterGetVendorString, 0, 0, vendor);
    vendor[sizeof(vendor) - 1] = '\0';
    const std::string lower = Lowercase(vendor);
    specialHost_ = lower == "native instruments" || lower == "juce vst host";
    vendorCheckDone_ = true;
  }
  return specialHost_;
}

void IPlugVST::ResizeEditor() {
  IGraphics* graphics = GetGraphics();
  if (!graphics) return;
  editorRect_.top = 0;
  editorRect_.left = 0;
  editorRect_.bottom = static_cast<int16_t>(graphics->Height());
  editorRect_.right = static_cast<int16_t>(graphics->Width());
  HostCall(audioMasterSizeWindow, graphics->Width(), graphics->Height());
}

void IPlugVST::SetInputConnected(int channel, bool connected) {
  if (channel < 0 || channel >= NumInputs()) return;
  inputs_[channel].connected = connected;
  // A disconnected channel is read from its own (silent) scratch buffer.
  if (!connected) inputPointers_[channel] = inputs_[channel].scratch.data();
}

void IPlugVST::SetOutputConnected(int channel, bool connected) {
  if (channel < 0 || channel >= NumOutputs()) return;
  outputs_[channel].connected = connected;
  if (!connected) outputPointers_[channel] = outputs_[channel].scratch.data();
}

void IPlugVST::IdentifyHost() {
  if (hostSetupDone_) return;
  hostSetupDone_ = true;
  const int kind = GetHostKind();
  // These hosts offer more channels than they connect: only the first stereo pair of inputs is
  // used, and every output from the third on is connected when there are that many.
  if (kind == HostForte || kind == HostAudition || kind == HostOrion || kind == HostSawStudio) {
    for (int c = 2; c < NumInputs(); ++c) SetInputConnected(c, false);
    if (NumOutputs() >= 3)
      for (int c = 2; c < NumOutputs(); ++c) SetOutputConnected(c, true);
  }
  effect_.numInputs = inputArrangement_.numChannels = NumInputs();
  effect_.numOutputs = outputArrangement_.numChannels = NumOutputs();
  HostIdentified();
}

void IPlugVST::AttachEditor(IGraphics* graphics) {
  IPlugBase::AttachEditor(graphics);
  if (!graphics) return;
  effect_.flags |= effFlagsHasEditor;
  editorRect_.top = 0;
  editorRect_.left = 0;
  editorRect_.bottom = static_cast<int16_t>(graphics->Height());
  editorRect_.right = static_cast<int16_t>(graphics->Width());
}

void IPlugVST::SetLatency(int samples) {
  IPlugBase::SetLatency(samples);
  effect_.initialDelay = samples;
}

bool IPlugVST::SendMidiMessage(const IMidiMessage& message) {
  VstMidiEvent event{};
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.deltaFrames = message.offset;
  event.midiData[0] = static_cast<char>(message.status);
  event.midiData[1] = static_cast<char>(message.data1);
  event.midiData[2] = static_cast<char>(message.data2);
  VstEvents events{};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&event);
  return HostCall(audioMasterProcessEvents, 0, 0, &events) == 1;
}

bool IPlugVST::SendSysEx(const ISysExMessage& message) {
  // Hosts read dumpBytes bytes from sysexDump without checking either.
  if (!message.data || message.size <= 0) return false;
  VstMidiSysexEvent event{};
  event.type = kVstSysExType;
  event.byteSize = sizeof(VstMidiSysexEvent);
  event.deltaFrames = message.offset;
  event.dumpBytes = message.size;
  event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(message.data));
  VstEvents events{};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&event);
  return HostCall(audioMasterProcessEvents, 0, 0, &events) == 1;
}

void IPlugVST::ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate) {
  if (DoesMidi()) HostCall(audioMasterWantMidi);
  if (frames <= 0) return;
  // The scratch buffers hold one declared block; hosts may send more frames than they declared,
  // so longer buffers are processed in pieces.
  const int piece = std::max(1, blockSize_);
  for (int done = 0; done < frames; done += piece) {
    const int n = std::min(piece, frames - done);
    for (int c = 0; c < NumInputs(); ++c) {
      InputChannel& in = inputs_[c];
      double* scratch = in.scratch.data();
      const float* src = inputs && in.connected ? inputs[c] : nullptr;
      for (int i = 0; i < n; ++i) scratch[i] = src ? src[done + i] : 0.0;
      inputPointers_[c] = scratch;
    }
    for (int c = 0; c < NumOutputs(); ++c) outputPointers_[c] = outputs_[c].scratch.data();
    ProcessBlock(inputPointers_.data(), outputPointers_.data(), n);
    for (int c = 0; c < NumOutputs(); ++c) {
      float* dst = outputs && outputs_[c].connected ? outputs[c] : nullptr;
      if (!dst) continue;
      const double* scratch = outputs_[c].scratch.data();
      if (accumulate)
        for (int i = 0; i < n; ++i) dst[done + i] += static_cast<float>(scratch[i]);
      else
        for (int i = 0; i < n; ++i) dst[done + i] = static_cast<float>(scratch[i]);
    }
  }
}

void IPlugVST::ProcessDouble(double** inputs, double** outputs, int frames) {
  if (DoesMidi()) HostCall(audioMasterWantMidi);
  if (frames <= 0) return;
  for (int c = 0; c < NumInputs(); ++c)
    inputPointers_[c] = inputs && inputs_[c].connected && inputs[c] ? inputs[c] : nullptr;
  bool direct = outputs != nullptr;
  for (int c = 0; c < NumOutputs() && direct; ++c)
    if (!outputs[c] || !outputs_[c].connected) direct = false;
  if (direct) {
    for (int c = 0; c < NumOutputs(); ++c) outputPointers_[c] = outputs[c];
    ProcessBlock(inputPointers_.data(), outputPointers_.data(), frames);
    return;
  }
  // A missing output buffer: render into scratch in pieces and copy what the host gave.
  const int piece = std::max(1, blockSize_);
  for (int done = 0; done < frames; done += piece) {
    const int n = std::min(piece, frames - done);
    for (int c = 0; c < NumOutputs(); ++c) outputPointers_[c] = outputs_[c].scratch.data();
    ProcessBlock(inputPointers_.data(), outputPointers_.data(), n);
    for (int c = 0; c < NumOutputs(); ++c)
      if (outputs && outputs[c] && outputs_[c].connected)
        std::memcpy(outputs[c] + done, outputs_[c].scratch.data(), static_cast<std::size_t>(n) * sizeof(double));
  }
}

void VSTCALLBACK IPlugVST::VSTProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return;
  platform::LockGuard guard(plug->Lock());
  plug->ProcessFloat(inputs, outputs, frames, true);
}

void VSTCALLBACK IPlugVST::VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return;
  platform::LockGuard guard(plug->Lock());
  plug->ProcessFloat(inputs, outputs, frames, false);
}

void VSTCALLBACK IPlugVST::VSTProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                                     VstInt32 frames) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return;
  platform::LockGuard guard(plug->Lock());
  plug->ProcessDouble(inputs, outputs, frames);
}

float VSTCALLBACK IPlugVST::VSTGetParameter(AEffect* effect, VstInt32 index) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return 0.0f;
  platform::LockGuard guard(plug->Lock());
  const IParameter* p = plug->GetParameter(index);
  return p ? static_cast<float>(p->GetNormalized()) : 0.0f;
}

void VSTCALLBACK IPlugVST::VSTSetParameter(AEffect* effect, VstInt32 index, float value) {
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return;
  platform::LockGuard guard(plug->Lock());
  IParameter* p = plug->GetParameter(index);
  if (!p) return;
  if (IGraphics* graphics = plug->GetGraphics()) graphics->SetParameterFromPlugin(index, value, true);
  p->SetNormalized(value);
  plug->HandleParameterChange(index);
}

}  // namespace pellory
