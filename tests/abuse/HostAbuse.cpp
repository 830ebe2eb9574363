// The standing host-abuse run: loads the built module through its VST entry point, as a host does,
// and drives instances with random but well-typed dispatcher sequences, the way careless and
// buggy hosts do. Every round is derived from the run's seed and its own number, so one failing
// round can be replayed alone. Checked after every step: no crash (the sanitizer build reports
// memory and undefined-behaviour faults), finite output, texts within their limits, parameters
// within 0..1, a refused chunk leaves the state as it was, an accepted one reads back whole.
//
//   pellory_host_abuse [--module PATH] [--seed N] [--seconds S] [--round K] [--flood]
//
// --seconds: the time budget (rounds run until it is spent); --round: run only that round;
// --flood: measure the event-flood timings and check them against a generous bound.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "host/vst2.h"

#if defined(__has_include)
#if __has_include(<sanitizer/common_interface_defs.h>) && (defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__))
#include <sanitizer/common_interface_defs.h>
#define ABUSE_HAS_DEATH_CALLBACK 1
#endif
#endif

using namespace vst2;

namespace {

constexpr int kNumParams = 77;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kStateImageBytes = 3559;

// ---------------------------------------------------------------------------------------------
// Run identity, for the replay line printed on any failure (also from a crash or sanitizer exit).

const char* g_program = "pellory_host_abuse";
std::string g_modulePath;
uint64_t g_seed = 0;
std::atomic<long> g_round{-1};
char g_replay[1024];

void WriteReplay() {
  const long round = g_round.load();
  char line[1200];
  char what[64];
  if (round >= 0)
    std::snprintf(what, sizeof what, "--round %ld", round);
  else
    std::snprintf(what, sizeof what, "--flood");
  const int n = std::snprintf(line, sizeof line, "host-abuse: failed (%s); replay: %s --seed %llu %s%s\n", what,
                              g_program, static_cast<unsigned long long>(g_seed), what, g_replay);
  if (n > 0) {
    ssize_t ignored = write(2, line, static_cast<std::size_t>(std::min(n, static_cast<int>(sizeof line) - 1)));
    (void)ignored;
  }
}

void OnFatalSignal(int signal) {
  WriteReplay();
  ::signal(signal, SIG_DFL);
  raise(signal);
}

[[noreturn]] void Fail(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::fprintf(stderr, "host-abuse: FAILED: %s\n", text);
  std::fflush(stderr);
  WriteReplay();
  std::_Exit(1);
}

// ---------------------------------------------------------------------------------------------
// The host side: one record per instance, found by the callback from the effect record.

struct HostSide {
  std::string vendor;
  std::string product;
  std::mutex lock;
  std::mt19937_64 random{1};
  VstTimeInfo time{};
  long sentEvents = 0;
  std::atomic<int> badAutomation{0};
};

std::mutex g_registryLock;
std::map<AEffect*, HostSide*> g_hosts;
HostSide* g_creating = nullptr;
std::mutex g_createLock;

typedef AEffect* (*EntryProc)(audioMasterCallback);
EntryProc g_entry = nullptr;

VstIntPtr VSTCALLBACK HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
  HostSide* host = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_registryLock);
    auto it = g_hosts.find(effect);
    host = it != g_hosts.end() ? it->second : g_creating;
  }
  if (opcode == audioMasterVersion) return 2400;
  if (!host) return 0;
  std::lock_guard<std::mutex> guard(host->lock);
  switch (opcode) {
    case audioMasterAutomate:
      if (index < 0 || index >= kNumParams || !(opt >= 0.0f && opt <= 1.0f)) ++host->badAutomation;
      return 0;
    case audioMasterGetVendorString:
      if (ptr) std::snprintf(static_cast<char*>(ptr), 64, "%s", host->vendor.c_str());
      return 1;
    case audioMasterGetProductString:
      if (ptr) std::snprintf(static_cast<char*>(ptr), 64, "%s", host->product.c_str());
      return 1;
    case audioMasterGetVendorVersion:
      return static_cast<VstIntPtr>(host->random() % 3 == 0 ? -1 : host->random() % 200000);
    case audioMasterGetCurrentProcessLevel:
      return static_cast<VstIntPtr>(host->random() % 5);
    case audioMasterGetTime: {
      // A host's transport, sometimes with nonsense in it.
      std::mt19937_64& r = host->random;
      if (r() % 8 == 0) return 0;
      const double odd[] = {0.0, -1.0, 1e300, std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(), 120.0, 44100.0};
      auto pick = [&](double normal) { return r() % 4 == 0 ? odd[r() % 7] : normal; };
      VstTimeInfo& t = host->time;
      t = VstTimeInfo{};
      t.samplePos = pick(1e6);
      t.sampleRate = pick(44100.0);
      t.ppqPos = pick(16.0);
      t.tempo = pick(120.0);
      t.barStartPos = pick(16.0);
      t.cycleStartPos = pick(0.0);
      t.cycleEndPos = pick(32.0);
      t.timeSigNumerator = static_cast<VstInt32>(r() % 4 == 0 ? -3 : 4);
      t.timeSigDenominator = static_cast<VstInt32>(r() % 4 == 0 ? 0 : 4);
      t.flags = static_cast<VstInt32>(r());
      return reinterpret_cast<VstIntPtr>(&t);
    }
    case audioMasterProcessEvents: {
      const VstEvents* events = static_cast<const VstEvents*>(ptr);
      if (events) host->sentEvents += events->numEvents;
      return 1;
    }
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------------------------
// One instance as the abusing host holds it.

struct Plug {
  AEffect* effect = nullptr;
  std::unique_ptr<HostSide> host;
  int blockSize = 1024;  // what we last told it (for sizing what we send, not trusted by it)
  bool special = false;

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }
};

