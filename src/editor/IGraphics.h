#pragma once
#include <memory>
#include <string>
#include <vector>

#include "drawing/Surface.h"
#include "editor/EditorTypes.h"
#include "editor/IControl.h"
#include "editor/IPopupMenu.h"
#include "programs/ProgramDialogs.h"

namespace pellory {

class IParameter;
class IPlugBase;

// Message box button sets and answers (the numbers Windows uses).
enum MessageBoxType { kMB_OK = 0, kMB_OKCANCEL = 1, kMB_YESNOCANCEL = 3, kMB_YESNO = 4 };
enum MessageBoxResult { kIDOK = 1, kIDCANCEL = 2, kIDYES = 6, kIDNO = 7 };
// What a file dialog is for.
enum FileAction { kFileOpen = 0, kFileSave = 1 };

// The editor surface: the off-screen picture, the ordered control list, redraw of dirty
// controls, the mouse and key routing, and the platform services the program asks of its
// editor. The platform part (a window, or none) is a subclass. The program's questions and
// dialogs (ProgramDialogs) are answered through the platform operations.
class IGraphics : public ProgramDialogs {
 public:
  IGraphics(IPlugBase* plug, int width, int height, int fps = 25);

  /* 0 */ virtual void PaintToScreen(const IRect& rect) = 0;
  /* 1 */ virtual bool MeasureText(const ITextStyle& style, const char* text, IRect& rect);
  /* 2 */ virtual void CancelTextEntry() = 0;
  /* 3 */ virtual void Resize(int width, int height);
  /* 4 */ virtual bool IsWindowOpen() = 0;
  /* 5 */ virtual const char* GetDrawingApiName() { return ""; }
  /* 6 */ virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
  /* 7 */ virtual IPopupMenu* ShowPopupMenu(IPopupMenu* menu, const IRect& rect) = 0;
  /* 8 */ virtual void ShowTextEntry(IControl* control, const ITextStyle& style, const IRect& rect,
                                     const char* text, IParameter* param) = 0;
  /* 9 */ virtual void HostFolder(std::string& path) = 0;
  /* 10 */ virtual void PluginFolder(std::string& path) = 0;
  /* 11 */ virtual void DesktopFolder(std::string& path) = 0;
  /* 12 */ virtual void AppDataPath(std::string& path, bool system) = 0;
  /* 13 */ virtual void UserAppDataPath(std::string& path) { AppDataPath(path, false); }
  /* 14 */ virtual void ChooseFile(std::string& fileName, int action, std::string& folder,
                                   const char* extensions) = 0;
  /* 15 */ virtual bool ChooseColour(IColor& colour, const char* prompt) = 0;
  /* 16 */ virtual bool OpenWebPage(const char* url, const char* title, const char* confirm,
                                    const char* error) = 0;
  /* 17 */ virtual int ReservedOperation() { return 0; }
  /* 18 */ virtual void* OpenWindow(void* parent) = 0;
  /* 19 */ virtual void ReservedHook1() {}
  /* 20 */ virtual void ReservedHook2() {}
  /* 21 */ virtual void CloseWindow() = 0;
  /* 22 */ virtual void* GetWindowHandle() = 0;
  /* 23 */ virtual bool ReadClipboardText(std::string& text) = 0;
  /* 24 */ virtual ~IGraphics();
  /* 25 */ virtual void HideMouseCursor() = 0;
  /* 26 */ virtual void ShowMouseCursor() = 0;
  /* 27 */ virtual void ReservedAbstract() = 0;
  // PNG resources of this module only (the same on every platform; the drawing layer finds them).
  /* 28 */ virtual drawing::Image* LoadBitmapResource(int id, const char* name);
  // The host's editor idle request, before the plug-in's own idle work and outside the instance
  // lock. A window without a message loop of its own (X11 inside a host) reads its events and
  // runs its timer here; the others have nothing to do.
  /* 29 */ virtual void HostIdle() {}

  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // Editor services for the program (through the platform operations above).
  int AskCommit(int program) override;
  int ShowMessageBox(const std::string& text, const std::string& caption, int style) override;
  std::string ChooseFile(const std::string& fileName, ProgramDialogs::FileAction action, const std::string& folder,
                         const std::string& extensions) override;
  bool OpenWebPage(const std::string& url) override;
  bool IsEditorOpen() override { return IsWindowOpen(); }
  // Shows the tape dialog control set by the layout (nothing without one).
  void ShowTapeDialog() override;
  void SetTapeDialog(IControl* dialog) { mTapeDialog = dialog; }

