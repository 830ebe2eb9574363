#include "editor/x11/IGraphicsX11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <strings.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "core/IParameter.h"
#include "drawing/Font.h"
#include "drawing/Png.h"
#include "platform/Files.h"
#include "platform/Module.h"

extern char** environ;

namespace pellory {

using Clock = std::chrono::steady_clock;

namespace {

// ---- X errors ----
// The error handlers are process-wide and the host has its own (a toolkit's usually ends the
// process). Ours are installed only while this code talks to the server and are chained to
// the host's for every display that is not ours, so an error caused by the host still reaches
// the host, and an error of ours (the host destroyed our parent first: BadWindow) is merely
// recorded.
std::mutex gErrorLock;
int gTrapDepth = 0;
XErrorHandler gPreviousHandler = nullptr;
XIOErrorHandler gPreviousIOHandler = nullptr;
std::vector<Display*> gOurDisplays;
int gLastError = 0;

bool IsOurs(Display* d) { return std::find(gOurDisplays.begin(), gOurDisplays.end(), d) != gOurDisplays.end(); }

// Xlib calls these from inside a request of ours, never while the lock is held.
int OnXError(Display* d, XErrorEvent* e) {
  XErrorHandler previous;
  {
    std::lock_guard<std::mutex> guard(gErrorLock);
    if (IsOurs(d)) {
      gLastError = e->error_code;
      return 0;
    }
    previous = gPreviousHandler;
  }
  return previous ? previous(d, e) : 0;
}

int OnXIOError(Display* d) {
  // Our connection broke (the server went away): the exit handler marks it dead and returns.
  XIOErrorHandler previous;
  {
    std::lock_guard<std::mutex> guard(gErrorLock);
    if (IsOurs(d)) return 0;
    previous = gPreviousIOHandler;
  }
  return previous ? previous(d) : 0;
}

class ErrorTrap {
 public:
  ErrorTrap() {
    std::lock_guard<std::mutex> guard(gErrorLock);
    if (gTrapDepth++ == 0) {
      gPreviousHandler = XSetErrorHandler(OnXError);
      gPreviousIOHandler = XSetIOErrorHandler(OnXIOError);
    }
  }
  ~ErrorTrap() {
    std::lock_guard<std::mutex> guard(gErrorLock);
    if (--gTrapDepth == 0) {
      XSetErrorHandler(gPreviousHandler);
      XSetIOErrorHandler(gPreviousIOHandler);
    }
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
};

void RegisterDisplay(Display* d, bool add) {
  std::lock_guard<std::mutex> guard(gErrorLock);
  if (add)
    gOurDisplays.push_back(d);
  else
    gOurDisplays.erase(std::remove(gOurDisplays.begin(), gOurDisplays.end(), d), gOurDisplays.end());
}

// Runs the requests so far and says whether any of them failed.
bool SyncOk(Display* d) {
  {
    std::lock_guard<std::mutex> guard(gErrorLock);
    gLastError = 0;
  }
  XSync(d, False);
  std::lock_guard<std::mutex> guard(gErrorLock);
  return gLastError == 0;
}

std::string ExecutableFolder() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  std::string file(path, n > 0 ? static_cast<std::size_t>(n) : 0);
  const std::size_t cut = file.find_last_of('/');
  return cut == std::string::npos ? std::string() : file.substr(0, cut + 1);
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

bool OnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    std::string dir = list.substr(start, end - start);
    if (dir.empty()) dir = ".";
    if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// Mouse modifiers from an event's state; pressed and released name the button of the event
// itself (a press counts it as down, a release as up, as the platform's own messages do).
MouseModifiers Modifiers(unsigned state, unsigned pressed = 0, unsigned released = 0) {
  MouseModifiers m;
  m.L = ((state & Button1Mask) != 0 || pressed == Button1) && released != Button1;
  m.R = ((state & Button3Mask) != 0 || pressed == Button3) && released != Button3;
  m.S = (state & ShiftMask) != 0;
  m.C = (state & ControlMask) != 0;
  m.A = (state & Mod1Mask) != 0;
  return m;
}

// The key code of a key the controls know (space, arrows, digits, letters), or KEY_NONE.
int KeyCodeForKeysym(KeySym sym) {
  switch (sym) {
    case XK_space: return KEY_SPACE;
    case XK_Up: return KEY_UPARROW;
    case XK_Down: return KEY_DOWNARROW;
    case XK_Left: return KEY_LEFTARROW;
    case XK_Right: return KEY_RIGHTARROW;
    default: break;
  }
  if (sym >= XK_0 && sym <= XK_9) return KeyCodeForCharacter(static_cast<int>('0' + (sym - XK_0)));
  if (sym >= XK_a && sym <= XK_z) return KeyCodeForCharacter(static_cast<int>('a' + (sym - XK_a)));
  if (sym >= XK_A && sym <= XK_Z) return KeyCodeForCharacter(static_cast<int>('A' + (sym - XK_A)));
  return KEY_NONE;
}

// A child process whose standard output is read to the end (file and colour choosers).
// While it runs, the editor's own connection is still served (exposures), so the panel keeps
// its picture; nothing else of the host runs, as with any modal dialog.
struct ChildResult {
  bool started = false;
  int status = -1;
  std::string out;
};

}  // namespace

// ---- The X side ----

struct IGraphicsX11::X {
  explicit X(IGraphicsX11& owner) : g(owner) {}

  IGraphicsX11& g;
  Display* display = nullptr;
  bool dead = false;  // the connection broke
  int screen = 0;
  Visual* visual = nullptr;
  int depth = 0;
  Colormap colormap = 0;
  Window parent = 0;
  Window window = 0;
  GC gc = nullptr;
  XImage* image = nullptr;
  XShmSegmentInfo shm{};
  bool useShm = false;
  Atom wmProtocols = 0, wmDelete = 0, clipboard = 0, utf8 = 0, selectionProperty = 0, wmName = 0,
       windowType = 0, typeDialog = 0;
  Clock::time_point lastTick;
  int periodMs = 40;
  IRect exposed;
  bool fullRepaint = false;

  // Mouse.
  bool captured = false;
  Time lastClickTime = 0;
  int lastClickX = -100, lastClickY = -100;
  bool pointerInside = false;
  int pointerX = 0, pointerY = 0;

  // Tooltip.
  Window tipWindow = 0;
  bool tipShown = false;
  int tipArmed = -1;
  bool hoverPending = false;
  Clock::time_point lastMotion;

  // Text entry (a child window over the control).
  Window entryWindow = 0;
  IControl* entryControl = nullptr;
  IParameter* entryParam = nullptr;
  int entryState = 0;  // 0 idle, 1 just focused, 2 redrawn, 3 cancel, 4 commit
  ITextStyle entryStyle;
  IRect entryRect;
  std::string entryText;
  int entryCaret = 0;
  bool entrySelected = false;
  int entryLimit = 7;

  // Cursor.
  bool cursorHidden = false;
  int hiddenX = -1, hiddenY = -1;
  Cursor blankCursor = 0;

  bool Open() const { return display && window && !dead; }

  // ---- Presentation ----
  bool CreateImage();
  void DestroyImage();
  void Put(const IRect& rect);
  void PutSurface(Window w, const drawing::Surface& s);

  // ---- Events ----
  void Pump();
  void Handle(XEvent& e);
  void Tick();
  void PaintExposed();
  void ForwardKey(XEvent& e);
  void ServeModal(const XEvent& e);
  bool WaitForEvents(int timeoutMs);

  // ---- Tooltip ----
  void ShowTip(const std::string& text);
  void HideTip();

  // ---- Text entry ----
  void DrawEntry();
  void EntryKey(XKeyEvent& e);
  void CloseEntry();
  void FinishEntry();

  // ---- Teardown ----
  void Teardown(bool windowGone);

