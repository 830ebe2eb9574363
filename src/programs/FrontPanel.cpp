// The front panel behind the editor's buttons and LED displays: panel commands, display
// digits, lamps, the keypad and the parameter-number selection.
#include "core/Pellory.h"
#include "programs/ParameterTable.h"

namespace pellory {

namespace {

constexpr int kBlank = 10;
constexpr int kBothBlank = kBlank << 4 | kBlank;  // 170

constexpr int kCodeMixerLink = 'O';
constexpr int kCodeEditBackup = 'V';
constexpr int kCodeCompare = 'W';
constexpr int kCodeView3 = 'X';
constexpr int kCodeBank1 = 'Y';
constexpr int kCodeFolder = '[';
constexpr int kCodeView2 = ']';
constexpr int kCodeSplit = '^';
constexpr int kCodeDouble = '_';
constexpr int kCodeParameterEntry = '`';
constexpr int kCodeProgramEntry = 'a';
constexpr int kCodeUpperEntry = 'b';
constexpr int kCodeStepDown = 'c';
constexpr int kCodeStepUp = 'd';
constexpr int kCodeDigit1 = 'e';
constexpr int kCodeDigit9 = 'm';
constexpr int kCodeDigit0 = 'n';

// Digit value of a keypad code; -1 for other codes.
int DigitOf(int code) {
  if (code == kCodeDigit0) return 0;
  if (code >= kCodeDigit1 && code <= kCodeDigit9) return code - kCodeDigit1 + 1;
  return -1;
}

int Digits(int tens, int units) { return (tens & 0x0F) << 4 | (units & 0x0F); }

// A number as two display digits, the tens blank when 0; a negative number blank.
int NumberDigits(int a) {
  if (a < 0) return kBothBlank;
  const int tens = (a / 10) % 10;
  return Digits(tens == 0 ? kBlank : tens, a % 10);
}

bool IsWaveform(int id) { return id == kLfo1Waveform || id == kLfo2Waveform; }
bool IsOctave(int id) { return id == kDco1Octave || id == kDco2Octave; }

}  // namespace

int Pellory::PanelValue(int number) const {
  if (number < 1 || number > kNumPanelNumbers) return -1;
  const int id = ParameterOfPanelNumber(number);
  const IParameter* p = GetParameter(id);
  if (!p) return -1;
  const int v = static_cast<int>(p->Value());
  const int first = PanelNumberOf(id, 0);
  if (IsWaveform(id)) return v - 1 + first == number ? 1 : 0;
  if (IsOctave(id)) return v + first == number ? 1 : 0;
  return v;
}

void Pellory::SetPanelParameterNumber(int number) {
  if (restoringState_ || number == panelParameterNumber_ || number > kNumPanelNumbers) return;
  if (number < 0) number = 0;
  const bool allowed = keyboardMode_ == kSingle ? number <= 63 : number >= 64;
  if (!allowed)
    number = panelEntryMode_ != kPanelParameterEntry && IsCombiNumber(currentProgram_) ? 64 : 0;
  panelParameterNumber_ = number;
  if (number > 0) selectedParameter_ = ParameterOfPanelNumber(number);
  editorRefreshPending_ = true;
}

void Pellory::SelectPanelParameter(int number) {
  platform::LockGuard guard(lock_);
  if (!editBackupMode_) panelEntryMode_ = kPanelParameterEntry;
  pendingDigit_ = -1;
  editorRefreshPending_ = true;
  SetPanelParameterNumber(number);
}

bool Pellory::AskPanelCommit(int code) {
  const bool step = code == kCodeStepDown || code == kCodeStepUp;
  if (!step && DigitOf(code) < 0) return true;
  const int c = step ? lowerProgram_ : currentProgram_;
  if (c <= 0 || dontAskToCommit || editBackupMode_ || panelEntryMode_ != kPanelProgramEntry || pendingDigit_ >= 0 ||
      !HasUncommittedChanges(c))
    return true;
  // The question is modal: the instance lock is not held while the user thinks.
  const int answer = dialogs_->AskCommit(c);
  if (answer == ProgramDialogs::kAnswerCancel) return false;
  if (answer == ProgramDialogs::kAnswerYes || answer == ProgramDialogs::kAnswerNo) {
    platform::LockGuard guard(lock_);
    CommitOrRevert(answer == ProgramDialogs::kAnswerYes);
  }
  return true;
}

void Pellory::PressPanelButton(int code) {
  if (AskPanelCommit(code)) PanelCommand(code);
}

void Pellory::PanelCommand(int code) {
  platform::LockGuard guard(lock_);
  const int digit = DigitOf(code);
  const bool firstDigit = digit >= 0 && pendingDigit_ < 0;
  if (code >= 0 && code < kNumParameters) {
    SetParameterAndNotify(code, 1.0 - GetParameter(code)->Value());
  } else if (digit >= 0) {
    DigitKey(digit);
  } else {
    switch (code) {
      case kCodeMixerLink:
        mixerLink_ = !mixerLink_;
        break;
      case kCodeEditBackup:
        SetEditBackupMode(!editBackupMode_);
        break;
      case kCodeCompare:
        SetCompareMode(!compareMode_);
        break;
      case kCodeView3:
        SetEditorView(3);
        break;
      case kCodeView2:
        SetEditorView(2);
        break;
      case kCodeBank1:
      case kCodeBank1 + 1:
      case kCodeFolder:
        SetBrowserSource(code - kCodeBank1);
        break;
      case kCodeSplit:
      case kCodeDouble:
        if (!editBackupMode_) {
          const int mode = code == kCodeSplit ? kSplit : kDouble;
          SetParameterAndNotify(kKeyboardMode, keyboardMode_ == mode ? kSingle : mode);
        }
        break;
      case kCodeParameterEntry:
        if (!editBackupMode_) {
          panelEntryMode_ = kPanelParameterEntry;
          panelParameterNumber_ = 0;
        }
        break;
      case kCodeUpperEntry:
        if (editBackupMode_ || keyboardMode_ == kSingle) break;
        [[fallthrough]];
      case kCodeProgramEntry:
        panelEntryMode_ = code == kCodeProgramEntry ? kPanelProgramEntry : kPanelUpperEntry;
        panelParameterNumber_ = IsCombiNumber(currentProgram_) ? 64 : 0;
        if (panelParameterNumber_) selectedParameter_ = ParameterOfPanelNumber(panelParameterNumber_);
        break;
      case kCodeStepDown:
      case kCodeStepUp:
        StepKey(code == kCodeStepUp ? 1 : -1);
        break;
      default:
        break;
    }
  }
  if (!firstDigit) pendingDigit_ = -1;
  editorRefreshPending_ = true;
}

void Pellory::StepKey(int direction) {
  switch (panelEntryMode_) {
    case kPanelParameterEntry: {
      const int a = panelParameterNumber_;
      if (a <= 0) break;
      const int id = ParameterOfPanelNumber(a);
      const int next = PanelValue(a) + direction;
      int value = next;
      // Above 0 the option of this very number; 0 and below the lowest option.
      if (next > 0 && IsWaveform(id)) value = a - PanelNumberOf(id, 0) + 1;
      if (next > 0 && IsOctave(id)) value = a - PanelNumberOf(id, 0);
      SetParameterAndNotify(id, value);
      panelParameterNumber_ = 0;  // set again below, whatever the parameter change chose
      SetPanelParameterNumber(a);
      break;
    }
    case kPanelProgramEntry: {
      const int n = lowerProgram_ + direction;
      if (IsPrgNumber(n)) SetParameterAndNotify(kLowerProgram, n);
      break;
    }
    case kPanelUpperEntry:
      SetParameterAndNotify(kUpperProgram, upperProgram_ + direction);
      break;
    default:
      break;
  }
}

void Pellory::DigitKey(int digit) {
  if (pendingDigit_ < 0) {
    pendingDigit_ = digit;
    return;
  }
  const int n = 10 * pendingDigit_ + digit;
  switch (panelEntryMode_) {
    case kPanelParameterEntry:
      SetPanelParameterNumber(n);
      break;
    case kPanelProgramEntry:
      if (n > kNumPrgs)
        SetParameterAndNotify(kProgramNumber, n > kLastProgram ? kLastProgram : n);
      else
        SetParameterAndNotify(kLowerProgram, n == 0 ? 1 : n);
      break;
    case kPanelUpperEntry:
      if (n <= kNumPrgs) SetParameterAndNotify(kUpperProgram, n);
      break;
    default:
      break;
  }
}

int Pellory::PanelDisplay(int code) const {
  auto value = [this](int id) { return static_cast<int>(GetParameter(id)->Value()); };
  const int pending = pendingDigit_ >= 0 ? Digits(pendingDigit_, kBlank) : -1;
  switch (code) {
    case 'P':
      if (panelParameterNumber_ <= 0 || (panelEntryMode_ != kPanelParameterEntry && keyboardMode_ != kSplit))
        return kBothBlank;
      return NumberDigits(PanelValue(panelParameterNumber_));
    case 'Q':
      if (panelEntryMode_ == kPanelParameterEntry) {
        if (pending >= 0) return pending;
        return NumberDigits(panelParameterNumber_ > 0 ? panelParameterNumber_ : -1);
      }
      return IsCombiNumber(currentProgram_) ? NumberDigits(value(kProgramNumber)) : kBothBlank;
    case 'R':
      if (panelEntryMode_ == kPanelProgramEntry && pending >= 0) return pending;
      return NumberDigits(value(kLowerProgram));
    case 'S':
      if (keyboardMode_ == kSingle) return kBothBlank;
      if (panelEntryMode_ == kPanelUpperEntry && pending >= 0) return pending;
      return NumberDigits(value(kUpperProgram));
    default:
      return kBothBlank;
  }
}

bool Pellory::PanelLamp(int code) const {
  if (code >= 0 && code < kNumParameters) return GetParameter(code)->Value() >= 0.5;
  switch (code) {
    case kCodeMixerLink: return mixerLink_;
    case kCodeEditBackup: return editBackupMode_;
    case kCodeCompare: return compareMode_;
    case kCodeView3: return panelMode_ == 3;
    case kCodeView2: return panelMode_ == 2;
    case kCodeBank1:
    case kCodeBank1 + 1:
    case kCodeFolder: return factoryBank_ == code - kCodeBank1;
    case kCodeSplit: return keyboardMode_ == kSplit;
    case kCodeDouble: return keyboardMode_ == kDouble;
    case kCodeParameterEntry: return panelEntryMode_ == kPanelParameterEntry;
    case kCodeProgramEntry: return panelEntryMode_ == kPanelProgramEntry;
    case kCodeUpperEntry: return panelEntryMode_ == kPanelUpperEntry;
    default: return false;
  }
}

}  // namespace pellory
