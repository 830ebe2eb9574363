#pragma once
#include "editor/IControl.h"
#include "programs/UtilityMenu.h"

namespace pellory {

class IPopupMenu;
class Pellory;

// A two-digit seven-segment display bound to a parameter (small digits) or to one of the
// panel's displays (-80 VALUE, -81 ADDRESS, -82 LOWER PRG, -83 UPPER PRG; large digits). A click
// opens its chooser or command menu. The rectangle is given in half pixels.
class IVLNumberDisplay : public IControl {
 public:
  static constexpr int kBlank = -1;

  IVLNumberDisplay(Pellory* plug, const IRect& rect2, int identifier);
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
  bool Draw(IGraphics* graphics) override;
  // Panel displays also redraw when the digits the panel reports change.
  bool IsDirty() override;

  // The frame indices (0-based digit, kBlank for none) shown now.
  void Digits(int& tens, int& units) const;
  const IBitmap& Strip() const { return mStrip; }

 private:
  int PlainValue() const;
  int PanelDigits() const;
  IPopupMenu* BuildMenu(Menu& commands);

  Pellory* mPellory;
  IBitmap mStrip;
  mutable int mShown = -1;  // the panel display's byte when last drawn
};

// A popup menu for a command menu; the items keep their order.
void AddMenuItems(IPopupMenu& popup, const Menu& menu);
// The command of the item chosen in popup (as the surface returned it); -1 for none.
int ChosenCommand(const Menu& menu, IPopupMenu& popup, const IPopupMenu* chosen);

}  // namespace pellory
