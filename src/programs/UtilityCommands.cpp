// The utility menu and its commands: program and SysEx files, factory banks, default folders,
// options, configuration and the online functions.
#include <cstdio>
#include <exception>

#include "core/Pellory.h"
#include "platform/Files.h"

namespace pellory {

namespace {

using Dialogs = ProgramDialogs;

constexpr const char* kExtension = "syx";
// Larger files are no program data; refusing them keeps a stray pick from filling memory.
constexpr std::size_t kMaxSysExFileSize = 16 * 1024 * 1024;

std::string Format(const char* format, int a) {
  char text[256];
  std::snprintf(text, sizeof(text), format, a);
  return text;
}

std::string Format(const char* format, int a, int b) {
  char text[256];
  std::snprintf(text, sizeof(text), format, a, b);
  return text;
}

bool IsSeparator(char c) { return c == platform::PathSeparator() || c == '/'; }

// The folder part of a chosen path.
std::string FolderOf(const std::string& path) {
  std::size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  if (end == 0) return std::string();
  // Keep the root's separator ("/" or "C:\"); drop it otherwise.
  if (end == 1 || (end == 3 && path[1] == ':')) return path.substr(0, end);
  return path.substr(0, end - 1);
}

MenuItem Item(const char* text, int command, bool checked = false) {
  MenuItem item;
  item.text = text;
  item.command = command;
  item.checked = checked;
  return item;
}

MenuItem Separator(int command) {
  MenuItem item;
  item.command = command;
  item.separator = true;
  return item;
}

// Reads every message and tells nothing: a dry run that tells whether a stream is whole.
class NoReceiver : public SysExReceiver {
 public:
  void OnSplitMessage(int, int) override {}
  void OnKeyboardModeMessage(int) override {}
  void OnProgramSelectMessage(int, int) override {}
  void OnProgramData(int, const uint8_t*, int, bool) override {}
};

}  // namespace

// Menus.

Menu Pellory::BuildDisplayMenu(int display) const {
  Menu menu;
  const bool single = keyboardMode_ == kSingle;
  const bool combi = IsCombiNumber(currentProgram_);
  if (display == 0) {
    menu.push_back(Item("Load Lower PRG", 2));
    if (HasUncommittedChanges(lowerProgram_)) {
      menu.push_back(Item("Save Unmodified Lower PRG", 10));
      menu.push_back(Item("Save Modified Lower PRG", 11));
    } else {
      menu.push_back(Item("Save Lower PRG", 10));
    }
  } else if (display == 1 && !single) {
    menu.push_back(Item("Load Upper PRG", 3));
    menu.push_back(Item("Save Upper PRG", 12));
  } else if (display == 2 && combi) {
    menu.push_back(Item("Load Combi PRG", 4));
    if (HasUncommittedChanges(currentProgram_)) {
      menu.push_back(Item("Save Unmodified Combi PRG", 13));
      menu.push_back(Item("Save Modified Combi PRG", 14));
    } else {
      menu.push_back(Item("Save Combi PRG", 13));
    }
  }
  return menu;
}

Menu Pellory::BuildUtilityMenu() const {
  const bool single = keyboardMode_ == kSingle;
  const bool combi = IsCombiNumber(currentProgram_);
  Menu menu;
  menu.push_back(Item("Init PRG", 0));
  menu.push_back(Separator(1));
  menu.push_back(Item("Load Lower PRG", 2));
  if (!single) menu.push_back(Item("Load Upper PRG", 3));
  if (combi) menu.push_back(Item("Load Combi PRG", 4));
  menu.push_back(Item("Load SysEx File", 5));
  menu.push_back(Item("Load Tape Dump", 6));
  menu.push_back(Item("Restore Factory Bank 1", 7));
  menu.push_back(Item("Restore Factory Bank 2", 8));
  menu.push_back(Separator(9));
  for (const MenuItem& item : BuildDisplayMenu(0))
    if (item.command != 2) menu.push_back(item);
  if (!single) menu.push_back(Item("Save Upper PRG", 12));
  for (const MenuItem& item : BuildDisplayMenu(2))
    if (item.command != 4) menu.push_back(item);
  menu.push_back(Item("Save All PRGs As Single File", 15));
  menu.push_back(Separator(16));
  menu.push_back(Item("Default Path for PRG Files...", 19));
  menu.push_back(Item("Default Path for SysEx Files...", 20));
  menu.push_back(Item("Start In Edit Mode", 17, startInEditMode));
  menu.push_back(Item("Don't Ask To Commit", 18, dontAskToCommit));
  MenuItem midi = Item("Global MIDI Settings...", 21);
  midi.submenu.push_back(Item("MIDI Thru", 26, midiThru));
  midi.submenu.push_back(Item("Ignore Program Change", 27, ignoreProgramChange));
  menu.push_back(midi);
  menu.push_back(Item("Reload Configuration", 22));
  menu.push_back(Item("Save Configuration", 23));
  menu.push_back(Separator(24));
  MenuItem online = Item("Go Online...", 25);
  online.submenu.push_back(Item("Check Online for Update", 28));
  online.submenu.push_back(Item("Visit velloranmusic.com", 29));
  menu.push_back(online);
  return menu;
}

// Commands.

void Pellory::RunUtilityCommand(int command) {
  try {
    switch (command) {
      case 0:
        if (dialogs_->ShowMessageBox("Do you really want to initialize the current PRG?", "Initialize PRG",
                                     Dialogs::kMbYesNo) != Dialogs::kResultNo)
          InitializePrg();
        break;
      case 2:
      case 3:
      case 4:
        LoadProgramFileCommand(command);
        break;
      case 5:
        LoadSysExFileCommand();
        break;
      case 6:
        if (dialogs_->IsEditorOpen()) dialogs_->ShowTapeDialog();
        break;
      case 7:
      case 8:
        if (dialogs_->ShowMessageBox(Format("Do you really want to restore the factory bank %i?", command - 6),
                                     "Restore Factory Sounds", Dialogs::kMbYesNo) != Dialogs::kResultNo) {
          platform::LockGuard guard(lock_);
          if (LoadFactoryBank(command)) CommitOrRevert(false);
        }
        break;
      case 10:
      case 11:
      case 12:
      case 13:
      case 14:
        SaveProgramFileCommand(command);
        break;
      case 15:
        SaveAllProgramsCommand();
        break;
      case 17:
        startInEditMode = !startInEditMode;
        WriteEditorOption("Start In Edit Mode", startInEditMode);
        break;
      case 18:
        dontAskToCommit = !dontAskToCommit;
        WriteEditorOption("Don't Ask To Commit", dontAskToCommit);
        break;
      case 19:
      case 20:
        ChooseDefaultFolderCommand(command);
        break;
      case 22: {
        const std::string text =
            "The INI configuration file is:\n" + IniPath() + "\n\nDo you really want to reload it?";
        if (dialogs_->ShowMessageBox(text, "Reload Configuration", Dialogs::kMbYesNo) == Dialogs::kResultYes &&
            ReadConfiguration() == ConfigStatus::kFileNotFound)
          dialogs_->ShowMessageBox("The INI file does not exist.", "Problem with INI File", Dialogs::kMbOk);
        break;
      }
      case 23: {
        const std::string text =
            "The INI configuration file is:\n" + IniPath() + "\n\nDo you really want to overwrite it?";
        if (dialogs_->ShowMessageBox(text, "Save Configuration", Dialogs::kMbYesNo) == Dialogs::kResultYes)
          WriteMidiConfiguration(MidiConfigItem::kAll);
        break;
      }
      case 26:
        midiThru = !midiThru;
        WriteMidiConfiguration(MidiConfigItem::kMidiThru);
        break;
      case 27:
        ignoreProgramChange = !ignoreProgramChange;
        WriteMidiConfiguration(MidiConfigItem::kIgnoreProgramChange);
        break;
      case 28:
        CheckForUpdate();
        break;
      case 29:
        dialogs_->OpenWebPage(kMakerWebAddress);
        break;
      default:
        break;  // separators and submenu entries
    }
  } catch (const std::exception&) {
    // Nothing may escape into the host; an out-of-memory while building texts ends the command.
  }
  editorRefreshPending_ = true;
}

int Pellory::CheckForUpdate() { return pellory::CheckForUpdate(*dialogs_, updateServer_); }

bool Pellory::LoadSysExFile(const std::string& path, int target) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, bytes) || bytes.empty() || bytes.size() > kMaxSysExFileSize) return false;
  // A file that would fail part-way must not leave half of it in memory.
  {
    ByteReader dryRun(bytes.data(), bytes.size());
    NoReceiver none;
    if (!ParseSysExStream(dryRun, target, none)) return false;
  }
  platform::LockGuard guard(lock_);
  if (!LoadSysEx(bytes.data(), bytes.size(), target)) return false;
  // A program loaded into the lower or upper layer of the current Combi is heard at once, as
  // it is when it is the current program itself.
  if (target > 0 && target != currentProgram_ && IsPrgNumber(target)) {
    if (target == lowerProgram_) {
      LoadLowerProgramIntoParameters();
      LoadStoredPrgIntoLayer(target, engine::kLower);
    }
    if (target == upperProgram_ && keyboardMode_ != kSingle) LoadStoredPrgIntoLayer(target, engine::kUpper);
  }
  editorRefreshPending_ = true;
  return true;
}

