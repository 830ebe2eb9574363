#include "editor/IControl.h"

#include <climits>
#include <cmath>
#include <string>

#include "core/IPlugBase.h"
#include "editor/IGraphics.h"

namespace pellory {

namespace {
IRect FrameRect(int x, int y, const IBitmap& bitmap) {
  return IRect(x, y, x + bitmap.FrameWidth(), y + bitmap.FrameHeight());
}

// Frame for value v of an N-frame strip: round(v * (N - 1)) + 1, limited to 1..N. A product
// beyond the integers (or not a number) shows outOfRange.
int FrameOf(double value, int n, int outOfRange) {
  if (n < 2) return 1;
  const double product = value * (n - 1) + 0.5;
  if (!(product > static_cast<double>(INT_MIN) && product < static_cast<double>(INT_MAX))) return outOfRange;
  const int frame = static_cast<int>(product) + 1;
  return frame < 1 ? 1 : (frame > n ? n : frame);
}
}  // namespace

// ---- IControl ----

IControl::IControl(IPlugBase* plug, const IRect& rect, int paramIdx, const BlendMode& blend)
    : mPlug(plug), mRECT(rect), mTargetRECT(rect), mParamIdx(paramIdx), mBlend(blend) {}

IControl::~IControl() = default;

void IControl::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  if (mod.R) PromptForValue();
}

void IControl::OnMouseDblClick(int x, int y, const MouseModifiers& mod) {
  const double def = GetDefaultValue();
  if (def >= 0.0) {
    SetValue(def);
    SetDirty(true);
  }
}

void IControl::SetValueFromPlugin(double value) {
  // The first value the plug-in pushes is what a double click returns to.
  if (GetDefaultValue() < 0.0) SetDefaultValue(value);
  if (GetValue() != value) {
    SetValue(value);
    SetDirty(false);
    mRedraw.store(true, std::memory_order_relaxed);
  }
}

void IControl::SetValueFromUser(double value) {
  if (GetValue() != value) {
    SetValue(value);
    SetDirty(true);
    mRedraw.store(true, std::memory_order_relaxed);
  }
}

void IControl::SetHidden(bool hide) {
  mHide = hide;
  mRedraw.store(true, std::memory_order_relaxed);
  SetDirty(false);
}

void IControl::SetGreyed(bool grey) {
  mGrayed = grey;
  mBlend.mWeight = grey ? 0.25f : 1.0f;
  SetDirty(false);
}

bool IControl::IsHit(int x, int y) { return mTargetRECT.Contains(x, y); }

void IControl::SetDirty(bool pushParamToPlug) {
  const double value = GetValue();
  const double clamped = value < mClampLo ? mClampLo : (value > mClampHi ? mClampHi : value);
  if (clamped != value) SetValue(clamped);
  mDirty.store(true, std::memory_order_relaxed);
  if (!pushParamToPlug || !mPlug || mParamIdx < 0) return;
  mPlug->SetParameterFromEditor(mParamIdx, clamped);
  const IParameter* param = mPlug->GetParameter(mParamIdx);
  if (!param) return;
  if (mValDisplayControl) {
    char display[64];
    param->GetDisplayText(param->Value(), false, display, sizeof(display));
    std::string text = display;
    text += ' ';
    text += param->GetLabel();
    mValDisplayControl->SetTextFromPlugin(text.c_str());
  }
  if (mNameDisplayControl) mNameDisplayControl->SetTextFromPlugin(param->GetName());
}

void IControl::SetClean() {
  mDirty.store(mRedraw.load(std::memory_order_relaxed), std::memory_order_relaxed);
  mRedraw.store(false, std::memory_order_relaxed);
}

void IControl::SetAuxValueFromPlugin(int auxIndex, double value) {
  AuxParam* aux = GetAuxParam(auxIndex);
  if (!aux || aux->mValue.load(std::memory_order_relaxed) == value) return;
  aux->mValue.store(value, std::memory_order_relaxed);
  SetDirty(false);
  mRedraw.store(true, std::memory_order_relaxed);
}

