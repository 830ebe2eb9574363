#pragma once
#include "editor/IControl.h"

namespace pellory {

class Pellory;

// An LED switch: a plain toggle (radio value <= 0), or one LED of a group bound to an
// enumerated parameter that lights when the parameter equals its radio value.
class IVLSwitchControl : public IBitmapControl {
 public:
  IVLSwitchControl(Pellory* plug, int x, int y, int paramIdx, const IBitmap& bitmap, int radioValue = -1);
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
  void OnMouseDblClick(int x, int y, const MouseModifiers& mod) override { OnMouseDown(x, y, mod); }
  bool Draw(IGraphics* graphics) override;
  int RadioValue() const { return mRadio; }
  bool Lit() const;

 private:
  int mRadio;
};

// The MIDI-learn switch: learn or unlearn mode (right click while off flips it); a left click
// arms or disarms learning.
class IVLSwitchMidiLearn : public IBitmapControl {
 public:
  static constexpr int kX = 792, kY = 24;
  IVLSwitchMidiLearn(Pellory* plug, const IBitmap& learn, const IBitmap& unlearn);
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
  void OnMouseDblClick(int x, int y, const MouseModifiers& mod) override { OnMouseDown(x, y, mod); }
  bool Draw(IGraphics* graphics) override;
  bool LearnMode() const { return mLearnMode; }

 private:
  Pellory* mPellory;
  IBitmap mUnlearn;
  bool mLearnMode = true;
};

// A vertical fader on the track from y 269 to y 345.
class IVLSliderControl : public IFaderControl {
 public:
  static constexpr int kTop = 269, kLength = 76;
  IVLSliderControl(Pellory* plug, int x, int paramIdx, const IBitmap& handle);
};

// A picture shown or hidden by the view switch.
class IVLBitmapControl : public IBitmapControl {
 public:
  IVLBitmapControl(Pellory* plug, int x, int y, const IBitmap& bitmap);
};

// An invisible hot zone over one cell of the parameter chart: a click selects its panel
// parameter number.
class IVLLinkControl : public IControl {
 public:
  IVLLinkControl(Pellory* plug, const IRect& rect, int panelNumber);
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
  bool Draw(IGraphics* graphics) override { return true; }
  int PanelNumber() const { return mNumber; }

 private:
  Pellory* mPellory;
  int mNumber;
};

}  // namespace pellory
