// A small Linux host: it loads the built module, makes a top-level window of its own, opens the
// editor in it and gives the editor its idle calls on a timer, as Linux hosts do. The mouse and
// keyboard come from xdotool, pictures from ImageMagick's import; the test runs under a virtual
// X server (run-under-xvfb.sh). The picture of the window is compared with the headless surface
// of an instance built into this program and driven to the same state.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/Pellory.h"
#include "drawing/Png.h"
#include "editor/IGraphicsHeadless.h"
#include "editor/IVLNumberDisplay.h"
#include "editor/IVLTapeLoadDialog.h"
#include "editor/x11/IGraphicsX11.h"
#include "host/vst2.h"

// Last: Xlib's macros (None, Bool) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>

extern char** environ;

namespace {

using namespace pellory;
using namespace vst2;
using Clock = std::chrono::steady_clock;

// Where the host's windows sit on the screen (no window manager moves them).
constexpr int kLeft = 20, kTop = 30;
constexpr int kWidth = 1152, kHeight = 440;

struct EditCall {
  AEffect* effect;
  int opcode;
  int index;
};
std::vector<EditCall> gCalls;

VstIntPtr VSTCALLBACK RecordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float) {
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit)
    gCalls.push_back({effect, opcode, index});
  return 0;
}

VstIntPtr VSTCALLBACK QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

using MainProc = AEffect* (*)(audioMasterCallback);

MainProc ModuleMain() {
  static void* module = dlopen(PELLORY_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  return module ? reinterpret_cast<MainProc>(dlsym(module, "VSTPluginMain")) : nullptr;
}

std::string ShotFolder() {
  const std::string folder = std::string(PELLORY_TEST_BINARY_DIR) + "/x11-shots";
  std::filesystem::create_directories(folder);
  return folder;
}

// The host: one display connection, top-level windows, and the plug-ins it gives idle calls.
class Host {
 public:
  Host() {
    // A busy server may turn a connection away for a moment.
    for (int attempt = 0; attempt < 40 && !display_ && getenv("DISPLAY"); ++attempt) {
      display_ = XOpenDisplay(nullptr);
      if (!display_) usleep(50000);
    }
  }
  ~Host() {
    for (AEffect* e : effects_) {
      e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
      e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    }
    if (display_) XCloseDisplay(display_);
  }
  Display* display() const { return display_; }

  AEffect* Load() {
    MainProc main = ModuleMain();
    if (!main) return nullptr;
    AEffect* e = main(&RecordingHost);
    if (!e) return nullptr;
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    e->dispatcher(e, effSetBlockSize, 0, 512, nullptr, 0.0f);
    effects_.push_back(e);
    return e;
  }
  void Unload(AEffect* e) {
    e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    effects_.erase(std::remove(effects_.begin(), effects_.end(), e), effects_.end());
  }

  Window MakeWindow(int x, int y) {
    const Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), x, y, kWidth, kHeight, 0, 0, 0);
    XSelectInput(display_, w, StructureNotifyMask);
    XMapWindow(display_, w);
    XSync(display_, False);
    return w;
  }
  // The windows inside w (the editor's, when it is open).
  int Children(Window w) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(display_, w, &root, &parent, &children, &n)) return -1;
    if (children) XFree(children);
    return static_cast<int>(n);
  }

  // Windows of other clients shown above everything (menus, tooltips).
  int Popups() {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned n = 0;
    int popups = 0;
    if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &n)) return -1;
    for (unsigned i = 0; i < n; ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(display_, children[i], &a) && a.override_redirect && a.map_state == IsViewable) ++popups;
    }
    if (children) XFree(children);
    return popups;
  }
  // Idle calls every 10 ms for a while, as a host's interface timer makes them.
  void Pump(int ms) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
    do {
      Idle();
      usleep(10000);
    } while (Clock::now() < until);
  }
  void Idle() {
    for (AEffect* e : effects_) e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
    while (XPending(display_)) {
      XEvent ev;
      XNextEvent(display_, &ev);
      if (ev.type == KeyPress) keysReceived.push_back(ev.xkey.window);
    }
  }
  // Key presses the host's windows received (the ones the editor passed on).
  std::vector<Window> keysReceived;

  // Runs a program while the idle calls go on (the editor's menus and entries need them while
  // xdotool types and clicks); then a little longer, so the editor has read everything.
  int Run(const std::vector<std::string>& args, int settleMs = 150) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) Pump(10);
    Pump(settleMs);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int Do(const std::string& xdotoolArgs, int settleMs = 150) {
    std::vector<std::string> args{"xdotool"};
    std::size_t p = 0;
    while (p < xdotoolArgs.size()) {
      const std::size_t end = std::min(xdotoolArgs.find(' ', p), xdotoolArgs.size());
      if (end > p) args.push_back(xdotoolArgs.substr(p, end - p));
      p = end + 1;
    }
    return Run(args, settleMs);
  }
  // A left-button drag from (x, y) by dy pixels, in steps.
  void Drag(int x, int y, int dy) {
    Do("mousemove " + std::to_string(x) + " " + std::to_string(y) + " mousedown 1", 50);
    for (int step = 1; step <= 4; ++step)
      Do("mousemove " + std::to_string(x) + " " + std::to_string(y + dy * step / 4), 30);
    Do("mouseup 1");
  }
  // Moves the pointer off every window (no hover, no tooltip in the picture).
  void PointerAway() {
    Do("mousemove 1270 1010", 200);
  }
  // The window's picture, through ImageMagick.
  bool Screenshot(Window w, const std::string& path, drawing::Image& out) {
    if (Run({"import", "-window", std::to_string(w), "PNG24:" + path}, 0) != 0) return false;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return !bytes.empty() && drawing::DecodePng(bytes.data(), bytes.size(), out);
  }

 private:
  Display* display_ = nullptr;
  std::vector<AEffect*> effects_;
};

