#pragma once
#include <string>

namespace pellory {

// The editor services that program handling, the panel, the utility commands and the update
// check use: questions and messages for the user, file dialogs, the web browser and the tape
// dialog. The editor surface installs its own implementation; without an editor the defaults
// act as if nobody was there: questions are not shown, no file is chosen, no page opens.
class ProgramDialogs {
 public:
  enum Answer { kAnswerYes = 0, kAnswerNo = 1, kAnswerCancel = 2, kNotAsked = 3 };

  // Message-box styles and answers, with the numbers of the Windows message box so that the
  // Windows editor can pass them straight through. A style is one button kind plus at most
  // one icon.
  enum MessageBoxStyle {
    kMbOk = 0,
    kMbYesNoCancel = 3,
    kMbYesNo = 4,
    kMbIconError = 16,
    kMbIconInformation = 64,
  };
  enum MessageBoxResult {
    kResultNotShown = 0,  // no editor, or the box could not be shown
    kResultOk = 1,
    kResultCancel = 2,
    kResultYes = 6,
    kResultNo = 7,
  };

  enum FileAction { kFileOpen = 0, kFileSave = 1 };

  virtual ~ProgramDialogs() = default;

  // "PRG %i has uncommitted changes!\nDo you want to commit the changes?" / "Uncommitted
  // Changes", Yes/No/Cancel. The default asks nobody and answers kNotAsked.
  virtual int AskCommit(int program) { return kNotAsked; }

  // Shows a modal message box and returns the button pressed (a MessageBoxResult). The
  // default shows nothing and answers kResultNotShown.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption, int style) {
    return kResultNotShown;
  }

  // Open or save dialog. fileName is the initial name, folder the initial folder (empty: the
  // desktop), extensions a space-separated list without dots ("syx"), the first being the
  // default. Returns the full chosen path, or an empty string when the dialog was cancelled
  // or cannot be shown (no editor window). The default chooses nothing.
  virtual std::string ChooseFile(const std::string& fileName, FileAction action,
                                 const std::string& folder, const std::string& extensions) {
    return std::string();
  }

  // Opens url in the user's web browser, without confirmation or error text; true when the
  // browser was started. The default opens nothing.
  virtual bool OpenWebPage(const std::string& url) { return false; }

  // Whether the editor window is open now.
  virtual bool IsEditorOpen() { return false; }

  // Shows the tape-dump loading dialog (only called while the editor is open). The default
  // has no dialog to show.
  virtual void ShowTapeDialog() {}
};

}  // namespace pellory
