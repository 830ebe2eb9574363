#include "editor/IVLUtilityKick.h"

#include "core/Pellory.h"
#include "editor/IGraphics.h"
#include "editor/PelloryEditor.h"
#include "platform/Locks.h"

namespace pellory {

namespace {
const ITextStyle& LabelStyle() {
  static const ITextStyle style(12, IColor(255, 255, 255, 255), "Arial", ITextStyle::kStyleNormal,
                                ITextStyle::kAlignNear);
  return style;
}
}  // namespace

IVLUtilityKick::IVLUtilityKick(Pellory* plug, int x2, int y2, int identifier, const IBitmap& bitmap, const char* label)
    : IBitmapControl(plug, x2 / 2, y2 / 2, identifier, bitmap), mPellory(plug), mOn(bitmap), mLabel(label ? label : "") {}

IVLUtilityKick::IVLUtilityKick(Pellory* plug, int x2, int y2, int identifier, const IBitmap& off, const IBitmap& on)
    : IBitmapControl(plug, x2 / 2, y2 / 2, identifier, off), mPellory(plug), mOn(on) {}

bool IVLUtilityKick::Lit() const {
  if (!mPellory) return false;
  // The panel's state is the plug-in's, written under its lock by the host's threads.
  platform::LockGuard guard(mPellory->Lock());
  switch (mParamIdx) {
    case -93: return mPellory->EditorView() == 2;
    case -88: return mPellory->EditorView() == 3;
    case -89: case -90: case -91: return mPellory->BrowserSourceValue() == -89 - mParamIdx;
    case -79: return mPellory->MixerLink();
    default: return mPellory->PanelLamp(Code());
  }
}

bool IVLUtilityKick::IsDirty() {
  if (mPressed && IsStepKey() && mPellory) {
    // Steps the render loop left for us since the last tick.
    for (int n = mPellory->TakePanelRepeatSteps(); n > 0; --n) mPellory->PanelCommand(Code());
  }
  // A hidden button is not drawn, so its lamp cannot catch up until it is shown.
  return (!mHide && Lit() != mShownLit) || IControl::IsDirty();
}

bool IVLUtilityKick::Draw(IGraphics* graphics) {
  mShownLit = Lit();
  graphics->DrawBitmap(mShownLit ? mOn : mBitmap, mRECT, mPressed ? 2 : 1, &mBlend);
  if (!mLabel.empty()) {
    const IRect r = mPressed ? IRect(mRECT.L + 5, mRECT.T + 4, mRECT.R, mRECT.B)
                             : IRect(mRECT.L + 4, mRECT.T + 2, mRECT.R, mRECT.B);
    graphics->DrawText(LabelStyle(), mLabel.c_str(), r);
  }
  return true;
}

void IVLUtilityKick::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  if (!mPellory) return;
  mPressed = true;
  SetDirty(true);
  if (IsStepKey() || IsDigitKey()) {
    // The question comes before the key is sent; once answered the button springs back.
    const int c = IsStepKey() ? mPellory->LowerProgram() : mPellory->CurrentProgram();
    const bool asks = c > 0 && !mPellory->dontAskToCommit && !mPellory->EditBackupMode() &&
                      mPellory->PanelEntryMode() == Pellory::kPanelProgramEntry && mPellory->PendingDigit() < 0 &&
                      mPellory->HasUncommittedChanges(c);
    const bool proceed = mPellory->AskPanelCommit(Code());
    if (asks) {
      mPressed = false;
      SetDirty(false);
    }
    if (!proceed) return;
  }
  mPellory->PanelCommand(Code());
  if (IsStepKey() && mPellory->PanelEntryMode() == Pellory::kPanelParameterEntry)
    mPellory->ArmPanelRepeat(Code(), kRepeatDelayBlocks);
  if (mParamIdx <= -89 && mParamIdx >= -91)
    if (PelloryEditor* panel = mPellory->GetPanel()) panel->RefreshBrowser();
}

void IVLUtilityKick::OnMouseUp(int x, int y, const MouseModifiers& mod) {
  if (mPellory && IsStepKey()) mPellory->ArmPanelRepeat(Code(), -1);
  mPressed = false;
  SetDirty(true);
}

}  // namespace pellory
