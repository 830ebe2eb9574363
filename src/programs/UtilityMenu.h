#pragma once
#include <string>
#include <vector>

namespace pellory {

// A menu as the editor shows it: the editor builds the native menu from this description and
// sends back the command number of the chosen item.
struct MenuItem {
  std::string text;                // empty for a separator
  int command = -1;                // utility command number
  bool separator = false;
  bool checked = false;
  std::vector<MenuItem> submenu;   // non-empty for a submenu entry
};
using Menu = std::vector<MenuItem>;

}  // namespace pellory
