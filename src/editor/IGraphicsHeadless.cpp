#include "editor/IGraphicsHeadless.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <strings.h>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#else
#include <unistd.h>
#endif

#include "core/IParameter.h"
#include "drawing/Png.h"
#include "platform/Files.h"
#include "platform/Module.h"

namespace pellory {

namespace {

std::string WithSeparator(std::string folder) {
  const char sep = platform::PathSeparator();
  if (!folder.empty() && folder.back() != sep && folder.back() != '/') folder += sep;
  return folder;
}

std::string ExecutableFolder() {
#ifdef _WIN32
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string file(path, n < MAX_PATH ? n : 0);
#else
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  std::string file(path, n > 0 ? static_cast<std::size_t>(n) : 0);
#endif
  const std::size_t cut = file.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : file.substr(0, cut + 1);
}

// The menu as it would appear, one line per item; submenu items indented below their entry.
void ListMenu(const IPopupMenu& menu, const std::string& indent, std::vector<std::string>& out) {
  for (int i = 0; i < menu.NumItems(); ++i) {
    const IPopupMenu::Item* item = menu.GetItem(i);
    if (item->separator) {
      out.push_back(indent + "-");
      continue;
    }
    std::string line = indent;
    if (item->submenu) line += "> ";
    if (item->Checked()) line += "[x] ";
    line += menu.ItemDisplayText(i);
    if (!item->Enabled()) line += " (disabled)";
    out.push_back(line);
    if (item->submenu) ListMenu(*item->submenu, indent + "  ", out);
  }
}

// The enabled plain item with this text, depth-first: its menu and index.
IPopupMenu* FindItem(IPopupMenu& menu, const std::string& text, int& index) {
  for (int i = 0; i < menu.NumItems(); ++i) {
    IPopupMenu::Item* item = menu.GetItem(i);
    if (item->separator) continue;
    if (item->submenu) {
      if (IPopupMenu* found = FindItem(*item->submenu, text, index)) return found;
      continue;
    }
    if (item->Enabled() && item->text == text) {
      index = i;
      return &menu;
    }
  }
  return nullptr;
}

}  // namespace

IGraphicsHeadless::IGraphicsHeadless(IPlugBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps) {}

IGraphicsHeadless::~IGraphicsHeadless() { CloseWindow(); }

// ---- Script ----

void IGraphicsHeadless::QueueMenuChoice(const std::vector<int>& path) { mMenuAnswers.push_back({path, "", false}); }

void IGraphicsHeadless::QueueMenuChoice(const std::string& itemText) {
  mMenuAnswers.push_back({{}, itemText, true});
}

void IGraphicsHeadless::QueueTextEntry(const std::string& typed, bool commit) {
  mEntryAnswers.push_back({typed, commit});
}

void IGraphicsHeadless::QueueMessageBoxAnswer(int result) { mMessageBoxAnswers.push_back(result); }

void IGraphicsHeadless::QueueFileChoice(const std::string& path) { mFileAnswers.push_back(path); }

void IGraphicsHeadless::QueueColourChoice(const IColor& colour) { mColourAnswers.push_back({colour, true}); }

void IGraphicsHeadless::QueueColourCancel() { mColourAnswers.push_back({IColor(), false}); }

void IGraphicsHeadless::QueueWebPageResult(bool opened) { mWebPageAnswers.push_back(opened); }

std::size_t IGraphicsHeadless::PendingAnswers() const {
  return mMenuAnswers.size() + mEntryAnswers.size() + mMessageBoxAnswers.size() + mFileAnswers.size() +
         mColourAnswers.size() + mWebPageAnswers.size();
}

// ---- The window's part ----

bool IGraphicsHeadless::Tick() {
  if (mEntryControl) {
    if (mEntryState == kEntryOpen && !mEntryAnswers.empty()) AnswerOpenEntry();
    if (mEntryState == kEntryCommit || mEntryState == kEntryCancel) {
      IControl* control = mEntryControl;
      IParameter* param = mEntryParam;
      const std::string text = mEntryText;
      const bool commit = mEntryState == kEntryCommit;
      mEntryControl = nullptr;
      mEntryParam = nullptr;
      mEntryState = kEntryIdle;
      if (commit) SetFromStringAfterPrompt(control, param, text.c_str());
      // The tick that closes an entry draws nothing.
      return false;
    }
  }
  IRect dirty;
  const bool any = CollectDirtyRect(dirty);
  if (mFullRepaint) {
    mFullRepaint = false;
    Draw(IRect(0, 0, Width(), Height()));
    return true;
  }
  if (!any) return false;
  Draw(dirty);
  return true;
}

void IGraphicsHeadless::MouseDown(int x, int y, const MouseModifiers& mod) {
  if (mEntryControl) {
    // A click anywhere in the editor commits the open entry.
    mEntryState = kEntryCommit;
    return;
  }
  mButtonDown = true;
  OnMouseDown(x, y, mod);
}

void IGraphicsHeadless::MouseUp(int x, int y, const MouseModifiers& mod) {
  mButtonDown = false;
  OnMouseUp(x, y, mod);
}

void IGraphicsHeadless::MouseMove(int x, int y, const MouseModifiers& mod) {
  if (mButtonDown) {
    if (!mEntryControl) OnMouseDrag(x, y, mod);
  } else {
    OnMouseOver(x, y, mod);
  }
}

void IGraphicsHeadless::MouseLeave() { OnMouseOut(); }

void IGraphicsHeadless::Click(int x, int y, const MouseModifiers& mod) {
  MouseDown(x, y, mod);
  MouseUp(x, y, mod);
}

void IGraphicsHeadless::DoubleClick(int x, int y, const MouseModifiers& mod) {
  // The second press of a double click arrives as a double-click message, then the release.
  if (OnMouseDblClick(x, y, mod)) mButtonDown = true;
  MouseUp(x, y, mod);
}

void IGraphicsHeadless::Wheel(int x, int y, int delta, const MouseModifiers& mod) {
  if (mEntryControl) {
    mEntryState = kEntryCancel;
    return;
  }
  OnMouseWheel(x, y, mod, delta / 120);
}

bool IGraphicsHeadless::Key(int x, int y, int character) {
  const int code = KeyCodeForCharacter(character);
  if (code == KEY_NONE) return false;
  return OnKeyDown(x, y, code);
}

bool IGraphicsHeadless::WritePng(const std::string& path) {
  if (!GetSurface().Valid() && !PrepDraw()) return false;
  return drawing::WritePngFile(path, GetSurface().Pixels(), GetSurface().Width(), GetSurface().Height());
}

// ---- Platform operations ----

void IGraphicsHeadless::PaintToScreen(const IRect& rect) {
  mLastPainted = rect;
  ++mPaintCount;
}

void IGraphicsHeadless::CancelTextEntry() {
  if (mEntryControl) mEntryState = kEntryCancel;
}

int IGraphicsHeadless::ShowMessageBox(const char* text, const char* caption, int type) {
  int result;
  if (!mMessageBoxAnswers.empty()) {
    result = mMessageBoxAnswers.front();
    mMessageBoxAnswers.pop_front();
  } else {
    // Unscripted, the answer that changes least: Cancel, or No, or the only button. (The low
    // four bits are the buttons; icons may be added above them.)
    const int buttons = type & 0xF;
    result = buttons == kMB_YESNO ? kIDNO
                                  : (buttons == kMB_OKCANCEL || buttons == kMB_YESNOCANCEL ? kIDCANCEL : kIDOK);
  }
  Request r;
  r.kind = kMessageBox;
  r.text = text ? text : "";
  r.caption = caption ? caption : "";
  r.type = type;
  r.result = result;
  mRequests.push_back(r);
  return result;
}

IPopupMenu* IGraphicsHeadless::ShowPopupMenu(IPopupMenu* menu, const IRect& rect) {
  ReleaseMouseCapture();
  // Whatever happens, the whole editor is painted again afterwards.
  mFullRepaint = true;
  if (!menu) return nullptr;
  Request r;
  r.kind = kMenu;
  r.rect = rect;
  r.result = -1;
  ListMenu(*menu, "", r.items);
  IPopupMenu* chosen = nullptr;
  int index = -1;
  if (!mMenuAnswers.empty()) {
    const MenuAnswer answer = mMenuAnswers.front();
    mMenuAnswers.pop_front();
    if (answer.byText) {
      chosen = FindItem(*menu, answer.text, index);
    } else if (!answer.path.empty()) {
      IPopupMenu* current = menu;
      for (std::size_t k = 0; k < answer.path.size() && current; ++k) {
        IPopupMenu::Item* item = current->GetItem(answer.path[k]);
        if (!item || item->separator) {
          current = nullptr;
        } else if (k + 1 < answer.path.size()) {
          current = item->submenu.get();
        } else if (!item->submenu && item->Enabled()) {
          chosen = current;
          index = answer.path[k];
        }
      }
    }
  }
  if (chosen) {
    chosen->SetChosenItemIdx(index);
    r.answer = chosen->GetItem(index)->text;
    r.result = index;
  }
  mRequests.push_back(r);
  return chosen;
}

void IGraphicsHeadless::ShowTextEntry(IControl* control, const ITextStyle& style, const IRect& rect,
                                      const char* text, IParameter* param) {
  if (!control || mEntryControl) return;
  mEntryControl = control;
  mEntryParam = param;
  mEntryText = text ? text : "";
  mEntryState = kEntryOpen;
  Request r;
  r.kind = kTextEntry;
  r.rect = rect;
  r.text = mEntryText;
  r.caption = param ? param->GetName() : "";
  mRequests.push_back(r);
  mEntryRequest = mRequests.size() - 1;
  if (!mEntryAnswers.empty()) AnswerOpenEntry();
}

void IGraphicsHeadless::AnswerOpenEntry() {
  const EntryAnswer answer = mEntryAnswers.front();
  mEntryAnswers.pop_front();
  // The entry opens with its whole text selected: typing replaces it, character by character
  // through the same filter and length limit as the real entry.
  if (!answer.typed.empty()) {
    std::string typed;
    const std::size_t limit =
        mEntryControl->GetTextEntryLength() > 0 ? static_cast<std::size_t>(mEntryControl->GetTextEntryLength()) : 0;
    for (char c : answer.typed)
      if (EntryAcceptsCharacter(mEntryParam, static_cast<unsigned char>(c)) && typed.size() < limit) typed += c;
    mEntryText = typed;
  }
  mEntryState = answer.commit ? kEntryCommit : kEntryCancel;
  if (mEntryRequest < mRequests.size()) {
    mRequests[mEntryRequest].answer = answer.commit ? mEntryText : std::string();
    mRequests[mEntryRequest].result = answer.commit ? 1 : 0;
  }
}

void IGraphicsHeadless::HostFolder(std::string& path) {
  path = mHostFolder.empty() ? ExecutableFolder() : WithSeparator(mHostFolder);
}

void IGraphicsHeadless::PluginFolder(std::string& path) { path = WithSeparator(platform::ModuleFolder()); }

void IGraphicsHeadless::DesktopFolder(std::string& path) { path = platform::DesktopFolder(); }

void IGraphicsHeadless::AppDataPath(std::string& path, bool system) {
  if (!system) {
    path = platform::LocalAppDataFolder();
    return;
  }
#ifdef _WIN32
  char folder[MAX_PATH] = {};
  path = SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder)) ? folder : "";