void Pellory::LoadProgramFileCommand(int command) {
  // The menus offer these only when there is such a program to load into.
  if (command == 3 && keyboardMode_ == kSingle) return;
  if (command == 4 && !IsCombiNumber(currentProgram_)) return;
  const std::string path = dialogs_->ChooseFile("", Dialogs::kFileOpen, ProgramPath(), kExtension);
  if (path.empty()) return;
  const int h = ProbeProgramFile(path);
  int n = 0;
  if (command == 4) {
    if (!IsCombiNumber(h)) {
      dialogs_->ShowMessageBox(IsPrgNumber(h) ? "This file seems to contain data for a normal PRG."
                                              : "File does not contain valid Combi PRG data.",
                               "Error", Dialogs::kMbOk);
      return;
    }
    n = currentProgram_;
    if (dialogs_->ShowMessageBox(Format("Do you want to load the PRG data into Combi PRG number %i?", n),
                                 "Load Combi PRG", Dialogs::kMbYesNo) == Dialogs::kResultNo)
      return;
  } else {
    if (!IsPrgNumber(h)) {
      dialogs_->ShowMessageBox(IsCombiNumber(h) ? "This file seems to contain data for a Combi PRG."
                                                : "File does not contain valid PRG data.",
                               "Error", Dialogs::kMbOk);
      return;
    }
    n = command == 2 ? lowerProgram_ : upperProgram_;
    if (dialogs_->ShowMessageBox(Format("Do you want to load the PRG data into PRG number %i?", n), "Load PRG",
                                 Dialogs::kMbYesNo) == Dialogs::kResultNo)
      return;
  }
  if (!LoadSysExFile(path, n)) {
    dialogs_->ShowMessageBox("Cannot load file!", "Error", Dialogs::kMbOk);
    return;
  }
  WriteProgramPath(FolderOf(path));
}