std::unique_ptr<Plug> CreatePlug(const std::string& vendor, const std::string& product, uint64_t seed) {
  auto plug = std::make_unique<Plug>();
  plug->host = std::make_unique<HostSide>();
  plug->host->vendor = vendor;
  plug->host->product = product;
  plug->host->random.seed(seed);
  std::string lower = vendor;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  plug->special = lower == "native instruments" || lower == "juce vst host";
  std::lock_guard<std::mutex> creating(g_createLock);
  {
    std::lock_guard<std::mutex> guard(g_registryLock);
    g_creating = plug->host.get();
  }
  AEffect* effect = g_entry(&HostCallback);
  std::lock_guard<std::mutex> guard(g_registryLock);
  g_creating = nullptr;
  if (!effect) Fail("VSTPluginMain gave no effect");
  if (effect->magic != kEffectMagic || effect->numParams != kNumParams || effect->numOutputs != 2)
    Fail("the effect record is not the plug-in's");
  plug->effect = effect;
  g_hosts[effect] = plug->host.get();
  return plug;
}

void ClosePlug(std::unique_ptr<Plug>& plug) {
  if (!plug) return;
  AEffect* effect = plug->effect;
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  {
    std::lock_guard<std::mutex> guard(g_registryLock);
    g_hosts.erase(effect);
  }
  plug.reset();
}

// ---------------------------------------------------------------------------------------------
// Checks.

// Asks for a text into a marked buffer: nothing may be written past limit bytes, and the text
// must end within them.
void CheckText(Plug& p, VstInt32 opcode, VstInt32 index, std::size_t limit, VstIntPtr value = 0, float opt = 0.0f) {
  constexpr char kMarker = 0x5A;
  char buffer[600];
  std::memset(buffer, kMarker, sizeof buffer);
  buffer[0] = '\0';
  p.Dispatch(opcode, index, value, buffer, opt);
  for (std::size_t i = limit; i < sizeof buffer; ++i)
    if (buffer[i] != kMarker) Fail("opcode %d index %d wrote byte %zu, past its %zu-byte limit", opcode, index, i, limit);
  if (!std::memchr(buffer, '\0', limit)) Fail("opcode %d index %d left its text unterminated", opcode, index);
}

void CheckParameters(Plug& p, const char* after) {
  for (int i = 0; i < kNumParams; ++i) {
    const float v = p.effect->getParameter(p.effect, i);
    if (!(v >= 0.0f && v <= 1.0f)) Fail("parameter %d reads %g after %s", i, static_cast<double>(v), after);
  }
  for (int i : {-1, kNumParams, INT_MIN, INT_MAX})
    if (p.effect->getParameter(p.effect, i) != 0.0f) Fail("parameter index %d does not read 0", i);
  if (p.host->badAutomation.load() != 0) Fail("the plug-in automated an invalid index or value (after %s)", after);
}

std::vector<float> Parameters(Plug& p) {
  std::vector<float> values(kNumParams);
  for (int i = 0; i < kNumParams; ++i) values[static_cast<std::size_t>(i)] = p.effect->getParameter(p.effect, i);
  return values;
}

std::vector<uint8_t> GetChunk(Plug& p, bool program) {
  void* data = nullptr;
  const VstIntPtr size = p.Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || !data) Fail("effGetChunk (%s) gave no data", program ? "program" : "bank");
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

// The program chunk's name field, when the chunk has the usual layout.
std::string ChunkName(const std::vector<uint8_t>& chunk) {
  const std::size_t at = kChunkHeaderBytes + kStateImageBytes;
  if (chunk.size() < at + 4) return std::string();
  int32_t length = 0;
  std::memcpy(&length, &chunk[at], 4);
  if (length <= 0 || static_cast<std::size_t>(length) != chunk.size() - at - 4) return std::string();
  return std::string(chunk.begin() + static_cast<std::ptrdiff_t>(at + 4), chunk.end());
}

// Equal as program chunks: the header and state image always, the name when the expected one
// has one (an empty name in a chunk leaves the slot's name as it was).
bool SameProgram(const std::vector<uint8_t>& got, const std::vector<uint8_t>& expected) {
  const std::size_t image = kChunkHeaderBytes + kStateImageBytes;
  if (got.size() < image || expected.size() < image) return got == expected;
  if (!std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(image), got.begin())) return false;
  const std::string name = ChunkName(expected);
  return name.empty() || ChunkName(got) == name;
}

std::size_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return i;
  return n;
}

// ---------------------------------------------------------------------------------------------
// What the host sends.

struct EventList {
  std::vector<VstMidiEvent> midi;
  std::vector<VstMidiSysexEvent> sysex;
  std::vector<std::vector<char>> dumps;
  std::vector<char> storage;
  VstEvents* list = nullptr;
};