  IPlugBase* GetPlug() const { return mPlug; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int FPS() const { return mFPS; }
  // The off-screen picture (created by PrepDraw at the surface's size).
  drawing::Surface& GetSurface() { return mSurface; }
  bool PrepDraw();

  // Controls. The surface owns them; AddControl returns the index.
  int AddControl(IControl* control);
  // The background bitmap as control 0 (an opaque copy of the whole surface).
  void SetBackground(int id, const char* name);
  IControl* GetControl(int index) const {
    return index >= 0 && index < NControls() ? mControls[static_cast<std::size_t>(index)].get() : nullptr;
  }
  int NControls() const { return static_cast<int>(mControls.size()); }
  void SetKeyCatcher(IControl* control) { mKeyCatcher = control; }
  void HandleMouseOver(bool on) { mHandleMouseOver = on; }
  bool MouseOverHandled() const { return mHandleMouseOver; }
  void EnableTooltips(bool on) { mEnableTooltips = on; }
  bool TooltipsEnabled() const { return mEnableTooltips; }

  // Bitmaps through the process-wide cache: decoded once per process, shared by every editor.
  // With deferred decoding a PNG is taken by the size in its header and decoded on its first
  // draw (a damaged one then draws nothing).
  void DeferBitmapDecoding(bool on) { mDeferDecoding = on; }
  IBitmap LoadBitmap(int id, const char* name, int nStates = 1, bool framesAreHorizontal = false);

  // Drawing for the controls, clipped to the current clipping rectangle.
  bool DrawBitmap(const IBitmap& bitmap, const IRect& rect, int frame = 1, const BlendMode* blend = nullptr);
  // Decodes a cached picture loaded by size only; false when it has no pixels.
  bool EnsureDecoded(const drawing::Image* image);
  bool FillRect(const IColor& colour, const IRect& rect, const BlendMode* blend = nullptr);
  bool DrawLine(const IColor& colour, int x1, int y1, int x2, int y2, const BlendMode* blend = nullptr);
  bool DrawText(const ITextStyle& style, const char* text, const IRect& rect);
  // The font of a style from the process-wide font cache (created on first use); null when no
  // such font can be made.
  drawing::Font* CachedFont(const ITextStyle& style);

  // Plug-in to editor: a parameter changed elsewhere. May be called from any thread.
  void SetParameterFromPlugin(int paramIdx, double value, bool normalized);
  void MarkAllControlsDirty();
  // Popup menu of the values, or a text entry over rect (see the control's PromptForValue).
  void PromptForValue(IControl* control, IParameter* param, const IRect& rect);
  // The end of a text entry: text typed for control (and param, when the control is bound).
  void SetFromStringAfterPrompt(IControl* control, IParameter* param, const char* text);
  // Whether a typed character may go into an entry for param (backspace always may).
  static bool EntryAcceptsCharacter(const IParameter* param, int character);

  // One timer tick: the union of the dirty controls' rectangles. After 21 consecutive clean ticks
  // the plug-in's Idle runs.
  bool CollectDirtyRect(IRect& rect);
  // Redraws the controls meeting rect (clipped to it), cleans them, then paints to the screen.
  void Draw(const IRect& rect);

  // Mouse and key routing, in surface pixels.
  void OnMouseDown(int x, int y, const MouseModifiers& mod);
  void OnMouseUp(int x, int y, const MouseModifiers& mod);
  void OnMouseDrag(int x, int y, const MouseModifiers& mod);
  // False when mouse-over handling is off.
  bool OnMouseOver(int x, int y, const MouseModifiers& mod);
  void OnMouseOut();
  // True when the double click captured a control (it acts as a single click).
  bool OnMouseDblClick(int x, int y, const MouseModifiers& mod);
  void OnMouseWheel(int x, int y, const MouseModifiers& mod, int d);
  // True when a control handled the key.
  bool OnKeyDown(int x, int y, int key);
  // The topmost control under the point that takes the mouse (neither hidden nor greyed); -1.
  int GetMouseControlIdx(int x, int y, bool mouseOver = false) const;
  int GetMouseOver() const { return mMouseOver; }
  IControl* GetCapturedControl() const { return mMouseCapture >= 0 ? GetControl(mMouseCapture) : nullptr; }
  void ReleaseMouseCapture();
  int GetIdleCount() const { return mIdleTicks; }

  // Process-wide cache sizes (tests and diagnostics).
  static int CachedBitmapCount();
  static int CachedFontCount();

 protected:
  IPlugBase* mPlug;
  int mWidth, mHeight, mFPS;
  drawing::Surface mSurface;
  std::vector<std::unique_ptr<IControl>> mControls;
  IControl* mKeyCatcher = nullptr;
  IControl* mTapeDialog = nullptr;
  int mMouseCapture = -1;
  int mMouseOver = -1;
  int mMouseX = 0, mMouseY = 0;
  int mIdleTicks = 0;
  bool mHandleMouseOver = false;
  bool mEnableTooltips = false;
  bool mDeferDecoding = false;
};

}  // namespace pellory