void Pellory::LoadSysExFileCommand() {
  const std::string path = dialogs_->ChooseFile("", Dialogs::kFileOpen, SysExPath(), kExtension);
  if (path.empty()) return;
  const int h = ProbeProgramFile(path);
  const int current = currentProgram_;
  const bool combiCurrent = IsCombiNumber(current);
  int target = h;
  // Yes: the first number, No: the second, anything else: nothing is loaded.
  auto choose = [this, &target](const std::string& text, const char* caption, int yes, int no) {
    const int answer = dialogs_->ShowMessageBox(text, caption, Dialogs::kMbYesNoCancel);
    if (answer == Dialogs::kResultYes) target = yes;
    else if (answer == Dialogs::kResultNo) target = no;
    else return false;
    return true;
  };
  if (h > kLastProgram) {
    dialogs_->ShowMessageBox("Cannot load file!", "Error", Dialogs::kMbOk);
    return;
  } else if (h == current) {
    if (dialogs_->ShowMessageBox("Do you want to load the PRG data?", "Load PRG", Dialogs::kMbYesNo) ==
        Dialogs::kResultNo)
      return;
  } else if (IsPrgNumber(h)) {
    const int named = combiCurrent ? lowerProgram_ : current;
    const std::string text =
        combiCurrent ? Format("Do you want to load the PRG data\ninto the current LOWER PRG %i (YES)\nor to LOWER "
                              "PRG number %i (NO)?",
                              named, h)
                     : Format("Do you want to load the PRG data\ninto the current PRG %i (YES)\nor to PRG number "
                              "%i (NO)?",
                              named, h);
    if (!choose(text, "Load Program Data", named, h)) return;
  } else if (IsCombiNumber(h)) {
    if (!combiCurrent) {
      if (dialogs_->ShowMessageBox(Format("Do you want to load the Combi PRG data into Combi PRG number %i?", h),
                                   "Load Combi Program Data", Dialogs::kMbYesNo) == Dialogs::kResultNo)
        return;
    } else if (!choose(Format("Do you want to load the Combi PRG data\ninto the current Combi PRG %i (YES)\nor to "
                              "Combi PRG number %i (NO)?",
                              current, h),
                       "Load Combi Program Data", current, h)) {
      return;
    }
  } else {
    if (dialogs_->ShowMessageBox("Do you want to load the SysEx data?", "Load SysEx Data", Dialogs::kMbYesNo) ==
        Dialogs::kResultNo)
      return;
    target = -1;
  }
  if (!LoadSysExFile(path, target)) {
    dialogs_->ShowMessageBox("Cannot load file!", "Error", Dialogs::kMbOk);
    return;
  }
  WriteSysExPath(FolderOf(path));
}

