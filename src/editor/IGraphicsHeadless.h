#pragma once
#include <deque>
#include <string>
#include <vector>

#include "editor/IGraphics.h"

namespace pellory {

// The editor surface without a window, on every platform. Tests and the command-line tool draw
// it, click it and read it back. Every question the program would put to the user (popup menu,
// text entry, message box, file and colour dialogs, web page) is answered from a script that the
// caller queues beforehand, and recorded with its answer. "Opening the window" only marks the
// surface open; nothing appears on screen.
class IGraphicsHeadless : public IGraphics {
 public:
  IGraphicsHeadless(IPlugBase* plug, int width, int height, int fps = 25);
  ~IGraphicsHeadless() override;

  // --- The script. Each queue is consumed in order, one answer per question. ---
  // A popup menu choice: item indices from the shown menu down through submenus ({} dismisses).
  void QueueMenuChoice(const std::vector<int>& path);
  // A popup menu choice by the item's text (without prefix), searched depth-first.
  void QueueMenuChoice(const std::string& itemText);
  void QueueMenuDismiss() { QueueMenuChoice(std::vector<int>()); }
  // The keys typed into the next text entry (each character filtered as the entry does), then
  // Return (commit) or Escape (cancel). The entry completes on the next Tick.
  void QueueTextEntry(const std::string& typed, bool commit = true);
  void QueueMessageBoxAnswer(int result);
  // The path the next file dialog returns; an empty path cancels.
  void QueueFileChoice(const std::string& path);
  void QueueColourChoice(const IColor& colour);
  void QueueColourCancel();
  // Whether the next web page opens (after any confirmation, which is a message box).
  void QueueWebPageResult(bool opened);
  void SetClipboardText(const std::string& text) { mClipboard = text; }
  void SetHostFolder(const std::string& folder) { mHostFolder = folder; }

  // --- The record. ---
  enum RequestKind { kMenu, kTextEntry, kMessageBox, kFileDialog, kColourDialog, kWebPage };
  struct Request {
    RequestKind kind;
    IRect rect;
    std::string text;     // message, entry text, URL, starting file name, colour prompt
    std::string caption;  // message box caption, web page title, file extensions
    int type = 0;         // message box type, file action
    std::vector<std::string> items;  // menu items as shown ("-" separator, "> " submenu, "[x] " checked)
    std::string answer;   // chosen item text, committed text, file path, "#AARRGGBB"; empty for none
    int result = 0;       // message box result, chosen index, 1 opened / 0 not
  };
  const std::vector<Request>& Requests() const { return mRequests; }
  void ClearRequests() { mRequests.clear(); }
  // Answers still queued (a test can check the program asked everything it expected).
  std::size_t PendingAnswers() const;

  // --- The window's part, driven by the caller. ---
  // One timer tick: finishes a text entry, else redraws the dirty part. True when it drew.
  bool Tick();
  // Mouse input as the window turns it into routing (buttons, capture, hover, leave).
  void MouseDown(int x, int y, const MouseModifiers& mod);
  void MouseUp(int x, int y, const MouseModifiers& mod);
  void MouseMove(int x, int y, const MouseModifiers& mod);
  void MouseLeave();
  void Click(int x, int y, const MouseModifiers& mod = MouseModifiers(true));
  void DoubleClick(int x, int y, const MouseModifiers& mod = MouseModifiers(true));
  // A wheel movement in the platform's units (120 per notch).
  void Wheel(int x, int y, int delta, const MouseModifiers& mod = MouseModifiers());
  // A typed character (space, digit or letter); false when no control took it (the host would).
  bool Key(int x, int y, int character);
  bool TextEntryOpen() const { return mEntryControl != nullptr; }
  const IRect& LastPaintedRect() const { return mLastPainted; }
  int PaintCount() const { return mPaintCount; }
  bool CursorHidden() const { return mCursorHidden; }

  // The whole surface as an RGBA PNG file.
  bool WritePng(const std::string& path);

  using IGraphics::ChooseFile;
  using IGraphics::OpenWebPage;
  using IGraphics::ShowMessageBox;

  // Platform operations.
  void PaintToScreen(const IRect& rect) override;
  void CancelTextEntry() override;
  bool IsWindowOpen() override { return mWindowOpen; }
  const char* GetDrawingApiName() override { return "Headless"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* ShowPopupMenu(IPopupMenu* menu, const IRect& rect) override;
  void ShowTextEntry(IControl* control, const ITextStyle& style, const IRect& rect, const char* text,
                     IParameter* param) override;
  void HostFolder(std::string& path) override;
  void PluginFolder(std::string& path) override;
  void DesktopFolder(std::string& path) override;
  void AppDataPath(std::string& path, bool system) override;
  void ChooseFile(std::string& fileName, int action, std::string& folder, const char* extensions) override;
  bool ChooseColour(IColor& colour, const char* prompt) override;
  bool OpenWebPage(const char* url, const char* title, const char* confirm, const char* error) override;
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindowHandle() override { return mWindowOpen ? this : nullptr; }
  bool ReadClipboardText(std::string& text) override;
  void HideMouseCursor() override { mCursorHidden = true; }
  void ShowMouseCursor() override { mCursorHidden = false; }
  void ReservedAbstract() override {}

 private:
  struct MenuAnswer {
    std::vector<int> path;
    std::string text;
    bool byText = false;
  };
  struct EntryAnswer {
    std::string typed;
    bool commit = true;
  };
  struct ColourAnswer {
    IColor colour;
    bool chosen = false;
  };
  enum EntryState { kEntryIdle = 0, kEntryOpen = 1, kEntryCancel = 3, kEntryCommit = 4 };

  void AnswerOpenEntry();

  std::deque<MenuAnswer> mMenuAnswers;
  std::deque<EntryAnswer> mEntryAnswers;
  std::deque<int> mMessageBoxAnswers;
  std::deque<std::string> mFileAnswers;
  std::deque<ColourAnswer> mColourAnswers;
  std::deque<bool> mWebPageAnswers;
  std::vector<Request> mRequests;
  std::string mClipboard;
  std::string mHostFolder;

  IControl* mEntryControl = nullptr;
  IParameter* mEntryParam = nullptr;
  std::string mEntryText;
  int mEntryState = kEntryIdle;
  std::size_t mEntryRequest = 0;

  bool mWindowOpen = false;
  bool mFullRepaint = false;
  bool mButtonDown = false;
  bool mCursorHidden = false;
  IRect mLastPainted;
  int mPaintCount = 0;
};

}  // namespace pellory
