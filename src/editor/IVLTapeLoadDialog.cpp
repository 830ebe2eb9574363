#include "editor/IVLTapeLoadDialog.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/Pellory.h"
#include "editor/IGraphics.h"
#include "programs/tape/TapeDecoder.h"

namespace pellory {

namespace {

constexpr int kPanelW = 300, kPanelH = 196;

const IColor kShade(120, 0, 0, 0);
const IColor kPanelColour(255, 38, 40, 44);
const IColor kFrame(255, 96, 98, 106);
const IColor kFieldColour(255, 18, 18, 20);
const IColor kText(255, 220, 220, 220);
const IColor kAccent(255, 255, 128, 64);

ITextStyle Style(int size, const IColor& colour, int align, int style = ITextStyle::kStyleNormal) {
  return ITextStyle(size, colour, "Arial", style, align);
}

void Frame(IGraphics* g, const IRect& r, const IColor& colour) {
  g->DrawLine(colour, r.L, r.T, r.R - 1, r.T);
  g->DrawLine(colour, r.L, r.B - 1, r.R - 1, r.B - 1);
  g->DrawLine(colour, r.L, r.T, r.L, r.B - 1);
  g->DrawLine(colour, r.R - 1, r.T, r.R - 1, r.B - 1);
}

std::string Number(double value, const char* unit) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.0f %s", value, unit);
  return text;
}

}  // namespace

IVLTapeLoadDialog::IVLTapeLoadDialog(Pellory* plug)
    : IControl(plug, IRect(0, 0, Synth::kEditorWidth, Synth::kEditorHeight), -1), mPellory(plug) {
  const int left = (mRECT.W() - kPanelW) / 2, top = (mRECT.H() - kPanelH) / 2;
  mPanel = IRect(left, top, left + kPanelW, top + kPanelH);
  mText = Style(14, kText, ITextStyle::kAlignCenter);
  mText.mTextEntryBGColor = kFieldColour;
  mText.mTextEntryFGColor = kAccent;
  mHide = true;
}

IRect IVLTapeLoadDialog::PartRect(int part) const {
  const int x = mPanel.L, y = mPanel.T;
  switch (part) {
    case kHighPassBox: return IRect(x + 132, y + 48, x + 176, y + 70);
    case kHighPassField: return IRect(x + 188, y + 48, x + 282, y + 70);
    case kLowPassBox: return IRect(x + 132, y + 84, x + 176, y + 106);
    case kLowPassField: return IRect(x + 188, y + 84, x + 282, y + 106);
    case kThresholdField: return IRect(x + 188, y + 120, x + 282, y + 142);
    case kOk: return IRect(x + 40, y + 158, x + 136, y + 184);
    case kCancel: return IRect(x + 164, y + 158, x + 260, y + 184);
    default: return IRect();
  }
}

int IVLTapeLoadDialog::PartAt(int x, int y) const {
  for (int part = kHighPassBox; part <= kCancel; ++part)
    if (PartRect(part).Contains(x, y)) return part;
  return kNone;
}

bool IVLTapeLoadDialog::Draw(IGraphics* g) {
  const tape::DecoderSettings s = tape::GetDecoderSettings();
  g->FillRect(kShade, mRECT);
  g->FillRect(kPanelColour, mPanel);
  Frame(g, mPanel, kFrame);
  const int x = mPanel.L, y = mPanel.T;
  g->DrawText(Style(14, kAccent, ITextStyle::kAlignCenter, ITextStyle::kStyleBold), "LOAD TAPE DUMP",
              IRect(x, y + 10, mPanel.R, y + 30));
  g->DrawLine(kFrame, x + 20, y + 36, mPanel.R - 21, y + 36);
  const char* labels[3] = {"HIGHPASS", "LOWPASS", "THRESHOLD"};
  for (int row = 0; row < 3; ++row)
    g->DrawText(Style(12, kText, ITextStyle::kAlignNear), labels[row], IRect(x + 22, y + 52 + 36 * row, x + 128, y + 68 + 36 * row));
  const ITextStyle fieldText = Style(14, kText, ITextStyle::kAlignCenter);
  auto box = [&](int part, bool on) {
    const IRect r = PartRect(part);
    g->FillRect(on ? kAccent : kFieldColour, r);
    Frame(g, r, kFrame);
    g->DrawText(Style(12, on ? IColor(255, 20, 20, 20) : kText, ITextStyle::kAlignCenter), on ? "ON" : "OFF",
                IRect(r.L, r.T + 4, r.R, r.B));
  };
  auto field = [&](int part, bool shown, const std::string& text) {
    const IRect r = PartRect(part);
    g->FillRect(kFieldColour, r);
    Frame(g, r, kFrame);
    // A filter's value shows only while the filter is on.
    if (shown) g->DrawText(fieldText, text.c_str(), IRect(r.L, r.T + 3, r.R, r.B));
  };
  box(kHighPassBox, s.highPassOn);
  field(kHighPassField, s.highPassOn, Number(s.highPassFrequency, "Hz"));
  box(kLowPassBox, s.lowPassOn);
  field(kLowPassField, s.lowPassOn, Number(s.lowPassFrequency, "Hz"));
  field(kThresholdField, true, Number(s.threshold, "%"));
  for (int part : {kOk, kCancel}) {
    const IRect r = PartRect(part);
    g->FillRect(IColor(255, 58, 60, 66), r);
    Frame(g, r, kFrame);
    g->DrawText(Style(12, kText, ITextStyle::kAlignCenter, ITextStyle::kStyleBold), part == kOk ? "OK" : "CANCEL",
                IRect(r.L, r.T + 6, r.R, r.B));
  }
  return true;
}

