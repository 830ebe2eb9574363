// Renders one fixed MIDI phrase through a plug-in module's VST interface and writes the audio,
// so that the Linux module and the Windows DLLs (under wine) can be compared sample by sample.
//   pellory_render <module> <out.raw>           render: little-endian doubles, left and right interleaved
//   pellory_render --compare <a.raw> <b.raw> <tolerance>
// The same source builds natively and with the mingw cross compilers.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "host/vst2.h"

using namespace vst2;

namespace {

constexpr float kSampleRate = 44100.0f;
constexpr int kBlockSize = 512;
constexpr int kBlocks = 180;  // a little over two seconds

struct Event {
  int block, offset;
  unsigned char status, data1, data2;
};

// Chords, a split keyboard, bends, the wheel and the pedal, releases; offsets inside buffers.
const Event kPhrase[] = {
    {0, 0, 0xC0, 4, 0},       {0, 10, 0x90, 48, 100},   {0, 10, 0x90, 55, 90},   {0, 300, 0x90, 64, 110},
    {8, 17, 0xB0, 1, 100},    {12, 0, 0xE0, 0, 96},     {20, 400, 0xE0, 0, 64},  {24, 0, 0xB0, 64, 127},
    {26, 5, 0x80, 48, 0},     {26, 6, 0x80, 55, 0},     {30, 0, 0x90, 72, 127},  {40, 100, 0xB0, 1, 0},
    {44, 1, 0xB0, 64, 0},     {50, 0, 0x90, 64, 0},     {60, 200, 0x90, 36, 80}, {60, 201, 0x90, 79, 60},
    {70, 0, 0xE0, 127, 127},  {80, 0, 0xE0, 0, 64},     {90, 0, 0x80, 72, 0},    {100, 50, 0xB0, 123, 0},
    {110, 0, 0x90, 60, 100},  {110, 0, 0x90, 63, 100},  {110, 0, 0x90, 67, 100}, {140, 333, 0x80, 60, 0},
    {140, 333, 0x80, 63, 0},  {140, 333, 0x80, 67, 0},
};

VstIntPtr VSTCALLBACK Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

typedef AEffect*(VSTCALLBACK* EntryProc)(audioMasterCallback);

EntryProc LoadEntry(const char* path) {
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path);
  if (!module) return nullptr;
  return reinterpret_cast<EntryProc>(reinterpret_cast<void (*)()>(GetProcAddress(module, "VSTPluginMain")));
#else
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!module) return nullptr;
  return reinterpret_cast<EntryProc>(dlsym(module, "VSTPluginMain"));
#endif
}

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

int Render(const char* modulePath, const char* outPath) {
  EntryProc entry = LoadEntry(modulePath);
  if (!entry) {
    std::fprintf(stderr, "cannot load %s\n", modulePath);
    return 2;
  }
  AEffect* e = entry(&Callback);
  if (!e) {
    std::fprintf(stderr, "%s created no effect\n", modulePath);
    return 2;
  }
  Dispatch(e, effOpen);
  Dispatch(e, effSetSampleRate, 0, 0, nullptr, kSampleRate);
  Dispatch(e, effSetBlockSize, 0, kBlockSize);
  Dispatch(e, effMainsChanged, 0, 1);
  e->setParameter(e, 58, 0.5f);  // Split keyboard

  std::vector<double> left(kBlockSize), right(kBlockSize), audio;
  double* outputs[2] = {left.data(), right.data()};
  for (int block = 0; block < kBlocks; ++block) {
    std::vector<VstMidiEvent> midi;
    for (const Event& ev : kPhrase) {
      if (ev.block != block) continue;
      VstMidiEvent m{};
      m.type = kVstMidiType;
      m.byteSize = sizeof m;
      m.deltaFrames = ev.offset;
      m.midiData[0] = static_cast<char>(ev.status);
      m.midiData[1] = static_cast<char>(ev.data1);
      m.midiData[2] = static_cast<char>(ev.data2);
      midi.push_back(m);
    }
    if (!midi.empty()) {
      std::vector<char> storage(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*));
      VstEvents* list = reinterpret_cast<VstEvents*>(storage.data());
      list->numEvents = static_cast<VstInt32>(midi.size());
      VstEvent** slots = list->events;
      for (std::size_t i = 0; i < midi.size(); ++i) slots[i] = reinterpret_cast<VstEvent*>(&midi[i]);
      Dispatch(e, effProcessEvents, 0, 0, list);
    }
    e->processDoubleReplacing(e, nullptr, outputs, kBlockSize);
    for (int i = 0; i < kBlockSize; ++i) {
      audio.push_back(left[i]);
      audio.push_back(right[i]);
    }
  }
  Dispatch(e, effMainsChanged, 0, 0);
  Dispatch(e, effClose);

  FILE* out = std::fopen(outPath, "wb");
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", outPath);
    return 2;
  }
  // Byte by byte, so the file is little-endian whatever the machine.
  for (double v : audio) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int b = 0; b < 8; ++b) std::fputc(static_cast<int>((bits >> (8 * b)) & 0xFF), out);
  }
  std::fclose(out);
  double peak = 0.0;
  for (double v : audio) peak = std::fmax(peak, std::fabs(v));
  std::printf("%s: %zu stereo frames, peak %.6f\n", outPath, audio.size() / 2, peak);
  return 0;
}

bool ReadRaw(const char* path, std::vector<double>& values) {
  FILE* in = std::fopen(path, "rb");
  if (!in) return false;
  unsigned char bytes[8];
  while (std::fread(bytes, 1, 8, in) == 8) {
    uint64_t bits = 0;
    for (int b = 0; b < 8; ++b) bits |= static_cast<uint64_t>(bytes[b]) << (8 * b);
    double v;
    std::memcpy(&v, &bits, 8);
    values.push_back(v);
  }
  std::fclose(in);
  return true;
}

int Compare(const char* a, const char* b, double tolerance) {
  std::vector<double> x, y;
  if (!ReadRaw(a, x) || !ReadRaw(b, y)) {
    std::printf("cannot read %s or %s\n", a, b);
    return 1;
  }
  if (x.size() != y.size() || x.empty()) {
    std::printf("lengths differ or are empty: %zu and %zu samples\n", x.size(), y.size());
    return 1;
  }
  double maxDiff = 0.0, peak = 0.0;
  std::size_t at = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (!std::isfinite(x[i]) || !std::isfinite(y[i])) {
      std::printf("sample %zu is not finite\n", i);
      return 1;
    }
    peak = std::fmax(peak, std::fabs(x[i]));
    const double d = std::fabs(x[i] - y[i]);
    if (d > maxDiff) {
      maxDiff = d;
      at = i;
    }
  }
  std::printf("max difference %.3g (at frame %zu, %s), peak %.6f, tolerance %.3g\n", maxDiff, at / 2,
              at % 2 ? "right" : "left", peak, tolerance);
  if (peak < 0.01) {
    std::printf("the phrase is silent: nothing was compared\n");
    return 1;
  }
  return maxDiff <= tolerance ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--compare") == 0) return Compare(argv[2], argv[3], std::atof(argv[4]));
  if (argc == 3) return Render(argv[1], argv[2]);
  std::fprintf(stderr, "usage: pellory_render <module> <out.raw>\n"
                       "       pellory_render --compare <a.raw> <b.raw> <tolerance>\n");
  return 2;
}