  ChildResult RunChild(const std::vector<std::string>& args);
  Window TopLevel();
};

namespace {

// The surface's pixels are 0xAARRGGBB words, the layout of a 24-bit TrueColor image with 32 bits
// per pixel on a little-endian client: then rows are copied as they are.
bool DirectLayout(const XImage* image) {
  return image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 &&
         image->blue_mask == 0xFF && image->byte_order == LSBFirst;
}

unsigned long ToVisualPixel(const XImage* image, drawing::Pixel p) {
  auto place = [](unsigned long mask, int value) -> unsigned long {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    int bits = 0;
    while ((mask >> (shift + bits)) & 1) ++bits;
    const unsigned long v = static_cast<unsigned long>(value) >> (8 - std::min(bits, 8));
    return (v << shift) & mask;
  };
  return place(image->red_mask, drawing::PixelR(p)) | place(image->green_mask, drawing::PixelG(p)) |
         place(image->blue_mask, drawing::PixelB(p));
}

void CopyPixels(XImage* image, const drawing::Surface& s, const drawing::Rect& r) {
  if (DirectLayout(image)) {
    for (int y = r.top; y < r.bottom; ++y)
      std::memcpy(image->data + static_cast<std::size_t>(y) * image->bytes_per_line + 4 * r.left,
                  s.Pixels() + static_cast<std::size_t>(y) * s.Width() + r.left, 4 * static_cast<std::size_t>(r.Width()));
    return;
  }
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) XPutPixel(image, x, y, ToVisualPixel(image, s.At(x, y)));
}

}  // namespace

bool IGraphicsX11::X::CreateImage() {
  const int w = g.Width(), h = g.Height();
  useShm = false;
  int major = 0, minor = 0;
  Bool pixmaps = False;
  if (XShmQueryVersion(display, &major, &minor, &pixmaps)) {
    image = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shm,
                            static_cast<unsigned>(w), static_cast<unsigned>(h));
    if (image) {
      shm.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * h, IPC_CREAT | 0600);
      void* address = shm.shmid >= 0 ? shmat(shm.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
      if (address != reinterpret_cast<void*>(-1)) {
        shm.shmaddr = image->data = static_cast<char*>(address);
        shm.readOnly = False;
        // A remote server cannot attach: then the ordinary path.
        if (XShmAttach(display, &shm) && SyncOk(display)) useShm = true;
      }
      // Marked for removal at once: it goes when both sides have detached, even after a crash.
      if (shm.shmid >= 0) shmctl(shm.shmid, IPC_RMID, nullptr);
      if (!useShm) {
        if (address != reinterpret_cast<void*>(-1)) shmdt(address);
        image->data = nullptr;
        XDestroyImage(image);
        image = nullptr;
      }
    }
  }
  if (!useShm) {
    image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                         static_cast<unsigned>(w), static_cast<unsigned>(h), 32, 0);
    if (!image) return false;
    image->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line), static_cast<std::size_t>(h)));
    if (!image->data) {
      XDestroyImage(image);
      image = nullptr;
      return false;
    }
  }
  return true;
}

void IGraphicsX11::X::DestroyImage() {
  if (!image) return;
  if (useShm) {
    if (display && !dead) {
      XShmDetach(display, &shm);
      XSync(display, False);
    }
    shmdt(shm.shmaddr);
    image->data = nullptr;
  }
  XDestroyImage(image);  // frees the data of an ordinary image
  image = nullptr;
  useShm = false;
}

void IGraphicsX11::X::Put(const IRect& rect) {
  if (!Open() || !image || !g.GetSurface().Valid()) return;
  const drawing::Surface& s = g.GetSurface();
  const drawing::Rect r = drawing::Rect{rect.L, rect.T, rect.R, rect.B}.Intersect(s.Bounds());
  if (r.Empty() || s.Width() != image->width || s.Height() != image->height) return;
  CopyPixels(image, s, r);
  if (useShm) {
    XShmPutImage(display, window, gc, image, r.left, r.top, r.left, r.top, static_cast<unsigned>(r.Width()),
                 static_cast<unsigned>(r.Height()), False);
    // The shared pixels are written again next frame: the server must have read them by then.
    XSync(display, False);
  } else {
    XPutImage(display, window, gc, image, r.left, r.top, r.left, r.top, static_cast<unsigned>(r.Width()),
              static_cast<unsigned>(r.Height()));
    XFlush(display);
  }
}

void IGraphicsX11::X::PutSurface(Window w, const drawing::Surface& s) {
  if (!display || dead || !w || !s.Valid()) return;
  XImage* img = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                             static_cast<unsigned>(s.Width()), static_cast<unsigned>(s.Height()), 32, 0);
  if (!img) return;
  img->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(img->bytes_per_line), static_cast<std::size_t>(s.Height())));
  if (img->data) {
    CopyPixels(img, s, s.Bounds());
    XPutImage(display, w, gc, img, 0, 0, 0, 0, static_cast<unsigned>(s.Width()), static_cast<unsigned>(s.Height()));
    XFlush(display);
  }
  XDestroyImage(img);
}

// ---- Events ----

void IGraphicsX11::X::Pump() {
  while (Open() && XPending(display)) {
    XEvent e;
    XNextEvent(display, &e);
    Handle(e);
  }
  if (!Open()) return;
  PaintExposed();
  const Clock::time_point now = Clock::now();
  if (now - lastTick >= std::chrono::milliseconds(periodMs)) {
    // Behind by more than a period (a slow host): the clock restarts instead of catching up.
    lastTick = now - lastTick >= std::chrono::milliseconds(2 * periodMs) ? now : lastTick + std::chrono::milliseconds(periodMs);
    Tick();
  }
  if (Open() && hoverPending && pointerInside && now - lastMotion >= std::chrono::milliseconds(400)) {
    hoverPending = false;
    IControl* control = g.GetControl(g.GetMouseOver());
    ShowTip(control ? control->GetTooltip() : std::string());
  }
}

void IGraphicsX11::X::PaintExposed() {
  if (fullRepaint) {
    fullRepaint = false;
    exposed = IRect(0, 0, g.Width(), g.Height());
  }
  if (exposed.Empty()) return;
  const IRect r = exposed;
  exposed = IRect();
  g.Draw(r);
}

void IGraphicsX11::X::Tick() {
  if (entryControl) {
    if (entryState == 3 || entryState == 4) {
      FinishEntry();
      return;
    }
    if (entryState == 1 || entryState == 2) {
      entryState = 0;
      return;
    }
  }
  IRect dirty;
  if (g.CollectDirtyRect(dirty)) {
    g.Draw(dirty);
    if (entryControl) entryState = 2;
  }
}

Window IGraphicsX11::X::TopLevel() {
  Window w = window, root = 0, up = 0;
  Window* children = nullptr;
  unsigned n = 0;
  for (int guard = 0; w && guard < 64; ++guard) {
    if (!XQueryTree(display, w, &root, &up, &children, &n)) return 0;
    if (children) XFree(children);
    if (up == root || !up) return w;
    w = up;
  }
  return w;
}

void IGraphicsX11::X::ForwardKey(XEvent& e) {
  // Keys the panel does not take belong to the host: its top-level window gets them unchanged.
  const Window top = TopLevel();
  if (!top || top == window) return;
  XEvent copy = e;
  copy.xkey.window = top;
  XSendEvent(display, top, True, e.type == KeyPress ? KeyPressMask : KeyReleaseMask, &copy);
  XFlush(display);
}