// A list of count entries; some null, some of unknown types, MIDI of every kind and SysEx.
void BuildEvents(std::mt19937_64& r, int count, int blockSize, bool orderly, EventList& out) {
  out.midi.assign(static_cast<std::size_t>(count), VstMidiEvent{});
  out.sysex.assign(static_cast<std::size_t>(count), VstMidiSysexEvent{});
  out.dumps.assign(static_cast<std::size_t>(count), {});
  out.storage.assign(sizeof(VstEvents) + static_cast<std::size_t>(count) * sizeof(VstEvent*), 0);
  out.list = reinterpret_cast<VstEvents*>(out.storage.data());
  out.list->numEvents = count;
  VstEvent** slots = out.list->events;
  const int span = std::max(1, blockSize);
  for (int i = 0; i < count; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    int offset;
    const unsigned how = orderly ? 0 : static_cast<unsigned>(r() % 16);
    if (how < 10) offset = static_cast<int>(r() % static_cast<uint64_t>(span));
    else if (how < 12) offset = static_cast<int>(r() % static_cast<uint64_t>(span) * 4);  // past the block
    else if (how == 12) offset = -static_cast<int>(r() % 1000);
    else if (how == 13) offset = INT_MAX - static_cast<int>(r() % 64);
    else if (how == 14) offset = INT_MIN + static_cast<int>(r() % 64);
    else offset = static_cast<int>(static_cast<uint32_t>(r()));
    const unsigned kind = static_cast<unsigned>(r() % 100);
    if (kind < 3 && !orderly) {
      slots[i] = nullptr;
    } else if (kind < 8 && !orderly) {
      // A SysEx dump: random bytes, sometimes framed like the instrument's own messages.
      VstMidiSysexEvent& s = out.sysex[k];
      std::vector<char>& dump = out.dumps[k];
      dump.resize(r() % 200);
      for (char& c : dump) c = static_cast<char>(r());
      if (dump.size() >= 4 && r() % 2) {
        dump[0] = static_cast<char>(0xF0);
        dump[1] = 0x25;
        dump.back() = static_cast<char>(0xF7);
      }
      s.type = kVstSysExType;
      s.byteSize = sizeof s;
      s.deltaFrames = offset;
      s.dumpBytes = static_cast<VstInt32>(dump.size());
      s.sysexDump = dump.empty() ? nullptr : dump.data();
      if (r() % 10 == 0) s.dumpBytes = -static_cast<VstInt32>(r() % 100);
      slots[i] = reinterpret_cast<VstEvent*>(&s);
    } else {
      VstMidiEvent& m = out.midi[k];
      m.type = kind < 10 && !orderly ? static_cast<VstInt32>(r() % 8) : kVstMidiType;  // 2..5, 7: unknown
      if (m.type == kVstSysExType) m.type = 2;
      m.byteSize = sizeof m;
      m.deltaFrames = offset;
      static const uint8_t kStatus[] = {0x80, 0x90, 0x90, 0x90, 0xA0, 0xB0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0, 0x00};
      uint8_t status = kStatus[r() % sizeof kStatus];
      if (status == 0x00) status = static_cast<uint8_t>(r());
      else if (status < 0xF0) status = static_cast<uint8_t>(status | (r() % 16));
      uint8_t d1 = static_cast<uint8_t>(r() % 128), d2 = static_cast<uint8_t>(r() % 128);
      if ((status & 0xF0) == 0xB0) {
        static const uint8_t kControllers[] = {1, 7, 64, 120, 121, 123, 127, 20, 74};
        if (r() % 2) d1 = kControllers[r() % sizeof kControllers];
      }
      // Program changes are slow (they load a program): keep them rare in floods.
      if ((status & 0xF0) == 0xC0 && count > 200 && r() % 50) status = 0x90;
      if (r() % 20 == 0) d1 = static_cast<uint8_t>(r());  // data bytes with the top bit set
      m.midiData[0] = static_cast<char>(status);
      m.midiData[1] = static_cast<char>(d1);
      m.midiData[2] = static_cast<char>(d2);
      m.midiData[3] = static_cast<char>(r());
      slots[i] = reinterpret_cast<VstEvent*>(&m);
    }
  }
}

void SendEvents(Plug& p, std::mt19937_64& r, int count, bool orderly = false) {
  EventList events;
  BuildEvents(r, count, p.blockSize, orderly, events);
  const VstIntPtr answer = p.Dispatch(effProcessEvents, 0, 0, events.list);
  if (answer != 1) Fail("effProcessEvents with a list answered %ld", static_cast<long>(answer));
}

