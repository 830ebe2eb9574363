#pragma once
#include <string>

#include "editor/IControl.h"

namespace pellory {

class Pellory;

// A panel push-button: a labelled key (one bitmap) or a lamp button (off and on bitmaps). It
// sends its panel command (or toggles its parameter) when pressed; the OFF/ON keys repeat
// while held in parameter-number entry. The position is given in half pixels.
class IVLUtilityKick : public IBitmapControl {
 public:
  static constexpr int kRepeatDelayBlocks = 750;
  static constexpr int kRepeatBlocks = 100;

  IVLUtilityKick(Pellory* plug, int x2, int y2, int identifier, const IBitmap& bitmap, const char* label);
  IVLUtilityKick(Pellory* plug, int x2, int y2, int identifier, const IBitmap& off, const IBitmap& on);
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
  void OnMouseUp(int x, int y, const MouseModifiers& mod) override;
  void OnMouseDblClick(int x, int y, const MouseModifiers& mod) override { OnMouseDown(x, y, mod); }
  bool Draw(IGraphics* graphics) override;
  // Lamp changes redraw the button; a held OFF/ON key takes its due repeat steps here, on
  // the editor's timer.
  bool IsDirty() override;

  bool Lit() const;
  bool Pressed() const { return mPressed; }
  const std::string& Label() const { return mLabel; }
  // The panel command code the button sends.
  int Code() const { return mParamIdx < 0 ? -mParamIdx : mParamIdx; }

 private:
  bool IsStepKey() const { return mParamIdx == -99 || mParamIdx == -100; }
  bool IsDigitKey() const { return mParamIdx <= -101 && mParamIdx >= -110; }

  Pellory* mPellory;
  IBitmap mOn;
  std::string mLabel;
  bool mPressed = false;
  bool mShownLit = false;
};

}  // namespace pellory
