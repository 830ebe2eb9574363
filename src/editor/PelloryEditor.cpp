// The editor's layout: every control of the panel in attach order, the three views and the
// deferred refresh.
#include "editor/PelloryEditor.h"

#include "core/Pellory.h"
#include "editor/IGraphics.h"
#include "editor/IVLBrowserControls.h"
#include "editor/IVLKnobControl.h"
#include "editor/IVLNumberDisplay.h"
#include "editor/IVLOptionMenu.h"
#include "editor/IVLSwitchControls.h"
#include "editor/IVLTapeLoadDialog.h"
#include "editor/IVLUtilityKick.h"
#include "platform/Locks.h"

#ifndef PELLORY_BUILD_NUMBER
#define PELLORY_BUILD_NUMBER 1
#endif
#define PELLORY_STRINGIFY2(x) #x
#define PELLORY_STRINGIFY(x) PELLORY_STRINGIFY2(x)

namespace pellory {

namespace {

// Resource ids of the bitmaps.
enum BitmapId {
  kBack = 101, kButton, kButtonLedOff, kButtonLedOn, kSmallLedOff, kSmallLedOn, kKnob, kHandle, kDigits,
  kDigitsSmall, kDot, kBlind, kEditorPicture, kBrowsePicture, kTriangle, kRamp, kSaw, kRect, kSquare, kLearn,
  kUnlearn,
};

struct Bitmaps {
  IBitmap button, ledOff, ledOn, smallOff, smallOn, learn, unlearn, knob, handle, blind, editor, browse, triangle,
      saw, ramp, rect, square, dot, digits, digitsSmall;
};

// Chart columns: left, first top, number of cells, first panel number.
struct ChartColumn {
  int left, top, cells, first;
};
constexpr int kCellW = 56, kCellH = 19;
constexpr ChartColumn kChart[] = {
    {512, 207, 6, 1},   {568, 207, 6, 7},   {644, 159, 5, 13},  {700, 159, 6, 18}, {772, 139, 4, 24}, {828, 159, 3, 28},
    {884, 139, 4, 31},  {772, 281, 4, 35},  {828, 281, 3, 39},  {884, 281, 4, 42}, {960, 127, 3, 46}, {1016, 127, 4, 49},
    {960, 243, 6, 53},  {1016, 243, 5, 59}, {1016, 338, 1, 12}, {644, 299, 2, 64}, {700, 299, 2, 66},
};

// Edit-view controls in attach order.
enum Kind { kKnobKind, kDisplayKind, kLedKind, kSmallLampKind, kRadioKind };
struct EditEntry {
  Kind kind;
  int x, y, param;
  int shape;  // LED bitmap (resource id) for LEDs and radio LEDs
  int radio;
};
constexpr EditEntry kEdit[] = {
    {kDisplayKind, 552, 123, 21, 0, 0},   {kKnobKind, 596, 121, 25, 0, 0},      {kLedKind, 502, 108, 22, kTriangle, 0},
    {kLedKind, 502, 127, 23, kRamp, 0},   {kLedKind, 502, 146, 24, kRect, 0},   {kKnobKind, 684, 121, 26, 0, 0},
    {kKnobKind, 728, 121, 27, 0, 0},      {kKnobKind, 640, 121, 28, 0, 0},      {kDisplayKind, 552, 203, 29, 0, 0},
    {kKnobKind, 596, 201, 33, 0, 0},      {kLedKind, 502, 188, 30, kTriangle, 0}, {kLedKind, 502, 207, 31, kRamp, 0},
    {kLedKind, 502, 226, 32, kRect, 0},   {kKnobKind, 684, 201, 34, 0, 0},      {kKnobKind, 728, 201, 35, 0, 0},
    {kKnobKind, 640, 201, 36, 0, 0},      {kKnobKind, 504, 273, 16, 0, 0},      {kKnobKind, 504, 325, 17, 0, 0},
    {kSmallLampKind, 728, 273, 20, 0, 0}, {kKnobKind, 552, 273, 10, 0, 0},      {kKnobKind, 596, 273, 11, 0, 0},
    {kKnobKind, 640, 273, 12, 0, 0},      {kKnobKind, 684, 273, 13, 0, 0},      {kKnobKind, 552, 325, 14, 0, 0},
    {kKnobKind, 596, 325, 15, 0, 0},      {kKnobKind, 640, 325, 18, 0, 0},      {kKnobKind, 684, 325, 19, 0, 0},
    {kKnobKind, 944, 273, 40, 0, 0},      {kKnobKind, 988, 273, 41, 0, 0},      {kKnobKind, 1032, 273, 42, 0, 0},
    {kKnobKind, 1076, 273, 43, 0, 0},     {kKnobKind, 944, 325, 37, 0, 0},      {kKnobKind, 1010, 325, 38, 0, 0},
    {kKnobKind, 1076, 325, 39, 0, 0},     {kKnobKind, 808, 113, 5, 0, 0},       {kKnobKind, 856, 113, 6, 0, 0},
    {kKnobKind, 904, 113, 8, 0, 0},       {kRadioKind, 805, 154, 0, kTriangle, 1}, {kRadioKind, 805, 173, 0, kRamp, 2},
    {kRadioKind, 805, 192, 0, kSquare, 3}, {kKnobKind, 856, 165, 7, 0, 0},      {kKnobKind, 904, 165, 9, 0, 0},
    {kSmallLampKind, 805, 213, 1, 0, 0},  {kSmallLampKind, 840, 213, 2, 0, 0},  {kSmallLampKind, 875, 213, 3, 0, 0},
    {kSmallLampKind, 910, 213, 4, 0, 0},  {kKnobKind, 986, 113, 49, 0, 0},      {kKnobKind, 1034, 113, 50, 0, 0},
    {kKnobKind, 1082, 113, 52, 0, 0},     {kRadioKind, 984, 154, 44, kTriangle, 1}, {kRadioKind, 984, 173, 44, kSaw, 2},
    {kRadioKind, 984, 192, 44, kSquare, 3}, {kKnobKind, 1034, 165, 51, 0, 0},   {kKnobKind, 1082, 165, 9, 0, 0},
    {kSmallLampKind, 983, 213, 45, 0, 0}, {kSmallLampKind, 1018, 213, 46, 0, 0}, {kSmallLampKind, 1053, 213, 47, 0, 0},
    {kSmallLampKind, 1088, 213, 48, 0, 0}, {kDisplayKind, 811, 275, 53, 0, 0},  {kDisplayKind, 811, 327, 54, 0, 0},
    {kKnobKind, 856, 273, 55, 0, 0},      {kKnobKind, 856, 325, 56, 0, 0},
};
// Small displays are 23 x 14 pixels.
constexpr int kSmallDisplayW = 23, kSmallDisplayH = 14;

// Browser.
constexpr int kItemColumns[4] = {464, 625, 786, 947};
constexpr int kItemTop = 129, kItemRows = 15;

}  // namespace

const char* PelloryEditor::VersionText() { return "v.1.1.2." PELLORY_STRINGIFY(PELLORY_BUILD_NUMBER); }

int EditorDialogs::AskCommit(int program) {
  return graphics_.IsWindowOpen() ? graphics_.AskCommit(program) : kNotAsked;
}

int EditorDialogs::ShowMessageBox(const std::string& text, const std::string& caption, int style) {
  return graphics_.IsWindowOpen() ? graphics_.ShowMessageBox(text, caption, style) : kResultNotShown;
}

std::string EditorDialogs::ChooseFile(const std::string& fileName, FileAction action, const std::string& folder,
                                      const std::string& extensions) {
  return graphics_.IsWindowOpen() ? graphics_.ChooseFile(fileName, action, folder, extensions) : std::string();
}

bool EditorDialogs::OpenWebPage(const std::string& url) { return graphics_.IsWindowOpen() && graphics_.OpenWebPage(url); }

bool EditorDialogs::IsEditorOpen() { return graphics_.IsWindowOpen(); }

void EditorDialogs::ShowTapeDialog() {
  if (graphics_.IsWindowOpen()) graphics_.ShowTapeDialog();
}

PelloryEditor::PelloryEditor(Pellory& plug, IGraphics& graphics) : plug_(plug), graphics_(graphics), dialogs_(graphics) {
  Build();
}

void PelloryEditor::Build() {
  Pellory* p = &plug_;
  IGraphics& g = graphics_;
  g.Resize(kWidth, kHeight);
  g.HandleMouseOver(false);
  // Hosts often create an instance only to look at it: pictures are decoded when first drawn.
  g.DeferBitmapDecoding(true);
  Bitmaps b;
  b.button = g.LoadBitmap(kButton, "resources/img/button.png", 2);
  b.ledOff = g.LoadBitmap(kButtonLedOff, "resources/img/button_led_off.png", 2);
  b.ledOn = g.LoadBitmap(kButtonLedOn, "resources/img/button_led_on.png", 2);
  b.smallOff = g.LoadBitmap(kSmallLedOff, "resources/img/button_small_led_off.png", 2);
  b.smallOn = g.LoadBitmap(kSmallLedOn, "resources/img/button_small_led_on.png", 2);
  b.learn = g.LoadBitmap(kLearn, "resources/img/learn.png", 2);
  b.unlearn = g.LoadBitmap(kUnlearn, "resources/img/unlearn.png", 2);
  b.knob = g.LoadBitmap(kKnob, "resources/img/knob.png", 65);
  b.handle = g.LoadBitmap(kHandle, "resources/img/handle.png", 1);
  b.blind = g.LoadBitmap(kBlind, "resources/img/blind.png", 1);
  b.editor = g.LoadBitmap(kEditorPicture, "resources/img/editor.png", 1);
  b.browse = g.LoadBitmap(kBrowsePicture, "resources/img/browse.png", 1);
  b.triangle = g.LoadBitmap(kTriangle, "resources/img/triangle.png", 2);
  b.saw = g.LoadBitmap(kSaw, "resources/img/saw.png", 2);
  b.ramp = g.LoadBitmap(kRamp, "resources/img/ramp.png", 2);
  b.rect = g.LoadBitmap(kRect, "resources/img/rect.png", 2);
  b.square = g.LoadBitmap(kSquare, "resources/img/square.png", 2);
  b.dot = g.LoadBitmap(kDot, "resources/img/dot.png", 1);
  b.digits = g.LoadBitmap(kDigits, "resources/img/digits.png", 10);
  // The strip holds 12 frames of 10 x 15 (digits, then U and n); the displays cut it so.
  b.digitsSmall = g.LoadBitmap(kDigitsSmall, "resources/img/digits_small.png", 12);
  g.EnableTooltips(true);
  g.HandleMouseOver(true);

  g.SetBackground(kBack, "resources/img/back.png");

  auto add = [&g](IControl* control) {
    g.AddControl(control);
    return control;
  };
  auto knob = [&](int x, int y, int param) { return add(new IVLKnobControl(p, 2 * x, 2 * y, b.knob, param)); };
  auto smallLamp = [&](int x, int y, int id) {
    return add(new IVLUtilityKick(p, 2 * x, 2 * y, id, b.smallOff, b.smallOn));
  };
  auto lamp = [&](int x, int y, int id) { return add(new IVLUtilityKick(p, 2 * x, 2 * y, id, b.ledOff, b.ledOn)); };
  auto key = [&](int x, int y, int id, const char* label) {
    return add(new IVLUtilityKick(p, 2 * x, 2 * y, id, b.button, label));
  };
  auto display = [&](int l, int t, int r, int bottom, int id) {
    return add(new IVLNumberDisplay(p, IRect(2 * l, 2 * t, 2 * r, 2 * bottom), id));
  };
  auto ledBitmap = [&b](int id) -> const IBitmap& {
    switch (id) {
      case kTriangle: return b.triangle;
      case kRamp: return b.ramp;
      case kSaw: return b.saw;
      case kRect: return b.rect;
      default: return b.square;
    }
  };

  // View pictures and the version label.
  chartPicture_ = add(new IVLBitmapControl(p, 496, 95, b.blind));
  editPicture_ = add(new IVLBitmapControl(p, 460, 95, b.editor));
  browsePicture_ = add(new IVLBitmapControl(p, 460, 95, b.browse));
  versionLabel_ = add(new ITextControl(p, IRect(871, 75, 1127, 87),
                                       ITextStyle(10, IColor(128, 255, 255, 255), "Arial", ITextStyle::kStyleNormal,
                                                  ITextStyle::kAlignCenter),
                                       VersionText()));

  // Always visible.
  const int topKnobs[6][2] = {{400, 71}, {437, 72}, {472, 73}, {508, 74}, {544, 75}, {580, 76}};
  for (const auto& k : topKnobs) knob(k[0], 28, k[1]);
  for (int i = 0; i < 4; ++i) smallLamp(640 + 36 * i, 28, kUpdateRate + i);
  add(new IVLOptionMenu(p, IRect(792, 48, 840, 72)));
  learnSwitch_ = add(new IVLSwitchMidiLearn(p, b.learn, b.unlearn));
  lamp(326, 100, -86);
  lamp(326, 160, -87);
  lamp(396, 240, -88);
  lamp(396, 316, -93);
  knob(400, 100, kTune);
  display(400, 169, 400 + kSmallDisplayW, 169 + kSmallDisplayH, kVoices);
  add(new IVLSliderControl(p, 36, kLowerVolume, b.handle));
  add(new IVLSliderControl(p, 76, kUpperVolume, b.handle));
  smallLamp(53, 296, -79);
  knob(32, 377, kLowerPanorama);
  knob(72, 377, kUpperPanorama);
  display(43, 98, 87, 130, -80);
  display(131, 98, 175, 130, -81);
  addressDot_ = add(new IBitmapControl(p, 148, 125, -84, b.dot));
  display(189, 98, 233, 130, -82);
  lowerDot_ = add(new IBitmapControl(p, 206, 125, -85, b.dot));
  display(247, 98, 291, 130, -83);
  // The decimal points lie on their displays; clicks there belong to the display's menu.
  addressDot_->SetTargetArea(IRect());
  lowerDot_->SetTargetArea(IRect());
  key(30, 188, -99, "");
  key(66, 188, -100, "");
  static const char* const kDigitLabels[10] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};
  for (int i = 0; i < 10; ++i) key(131 + 32 * (i % 5), i < 5 ? 188 : 240, -101 - i, kDigitLabels[i]);
  lamp(131, 316, -96);
  lamp(195, 316, -97);
  lamp(259, 316, -98);
  lamp(326, 240, -94);
  lamp(326, 316, -95);