void Process(Plug& p, std::mt19937_64& r, int frames) {
  const unsigned path = static_cast<unsigned>(r() % 3);
  const unsigned outs = static_cast<unsigned>(r() % 12);  // 0: no array; 1: one channel missing
  const std::size_t n = static_cast<std::size_t>(std::max(frames, 0));
  if (path == 2) {
    std::vector<double> left(n + 1, 0.0), right(n + 1, 0.0);
    double* outputs[2] = {left.data(), outs == 1 ? nullptr : right.data()};
    p.effect->processDoubleReplacing(p.effect, nullptr, outs == 0 ? nullptr : outputs, frames);
    for (std::size_t i = 0; i < n; ++i)
      if (!std::isfinite(left[i]) || !std::isfinite(right[i])) Fail("double output not finite at %zu of %d", i, frames);
  } else {
    std::vector<float> left(n + 1, 0.0f), right(n + 1, 0.0f);
    float* outputs[2] = {left.data(), outs == 1 ? nullptr : right.data()};
    if (path == 0)
      p.effect->processReplacing(p.effect, nullptr, outs == 0 ? nullptr : outputs, frames);
    else
      p.effect->process(p.effect, nullptr, outs == 0 ? nullptr : outputs, frames);
    for (std::size_t i = 0; i < n; ++i)
      if (!std::isfinite(left[i]) || !std::isfinite(right[i])) Fail("float output not finite at %zu of %d", i, frames);
  }
}

int RandomFrames(std::mt19937_64& r, int blockSize) {
  switch (r() % 8) {
    case 0: return 0;
    case 1: return static_cast<int>(r() % 17) - 8;  // a few, or negative
    case 2: return blockSize * 3 + 7;               // beyond the block
    case 3: return static_cast<int>(r() % 9000);
    default: return std::max(1, std::min(blockSize, 4096));
  }
}

float RandomParameterValue(std::mt19937_64& r) {
  switch (r() % 10) {
    case 0: return std::numeric_limits<float>::quiet_NaN();
    case 1: return (r() % 2 ? 1 : -1) * std::numeric_limits<float>::infinity();
    case 2: return -static_cast<float>(r() % 1000) / 7.0f;
    case 3: return 1.0f + static_cast<float>(r() % 1000);
    case 4: return std::numeric_limits<float>::denorm_min();
    case 5: return r() % 2 ? 0.0f : 1.0f;
    default: return static_cast<float>(r() % 100001) / 100000.0f;
  }
}

// ---------------------------------------------------------------------------------------------
// Chunks: a pool of genuine ones, and ways to spoil them.

struct PoolChunk {
  std::vector<uint8_t> data;
  bool bankFormat = false;
  std::vector<uint8_t> expectedProgram;  // what a whole restore reads back as a program chunk
};

void Harvest(Plug& p, std::vector<PoolChunk>& pool, std::mt19937_64& r) {
  PoolChunk c;
  const bool asBank = r() % 2 == 0;
  c.data = GetChunk(p, !asBank);
  c.bankFormat = asBank && !p.special;
  c.expectedProgram = c.bankFormat ? GetChunk(p, true) : c.data;
  if (pool.size() >= 8) pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(r() % pool.size()));
  pool.push_back(std::move(c));
}

enum class Spoil { kNone, kTruncated, kMutated, kForeign, kHeaderOnly, kExtended };

std::vector<uint8_t> Spoiled(const std::vector<uint8_t>& genuine, Spoil how, std::mt19937_64& r) {
  std::vector<uint8_t> data = genuine;
  switch (how) {
    case Spoil::kNone:
      break;
    case Spoil::kTruncated:
      data.resize(r() % 2 ? r() % (data.size() + 1) : data.size() - std::min<std::size_t>(data.size(), 1 + r() % 16));
      break;
    case Spoil::kMutated: {
      const int flips = 1 + static_cast<int>(r() % 12);
      for (int i = 0; i < flips && !data.empty(); ++i) {
        const std::size_t at = r() % data.size();
        if (r() % 3 == 0 && at + 8 <= data.size()) {
          // A parameter-sized double of a nasty kind.
          const double nasty[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                                  -1e300, 1e300, -0.0, std::numeric_limits<double>::denorm_min()};
          std::memcpy(&data[at], &nasty[r() % 6], 8);
        } else {
          data[at] = static_cast<uint8_t>(r());
        }
      }
      break;
    }
    case Spoil::kForeign: {
      data.resize(r() % 8000);
      for (uint8_t& b : data) b = static_cast<uint8_t>(r());
      if (data.size() >= 8 && r() % 2) {
        const uint8_t header[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, static_cast<uint8_t>(r() % 3), 0x00};
        std::memcpy(data.data(), header, 8);
      }
      break;
    }
    case Spoil::kHeaderOnly:
      data.resize(std::min<std::size_t>(data.size(), r() % 16));
      break;
    case Spoil::kExtended:
      for (int i = static_cast<int>(r() % 40); i > 0; --i) data.push_back(static_cast<uint8_t>(r()));
      break;
  }
  return data;
}