void IGraphicsX11::X::Handle(XEvent& e) {
  if (entryWindow && e.xany.window == entryWindow) {
    if (tipShown) HideTip();
    switch (e.type) {
      case Expose:
        if (e.xexpose.count == 0) DrawEntry();
        break;
      case FocusIn:
        if (e.xfocus.mode == NotifyNormal && entryState == 0) entryState = 1;
        break;
      case FocusOut:
        // The focus went elsewhere: the entry commits (not for a passing grab).
        if (e.xfocus.mode == NotifyNormal && e.xfocus.detail != NotifyInferior && e.xfocus.detail != NotifyPointer)
          entryState = 4;
        break;
      case KeyPress:
        EntryKey(e.xkey);
        break;
      case ButtonPress:
        if (e.xbutton.button == Button4 || e.xbutton.button == Button5) {
          entryState = 3;
        } else if (e.xbutton.button == Button1) {
          // The caret goes to the nearest character boundary.
          entrySelected = false;
          entryCaret = static_cast<int>(entryText.size());
          DrawEntry();
        }
        break;
      default:
        break;
    }
    return;
  }
  if (e.xany.window != window) return;
  if (entryControl && entryState == 1 && e.type != Expose && e.type != DestroyNotify) {
    // An entry that has only just taken the focus: a left or right press cancels it, and no
    // other input reaches the panel until the next tick.
    if (e.type == ButtonPress && (e.xbutton.button == Button1 || e.xbutton.button == Button3)) entryState = 3;
    return;
  }
  switch (e.type) {
    case Expose:
      exposed = exposed.Union(IRect(e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width, e.xexpose.y + e.xexpose.height));
      if (e.xexpose.count == 0) PaintExposed();
      break;
    case DestroyNotify:
      if (e.xdestroywindow.window == window) Teardown(true);
      break;
    case ButtonPress: {
      const unsigned b = e.xbutton.button;
      const int x = e.xbutton.x, y = e.xbutton.y;
      if (b == Button4 || b == Button5) {
        // One wheel notch per button event: the platform's 120 units each.
        if (entryControl) {
          entryState = 3;
          break;
        }
        const int delta = b == Button4 ? 120 : -120;
        g.OnMouseWheel(x, y, Modifiers(e.xbutton.state), delta / 120);
        break;
      }
      if (b != Button1 && b != Button2 && b != Button3) break;
      if (tipShown) HideTip();
      hoverPending = false;
      if (entryControl) {
        entryState = 4;
        break;
      }
      ErrorTrap trap;
      XSetInputFocus(display, window, RevertToParent, CurrentTime);
      const MouseModifiers mods = Modifiers(e.xbutton.state, b);
      // The second press of a left click soon after the first, near it, is a double click.
      const bool doubleClick = b == Button1 && e.xbutton.time - lastClickTime <= 500 &&
                               std::abs(x - lastClickX) <= 2 && std::abs(y - lastClickY) <= 2;
      if (b == Button1) {
        lastClickTime = doubleClick ? 0 : e.xbutton.time;
        lastClickX = x;
        lastClickY = y;
      }
      if (doubleClick) {
        captured = g.OnMouseDblClick(x, y, mods);
      } else {
        captured = true;
        g.OnMouseDown(x, y, mods);
      }
      break;
    }
    case ButtonRelease: {
      const unsigned b = e.xbutton.button;
      if (b != Button1 && b != Button2 && b != Button3) break;
      captured = false;
      g.OnMouseUp(e.xbutton.x, e.xbutton.y, Modifiers(e.xbutton.state, 0, b));
      break;
    }
    case MotionNotify: {
      // Only the latest position matters.
      while (XCheckTypedWindowEvent(display, window, MotionNotify, &e)) {
      }
      const int x = e.xmotion.x, y = e.xmotion.y;
      pointerInside = true;
      pointerX = x;
      pointerY = y;
      lastMotion = Clock::now();
      if (e.xmotion.state & (Button1Mask | Button3Mask)) {
        if (captured && !entryControl) g.OnMouseDrag(x, y, Modifiers(e.xmotion.state));
        break;
      }
      if (g.OnMouseOver(x, y, Modifiers(e.xmotion.state)) && g.TooltipsEnabled()) {
        const int over = g.GetMouseOver();
        if (over != tipArmed) {
          tipArmed = over;
          hoverPending = over >= 0;
          if (tipShown) HideTip();
        } else if (!tipShown && over >= 0) {
          hoverPending = true;
        }
      }
      break;
    }
    case EnterNotify:
      pointerInside = true;
      break;
    case LeaveNotify:
      if (e.xcrossing.detail == NotifyInferior || captured) break;
      pointerInside = false;
      hoverPending = false;
      if (tipShown) HideTip();
      tipArmed = -1;
      g.OnMouseOut();
      break;
    case KeyPress: {
      char buffer[8];
      KeySym sym = NoSymbol;
      XLookupString(&e.xkey, buffer, sizeof(buffer), &sym, nullptr);
      const int code = KeyCodeForKeysym(sym);
      if (code == KEY_NONE || !g.OnKeyDown(e.xkey.x, e.xkey.y, code)) ForwardKey(e);
      break;
    }
    case KeyRelease:
      ForwardKey(e);
      break;
    default:
      break;
  }
}

bool IGraphicsX11::X::WaitForEvents(int timeoutMs) {
  if (!display || dead) return false;
  if (XPending(display)) return true;
  pollfd p{ConnectionNumber(display), POLLIN, 0};
  poll(&p, 1, timeoutMs);
  return XPending(display) > 0;
}

// Inside a modal loop (menu, message box, chooser): the editor window keeps its picture and
// its timer's redraw; its input waits.
void IGraphicsX11::X::ServeModal(const XEvent& e) {
  if (e.xany.window == window) {
    if (e.type == Expose)
      exposed = exposed.Union(IRect(e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width, e.xexpose.y + e.xexpose.height));
    else if (e.type == DestroyNotify && e.xdestroywindow.window == window)
      Teardown(true);
  } else if (entryWindow && e.xany.window == entryWindow && e.type == Expose) {
    DrawEntry();
  }
}

// ---- Tooltip ----

void IGraphicsX11::X::ShowTip(const std::string& text) {
  if (text.empty()) {
    HideTip();
    return;
  }
  ITextStyle style(12, IColor(255, 0, 0, 0), "Verdana", ITextStyle::kStyleNormal, ITextStyle::kAlignNear);
  drawing::Font* font = g.CachedFont(style);
  if (!font) return;
  drawing::Rect box{0, 0, 600, 100};
  if (!font->Measure(text.c_str(), box, drawing::kTextNoClip)) return;
  const int w = box.Width() + 10, h = box.Height() + 6;
  drawing::Surface s;
  if (!s.Create(w, h)) return;
  s.Clear(drawing::MakePixel(255, 255, 255, 225));
  const drawing::Pixel edge = drawing::MakePixel(255, 118, 118, 118);
  s.DrawLine(0, 0, w - 1, 0, edge);
  s.DrawLine(0, h - 1, w - 1, h - 1, edge);
  s.DrawLine(0, 0, 0, h - 1, edge);
  s.DrawLine(w - 1, 0, w - 1, h - 1, edge);
  font->Draw(s, text.c_str(), drawing::Rect{5, 3, w - 5, h - 3}, drawing::MakePixel(255, 0, 0, 0), drawing::kTextNoClip);
  int rootX = 0, rootY = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, RootWindow(display, screen), pointerX, pointerY, &rootX, &rootY, &child);
  HideTip();
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.border_pixel = 0;
  a.colormap = colormap;
  a.event_mask = ExposureMask;
  tipWindow = XCreateWindow(display, RootWindow(display, screen), rootX + 2, rootY + 20, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), 0, depth, InputOutput, visual,
                            CWOverrideRedirect | CWBorderPixel | CWColormap | CWEventMask, &a);
  XMapRaised(display, tipWindow);
  XSync(display, False);
  PutSurface(tipWindow, s);
  tipShown = true;
}

void IGraphicsX11::X::HideTip() {
  if (tipWindow && display && !dead) {
    XDestroyWindow(display, tipWindow);
    XFlush(display);
  }
  tipWindow = 0;
  tipShown = false;
}

// ---- Text entry ----

void IGraphicsX11::X::DrawEntry() {
  if (!entryWindow) return;
  const int w = entryRect.W() + 1, h = entryRect.H() + 1;
  drawing::Surface s;
  if (!s.Create(w, h)) return;
  const IColor& bg = entryStyle.mTextEntryBGColor;
  const IColor& fg = entryStyle.mTextEntryFGColor;
  s.Clear(drawing::MakePixel(255, bg.R, bg.G, bg.B));
  drawing::Font* font = g.CachedFont(entryStyle);
  const drawing::Pixel ink = drawing::MakePixel(255, fg.R, fg.G, fg.B);
  int flags = drawing::kTextNoClip;
  if (entryStyle.mAlign == ITextStyle::kAlignCenter) flags |= drawing::kTextCenter;
  if (entryStyle.mAlign == ITextStyle::kAlignFar) flags |= drawing::kTextRight;
  if (font) {
    drawing::Rect whole{1, 0, w - 1, h};
    drawing::Rect textBox = whole;
    font->Measure(entryText.empty() ? " " : entryText.c_str(), textBox, flags);
    if (entryText.empty()) textBox.right = textBox.left;
    const int top = std::max(0, (h - textBox.Height()) / 2);
    if (entrySelected && !entryText.empty()) {
      // Selected text shows inverted.
      s.FillRect(drawing::Rect{textBox.left, top, textBox.right, top + textBox.Height()}, ink, drawing::kBlendOpaque, 1.0f);
      font->Draw(s, entryText.c_str(), drawing::Rect{whole.left, top, whole.right, h}, drawing::MakePixel(255, bg.R, bg.G, bg.B), flags);
    } else {
      font->Draw(s, entryText.c_str(), drawing::Rect{whole.left, top, whole.right, h}, ink, flags);
      drawing::Rect before = whole;
      const std::string head = entryText.substr(0, static_cast<std::size_t>(entryCaret));
      int caretX = textBox.left;
      if (!head.empty() && font->Measure(head.c_str(), before, drawing::kTextNoClip))
        caretX = textBox.left + before.Width();
      s.DrawLine(caretX, top, caretX, top + std::max(textBox.Height(), 8) - 1, ink);
    }
  }
  PutSurface(entryWindow, s);
}