  // Chart view: one hot zone per cell.
  for (const ChartColumn& c : kChart)
    for (int i = 0; i < c.cells; ++i) {
      const int top = c.top + kCellH * i;
      chartCells_.push_back(add(new IVLLinkControl(p, IRect(c.left, top, c.left + kCellW, top + kCellH), c.first + i)));
    }

  // Edit view.
  for (const EditEntry& e : kEdit) {
    switch (e.kind) {
      case kKnobKind: editControls_.push_back(knob(e.x, e.y, e.param)); break;
      case kDisplayKind:
        editControls_.push_back(display(e.x, e.y, e.x + kSmallDisplayW, e.y + kSmallDisplayH, e.param));
        break;
      case kLedKind: editControls_.push_back(add(new IVLSwitchControl(p, e.x, e.y, e.param, ledBitmap(e.shape)))); break;
      case kRadioKind:
        editControls_.push_back(add(new IVLSwitchControl(p, e.x, e.y, e.param, ledBitmap(e.shape), e.radio)));
        break;
      case kSmallLampKind: editControls_.push_back(smallLamp(e.x, e.y, e.param)); break;
    }
  }
  // The group has room for 68 entries; the last six are empty.
  editControls_.resize(kEditEntries, nullptr);

  // Browse view.
  sourceButtons_[0] = smallLamp(468, 101, -89);
  sourceButtons_[1] = smallLamp(546, 101, -90);
  sourceButtons_[2] = smallLamp(620, 101, -91);
  folderLine_ = add(new IVLProgramPathControl(p, IRect(2 * 680, 2 * 106, 2 * 1114, 2 * 122)));
  for (int column = 0; column < 4; ++column)
    for (int row = 0; row < kItemRows; ++row) {
      auto* item = new IVLProgramItemControl(p, 2 * kItemColumns[column], 2 * (kItemTop + 16 * row), kItemRows * column + row);
      add(item);
      programItems_.push_back(item);
    }
  visibleNumbers_.assign(kProgramItems, 0);
  scrollBar_ = add(new IVLScrollControl(p, IRect(2 * 1107, 2 * 129, 2 * 1121, 2 * 369)));

