// tip_placement.cpp - see tip_placement.h.
//
// A menu entry's tip goes to the right of the whole menu when it fits on
// the screen, else to its left, level with the entry: over the menu it
// would hide the neighbouring entries. Any other item's tip opens 2 pixels
// below the item and 2 pixels right of its left edge, above the item when
// there is no room below, and is moved left to end at the screen's right
// edge when it would leave the screen.
#include "tip_placement.h"

namespace wm {

TipPosition PlaceTip(const ScreenRect& item, int tip_width, int tip_height, int screen_width,
                     int screen_height, const ScreenRect* menu) {
  TipPosition at{0, 0};
  if (menu) {
    at.x = menu->x + menu->width;
    if (at.x + tip_width > screen_width) at.x = menu->x - tip_width;
    at.y = item.y;
    return at;
  }
  at.x = item.x + 2;
  at.y = item.y + item.height + 2;
  if (at.y + tip_height > screen_height) at.y = item.y - tip_height - 2;
  if (at.x + tip_width > screen_width) at.x = screen_width - tip_width;
  return at;
}

}  // namespace wm