int IControl::AuxParamIdx(int paramIdx) const {
  for (std::size_t i = 0; i < mAuxParams.size(); ++i)
    if (mAuxParams[i].mParamIdx == paramIdx) return static_cast<int>(i);
  return -1;
}

void IControl::PromptForValue() {
  if (mParamIdx < 0 || mDisablePrompt || !mPlug) return;
  IParameter* param = mPlug->GetParameter(mParamIdx);
  IGraphics* graphics = mPlug->GetGraphics();
  if (!param || !graphics) return;
  IRect rect = mRECT;
  if (param->GetDisplayTextCount() == 0) {
    // A small entry box in the middle of the control.
    const int cx = (mRECT.L + mRECT.R) / 2, cy = (mRECT.T + mRECT.B) / 2;
    rect = IRect(cx - 20, cy - 8, cx + 20, cy + 8);
  }
  graphics->PromptForValue(this, param, rect);
  mRedraw.store(true, std::memory_order_relaxed);
}

// ---- IPanelControl ----

IPanelControl::IPanelControl(IPlugBase* plug, const IRect& rect, const IColor& color, const BlendMode& blend)
    : IControl(plug, rect, -1, blend), mColor(color) {}

bool IPanelControl::Draw(IGraphics* graphics) { return graphics->FillRect(mColor, mRECT, &mBlend); }

// ---- IBitmapControl ----

IBitmapControl::IBitmapControl(IPlugBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                               const BlendMode& blend)
    : IControl(plug, FrameRect(x, y, bitmap), paramIdx, blend), mBitmap(bitmap) {}

IBitmapControl::IBitmapControl(IPlugBase* plug, int x, int y, const IBitmap& bitmap, const BlendMode& blend)
    : IBitmapControl(plug, x, y, -1, bitmap, blend) {}

int IBitmapControl::FrameForValue() const { return FrameOf(GetValue(), mBitmap.N, GetValue() > 0.0 ? mBitmap.N : 1); }

bool IBitmapControl::Draw(IGraphics* graphics) {
  return graphics->DrawBitmap(mBitmap, mRECT, FrameForValue(), &mBlend);
}

// ---- ISwitchControl ----

ISwitchControl::ISwitchControl(IPlugBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                               const BlendMode& blend)
    : IBitmapControl(plug, x, y, paramIdx, bitmap, blend) {}

void ISwitchControl::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  double value = GetValue() + (mBitmap.N > 1 ? 1.0 / (mBitmap.N - 1) : 1.0);
  if (value > 1.001) value = 0.0;
  SetValue(value);
  SetDirty(true);
}

// ---- IContactControl ----

IContactControl::IContactControl(IPlugBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                                 const BlendMode& blend)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blend) {}

void IContactControl::OnMouseUp(int x, int y, const MouseModifiers& mod) {
  SetValue(0.0);
  SetDirty(true);
}

// ---- IKnobControl ----

IKnobControl::IKnobControl(IPlugBase* plug, const IRect& rect, int paramIdx, int direction, double gearing)
    : IControl(plug, rect, paramIdx), mDirection(direction), mGearing(gearing) {}

void IKnobControl::OnMouseDrag(int x, int y, int dX, int dY, const MouseModifiers& mod) {
  double gearing = mGearing;
  if (mod.S || mod.C) gearing *= 10.0;  // fine adjustment
  double value = GetValue();
  if (mDirection == kVertical) {
    // Screen y grows downwards: moving up raises the value; the full height changes it by 1/g.
    if (mRECT.T != mRECT.B) value += static_cast<double>(dY) / static_cast<double>(mRECT.T - mRECT.B) / gearing;
  } else {
    if (mRECT.R != mRECT.L) value += static_cast<double>(dX) / static_cast<double>(mRECT.R - mRECT.L) / gearing;
  }
  SetValue(value);
  SetDirty(true);
}

void IKnobControl::OnMouseWheel(int x, int y, const MouseModifiers& mod, int d) {
  SetValue(GetValue() + d * ((mod.S || mod.C) ? 0.001 : 0.01));
  SetDirty(true);
}