  // The tape dialog goes last, over everything, and waits hidden.
  tapeDialog_ = new IVLTapeLoadDialog(p);
  add(tapeDialog_);
  g.SetTapeDialog(tapeDialog_);

  ApplyView();
  plug_.SetPanelEntryMode(Pellory::kPanelProgramEntry);
  plug_.SetPanelParameterNumber(IsCombiNumber(plug_.CurrentProgram()) ? 64 : 0);
  IdleRefresh();
}

void PelloryEditor::UpdateFolderLine() {
  if (folderLine_)
    folderLine_->SetHidden(!(plug_.EditorView() == 3 && plug_.BrowserSourceValue() == Pellory::kBrowserFolder));
}

void PelloryEditor::ApplyView() {
  const int view = plug_.EditorView();
  chartPicture_->SetHidden(view != 1);
  browsePicture_->SetHidden(view != 3);
  editPicture_->SetHidden(view != 2);
  for (IControl* button : sourceButtons_) button->SetHidden(view != 3);
  scrollBar_->SetHidden(view != 3);
  UpdateFolderLine();
  plug_.RebuildBrowser();
  RefreshBrowser();
  for (IControl* cell : chartCells_) {
    cell->SetHidden(view != 1);
    cell->SetGreyed(view != 1);
  }
  for (IControl* control : editControls_) {
    if (!control) continue;
    control->SetHidden(view != 2);
    control->SetGreyed(view != 2);
  }
  for (IControl* item : programItems_) {
    item->SetHidden(view != 3);
    item->SetGreyed(view != 3);
  }
}

