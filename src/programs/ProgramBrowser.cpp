// The program browser: the factory banks or a folder of program files, shown 60 entries at a
// time; a click auditions an entry in the edit buffer without touching program memory.
#include <algorithm>
#include <cstring>

#include "core/Pellory.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "programs/FactoryBankNames.h"

namespace pellory {

namespace {

std::string WithoutExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

void Pellory::SetBrowserSource(int source) {
  if (source < kBrowserBank1 || source > kBrowserFolder) return;
  factoryBank_ = source;
  RebuildBrowser();
}

void Pellory::SetBrowserFolder(const std::string& folder) {
  browserFolder_ = folder;
  if (factoryBank_ == kBrowserFolder) RebuildBrowser();
}

void Pellory::RebuildBrowser() {
  browserFirst_ = 0;
  browserFiles_.clear();
  editorRefreshPending_ = true;
  if (factoryBank_ != kBrowserFolder) return;
  if (browserFolder_.empty()) browserFolder_ = ProgramPath();
  std::vector<std::string> names = platform::ListFiles(browserFolder_);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const int number = ProbeProgramFile(platform::JoinPath(browserFolder_, name));
    if (number < 1 || number > kLastProgram) continue;
    BrowserEntry entry;
    entry.number = number;
    entry.name = WithoutExtension(name);
    entry.fileName = name;
    browserFiles_.push_back(std::move(entry));
  }
}

int Pellory::BrowserSize() const {
  return factoryBank_ == kBrowserFolder ? static_cast<int>(browserFiles_.size()) : kLastProgram;
}

std::vector<Pellory::BrowserEntry> Pellory::BrowserPage() const {
  std::vector<BrowserEntry> page(kBrowserPageSize);
  for (int k = 0; k < kBrowserPageSize; ++k) {
    const int index = browserFirst_ + k;
    if (index >= BrowserSize()) break;
    if (factoryBank_ == kBrowserFolder) {
      page[static_cast<std::size_t>(k)] = browserFiles_[static_cast<std::size_t>(index)];
    } else {
      page[static_cast<std::size_t>(k)].number = index + 1;
      page[static_cast<std::size_t>(k)].name = FactoryProgramName(factoryBank_ + 1, index + 1);
    }
  }
  return page;
}

void Pellory::ScrollBrowser(int direction) {
  if (direction > 0) {
    browserFirst_ += kBrowserPageSize;
    if (browserFirst_ >= BrowserSize()) browserFirst_ -= kBrowserPageSize;
  } else if (direction < 0) {
    browserFirst_ -= kBrowserPageSize;
  }
  if (browserFirst_ < 0) browserFirst_ = 0;
  browserSelection_ = -2;
  editorRefreshPending_ = true;
}

bool Pellory::ClickBrowserEntry(int k) {
  if (k < 0 || k >= kBrowserPageSize) return false;
  const BrowserEntry entry = BrowserPage()[static_cast<std::size_t>(k)];
  if (entry.number == 0) return false;
  if (!dontAskToCommit && browserSelection_ < 0 && HasUncommittedChanges(currentProgram_)) {
    const int answer = dialogs_->AskCommit(currentProgram_);
    if (answer == ProgramDialogs::kAnswerCancel) return false;
    if (answer == ProgramDialogs::kAnswerYes || answer == ProgramDialogs::kAnswerNo) {
      platform::LockGuard guard(lock_);
      CommitOrRevert(answer == ProgramDialogs::kAnswerYes);
    }
  }
  return AuditionBrowserEntry(entry);
}

bool Pellory::AuditionBrowserEntry(const BrowserEntry& entry) {
  uint8_t record[kPrgRecordSize] = {};
  int number = 0;
  if (factoryBank_ == kBrowserFolder) {
    // The file may have changed or gone since the list was made: only what it holds now
    // counts, and only when it is still the program the list shows.
    number = ReadSingleProgramFile(platform::JoinPath(browserFolder_, entry.fileName), record);
  } else {
    platform::ResourceData bank;
    if (platform::FindResourceData("FACTORYBANK", factoryBank_ == kBrowserBank2 ? "BANK_2" : "BANK_1", bank)) {
      const std::size_t offset = static_cast<std::size_t>(AllProgramsOffset(entry.number));
      const std::size_t size = IsPrgNumber(entry.number) ? kPrgMessageSize : kCombiMessageSize;
      if (offset + size <= bank.size) {
        const std::vector<uint8_t> message(bank.data + offset, bank.data + offset + size);
        number = ReadSingleProgramBytes(message, record);
      }
    }
  }
  if (number != entry.number) return false;

  platform::LockGuard guard(lock_);
  browserSelection_ = number;
  if (IsPrgNumber(number)) {
    SetParameterAndNotify(kKeyboardMode, kSingle);
    SetParameterAndNotify(kLowerProgram, number);
    const PrgValues values = DecodePrgRecord(record);
    for (int id = 0; id < kNumProgramValues; ++id) SetParameterAndNotify(id, values[id]);
  } else {
    SetParameterAndNotify(kProgramNumber, number);
    ApplyRecord(record, kCombiRecordSize);
  }
  panelParameterNumber_ = 0;
  editorRefreshPending_ = true;
  return true;
}

}  // namespace pellory
