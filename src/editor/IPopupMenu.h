#pragma once
#include <memory>
#include <string>
#include <deque>

namespace pellory {

// A popup menu description: items with flags, separators and submenus. The surface shows it
// and hands back the menu that holds the chosen item with that item marked chosen.
class IPopupMenu {
 public:
  enum ItemFlags { kNoFlags = 0, kDisabled = 1, kTitle = 2, kChecked = 4 };
  // Numbering prefixes: none, "%1d: %s", "%02d: %s", "%03d: %s".
  enum Prefix { kNoPrefix = 0, kPrefix1 = 1, kPrefix2 = 2, kPrefix3 = 3 };

  struct Item {
    std::string text;
    int flags = kNoFlags;
    bool separator = false;
    std::unique_ptr<IPopupMenu> submenu;

    bool Enabled() const { return !(flags & (kDisabled | kTitle)); }
    bool Checked() const { return (flags & kChecked) != 0; }
  };

  explicit IPopupMenu(int prefix = kNoPrefix) : prefix_(prefix) {}

  Item* AddItem(const char* text, int flags = kNoFlags);
  // The menu takes ownership of the submenu.
  Item* AddSubmenu(const char* text, IPopupMenu* submenu);
  Item* AddSeparator();

  int NumItems() const { return static_cast<int>(items_.size()); }
  Item* GetItem(int index);
  const Item* GetItem(int index) const;
  // The text as shown, with the numbering prefix (1-based position) when the menu has one.
  std::string ItemDisplayText(int index) const;
  void CheckItem(int index, bool checked);
  bool IsItemChecked(int index) const;
  void SetPrefix(int prefix) { prefix_ = prefix; }
  int Prefix() const { return prefix_; }

  // Set by the surface: the chosen item's index in this menu, -1 for none.
  int GetChosenItemIdx() const { return chosen_; }
  void SetChosenItemIdx(int index) { chosen_ = index; }

 private:
  std::deque<Item> items_;  // stable addresses for the Item pointers handed out
  int prefix_ = kNoPrefix;
  int chosen_ = -1;
};

}  // namespace pellory
