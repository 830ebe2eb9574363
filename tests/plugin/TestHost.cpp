#include "TestHost.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

namespace plugtest {

using namespace vst2;

namespace {

// Which host a callback belongs to. During creation the effect record is not known yet, so calls
// then go to the host that is creating.
std::mutex g_registryLock;
std::map<AEffect*, TestHost*> g_hosts;
TestHost* g_creating = nullptr;
std::mutex g_createLock;

typedef AEffect* (*EntryProc)(audioMasterCallback);

}  // namespace

Module& Module::Get() {
  static Module module;
  return module;
}

Module::Module() {
  std::random_device rd;
  std::filesystem::path home =
      std::filesystem::temp_directory_path() / ("pellory-plugin-test-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(home / "VelloranMusic");
  configHome_ = home.string();
  iniPath_ = (home / "VelloranMusic" / "pellory.ini").string();
  setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
  handle_ = dlopen(PELLORY_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    ADD_FAILURE() << "cannot load " << PELLORY_PLUGIN_PATH << ": " << (why ? why : "?");
  }
  // The folder goes when the test program ends.
  std::atexit([] {
    std::error_code ec;
    const char* home = std::getenv("XDG_CONFIG_HOME");
    if (home && std::strstr(home, "pellory-plugin-test-")) std::filesystem::remove_all(home, ec);
  });
}

void* Module::Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

AEffect* Module::Create(audioMasterCallback callback) const {
  EntryProc entry = reinterpret_cast<EntryProc>(Symbol("VSTPluginMain"));
  return entry ? entry(callback) : nullptr;
}

ScopedIni::ScopedIni(const std::string& text) {
  std::ofstream(Module::Get().IniPath(), std::ios::trunc) << text;
}

ScopedIni::~ScopedIni() { std::ofstream(Module::Get().IniPath(), std::ios::trunc); }

TestHost::TestHost() = default;

TestHost::~TestHost() { Close(); }

bool TestHost::Create() {
  Close();
  Module& module = Module::Get();
  std::lock_guard<std::mutex> creating(g_createLock);
  {
    std::lock_guard<std::mutex> lock(g_registryLock);
    g_creating = this;
  }
  AEffect* effect = module.Create(&Callback);
  std::lock_guard<std::mutex> lock(g_registryLock);
  g_creating = nullptr;
  if (!effect) return false;
  effect_ = effect;
  g_hosts[effect] = this;
  return true;
}

void TestHost::Start(double sampleRate, int blockSize) {
  if (!effect_) {
    ASSERT_TRUE(Create());
  }
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
  started_ = true;
}

void TestHost::Close() {
  if (!effect_) return;
  if (started_) Dispatch(effMainsChanged, 0, 0);
  started_ = false;
  AEffect* effect = effect_;
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  std::lock_guard<std::mutex> lock(g_registryLock);
  g_hosts.erase(effect);
  effect_ = nullptr;
}

VstIntPtr TestHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string TestHost::Text(VstInt32 opcode, VstInt32 index, std::size_t limit, VstIntPtr* result, VstIntPtr value,
                           float opt) {
  constexpr char kMarker = 0x5A;
  char buffer[512];
  std::memset(buffer, kMarker, sizeof buffer);
  buffer[0] = '\0';
  const VstIntPtr answer = Dispatch(opcode, index, value, buffer, opt);
  if (result) *result = answer;
  for (std::size_t i = limit; i < sizeof buffer; ++i)
    if (buffer[i] != kMarker) {
      ADD_FAILURE() << "opcode " << opcode << " index " << index << " wrote byte " << i << ", past its "
                    << limit << "-byte limit";
      break;
    }
  const void* end = std::memchr(buffer, '\0', limit);
  if (!end) {
    ADD_FAILURE() << "opcode " << opcode << " index " << index << ": no terminator within " << limit << " bytes";
    return std::string(buffer, limit);
  }
  return std::string(buffer);
}

std::vector<float> TestHost::AllParameters() {
  std::vector<float> values;
  for (int i = 0; i < effect_->numParams; ++i) values.push_back(Get(i));
  return values;
}

VstIntPtr TestHost::SendMidi(const std::vector<MidiEvent>& events) {
  std::vector<VstMidiEvent> midi(events.size());
  std::vector<char> storage(sizeof(VstEvents) + events.size() * sizeof(VstEvent*));
  VstEvents* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = static_cast<VstInt32>(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    midi[i] = VstMidiEvent{};
    midi[i].type = kVstMidiType;
    midi[i].byteSize = sizeof(VstMidiEvent);
    midi[i].deltaFrames = events[i].offset;
    midi[i].midiData[0] = static_cast<char>(events[i].status);
    midi[i].midiData[1] = static_cast<char>(events[i].data1);
    midi[i].midiData[2] = static_cast<char>(events[i].data2);
    // The list really has numEvents entries, more than its declared two.
    VstEvent** slots = list->events;
    slots[i] = reinterpret_cast<VstEvent*>(&midi[i]);
  }
  return Dispatch(effProcessEvents, 0, 0, list);
}

void TestHost::Render(Path path, int frames, std::vector<float>& left, std::vector<float>& right) {
  left.assign(static_cast<std::size_t>(frames), 0.0f);
  right.assign(static_cast<std::size_t>(frames), 0.0f);
  if (path == Path::kDouble) {
    std::vector<double> l(static_cast<std::size_t>(frames)), r(static_cast<std::size_t>(frames));
    double* outputs[2] = {l.data(), r.data()};
    effect_->processDoubleReplacing(effect_, nullptr, outputs, frames);
    for (int i = 0; i < frames; ++i) {
      left[i] = static_cast<float>(l[i]);
      right[i] = static_cast<float>(r[i]);
    }
    return;
  }
  float* outputs[2] = {left.data(), right.data()};
  if (path == Path::kAccumulating)
    effect_->process(effect_, nullptr, outputs, frames);
  else
    effect_->processReplacing(effect_, nullptr, outputs, frames);
}

std::vector<uint8_t> TestHost::GetChunk(bool program) {
  void* data = nullptr;
  const VstIntPtr size = Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return {};
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

VstIntPtr TestHost::SetChunk(bool program, const std::vector<uint8_t>& data) {
  // The plug-in must copy what it needs: the buffer goes away right after the call.
  std::vector<uint8_t> copy = data;
  const VstIntPtr answer = Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(copy.size()),
                                    copy.empty() ? nullptr : copy.data());
  std::fill(copy.begin(), copy.end(), 0xEE);
  return answer;
}

std::vector<HostCall> TestHost::Calls() {
  std::lock_guard<std::mutex> lock(recordLock_);
  return calls_;
}

std::vector<SentEvent> TestHost::SentEvents() {
  std::lock_guard<std::mutex> lock(recordLock_);
  return sent_;
}

int TestHost::CallCount(VstInt32 opcode) {
  std::lock_guard<std::mutex> lock(recordLock_);
  int n = 0;
  for (const HostCall& c : calls_) n += c.opcode == opcode;
  return n;
}

void TestHost::ClearRecord() {
  std::lock_guard<std::mutex> lock(recordLock_);
  calls_.clear();
  sent_.clear();
}

VstIntPtr VSTCALLBACK TestHost::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* ptr, float opt) {
  TestHost* host = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_registryLock);
    auto it = g_hosts.find(effect);
    host = it != g_hosts.end() ? it->second : g_creating;
  }
  if (!host) return opcode == audioMasterVersion ? 2400 : 0;
  return host->Answer(opcode, index, value, ptr, opt);
}

