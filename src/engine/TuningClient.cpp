#include "engine/TuningClient.h"

#include <cmath>
#include <cstdio>

namespace pellory::engine {
namespace {

double EqualTemperedFrequency(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

template <class Fn>
Fn Resolve(const platform::DynamicLibrary& library, const char* name) {
  return reinterpret_cast<Fn>(library.Symbol(name));
}

}  // namespace

MtsClientGlobal::MtsClientGlobal(const std::string& libraryPath) {
  for (int i = 0; i < 128; ++i) inverseFrequencies[i] = 1.0 / EqualTemperedFrequency(i);
  if (libraryPath.empty() || !library_.Open(libraryPath)) return;

  registerClient = Resolve<VoidFn>(library_, "MTS_RegisterClient");
  deregisterClient = Resolve<VoidFn>(library_, "MTS_DeregisterClient");
  hasMaster = Resolve<BoolFn>(library_, "MTS_HasMaster");
  shouldFilterNote = Resolve<FilterNoteFn>(library_, "MTS_ShouldFilterNote");
  shouldFilterNoteMultiChannel = Resolve<FilterNoteFn>(library_, "MTS_ShouldFilterNoteMultiChannel");
  getTuningTable = Resolve<TuningTableFn>(library_, "MTS_GetTuningTable");
  getMultiChannelTuningTable = Resolve<ChannelTuningTableFn>(library_, "MTS_GetMultiChannelTuningTable");
  useMultiChannelTuning = Resolve<UseChannelFn>(library_, "MTS_UseMultiChannelTuning");
  getScaleName = Resolve<ScaleNameFn>(library_, "MTS_GetScaleName");

  if (getTuningTable) tuningTable = getTuningTable();
  for (int channel = 0; channel < kChannels; ++channel) {
    channelTuningTables[channel] =
        getMultiChannelTuningTable ? getMultiChannelTuningTable(static_cast<signed char>(channel)) : nullptr;
  }
}

MtsClientGlobal::~MtsClientGlobal() = default;

MtsClientGlobal& MtsClientGlobal::Instance() {
  static MtsClientGlobal global(DefaultLibraryPath());
  return global;
}

std::string MtsClientGlobal::DefaultLibraryPath() {
#ifdef _WIN32
  return platform::SystemLibraryPath("LIBMTS.dll");
#else
  return "/usr/local/lib/libMTS.so";
#endif
}

bool MtsClientGlobal::IsOnline() const { return tuningTable != nullptr && hasMaster != nullptr && hasMaster(); }

TuningClient::TuningClient() : TuningClient(MtsClientGlobal::Instance()) {}

TuningClient::TuningClient(const MtsClientGlobal& global) : global_(global) {
  for (int i = 0; i < 128; ++i) localFrequencies_[i] = EqualTemperedFrequency(i);
  if (global_.registerClient) {
    global_.registerClient();
    registered_ = true;
  }
}

TuningClient::~TuningClient() {
  if (registered_ && global_.deregisterClient) global_.deregisterClient();
}

bool TuningClient::HasMaster() const { return global_.IsOnline(); }

double TuningClient::NoteFrequency(int note) const {
  const int n = note & 127;
  if (global_.IsOnline()) {
    // A master's table is outside data: a value that is not a usable frequency falls back to
    // equal temperament rather than steering the pitch search astray.
    const double f = global_.tuningTable[n];
    if (std::isfinite(f) && f > 0.0) return f;
  }
  return localFrequencies_[n];
}

bool TuningClient::ShouldFilterNote(int note) const {
  if (!global_.IsOnline() || !global_.shouldFilterNote) return false;
  return global_.shouldFilterNote(static_cast<char>(note & 127), static_cast<signed char>(-1));
}

std::string TuningClient::TuningLabel() const {
  if (!global_.IsOnline()) return {};
  const char* name = global_.getScaleName ? global_.getScaleName() : nullptr;
  if (name == nullptr) name = scaleName_;
  char label[255];
  // The precision bounds how far we read a name the library might not terminate.
  std::snprintf(label, sizeof label, "Micro Tuning: %.*s", static_cast<int>(sizeof label - 15), name);
  return label;
}

}  // namespace pellory::engine