void ChunkSet(Plug& p, std::vector<PoolChunk>& pool, std::mt19937_64& r) {
  if (pool.empty() || r() % 6 == 0) Harvest(p, pool, r);
  const PoolChunk& source = pool[r() % pool.size()];
  const Spoil how = static_cast<Spoil>(r() % 6);
  const std::vector<uint8_t> data = Spoiled(source.data, how, r);
  const bool asProgram = r() % 2 == 0;

  const std::vector<uint8_t> before = GetChunk(p, true);
  const std::vector<float> paramsBefore = Parameters(p);
  std::vector<uint8_t> copy = data;  // hosts hand over memory that is gone after the call
  const VstIntPtr answer = p.Dispatch(effSetChunk, asProgram ? 1 : 0, static_cast<VstIntPtr>(copy.size()),
                                      copy.empty() ? nullptr : copy.data());
  std::fill(copy.begin(), copy.end(), 0xEE);
  if (answer != 0 && answer != 1) Fail("effSetChunk answered %ld", static_cast<long>(answer));
  CheckParameters(p, "effSetChunk");
  // A genuine chunk handed back the way it was given is taken and reads back identical.
  const bool genuine = how == Spoil::kNone && (p.special || source.bankFormat == !asProgram);
  if (genuine && answer != 1)
    Fail("a genuine %s chunk (%zu bytes) was refused by a%s host", source.bankFormat ? "bank" : "program",
         data.size(), p.special ? " special" : "n ordinary");
  const std::vector<uint8_t> after = GetChunk(p, true);
  if (answer == 0) {
    if (after != before || Parameters(p) != paramsBefore)
      Fail("a refused effSetChunk (%zu bytes, spoil %d, %s, %s host) changed the state: first difference at byte %zu",
           data.size(), static_cast<int>(how), asProgram ? "program" : "bank", p.special ? "special" : "ordinary",
           FirstDifference(after, before));
    return;
  }
  if (genuine && !SameProgram(after, source.expectedProgram))
    Fail("a genuine %s chunk (%zu bytes, %s host) read back different at byte %zu",
         source.bankFormat ? "bank" : "program", data.size(), p.special ? "special" : "ordinary",
         FirstDifference(after, source.expectedProgram));
  // Whatever was taken is a state of its own: handed back, it is taken again and reads the same.
  std::vector<uint8_t> again = after;
  if (p.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(again.size()), again.data()) != 1)
    Fail("the plug-in's own program chunk (%zu bytes) was refused after an accepted set", after.size());
  const std::vector<uint8_t> reread = GetChunk(p, true);
  if (!SameProgram(reread, after))
    Fail("an accepted chunk (%zu bytes, spoil %d) does not read back identical: byte %zu differs", data.size(),
         static_cast<int>(how), FirstDifference(reread, after));
}

// ---------------------------------------------------------------------------------------------
// One step of a sequence: a random request of a random kind, with arguments of the right types.

const char* const kVendors[] = {"Native Instruments", "JUCE VST Host", "juce vst host", "Pellory Abuse", "",
                                "Native Instruments GmbH", "Cockos", "Image-Line"};
const char* const kProducts[] = {"REAPER", "Cubase", "Live 11", "Forte", "Audition", "Orion", "SAWStudio",
                                 "", "Unknown DAW", "Renoise", "Ardour"};