// ---- IKnobMultiControl ----

IKnobMultiControl::IKnobMultiControl(IPlugBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                                     int direction, double gearing)
    : IKnobControl(plug, FrameRect(x, y, bitmap), paramIdx, direction, gearing), mBitmap(bitmap) {}

int IKnobMultiControl::FrameForValue() const { return FrameOf(GetValue(), mBitmap.N, 1); }

bool IKnobMultiControl::Draw(IGraphics* graphics) {
  return graphics->DrawBitmap(mBitmap, mRECT, FrameForValue(), &mBlend);
}

// ---- IFaderControl ----

IFaderControl::IFaderControl(IPlugBase* plug, int x, int y, int len, int paramIdx, const IBitmap& bitmap,
                             int direction, bool onlyHandle)
    : IControl(plug, IRect(), paramIdx),
      mLen(len),
      mHandleHeadroom(direction == IKnobControl::kVertical ? bitmap.FrameHeight() : bitmap.FrameWidth()),
      mBitmap(bitmap),
      mDirection(direction),
      mOnlyHandle(onlyHandle) {
  if (direction == IKnobControl::kVertical)
    SetRECT(IRect(x, y, x + bitmap.FrameWidth(), y + len));
  else
    SetRECT(IRect(x, y, x + len, y + bitmap.FrameHeight()));
}

IRect IFaderControl::GetHandleRECT() const {
  const double travel = static_cast<double>(mLen - mHandleHeadroom);
  const double value = GetValue();
  IRect r(mRECT.L, mRECT.T, mRECT.L + mBitmap.FrameWidth(), mRECT.T + mBitmap.FrameHeight());
  if (mDirection == IKnobControl::kVertical) {
    const int offset = static_cast<int>(travel * (1.0 - value));
    r.T += offset;
    r.B += offset;
  } else {
    const int offset = static_cast<int>(travel * value);
    r.L += offset;
    r.R += offset;
  }
  return r;
}

void IFaderControl::MoveHandleToPoint(int x, int y) {
  // A track no longer than the handle has nowhere to move; it would divide by zero.
  const double travel = mLen - mHandleHeadroom > 0 ? static_cast<double>(mLen - mHandleHeadroom) : 1.0;
  if (mDirection == IKnobControl::kVertical)
    SetValue(1.0 - static_cast<double>(y - mRECT.T - mHandleHeadroom / 2) / travel);
  else
    SetValue(static_cast<double>(x - mRECT.L - mHandleHeadroom / 2) / travel);
  SetDirty(true);
}

void IFaderControl::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  if (mod.R)
    PromptForValue();
  else
    MoveHandleToPoint(x, y);
}

void IFaderControl::OnMouseDrag(int x, int y, int dX, int dY, const MouseModifiers& mod) { MoveHandleToPoint(x, y); }

void IFaderControl::OnMouseWheel(int x, int y, const MouseModifiers& mod, int d) {
  SetValue(GetValue() + d * ((mod.S || mod.C) ? 0.001 : 0.01));
  SetDirty(true);
}

bool IFaderControl::IsHit(int x, int y) {
  return mOnlyHandle ? GetHandleRECT().Contains(x, y) : mTargetRECT.Contains(x, y);
}

bool IFaderControl::Draw(IGraphics* graphics) {
  return graphics->DrawBitmap(mBitmap, GetHandleRECT(), 1, &mBlend);
}

// ---- ITextControl ----

ITextControl::ITextControl(IPlugBase* plug, const IRect& rect, const ITextStyle& style, const char* text)
    : IControl(plug, rect), mStr(text ? text : "") {
  mText = style;
}

bool ITextControl::Draw(IGraphics* graphics) {
  if (mStr.empty()) return true;
  return graphics->DrawText(mText, mStr.c_str(), mRECT);
}

void ITextControl::SetTextFromPlugin(const char* text) {
  const char* t = text ? text : "";
  if (mStr == t) return;
  SetDirty(false);
  mStr = t;
}

}  // namespace pellory