// The same editor without a window, built into this program.
struct Reference {
  Reference() {
    std::random_device rd;
    folder = (std::filesystem::temp_directory_path() / ("pellory-x11-ref-" + std::to_string(rd()))).string();
    std::filesystem::create_directories(folder);
    InstanceOptions options;
    options.configFolder = folder;
    options.documentsFolder = folder;
    plug = std::make_unique<Pellory>(&QuietHost, options);
    plug->GetEffect()->dispatcher(plug->GetEffect(), effOpen, 0, 0, nullptr, 0.0f);
    g = dynamic_cast<IGraphicsHeadless*>(plug->Editor());
    g->OpenWindow(nullptr);
    Ticks(30);
  }
  ~Reference() {
    g->CloseWindow();
    plug.reset();
    std::filesystem::remove_all(folder);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) g->Tick();
  }
  IVLTapeLoadDialog* TapeDialog() {
    for (int i = 0; i < g->NControls(); ++i)
      if (auto* d = dynamic_cast<IVLTapeLoadDialog*>(g->GetControl(i))) return d;
    return nullptr;
  }
  std::string folder;
  std::unique_ptr<Pellory> plug;
  IGraphicsHeadless* g = nullptr;
};

// Pixels that differ between the window's picture and the reference surface (colour only: the
// window has no alpha).
int Differences(const drawing::Image& shot, drawing::Surface& surface, std::string& first) {
  if (shot.width != surface.Width() || shot.height != surface.Height()) {
    first = "sizes differ: " + std::to_string(shot.width) + "x" + std::to_string(shot.height);
    return -1;
  }
  int n = 0;
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x)
      if ((shot.At(x, y) & 0xFFFFFF) != (surface.At(x, y) & 0xFFFFFF)) {
        if (n++ == 0) {
          char text[96];
          std::snprintf(text, sizeof text, "(%d, %d): window %06X, surface %06X", x, y, shot.At(x, y) & 0xFFFFFF,
                        surface.At(x, y) & 0xFFFFFF);
          first = text;
        }
      }
  return n;
}

// A script step that waits (at most 10 s) until a window with this name is on the screen.
std::string WaitFor(const std::string& name) {
  return "timeout 10 xdotool search --sync --name '^" + name + "$' >/dev/null; ";
}

std::string At(int x, int y) { return std::to_string(kLeft + x) + " " + std::to_string(kTop + y); }

// The begin-edit, automate and end-edit calls for index, in that order, among the recorded ones.
bool EditSeen(AEffect* e, int index) {
  int stage = 0;
  for (const EditCall& c : gCalls) {
    if (c.effect != e || c.index != index) continue;
    if (stage == 0 && c.opcode == audioMasterBeginEdit) stage = 1;
    else if (stage == 1 && c.opcode == audioMasterAutomate) stage = 2;
    else if (stage == 2 && c.opcode == audioMasterEndEdit) stage = 3;
  }
  return stage == 3;
}