void Step(Plug& p, std::mt19937_64& r, std::vector<PoolChunk>& pool) {
  char text[600];
  const unsigned what = static_cast<unsigned>(r() % 40);
  switch (what) {
    case 0:
      p.Dispatch(effOpen);
      break;
    case 1: {
      const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f, 8000.0f, 1.0f, 0.0f, -1.0f, 999.0f,
                             192000.0f, 1536000.0f, 1e9f, std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity(), 11025.0f, 3000.0f};
      p.Dispatch(effSetSampleRate, 0, 0, nullptr, rates[r() % (sizeof rates / sizeof rates[0])]);
      break;
    }
    case 2: {
      const VstIntPtr sizes[] = {512, 1, 0, -5, 64, 4096, 1 << 20, INT_MAX, 33, 256, 2048, -1};
      const VstIntPtr size = sizes[r() % (sizeof sizes / sizeof sizes[0])];
      p.Dispatch(effSetBlockSize, 0, size);
      if (size > 0) p.blockSize = static_cast<int>(std::min<VstIntPtr>(size, 8192));
      break;
    }
    case 3:
    case 4:
      p.Dispatch(effMainsChanged, 0, static_cast<VstIntPtr>(r() % 2));
      break;
    case 5: case 6: case 7: case 8: case 9:
      Process(p, r, RandomFrames(r, p.blockSize));
      break;
    case 10: case 11: case 12:
      SendEvents(p, r, static_cast<int>(r() % 64));
      break;
    case 13: {
      // A flood, sometimes in order, sometimes anywhere.
      const int count = 1000 + static_cast<int>(r() % 20000);
      const auto start = std::chrono::steady_clock::now();
      SendEvents(p, r, count, r() % 2 == 0);
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      if (ms > 5000.0) Fail("a flood of %d events took %.0f ms", count, ms);
      break;
    }
    case 14: {
      VstEvents empty{};
      if (p.Dispatch(effProcessEvents, 0, 0, r() % 2 ? &empty : nullptr) > 1) Fail("effProcessEvents answer");
      break;
    }
    case 15: case 16: case 17:
      for (int i = static_cast<int>(r() % 20); i >= 0; --i) {
        const int index = static_cast<int>(r() % 85) - 4;
        p.effect->setParameter(p.effect, index, RandomParameterValue(r));
      }
      CheckParameters(p, "setParameter");
      break;
    case 18: {
      const int index = static_cast<int>(r() % 81) - 2;
      const VstInt32 ops[] = {effGetParamName, effGetParamLabel, effGetParamDisplay};
      CheckText(p, ops[r() % 3], index, kParamTextBytes);
      break;
    }
    case 19:
      CheckText(p, effGetProgramName, 0, kProgramNameBytes);
      CheckText(p, effGetProgramNameIndexed, static_cast<VstInt32>(r() % 4) - 1, kProgramNameBytes);
      break;
    case 20: {
      const VstInt32 ops[] = {effGetEffectName, effGetVendorString, effGetProductString};
      CheckText(p, ops[r() % 3], 0, kVendorTextBytes);
      break;
    }
    case 21:
      CheckText(p, effVendorSpecific, 7, kParamTextBytes, static_cast<VstIntPtr>(r() % 81) - 2, RandomParameterValue(r));
      p.Dispatch(effVendorSpecific, static_cast<VstInt32>(r() % 10), static_cast<VstIntPtr>(r() % 81) - 2, text);
      break;
    case 22: {
      // A program name of any length, sometimes without a terminator within the buffer.
      const std::size_t length = r() % 590;
      std::memset(text, 'a' + static_cast<int>(r() % 26), sizeof text);
      text[length] = '\0';
      if (r() % 5 == 0) text[0] = '\0';
      if (r() % 7 == 0) text[sizeof text - 1] = 'z';  // no terminator past length either
      p.Dispatch(effSetProgramName, 0, 0, text);
      CheckText(p, effGetProgramName, 0, kProgramNameBytes);
      break;
    }
    case 23: {
      const char* const texts[] = {"Split", "split", "Double", "1e308", "-1e308", "nan", "inf", "", "0.5", "-3",
                                   "12345678901234567890", "Single ", "99", "BIT"};
      std::snprintf(text, sizeof text, "%s", texts[r() % (sizeof texts / sizeof texts[0])]);
      p.Dispatch(effString2Parameter, static_cast<VstInt32>(r() % 81) - 2, 0, r() % 10 ? text : nullptr);
      CheckParameters(p, "effString2Parameter");
      break;
    }
    case 24: case 25: case 26: case 27:
      ChunkSet(p, pool, r);
      break;
    case 28:
      Harvest(p, pool, r);
      break;
    case 29: {
      // The plug-in's own buffer handed straight back, whole or in part.
      void* data = nullptr;
      const bool program = r() % 2;
      const VstIntPtr size = p.Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
      if (size <= 0 || !data) Fail("effGetChunk gave no data");
      const VstIntPtr part = r() % 3 == 0 ? static_cast<VstIntPtr>(r() % static_cast<uint64_t>(size)) : size;
      const VstIntPtr answer = p.Dispatch(effSetChunk, program ? 1 : 0, part, data);
      if (part == size && answer != 1) Fail("the plug-in's own %s buffer was refused", program ? "program" : "bank");
      break;
    }
    case 30:
      p.Dispatch(effSetProgram, 0, static_cast<VstIntPtr>(r() % 5) - 2);
      if (p.Dispatch(effGetProgram) != 0) Fail("the current program is not 0");
      break;
    case 31:
      p.Dispatch(r() % 2 ? effEditIdle : effIdle);
      break;
    case 32: {
      ERect* rect = nullptr;
      p.Dispatch(effEditGetRect, 0, 0, r() % 2 ? &rect : nullptr);
      p.Dispatch(effEditClose);
      break;
    }
    case 33: {
      const char* const canDos[] = {"receiveVstTimeInfo", "sendVstEvents", "hasCockosExtensions", "bypass", "",
                                    "receiveVstMidiEvent", "hasCockosViewAsConfig"};
      std::snprintf(text, sizeof text, "%s", canDos[r() % 7]);
      p.Dispatch(effCanDo, 0, 0, r() % 8 ? text : nullptr);
      break;
    }
    case 34: {
      VstPinProperties pin{};
      p.Dispatch(r() % 2 ? effGetInputProperties : effGetOutputProperties, static_cast<VstInt32>(r() % 6) - 2, 0,
                 r() % 8 ? &pin : nullptr);
      if (!std::memchr(pin.label, '\0', sizeof pin.label)) Fail("pin label unterminated");
      break;
    }
    case 35: {
      VstSpeakerArrangement in{}, out{};
      in.numChannels = static_cast<VstInt32>(r() % 12) - 3;
      out.numChannels = static_cast<VstInt32>(r() % 12) - 3;
      p.Dispatch(effSetSpeakerArrangement, 0, r() % 4 ? reinterpret_cast<VstIntPtr>(&in) : 0, r() % 4 ? &out : nullptr);
      VstSpeakerArrangement* gotIn = nullptr;
      VstSpeakerArrangement* gotOut = nullptr;
      p.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&gotIn), &gotOut);
      break;
    }
    case 36: {
      MidiKeyName key{};
      key.thisKeyNumber = static_cast<VstInt32>(r() % 300) - 50;
      p.Dispatch(effGetMidiKeyName, 0, 0, &key);
      if (!std::memchr(key.keyName, '\0', sizeof key.keyName)) Fail("key name unterminated");
      break;
    }
    case 37: {
      // Requests the plug-in does not handle, with harmless arguments.
      const VstInt32 ignored[] = {effGetVu, effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep,
                                  effGetNumProgramCategories, effCopyProgram, effSetBypass, effStartProcess,
                                  effStopProcess, effSetProcessPrecision, 80, 1000, -7};
      std::memset(text, 0, sizeof text);
      p.Dispatch(ignored[r() % (sizeof ignored / sizeof ignored[0])], static_cast<VstInt32>(r()),
                 static_cast<VstIntPtr>(r() % 1000), text, RandomParameterValue(r));
      break;
    }
    case 38:
      p.Dispatch(effCanBeAutomated, static_cast<VstInt32>(r() % 100) - 10);
      p.Dispatch(effGetTailSize);
      p.Dispatch(effGetPlugCategory);
      break;
    default:
      CheckParameters(p, "a request");
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// Rounds.

