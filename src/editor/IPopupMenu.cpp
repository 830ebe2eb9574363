#include "editor/IPopupMenu.h"

#include <cstdio>

namespace pellory {

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, int flags) {
  items_.emplace_back();
  Item& item = items_.back();
  item.text = text ? text : "";
  item.flags = flags;
  return &item;
}

IPopupMenu::Item* IPopupMenu::AddSubmenu(const char* text, IPopupMenu* submenu) {
  Item* item = AddItem(text);
  item->submenu.reset(submenu);
  return item;
}

IPopupMenu::Item* IPopupMenu::AddSeparator() {
  Item* item = AddItem("");
  item->separator = true;
  return item;
}

IPopupMenu::Item* IPopupMenu::GetItem(int index) {
  return index >= 0 && index < NumItems() ? &items_[static_cast<std::size_t>(index)] : nullptr;
}

const IPopupMenu::Item* IPopupMenu::GetItem(int index) const {
  return index >= 0 && index < NumItems() ? &items_[static_cast<std::size_t>(index)] : nullptr;
}

std::string IPopupMenu::ItemDisplayText(int index) const {
  const Item* item = GetItem(index);
  if (!item) return std::string();
  static const char* const kFormats[] = {nullptr, "%1d: %s", "%02d: %s", "%03d: %s"};
  if (prefix_ < 1 || prefix_ > 3 || item->separator) return item->text;
  char text[512];
  std::snprintf(text, sizeof(text), kFormats[prefix_], index + 1, item->text.c_str());
  return text;
}

void IPopupMenu::CheckItem(int index, bool checked) {
  if (Item* item = GetItem(index)) item->flags = checked ? (item->flags | kChecked) : (item->flags & ~kChecked);
}

bool IPopupMenu::IsItemChecked(int index) const {
  const Item* item = GetItem(index);
  return item && item->Checked();
}

}  // namespace pellory