class X11Host : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no X display (run through run-under-xvfb.sh)";
    ASSERT_NE(host.display(), nullptr) << "cannot connect to the X server " << getenv("DISPLAY");
    ASSERT_NE(ModuleMain(), nullptr) << dlerror();
    gCalls.clear();
  }
  Host host;
};

TEST_F(X11Host, ClicksDragsAndWheelNotchesEditTheRightParameters) {
  AEffect* e = host.Load();
  ASSERT_NE(e, nullptr);
  const Window top = host.MakeWindow(kLeft, kTop);
  ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(top), 0.0f), 1);
  EXPECT_EQ(host.Children(top), 1);
  host.Pump(300);

  // Always-visible controls: a knob dragged up by 20 pixels, a knob given a wheel notch up, a
  // lamp button clicked.
  float before = e->getParameter(e, 71);
  host.Drag(kLeft + 412, kTop + 40, -20);
  EXPECT_GT(e->getParameter(e, 71), before + 0.05f);
  EXPECT_TRUE(EditSeen(e, 71));
  before = e->getParameter(e, 72);
  host.Do("mousemove " + At(449, 40) + " click 5");
  EXPECT_NEAR(e->getParameter(e, 72), before - 0.01f, 1e-4);
  host.Do("click 5 click 5 click 4");
  EXPECT_NEAR(e->getParameter(e, 72), before - 0.02f, 1e-4);
  before = e->getParameter(e, 67);
  host.Do("mousemove " + At(651, 40) + " click 1");
  EXPECT_NE(e->getParameter(e, 67), before);
  EXPECT_TRUE(EditSeen(e, 67));
  // Nothing else moved.
  EXPECT_FALSE(EditSeen(e, 73));
  // A middle click begins an edit and ends it too (the release is routed like the others).
  host.Do("mousemove " + At(484, 40) + " click 2");
  int begins = 0, ends = 0;
  for (const EditCall& c : gCalls)
    if (c.effect == e && c.index == 73) {
      begins += c.opcode == audioMasterBeginEdit;
      ends += c.opcode == audioMasterEndEdit;
    }
  EXPECT_EQ(begins, 1);
  EXPECT_EQ(ends, 1);

  // The edit view (EDIT button), then its controls: knob drag, wheel down, lamp button.
  host.Do("mousemove " + At(413, 335) + " click 1");
  before = e->getParameter(e, 25);
  host.Drag(kLeft + 608, kTop + 133, -20);
  EXPECT_GT(e->getParameter(e, 25), before + 0.05f);
  EXPECT_TRUE(EditSeen(e, 25));
  before = e->getParameter(e, 28);
  host.Do("mousemove " + At(652, 133) + " click 5");
  EXPECT_NEAR(e->getParameter(e, 28), std::max(0.0f, before - 0.01f), 1e-4);
  before = e->getParameter(e, 20);
  host.Do("mousemove " + At(739, 284) + " click 1");
  EXPECT_NE(e->getParameter(e, 20), before);
  EXPECT_TRUE(EditSeen(e, 20));

  // The browse view: the second factory bank, then its third program chosen from the list.
  host.Do("mousemove " + At(413, 259) + " click 1");
  host.Do("mousemove " + At(557, 112) + " click 1");
  // The program was edited, so choosing another one asks whether to commit the changes first:
  // a message box, answered No with its first letter.
  const float program = e->getParameter(e, kProgramNumber);
  host.Run({"sh", "-c", "xdotool mousemove " + At(541, 169) + " click 1; " + WaitFor("Uncommitted Changes") +
                            "sleep 0.2; import -window root '" +
                            ShotFolder() + "/message-box.png'; xdotool key n"});
  EXPECT_NE(e->getParameter(e, kProgramNumber), program);
  // Resting on a program item shows its name in a tooltip (a window of its own on the screen),
  // gone when the pointer leaves.
  host.Do("mousemove " + At(700, 201), 800);
  host.Run({"import", "-window", "root", ShotFolder() + "/tooltip.png"}, 0);
  EXPECT_EQ(host.Popups(), 1);
  host.PointerAway();
  EXPECT_EQ(host.Popups(), 0);

  EXPECT_EQ(e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(host.Children(top), 0);
}