#else
  // The first of the system-wide configuration folders.
  const char* dirs = std::getenv("XDG_CONFIG_DIRS");
  std::string first = dirs && *dirs ? std::string(dirs).substr(0, std::string(dirs).find(':')) : "";
  path = first.empty() ? "/etc/xdg" : first;
#endif
}

void IGraphicsHeadless::ChooseFile(std::string& fileName, int action, std::string& folder, const char* extensions) {
  if (!mWindowOpen) {
    fileName.clear();
    return;
  }
  Request r;
  r.kind = kFileDialog;
  r.text = fileName;
  r.caption = extensions ? extensions : "";
  r.type = action;
  std::string chosen;
  if (!mFileAnswers.empty()) {
    chosen = mFileAnswers.front();
    mFileAnswers.pop_front();
  }
  if (chosen.empty()) {
    fileName.clear();
  } else {
    fileName = chosen;
    const std::size_t cut = chosen.find_last_of("/\\");
    if (cut != std::string::npos) folder = chosen.substr(0, cut + 1);
  }
  r.answer = chosen;
  r.result = chosen.empty() ? 0 : 1;
  mRequests.push_back(r);
}

bool IGraphicsHeadless::ChooseColour(IColor& colour, const char* prompt) {
  if (!mWindowOpen) return false;
  Request r;
  r.kind = kColourDialog;
  r.text = prompt ? prompt : "";
  bool chosen = false;
  if (!mColourAnswers.empty()) {
    const ColourAnswer answer = mColourAnswers.front();
    mColourAnswers.pop_front();
    if (answer.chosen) {
      // Only red, green and blue are chosen; alpha stays.
      colour.R = answer.colour.R;
      colour.G = answer.colour.G;
      colour.B = answer.colour.B;
      chosen = true;
      char text[16];
      std::snprintf(text, sizeof(text), "#%08X", static_cast<unsigned>(colour.Packed()));
      r.answer = text;
    }
  }
  r.result = chosen ? 1 : 0;
  mRequests.push_back(r);
  return chosen;
}

