// Program memory behind the parameters: selection, record application, commit and revert,
// edit backup and compare, SysEx intake, factory banks and the host's state image.
#include <cstring>
#include <vector>

#include "core/Pellory.h"
#include "platform/Resources.h"
#include "programs/SysEx.h"

namespace pellory {

namespace {

constexpr int kPrgImageBytes = kNumPrgs * kPrgRecordSize;        // 2775
constexpr int kCombiImageBytes = kNumCombis * kCombiRecordSize;  // 168

double Normalized(int id, int v) {
  const ProgramParameterInfo& info = GetProgramParameterInfo(id);
  return static_cast<double>(v - info.minimum) / (info.maximum - info.minimum);
}

}  // namespace

void Pellory::SetProgramDialogs(ProgramDialogs* dialogs) { dialogs_ = dialogs ? dialogs : &defaultDialogs_; }

PrgValues Pellory::ParameterProgramValues() const {
  PrgValues values{};
  for (int id = 0; id < kNumProgramValues; ++id) values[id] = static_cast<int>(GetParameter(id)->Value());
  return values;
}

void Pellory::ApplyRecord(const uint8_t* record, int size) {
  if (!record) return;
  if (size == kPrgRecordSize) {
    const PrgValues values = DecodePrgRecord(record);
    for (int id = 0; id < kNumProgramValues; ++id) SetParameterAndNotify(id, values[id]);
  } else if (size == kCombiRecordSize) {
    const CombiValues c = DecodeCombiRecord(record);
    SetParameterAndNotify(kLowerProgram, c.lowerProgram);
    SetParameterAndNotify(kUpperProgram, c.upperProgram);
    SetParameterAndNotify(kKeyboardMode, c.keyboardMode);
    SetParameterAndNotify(kSplitPoint, c.splitPoint);
    SetParameterAndNotify(kUpperTranspose, c.upperTranspose);
    SetParameterAndNotify(kLowerLevel, c.lowerLevel);
    SetParameterAndNotify(kUpperLevel, c.upperLevel);
    // The upper program is ignored while the mode is still Single: set it again now that the
    // Combi's mode is in force, or the upper layer would keep playing the previous program.
    if (keyboardMode_ != kSingle) SetParameterAndNotify(kUpperProgram, c.upperProgram);
  } else {
    return;
  }
  editorRefreshPending_ = true;
}

int Pellory::EncodeRecord(int size, uint8_t* out) const {
  if (!out) return 0;
  if (size == kPrgRecordSize) {
    double values[kNumProgramValues];
    for (int id = 0; id < kNumProgramValues; ++id) values[id] = GetParameter(id)->Value();
    const PrgRecord r = EncodePrgRecord(values);
    std::memcpy(out, r.data(), r.size());
    return size;
  }
  if (size == kCombiRecordSize) {
    auto value = [this](int id) { return static_cast<int>(GetParameter(id)->Value()); };
    CombiValues c;
    c.lowerProgram = value(kLowerProgram);
    c.upperProgram = value(kUpperProgram);
    c.keyboardMode = value(kKeyboardMode);
    c.splitPoint = value(kSplitPoint);
    c.upperTranspose = value(kUpperTranspose);
    c.lowerLevel = value(kLowerLevel);
    c.upperLevel = value(kUpperLevel);
    const CombiRecord r = EncodeCombiRecord(c);
    std::memcpy(out, r.data(), r.size());
    return size;
  }
  return 0;
}

void Pellory::LoadLowerProgramIntoParameters() {
  const uint8_t* record = programs_.Record(lowerProgram_);
  if (!IsPrgNumber(lowerProgram_) || !record) return;
  ApplyRecord(record, kPrgRecordSize);
  editorRefreshPending_ = true;
}

void Pellory::SelectProgram(int number, bool forced) {
  if (number < 1 || number > kLastProgram) return;
  if (number == currentProgram_ && !forced) return;
  currentProgram_ = number;
  if (restoringState_) return;
  if (IsPrgNumber(number)) {
    if (number != lowerProgram_) {
      SetParameterAndNotify(kKeyboardMode, kSingle);
      SetParameterAndNotify(kLowerProgram, number);
    }
  } else {
    ApplyRecord(programs_.Record(number), kCombiRecordSize);
    LoadLowerProgramIntoParameters();
  }
  if (panelParameterNumber_ != 0) {
    const bool combiPanel = keyboardMode_ != kSingle && panelEntryMode_ != kPanelParameterEntry && IsCombiNumber(number);
    panelParameterNumber_ = combiPanel ? 64 : 0;
  }
}

void Pellory::SetLowerProgram(int number) {
  if (number == lowerProgram_) return;
  if (IsCombiNumber(number)) {
    SetParameterAndNotify(kProgramNumber, number);
    return;
  }
  if (!IsPrgNumber(number)) return;
  lowerProgram_ = number;
  if (!restoringState_) {
    if (!IsCombiNumber(currentProgram_)) SetParameterAndNotify(kProgramNumber, number);
    if (!editBackupMode_) {
      if (keyboardMode_ == kSingle) SetParameterAndNotify(kUpperProgram, number);
      LoadLowerProgramIntoParameters();
    }
  }
  LoadStoredPrgIntoLayer(lowerProgram_, engine::kLower);
  if (keyboardMode_ == kSingle) LoadStoredPrgIntoLayer(lowerProgram_, engine::kUpper);
}

void Pellory::LoadStoredPrgIntoLayer(int number, engine::Layer layer) {
  if (!IsPrgNumber(number)) return;
  const PrgValues values = DecodePrgRecord(programs_.Record(number));
  WriteLayerLfos(layer, values);
  WriteLayerVoices(layer, values);
}

void Pellory::ReapplyParameters() {
  const PrgValues values = ParameterProgramValues();
  WriteLayerLfos(engine::kLower, values);
  WriteLayerLfos(engine::kUpper, values);
  WriteLayerVoices(engine::kLower, values);
  if (keyboardMode_ == kSingle) WriteLayerVoices(engine::kUpper, values);
}

void Pellory::WriteLayerVoices(engine::Layer layer, const PrgValues& values) {
  for (int id = 10; id <= 43; ++id) {
    const double n = Normalized(id, values[id]);
    // Resonance travels normalised, as the parameter handler sends it.
    engine_.SetVoiceParam(layer, id, id == kVcfResonance ? n : values[id], n);
  }
}

bool Pellory::HasUncommittedChanges(int number) const {
  const uint8_t* record = programs_.Record(number);
  if (!record) return false;
  auto value = [this](int id) { return static_cast<int>(GetParameter(id)->Value()); };
  if (IsPrgNumber(number)) {
    const PrgValues stored = DecodePrgRecord(record);
    for (int id = 0; id < kNumProgramValues; ++id)
      if (value(id) != stored[id]) return true;
    return false;
  }
  const CombiValues c = DecodeCombiRecord(record);
  return value(kLowerProgram) != c.lowerProgram || value(kUpperProgram) != c.upperProgram ||
         value(kKeyboardMode) != c.keyboardMode || value(kSplitPoint) != c.splitPoint ||
         value(kUpperTranspose) != c.upperTranspose || value(kLowerLevel) != c.lowerLevel ||
         value(kUpperLevel) != c.upperLevel;
}

void Pellory::CommitOrRevert(bool commit) {
  const int n = currentProgram_;
  const int size = RecordSizeOf(n);
  uint8_t* record = programs_.Record(n);
  if (size == 0 || !record) return;
  if (commit) {
    EncodeRecord(size, record);
  } else {
    // A copy: applying the record runs handlers that may store into program memory.
    uint8_t copy[kPrgRecordSize];
    std::memcpy(copy, record, static_cast<std::size_t>(size));
    ApplyRecord(copy, size);
  }
}

bool Pellory::ResolveUncommittedChanges(int number) {
  if (number <= 0 || dontAskToCommit || editBackupMode_ || !HasUncommittedChanges(number)) return true;
  const int answer = dialogs_->AskCommit(number);
  if (answer == ProgramDialogs::kAnswerCancel) return false;
  if (answer != ProgramDialogs::kNotAsked) CommitOrRevert(answer == ProgramDialogs::kAnswerYes);
  return true;
}

void Pellory::InitializePrg() {
  {
    platform::LockGuard guard(lock_);
    for (int id = 0; id <= kUpperLevel; ++id) {
      IParameter* p = GetParameter(id);
      SetParameterFromEditor(id, p->GetNormalized(p->GetDefault()));
    }
  }
  ModifyCurrentPreset("Pellory");
  RefreshEditorParameters();
  AnnounceAllParameters();
}

void Pellory::SetEditBackupMode(bool on) {
  if (on) {
    EncodeRecord(kPrgRecordSize, programs_.prgBackup.data());
    EncodeRecord(kCombiRecordSize, programs_.combiBackup.data());
    panelEntryMode_ = kPanelNoEntry;
    panelParameterNumber_ = IsCombiNumber(currentProgram_) ? 64 : 0;
  } else if (editBackupMode_) {
    const int n = currentProgram_;
    if (IsPrgNumber(n)) programs_.Store(n, programs_.prgBackup.data(), kPrgRecordSize);
    if (IsCombiNumber(n)) programs_.Store(n, programs_.combiBackup.data(), kCombiRecordSize);
    SelectProgram(n, true);
    if (IsCombiNumber(n)) ApplyRecord(programs_.Record(n), kCombiRecordSize);
    if (const uint8_t* lower = programs_.Record(lowerProgram_); lower && IsPrgNumber(lowerProgram_)) {
      const PrgValues values = DecodePrgRecord(lower);
      for (int id = 0; id < kNumProgramValues; ++id) SetParameterAndNotify(id, values[id]);
    }
    editorRefreshPending_ = true;
  }
  editBackupMode_ = on;
}

void Pellory::SetCompareMode(bool on) {
  editBackupMode_ = false;
  if (keyboardMode_ != kSingle) return;
  compareMode_ = on;
  if (on) {
    LoadStoredPrgIntoLayer(lowerProgram_, engine::kLower);
    LoadStoredPrgIntoLayer(lowerProgram_, engine::kUpper);
  } else {
    ReapplyParameters();
  }
}

// SysEx intake.

void Pellory::HandleSysEx(const ISysExMessage& message) {
  if (!message.data || message.size <= 0) return;
  ByteReader reader(message.data, static_cast<std::size_t>(message.size));
  ParseSysExStream(reader, -1, *this);
}

bool Pellory::LoadSysEx(const uint8_t* data, std::size_t size, int target) {
  ByteReader reader(data, size);
  return ParseSysExStream(reader, target, *this);
}

void Pellory::OnSplitMessage(int splitPoint, int upperTranspose) {
  SetParameterAndNotify(kKeyboardMode, kSplit);
  SetParameterAndNotify(kSplitPoint, splitPoint);
  SetParameterAndNotify(kUpperTranspose, upperTranspose);
  panelParameterNumber_ = 0;
}

void Pellory::OnKeyboardModeMessage(int kind) {
  if (kind == 1 && keyboardMode_ == kSplit) SetParameterAndNotify(kKeyboardMode, kSingle);
  if (kind == 2) SetParameterAndNotify(kKeyboardMode, kDouble);
  if (kind == 3 && keyboardMode_ == kDouble) SetParameterAndNotify(kKeyboardMode, kSingle);
}

void Pellory::OnProgramSelectMessage(int kind, int program) {
  if (kind == 5) SetParameterAndNotify(kLowerProgram, program);
  if (kind == 6 && keyboardMode_ != kSingle) SetParameterAndNotify(kUpperProgram, program);
}

void Pellory::OnProgramData(int number, const uint8_t* record, int size, bool targeted) {
  if (!programs_.Store(number, record, size)) return;
  if (targeted && number == currentProgram_) {
    ApplyRecord(record, size);
    panelParameterNumber_ = 0;
  }
}

bool Pellory::LoadFactoryBank(int command) {
  factoryBank_ = command == 8 ? 1 : 0;
  RebuildBrowser();
  platform::ResourceData resource;
  if (!platform::FindResourceData("FACTORYBANK", factoryBank_ == 1 ? "BANK_2" : "BANK_1", resource)) return false;
  // Handed over as one received SysEx buffer, from a copy as a host would give it.
  std::vector<uint8_t> buffer(resource.data, resource.data + resource.size);
  ISysExMessage message;
  message.size = static_cast<int32_t>(buffer.size());
  message.data = buffer.data();
  HandleSysEx(message);
  return true;
}

// The instance state image: program memory, then the 77 parameter values.

bool Pellory::SerializeState(StateChunk& chunk) {
  bool ok = true;
  for (const PrgRecord& r : programs_.prgs) ok = chunk.PutBytes(r.data(), kPrgRecordSize) && ok;
  for (const CombiRecord& r : programs_.combis) ok = chunk.PutBytes(r.data(), kCombiRecordSize) && ok;
  return SerializeParams(chunk) && ok;
}

int Pellory::UnserializeState(const StateChunk& chunk, int position) {
  // All or nothing: a chunk cut short or foreign must not leave a mix of old and new programs
  // and parameters behind.
  if (position < 0 || chunk.Size() - position < kStateImageSize) return -1;
  platform::LockGuard guard(lock_);
  restoringState_ = true;
  for (PrgRecord& r : programs_.prgs) position = chunk.GetBytes(r.data(), kPrgRecordSize, position);
  for (CombiRecord& r : programs_.combis) position = chunk.GetBytes(r.data(), kCombiRecordSize, position);
  position = UnserializeParams(chunk, position);
  restoringState_ = false;
  // The restored parameters are what sounds, edits included: the program selectors above only
  // recorded their numbers, and handlers ran while the old keyboard mode was still in force.
  ReapplyParameters();
  if (keyboardMode_ != kSingle) LoadStoredPrgIntoLayer(upperProgram_, engine::kUpper);
  editorRefreshPending_ = true;
  return position;
}

}  // namespace pellory
