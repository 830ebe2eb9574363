#include "editor/win32/IGraphicsWin.h"

#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>
// <windows.h> maps GetModuleHandle to GetModuleHandleA; the platform layer has its own.
#undef GetModuleHandle

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "core/IParameter.h"
#include "drawing/Image.h"
#include "drawing/Png.h"
#include "drawing/win32/WideText.h"
#include "editor/FileFilter.h"
#include "platform/Files.h"
#include "platform/Module.h"

namespace pellory {

namespace {

constexpr const char* kWindowClass = "IPlugWndClass";
constexpr const char* kWindowTitle = "IPlug";
constexpr UINT_PTR kTimerId = 2;
constexpr int kEntryId = 99;
// The entry's user data: nothing reads it, it only marks the window as ours.
constexpr LONG_PTR kEntryMarker = 0x50454C4C;

// Process-wide: the open-window count that registers and unregisters the class, the frame rate
// of the latest open, and the surfaces alive now. A window procedure only uses a surface found
// in that list, so a message that reaches a window after its surface is gone finds nothing.
struct Shared {
  std::mutex lock;
  int openWindows = 0;
  bool classRegistered = false;
  HINSTANCE classInstance = nullptr;
  int frameRate = 25;
  std::vector<IGraphicsWin*> live;
};

Shared& Process() {
  static Shared shared;
  return shared;
}

bool IsLive(IGraphicsWin* g) {
  if (!g) return false;
  Shared& s = Process();
  std::lock_guard<std::mutex> guard(s.lock);
  return std::find(s.live.begin(), s.live.end(), g) != s.live.end();
}

// The edit control's own procedure, for entries whose surface has gone.
WNDPROC g_editProc = nullptr;

using drawing::Widen;

std::string Narrow(const wchar_t* text) {
  if (!text || !*text) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], n, nullptr, nullptr);
  narrow.resize(static_cast<std::size_t>(n - 1));
  return narrow;
}

std::string FolderOf(const char* file) {
  std::string path(file ? file : "");
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

MouseModifiers ModifiersFrom(WPARAM keys) {
  return MouseModifiers((keys & MK_LBUTTON) != 0, (keys & MK_RBUTTON) != 0, (keys & MK_SHIFT) != 0,
                        (keys & MK_CONTROL) != 0, GetKeyState(VK_MENU) < 0);
}

// Space, the arrows, digits and letters; KEY_NONE for the rest.
int KeyCodeFor(WPARAM key) {
  switch (key) {
    case VK_SPACE: return KEY_SPACE;
    case VK_UP: return KEY_UPARROW;
    case VK_DOWN: return KEY_DOWNARROW;
    case VK_LEFT: return KEY_LEFTARROW;
    case VK_RIGHT: return KEY_RIGHTARROW;
    default: break;
  }
  if (key >= '0' && key <= '9') return KEY_DIGIT_0 + static_cast<int>(key - '0');
  if (key >= 'A' && key <= 'Z') return KEY_ALPHA_A + static_cast<int>(key - 'A');
  return KEY_NONE;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* g = static_cast<IGraphicsWin*>(create->lpCreateParams);
    if (!IsLive(g)) return -1;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(g));
    return g->HandleMessage(hwnd, msg, wParam, lParam);
  }
  auto* g = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    if (IsLive(g)) g->WindowDestroyed(hwnd);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  if (!IsLive(g) || g->GetWindowHandle() != hwnd) return DefWindowProcA(hwnd, msg, wParam, lParam);
  return g->HandleMessage(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK EntryProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* g = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(GetParent(hwnd), GWLP_USERDATA));
  if (!IsLive(g)) {
    return g_editProc ? CallWindowProcW(g_editProc, hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  return g->HandleEntryMessage(hwnd, msg, wParam, lParam);
}

UINT_PTR CALLBACK ColourHook(HWND dialog, UINT msg, WPARAM, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    const auto* cc = reinterpret_cast<const CHOOSECOLORA*>(lParam);
    const char* prompt = cc ? reinterpret_cast<const char*>(cc->lCustData) : nullptr;
    if (prompt && *prompt) SetWindowTextW(dialog, Widen(prompt).c_str());
  }
  return 0;
}

