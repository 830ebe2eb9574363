#include "editor/IVLSwitchControls.h"

#include "core/Pellory.h"
#include "editor/IGraphics.h"
#include "editor/IVLKnobControl.h"

namespace pellory {

// ---- IVLSwitchControl ----

IVLSwitchControl::IVLSwitchControl(Pellory* plug, int x, int y, int paramIdx, const IBitmap& bitmap, int radioValue)
    : IBitmapControl(plug, x, y, paramIdx, bitmap), mRadio(radioValue) {}

bool IVLSwitchControl::Lit() const {
  const IParameter* param = mPlug ? mPlug->GetParameter(mParamIdx) : nullptr;
  if (!param) return false;
  if (mRadio <= 0) return FrameForValue() > 1;
  return static_cast<int>(param->PlainFromNormalized(GetValue()) + 0.5) == mRadio;
}

void IVLSwitchControl::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  if (mRadio <= 0) {
    double value = GetValue() + (mBitmap.N > 1 ? 1.0 / (mBitmap.N - 1) : 1.0);
    if (value > 1.001) value = 0.0;
    SetValue(value);
    SetDirty(true);
    return;
  }
  const IParameter* param = mPlug ? mPlug->GetParameter(mParamIdx) : nullptr;
  if (!param) return;
  // A lit LED turns the whole group off; a dark one selects its value.
  const double plain = Lit() ? 0.0 : static_cast<double>(mRadio);
  SetValue(param->GetNormalized(plain));
  SetDirty(true);
  EchoToOtherControls(this);
}

bool IVLSwitchControl::Draw(IGraphics* graphics) {
  if (mRadio <= 0) return IBitmapControl::Draw(graphics);
  return graphics->DrawBitmap(mBitmap, mRECT, Lit() ? 2 : 1, &mBlend);
}

// ---- IVLSwitchMidiLearn ----

IVLSwitchMidiLearn::IVLSwitchMidiLearn(Pellory* plug, const IBitmap& learn, const IBitmap& unlearn)
    : IBitmapControl(plug, kX, kY, -78, learn), mPellory(plug), mUnlearn(unlearn) {
  if (plug) plug->SetMidiLearnSwitch(this);
}

void IVLSwitchMidiLearn::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  if (mod.R) {
    if (GetValue() < 0.5) {
      mLearnMode = !mLearnMode;
      SetDirty(false);
    }
    return;
  }
  SetValue(GetValue() < 0.5 ? 1.0 : 0.0);
  SetDirty(true);
  if (mPellory) mPellory->ArmMidiLearn(GetValue() > 0.0, !mLearnMode);
}

bool IVLSwitchMidiLearn::Draw(IGraphics* graphics) {
  const IBitmap& bitmap = mLearnMode ? mBitmap : mUnlearn;
  return graphics->DrawBitmap(bitmap, mRECT, GetValue() < 0.5 ? 1 : 2, &mBlend);
}

// ---- IVLSliderControl ----

IVLSliderControl::IVLSliderControl(Pellory* plug, int x, int paramIdx, const IBitmap& handle)
    : IFaderControl(plug, x, kTop, kLength, paramIdx, handle, IKnobControl::kVertical) {}

// ---- IVLBitmapControl ----

IVLBitmapControl::IVLBitmapControl(Pellory* plug, int x, int y, const IBitmap& bitmap)
    : IBitmapControl(plug, x, y, -1, bitmap) {}

// ---- IVLLinkControl ----

IVLLinkControl::IVLLinkControl(Pellory* plug, const IRect& rect, int panelNumber)
    : IControl(plug, rect, -1), mPellory(plug), mNumber(panelNumber) {}

void IVLLinkControl::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  if (IsHidden() || !mPellory) return;
  mPellory->SelectPanelParameter(mNumber);
}

}  // namespace pellory
