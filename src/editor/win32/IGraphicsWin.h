#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "editor/IGraphics.h"

namespace pellory {

// The editor surface in a Windows child window: the window shows the off-screen picture, runs
// the refresh timer and turns window messages into the surface's mouse and key routing; menus,
// the in-place text entry, tooltips, message boxes and the file and colour dialogs are the
// system's own. Drawing stays in the common code. Window handles are kept as void* so that
// this header does not bring <windows.h> to its users.
class IGraphicsWin : public IGraphics {
 public:
  IGraphicsWin(IPlugBase* plug, int width, int height, int fps = 25);
  ~IGraphicsWin() override;

  // The module instance: window class, resources and the plug-in's folder.
  void SetHInstance(void* instance) { mHInstance = instance; }

  using IGraphics::ChooseFile;
  using IGraphics::OpenWebPage;
  using IGraphics::ShowMessageBox;

  /* 0 */ void PaintToScreen(const IRect& rect) override;
  /* 2 */ void CancelTextEntry() override;
  /* 3 */ void Resize(int width, int height) override;
  /* 4 */ bool IsWindowOpen() override { return mHWND != nullptr; }
  /* 5 */ const char* GetDrawingApiName() override { return "Windows GDI"; }
  /* 6 */ int ShowMessageBox(const char* text, const char* caption, int type) override;
  /* 7 */ IPopupMenu* ShowPopupMenu(IPopupMenu* menu, const IRect& rect) override;
  /* 8 */ void ShowTextEntry(IControl* control, const ITextStyle& style, const IRect& rect, const char* text,
                             IParameter* param) override;
  /* 9 */ void HostFolder(std::string& path) override;
  /* 10 */ void PluginFolder(std::string& path) override;
  /* 11 */ void DesktopFolder(std::string& path) override;
  /* 12 */ void AppDataPath(std::string& path, bool system) override;
  /* 14 */ void ChooseFile(std::string& fileName, int action, std::string& folder, const char* extensions) override;
  /* 15 */ bool ChooseColour(IColor& colour, const char* prompt) override;
  /* 16 */ bool OpenWebPage(const char* url, const char* title, const char* confirm, const char* error) override;
  /* 18 */ void* OpenWindow(void* parent) override;
  /* 21 */ void CloseWindow() override;
  /* 22 */ void* GetWindowHandle() override { return mHWND; }
  /* 23 */ bool ReadClipboardText(std::string& text) override;
  /* 25 */ void HideMouseCursor() override;
  /* 26 */ void ShowMouseCursor() override;
  /* 27 */ void ReservedAbstract() override {}

  // The window's message handling and the text entry's (called by the window procedures).
  intptr_t HandleMessage(void* hwnd, unsigned msg, uintptr_t wParam, intptr_t lParam);
  intptr_t HandleEntryMessage(void* hwnd, unsigned msg, uintptr_t wParam, intptr_t lParam);
  // The system destroyed the window (our close, or the host destroying its own window first).
  void WindowDestroyed(void* hwnd);

  // The host's top-level window (owner of message boxes); null when none is known.
  void* GetMainWnd();
  bool TextEntryOpen() const { return mEntryWnd != nullptr; }
  int TextEntryState() const { return mEntryState; }

  // Process-wide: editor windows open now, and whether the window class is registered.
  static int OpenWindowCount();
  static bool WindowClassRegistered();

  // The text-entry states.
  enum EntryState { kEntryIdle = 0, kEntryFocused = 1, kEntryRedrawn = 2, kEntryCancel = 3, kEntryCommit = 4 };

  // The file dialog's fixed buffers (filter, default extension, file name).
  static constexpr std::size_t kFilterBytes = 256;
  static constexpr std::size_t kDefExtBytes = 16;
  static constexpr std::size_t kFileNameBytes = 256;

 private:
  void OnTimer();
  void CloseTextEntry();
  void HideTooltip();
  void SetTooltipText(const char* text);
  void CreateTooltips();

  void* mHInstance = nullptr;
  void* mHWND = nullptr;
  void* mParentWnd = nullptr;
  void* mMainWnd = nullptr;
  std::string mMainWndClassName;

  void* mEntryWnd = nullptr;
  IControl* mEntryControl = nullptr;
  IParameter* mEntryParam = nullptr;
  intptr_t mEntryPrevProc = 0;
  void* mEntryFont = nullptr;
  int mEntryState = kEntryIdle;

  void* mTooltipWnd = nullptr;
  bool mShowingTooltip = false;
  int mTooltipIdx = -1;

  std::unique_ptr<unsigned long[]> mCustomColours;

  bool mCursorHidden = false;
  int mHiddenCursorX = -1, mHiddenCursorY = -1;
};

}  // namespace pellory
