#include "editor/IVLBrowserControls.h"

#include <cstdio>

#include "core/Pellory.h"
#include "editor/IGraphics.h"
#include "editor/PelloryEditor.h"
#include "platform/Locks.h"

namespace pellory {

namespace {

const IColor kGrey(255, 220, 220, 220);
const IColor kOrange(255, 255, 128, 64);

ITextStyle ItemStyle(const IColor& colour, int align) {
  return ITextStyle(14, colour, "Arial", ITextStyle::kStyleNormal, align);
}

void RefreshPanelBrowser(Pellory* plug) {
  if (PelloryEditor* panel = plug ? plug->GetPanel() : nullptr) panel->RefreshBrowser();
}

}  // namespace

// ---- IVLProgramItemControl ----

IVLProgramItemControl::IVLProgramItemControl(Pellory* plug, int x2, int y2, int item)
    : IControl(plug, IRect(x2 / 2, y2 / 2, x2 / 2 + kWidth, y2 / 2 + kHeight), -1), mPellory(plug), mItem(item) {}

void IVLProgramItemControl::SetItem(int number, const char* name) {
  std::string numberText, nameText;
  if (number >= 1 && number <= 99) {
    char text[8];
    std::snprintf(text, sizeof(text), "%i", number);
    numberText = text;
    nameText = name ? name : "";
  }
  if (numberText == mNumber && nameText == mName) return;
  mNumber = numberText;
  mName = nameText;
  SetTooltip(mName.c_str());
  SetDirty(false);
}

bool IVLProgramItemControl::Highlighted() const {
  PelloryEditor* panel = mPellory ? mPellory->GetPanel() : nullptr;
  return panel && !mNumber.empty() && panel->SelectedPosition() == mItem;
}

bool IVLProgramItemControl::Draw(IGraphics* graphics) {
  if (mNumber.empty()) return true;
  static const IColor kNumberBox(16, 255, 255, 255), kSelected(32, 255, 255, 255);
  graphics->FillRect(kNumberBox, IRect(mRECT.L, mRECT.T, mRECT.L + 20, mRECT.B), &mBlend);
  const bool selected = Highlighted();
  if (selected) graphics->FillRect(kSelected, mRECT, &mBlend);
  const IColor& colour = selected ? kOrange : kGrey;
  graphics->DrawText(ItemStyle(colour, ITextStyle::kAlignCenter), mNumber.c_str(),
                     IRect(mRECT.L, mRECT.T, mRECT.L + 20, mRECT.B));
  // A long name stops at its box instead of running into the next column.
  drawing::Surface& surface = graphics->GetSurface();
  const drawing::Rect clip = surface.Clip();
  const IRect box(mRECT.L + 22, mRECT.T, mRECT.R - 1, mRECT.B);
  surface.SetClip(clip.Intersect(drawing::Rect{box.L, box.T, box.R, box.B}));
  if (!surface.Clip().Empty()) graphics->DrawText(ItemStyle(colour, ITextStyle::kAlignNear), mName.c_str(), box);
  surface.SetClip(clip);
  return true;
}

void IVLProgramItemControl::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  if (!mPellory) return;
  // The plug-in asks about uncommitted changes before it auditions the entry.
  mPellory->ClickBrowserEntry(mItem);
  RefreshPanelBrowser(mPellory);
  SetDirty(false);
}

// ---- IVLProgramPathControl ----

IVLProgramPathControl::IVLProgramPathControl(Pellory* plug, const IRect& rect2)
    : IControl(plug, IRect(rect2.L / 2, rect2.T / 2 + 4, rect2.R / 2, rect2.B / 2), -1), mPellory(plug) {}

bool IVLProgramPathControl::Draw(IGraphics* graphics) {
  if (!mPellory) return true;
  static const ITextStyle style = ItemStyle(kGrey, ITextStyle::kAlignNear);
  std::string folder;
  {
    platform::LockGuard guard(mPellory->Lock());
    folder = mPellory->BrowserFolder();
  }
  return graphics->DrawText(style, folder.c_str(), mRECT);
}

void IVLProgramPathControl::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  IGraphics* graphics = mPlug ? mPlug->GetGraphics() : nullptr;
  if (!graphics || !mPellory) return;
  // Only the folder of the answer matters.
  std::string name = "[file name is ignored]";
  std::string folder;
  {
    platform::LockGuard guard(mPellory->Lock());
    folder = mPellory->BrowserFolder();
  }
  graphics->ChooseFile(name, kFileSave, folder, " ");
  if (name.empty()) return;
  mPellory->SetBrowserFolder(folder);
  mPellory->RebuildBrowser();
  RefreshPanelBrowser(mPellory);
  SetDirty(false);
}

// ---- IVLScrollControl ----

IVLScrollControl::IVLScrollControl(Pellory* plug, const IRect& rect2)
    : IControl(plug, IRect(rect2.L / 2, rect2.T / 2, rect2.R / 2, rect2.B / 2), -1), mPellory(plug) {}

IRect IVLScrollControl::ThumbRect() const {
  if (!mPellory) return IRect();
  platform::LockGuard guard(mPellory->Lock());
  const int n = mPellory->BrowserSourceValue() == Pellory::kBrowserFolder ? mPellory->BrowserSize() : 99;
  if (n <= 0) return IRect();
  // The thumb spans the visible page's share of the track between the two zones, so the
  // last page's thumb ends where the track does.
  const float track = static_cast<float>(mRECT.H() - 2 * kZone);
  const float first = static_cast<float>(mPellory->BrowserFirstEntry());
  const float top = static_cast<float>(mRECT.T + kZone) + first / n * track;
  float bottom = top + static_cast<float>(Pellory::kBrowserPageSize) / n * track;
  if (bottom > mRECT.B - kZone) bottom = static_cast<float>(mRECT.B - kZone);
  return IRect(mRECT.L, static_cast<int>(top + 0.5f), mRECT.R, static_cast<int>(bottom + 0.5f));
}

bool IVLScrollControl::IsDirty() { return (!mHide && ThumbRect() != mShown) || IControl::IsDirty(); }

bool IVLScrollControl::Draw(IGraphics* graphics) {
  static const IColor kThumb(32, 255, 255, 255);
  mShown = ThumbRect();
  if (!mShown.Empty()) graphics->FillRect(kThumb, mShown, &mBlend);
  return true;
}

void IVLScrollControl::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  if (!mPellory) return;
  const IRect thumb = ThumbRect();
  const bool up = y < mRECT.T + kZone || (!thumb.Empty() && y < thumb.T);
  const bool down = y >= mRECT.B - kZone || (!thumb.Empty() && y >= thumb.B);
  IGraphics* graphics = mPlug->GetGraphics();
  if (up) {
    if (mPellory->BrowserSize() > 0 && graphics && graphics->IsWindowOpen()) mPellory->ScrollBrowser(-1);
  } else if (down) {
    mPellory->ScrollBrowser(1);
  }
  RefreshPanelBrowser(mPellory);
  SetDirty(false);
}

}  // namespace pellory