TEST_F(X11Host, MenuAndTextEntryLookAsTheHeadlessSurfaceDraws) {
  AEffect* e = host.Load();
  ASSERT_NE(e, nullptr);
  const Window top = host.MakeWindow(kLeft, kTop);
  host.PointerAway();
  ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(top), 0.0f), 1);
  host.Pump(1200);
  Reference ref;
  const std::string shots = ShotFolder();
  drawing::Image shot;
  std::string where;

  ASSERT_TRUE(host.Screenshot(top, shots + "/opened.png", shot));
  ASSERT_TRUE(ref.g->WritePng(shots + "/opened-headless.png"));
  EXPECT_EQ(Differences(shot, ref.g->GetSurface(), where), 0) << where;

  // The option menu: its "Load Tape Dump" item, found where this surface draws it.
  const Menu commands = ref.plug->BuildUtilityMenu();
  IPopupMenu menu;
  AddMenuItems(menu, commands);
  int item = -1;
  for (int i = 0; i < menu.NumItems(); ++i)
    if (menu.GetItem(i)->text == "Load Tape Dump") item = i;
  ASSERT_GE(item, 0);
  const int itemY = 60 + x11menu::ItemTop(menu, item) + x11menu::kItemHeight / 2;
  // The menu's loop holds the idle call that opened it: the choice comes from the same script.
  host.Run({"sh", "-c", "xdotool mousemove " + At(816, 60) + " click 1; " + WaitFor("Pellory menu") + "xdotool mousemove " +
                            At(850, itemY) + "; sleep 0.3; import -window root '" + shots + "/menu.png'; xdotool click 1"},
           300);
  host.PointerAway();
  ref.g->QueueMenuChoice("Load Tape Dump");
  ref.g->Click(816, 60);
  ref.Ticks(3);
  IVLTapeLoadDialog* dialog = ref.TapeDialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_FALSE(dialog->IsHidden());
  ASSERT_TRUE(host.Screenshot(top, shots + "/tape-dialog.png", shot));
  EXPECT_EQ(Differences(shot, ref.g->GetSurface(), where), 0) << where;

  // The threshold: typed and committed with Return.
  const IRect field = dialog->PartRect(IVLTapeLoadDialog::kThresholdField);
  const int fx = (field.L + field.R) / 2, fy = (field.T + field.B) / 2;
  host.Do("mousemove " + At(fx, fy) + " click 1", 200);
  host.Do("type 42", 100);
  ASSERT_TRUE(host.Screenshot(top, shots + "/text-entry.png", shot));
  host.Do("key Return", 200);
  host.PointerAway();
  ref.g->QueueTextEntry("42", true);
  ref.g->Click(fx, fy);
  ref.Ticks(3);
  ASSERT_TRUE(host.Screenshot(top, shots + "/entry-committed.png", shot));
  ASSERT_TRUE(ref.g->WritePng(shots + "/entry-committed-headless.png"));
  EXPECT_EQ(Differences(shot, ref.g->GetSurface(), where), 0) << where;

  // Typed and cancelled with Escape: nothing changes.
  host.Do("mousemove " + At(fx, fy) + " click 1", 200);
  host.Do("type 7", 100);
  host.Do("key Escape", 200);
  host.PointerAway();
  ASSERT_TRUE(host.Screenshot(top, shots + "/entry-cancelled.png", shot));
  EXPECT_EQ(Differences(shot, ref.g->GetSurface(), where), 0) << where;

  // The dialog's CANCEL closes it; the chart view is back.
  const IRect cancel = dialog->PartRect(IVLTapeLoadDialog::kCancel);
  host.Do("mousemove " + At((cancel.L + cancel.R) / 2, (cancel.T + cancel.B) / 2) + " click 1", 300);
  host.PointerAway();
  ref.g->Click((cancel.L + cancel.R) / 2, (cancel.T + cancel.B) / 2);
  ref.Ticks(3);
  ASSERT_TRUE(host.Screenshot(top, shots + "/closed-dialog.png", shot));
  EXPECT_EQ(Differences(shot, ref.g->GetSurface(), where), 0) << where;
}