bool Pellory::SaveFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (path.empty() || bytes.empty()) return false;
  // Written beside the target and renamed over it: a failed save leaves the old file whole.
  const std::string temporary = path + ".pellory-save";
  FileWriter writer(temporary);
  writer.Write(bytes.data(), bytes.size());
  const bool written = writer.Close();
  if (!written || !platform::ReplaceFile(temporary, path)) {
    platform::RemoveFile(temporary);
    return false;
  }
  return true;
}

void Pellory::SaveProgramFileCommand(int command) {
  const bool combi = IsCombiNumber(currentProgram_);
  if ((command == 13 || command == 14) && !combi) return;
  const std::string path = dialogs_->ChooseFile(Format("Pellory PRG %i", currentProgram_), Dialogs::kFileSave,
                                                ProgramPath(), kExtension);
  if (path.empty()) return;
  MemoryWriter message;
  {
    platform::LockGuard guard(lock_);
    uint8_t record[kPrgRecordSize] = {};
    switch (command) {
      case 10:
        WriteProgramMessage(message, lowerProgram_, programs_.Record(lowerProgram_));
        break;
      case 11:
        if (IsPrgNumber(lowerProgram_) && EncodeRecord(kPrgRecordSize, record))
          WriteProgramMessage(message, lowerProgram_, record);
        break;
      case 12:
        WriteProgramMessage(message, upperProgram_, programs_.Record(upperProgram_));
        break;
      case 13:
        WriteProgramMessage(message, currentProgram_, programs_.Record(currentProgram_));
        break;
      case 14:
        if (EncodeRecord(kCombiRecordSize, record)) WriteProgramMessage(message, currentProgram_, record);
        break;
      default:
        break;
    }
  }
  if (!SaveFile(path, message.bytes)) {
    dialogs_->ShowMessageBox("Cannot save file!", "Error", Dialogs::kMbOk);
    return;
  }
  WriteProgramPath(FolderOf(path));
}

void Pellory::SaveAllProgramsCommand() {
  const std::string path = dialogs_->ChooseFile("Pellory", Dialogs::kFileSave, ProgramPath(), kExtension);
  if (path.empty()) return;
  MemoryWriter all;
  {
    platform::LockGuard guard(lock_);
    WriteAllPrograms(all, programs_);
  }
  if (!SaveFile(path, all.bytes)) {
    dialogs_->ShowMessageBox("Cannot save file!", "Error", Dialogs::kMbOk);
    return;
  }
  WriteProgramPath(FolderOf(path));
}

void Pellory::ChooseDefaultFolderCommand(int command) {
  const bool prg = command == 19;
  const std::string path =
      dialogs_->ChooseFile("[file name is ignored]", Dialogs::kFileSave, prg ? ProgramPath() : SysExPath(), " ");
  if (path.empty()) return;
  const std::string folder = FolderOf(path);
  if (prg)
    WriteProgramPath(folder);
  else
    WriteSysExPath(folder);
}

}  // namespace pellory