void IGraphicsX11::X::EntryKey(XKeyEvent& e) {
  char buffer[16] = {};
  KeySym sym = NoSymbol;
  const int n = XLookupString(&e, buffer, sizeof(buffer) - 1, &sym, nullptr);
  switch (sym) {
    case XK_Return:
    case XK_KP_Enter:
      entryState = 4;
      return;
    case XK_Escape:
      entryState = 3;
      return;
    case XK_BackSpace:
      if (entrySelected) {
        entryText.clear();
        entryCaret = 0;
      } else if (entryCaret > 0) {
        entryText.erase(static_cast<std::size_t>(entryCaret - 1), 1);
        --entryCaret;
      }
      entrySelected = false;
      DrawEntry();
      return;
    case XK_Delete:
      if (entrySelected) {
        entryText.clear();
        entryCaret = 0;
      } else if (entryCaret < static_cast<int>(entryText.size())) {
        entryText.erase(static_cast<std::size_t>(entryCaret), 1);
      }
      entrySelected = false;
      DrawEntry();
      return;
    case XK_Left:
      entryCaret = entrySelected ? 0 : std::max(0, entryCaret - 1);
      entrySelected = false;
      DrawEntry();
      return;
    case XK_Right:
      entryCaret = entrySelected ? static_cast<int>(entryText.size())
                                 : std::min(static_cast<int>(entryText.size()), entryCaret + 1);
      entrySelected = false;
      DrawEntry();
      return;
    case XK_Home:
      entryCaret = 0;
      entrySelected = false;
      DrawEntry();
      return;
    case XK_End:
      entryCaret = static_cast<int>(entryText.size());
      entrySelected = false;
      DrawEntry();
      return;
    default:
      break;
  }
  if (n != 1) return;
  const unsigned char c = static_cast<unsigned char>(buffer[0]);
  if (c < 32 || c > 126) return;
  // Bound to a parameter, only what a number of its type can hold gets in.
  if (!IGraphics::EntryAcceptsCharacter(entryParam, c)) return;
  if (entrySelected) {
    entryText.clear();
    entryCaret = 0;
    entrySelected = false;
  }
  if (static_cast<int>(entryText.size()) >= entryLimit) return;
  entryText.insert(static_cast<std::size_t>(entryCaret), 1, static_cast<char>(c));
  ++entryCaret;
  DrawEntry();
}

void IGraphicsX11::X::CloseEntry() {
  if (entryWindow && display && !dead) {
    XDestroyWindow(display, entryWindow);
    XFlush(display);
  }
  entryWindow = 0;
  entryControl = nullptr;
  entryParam = nullptr;
  entryState = 0;
  entryText.clear();
}

void IGraphicsX11::X::FinishEntry() {
  IControl* control = entryControl;
  IParameter* param = entryParam;
  const bool commit = entryState == 4;
  std::string text = entryText.substr(0, 31);
  CloseEntry();
  if (display && !dead && window) {
    ErrorTrap trap;
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
  }
  if (commit) g.SetFromStringAfterPrompt(control, param, text.c_str());
}

// ---- Teardown ----

void IGraphicsX11::X::Teardown(bool windowGone) {
  if (!display) return;
  ErrorTrap trap;
  entryControl = nullptr;
  if (!dead) {
    if (tipWindow) XDestroyWindow(display, tipWindow);
    if (entryWindow) XDestroyWindow(display, entryWindow);
    if (cursorHidden && !windowGone) XUndefineCursor(display, window);
  }
  tipWindow = entryWindow = 0;
  tipShown = false;
  tipArmed = -1;
  hoverPending = false;
  entryParam = nullptr;
  entryState = 0;
  DestroyImage();
  if (!dead) {
    if (blankCursor) XFreeCursor(display, blankCursor);
    if (gc) XFreeGC(display, gc);
    if (window && !windowGone) XDestroyWindow(display, window);
    XSync(display, False);
    XCloseDisplay(display);
  }
  // A broken connection is left as it is: Xlib cannot close it cleanly any more.
  RegisterDisplay(display, false);
  blankCursor = 0;
  gc = nullptr;
  display = nullptr;
  window = 0;
  parent = 0;
  dead = false;
  captured = false;
  cursorHidden = false;
  pointerInside = false;
}

ChildResult IGraphicsX11::X::RunChild(const std::vector<std::string>& args) {
  ChildResult result;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (rc != 0) {
    close(pipeFds[0]);
    return result;
  }
  result.started = true;
  for (;;) {
    pollfd p[2] = {{pipeFds[0], POLLIN, 0}, {display && !dead ? ConnectionNumber(display) : -1, POLLIN, 0}};
    poll(p, 2, 40);
    if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      char chunk[512];
      const ssize_t n = read(pipeFds[0], chunk, sizeof(chunk));
      if (n <= 0) break;
      result.out.append(chunk, static_cast<std::size_t>(n));
    }
    while (display && !dead && XPending(display)) {
      XEvent e;
      XNextEvent(display, &e);
      ServeModal(e);
    }
    PaintExposed();
  }
  close(pipeFds[0]);
  captured = false;
  g.ReleaseMouseCapture();
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  while (!result.out.empty() && (result.out.back() == '\n' || result.out.back() == '\r')) result.out.pop_back();
  return result;
}

// ---- IGraphicsX11 ----

IGraphicsX11::IGraphicsX11(IPlugBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps), mX(std::make_unique<X>(*this)) {}

IGraphicsX11::~IGraphicsX11() { CloseWindow(); }

bool IGraphicsX11::IsWindowOpen() { return mX->Open(); }

void* IGraphicsX11::GetWindowHandle() {
  return mX->Open() ? reinterpret_cast<void*>(static_cast<uintptr_t>(mX->window)) : nullptr;
}

namespace {
void OnIOExit(Display*, void* data) { static_cast<IGraphicsX11::X*>(data)->dead = true; }
}  // namespace

void* IGraphicsX11::OpenWindow(void* parent) {
  X& x = *mX;
  int left = 0, top = 0;
  if (x.Open()) {
    // Opened again without a close: the same place and size, and still one window.
    ErrorTrap trap;
    XWindowAttributes a;
    if (XGetWindowAttributes(x.display, x.window, &a)) {
      left = a.x;
      top = a.y;
    }
    CloseWindow();
  }
  if (!parent) return nullptr;
  const Window parentWindow = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
  Display* d = XOpenDisplay(nullptr);
  if (!d) return nullptr;
  RegisterDisplay(d, true);
  x.display = d;
  x.dead = false;
  XSetIOErrorExitHandler(d, OnIOExit, &x);
  ErrorTrap trap;
  XWindowAttributes pa;
  {
    std::lock_guard<std::mutex> guard(gErrorLock);
    gLastError = 0;
  }
  if (!XGetWindowAttributes(d, parentWindow, &pa) || !SyncOk(d)) {
    x.Teardown(true);
    return nullptr;
  }
  x.screen = DefaultScreen(d);
  x.visual = DefaultVisual(d, x.screen);
  x.depth = DefaultDepth(d, x.screen);
  x.colormap = DefaultColormap(d, x.screen);
  x.parent = parentWindow;
  XSetWindowAttributes a{};
  a.background_pixmap = None;
  a.border_pixel = 0;
  a.colormap = x.colormap;
  a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                 LeaveWindowMask | KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
  x.window = XCreateWindow(d, parentWindow, left, top, static_cast<unsigned>(Width()), static_cast<unsigned>(Height()), 0,
                           x.depth, InputOutput, x.visual, CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &a);
  if (!x.window || !SyncOk(d)) {
    x.Teardown(true);
    return nullptr;
  }
  XStoreName(d, x.window, "Pellory");
  x.gc = XCreateGC(d, x.window, 0, nullptr);
  x.wmProtocols = XInternAtom(d, "WM_PROTOCOLS", False);
  x.wmDelete = XInternAtom(d, "WM_DELETE_WINDOW", False);
  x.clipboard = XInternAtom(d, "CLIPBOARD", False);
  x.utf8 = XInternAtom(d, "UTF8_STRING", False);
  x.selectionProperty = XInternAtom(d, "PELLORY_SELECTION", False);
  x.windowType = XInternAtom(d, "_NET_WM_WINDOW_TYPE", False);
  x.typeDialog = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  if (!PrepDraw() || !x.CreateImage()) {
    x.Teardown(false);
    return nullptr;
  }
  XMapWindow(d, x.window);
  XSync(d, False);
  // The editor takes the keyboard focus, as a freshly opened window does.
  XSetInputFocus(d, x.window, RevertToParent, CurrentTime);
  XSync(d, False);
  x.periodMs = std::max(1, 1000 / FPS());
  x.lastTick = Clock::now();
  x.fullRepaint = true;
  MarkAllControlsDirty();
  return reinterpret_cast<void*>(static_cast<uintptr_t>(x.window));
}