TEST_F(X11Host, FiftyOpenCloseCyclesAndTwoEditorsAtOnce) {
  AEffect* a = host.Load();
  AEffect* b = host.Load();
  ASSERT_TRUE(a && b);
  const Window wa = host.MakeWindow(kLeft, kTop);
  const Window wb = host.MakeWindow(kLeft, kTop + 460);
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(a->dispatcher(a, effEditOpen, 0, 0, reinterpret_cast<void*>(wa), 0.0f), 1) << "cycle " << i;
    host.Idle();
    ASSERT_EQ(host.Children(wa), 1);
    ASSERT_EQ(a->dispatcher(a, effEditClose, 0, 0, nullptr, 0.0f), 1);
    ASSERT_EQ(host.Children(wa), 0);
  }
  // Opened twice without a close: still one editor window.
  ASSERT_EQ(a->dispatcher(a, effEditOpen, 0, 0, reinterpret_cast<void*>(wa), 0.0f), 1);
  ASSERT_EQ(a->dispatcher(a, effEditOpen, 0, 0, reinterpret_cast<void*>(wa), 0.0f), 1);
  EXPECT_EQ(host.Children(wa), 1);
  ASSERT_EQ(b->dispatcher(b, effEditOpen, 0, 0, reinterpret_cast<void*>(wb), 0.0f), 1);
  host.Pump(300);
  // Each editor edits its own instance.
  const float a71 = a->getParameter(a, 71), b71 = b->getParameter(b, 71);
  host.Drag(kLeft + 412, kTop + 460 + 40, -20);
  EXPECT_GT(b->getParameter(b, 71), b71);
  EXPECT_EQ(a->getParameter(a, 71), a71);
  EXPECT_TRUE(EditSeen(b, 71));
  EXPECT_FALSE(EditSeen(a, 71));
  host.PointerAway();
  EXPECT_EQ(b->dispatcher(b, effEditClose, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(a->dispatcher(a, effEditClose, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(host.Children(wa), 0);
  EXPECT_EQ(host.Children(wb), 0);
}

TEST_F(X11Host, TheHostDestroyingTheParentFirstIsSurvived) {
  AEffect* e = host.Load();
  ASSERT_NE(e, nullptr);
  // Destroyed, then idle calls, then the close request.
  Window top = host.MakeWindow(kLeft, kTop);
  ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(top), 0.0f), 1);
  host.Pump(200);
  XDestroyWindow(host.display(), top);
  XSync(host.display(), False);
  host.Pump(200);
  EXPECT_EQ(e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f), 1);
  // Destroyed and closed at once, without an idle call between.
  top = host.MakeWindow(kLeft, kTop);
  ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(top), 0.0f), 1);
  host.Pump(100);
  XDestroyWindow(host.display(), top);
  XSync(host.display(), False);
  EXPECT_EQ(e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f), 1);
  host.Pump(100);
  // A window that no longer exists cannot take the editor.
  EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(top), 0.0f), 0);
  // And the editor still opens in a new one, and still works.
  top = host.MakeWindow(kLeft, kTop);
  ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(top), 0.0f), 1);
  host.Pump(200);
  const float before = e->getParameter(e, 72);
  host.Do("mousemove " + At(449, 40) + " click 5");
  EXPECT_NEAR(e->getParameter(e, 72), before - 0.01f, 1e-4);
  host.PointerAway();
  // Destroyed while the plug-in itself goes away.
  XDestroyWindow(host.display(), top);
  XSync(host.display(), False);
  host.Unload(e);
}


// A folder of programs put first on PATH for one test (the editor looks its choosers up there).
class FakePrograms {
 public:
  explicit FakePrograms(bool keepPath) {
    std::random_device rd;
    dir_ = (std::filesystem::temp_directory_path() / ("pellory-x11-bin-" + std::to_string(rd()))).string();
    std::filesystem::create_directories(dir_);
    old_ = getenv("PATH") ? getenv("PATH") : "";
    if (!keepPath) {
      // Only the tools the test itself runs: no chooser of the machine's can be found.
      for (const char* tool : {"sh", "sleep", "timeout", "xdotool", "import", "cat"})
        for (const char* where : {"/usr/bin/", "/bin/"})
          if (std::filesystem::exists(std::string(where) + tool) && !std::filesystem::exists(dir_ + "/" + tool))
            std::filesystem::create_symlink(std::string(where) + tool, dir_ + "/" + tool);
    }
    setenv("PATH", keepPath ? (dir_ + ":" + old_).c_str() : dir_.c_str(), 1);
  }
  ~FakePrograms() {
    setenv("PATH", old_.c_str(), 1);
    std::filesystem::remove_all(dir_);
  }
  void Add(const std::string& name, const std::string& body) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  const std::string& Dir() const { return dir_; }

