// A minimal Windows VST 2.4 host for the wine tests: loads the plug-in DLL by path, finds its
// entry points and drives the effect through the interface exactly as a host does.
//   pellory_vsthost.exe <dll> [check ...]        run all checks, or the named ones
//   pellory_vsthost.exe --expect-load-error <code> <dll>
// Exit code: 0 when every check passed, 1 on failed checks, 2 when the DLL cannot be used.
// A new check is a function taking a Host& plus a line in kChecks.
#include <windows.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/vst2.h"

using namespace vst2;

namespace {

typedef AEffect*(VSTCALLBACK* EntryProc)(audioMasterCallback);

constexpr VstInt32 kUniqueId = 0x766C2D31;  // 'vl-1'
constexpr VstInt32 kVersion = 10102;
constexpr int kNumParams = 77;
constexpr double kSampleRate = 44100.0;
constexpr int kBlockSize = 512;

int g_failures = 0;

void Fail(const char* file, int line, const char* fmt, ...) {
  ++g_failures;
  std::fprintf(stdout, "  FAIL %s:%d: ", file, line);
  va_list args;
  va_start(args, fmt);
  std::vfprintf(stdout, fmt, args);
  va_end(args);
  std::fputc('\n', stdout);
}

#define CHECK(cond) \
  do { if (!(cond)) Fail(__FILE__, __LINE__, "%s", #cond); } while (0)
#define CHECK_INT(actual, expected)                                                           \
  do {                                                                                        \
    long long a_ = static_cast<long long>(actual), e_ = static_cast<long long>(expected);    \
    if (a_ != e_) Fail(__FILE__, __LINE__, "%s is %lld, expected %lld", #actual, a_, e_);   \
  } while (0)
#define CHECK_STR(actual, expected)                                                           \
  do {                                                                                        \
    std::string a_ = (actual), e_ = (expected);                                              \
    if (a_ != e_) Fail(__FILE__, __LINE__, "%s is \"%s\", expected \"%s\"", #actual, a_.c_str(), e_.c_str()); \
  } while (0)

// What the plug-in asked of the host.
struct HostLog {
  int calls[64] = {};
  int automations = 0;
  int lastAutomatedIndex = -1;
};
HostLog g_log;
VstTimeInfo g_time{};

// Short MIDI messages the plug-in sent to the host (MIDI Thru), as status, data 1, data 2, offset.
struct SentMidi {
  unsigned char status, data1, data2;
  VstInt32 deltaFrames;
};
std::vector<SentMidi> g_sentMidi;

VstIntPtr RecordSentEvents(const void* ptr) {
  const VstEvents* events = static_cast<const VstEvents*>(ptr);
  if (!events) return 0;
  VstEvent* const* list = events->events;
  for (VstInt32 i = 0; i < events->numEvents; ++i) {
    if (!list[i] || list[i]->type != kVstMidiType) continue;
    const VstMidiEvent* m = reinterpret_cast<const VstMidiEvent*>(list[i]);
    g_sentMidi.push_back({static_cast<unsigned char>(m->midiData[0]), static_cast<unsigned char>(m->midiData[1]),
                          static_cast<unsigned char>(m->midiData[2]), m->deltaFrames});
  }
  return 1;
}

VstIntPtr VSTCALLBACK HostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float) {
  if (opcode >= 0 && opcode < 64) ++g_log.calls[opcode];
  switch (opcode) {
    case audioMasterAutomate:
      ++g_log.automations;
      g_log.lastAutomatedIndex = index;
      return 0;
    case audioMasterVersion: return 2400;
    case audioMasterGetTime:
      g_time.sampleRate = kSampleRate;
      g_time.tempo = 120.0;
      g_time.timeSigNumerator = 4;
      g_time.timeSigDenominator = 4;
      g_time.flags = kVstTempoValid | kVstTimeSigValid;
      return reinterpret_cast<VstIntPtr>(&g_time);
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(kSampleRate);
    case audioMasterGetBlockSize: return kBlockSize;
    case audioMasterGetCurrentProcessLevel: return 0;
    case audioMasterGetVendorString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "Pellory Test");
      return 1;
    case audioMasterGetProductString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "Wine Test Host");
      return 1;
    case audioMasterGetVendorVersion: return 1;
    case audioMasterProcessEvents: return RecordSentEvents(ptr);
    default: return 0;
  }
}

// GetProcAddress gives a generic function pointer; going through void(*)() says the cast is meant.
EntryProc EntryFrom(FARPROC proc) {
  return reinterpret_cast<EntryProc>(reinterpret_cast<void (*)()>(proc));
}

struct Host {
  std::string dllPath;
  HMODULE module = nullptr;
  EntryProc entry = nullptr;

  AEffect* Create() const { return entry ? entry(HostCallback) : nullptr; }
};

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// Asks for a text into a large buffer prefilled with a marker and checks that the plug-in wrote
// a terminated text within its limit and nothing past it.
std::string AskText(AEffect* e, VstInt32 opcode, VstInt32 index, std::size_t limit) {
  char buffer[512];
  std::memset(buffer, 0x7f, sizeof buffer);
  buffer[0] = '\0';
  Dispatch(e, opcode, index, 0, buffer);
  const void* end = std::memchr(buffer, '\0', limit);
  if (!end) {
    Fail(__FILE__, __LINE__, "opcode %d index %d: no terminator within %u bytes", (int)opcode, (int)index,
         (unsigned)limit);
    return std::string(buffer, limit);
  }
  for (std::size_t i = limit; i < sizeof buffer; ++i) {
    if (buffer[i] != 0x7f) {
      Fail(__FILE__, __LINE__, "opcode %d index %d: wrote byte %u, past the %u-byte limit", (int)opcode,
           (int)index, (unsigned)i, (unsigned)limit);
      break;
    }
  }
  return std::string(buffer);
}

// effOpen, rate, block size and switch-on, as hosts start an instance.
void Start(AEffect* e) {
  Dispatch(e, effOpen);
  Dispatch(e, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
  Dispatch(e, effSetBlockSize, 0, kBlockSize);
  Dispatch(e, effMainsChanged, 0, 1);
}

void Stop(AEffect* e) {
  Dispatch(e, effMainsChanged, 0, 0);
  Dispatch(e, effClose);
}

void SendMidi(AEffect* e, unsigned char status, unsigned char d1, unsigned char d2, VstInt32 delta) {
  VstMidiEvent midi{};
  midi.type = kVstMidiType;
  midi.byteSize = sizeof(VstMidiEvent);
  midi.deltaFrames = delta;
  midi.midiData[0] = static_cast<char>(status);
  midi.midiData[1] = static_cast<char>(d1);
  midi.midiData[2] = static_cast<char>(d2);
  VstEvents events{};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&midi);
  Dispatch(e, effProcessEvents, 0, 0, &events);
}

// ---- checks ----

void CheckExports(Host& host) {
  FARPROC vstMain = GetProcAddress(host.module, "VSTPluginMain");
  FARPROC legacyMain = GetProcAddress(host.module, "main");
  CHECK(vstMain != nullptr);
  CHECK(legacyMain != nullptr);
  CHECK(vstMain == legacyMain);
}

void CheckIdentity(Host& host) {
  AEffect* e = host.Create();
  CHECK(e != nullptr);
  if (!e) return;
  CHECK_INT(e->magic, kEffectMagic);
  CHECK(e->dispatcher && e->setParameter && e->getParameter && e->processReplacing && e->processDoubleReplacing);
  CHECK_INT(e->numPrograms, 1);
  CHECK_INT(e->numParams, kNumParams);
  CHECK_INT(e->numInputs, 0);
  CHECK_INT(e->numOutputs, 2);
  CHECK_INT(e->uniqueID, kUniqueId);
  CHECK_INT(e->version, kVersion);
  const VstInt32 required = effFlagsIsSynth | effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing;
  if ((e->flags & required) != required) Fail(__FILE__, __LINE__, "flags 0x%x lack 0x%x", (unsigned)e->flags, (unsigned)required);
  CHECK_STR(AskText(e, effGetEffectName, 0, kVendorTextBytes), "Pellory");
  Dispatch(e, effClose);
}

struct ParamText {
  int index;
  const char* name;
  const char* display;
};

void CheckParameters(Host& host) {
  AEffect* e = host.Create();
  if (!e) return Fail(__FILE__, __LINE__, "no effect");
  Dispatch(e, effOpen);
  // Global and combination settings: the factory program loaded at creation does not touch them.
  const ParamText defaults[] = {
      {57, "Tune", "0"},
      {58, "Keyboard Mode", "Single"},
      {59, "Lower Volume", "-6.0"},
      {61, "Lower Panorama", "50:50"},
      {66, "Voices", "6"},
      {67, "Update Rate", "High"},
      {69, "Linked Lower+Upper LFOs", "Off"},
      {72, "VCF FM Stop", "19912"},
      {74, "Pitch Bend Range", "2"},
  };
  for (const ParamText& p : defaults) {
    CHECK_STR(AskText(e, effGetParamName, p.index, kParamTextBytes), p.name);
    CHECK_STR(AskText(e, effGetParamDisplay, p.index, kParamTextBytes), p.display);
  }
  CHECK_STR(AskText(e, effGetParamName, 0, kParamTextBytes), "LFO 1 Waveform");
  CHECK_STR(AskText(e, effGetParamName, 76, kParamTextBytes), "Detune Init");
  // Every name fits its limit.
  for (int i = 0; i < kNumParams; ++i) CHECK(!AskText(e, effGetParamName, i, kParamTextBytes).empty());

  // Host automation: normalised values in, display texts follow.
  e->setParameter(e, 58, 0.5f);
  CHECK_STR(AskText(e, effGetParamDisplay, 58, kParamTextBytes), "Split");
  CHECK(std::fabs(e->getParameter(e, 58) - 0.5f) < 1e-6f);
  e->setParameter(e, 61, 0.0f);
  CHECK_STR(AskText(e, effGetParamDisplay, 61, kParamTextBytes), "100:0");
  e->setParameter(e, 59, 1.0f);
  CHECK_STR(AskText(e, effGetParamDisplay, 59, kParamTextBytes), "0.0");

  // Indices outside 0..76 are refused without harm.
  e->setParameter(e, kNumParams, 0.25f);
  e->setParameter(e, -1, 0.25f);
  CHECK(e->getParameter(e, kNumParams) == 0.0f);
  CHECK(e->getParameter(e, -1) == 0.0f);
  CHECK_STR(AskText(e, effGetParamName, kNumParams, kParamTextBytes), "");
  Dispatch(e, effClose);
}

// Fills the outputs with NaN so that a block the plug-in leaves unwritten is caught.
template <typename T>
bool RunBlocks(AEffect* e, int blocks, const char* what) {
  std::vector<T> left(kBlockSize), right(kBlockSize);
  T* outputs[2] = {left.data(), right.data()};
  for (int b = 0; b < blocks; ++b) {
    for (int i = 0; i < kBlockSize; ++i) left[i] = right[i] = std::nan("");
    if constexpr (sizeof(T) == sizeof(double)) {
      e->processDoubleReplacing(e, nullptr, outputs, kBlockSize);
    } else {
      e->processReplacing(e, nullptr, outputs, kBlockSize);
    }
    for (int i = 0; i < kBlockSize; ++i) {
      for (T s : {left[i], right[i]}) {
        if (!std::isfinite(s) || std::fabs(s) > 8.0) {
          Fail(__FILE__, __LINE__, "%s: block %d sample %d is %g", what, b, i, static_cast<double>(s));
          return false;
        }
      }
    }
  }
  return true;
}

void CheckProcess(Host& host) {
  AEffect* e = host.Create();
  if (!e) return Fail(__FILE__, __LINE__, "no effect");
  Start(e);
  RunBlocks<float>(e, 4, "silence");
  SendMidi(e, 0x90, 60, 100, 100);
  SendMidi(e, 0x90, 67, 90, 700);  // beyond this block: arrives in a later one
  RunBlocks<float>(e, 16, "notes on");
  RunBlocks<double>(e, 4, "notes on, double");
  SendMidi(e, 0x80, 60, 0, 0);
  SendMidi(e, 0x90, 67, 0, 10);  // velocity 0 ends the note
  RunBlocks<float>(e, 16, "release");
  // A restart after switching off and a rate change keeps working.
  Dispatch(e, effMainsChanged, 0, 0);
  Dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  Dispatch(e, effMainsChanged, 0, 1);
  SendMidi(e, 0x90, 48, 127, 0);
  RunBlocks<float>(e, 8, "after restart");
  Stop(e);
}

void CheckInstances(Host& host) {
  AEffect* a = host.Create();
  AEffect* b = host.Create();
  if (!a || !b) return Fail(__FILE__, __LINE__, "no effect");
  CHECK(a != b);
  Start(a);
  Start(b);
  a->setParameter(a, 59, 0.0f);
  CHECK_STR(AskText(a, effGetParamDisplay, 59, kParamTextBytes), "-oo");
  CHECK_STR(AskText(b, effGetParamDisplay, 59, kParamTextBytes), "-6.0");
  Stop(a);
  RunBlocks<float>(b, 2, "second instance after the first closed");
  Stop(b);
}

// ---- host-interface checks: longer buffers than declared, chunks, MIDI Thru ----

// Plays two notes and releases them, in buffers of bufferFrames, and returns the stereo samples
// interleaved. The MIDI is sent at buffer starts that both 512 and 2048 frames share.
std::vector<float> PlayNotes(AEffect* e, int bufferFrames, int totalFrames) {
  std::vector<float> l(bufferFrames), r(bufferFrames), out;
  float* outputs[2] = {l.data(), r.data()};
  for (int done = 0; done < totalFrames; done += bufferFrames) {
    if (done == 0) {
      SendMidi(e, 0x90, 60, 100, 0);
      SendMidi(e, 0x90, 67, 90, 300);
    }
    if (done == totalFrames / 2) SendMidi(e, 0x80, 60, 0, 100);
    e->processReplacing(e, nullptr, outputs, bufferFrames);
    for (int i = 0; i < bufferFrames; ++i) {
      out.push_back(l[i]);
      out.push_back(r[i]);
    }
  }
  return out;
}

void CheckLongBuffers(Host& host) {
  AEffect* a = host.Create();
  AEffect* b = host.Create();
  if (!a || !b) return Fail(__FILE__, __LINE__, "no effect");
  Start(a);
  Start(b);
  // Declared 512; a host that then sends 2048 frames at a time must get the same audio.
  const std::vector<float> longer = PlayNotes(a, 4 * kBlockSize, 16 * kBlockSize);
  const std::vector<float> declared = PlayNotes(b, kBlockSize, 16 * kBlockSize);
  CHECK(longer.size() == declared.size());
  double peak = 0.0, difference = 0.0;
  for (std::size_t i = 0; i < longer.size() && i < declared.size(); ++i) {
    if (!std::isfinite(longer[i])) return Fail(__FILE__, __LINE__, "sample %u is not finite", (unsigned)i);
    peak = std::fmax(peak, std::fabs(longer[i]));
    difference = std::fmax(difference, std::fabs(longer[i] - declared[i]));
  }
  CHECK(peak > 0.01);
  if (difference != 0.0) Fail(__FILE__, __LINE__, "long buffers differ by %g", difference);

  // Empty and missing buffers change nothing and break nothing.
  std::vector<float> l(kBlockSize, 5.0f);
  float* leftOnly[2] = {l.data(), nullptr};
  a->processReplacing(a, nullptr, leftOnly, 0);
  CHECK(l[0] == 5.0f);
  a->processReplacing(a, nullptr, nullptr, kBlockSize);
  a->processReplacing(a, nullptr, leftOnly, kBlockSize);
  CHECK(std::isfinite(l[0]) && l[0] != 5.0f);
  Dispatch(a, effSetBlockSize, 0, 0);
  Dispatch(a, effSetSampleRate, 0, 0, nullptr, 0.0f);
  RunBlocks<float>(a, 2, "after block size 0 and sample rate 0");
  Stop(a);
  Stop(b);
}

std::vector<unsigned char> ChunkOf(AEffect* e, bool program) {
  void* data = nullptr;
  const VstIntPtr size = Dispatch(e, effGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return {};
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + size);
}

VstIntPtr SetChunkOf(AEffect* e, bool program, std::vector<unsigned char> data) {
  return Dispatch(e, effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(data.size()), data.data());
}

void CheckChunks(Host& host) {
  AEffect* source = host.Create();
  if (!source) return Fail(__FILE__, __LINE__, "no effect");
  Start(source);
  const int ids[] = {53, 57, 58, 59, 66, 67, 74, 75, 76};
  const float values[] = {0.25f, 0.1f, 0.5f, 0.33f, 0.75f, 1.0f, 0.5f, 0.8f, 0.2f};
  for (int i = 0; i < 9; ++i) source->setParameter(source, ids[i], values[i]);
  char name[] = "Wine Chunk";
  Dispatch(source, effSetProgramName, 0, 0, name);
  std::vector<float> saved;
  for (int i = 0; i < kNumParams; ++i) saved.push_back(source->getParameter(source, i));
  const std::vector<unsigned char> program = ChunkOf(source, true);
  const std::vector<unsigned char> bank = ChunkOf(source, false);
  const unsigned char header[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  CHECK(program.size() > 8 + kNumParams * 8);
  CHECK(program.size() >= 8 && std::memcmp(program.data(), header, 8) == 0);
  CHECK_INT(bank.size(), program.size() + 1);
  Stop(source);

  // A program, a bank and a program without its header, each into a fresh instance.
  const std::vector<unsigned char> bare(program.begin() + (program.size() >= 8 ? 8 : 0), program.end());
  const struct {
    const char* what;
    bool asProgram;
    const std::vector<unsigned char>* data;
  } restores[] = {{"program", true, &program}, {"bank", false, &bank}, {"program without header", true, &bare}};
  for (const auto& r : restores) {
    AEffect* target = host.Create();
    if (!target) return Fail(__FILE__, __LINE__, "no effect");
    Start(target);
    if (SetChunkOf(target, r.asProgram, *r.data) != 1) Fail(__FILE__, __LINE__, "%s chunk refused", r.what);
    for (int i = 0; i < kNumParams; ++i)
      if (target->getParameter(target, i) != saved[i])
        Fail(__FILE__, __LINE__, "%s chunk: parameter %d is %g, saved %g", r.what, i,
             (double)target->getParameter(target, i), (double)saved[i]);
    CHECK_STR(AskText(target, effGetProgramName, 0, kProgramNameBytes), "Wine Chunk");
    // Cut data is refused.
    CHECK_INT(SetChunkOf(target, true, std::vector<unsigned char>(program.begin(), program.begin() + program.size() / 2)), 0);
    Stop(target);
  }
}

// MIDI Thru is a user option in the INI file: switched on there, every received message is echoed.
void CheckMidiThru(Host& host) {
  char appData[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("LOCALAPPDATA", appData, MAX_PATH))
    return Fail(__FILE__, __LINE__, "no LOCALAPPDATA");
  const std::string folder = std::string(appData) + "\\VelloranMusic";
  const std::string ini = folder + "\\pellory.ini";
  CreateDirectoryA(folder.c_str(), nullptr);
  for (bool thru : {true, false}) {
    CHECK(WritePrivateProfileStringA("MIDI Global", "MIDI Thru", thru ? "true" : "false", ini.c_str()));
    AEffect* e = host.Create();
    if (!e) return Fail(__FILE__, __LINE__, "no effect");
    Start(e);
    g_sentMidi.clear();
    SendMidi(e, 0x94, 60, 0, 5);    // note-on with velocity 0 goes out unchanged
    SendMidi(e, 0xB2, 7, 100, 9);
    SendMidi(e, 0xF8, 0, 0, 11);   // ignored by the synthesizer, echoed all the same
    if (thru) {
      CHECK_INT(g_sentMidi.size(), 3);
      if (g_sentMidi.size() == 3) {
        CHECK_INT(g_sentMidi[0].status, 0x94);
        CHECK_INT(g_sentMidi[0].data1, 60);
        CHECK_INT(g_sentMidi[0].data2, 0);
        CHECK_INT(g_sentMidi[0].deltaFrames, 5);
        CHECK_INT(g_sentMidi[1].status, 0xB2);
        CHECK_INT(g_sentMidi[1].data2, 100);
        CHECK_INT(g_sentMidi[2].status, 0xF8);
      }
    } else {
      CHECK_INT(g_sentMidi.size(), 0);
    }
    Stop(e);
  }
}

// The INI file as users edit it by hand: created empty when missing, names matched in any case,
// booleans true only for "true" in any case.
void CheckIniFile(Host& host) {
  char appData[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("LOCALAPPDATA", appData, MAX_PATH)) return Fail(__FILE__, __LINE__, "no LOCALAPPDATA");
  const std::string ini = std::string(appData) + "\\VelloranMusic\\pellory.ini";
  DeleteFileA(ini.c_str());
  AEffect* first = host.Create();
  if (!first) return Fail(__FILE__, __LINE__, "no effect");
  Dispatch(first, effClose);
  CHECK(GetFileAttributesA(ini.c_str()) != INVALID_FILE_ATTRIBUTES);

  const struct {
    const char* text;
    std::size_t echoes;
  } cases[] = {{"[midi global]\r\n  midi thru =  TRUE \r\n", 1},
               {"[MIDI Global]\r\nMIDI Thru=yes\r\n", 0},
               {"[MIDI Global]\nMIDI Thru=True\n", 1}};
  for (const auto& c : cases) {
    FILE* f = std::fopen(ini.c_str(), "wb");
    if (!f) return Fail(__FILE__, __LINE__, "cannot write %s", ini.c_str());
    std::fputs(c.text, f);
    std::fclose(f);
    AEffect* e = host.Create();
    if (!e) return Fail(__FILE__, __LINE__, "no effect");
    Start(e);
    g_sentMidi.clear();
    SendMidi(e, 0x90, 60, 100, 0);
    if (g_sentMidi.size() != c.echoes)
      Fail(__FILE__, __LINE__, "INI \"%s\": %u echoes, expected %u", c.text, (unsigned)g_sentMidi.size(),
           (unsigned)c.echoes);
    Stop(e);
  }
  DeleteFileA(ini.c_str());
}

// The editor's bitmaps as FindResource sees them in the DLL: PNG 101..121 with the sizes the
// editor slices into frames (read from each PNG's header), and nothing at 122.
void CheckBitmaps(Host& host) {
  static const int kSizes[21][2] = {
      {1152, 440}, {35, 78}, {35, 78}, {35, 78}, {23, 47}, {23, 47}, {24, 1560},
      {15, 19},    {21, 320}, {10, 180}, {6, 5},  {592, 278}, {665, 278}, {665, 278},
      {29, 34},    {29, 34}, {29, 34},  {29, 34}, {29, 34}, {48, 48},  {48, 48}};
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  for (int i = 0; i < 21; ++i) {
    HRSRC found = FindResourceA(host.module, MAKEINTRESOURCEA(101 + i), "PNG");
    if (!found) {
      Fail(__FILE__, __LINE__, "no PNG resource %d", 101 + i);
      continue;
    }
    DWORD size = SizeofResource(host.module, found);
    const unsigned char* png = static_cast<const unsigned char*>(LockResource(LoadResource(host.module, found)));
    if (!png || size < 24 || std::memcmp(png, kSignature, 8) != 0) {
      Fail(__FILE__, __LINE__, "PNG resource %d is not a PNG", 101 + i);
      continue;
    }
    auto be32 = [](const unsigned char* p) { return (int(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; };
    CHECK_INT(be32(png + 16), kSizes[i][0]);
    CHECK_INT(be32(png + 20), kSizes[i][1]);
  }
  CHECK(FindResourceA(host.module, MAKEINTRESOURCEA(122), "PNG") == nullptr);
}

struct NamedCheck {
  const char* name;
  void (*run)(Host&);
};
const NamedCheck kChecks[] = {
    {"exports", CheckExports},
    {"identity", CheckIdentity},
    {"parameters", CheckParameters},
    {"process", CheckProcess},
    {"instances", CheckInstances},
    {"long-buffers", CheckLongBuffers},
    {"chunks", CheckChunks},
    {"midi-thru", CheckMidiThru},
    {"ini-file", CheckIniFile},
    {"bitmaps", CheckBitmaps},
};

int Usage() {
  std::fprintf(stderr, "usage: pellory_vsthost <dll> [check ...]\n"
                       "       pellory_vsthost --expect-load-error <code> <dll>\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc >= 2 && std::strcmp(argv[1], "--expect-load-error") == 0) {
    // The host itself must report a DLL it cannot load (e.g. the other word size: 193).
    if (argc != 4) return Usage();
    const DWORD expected = std::strtoul(argv[2], nullptr, 10);
    HMODULE module = LoadLibraryA(argv[3]);
    const DWORD error = module ? 0 : GetLastError();
    std::printf("LoadLibrary(%s): error %lu, expected %lu\n", argv[3], (unsigned long)error, (unsigned long)expected);
    return (!module && error == expected) ? 0 : 1;
  }
  if (argc < 2) return Usage();

  Host host;
  host.dllPath = argv[1];
  host.module = LoadLibraryA(argv[1]);
  if (!host.module) {
    std::printf("cannot load %s: error %lu\n", argv[1], (unsigned long)GetLastError());
    return 2;
  }
  host.entry = EntryFrom(GetProcAddress(host.module, "VSTPluginMain"));
  if (!host.entry) host.entry = EntryFrom(GetProcAddress(host.module, "main"));
  if (!host.entry) {
    std::printf("%s exports no VST entry point\n", argv[1]);
    return 2;
  }
  std::printf("%s loaded (%d-bit host)\n", argv[1], static_cast<int>(sizeof(void*) * 8));

  int run = 0;
  for (const NamedCheck& check : kChecks) {
    bool selected = argc == 2;
    for (int i = 2; i < argc; ++i) selected = selected || std::strcmp(argv[i], check.name) == 0;
    if (!selected) continue;
    const int before = g_failures;
    check.run(host);
    ++run;
    std::printf("%s %s\n", g_failures == before ? "ok  " : "FAIL", check.name);
  }
  if (run == 0) {
    std::printf("no check matched\n");
    return Usage();
  }
  FreeLibrary(host.module);
  std::printf("%d check%s, %d failure%s\n", run, run == 1 ? "" : "s", g_failures, g_failures == 1 ? "" : "s");
  return g_failures == 0 ? 0 : 1;
}
