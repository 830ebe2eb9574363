#include "editor/IVLNumberDisplay.h"

#include <cstdio>
#include <memory>

#include "core/Pellory.h"
#include "editor/IGraphics.h"
#include "editor/IVLKnobControl.h"
#include "platform/Locks.h"

namespace pellory {

namespace {

constexpr int kDigitsId = 109;
constexpr int kSmallDigitsId = 110;
constexpr int kSmallDigitFrames = 12;  // 0..9, then the letters U and n
constexpr int kLetterU = 10, kLetterN = 11;

const char* const kNoteRanges[5] = {"C1 - B1", "C2 - B2", "C3 - B3", "C4 - B4", "C5 - C6"};

IRect Halved(const IRect& r) { return IRect(r.L / 2, r.T / 2, r.R / 2, r.B / 2); }

}  // namespace

void AddMenuItems(IPopupMenu& popup, const Menu& menu) {
  for (const MenuItem& item : menu) {
    if (item.separator) {
      popup.AddSeparator();
    } else if (!item.submenu.empty()) {
      auto* sub = new IPopupMenu();
      AddMenuItems(*sub, item.submenu);
      popup.AddSubmenu(item.text.c_str(), sub);
    } else {
      popup.AddItem(item.text.c_str(), item.checked ? IPopupMenu::kChecked : IPopupMenu::kNoFlags);
    }
  }
}

int ChosenCommand(const Menu& menu, IPopupMenu& popup, const IPopupMenu* chosen) {
  if (!chosen) return -1;
  const int count = static_cast<int>(menu.size()) < popup.NumItems() ? static_cast<int>(menu.size()) : popup.NumItems();
  if (chosen == &popup) {
    const int index = popup.GetChosenItemIdx();
    return index >= 0 && index < count ? menu[static_cast<std::size_t>(index)].command : -1;
  }
  for (int i = 0; i < count; ++i) {
    IPopupMenu::Item* item = popup.GetItem(i);
    if (item && item->submenu) {
      const int command = ChosenCommand(menu[static_cast<std::size_t>(i)].submenu, *item->submenu, chosen);
      if (command >= 0) return command;
    }
  }
  return -1;
}

IVLNumberDisplay::IVLNumberDisplay(Pellory* plug, const IRect& rect2, int identifier)
    : IControl(plug, Halved(rect2), identifier), mPellory(plug) {
  IGraphics* graphics = plug ? plug->Editor() : nullptr;
  if (graphics) {
    mStrip = identifier < 0 ? graphics->LoadBitmap(kDigitsId, "resources/img/digits.png", 10)
                            : graphics->LoadBitmap(kSmallDigitsId, "resources/img/digits_small.png", kSmallDigitFrames);
  }
  // Digits are one frame high; a rectangle shorter than that would leave their last rows out
  // of the redraw.
  if (mStrip.mData && mRECT.H() < mStrip.FrameHeight()) SetRECT(IRect(mRECT.L, mRECT.T, mRECT.R, mRECT.T + mStrip.FrameHeight()));
}

int IVLNumberDisplay::PlainValue() const {
  const IParameter* param = mPlug ? mPlug->GetParameter(mParamIdx) : nullptr;
  if (!param) return 0;
  const double plain = param->PlainFromNormalized(GetValue());
  return static_cast<int>(plain + (plain < 0 ? -0.5 : 0.5));
}

void IVLNumberDisplay::Digits(int& tens, int& units) const {
  tens = units = kBlank;
  if (mParamIdx < 0) {
    const int byte = mPellory ? PanelDigits() : 0xAA;
    mShown = byte;
    tens = (byte >> 4) & 0x0F;
    units = byte & 0x0F;
    if (tens > 9) tens = kBlank;
    if (units > 9) units = kBlank;
    return;
  }
  const int v = PlainValue();
  switch (mParamIdx) {
    case kDco1Octave:
    case kDco2Octave: {
      static const int kTens[4] = {3, 1, kBlank, kBlank}, kUnits[4] = {2, 6, 8, 4};
      if (v >= 0 && v < 4) {
        tens = kTens[v];
        units = kUnits[v];
      }
      return;
    }
    case kVoices: {
      static const int kTens[5] = {kBlank, 1, 3, 6, kLetterU}, kUnits[5] = {6, 6, 2, 4, kLetterN};
      if (v >= 0 && v < 5) {
        tens = kTens[v];
        units = kUnits[v];
      }
      return;
    }
    default:
      if (v < 0) return;
      tens = (v / 10) % 10 == 0 ? kBlank : (v / 10) % 10;
      units = v % 10;
      return;
  }
}

int IVLNumberDisplay::PanelDigits() const {
  // The panel's state is the plug-in's, written under its lock by the host's threads.
  platform::LockGuard guard(mPellory->Lock());
  return mPellory->PanelDisplay(-mParamIdx);
}

bool IVLNumberDisplay::IsDirty() {
  if (!mHide && mParamIdx < 0 && mPellory && PanelDigits() != mShown) return true;
  return IControl::IsDirty();
}

bool IVLNumberDisplay::Draw(IGraphics* graphics) {
  int tens, units;
  Digits(tens, units);
  const int w = mStrip.FrameWidth(), h = mStrip.FrameHeight();
  // Digits beyond the strip's frames stay blank.
  if (tens >= 0 && tens < mStrip.N) graphics->DrawBitmap(mStrip, IRect(mRECT.L, mRECT.T, mRECT.L + w, mRECT.T + h), tens + 1, &mBlend);
  if (units >= 0 && units < mStrip.N)
    graphics->DrawBitmap(mStrip, IRect(mRECT.R - w, mRECT.T, mRECT.R, mRECT.T + h), units + 1, &mBlend);
  return true;
}

IPopupMenu* IVLNumberDisplay::BuildMenu(Menu& commands) {
  auto menu = std::make_unique<IPopupMenu>();
  if (mParamIdx < 0) {
    switch (mParamIdx) {
      case -82: commands = mPellory->BuildDisplayMenu(0); break;
      case -83: commands = mPellory->BuildDisplayMenu(1); break;
      case -81: commands = mPellory->BuildDisplayMenu(2); break;
      default: break;
    }
    AddMenuItems(*menu, commands);
    return menu->NumItems() > 0 ? menu.release() : nullptr;
  }
  const IParameter* param = mPlug->GetParameter(mParamIdx);
  if (!param) return nullptr;
  const int current = PlainValue();
  char text[64];
  if (mParamIdx == kDco1Octave || mParamIdx == kDco2Octave || mParamIdx == kVoices) {
    for (int i = 0; i < param->GetDisplayTextCount(); ++i) {
      const char* t = param->GetDisplayTextForValue(i);
      menu->AddItem(t ? t : "", i == current ? IPopupMenu::kChecked : IPopupMenu::kNoFlags);
    }
  } else if (mParamIdx == kSplitPoint || mParamIdx == kUpperTranspose) {
    for (int k = 0; k < 5; ++k) {
      auto* sub = new IPopupMenu();
      const int last = k == 4 ? 61 : 12 * k + 12;
      for (int v = 12 * k + 1; v <= last; ++v) {
        param->GetDisplayText(v, false, text, sizeof(text));
        sub->AddItem(text, v == current ? IPopupMenu::kChecked : IPopupMenu::kNoFlags);
      }
      menu->AddSubmenu(kNoteRanges[k], sub);
    }
  } else if (mParamIdx >= 1) {
    for (int v = static_cast<int>(param->GetMin()); v <= static_cast<int>(param->GetMax()); ++v) {
      std::snprintf(text, sizeof(text), "%i", v);
      menu->AddItem(text, v == current ? IPopupMenu::kChecked : IPopupMenu::kNoFlags);
    }
  }
  return menu->NumItems() > 0 ? menu.release() : nullptr;
}

void IVLNumberDisplay::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  IGraphics* graphics = mPlug ? mPlug->GetGraphics() : nullptr;
  if (!graphics || !mPellory || mParamIdx == -80) return;
  Menu commands;
  std::unique_ptr<IPopupMenu> menu(BuildMenu(commands));
  if (!menu) return;
  IPopupMenu* chosen = graphics->ShowPopupMenu(menu.get(), IRect(x, y, x, y));
  if (!chosen || chosen->GetChosenItemIdx() < 0) return;
  if (mParamIdx < 0) {
    const int command = ChosenCommand(commands, *menu, chosen);
    if (command >= 0) mPellory->RunUtilityCommand(command);
    graphics->MarkAllControlsDirty();
    return;
  }
  const IParameter* param = mPlug->GetParameter(mParamIdx);
  int plain = chosen->GetChosenItemIdx();
  if (mParamIdx == kSplitPoint || mParamIdx == kUpperTranspose) {
    // Item j of the note-range submenu k.
    int k = 0;
    for (int i = 0; i < menu->NumItems(); ++i)
      if (menu->GetItem(i)->submenu.get() == chosen) k = i;
    plain = 1 + 12 * k + chosen->GetChosenItemIdx();
  } else if (mParamIdx != kDco1Octave && mParamIdx != kDco2Octave && mParamIdx != kVoices) {
    plain += static_cast<int>(param->GetMin());
  }
  const double normalized = param->GetNormalized(plain);
  SetValueFromUser(normalized);
  mPlug->SetParameterFromEditor(mParamIdx, normalized);
  EchoToOtherControls(this);
  SetDirty(false);
}

}  // namespace pellory