// The native menu of a description. Each menu takes the next block of command numbers for its
// own items (separators and submenu entries included), then its submenus take theirs, depth
// first.
HMENU BuildMenu(const IPopupMenu& menu, int& next) {
  HMENU native = CreatePopupMenu();
  if (!native) return nullptr;
  const int first = next;
  next += menu.NumItems();
  for (int i = 0; i < menu.NumItems(); ++i) {
    const IPopupMenu::Item* item = menu.GetItem(i);
    const std::wstring text = Widen(menu.ItemDisplayText(i).c_str());
    if (item->separator) {
      AppendMenuW(native, MF_SEPARATOR, 0, nullptr);
    } else if (item->submenu) {
      HMENU sub = BuildMenu(*item->submenu, next);
      if (sub) AppendMenuW(native, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), text.c_str());
    } else {
      UINT flags = MF_STRING;
      if (item->flags & IPopupMenu::kDisabled) flags |= MF_GRAYED;
      if (item->flags & IPopupMenu::kTitle) flags |= MF_DISABLED;
      if (item->flags & IPopupMenu::kChecked) flags |= MF_CHECKED;
      AppendMenuW(native, flags, static_cast<UINT_PTR>(first + i), text.c_str());
    }
  }
  return native;
}

// The menu (and position in it) that holds command number command, numbered as BuildMenu does.
IPopupMenu* FindCommand(IPopupMenu& menu, int command, int& next, int& index) {
  const int first = next;
  next += menu.NumItems();
  if (command >= first && command < first + menu.NumItems()) {
    const IPopupMenu::Item* item = menu.GetItem(command - first);
    if (item->separator || item->submenu) return nullptr;
    index = command - first;
    return &menu;
  }
  for (int i = 0; i < menu.NumItems(); ++i) {
    IPopupMenu::Item* item = menu.GetItem(i);
    if (!item->submenu) continue;
    if (IPopupMenu* found = FindCommand(*item->submenu, command, next, index)) return found;
  }
  return nullptr;
}

// The first top-level window of this process with the class name.
struct MainWindowSearch {
  const std::string* className;
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND w, LPARAM data) {
  auto* s = reinterpret_cast<MainWindowSearch*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != GetCurrentProcessId()) return TRUE;
  char name[256] = {};
  GetClassNameA(w, name, sizeof(name));
  if (*s->className != name) return TRUE;
  s->found = w;
  return FALSE;
}

void ReleaseClassIfUnused() {
  Shared& s = Process();
  std::lock_guard<std::mutex> guard(s.lock);
  // A window the system destroyed with its parent has left the count; the class goes once no
  // window of it remains.
  if (s.openWindows == 0 && s.classRegistered && UnregisterClassA(kWindowClass, s.classInstance))
    s.classRegistered = false;
}

}  // namespace

IGraphicsWin::IGraphicsWin(IPlugBase* plug, int width, int height, int fps) : IGraphics(plug, width, height, fps) {
  Shared& s = Process();
  std::lock_guard<std::mutex> guard(s.lock);
  s.live.push_back(this);
}

IGraphicsWin::~IGraphicsWin() {
  // The window learns first that its surface is going: the messages its destruction sends find
  // no surface (the controls' plug-in is half gone by now) and go to the default procedure.
  if (mHWND) {
    KillTimer(static_cast<HWND>(mHWND), kTimerId);
    SetWindowLongPtrA(static_cast<HWND>(mHWND), GWLP_USERDATA, 0);
  }
  CloseWindow();
  {
    Shared& s = Process();
    std::lock_guard<std::mutex> guard(s.lock);
    s.live.erase(std::remove(s.live.begin(), s.live.end(), this), s.live.end());
  }
  ReleaseClassIfUnused();
  if (mCursorHidden) ShowMouseCursor();
}

int IGraphicsWin::OpenWindowCount() {
  Shared& s = Process();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.openWindows;
}

bool IGraphicsWin::WindowClassRegistered() {
  Shared& s = Process();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.classRegistered;
}

