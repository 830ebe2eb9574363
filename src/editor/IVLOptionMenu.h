#pragma once
#include "editor/IControl.h"

namespace pellory {

class Pellory;

// The MENU button's hot zone (the button is part of the background): a click shows the main
// menu of utility commands and runs the chosen one.
class IVLOptionMenu : public IControl {
 public:
  IVLOptionMenu(Pellory* plug, const IRect& rect);
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
  bool Draw(IGraphics* graphics) override { return true; }

 private:
  Pellory* mPellory;
};

}  // namespace pellory