void IGraphicsX11::CloseWindow() {
  X& x = *mX;
  if (x.entryControl || x.entryWindow) x.CloseEntry();
  if (x.display) x.Teardown(false);
}

void IGraphicsX11::HostIdle() {
  X& x = *mX;
  if (!x.display) return;
  if (x.dead) {
    x.Teardown(true);
    return;
  }
  ErrorTrap trap;
  x.Pump();
}

void IGraphicsX11::PaintToScreen(const IRect& rect) {
  if (!mX->display) return;
  ErrorTrap trap;
  mX->Put(rect);
}

void IGraphicsX11::CancelTextEntry() {
  if (mX->entryControl) mX->entryState = 3;
}

void IGraphicsX11::Resize(int width, int height) {
  const int dw = width - Width(), dh = height - Height();
  if (!dw && !dh) return;
  IGraphics::Resize(width, height);
  X& x = *mX;
  if (!x.Open()) return;
  ErrorTrap trap;
  x.DestroyImage();
  x.CreateImage();
  XResizeWindow(x.display, x.window, static_cast<unsigned>(width), static_cast<unsigned>(height));
  // The host's window around the editor grows with it, and its parent too when that is not
  // the top level.
  Window w = x.parent;
  for (int level = 0; level < 2 && w; ++level) {
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned n = 0;
    XWindowAttributes a;
    if (!XGetWindowAttributes(x.display, w, &a)) break;
    XResizeWindow(x.display, w, static_cast<unsigned>(std::max(1, a.width + dw)), static_cast<unsigned>(std::max(1, a.height + dh)));
    if (!XQueryTree(x.display, w, &root, &up, &children, &n)) break;
    if (children) XFree(children);
    if (up == root) break;
    w = up;
  }
  XSync(x.display, False);
  x.fullRepaint = true;
}

// ---- Text entry ----

void IGraphicsX11::ShowTextEntry(IControl* control, const ITextStyle& style, const IRect& rect, const char* text,
                                 IParameter* param) {
  X& x = *mX;
  if (!control || x.entryControl || !x.Open()) return;
  ErrorTrap trap;
  x.entryControl = control;
  x.entryParam = param;
  x.entryStyle = style;
  x.entryRect = rect;
  x.entryText = text ? text : "";
  x.entryLimit = control->GetTextEntryLength() > 0 ? control->GetTextEntryLength() : 0;
  if (static_cast<int>(x.entryText.size()) > x.entryLimit) x.entryText.resize(static_cast<std::size_t>(x.entryLimit));
  x.entryCaret = static_cast<int>(x.entryText.size());
  x.entrySelected = true;  // the whole text, so typing replaces it
  x.entryState = 0;
  XSetWindowAttributes a{};
  a.background_pixmap = None;
  a.border_pixel = 0;
  a.colormap = x.colormap;
  a.event_mask = ExposureMask | KeyPressMask | FocusChangeMask | ButtonPressMask;
  x.entryWindow = XCreateWindow(x.display, x.window, rect.L, rect.T, static_cast<unsigned>(std::max(1, rect.W() + 1)),
                                static_cast<unsigned>(std::max(1, rect.H() + 1)), 0, x.depth, InputOutput, x.visual,
                                CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &a);
  XMapRaised(x.display, x.entryWindow);
  XSync(x.display, False);
  XSetInputFocus(x.display, x.entryWindow, RevertToParent, CurrentTime);
  XSync(x.display, False);
  x.DrawEntry();
}

// ---- Popup menus ----

int x11menu::ItemTop(const IPopupMenu& menu, int index) {
  int y = kBorder;
  for (int i = 0; i < index && i < menu.NumItems(); ++i)
    y += menu.GetItem(i)->separator ? kSeparatorHeight : kItemHeight;
  return y;
}

namespace {

struct MenuLevel {
  IPopupMenu* menu = nullptr;
  Window window = 0;
  int x = 0, y = 0, w = 0, h = 0;  // root coordinates
  int hover = -1;
};

// Command numbers: each menu reserves a block for its own items first, then its submenus are
// numbered depth-first. The map gives back the menu and the item's position for a number.
void NumberMenu(IPopupMenu* menu, std::vector<std::pair<IPopupMenu*, int>>& commands) {
  for (int i = 0; i < menu->NumItems(); ++i) commands.emplace_back(menu, i);
  for (int i = 0; i < menu->NumItems(); ++i)
    if (IPopupMenu::Item* item = menu->GetItem(i); item->submenu) NumberMenu(item->submenu.get(), commands);
}

}  // namespace

