#pragma once
#include <string>
#include <vector>

#include "editor/EditorTypes.h"
#include "programs/ProgramDialogs.h"

namespace pellory {

class IControl;
class IGraphics;
class IVLProgramItemControl;
class IVLTapeLoadDialog;
class Pellory;

// The program's questions and dialogs go to the editor surface while its window is open.
// With the window closed nobody is there to answer (a program change arriving from the host
// must not stop on a message box), so they behave as without an editor.
class EditorDialogs : public ProgramDialogs {
 public:
  explicit EditorDialogs(IGraphics& graphics) : graphics_(graphics) {}
  int AskCommit(int program) override;
  int ShowMessageBox(const std::string& text, const std::string& caption, int style) override;
  std::string ChooseFile(const std::string& fileName, FileAction action, const std::string& folder,
                         const std::string& extensions) override;
  bool OpenWebPage(const std::string& url) override;
  bool IsEditorOpen() override;
  void ShowTapeDialog() override;

 private:
  IGraphics& graphics_;
};

// The editor's panel: lays out every control on the surface once, keeps the groups that the
// view switch and the idle refresh show, hide and update, and the browser's visible list that
// the program items draw from.
class PelloryEditor {
 public:
  static constexpr int kWidth = 1152;
  static constexpr int kHeight = 440;
  static constexpr int kFps = 25;
  static constexpr int kChartCells = 68;
  static constexpr int kEditEntries = 68;
  static constexpr int kProgramItems = 60;

  // Builds the layout on graphics (which must be empty) and applies the starting view.
  PelloryEditor(Pellory& plug, IGraphics& graphics);
  PelloryEditor(const PelloryEditor&) = delete;
  PelloryEditor& operator=(const PelloryEditor&) = delete;

  // Shows and greys the controls of the plug-in's current view.
  void ApplyView();
  // The deferred refresh of Idle: folder line, decimal points, browser list.
  void IdleRefresh();
  // Reads the browser's visible page into the program items and redraws them.
  void RefreshBrowser();
  // Folder line: shown in the browse view while the program files folder is the source.
  void UpdateFolderLine();

  // Program numbers of the 60 visible browser entries (0 for blank ones).
  const std::vector<int>& VisibleNumbers() const { return visibleNumbers_; }
  // Position of the selected program in the visible list; -1 when not shown.
  int SelectedPosition() const;

  // The control groups (tests and the view switch).
  const std::vector<IControl*>& ChartCells() const { return chartCells_; }
  const std::vector<IControl*>& EditControls() const { return editControls_; }
  const std::vector<IVLProgramItemControl*>& ProgramItems() const { return programItems_; }
  IControl* ChartPicture() const { return chartPicture_; }
  IControl* EditPicture() const { return editPicture_; }
  IControl* BrowsePicture() const { return browsePicture_; }
  IControl* FolderLine() const { return folderLine_; }
  IControl* ScrollBar() const { return scrollBar_; }
  IControl* SourceButton(int source) const { return source >= 0 && source < 3 ? sourceButtons_[source] : nullptr; }
  IControl* AddressDot() const { return addressDot_; }
  IControl* LowerDot() const { return lowerDot_; }
  IControl* LearnSwitch() const { return learnSwitch_; }
  IVLTapeLoadDialog* TapeDialog() const { return tapeDialog_; }
  IControl* VersionLabel() const { return versionLabel_; }

  // What the program asks of its editor (see EditorDialogs).
  ProgramDialogs* Dialogs() { return &dialogs_; }

  // The version label's text: "v.1.1.2.N" with our build number N.
  static const char* VersionText();

 private:
  void Build();

  Pellory& plug_;
  IGraphics& graphics_;
  EditorDialogs dialogs_;
  std::vector<IControl*> chartCells_;
  std::vector<IControl*> editControls_;
  std::vector<IVLProgramItemControl*> programItems_;
  std::vector<int> visibleNumbers_;
  IControl* chartPicture_ = nullptr;
  IControl* editPicture_ = nullptr;
  IControl* browsePicture_ = nullptr;
  IControl* sourceButtons_[3] = {nullptr, nullptr, nullptr};
  IControl* folderLine_ = nullptr;
  IControl* scrollBar_ = nullptr;
  IControl* addressDot_ = nullptr;
  IControl* lowerDot_ = nullptr;
  IControl* learnSwitch_ = nullptr;
  IControl* versionLabel_ = nullptr;
  IVLTapeLoadDialog* tapeDialog_ = nullptr;
};

}  // namespace pellory
