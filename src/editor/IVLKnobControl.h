#pragma once
#include "editor/IControl.h"

namespace pellory {

class Pellory;

// A film-strip knob that shows its parameter's value text while the mouse is over it. The
// position is given in half pixels.
class IVLKnobControl : public IKnobMultiControl {
 public:
  static constexpr double kGearing = 4.0;

  IVLKnobControl(Pellory* plug, int x2, int y2, const IBitmap& bitmap, int paramIdx);
  void OnMouseOver(int x, int y, const MouseModifiers& mod) override;
  void OnMouseOut() override;
  bool Draw(IGraphics* graphics) override;
  void SetDirty(bool pushParamToPlug = true) override;
  bool ShowsValue() const { return mShowValue; }

 private:
  Pellory* mPellory;
  bool mShowValue = false;
};

// After a control pushed its value to the plug-in, the other controls bound to the same
// parameter (the twin WHEEL knobs, a group of radio LEDs) follow.
void EchoToOtherControls(IControl* control);

}  // namespace pellory
