#pragma once
// Microtuning client: binds the LIBMTS library at run time and answers, per instance, whether a
// tuning master retunes or filters notes. Every entry point is optional; without the library
// (or without a connected master) the engine plays plain equal temperament.
#include <array>
#include <string>

#include "platform/DynamicLibrary.h"

namespace pellory::engine {

// The process-wide binding: the library handle, its nine entry points and the tables fetched
// from it once when it is loaded.
class MtsClientGlobal {
 public:
  using VoidFn = void (*)();
  using BoolFn = bool (*)();
  using FilterNoteFn = bool (*)(char note, signed char channel);
  using TuningTableFn = const double* (*)();
  using ChannelTuningTableFn = const double* (*)(signed char channel);
  using UseChannelFn = bool (*)(signed char channel);
  using ScaleNameFn = const char* (*)();

  static constexpr int kChannels = 16;

  // Loads the library at `libraryPath`; a path that does not load leaves everything unresolved.
  explicit MtsClientGlobal(const std::string& libraryPath);
  virtual ~MtsClientGlobal();
  MtsClientGlobal(const MtsClientGlobal&) = delete;
  MtsClientGlobal& operator=(const MtsClientGlobal&) = delete;

  // The process's binding to the platform's library, loaded on first use (thread-safe) and
  // released at process end.
  static MtsClientGlobal& Instance();
  // Windows: the system folder's "LIBMTS.dll"; elsewhere "/usr/local/lib/libMTS.so".
  static std::string DefaultLibraryPath();

  // True while a master is connected: a tuning table exists and "MTS_HasMaster" says so.
  virtual bool IsOnline() const;
  bool IsLoaded() const { return library_.IsOpen(); }

  // Entry points, null when the library or the name is missing.
  VoidFn registerClient = nullptr;
  VoidFn deregisterClient = nullptr;
  BoolFn hasMaster = nullptr;
  FilterNoteFn shouldFilterNote = nullptr;
  FilterNoteFn shouldFilterNoteMultiChannel = nullptr;
  TuningTableFn getTuningTable = nullptr;
  ChannelTuningTableFn getMultiChannelTuningTable = nullptr;
  UseChannelFn useMultiChannelTuning = nullptr;
  ScaleNameFn getScaleName = nullptr;

  std::array<double, 128> inverseFrequencies{};  // 1 / equal-tempered frequency of each note
  const double* tuningTable = nullptr;           // the master's 128 frequencies in Hz
  std::array<const double*, kChannels> channelTuningTables{};

 private:
  platform::DynamicLibrary library_;
};

// One per plug-in instance: registers with the library for its lifetime.
class TuningClient {
 public:
  TuningClient();  // bound to MtsClientGlobal::Instance()
  explicit TuningClient(const MtsClientGlobal& global);
  ~TuningClient();
  TuningClient(const TuningClient&) = delete;
  TuningClient& operator=(const TuningClient&) = delete;

  // A master is connected and its tuning table is available. Asked again at every call.
  bool HasMaster() const;
  // Frequency in Hz of note (n & 127): the master's when connected (and sane), else 12-TET.
  double NoteFrequency(int note) const;
  // True when the master asks to drop this note-on.
  bool ShouldFilterNote(int note) const;
  // "Micro Tuning: <scale>" while a master is connected, empty otherwise (at most 254 chars).
  std::string TuningLabel() const;

 private:
  const MtsClientGlobal& global_;
  std::array<double, 128> localFrequencies_{};
  char scaleName_[256] = "12-TET";
  bool registered_ = false;
};

}  // namespace pellory::engine
