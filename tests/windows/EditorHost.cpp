// A Windows VST host with a window, for the editor under wine on an X server: it opens the
// plug-in's editor in a top-level window of its own, pumps messages, and drives it with real
// X input (xdotool) and screenshots (ImageMagick's import), both run as Unix programs.
//   pellory_editorhost.exe <dll> <screenshot.png> [check ...]
// Exit code: 0 when every check passed, 1 on failed checks, 2 when the DLL cannot be used.
#include <windows.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/vst2.h"

using namespace vst2;

namespace {

typedef AEffect*(VSTCALLBACK* EntryProc)(audioMasterCallback);

constexpr int kEditorW = 1152, kEditorH = 440;
constexpr int kLowerProgram = 64;

int g_failures = 0;

void Fail(int line, const char* fmt, ...) {
  ++g_failures;
  std::printf("  FAIL EditorHost.cpp:%d: ", line);
  va_list args;
  va_start(args, fmt);
  std::vprintf(fmt, args);
  va_end(args);
  std::printf("\n");
}

#define CHECK(cond) \
  do { if (!(cond)) Fail(__LINE__, "%s", #cond); } while (0)
#define CHECK_STR(actual, expected)                                                                        \
  do {                                                                                                     \
    std::string a_ = (actual), e_ = (expected);                                                           \
    if (a_ != e_) Fail(__LINE__, "%s is \"%s\", expected \"%s\"", #actual, a_.c_str(), e_.c_str());      \
  } while (0)

// What the plug-in told the host: begin-edit, automate and end-edit, in order.
struct Event {
  int opcode, index;
};
std::vector<Event> g_events;
std::vector<unsigned char> g_sentStatus;

VstIntPtr VSTCALLBACK HostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float) {
  switch (opcode) {
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      g_events.push_back({opcode, index});
      return 0;
    case audioMasterVersion: return 2400;
    case audioMasterProcessEvents:
      if (const auto* events = static_cast<const VstEvents*>(ptr))
        for (VstInt32 i = 0; i < events->numEvents; ++i)
          if (events->events[i] && events->events[i]->type == kVstMidiType)
            g_sentStatus.push_back(
                static_cast<unsigned char>(reinterpret_cast<const VstMidiEvent*>(events->events[i])->midiData[0]));
      return 1;
    default: return 0;
  }
}

int Count(int opcode, int index) {
  int n = 0;
  for (const Event& e : g_events) n += e.opcode == opcode && e.index == index;
  return n;
}

// ---- messages, X input and screenshots ----

void PumpOnce() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

void Pump(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  while (static_cast<int>(end - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpOnce();
  }
}

// Pumps until cond holds (true) or the time is up (false).
bool PumpUntil(const std::function<bool()>& cond, DWORD ms = 3000) {
  const DWORD end = GetTickCount() + ms;
  while (!cond()) {
    if (static_cast<int>(end - GetTickCount()) <= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpOnce();
  }
  return true;
}

// Runs a Unix program through the script that started this host (editor-gui.sh), while this
// thread keeps pumping messages: the editor must answer the input the program sends, menus
// included. Then lets the X events arrive.
bool RunUnix(const std::string& command) {
  if (std::getenv("PELLORY_TRACE")) std::printf("  run: %s\n", command.c_str());
  const char* folder = std::getenv("PELLORY_X_REQUESTS");
  if (!folder) {
    Fail(__LINE__, "no PELLORY_X_REQUESTS: run this host through editor-gui.sh");
    return false;
  }
  const std::string request = std::string(folder) + "\\request", answer = std::string(folder) + "\\answer";
  const std::string temporary = request + ".tmp";
  DeleteFileA(answer.c_str());
  FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) {
    Fail(__LINE__, "cannot write %s", temporary.c_str());
    return false;
  }
  std::fprintf(f, "%s\n", command.c_str());
  std::fclose(f);
  MoveFileExA(temporary.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING);
  const bool done = PumpUntil([&] { return GetFileAttributesA(answer.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000);
  int code = -1;
  if (FILE* a = std::fopen(answer.c_str(), "rb")) {
    if (std::fscanf(a, "%d", &code) != 1) code = -1;
    std::fclose(a);
  }
  DeleteFileA(answer.c_str());
  if (!done || code != 0) {
    Fail(__LINE__, "%s: %s (exit %d)", command.c_str(), done ? "failed" : "timed out", code);
    return false;
  }
  Pump(100);
  return true;
}

bool X(const std::string& args) { return RunUnix("xdotool " + args); }

// Message boxes the plug-in shows (a commit question, say) are answered by a thread timer, which
// runs inside their modal loops too: with g_boxAnswer, counted in g_boxes.
int g_boxAnswer = IDNO;
int g_boxes = 0;

BOOL CALLBACK FindBox(HWND w, LPARAM data) {
  char name[16] = {};
  GetClassNameA(w, name, sizeof(name));
  if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(w)) return TRUE;
  *reinterpret_cast<HWND*>(data) = w;
  return FALSE;
}

void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  ++g_boxes;
  PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(g_boxAnswer), 0);
}

// A check that hangs (a modal loop nobody ends) fails the run instead of blocking it.
DWORD WINAPI Watchdog(void*) {
  Sleep(100000);
  std::printf("  FAIL: the checks did not finish within 100 s\n");
  ExitProcess(3);
}

// ---- the host window and the plug-in ----

std::vector<UINT> g_hostKeys;

LRESULT CALLBACK HostWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_KEYDOWN) g_hostKeys.push_back(static_cast<UINT>(wParam));
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HMODULE g_module = nullptr;
EntryProc g_entry = nullptr;

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

std::string Display(AEffect* e, int index) {
  char text[64] = {};
  Dispatch(e, effGetParamDisplay, index, 0, text);
  return text;
}

// Editor windows (class "IPlugWndClass") inside a window.
std::vector<HWND> EditorWindows(HWND parent) {
  std::vector<HWND> found;
  for (HWND w = FindWindowExA(parent, nullptr, "IPlugWndClass", nullptr); w;
       w = FindWindowExA(parent, w, "IPlugWndClass", nullptr))
    found.push_back(w);
  return found;
}

bool ClassRegistered() {
  WNDCLASSA wc;
  return GetClassInfoA(g_module, "IPlugWndClass", &wc) != 0;
}

// One instance with its editor open in a top-level window at (x, y) of the screen.
struct Session {
  AEffect* effect = nullptr;
  HWND host = nullptr;
  HWND editor = nullptr;

  bool Open(int x = 0, int y = 0) {
    effect = g_entry(HostCallback);
    if (!effect) return false;
    if (std::getenv("PELLORY_TRACE")) std::printf("  instance created\n");
    Dispatch(effect, effOpen);
    Dispatch(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(effect, effSetBlockSize, 0, 512);
    Dispatch(effect, effMainsChanged, 0, 1);
    ERect* rect = nullptr;
    if (Dispatch(effect, effEditGetRect, 0, 0, &rect) != 1 || !rect) {
      Fail(__LINE__, "effEditGetRect gave no rectangle");
      return false;
    }
    const int w = rect->right - rect->left, h = rect->bottom - rect->top;
    if (w != kEditorW || h != kEditorH) Fail(__LINE__, "editor rectangle %dx%d", w, h);
    host = CreateWindowExA(0, "PelloryTestHost", "Pellory test host", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!host) return false;
    if (Dispatch(effect, effEditOpen, 0, 0, host) != 1) {
      Fail(__LINE__, "effEditOpen refused");
      return false;
    }
    if (std::getenv("PELLORY_TRACE")) std::printf("  editor open\n");
    const std::vector<HWND> editors = EditorWindows(host);
    if (editors.size() != 1) {
      Fail(__LINE__, "%u editor windows after opening", (unsigned)editors.size());
      return false;
    }
    editor = editors[0];
    // The first paint and the deferred refresh.
    Pump(300);
    g_events.clear();
    return true;
  }

  void Close() {
    if (effect) {
      Dispatch(effect, effEditClose);
      Dispatch(effect, effMainsChanged, 0, 0);
      Dispatch(effect, effClose);
      effect = nullptr;
    }
    if (host) DestroyWindow(host);
    host = nullptr;
    Pump(50);
  }

  // Surface pixels to screen pixels.
  POINT Screen(int x, int y) const {
    POINT p{x, y};
    ClientToScreen(editor, &p);
    return p;
  }
  std::string At(int x, int y) const {
    const POINT p = Screen(x, y);
    // (No --sync: it waits for a movement, and there is none when the pointer is there already.)
    return "mousemove " + std::to_string(p.x) + " " + std::to_string(p.y);
  }
  bool Click(int x, int y) { return X(At(x, y) + " click 1"); }
  float Get(int index) const { return effect->getParameter(effect, index); }
};

// Control positions on the panel, in surface pixels.
struct Pt {
  int x, y;
};
Pt Knob(int x, int y) { return {x + 12, y + 12}; }
Pt Lamp(int x, int y) { return {x + 17, y + 19}; }
Pt DigitKey(int digit) {
  const int i = digit == 0 ? 9 : digit - 1;
  return {131 + 32 * (i % 5) + 17, (i < 5 ? 188 : 240) + 19};
}
const Pt kEditButton = Lamp(396, 316);
const Pt kBrowseButton = Lamp(396, 240);
const Pt kMenuButton = {816, 60};

// ---- checks ----

std::string g_screenshot;

// The editor of s as it is on the screen, into the screenshot's file name with suffix added
// before ".png" (no suffix: the file itself).
void Screenshot(const Session& s, const std::string& suffix) {
  std::string path = g_screenshot;
  if (!suffix.empty()) path = path.substr(0, path.size() > 4 ? path.size() - 4 : path.size()) + "-" + suffix + ".png";
  const POINT origin = s.Screen(0, 0);
  RunUnix("import -window root -crop " + std::to_string(kEditorW) + "x" + std::to_string(kEditorH) + "+" +
          std::to_string(origin.x) + "+" + std::to_string(origin.y) + " +repage " + path);
}

// The editor as it first appears, as a screenshot of the X screen (compared with the headless
// surface's picture by the native tree).
void CheckOpenAndScreenshot() {
  Session s;
  if (!s.Open()) return s.Close();
  RECT r;
  GetClientRect(s.editor, &r);
  CHECK(r.right == kEditorW && r.bottom == kEditorH);
  CHECK((GetWindowLongA(s.editor, GWL_STYLE) & WS_CHILD) != 0);
  char title[16] = {};
  GetWindowTextA(s.editor, title, sizeof(title));
  CHECK_STR(title, "IPlug");
  CHECK(ClassRegistered());
  // The pointer away from the editor: no hover, no tooltip in the picture.
  X("mousemove 1270 1010");
  Pump(300);
  Screenshot(s, "");
  s.Close();
  CHECK(!ClassRegistered());
}

// Knob drags and the wheel reach the parameters and the host hears begin, automate and end; keys
// no control takes reach the host's window.
void CheckMouse() {
  Session s;
  if (!s.Open()) return s.Close();
  // VCF FM START (parameter 71): a drag up by half the knob's height adds 0.125 at gearing 4.
  const Pt fm = Knob(400, 28);
  const float before = s.Get(71);
  X(s.At(fm.x, fm.y) + " mousedown 1 " + s.At(fm.x, fm.y - 6) + " " + s.At(fm.x, fm.y - 12) + " mouseup 1");
  const float after = s.Get(71);
  if (std::fabs(after - before - 0.125f) > 0.01f) Fail(__LINE__, "drag: %g -> %g", before, after);
  // (Hovering a knob hands its unchanged value to the plug-in: an automation before the press.)
  std::size_t begin = 0;
  while (begin < g_events.size() && g_events[begin].opcode != audioMasterBeginEdit) ++begin;
  CHECK(begin < g_events.size() && g_events[begin].index == 71);
  int automated = 0;
  for (std::size_t i = begin; i < g_events.size(); ++i)
    automated += g_events[i].opcode == audioMasterAutomate && g_events[i].index == 71;
  CHECK(automated >= 1);
  CHECK(!g_events.empty() && g_events.back().opcode == audioMasterEndEdit && g_events.back().index == 71);
  // One wheel notch up: +0.01; down: back.
  g_events.clear();
  X(s.At(fm.x, fm.y) + " click 4");
  const float wheeled = s.Get(71);
  if (std::fabs(wheeled - after - 0.01f) > 1e-4f) Fail(__LINE__, "wheel up: %g -> %g", after, wheeled);
  X(s.At(fm.x, fm.y) + " click 5");
  if (std::fabs(s.Get(71) - after) > 1e-4f) Fail(__LINE__, "wheel down: %g, expected %g", s.Get(71), after);
  CHECK(Count(audioMasterAutomate, 71) >= 2);
  // Tune (parameter 57) by a drag down.
  const Pt tune = Knob(400, 100);
  const float tuneBefore = s.Get(57);
  g_events.clear();
  X(s.At(tune.x, tune.y) + " mousedown 1 " + s.At(tune.x, tune.y + 12) + " mouseup 1");
  if (std::fabs(tuneBefore - s.Get(57) - 0.125f) > 0.01f) Fail(__LINE__, "tune: %g -> %g", tuneBefore, s.Get(57));
  CHECK(Count(audioMasterBeginEdit, 57) == 1 && Count(audioMasterEndEdit, 57) == 1);
  // A key on the background that no control takes goes to the host's window.
  g_hostKeys.clear();
  X(s.At(300, 420) + " key F5");
  bool forwarded = false;
  for (UINT k : g_hostKeys) forwarded = forwarded || k == VK_F5;
  CHECK(forwarded);
  s.Close();
}

// The keypad selects programs, EDIT shows the edit view (whose knobs then answer), BROWSE the
// browser, where a click on an entry auditions its program.
void CheckPanel() {
  Session s;
  if (!s.Open()) return s.Close();
  for (int digit : {0, 7}) {
    const Pt k = DigitKey(digit);
    s.Click(k.x, k.y);
  }
  CHECK_STR(Display(s.effect, kLowerProgram), "7");
  // In the chart view the DCO 1 frequency knob is hidden: a drag there changes nothing.
  const Pt freq = Knob(596, 121);
  const float freqBefore = s.Get(25);
  X(s.At(freq.x, freq.y) + " mousedown 1 " + s.At(freq.x, freq.y - 12) + " mouseup 1");
  CHECK(s.Get(25) == freqBefore);
  s.Click(kEditButton.x, kEditButton.y);
  g_events.clear();
  X(s.At(freq.x, freq.y) + " mousedown 1 " + s.At(freq.x, freq.y - 12) + " mouseup 1");
  // (The frequency has 12 steps: the value moves by whole steps.)
  if (!(s.Get(25) > freqBefore)) Fail(__LINE__, "edit view knob: %g -> %g", freqBefore, s.Get(25));
  CHECK(Count(audioMasterBeginEdit, 25) == 1 && Count(audioMasterEndEdit, 25) == 1);
  Screenshot(s, "edit");
  // BROWSE, then the entry in column 2, row 4: program 19.
  s.Click(kBrowseButton.x, kBrowseButton.y);
  g_boxes = 0;
  s.Click(464 + 161 + 60, 129 + 16 * 3 + 8);
  // Program 7 was edited: leaving it asks to commit (answered No).
  CHECK(g_boxes == 1);
  CHECK_STR(Display(s.effect, kLowerProgram), "19");
  s.Close();
}

// The option menu opened by a click and an item chosen with the keys: "Load Tape Dump" shows
// the tape dialog; its threshold field takes typed text, committed by Return or a click elsewhere,
// dropped by Escape or the wheel, and no more than the field's two characters.
void CheckMenuAndTextEntry() {
  Session s;
  if (!s.Open()) return s.Close();
  // Init PRG, (separator), Load Lower PRG, Load SysEx File, Load Tape Dump.
  X(s.At(kMenuButton.x, kMenuButton.y) + " click 1 sleep 0.5 key Down Down Down Down Return");
  // The dialog's threshold field, centred on the surface's dialog panel.
  const int left = (kEditorW - 300) / 2, top = (kEditorH - 196) / 2;
  const Pt field = {left + 235, top + 131};
  auto entry = [&] { return FindWindowExA(s.editor, nullptr, "EDIT", nullptr); };
  // Clicks on the field come apart by more than the double-click time: a second click within it
  // is a double click, which opens nothing.
  auto clickField = [&] {
    Pump(600);
    s.Click(field.x, field.y);
  };
  auto entryText = [&] {
    char text[64] = {};
    if (HWND e = entry()) GetWindowTextA(e, text, sizeof(text));
    return std::string(text);
  };
  s.Click(field.x, field.y);
  if (!PumpUntil([&] { return entry() != nullptr; }, 1500)) {
    Fail(__LINE__, "no text entry over the threshold field (the menu did not open the tape dialog)");
    return s.Close();
  }
  CHECK(GetFocus() == entry());
  X("type 45");
  CHECK_STR(entryText(), "45");
  Screenshot(s, "tape-entry");
  X("key Return");
  CHECK(PumpUntil([&] { return entry() == nullptr; }, 1000));
  // Opened again, the entry starts from the committed value.
  clickField();
  CHECK(PumpUntil([&] { return entry() != nullptr; }, 1000));
  CHECK_STR(entryText(), "45");
  X("type 12");  // (type takes every word after it as text)
  X("key Escape");
  CHECK(PumpUntil([&] { return entry() == nullptr; }, 1000));
  clickField();
  CHECK(PumpUntil([&] { return entry() != nullptr; }, 1000));
  CHECK_STR(entryText(), "45");
  // The length limit of the field: two characters.
  X("type 987");
  X("key Return");
  clickField();
  CHECK(PumpUntil([&] { return entry() != nullptr; }, 1000));
  CHECK_STR(entryText(), "98");
  // A click elsewhere in the editor commits; a wheel movement cancels.
  X("type 33");
  s.Click(left + 60, top + 100);
  CHECK(PumpUntil([&] { return entry() == nullptr; }, 1000));
  clickField();
  CHECK(PumpUntil([&] { return entry() != nullptr; }, 1000));
  CHECK_STR(entryText(), "33");
  X("type 7");
  X("click 5");
  CHECK(PumpUntil([&] { return entry() == nullptr; }, 1000));
  clickField();
  CHECK(PumpUntil([&] { return entry() != nullptr; }, 1000));
  CHECK_STR(entryText(), "33");
  X("key Escape");
  CHECK(PumpUntil([&] { return entry() == nullptr; }, 1000));
  s.Close();
}

// Reopening without a close keeps one window at the same place; many cycles and two instances
// leave no class registered; a host that destroys its window first, or closes the plug-in with
// the editor open, meets no crash and no leftover class.
void CheckLifecycle() {
  {
    Session s;
    if (!s.Open(20, 30)) return s.Close();
    RECT first;
    GetWindowRect(s.editor, &first);
    CHECK(Dispatch(s.effect, effEditOpen, 0, 0, s.host) == 1);
    const std::vector<HWND> editors = EditorWindows(s.host);
    CHECK(editors.size() == 1);
    if (editors.size() == 1) {
      RECT second;
      GetWindowRect(editors[0], &second);
      CHECK(EqualRect(&first, &second));
      s.editor = editors[0];
    }
    for (int i = 0; i < 50; ++i) {
      Dispatch(s.effect, effEditClose);
      if (ClassRegistered() || !EditorWindows(s.host).empty()) {
        Fail(__LINE__, "cycle %d: window or class left after close", i);
        break;
      }
      if (Dispatch(s.effect, effEditOpen, 0, 0, s.host) != 1 || EditorWindows(s.host).size() != 1) {
        Fail(__LINE__, "cycle %d: no editor window", i);
        break;
      }
      PumpOnce();
    }
    s.Close();
    CHECK(!ClassRegistered());
  }
  {
    Session a, b;
    if (a.Open(0, 0) && b.Open(0, 500)) {
      CHECK(ClassRegistered());
      a.Click(DigitKey(0).x, DigitKey(0).y);
      Pt k = DigitKey(3);
      X(b.At(DigitKey(0).x, DigitKey(0).y) + " click 1 " + b.At(k.x, k.y) + " click 1");
      CHECK_STR(Display(b.effect, kLowerProgram), "3");
      Dispatch(a.effect, effEditClose);
      CHECK(ClassRegistered());
      Pump(100);
    }
    a.Close();
    CHECK(ClassRegistered() == (b.effect != nullptr));
    b.Close();
    CHECK(!ClassRegistered());
  }
  {
    // The host destroys its window (and with it the editor's) before closing the editor.
    Session s;
    if (!s.Open()) return s.Close();
    HWND editor = s.editor;
    DestroyWindow(s.host);
    s.host = nullptr;
    CHECK(!IsWindow(editor));
    Pump(100);
    CHECK(Dispatch(s.effect, effEditClose) == 1);
    CHECK(!ClassRegistered());
    s.Close();
  }
  {
    // The plug-in closed with its editor open: the window goes with it, and messages sent to the
    // old handle afterwards reach nothing.
    Session s;
    if (!s.Open()) return s.Close();
    HWND editor = s.editor;
    Dispatch(s.effect, effMainsChanged, 0, 0);
    Dispatch(s.effect, effClose);
    s.effect = nullptr;
    CHECK(!IsWindow(editor));
    CHECK(!ClassRegistered());
    SendMessageA(editor, WM_TIMER, 2, 0);
    PostMessageA(s.host, WM_KEYDOWN, 'A', 0);
    Pump(100);
    s.Close();
  }
}

struct NamedCheck {
  const char* name;
  void (*run)();
};
const NamedCheck kChecks[] = {
    {"open", CheckOpenAndScreenshot},
    {"mouse", CheckMouse},
    {"panel", CheckPanel},
    {"menu-entry", CheckMenuAndTextEntry},
    {"lifecycle", CheckLifecycle},
};

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc < 3) {
    std::fprintf(stderr, "usage: pellory_editorhost <dll> <screenshot.png> [check ...]\n");
    return 2;
  }
  if (!std::getenv("DISPLAY")) {
    std::printf("no DISPLAY: the editor checks need an X server\n");
    return 2;
  }
  g_screenshot = argv[2];
  g_module = LoadLibraryA(argv[1]);
  if (!g_module) {
    std::printf("cannot load %s: error %lu\n", argv[1], (unsigned long)GetLastError());
    return 2;
  }
  g_entry = reinterpret_cast<EntryProc>(reinterpret_cast<void (*)()>(GetProcAddress(g_module, "VSTPluginMain")));
  if (!g_entry) {
    std::printf("%s exports no VST entry point\n", argv[1]);
    return 2;
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = HostWndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "PelloryTestHost";
  RegisterClassA(&wc);
  SetTimer(nullptr, 0, 100, AnswerBoxes);
  CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
  std::printf("%s loaded (%d-bit host)\n", argv[1], static_cast<int>(sizeof(void*) * 8));

  int run = 0;
  for (const NamedCheck& check : kChecks) {
    bool selected = argc == 3;
    for (int i = 3; i < argc; ++i) selected = selected || std::strcmp(argv[i], check.name) == 0;
    if (!selected) continue;
    const int before = g_failures;
    const DWORD start = GetTickCount();
    check.run();
    ++run;
    std::printf("%s %s (%lu ms)\n", g_failures == before ? "ok  " : "FAIL", check.name,
                (unsigned long)(GetTickCount() - start));
  }
  FreeLibrary(g_module);
  std::printf("%d check%s, %d failure%s\n", run, run == 1 ? "" : "s", g_failures, g_failures == 1 ? "" : "s");
  return run > 0 && g_failures == 0 ? 0 : 1;
}
