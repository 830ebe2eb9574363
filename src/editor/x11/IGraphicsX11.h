#pragma once
#include <memory>
#include <string>

#include "editor/IGraphics.h"

namespace pellory {

// The editor surface in a Linux host: a child window inside the window the host gives, on a
// display connection of its own (plain Xlib: no toolkit enters the host's process). Hosts call
// the editor's idle request many times a second from their interface thread; each call reads
// this connection's events, and every 40 ms of those calls make one timer tick. Menus, the text
// entry, tooltips and message boxes are windows of this connection drawn by the drawing layer;
// their modal loops read this connection only. File and colour choice run zenity or kdialog as
// separate processes, web pages open through xdg-open.
class IGraphicsX11 : public IGraphics {
 public:
  IGraphicsX11(IPlugBase* plug, int width, int height, int fps = 25);
  ~IGraphicsX11() override;

  void PaintToScreen(const IRect& rect) override;
  void CancelTextEntry() override;
  void Resize(int width, int height) override;
  bool IsWindowOpen() override;
  const char* GetDrawingApiName() override { return "X11"; }
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
  void* GetWindowHandle() override;
  bool ReadClipboardText(std::string& text) override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  void ReservedAbstract() override {}
  void HostIdle() override;

  using IGraphics::ChooseFile;
  using IGraphics::OpenWebPage;
  using IGraphics::ShowMessageBox;

  // The X side (a private structure, so that Xlib's macros stay out of every other file).
  struct X;

 private:
  std::unique_ptr<X> mX;
};

// Geometry of the popup menus this surface draws (also used by the tests that click into them).
namespace x11menu {
constexpr int kBorder = 1;
constexpr int kItemHeight = 20;
constexpr int kSeparatorHeight = 8;
// The top of item index in its menu window, relative to the window.
int ItemTop(const IPopupMenu& menu, int index);
}  // namespace x11menu

}  // namespace pellory
