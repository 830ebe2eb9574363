#include "editor/IVLKnobControl.h"

#include <string>

#include "core/Pellory.h"
#include "editor/IGraphics.h"
#include "engine/TuningClient.h"
#include "platform/Locks.h"

namespace pellory {

namespace {
const ITextStyle& ValueStyle() {
  static const ITextStyle style(14, IColor(255, 64, 255, 64), "Arial", ITextStyle::kStyleNormal,
                                ITextStyle::kAlignCenter);
  return style;
}
}  // namespace

void EchoToOtherControls(IControl* control) {
  IPlugBase* plug = control->GetPlug();
  IGraphics* graphics = plug ? plug->GetGraphics() : nullptr;
  if (graphics && control->ParamIdx() >= 0)
    graphics->SetParameterFromPlugin(control->ParamIdx(), control->GetValue(), true);
}

IVLKnobControl::IVLKnobControl(Pellory* plug, int x2, int y2, const IBitmap& bitmap, int paramIdx)
    : IKnobMultiControl(plug, x2 / 2, y2 / 2, paramIdx, bitmap, kVertical, kGearing), mPellory(plug) {}

void IVLKnobControl::OnMouseOver(int x, int y, const MouseModifiers& mod) {
  if (mParamIdx == kTune) {
    const engine::TuningClient* tuning = mPellory ? mPellory->GetTuningClient() : nullptr;
    std::string label = tuning ? tuning->TuningLabel() : std::string();
    // Without a tuning source the scale name is empty, not absent.
    if (label.empty()) label = "Micro Tuning: ";
    SetTooltip(label.c_str());
  }
  if (!mShowValue) {
    mShowValue = true;
    SetDirty(true);
  }
}

void IVLKnobControl::OnMouseOut() {
  if (!mShowValue) return;
  mShowValue = false;
  SetDirty(false);
}

void IVLKnobControl::SetDirty(bool pushParamToPlug) {
  IKnobMultiControl::SetDirty(pushParamToPlug);
  if (pushParamToPlug) EchoToOtherControls(this);
}

bool IVLKnobControl::Draw(IGraphics* graphics) {
  const bool drawn = IKnobMultiControl::Draw(graphics);
  if (!mShowValue || !mPlug) return drawn;
  const IParameter* param = mPlug->GetParameter(mParamIdx);
  if (!param) return drawn;
  char text[64];
  {
    platform::LockGuard guard(mPlug->Lock());
    param->GetDisplayText(param->Value(), false, text, sizeof(text));
  }
  graphics->DrawText(ValueStyle(), text, IRect(mRECT.L, mRECT.T + 5, mRECT.R, mRECT.B));
  return drawn;
}

}  // namespace pellory