// ---- Window ----

void* IGraphicsWin::OpenWindow(void* parent) {
  HWND parentWnd = static_cast<HWND>(parent);
  mParentWnd = parent;
  int x = 0, y = 0, w = Width(), h = Height();
  if (mHWND) {
    // Opened again without a close: the new window takes the old one's place and size. The
    // place is kept in the parent's client coordinates, which child windows are created in.
    RECT r;
    GetWindowRect(static_cast<HWND>(mHWND), &r);
    POINT topLeft{r.left, r.top};
    if (parentWnd) MapWindowPoints(HWND_DESKTOP, parentWnd, &topLeft, 1);
    x = topLeft.x;
    y = topLeft.y;
    w = r.right - r.left;
    h = r.bottom - r.top;
    CloseWindow();
  }
  HINSTANCE instance = static_cast<HINSTANCE>(mHInstance ? mHInstance : platform::GetModuleHandle());
  {
    Shared& s = Process();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.openWindows++ == 0 && !s.classRegistered) {
      WNDCLASSA wc{};
      wc.style = CS_DBLCLKS;
      wc.lpfnWndProc = WindowProc;
      wc.hInstance = instance;
      wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
      wc.lpszClassName = kWindowClass;
      if (RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
        s.classRegistered = true;
        s.classInstance = instance;
      }
    }
    s.frameRate = FPS();
  }
  HWND hwnd = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_CHILD | WS_VISIBLE, x, y, w, h, parentWnd, nullptr,
                              instance, this);
  if (!hwnd) {
    {
      Shared& s = Process();
      std::lock_guard<std::mutex> guard(s.lock);
      --s.openWindows;
    }
    mHWND = nullptr;
    ReleaseClassIfUnused();
    return nullptr;
  }
  mHWND = hwnd;
  MarkAllControlsDirty();
  if (TooltipsEnabled()) CreateTooltips();
  return mHWND;
}

void IGraphicsWin::CreateTooltips() {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof(icc);
  icc.dwICC = ICC_TAB_CLASSES;
  HWND tip = nullptr;
  if (InitCommonControlsEx(&icc)) {
    tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, static_cast<HWND>(mHWND), nullptr,
                          static_cast<HINSTANCE>(mHInstance), nullptr);
  }
  if (tip) {
    SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = static_cast<HWND>(mHWND);
    ti.uId = reinterpret_cast<UINT_PTR>(mHWND);
    ti.lpszText = const_cast<char*>("");
    if (!SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti))) {
      DestroyWindow(tip);
      tip = nullptr;
    }
  }
  if (!tip) {
    EnableTooltips(false);
    return;
  }
  mTooltipWnd = tip;
}

void IGraphicsWin::CloseWindow() {
  if (!mHWND) {
    // The host destroyed its window, and ours with it, before closing the editor.
    ReleaseClassIfUnused();
    return;
  }
  // An open entry goes with its window, without effect.
  CloseTextEntry();
  if (mTooltipWnd) {
    DestroyWindow(static_cast<HWND>(mTooltipWnd));
    mTooltipWnd = nullptr;
  }
  mShowingTooltip = false;
  mTooltipIdx = -1;
  DestroyWindow(static_cast<HWND>(mHWND));
  // WM_NCDESTROY has run WindowDestroyed; if the window was somehow not destroyed, forget it all
  // the same so that the count stays balanced.
  if (mHWND) WindowDestroyed(mHWND);
  ReleaseClassIfUnused();
}

void IGraphicsWin::WindowDestroyed(void* hwnd) {
  if (!hwnd || hwnd != mHWND) return;
  HWND w = static_cast<HWND>(hwnd);
  KillTimer(w, kTimerId);
  SetWindowLongPtrA(w, GWLP_USERDATA, 0);
  // The entry and the tooltip were ours (child and owned window) and go with the window.
  if (mEntryFont) DeleteObject(static_cast<HFONT>(mEntryFont));
  mEntryFont = nullptr;
  mEntryWnd = nullptr;
  mEntryControl = nullptr;
  mEntryParam = nullptr;
  mEntryPrevProc = 0;
  mEntryState = kEntryIdle;
  mTooltipWnd = nullptr;
  mShowingTooltip = false;
  mTooltipIdx = -1;
  mHWND = nullptr;
  ReleaseMouseCapture();
  Shared& s = Process();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.openWindows > 0) --s.openWindows;
}