void PelloryEditor::RefreshBrowser() {
  UpdateFolderLine();
  const std::vector<Pellory::BrowserEntry> page = plug_.BrowserPage();
  for (std::size_t k = 0; k < programItems_.size(); ++k) {
    const int number = k < page.size() ? page[k].number : 0;
    const bool changed = visibleNumbers_[k] != number;
    visibleNumbers_[k] = number;
    programItems_[k]->SetItem(number, k < page.size() ? page[k].name.c_str() : "");
    // The highlight may have moved even when the texts stayed.
    if (!changed) programItems_[k]->SetDirty(false);
  }
}

int PelloryEditor::SelectedPosition() const {
  int selected;
  {
    platform::LockGuard guard(plug_.Lock());
    selected = plug_.BrowserSelection();
  }
  if (selected <= 0) return -1;
  for (std::size_t k = 0; k < visibleNumbers_.size(); ++k)
    if (visibleNumbers_[k] == selected) return static_cast<int>(k);
  return -1;
}

void PelloryEditor::IdleRefresh() {
  UpdateFolderLine();
  const int address = plug_.CurrentProgram();
  addressDot_->SetHidden(!(IsCombiNumber(address) && plug_.HasUncommittedChanges(address)));
  lowerDot_->SetHidden(!plug_.HasUncommittedChanges(plug_.LowerProgram()));
  RefreshBrowser();
}

}  // namespace pellory