 private:
  std::string dir_, old_;
};

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// "Load Lower PRG" from the option menu, with a script run after the choice (while the program's
// questions hold the idle call).
void LoadLowerPrg(Host& host, Reference& ref, const std::string& after) {
  const Menu commands = ref.plug->BuildUtilityMenu();
  IPopupMenu menu;
  AddMenuItems(menu, commands);
  int item = -1;
  for (int i = 0; i < menu.NumItems(); ++i)
    if (menu.GetItem(i)->text == "Load Lower PRG") item = i;
  ASSERT_GE(item, 0);
  const int itemY = 60 + x11menu::ItemTop(menu, item) + x11menu::kItemHeight / 2;
  host.Run({"sh", "-c", "xdotool mousemove " + At(816, 60) + " click 1; " + WaitFor("Pellory menu") + "xdotool mousemove " +
                            At(850, itemY) + "; sleep 0.2; xdotool click 1; " + after},
           300);
}

TEST_F(X11Host, FileChoiceRunsZenityAndSaysWhatToInstallWithoutOne) {
  AEffect* e = host.Load();
  ASSERT_NE(e, nullptr);
  const Window top = host.MakeWindow(kLeft, kTop);
  ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(top), 0.0f), 1);
  host.Pump(300);
  Reference ref;
  const std::string shots = ShotFolder();
  {
    // A chooser that records how it was asked and picks a file that does not exist: the
    // program then says it cannot load it, in a message box answered with Return.
    FakePrograms bin(true);
    bin.Add("zenity", "echo \"$@\" > '" + bin.Dir() + "/args'; echo /nonexistent/pick.syx");
    LoadLowerPrg(host, ref,
                 "timeout 10 xdotool search --sync --name '^Error$' > '" + bin.Dir() + "/found'; import -window root '" + shots +
                     "/error-box.png'; xdotool key Return");
    const std::string args = ReadText(bin.Dir() + "/args");
    EXPECT_NE(args.find("--file-selection"), std::string::npos) << args;
    EXPECT_NE(args.find("--file-filter=*.syx"), std::string::npos) << args;
    EXPECT_EQ(args.find("--save"), std::string::npos) << args;
    EXPECT_FALSE(ReadText(bin.Dir() + "/found").empty()) << "no message box titled Error";
  }
  {
    // Neither zenity nor kdialog: the message names the package.
    FakePrograms bin(false);
    LoadLowerPrg(host, ref,
                 "timeout 10 xdotool search --sync --name '^Error$' > '" + bin.Dir() + "/found'; import -window root '" + shots +
                     "/no-chooser.png'; xdotool key Return");
    EXPECT_FALSE(ReadText(bin.Dir() + "/found").empty()) << "no message box titled Error";
  }
  // The editor still answers afterwards.
  const float before = e->getParameter(e, 72);
  host.Do("mousemove " + At(449, 40) + " click 5");
  EXPECT_NEAR(e->getParameter(e, 72), before - 0.01f, 1e-4);
  host.PointerAway();
}

TEST_F(X11Host, KeysNoControlTakesReachTheHostsWindow) {
  AEffect* e = host.Load();
  ASSERT_NE(e, nullptr);
  const Window top = host.MakeWindow(kLeft, kTop);
  XSelectInput(host.display(), top, StructureNotifyMask | KeyPressMask);
  ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(top), 0.0f), 1);
  host.Pump(200);
  // Over the background, with the editor focused by a click there: the panel has no use for
  // the key, and the host's top-level window gets it.
  host.Do("mousemove " + At(1000, 420) + " click 1");
  host.keysReceived.clear();
  host.Do("key q", 300);
  const bool seen = std::count(host.keysReceived.begin(), host.keysReceived.end(), top) > 0;
  EXPECT_TRUE(seen);
  host.PointerAway();
}