void IVLTapeLoadDialog::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  if (IsHidden()) return;
  IGraphics* graphics = mPlug ? mPlug->GetGraphics() : nullptr;
  tape::DecoderSettings s = tape::GetDecoderSettings();
  const int part = PartAt(x, y);
  switch (part) {
    case kHighPassBox:
      s.highPassOn = !s.highPassOn;
      tape::SetDecoderSettings(s);
      SetDirty(false);
      break;
    case kLowPassBox:
      s.lowPassOn = !s.lowPassOn;
      tape::SetDecoderSettings(s);
      SetDirty(false);
      break;
    case kHighPassField:
    case kLowPassField:
    case kThresholdField: {
      if (!graphics) break;
      if ((part == kHighPassField && !s.highPassOn) || (part == kLowPassField && !s.lowPassOn)) break;
      const double value =
          part == kHighPassField ? s.highPassFrequency : (part == kLowPassField ? s.lowPassFrequency : s.threshold);
      char text[32];
      std::snprintf(text, sizeof(text), "%.0f", value);
      mEditing = part;
      SetTextEntryLength(part == kThresholdField ? 2 : 5);
      graphics->ShowTextEntry(this, mText, PartRect(part), text, nullptr);
      break;
    }
    case kOk:
      RunOk();
      break;
    case kCancel:
      Close();
      break;
    default:
      break;  // modal: the rest of the panel does not react
  }
}

void IVLTapeLoadDialog::OnTextEntered(const char* text) {
  const int part = mEditing;
  mEditing = kNone;
  if (!text) return;
  // Five characters for a frequency, two for the threshold.
  const std::string typed = std::string(text).substr(0, part == kThresholdField ? 2 : 5);
  char* end = nullptr;
  const double value = std::strtod(typed.c_str(), &end);
  if (end == typed.c_str() || !(value > 0.0)) return;
  tape::DecoderSettings s = tape::GetDecoderSettings();
  if (part == kHighPassField)
    s.highPassFrequency = value;
  else if (part == kLowPassField)
    s.lowPassFrequency = value;
  else if (part == kThresholdField)
    s.threshold = value;
  else
    return;
  tape::SetDecoderSettings(s);
  SetDirty(false);
}

void IVLTapeLoadDialog::RunOk() {
  IGraphics* graphics = mPlug ? mPlug->GetGraphics() : nullptr;
  if (!graphics || !mPellory) return;
  std::string name;
  std::string folder = mPellory->ProgramPath();
  graphics->ChooseFile(name, kFileOpen, folder, "wav");
  if (name.empty()) return;
  if (mPellory->LoadTapeDump(name)) {
    graphics->ShowMessageBox(mPellory->TapeResultMessage().c_str(), "Load Tape Dump", kMB_OK);
    Close();
  } else {
    graphics->ShowMessageBox("Cannot load file!", "Error", kMB_OK);
  }
}

void IVLTapeLoadDialog::Close() {
  SetHidden(true);
  if (IGraphics* graphics = mPlug ? mPlug->GetGraphics() : nullptr) graphics->MarkAllControlsDirty();
}

}  // namespace pellory
