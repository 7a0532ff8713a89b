// menu_labels.h - how a pulldown menu's list of labels reads: separators,
// toggles, plain items, and one level of cascade sub-menus opened by "->"
// and closed by "<-". Every label keeps its position in the list, because
// a chosen item is reported by that position.
#pragma once

#include <string>
#include <vector>

namespace wm {

enum class MenuEntryKind {
  kButton,     // a push button
  kToggle,     // "(*)" + label: a toggle button
  kSeparator,  // "separator" in any case
  kCascade,    // "->" + title: opens a sub-menu for the following entries
  kBack        // "<-": the following entries go to the top level again
};

struct MenuEntry {
  MenuEntryKind kind;
  std::string text;  // label shown (prefix removed); empty for separators and "<-"
  int level;         // 0 top level, 1 inside a sub-menu
};

struct MenuPlan {
  std::vector<MenuEntry> entries;  // one per label, same positions
  bool too_deep = false;           // a "->" inside a sub-menu
};

MenuPlan PlanMenu(const std::vector<std::string>& labels);

// Reads one label.
MenuEntry ReadMenuLabel(const std::string& label);

// A new label for an existing entry must describe an entry of the same kind
// ("(*)" for a toggle, "->" for a cascade, neither for a button).
bool LabelFitsEntry(MenuEntryKind kind, const std::string& label);

}  // namespace wm