bool IGraphicsHeadless::OpenWebPage(const char* url, const char* title, const char* confirm, const char* error) {
  if (confirm && *confirm && ShowMessageBox(confirm, title, kMB_YESNO) != kIDYES) return false;
  // Unscripted, the page counts as opened: the record is all a headless surface can show.
  bool opened = true;
  if (!mWebPageAnswers.empty()) {
    opened = mWebPageAnswers.front();
    mWebPageAnswers.pop_front();
  }
  Request r;
  r.kind = kWebPage;
  r.text = url ? url : "";
  r.caption = title ? title : "";
  r.result = opened ? 1 : 0;
  mRequests.push_back(r);
  if (!opened && error && *error) ShowMessageBox(error, title, kMB_OK);
  return opened;
}

void* IGraphicsHeadless::OpenWindow(void* parent) {
  mWindowOpen = true;
  MarkAllControlsDirty();
  return this;
}

void IGraphicsHeadless::CloseWindow() {
  // An open entry goes with its window, without effect.
  mEntryControl = nullptr;
  mEntryParam = nullptr;
  mEntryState = kEntryIdle;
  mButtonDown = false;
  mWindowOpen = false;
}

bool IGraphicsHeadless::ReadClipboardText(std::string& text) {
  text = mClipboard;
  return !text.empty();
}

}  // namespace pellory