uint64_t RoundSeed(uint64_t seed, long round) {
  // splitmix64 of the pair: neighbouring rounds get unrelated streams.
  uint64_t z = seed + 0x9E3779B97F4A7C15ull * static_cast<uint64_t>(round + 1);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void StartNormally(Plug& p, std::mt19937_64& r) {
  p.Dispatch(effOpen);
  p.Dispatch(effSetSampleRate, 0, 0, nullptr, r() % 2 ? 44100.0f : 48000.0f);
  p.blockSize = r() % 2 ? 512 : 256;
  p.Dispatch(effSetBlockSize, 0, p.blockSize);
  p.Dispatch(effMainsChanged, 0, 1);
}

// Several instances at once, each driven by random steps; lifecycles in any order.
void SequenceRound(std::mt19937_64& r) {
  std::vector<std::unique_ptr<Plug>> plugs;
  std::vector<PoolChunk> pool;  // shared: chunks travel between instances and hosts
  auto add = [&] {
    plugs.push_back(CreatePlug(kVendors[r() % 8], kProducts[r() % 11], r()));
    if (r() % 4) StartNormally(*plugs.back(), r);  // else: whatever order the steps bring
  };
  const int instances = 1 + static_cast<int>(r() % 3);
  for (int i = 0; i < instances; ++i) add();
  const int steps = 40 + static_cast<int>(r() % 200);
  for (int s = 0; s < steps; ++s) {
    if (r() % 60 == 0) {
      // Close one, and sometimes open a new one.
      std::size_t which = r() % plugs.size();
      ClosePlug(plugs[which]);
      plugs.erase(plugs.begin() + static_cast<std::ptrdiff_t>(which));
      if (plugs.empty() || r() % 2) add();
      continue;
    }
    Step(*plugs[r() % plugs.size()], r, pool);
  }
  for (auto& p : plugs) {
    if (r() % 2) p->Dispatch(effMainsChanged, 0, 0);
    ClosePlug(p);
  }
}

// The audio thread processes and sends MIDI while another thread automates and asks.
void ThreadedRound(std::mt19937_64& r) {
  std::unique_ptr<Plug> plug = CreatePlug(kVendors[r() % 8], kProducts[r() % 11], r());
  StartNormally(*plug, r);
  AEffect* e = plug->effect;
  const int blockSize = plug->blockSize;
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  const uint64_t audioSeed = r(), userSeed = r();
  std::thread audio([&] {
    std::mt19937_64 ar(audioSeed);
    Plug& p = *plug;
    for (int block = 0; block < 120; ++block) {
      SendEvents(p, ar, static_cast<int>(ar() % 40));
      Process(p, ar, ar() % 8 ? blockSize : RandomFrames(ar, blockSize));
    }
    done = true;
  });
  std::thread user([&] {
    std::mt19937_64 ur(userSeed);
    char text[64];
    while (!done) {
      const int index = static_cast<int>(ur() % 77);
      e->setParameter(e, index, RandomParameterValue(ur));
      const float v = e->getParameter(e, index);
      if (!(v >= 0.0f && v <= 1.0f)) ++bad;
      e->dispatcher(e, effGetParamDisplay, index, 0, text, 0.0f);
      if (!std::memchr(text, '\0', kParamTextBytes)) ++bad;
      if (ur() % 8 == 0) {
        void* data = nullptr;
        const VstIntPtr size = e->dispatcher(e, effGetChunk, static_cast<VstInt32>(ur() % 2), 0, &data, 0.0f);
        if (size > 0 && data) {
          std::vector<char> copy(static_cast<const char*>(data), static_cast<const char*>(data) + size);
          if (ur() % 2) copy.resize(ur() % copy.size());
          e->dispatcher(e, effSetChunk, static_cast<VstInt32>(ur() % 2), static_cast<VstIntPtr>(copy.size()),
                        copy.empty() ? nullptr : copy.data(), 0.0f);
        }
      }
      if (ur() % 16 == 0) e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
      if (ur() % 64 == 0) e->dispatcher(e, effMainsChanged, 0, static_cast<VstIntPtr>(ur() % 2), nullptr, 0.0f);
    }
  });
  audio.join();
  user.join();
  if (bad.load() != 0) Fail("%d bad answers while processing on another thread", bad.load());
  CheckParameters(*plug, "the threaded round");
  ClosePlug(plug);
}

void RunRound(long round) {
  g_round = round;
  // A sanitizer report ends the program without a word from us: the last of these lines names
  // the round to replay.
  std::fprintf(stderr, "host-abuse: round %ld\n", round);
  std::mt19937_64 r(RoundSeed(g_seed, round));
  if (r() % 8 == 0)
    ThreadedRound(r);
  else
    SequenceRound(r);
}

// ---------------------------------------------------------------------------------------------
// Flood timings: what a stalled audio thread would look like.

double TimedEvents(Plug& p, const std::vector<int>& offsets) {
  std::vector<VstMidiEvent> midi(offsets.size());
  std::vector<char> storage(sizeof(VstEvents) + offsets.size() * sizeof(VstEvent*));
  VstEvents* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = static_cast<VstInt32>(offsets.size());
  VstEvent** slots = list->events;
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    midi[i] = VstMidiEvent{};
    midi[i].type = kVstMidiType;
    midi[i].byteSize = sizeof(VstMidiEvent);
    midi[i].deltaFrames = offsets[i];
    midi[i].midiData[0] = static_cast<char>(0x90);
    midi[i].midiData[1] = static_cast<char>(i % 128);
    midi[i].midiData[2] = 100;
    slots[i] = reinterpret_cast<VstEvent*>(&midi[i]);
  }
  const auto start = std::chrono::steady_clock::now();
  p.Dispatch(effProcessEvents, 0, 0, list);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int Flood() {
  std::mt19937_64 r(g_seed);
  std::unique_ptr<Plug> a = CreatePlug("Pellory Abuse", "Flood", 1);
  a->Dispatch(effOpen);
  a->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  a->Dispatch(effSetBlockSize, 0, 512);
  a->Dispatch(effMainsChanged, 0, 1);
  std::vector<int> unsorted(100000);
  for (int& o : unsorted) o = static_cast<int>(r() % 100000);
  const double unsortedMs = TimedEvents(*a, unsorted);

  std::unique_ptr<Plug> b = CreatePlug("Pellory Abuse", "Flood", 2);
  b->Dispatch(effOpen);
  b->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  b->Dispatch(effSetBlockSize, 0, 512);
  b->Dispatch(effMainsChanged, 0, 1);
  TimedEvents(*b, std::vector<int>(50000, 1000000000));
  std::vector<int> ascending(20000);
  for (int i = 0; i < 20000; ++i) ascending[static_cast<std::size_t>(i)] = i;
  // With the far events still queued, then after a power-off.
  const double queuedMs = TimedEvents(*b, ascending);
  b->Dispatch(effMainsChanged, 0, 0);
  b->Dispatch(effMainsChanged, 0, 1);
  const double afterOffMs = TimedEvents(*b, ascending);
  std::printf("host-abuse: flood timings: 100000 unsorted events %.1f ms; 20000 ascending with 50000 far-future "
              "queued %.1f ms, after a power-off %.1f ms\n",
              unsortedMs, queuedMs, afterOffMs);
  ClosePlug(a);
  ClosePlug(b);
  // Quadratic insertion took seconds here; anything near that is a regression.
  const double bound = 1000.0;
  if (unsortedMs > bound || queuedMs > bound || afterOffMs > bound) Fail("an event flood took over %.0f ms", bound);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  g_program = argv[0];
#ifdef PELLORY_PLUGIN_PATH
  g_modulePath = PELLORY_PLUGIN_PATH;
#endif
  double seconds = 10.0;
  long onlyRound = -1;
  bool flood = false;
  bool seeded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "host-abuse: %s needs a value\n", arg.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--module") g_modulePath = next();
    else if (arg == "--seed") { g_seed = std::strtoull(next(), nullptr, 10); seeded = true; }
    else if (arg == "--seconds") seconds = std::atof(next());
    else if (arg == "--round") onlyRound = std::atol(next());
    else if (arg == "--flood") flood = true;
    else {
      std::fprintf(stderr, "usage: %s [--module PATH] [--seed N] [--seconds S] [--round K] [--flood]\n", argv[0]);
      return 2;
    }
  }
  if (!seeded) g_seed = std::random_device()() ^ (static_cast<uint64_t>(std::random_device()()) << 32);
  std::snprintf(g_replay, sizeof g_replay, " --module %s", g_modulePath.c_str());

  // Instances read and write their configuration in a folder of this run's own.
  const std::filesystem::path home = std::filesystem::temp_directory_path() /
                                     ("pellory-host-abuse-" + std::to_string(getpid()));
  std::filesystem::create_directories(home / "VelloranMusic");
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);

  for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(s, OnFatalSignal);