IPopupMenu* IGraphicsX11::ShowPopupMenu(IPopupMenu* menu, const IRect& rect) {
  ReleaseMouseCapture();
  X& x = *mX;
  x.captured = false;
  x.fullRepaint = true;
  if (!menu || !x.Open() || menu->NumItems() == 0) return nullptr;
  ErrorTrap trap;
  Display* d = x.display;
  const Window root = RootWindow(d, x.screen);
  std::vector<std::pair<IPopupMenu*, int>> commands;
  NumberMenu(menu, commands);
  ITextStyle style(12, IColor(255, 0, 0, 0), "Verdana", ITextStyle::kStyleNormal, ITextStyle::kAlignNear);
  drawing::Font* font = CachedFont(style);
  if (x.tipShown) x.HideTip();

  std::vector<MenuLevel> levels;
  auto widthOf = [&](IPopupMenu* m) {
    int widest = 60;
    for (int i = 0; i < m->NumItems(); ++i) {
      if (m->GetItem(i)->separator || !font) continue;
      const std::string t = m->ItemDisplayText(i);
      drawing::Rect r{0, 0, 2000, 100};
      if (!t.empty() && font->Measure(t.c_str(), r, drawing::kTextNoClip)) widest = std::max(widest, r.Width());
    }
    return widest + 48;
  };
  auto draw = [&](MenuLevel& level) {
    drawing::Surface s;
    if (!s.Create(level.w, level.h)) return;
    s.Clear(drawing::MakePixel(255, 242, 242, 242));
    const drawing::Pixel edge = drawing::MakePixel(255, 120, 120, 120);
    s.DrawLine(0, 0, level.w - 1, 0, edge);
    s.DrawLine(0, level.h - 1, level.w - 1, level.h - 1, edge);
    s.DrawLine(0, 0, 0, level.h - 1, edge);
    s.DrawLine(level.w - 1, 0, level.w - 1, level.h - 1, edge);
    IPopupMenu* m = level.menu;
    for (int i = 0; i < m->NumItems(); ++i) {
      const IPopupMenu::Item* item = m->GetItem(i);
      const int top = x11menu::ItemTop(*m, i);
      if (item->separator) {
        s.DrawLine(6, top + x11menu::kSeparatorHeight / 2, level.w - 7, top + x11menu::kSeparatorHeight / 2,
                   drawing::MakePixel(255, 190, 190, 190));
        continue;
      }
      const bool lit = i == level.hover && item->Enabled();
      drawing::Pixel ink = drawing::MakePixel(255, 0, 0, 0);
      if (item->flags & IPopupMenu::kDisabled) ink = drawing::MakePixel(255, 150, 150, 150);
      if (lit) {
        s.FillRect(drawing::Rect{1, top, level.w - 1, top + x11menu::kItemHeight}, drawing::MakePixel(255, 0, 96, 192),
                   drawing::kBlendOpaque, 1.0f);
        ink = drawing::MakePixel(255, 255, 255, 255);
      }
      if (!font) continue;
      const drawing::Rect textRect{22, top + 3, level.w - 20, top + x11menu::kItemHeight};
      if (item->Checked()) font->Draw(s, "\xE2\x9C\x93", drawing::Rect{6, top + 3, 22, top + x11menu::kItemHeight}, ink, drawing::kTextNoClip);
      const std::string t = m->ItemDisplayText(i);
      if (!t.empty()) font->Draw(s, t.c_str(), textRect, ink, drawing::kTextNoClip);
      if (item->submenu) font->Draw(s, ">", drawing::Rect{level.w - 16, top + 3, level.w - 4, top + x11menu::kItemHeight}, ink, drawing::kTextNoClip);
    }
    x.PutSurface(level.window, s);
  };
  auto open = [&](IPopupMenu* m, int rx, int ry) {
    MenuLevel level;
    level.menu = m;
    level.w = widthOf(m);
    level.h = x11menu::ItemTop(*m, m->NumItems()) + x11menu::kBorder;
    const int sw = DisplayWidth(d, x.screen), sh = DisplayHeight(d, x.screen);
    level.x = std::max(0, std::min(rx, sw - level.w));
    level.y = std::max(0, std::min(ry, sh - level.h));
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.save_under = True;
    a.border_pixel = 0;
    a.colormap = x.colormap;
    a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    level.window = XCreateWindow(d, root, level.x, level.y, static_cast<unsigned>(level.w), static_cast<unsigned>(level.h), 0,
                                 x.depth, InputOutput, x.visual,
                                 CWOverrideRedirect | CWSaveUnder | CWBorderPixel | CWColormap | CWEventMask, &a);
    // Named, so that tools (and tests) can find the menu on the screen.
    XStoreName(d, level.window, "Pellory menu");
    XMapRaised(d, level.window);
    levels.push_back(level);
    draw(levels.back());
  };
  auto closeFrom = [&](std::size_t keep) {
    while (levels.size() > keep) {
      XDestroyWindow(d, levels.back().window);
      levels.pop_back();
    }
  };
  // Which level and item lie under a root position (-1 for none).
  auto hit = [&](int rx, int ry, int& item) -> int {
    for (int l = static_cast<int>(levels.size()) - 1; l >= 0; --l) {
      const MenuLevel& level = levels[static_cast<std::size_t>(l)];
      if (rx < level.x || rx >= level.x + level.w || ry < level.y || ry >= level.y + level.h) continue;
      item = -1;
      for (int i = 0; i < level.menu->NumItems(); ++i) {
        const int top = level.y + x11menu::ItemTop(*level.menu, i);
        const int h = level.menu->GetItem(i)->separator ? x11menu::kSeparatorHeight : x11menu::kItemHeight;
        if (ry >= top && ry < top + h) item = level.menu->GetItem(i)->separator ? -1 : i;
      }
      return l;
    }
    item = -1;
    return -1;
  };
  auto hover = [&](std::size_t l, int item) {
    MenuLevel& level = levels[l];
    if (level.hover == item && (levels.size() == l + 1 || (item >= 0 && level.menu->GetItem(item)->submenu)))
      return;
    level.hover = item;
    closeFrom(l + 1);
    draw(level);
    if (item >= 0) {
      IPopupMenu::Item* it = level.menu->GetItem(item);
      if (it->submenu && it->Enabled() && it->submenu->NumItems() > 0)
        open(it->submenu.get(), level.x + level.w - 2, level.y + x11menu::ItemTop(*level.menu, item) - x11menu::kBorder);
    }
  };

  int rx = 0, ry = 0;
  Window child = 0;
  XTranslateCoordinates(d, x.window, root, rect.L, rect.B, &rx, &ry, &child);
  open(menu, rx, ry);
  XSync(d, False);
  // The menu owns the pointer and keyboard while shown; a press anywhere else dismisses it.
  bool grabbed = false;
  for (int attempt = 0; attempt < 10 && !grabbed; ++attempt) {
    grabbed = XGrabPointer(d, levels[0].window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                           GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    if (!grabbed) usleep(10000);
  }
  XGrabKeyboard(d, levels[0].window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
  int command = -1;
  bool done = false;
  const Clock::time_point opened = Clock::now();
  Clock::time_point lastTick = Clock::now();
  while (!done && x.display && !x.dead) {
    if (!x.WaitForEvents(x.periodMs)) {
      x.PaintExposed();
      if (Clock::now() - lastTick >= std::chrono::milliseconds(x.periodMs)) {
        lastTick = Clock::now();
        IRect dirty;
        if (CollectDirtyRect(dirty)) Draw(dirty);
      }
      continue;
    }
    XEvent e;
    XNextEvent(d, &e);
    int item = -1;
    switch (e.type) {
      case Expose:
        for (MenuLevel& level : levels)
          if (level.window == e.xany.window && e.xexpose.count == 0) draw(level);
        x.ServeModal(e);
        break;
      case MotionNotify: {
        while (XCheckTypedEvent(d, MotionNotify, &e)) {
        }
        const int l = hit(e.xmotion.x_root, e.xmotion.y_root, item);
        if (l >= 0) hover(static_cast<std::size_t>(l), item);
        break;
      }
      case ButtonPress: {
        if (hit(e.xbutton.x_root, e.xbutton.y_root, item) < 0) done = true;
        break;
      }
      case ButtonRelease: {
        const int l = hit(e.xbutton.x_root, e.xbutton.y_root, item);
        if (l >= 0 && item >= 0) {
          IPopupMenu::Item* it = levels[static_cast<std::size_t>(l)].menu->GetItem(item);
          if (!it->submenu && it->Enabled()) {
            for (std::size_t c = 0; c < commands.size(); ++c)
              if (commands[c].first == levels[static_cast<std::size_t>(l)].menu && commands[c].second == item)
                command = static_cast<int>(c);
            done = true;
          }
        } else if (l < 0 && Clock::now() - opened > std::chrono::milliseconds(400) && e.xbutton.button <= Button3) {
          // The release of the press that opened the menu does not close it; a later one outside does.
          done = true;
        }
        break;
      }
      case KeyPress: {
        KeySym sym = XLookupKeysym(&e.xkey, 0);
        MenuLevel& level = levels.back();
        const int n = level.menu->NumItems();
        if (sym == XK_Escape) {
          if (levels.size() > 1) {
            closeFrom(levels.size() - 1);
          } else {
            done = true;
          }
        } else if (sym == XK_Down || sym == XK_Up) {
          int i = level.hover;
          for (int step = 0; step < n; ++step) {
            i = sym == XK_Down ? (i + 1) % n : (i <= 0 ? n - 1 : i - 1);
            if (!level.menu->GetItem(i)->separator) break;
          }
          level.hover = i;
          draw(level);
        } else if (sym == XK_Right && level.hover >= 0 && level.menu->GetItem(level.hover)->submenu) {
          const std::size_t l = levels.size() - 1;
          const int h = levels[l].hover;
          levels[l].hover = -1;
          hover(l, h);
        } else if (sym == XK_Left && levels.size() > 1) {
          closeFrom(levels.size() - 1);
        } else if ((sym == XK_Return || sym == XK_KP_Enter) && level.hover >= 0) {
          IPopupMenu::Item* it = level.menu->GetItem(level.hover);
          if (it->submenu) {
            const std::size_t l = levels.size() - 1;
            const int h = levels[l].hover;
            levels[l].hover = -1;
            hover(l, h);
          } else if (it->Enabled()) {
            for (std::size_t c = 0; c < commands.size(); ++c)
              if (commands[c].first == level.menu && commands[c].second == level.hover) command = static_cast<int>(c);
            done = true;
          }
        }
        break;
      }
      default:
        x.ServeModal(e);
        break;
    }
  }
  if (x.display && !x.dead) {
    XUngrabPointer(d, CurrentTime);
    XUngrabKeyboard(d, CurrentTime);
    closeFrom(0);
    XSync(d, False);
  }
  // Whatever was chosen, the whole editor is painted again.
  x.fullRepaint = true;
  if (command < 0 || command >= static_cast<int>(commands.size())) return nullptr;
  IPopupMenu* holder = commands[static_cast<std::size_t>(command)].first;
  holder->SetChosenItemIdx(commands[static_cast<std::size_t>(command)].second);
  return holder;
}

// ---- Message boxes ----

int IGraphicsX11::ShowMessageBox(const char* text, const char* caption, int type) {
  X& x = *mX;
  const int buttons = type & 0xF;
  std::vector<std::pair<const char*, int>> choices;
  switch (buttons) {
    case kMB_OKCANCEL: choices = {{"OK", kIDOK}, {"Cancel", kIDCANCEL}}; break;
    case kMB_YESNOCANCEL: choices = {{"Yes", kIDYES}, {"No", kIDNO}, {"Cancel", kIDCANCEL}}; break;
    case kMB_YESNO: choices = {{"Yes", kIDYES}, {"No", kIDNO}}; break;
    default: choices = {{"OK", kIDOK}}; break;
  }
  // Escape (or the window manager's close) answers what changes least.
  const int escape = buttons == kMB_YESNO ? kIDNO : (buttons == kMB_OK || buttons > kMB_YESNO ? kIDOK : kIDCANCEL);
  // Without a window of ours there is no screen to ask on.
  if (!x.Open()) return 0;
  ErrorTrap trap;
  Display* d = x.display;
  ITextStyle style(12, IColor(255, 0, 0, 0), "Verdana", ITextStyle::kStyleNormal, ITextStyle::kAlignNear);
  ITextStyle bold(12, IColor(255, 0, 0, 0), "Verdana", ITextStyle::kStyleBold, ITextStyle::kAlignNear);
  ITextStyle centred(12, IColor(255, 0, 0, 0), "Verdana", ITextStyle::kStyleNormal, ITextStyle::kAlignCenter);
  drawing::Font* font = CachedFont(style);
  drawing::Font* boldFont = CachedFont(bold);
  drawing::Font* buttonFont = CachedFont(centred);
  const std::string message = text ? text : "";
  const std::string title = caption ? caption : "";
  drawing::Rect textBox{0, 0, 520, 400};
  if (font && !message.empty()) font->Measure(message.c_str(), textBox, drawing::kTextNoClip);
  const int buttonW = 80, buttonH = 24, gap = 10;
  const int buttonsW = static_cast<int>(choices.size()) * (buttonW + gap) - gap;
  const int w = std::max({textBox.Width() + 40, buttonsW + 40, 240});
  const int captionH = 26;
  const int h = captionH + 20 + std::max(textBox.Height(), 14) + 20 + buttonH + 14;
  const int buttonsTop = h - 14 - buttonH;
  auto buttonRect = [&](std::size_t i) {
    const int left = (w - buttonsW) / 2 + static_cast<int>(i) * (buttonW + gap);
    return drawing::Rect{left, buttonsTop, left + buttonW, buttonsTop + buttonH};
  };
  int focus = 0;
  int pressed = -1;
  auto paint = [&](Window win) {
    drawing::Surface s;
    if (!s.Create(w, h)) return;
    s.Clear(drawing::MakePixel(255, 240, 240, 240));
    const drawing::Pixel edge = drawing::MakePixel(255, 100, 100, 100);
    s.FillRect(drawing::Rect{0, 0, w, captionH}, drawing::MakePixel(255, 58, 60, 66), drawing::kBlendOpaque, 1.0f);
    if (boldFont && !title.empty())
      boldFont->Draw(s, title.c_str(), drawing::Rect{10, 6, w - 10, captionH}, drawing::MakePixel(255, 255, 255, 255), drawing::kTextNoClip);
    if (font && !message.empty())
      font->Draw(s, message.c_str(), drawing::Rect{20, captionH + 20, w - 20, buttonsTop}, drawing::MakePixel(255, 0, 0, 0), drawing::kTextNoClip);
    for (std::size_t i = 0; i < choices.size(); ++i) {
      const drawing::Rect r = buttonRect(i);
      s.FillRect(r, static_cast<int>(i) == pressed ? drawing::MakePixel(255, 200, 200, 200) : drawing::MakePixel(255, 225, 225, 225),
                 drawing::kBlendOpaque, 1.0f);
      const drawing::Pixel frame = static_cast<int>(i) == focus ? drawing::MakePixel(255, 0, 96, 192) : edge;
      s.DrawLine(r.left, r.top, r.right - 1, r.top, frame);
      s.DrawLine(r.left, r.bottom - 1, r.right - 1, r.bottom - 1, frame);
      s.DrawLine(r.left, r.top, r.left, r.bottom - 1, frame);
      s.DrawLine(r.right - 1, r.top, r.right - 1, r.bottom - 1, frame);
      if (buttonFont)
        buttonFont->Draw(s, choices[i].first, drawing::Rect{r.left, r.top + 5, r.right, r.bottom}, drawing::MakePixel(255, 0, 0, 0),
                         drawing::kTextNoClip | drawing::kTextCenter);
    }
    s.DrawLine(0, 0, w - 1, 0, edge);
    s.DrawLine(0, h - 1, w - 1, h - 1, edge);
    s.DrawLine(0, 0, 0, h - 1, edge);
    s.DrawLine(w - 1, 0, w - 1, h - 1, edge);
    x.PutSurface(win, s);
  };
  // Centred over the editor, a dialog of the host's window (transient for its top level).
  int rx = 0, ry = 0;
  Window child = 0;
  const Window root = RootWindow(d, x.screen);
  XTranslateCoordinates(d, x.window, root, (Width() - w) / 2, (Height() - h) / 2, &rx, &ry, &child);
  XSetWindowAttributes a{};
  a.border_pixel = 0;
  a.colormap = x.colormap;
  a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask | StructureNotifyMask;
  const Window box = XCreateWindow(d, root, std::max(0, rx), std::max(0, ry), static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                                   x.depth, InputOutput, x.visual, CWBorderPixel | CWColormap | CWEventMask, &a);
  XStoreName(d, box, title.c_str());
  XChangeProperty(d, box, x.windowType, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&x.typeDialog), 1);
  if (const Window top = x.TopLevel()) XSetTransientForHint(d, box, top);
  XSetWMProtocols(d, box, &x.wmDelete, 1);
  XSizeHints hints{};
  hints.flags = PPosition | PMinSize | PMaxSize;
  hints.x = rx;
  hints.y = ry;
  hints.min_width = hints.max_width = w;
  hints.min_height = hints.max_height = h;
  XSetWMNormalHints(d, box, &hints);
  XMapRaised(d, box);
  XSync(d, False);
  bool focused = false;
  int result = 0;
  while (!result && x.display && !x.dead) {
    if (!focused) {
      // Viewable only once mapped (a window manager may take a moment).
      XWindowAttributes wa;
      if (XGetWindowAttributes(d, box, &wa) && wa.map_state == IsViewable) {
        XSetInputFocus(d, box, RevertToParent, CurrentTime);
        focused = true;
      }
    }
    if (!x.WaitForEvents(x.periodMs)) {
      x.PaintExposed();
      continue;
    }
    XEvent e;
    XNextEvent(d, &e);
    if (e.xany.window != box) {
      x.ServeModal(e);
      continue;
    }
    switch (e.type) {
      case Expose:
        if (e.xexpose.count == 0) paint(box);
        break;
      case ButtonPress:
        pressed = -1;
        for (std::size_t i = 0; i < choices.size(); ++i) {
          const drawing::Rect r = buttonRect(i);
          if (e.xbutton.x >= r.left && e.xbutton.x < r.right && e.xbutton.y >= r.top && e.xbutton.y < r.bottom)
            pressed = static_cast<int>(i);
        }
        paint(box);
        break;
      case ButtonRelease:
        if (pressed >= 0) {
          const drawing::Rect r = buttonRect(static_cast<std::size_t>(pressed));
          if (e.xbutton.x >= r.left && e.xbutton.x < r.right && e.xbutton.y >= r.top && e.xbutton.y < r.bottom)
            result = choices[static_cast<std::size_t>(pressed)].second;
          pressed = -1;
          if (!result) paint(box);
        }
        break;
      case KeyPress: {
        const KeySym sym = XLookupKeysym(&e.xkey, 0);
        if (sym == XK_Return || sym == XK_KP_Enter || sym == XK_space) {
          result = choices[static_cast<std::size_t>(focus)].second;
        } else if (sym == XK_Escape) {
          result = escape;
        } else if (sym == XK_Tab || sym == XK_Right || sym == XK_Left) {
          const int n = static_cast<int>(choices.size());
          focus = (focus + (sym == XK_Left ? n - 1 : 1)) % n;
          paint(box);
        } else {
          // The first letter of a button presses it.
          char c = 0;
          XLookupString(&e.xkey, &c, 1, nullptr, nullptr);
          for (const auto& choice : choices)
            if (c && std::tolower(static_cast<unsigned char>(c)) == std::tolower(static_cast<unsigned char>(choice.first[0])))
              result = choice.second;
        }
        break;
      }
      case ClientMessage:
        if (static_cast<Atom>(e.xclient.data.l[0]) == x.wmDelete) result = escape;
        break;
      default:
        break;
    }
  }
  // The box took the rest of the click that opened it: nothing is captured any more (else the
  // control clicked would keep every mouse-over until the next click).
  x.captured = false;
  ReleaseMouseCapture();
  if (x.display && !x.dead) {
    XDestroyWindow(d, box);
    if (x.window) XSetInputFocus(d, x.window, RevertToParent, CurrentTime);
    XSync(d, False);
  }
  return result;
}

// ---- Folders ----

void IGraphicsX11::HostFolder(std::string& path) { path = ExecutableFolder(); }

void IGraphicsX11::PluginFolder(std::string& path) { path = WithSlash(platform::ModuleFolder()); }

void IGraphicsX11::DesktopFolder(std::string& path) { path = platform::DesktopFolder(); }

void IGraphicsX11::AppDataPath(std::string& path, bool system) {
  if (!system) {
    path = platform::LocalAppDataFolder();
    return;
  }
  const char* dirs = std::getenv("XDG_CONFIG_DIRS");
  const std::string list = dirs && *dirs ? dirs : "";
  const std::string first = list.substr(0, list.find(':'));
  path = first.empty() ? "/etc/xdg" : first;
}

// ---- Choosers ----

namespace {
const char* kNoChooser =
    "Choosing a file needs a file chooser program.\nPlease install the package \"zenity\" (or \"kdialog\").";
}

void IGraphicsX11::ChooseFile(std::string& fileName, int action, std::string& folder, const char* extensions) {
  X& x = *mX;
  if (!x.Open()) {
    fileName.clear();
    return;
  }
  std::string start = folder;
  if (start.empty()) DesktopFolder(start);
  start = WithSlash(start) + fileName;
  // "syx wav" becomes the pattern "*.syx *.wav"; the first word is the default extension.
  std::vector<std::string> words;
  {
    const std::string list = extensions ? extensions : "";
    std::size_t p = 0;
    while (p < list.size()) {
      const std::size_t end = std::min(list.find(' ', p), list.size());
      if (end > p) words.push_back(list.substr(p, end - p));
      p = end + 1;
    }
  }
  std::string pattern;
  for (const std::string& w : words) pattern += (pattern.empty() ? "*." : " *.") + w;
  std::vector<std::string> args;
  if (OnPath("zenity")) {
    args = {"zenity", "--file-selection", "--filename=" + start};
    if (action == kFileSave) {
      args.push_back("--save");
      args.push_back("--confirm-overwrite");
    }
    if (!pattern.empty()) args.push_back("--file-filter=" + pattern);
  } else if (OnPath("kdialog")) {
    args = {"kdialog", action == kFileSave ? "--getsavefilename" : "--getopenfilename", start};
    if (!pattern.empty()) args.push_back(pattern);
  } else {
    ShowMessageBox(kNoChooser, "Error", kMB_OK);
    fileName.clear();
    return;
  }
  ErrorTrap trap;
  ChildResult r = x.RunChild(args);
  std::string chosen = r.started && r.status == 0 ? r.out : std::string();
  if (!chosen.empty() && chosen.find('\n') != std::string::npos) chosen = chosen.substr(0, chosen.find('\n'));
  if (chosen.empty()) {
    fileName.clear();
    return;
  }
  // Saving without an extension gets the default one.
  if (action == kFileSave && !words.empty()) {
    const std::size_t slash = chosen.find_last_of('/');
    const std::string base = chosen.substr(slash == std::string::npos ? 0 : slash + 1);
    if (base.find('.') == std::string::npos) chosen += "." + words[0];
  }
  fileName = chosen;
  const std::size_t cut = chosen.find_last_of('/');
  if (cut != std::string::npos) folder = chosen.substr(0, cut + 1);
}

bool IGraphicsX11::ChooseColour(IColor& colour, const char* prompt) {
  X& x = *mX;
  if (!x.Open()) return false;
  char start[32];
  std::snprintf(start, sizeof(start), "#%02x%02x%02x", colour.R & 0xFF, colour.G & 0xFF, colour.B & 0xFF);
  std::vector<std::string> args;
  const std::string title = prompt ? prompt : "";
  if (OnPath("zenity")) {
    args = {"zenity", "--color-selection", std::string("--color=") + start};
    if (!title.empty()) args.push_back("--title=" + title);
  } else if (OnPath("kdialog")) {
    args = {"kdialog", "--getcolor", "--default", start};
    if (!title.empty()) args.push_back("--title=" + title);
  } else {
    ShowMessageBox("Choosing a colour needs the package \"zenity\" (or \"kdialog\").", "Error", kMB_OK);
    return false;
  }
  ErrorTrap trap;
  const ChildResult r = x.RunChild(args);
  if (!r.started || r.status != 0 || r.out.empty()) return false;
  int red = 0, green = 0, blue = 0;
  if (std::sscanf(r.out.c_str(), "rgb(%d,%d,%d)", &red, &green, &blue) != 3 &&
      std::sscanf(r.out.c_str(), "rgba(%d,%d,%d", &red, &green, &blue) != 3) {
    unsigned packed = 0;
    if (r.out.size() < 7 || r.out[0] != '#' || std::sscanf(r.out.c_str() + 1, "%6x", &packed) != 1) return false;
    red = static_cast<int>((packed >> 16) & 0xFF);
    green = static_cast<int>((packed >> 8) & 0xFF);
    blue = static_cast<int>(packed & 0xFF);
  }
  colour.R = std::clamp(red, 0, 255);
  colour.G = std::clamp(green, 0, 255);
  colour.B = std::clamp(blue, 0, 255);
  return true;
}

bool IGraphicsX11::OpenWebPage(const char* url, const char* title, const char* confirm, const char* error) {
  if (confirm && *confirm && ShowMessageBox(confirm, title, kMB_YESNO) != kIDYES) return false;
  bool opened = false;
  if (url && *url && OnPath("xdg-open")) {
    // Detached: the browser outlives this call, and no child is left for the host to reap.
    const pid_t pid = fork();
    if (pid == 0) {
      if (fork() == 0) {
        const char* argv[] = {"xdg-open", url, nullptr};
        execvp("xdg-open", const_cast<char* const*>(argv));
        _exit(127);
      }
      _exit(0);
    }
    if (pid > 0) {
      int status = 0;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      opened = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
  }
  if (!opened && error && *error) ShowMessageBox(error, title, kMB_OK);
  return opened;
}

// ---- Clipboard ----

bool IGraphicsX11::ReadClipboardText(std::string& text) {
  text.clear();
  X& x = *mX;
  if (!x.Open()) return false;
  ErrorTrap trap;
  Display* d = x.display;
  if (XGetSelectionOwner(d, x.clipboard) == None) return false;
  XDeleteProperty(d, x.window, x.selectionProperty);
  XConvertSelection(d, x.clipboard, x.utf8, x.selectionProperty, x.window, CurrentTime);
  XFlush(d);
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(1000);
  while (Clock::now() < until && x.display && !x.dead) {
    if (!x.WaitForEvents(20)) continue;
    XEvent e;
    XNextEvent(d, &e);
    if (e.type != SelectionNotify || e.xselection.requestor != x.window) {
      x.ServeModal(e);
      continue;
    }
    if (e.xselection.property == None) return false;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, x.window, x.selectionProperty, 0, 1 << 20, True, AnyPropertyType, &type, &format, &count,
                           &remaining, &data) != Success)
      return false;
    // Only plain text at once; an incremental transfer is more than a value entry needs.
    if (data && format == 8 && (type == x.utf8 || type == XA_STRING)) text.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    return !text.empty();
  }
  return false;
}

