// menu_labels.cpp - see menu_labels.h.
#include "menu_labels.h"

#include <strings.h>

namespace wm {

MenuEntry ReadMenuLabel(const std::string& label) {
  if (strcasecmp(label.c_str(), "separator") == 0) return {MenuEntryKind::kSeparator, "", 0};
  if (label.compare(0, 2, "->") == 0) return {MenuEntryKind::kCascade, label.substr(2), 0};
  if (label.compare(0, 2, "<-") == 0) return {MenuEntryKind::kBack, "", 0};
  if (label.compare(0, 3, "(*)") == 0) return {MenuEntryKind::kToggle, label.substr(3), 0};
  return {MenuEntryKind::kButton, label, 0};
}

MenuPlan PlanMenu(const std::vector<std::string>& labels) {
  MenuPlan plan;
  int level = 0;
  for (const std::string& label : labels) {
    MenuEntry entry = ReadMenuLabel(label);
    if (entry.kind == MenuEntryKind::kCascade && level > 0) {
      plan.too_deep = true;
      return plan;
    }
    if (entry.kind == MenuEntryKind::kBack) level = 0;
    entry.level = level;
    plan.entries.push_back(entry);
    if (entry.kind == MenuEntryKind::kCascade) level = 1;
  }
  return plan;
}

bool LabelFitsEntry(MenuEntryKind kind, const std::string& label) {
  MenuEntry entry = ReadMenuLabel(label);
  if (entry.kind != kind) return false;
  // A visible entry needs something to show.
  return kind == MenuEntryKind::kSeparator || kind == MenuEntryKind::kBack || !entry.text.empty();
}

}  // namespace wm