#ifdef ABUSE_HAS_DEATH_CALLBACK
  __sanitizer_set_death_callback(WriteReplay);
#endif

  void* module = dlopen(g_modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) Fail("cannot load %s: %s", g_modulePath.c_str(), dlerror());
  g_entry = reinterpret_cast<EntryProc>(dlsym(module, "VSTPluginMain"));
  if (!g_entry) Fail("%s has no VSTPluginMain", g_modulePath.c_str());

  std::printf("host-abuse: seed %llu, %s\n", static_cast<unsigned long long>(g_seed),
              onlyRound >= 0 ? "one round" : (std::to_string(seconds) + " s").c_str());
  if (onlyRound < 0 && !flood)
    std::printf("host-abuse: replay the run: %s --seed %llu --seconds %g%s\n", argv[0],
                static_cast<unsigned long long>(g_seed), seconds, g_replay);
  std::fflush(stdout);

  int status = 0;
  if (flood) {
    status = Flood();
  } else if (onlyRound >= 0) {
    RunRound(onlyRound);
  } else {
    const auto start = std::chrono::steady_clock::now();
    long round = 0;
    while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < seconds) RunRound(round++);
    std::printf("host-abuse: %ld rounds passed\n", round);
  }
  g_round = -1;
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  return status;
}