// Another client owning the clipboard with text, serving requests until it is stopped.
pid_t OwnClipboard(const std::string& text) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t pid = fork();
  if (pid != 0) {
    close(ready[1]);
    char c = 0;
    if (read(ready[0], &c, 1) != 1) c = 0;
    close(ready[0]);
    return c == 1 ? pid : -1;
  }
  close(ready[0]);
  Display* d = XOpenDisplay(nullptr);
  if (!d) _exit(1);
  const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(d, "CLIPBOARD", False), utf8 = XInternAtom(d, "UTF8_STRING", False);
  XSetSelectionOwner(d, clipboard, w, CurrentTime);
  XSync(d, False);
  const char one = 1;
  if (write(ready[1], &one, 1) != 1) _exit(1);
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type != SelectionRequest) continue;
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.requestor = e.xselectionrequest.requestor;
    reply.selection = e.xselectionrequest.selection;
    reply.target = e.xselectionrequest.target;
    reply.time = e.xselectionrequest.time;
    reply.property = None;
    if (e.xselectionrequest.target == utf8) {
      XChangeProperty(d, reply.requestor, e.xselectionrequest.property, utf8, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
      reply.property = e.xselectionrequest.property;
    }
    XSendEvent(d, reply.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
    XFlush(d);
  }
}

// The window's services called directly, on an instance built into this program with a real
// window: clipboard, web page, colour choice.
TEST_F(X11Host, ClipboardWebPageAndColourChoice) {
  Reference folders;
  InstanceOptions options;
  options.configFolder = folders.folder;
  options.documentsFolder = folders.folder;
  options.windowedEditor = true;
  Pellory plug(&QuietHost, options);
  IGraphics* g = plug.Editor();
  ASSERT_STREQ(g->GetDrawingApiName(), "X11");
  EXPECT_EQ(g->OpenWindow(nullptr), nullptr);
  const Window top = host.MakeWindow(kLeft, kTop);
  void* handle = g->OpenWindow(reinterpret_cast<void*>(top));
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(g->GetWindowHandle(), handle);

  std::string text = "stale";
  EXPECT_FALSE(g->ReadClipboardText(text));
  EXPECT_EQ(text, "");
  const std::string copied = "PRG 42 \xE2\x80\x94 Brass";
  const pid_t owner = OwnClipboard(copied);
  ASSERT_GT(owner, 0);
  EXPECT_TRUE(g->ReadClipboardText(text));
  EXPECT_EQ(text, copied);
  kill(owner, SIGTERM);
  waitpid(owner, nullptr, 0);

  {
    FakePrograms bin(true);
    bin.Add("xdg-open", "echo \"$1\" > '" + bin.Dir() + "/opened'");
    EXPECT_TRUE(g->OpenWebPage("https://example.org/pellory", nullptr, nullptr, nullptr));
    std::string opened;
    for (int i = 0; i < 100 && opened.empty(); ++i) {
      usleep(20000);
      opened = ReadText(bin.Dir() + "/opened");
    }
    EXPECT_EQ(opened, "https://example.org/pellory\n");
    bin.Add("zenity", "echo \"$@\" > '" + bin.Dir() + "/args'; echo 'rgb(10,20,30)'");
    IColor colour(128, 1, 2, 3);
    EXPECT_TRUE(g->ChooseColour(colour, "Knob colour"));
    EXPECT_EQ(colour, IColor(128, 10, 20, 30));
    EXPECT_NE(ReadText(bin.Dir() + "/args").find("--color=#010203"), std::string::npos);
    bin.Add("zenity", "exit 1");
    EXPECT_FALSE(g->ChooseColour(colour, "Knob colour"));
    EXPECT_EQ(colour, IColor(128, 10, 20, 30));
  }
  {
    // No xdg-open: the page cannot open, and the caller hears so.
    FakePrograms bin(false);
    EXPECT_FALSE(g->OpenWebPage("https://example.org/pellory", nullptr, nullptr, nullptr));
  }
  g->CloseWindow();
  EXPECT_FALSE(g->IsWindowOpen());
  EXPECT_EQ(host.Children(top), 0);
  // Closed, the services that need the window decline.
  IColor colour;
  EXPECT_FALSE(g->ChooseColour(colour, nullptr));
  EXPECT_FALSE(g->ReadClipboardText(text));
}

}  // namespace
