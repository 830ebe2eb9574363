#include "editor/IVLOptionMenu.h"

#include <memory>

#include "core/Pellory.h"
#include "editor/IGraphics.h"
#include "editor/IVLNumberDisplay.h"

namespace pellory {

IVLOptionMenu::IVLOptionMenu(Pellory* plug, const IRect& rect) : IControl(plug, rect, -1), mPellory(plug) {}

void IVLOptionMenu::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  IGraphics* graphics = mPlug ? mPlug->GetGraphics() : nullptr;
  if (!graphics || !mPellory) return;
  // Built afresh from the current state: items come and go with the keyboard mode, the
  // program and the options.
  const Menu commands = mPellory->BuildUtilityMenu();
  IPopupMenu menu;
  AddMenuItems(menu, commands);
  IPopupMenu* chosen = graphics->ShowPopupMenu(&menu, IRect(x, y, x, y));
  const int command = ChosenCommand(commands, menu, chosen);
  if (command < 0) return;
  mPellory->RunUtilityCommand(command);
  graphics->MarkAllControlsDirty();
}

}  // namespace pellory