// ---- Cursor ----

void IGraphicsX11::HideMouseCursor() {
  X& x = *mX;
  if (!x.Open() || x.cursorHidden) return;
  ErrorTrap trap;
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  if (XQueryPointer(x.display, x.window, &root, &child, &rx, &ry, &wx, &wy, &mask)) {
    x.hiddenX = rx;
    x.hiddenY = ry;
  }
  if (!x.blankCursor) {
    static const char empty[8] = {};
    const Pixmap p = XCreateBitmapFromData(x.display, x.window, empty, 8, 8);
    XColor black{};
    x.blankCursor = XCreatePixmapCursor(x.display, p, p, &black, &black, 0, 0);
    XFreePixmap(x.display, p);
  }
  XDefineCursor(x.display, x.window, x.blankCursor);
  XFlush(x.display);
  x.cursorHidden = true;
}

void IGraphicsX11::ShowMouseCursor() {
  X& x = *mX;
  if (!x.Open() || !x.cursorHidden) return;
  ErrorTrap trap;
  XWarpPointer(x.display, None, RootWindow(x.display, x.screen), 0, 0, 0, 0, x.hiddenX, x.hiddenY);
  XUndefineCursor(x.display, x.window);
  XFlush(x.display);
  x.cursorHidden = false;
}

}  // namespace pellory