VstIntPtr TestHost::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  std::lock_guard<std::mutex> lock(recordLock_);
  calls_.push_back({opcode, index, value, opt});
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetProductString:
      if (ptr) std::snprintf(static_cast<char*>(ptr), 64, "%s", product.c_str());
      return product.empty() ? 0 : 1;
    case audioMasterGetVendorString:
      if (ptr) std::snprintf(static_cast<char*>(ptr), 64, "%s", vendor.c_str());
      return vendor.empty() ? 0 : 1;
    case audioMasterGetVendorVersion:
      return vendorVersion;
    case audioMasterGetCurrentProcessLevel:
      return processLevel;
    case audioMasterGetTime:
      time_ = VstTimeInfo{};
      time_.sampleRate = 44100.0;
      time_.tempo = 120.0;
      time_.timeSigNumerator = 4;
      time_.timeSigDenominator = 4;
      time_.flags = kVstTempoValid | kVstTimeSigValid;
      return reinterpret_cast<VstIntPtr>(&time_);
    case audioMasterProcessEvents: {
      const VstEvents* events = static_cast<const VstEvents*>(ptr);
      if (!events) return 0;
      VstEvent* const* list = events->events;
      for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* e = list[i];
        if (!e) continue;
        SentEvent sent{e->type, e->byteSize, e->deltaFrames, {}};
        if (e->type == kVstMidiType) {
          const auto* m = reinterpret_cast<const VstMidiEvent*>(e);
          sent.bytes.assign(m->midiData, m->midiData + 4);
        } else if (e->type == kVstSysExType) {
          const auto* s = reinterpret_cast<const VstMidiSysexEvent*>(e);
          if (s->sysexDump && s->dumpBytes > 0) sent.bytes.assign(s->sysexDump, s->sysexDump + s->dumpBytes);
        }
        sent_.push_back(sent);
      }
      return 1;
    }
    default:
      return 0;
  }
}

}  // namespace plugtest