void IGraphicsWin::PaintToScreen(const IRect& rect) {
  HWND hwnd = static_cast<HWND>(mHWND);
  if (!hwnd) return;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc && GetSurface().Valid()) {
    HDC memory = CreateCompatibleDC(dc);
    if (memory) {
      HGDIOBJ old = SelectObject(memory, static_cast<HBITMAP>(GetSurface().NativeBitmap()));
      BitBlt(dc, rect.L, rect.T, rect.W(), rect.H(), memory, rect.L, rect.T, SRCCOPY);
      SelectObject(memory, old);
      DeleteDC(memory);
    }
  }
  EndPaint(hwnd, &ps);
}

void IGraphicsWin::Resize(int width, int height) {
  if (width == Width() && height == Height()) return;
  const int dw = width - Width(), dh = height - Height();
  IGraphics::Resize(width, height);
  HWND hwnd = static_cast<HWND>(mHWND);
  if (!hwnd) return;
  auto grow = [dw, dh](HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    SetWindowPos(w, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  // A real child (not an MDI child) lives inside its host's frame, which grows with it.
  auto isChild = [](HWND w) {
    return (GetWindowLongA(w, GWL_STYLE) & WS_CHILD) && !(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_MDICHILD);
  };
  grow(hwnd);
  if (isChild(hwnd)) {
    if (HWND parent = GetParent(hwnd)) {
      grow(parent);
      if (isChild(parent))
        if (HWND grand = GetParent(parent)) grow(grand);
    }
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

// ---- Messages ----

intptr_t IGraphicsWin::HandleMessage(void* window, unsigned msg, uintptr_t wParam, intptr_t lParam) {
  HWND hwnd = static_cast<HWND>(window);
  if (msg == WM_CREATE) {
    mHWND = hwnd;
    int rate = 25;
    {
      Shared& s = Process();
      std::lock_guard<std::mutex> guard(s.lock);
      rate = s.frameRate > 0 ? s.frameRate : 25;
    }
    SetTimer(hwnd, kTimerId, static_cast<UINT>(1000 / rate), nullptr);
    SetFocus(hwnd);
    return 0;
  }
  // Just after the entry took the focus, the window keeps still until the next tick; a click
  // then takes the entry away without effect.
  if (mEntryWnd && mEntryState == kEntryFocused && msg != WM_TIMER && msg != WM_PAINT) {
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) {
      mEntryState = kEntryCancel;
      return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return 0;
    case WM_PAINT: {
      RECT r;
      if (GetUpdateRect(hwnd, &r, FALSE)) Draw(IRect(r.left, r.top, r.right, r.bottom));
      // Nothing to draw with (no controls, no picture): the area still counts as painted.
      if (GetUpdateRect(hwnd, nullptr, FALSE)) ValidateRect(hwnd, nullptr);
      return 0;
    }
    case WM_CLOSE:
      CloseWindow();
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP: {
      if (msg == WM_KEYDOWN) {
        const int code = KeyCodeFor(wParam);
        if (code != KEY_NONE) {
          POINT p;
          GetCursorPos(&p);
          ScreenToClient(hwnd, &p);
          if (OnKeyDown(p.x, p.y, code)) return 0;
        }
      }
      // Unhandled keys and every key-up go to the host's window: it keeps its shortcuts.
      HWND root = GetAncestor(hwnd, GA_ROOT);
      if (root && root != hwnd) return SendMessageA(root, msg, wParam, lParam);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kTimerId) {
        OnTimer();
        return 0;
      }
      break;
    case WM_CTLCOLOREDIT:
      if (mEntryControl) {
        const ITextStyle& style = mEntryControl->GetTextStyle();
        const IColor& bg = style.mTextEntryBGColor;
        const IColor& fg = style.mTextEntryFGColor;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, RGB(bg.R, bg.G, bg.B));
        SetTextColor(dc, RGB(fg.R, fg.G, fg.B));
        SetBkMode(dc, OPAQUE);
        SetDCBrushColor(dc, RGB(bg.R, bg.G, bg.B));
        return reinterpret_cast<intptr_t>(GetStockObject(DC_BRUSH));
      }
      break;
    case WM_MOUSEMOVE:
      if (wParam & (MK_LBUTTON | MK_RBUTTON)) {
        if (GetCapture() == hwnd && !mEntryWnd) OnMouseDrag(x, y, ModifiersFrom(wParam));
      } else if (OnMouseOver(x, y, ModifiersFrom(wParam))) {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, HOVER_DEFAULT};
        TrackMouseEvent(&track);
        if (TooltipsEnabled() && GetMouseOver() != mTooltipIdx) {
          mTooltipIdx = GetMouseOver();
          if (mTooltipIdx >= 0) {
            track.dwFlags = TME_HOVER | TME_LEAVE;
            TrackMouseEvent(&track);
          }
          HideTooltip();
        }
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      HideTooltip();
      if (mEntryWnd) {
        mEntryState = kEntryCommit;
      } else {
        SetFocus(hwnd);
        SetCapture(hwnd);
        OnMouseDown(x, y, ModifiersFrom(wParam));
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      ReleaseCapture();
      OnMouseUp(x, y, ModifiersFrom(wParam));
      return 0;
    case WM_LBUTTONDBLCLK:
      if (OnMouseDblClick(x, y, ModifiersFrom(wParam))) SetCapture(hwnd);
      return 0;
    case WM_MOUSEWHEEL:
      if (mEntryWnd) {
        mEntryState = kEntryCancel;
      } else {
        const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        RECT r;
        GetWindowRect(hwnd, &r);
        OnMouseWheel(x - r.left, y - r.top, ModifiersFrom(GET_KEYSTATE_WPARAM(wParam)), notches);
      }
      return 0;
    case WM_MOUSEHOVER: {
      IControl* control = GetControl(GetMouseOver());
      SetTooltipText(control ? control->GetTooltip().c_str() : "");
      mShowingTooltip = true;
      return 0;
    }
    case WM_MOUSELEAVE:
      HideTooltip();
      // Coming back onto the same control shows its tooltip again.
      mTooltipIdx = -1;
      OnMouseOut();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void IGraphicsWin::OnTimer() {
  HWND hwnd = static_cast<HWND>(mHWND);
  if (mEntryWnd) {
    switch (mEntryState) {
      case kEntryCancel:
        CloseTextEntry();
        return;
      case kEntryCommit: {
        wchar_t typed[32] = {};
        GetWindowTextW(static_cast<HWND>(mEntryWnd), typed, 32);
        IControl* control = mEntryControl;
        IParameter* param = mEntryParam;
        CloseTextEntry();
        SetFromStringAfterPrompt(control, param, Narrow(typed).c_str());
        return;
      }
      case kEntryFocused:
      case kEntryRedrawn:
        mEntryState = kEntryIdle;
        return;
      default:
        break;
    }
  }
  IRect dirty;
  if (!CollectDirtyRect(dirty)) return;
  // The timer may have closed the window (a control's idle work can close the editor).
  if (!mHWND) return;
  RECT r{dirty.L, dirty.T, dirty.R, dirty.B};
  InvalidateRect(hwnd, &r, FALSE);
  if (mEntryWnd && mEntryControl) {
    // The control under the entry is not painted over it.
    const IRect& c = mEntryControl->GetRECT();
    RECT under{c.L, c.T, c.R, c.B};
    ValidateRect(hwnd, &under);
    UpdateWindow(hwnd);
    mEntryState = kEntryRedrawn;
  } else {
    UpdateWindow(hwnd);
  }
}

void IGraphicsWin::CancelTextEntry() {
  if (mEntryWnd) mEntryState = kEntryCancel;
}

void IGraphicsWin::ShowTextEntry(IControl* control, const ITextStyle& style, const IRect& rect, const char* text,
                                 IParameter* param) {
  if (!control || mEntryWnd || !mHWND) return;
  DWORD align = ES_LEFT;
  if (style.mAlign == ITextStyle::kAlignCenter) align = ES_CENTER;
  if (style.mAlign == ITextStyle::kAlignFar) align = ES_RIGHT;
  const std::wstring wide = Widen(text);
  HWND entry = CreateWindowExW(0, L"EDIT", wide.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_MULTILINE | align,
                               rect.L, rect.T, rect.W() + 1, rect.H() + 1, static_cast<HWND>(mHWND),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryId)),
                               static_cast<HINSTANCE>(mHInstance), nullptr);
  if (!entry) return;
  HFONT font = CreateFontA(style.mSize, 0, 0, 0, style.mStyle == ITextStyle::kStyleBold ? FW_BOLD : FW_DONTCARE,
                           style.mStyle == ITextStyle::kStyleItalic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, style.mFont);
  if (font) SendMessageW(entry, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(entry, EM_LIMITTEXT, static_cast<WPARAM>(std::max(0, control->GetTextEntryLength())), 0);
  SendMessageW(entry, EM_SETSEL, 0, -1);
  mEntryWnd = entry;
  mEntryFont = font;
  mEntryControl = control;
  mEntryParam = param;
  mEntryState = kEntryIdle;
  mEntryPrevProc = SetWindowLongPtrW(entry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EntryProc));
  if (!g_editProc) g_editProc = reinterpret_cast<WNDPROC>(mEntryPrevProc);
  SetWindowLongPtrW(entry, GWLP_USERDATA, kEntryMarker);
  SetFocus(entry);
}

intptr_t IGraphicsWin::HandleEntryMessage(void* window, unsigned msg, uintptr_t wParam, intptr_t lParam) {
  HWND entry = static_cast<HWND>(window);
  WNDPROC previous = mEntryPrevProc ? reinterpret_cast<WNDPROC>(mEntryPrevProc) : g_editProc;
  if (entry != mEntryWnd || !previous) return DefWindowProcW(entry, msg, wParam, lParam);
  HideTooltip();
  switch (msg) {
    case WM_SETFOCUS:
      mEntryState = kEntryFocused;
      break;
    case WM_KILLFOCUS:
      mEntryState = kEntryCommit;
      break;
    case WM_GETDLGCODE:
      if (!mEntryParam) return CallWindowProcW(previous, entry, msg, wParam, lParam) | DLGC_WANTALLKEYS;
      break;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        mEntryState = kEntryCommit;
        return 0;
      }
      if (wParam == VK_ESCAPE) {
        mEntryState = kEntryCancel;
        return 0;
      }
      break;
    case WM_CHAR:
      // Return and Escape were handled as keys; as characters they would only put a line break
      // into the one-line value.
      if (wParam == '\r' || wParam == '\n' || wParam == 0x1B) return 0;
      if (mEntryParam && wParam != '\b' && !EntryAcceptsCharacter(mEntryParam, static_cast<int>(wParam))) return 0;
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) mEntryState = kEntryCommit;
      break;
    default:
      break;
  }
  return CallWindowProcW(previous, entry, msg, wParam, lParam);
}

void IGraphicsWin::CloseTextEntry() {
  HWND entry = static_cast<HWND>(mEntryWnd);
  if (!entry) return;
  // Cleared first: destroying the focused entry moves the focus, which must not commit again.
  mEntryWnd = nullptr;
  mEntryControl = nullptr;
  mEntryParam = nullptr;
  mEntryState = kEntryIdle;
  if (mEntryPrevProc) SetWindowLongPtrW(entry, GWLP_WNDPROC, mEntryPrevProc);
  mEntryPrevProc = 0;
  DestroyWindow(entry);
  if (mEntryFont) DeleteObject(static_cast<HFONT>(mEntryFont));
  mEntryFont = nullptr;
  if (mHWND && GetFocus() == nullptr) SetFocus(static_cast<HWND>(mHWND));
}

// ---- Tooltips ----

void IGraphicsWin::SetTooltipText(const char* text) {
  HWND tip = static_cast<HWND>(mTooltipWnd);
  if (!tip) return;
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.hwnd = static_cast<HWND>(mHWND);
  ti.uId = reinterpret_cast<UINT_PTR>(mHWND);
  ti.lpszText = const_cast<char*>(text ? text : "");
  SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessageA(tip, TTM_ACTIVATE, text && *text ? TRUE : FALSE, 0);
}

void IGraphicsWin::HideTooltip() {
  if (!mShowingTooltip) return;
  mShowingTooltip = false;
  if (mTooltipWnd) {
    SendMessageA(static_cast<HWND>(mTooltipWnd), TTM_POP, 0, 0);
    SendMessageA(static_cast<HWND>(mTooltipWnd), TTM_ACTIVATE, FALSE, 0);
  }
}

// ---- Menus and dialogs ----

IPopupMenu* IGraphicsWin::ShowPopupMenu(IPopupMenu* menu, const IRect& rect) {
  ReleaseMouseCapture();
  HWND hwnd = static_cast<HWND>(mHWND);
  if (!menu || !hwnd) return nullptr;
  int next = 0;
  HMENU native = BuildMenu(*menu, next);
  IPopupMenu* chosen = nullptr;
  if (native) {
    POINT p{rect.L, rect.B};
    ClientToScreen(hwnd, &p);
    TrackPopupMenu(native, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, p.x, p.y, 0, hwnd, nullptr);
    // The choice arrives as a command message to the window; command 0 is the first item.
    MSG m;
    if (PeekMessageA(&m, hwnd, WM_COMMAND, WM_COMMAND, PM_REMOVE) && HIWORD(m.wParam) == 0) {
      int start = 0, index = -1;
      chosen = FindCommand(*menu, static_cast<int>(LOWORD(m.wParam)), start, index);
      if (chosen) chosen->SetChosenItemIdx(index);
    }
    DestroyMenu(native);
  }
  InvalidateRect(hwnd, nullptr, FALSE);
  return chosen;
}

void* IGraphicsWin::GetMainWnd() {
  if (mMainWnd && IsWindow(static_cast<HWND>(mMainWnd))) return mMainWnd;
  mMainWnd = nullptr;
  if (mHWND) {
    HWND w = static_cast<HWND>(mHWND);
    while (HWND parent = GetParent(w)) w = parent;
    char name[256] = {};
    GetClassNameA(w, name, sizeof(name));
    mMainWnd = w;
    mMainWndClassName = name;
    return mMainWnd;
  }
  if (!mMainWndClassName.empty()) {
    MainWindowSearch search{&mMainWndClassName, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    mMainWnd = search.found;
  }
  return mMainWnd;
}

int IGraphicsWin::ShowMessageBox(const char* text, const char* caption, int type) {
  return MessageBoxW(static_cast<HWND>(GetMainWnd()), Widen(text).c_str(), Widen(caption).c_str(),
                     static_cast<UINT>(type));
}

void IGraphicsWin::ChooseFile(std::string& fileName, int action, std::string& folder, const char* extensions) {
  if (!mHWND) {
    fileName.clear();
    return;
  }
  // Fixed buffers, as the dialog wants them; nothing is written past them: a list that does not
  // fit is cut to the extensions that do, and a starting name that does not fit is left out.
  char filter[kFilterBytes] = {};
  char defExt[kDefExtBytes] = {};
  char file[kFileNameBytes] = {};
  std::string ext;
  const std::string built = FileDialogFilter(extensions, sizeof(filter), sizeof(defExt), ext);
  std::memcpy(filter, built.data(), std::min(built.size(), sizeof(filter)));
  std::snprintf(defExt, sizeof(defExt), "%s", ext.c_str());
  if (fileName.size() < sizeof(file)) std::snprintf(file, sizeof(file), "%s", fileName.c_str());
  std::string initialFolder = folder;
  if (initialFolder.empty()) DesktopFolder(initialFolder);

  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = static_cast<HWND>(mHWND);
  ofn.lpstrFilter = filter[0] ? filter : nullptr;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof(file);
  ofn.lpstrInitialDir = initialFolder.c_str();
  ofn.lpstrDefExt = defExt[0] ? defExt : nullptr;
  BOOL ok;
  if (action == kFileSave) {
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;
    ok = GetSaveFileNameA(&ofn);
  } else {
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    ok = GetOpenFileNameA(&ofn);
  }
  if (!ok) {
    fileName.clear();
    return;
  }
  file[sizeof(file) - 1] = '\0';
  char drive[_MAX_DRIVE] = {}, dir[_MAX_DIR] = {};
  _splitpath(file, drive, dir, nullptr, nullptr);
  char chosenFolder[_MAX_DRIVE + _MAX_DIR] = {};
  std::snprintf(chosenFolder, sizeof(chosenFolder), "%s%s", drive, dir);
  folder = chosenFolder;
  fileName = file;
}

bool IGraphicsWin::ChooseColour(IColor& colour, const char* prompt) {
  if (!mHWND) return false;
  if (!mCustomColours) {
    mCustomColours.reset(new unsigned long[16]);
    std::fill(mCustomColours.get(), mCustomColours.get() + 16, RGB(255, 255, 255));
  }
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof(cc);
  cc.hwndOwner = static_cast<HWND>(mHWND);
  cc.rgbResult = RGB(colour.R, colour.G, colour.B);
  cc.lpCustColors = reinterpret_cast<COLORREF*>(mCustomColours.get());
  cc.Flags = CC_FULLOPEN | CC_RGBINIT | CC_ENABLEHOOK;
  cc.lCustData = reinterpret_cast<LPARAM>(prompt);
  cc.lpfnHook = ColourHook;
  if (!ChooseColorA(&cc)) return false;
  colour.R = GetRValue(cc.rgbResult);
  colour.G = GetGValue(cc.rgbResult);
  colour.B = GetBValue(cc.rgbResult);
  return true;
}

bool IGraphicsWin::OpenWebPage(const char* url, const char* title, const char* confirm, const char* error) {
  if (confirm && *confirm && ShowMessageBox(confirm, title, kMB_YESNO) != kIDYES) return false;
  DWORD state = 0;
  if (url && *url && InternetGetConnectedState(&state, 0)) {
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(static_cast<HWND>(mHWND), L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) return true;
  }
  if (error && *error) ShowMessageBox(error, title, kMB_OK);
  return false;
}

bool IGraphicsWin::ReadClipboardText(std::string& text) {
  text.clear();
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(static_cast<HWND>(mHWND))) return false;
  bool ok = false;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = Narrow(wide);
      ok = true;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return ok;
}

// ---- Folders, cursor, bitmaps ----

void IGraphicsWin::HostFolder(std::string& path) {
  char file[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, file, MAX_PATH);
  path = n > 0 && n < MAX_PATH ? FolderOf(file) : std::string();
}

void IGraphicsWin::PluginFolder(std::string& path) {
  char file[MAX_PATH] = {};
  HMODULE module = static_cast<HMODULE>(mHInstance ? mHInstance : platform::GetModuleHandle());
  const DWORD n = GetModuleFileNameA(module, file, MAX_PATH);
  path = n > 0 && n < MAX_PATH ? FolderOf(file) : std::string();
}

void IGraphicsWin::DesktopFolder(std::string& path) { path = platform::DesktopFolder(); }

void IGraphicsWin::AppDataPath(std::string& path, bool system) {
  char folder[MAX_PATH] = {};
  const int csidl = system ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA;
  path = SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)) ? folder : "";
}

void IGraphicsWin::HideMouseCursor() {
  if (mCursorHidden) return;
  POINT p;
  if (GetCursorPos(&p)) {
    mHiddenCursorX = p.x;
    mHiddenCursorY = p.y;
  }
  ShowCursor(FALSE);
  mCursorHidden = true;
}

void IGraphicsWin::ShowMouseCursor() {
  if (!mCursorHidden) return;
  if (mHiddenCursorX >= 0 && mHiddenCursorY >= 0) SetCursorPos(mHiddenCursorX, mHiddenCursorY);
  ShowCursor(TRUE);
  mCursorHidden = false;
}

}  // namespace pellory
