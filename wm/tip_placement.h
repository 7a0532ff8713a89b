// tip_placement.h - where a tool tip opens on the screen, given the item it
// belongs to: beside the menu for a menu item, below (or above) other items.
#pragma once

namespace wm {

struct ScreenRect {
  int x, y;           // root-relative top-left corner, pixels
  int width, height;  // pixels
};

struct TipPosition {
  int x, y;  // root-relative top-left corner of the tip, pixels
};

// `menu` is the menu pane holding the item when the item is a menu entry,
// else null.
TipPosition PlaceTip(const ScreenRect& item, int tip_width, int tip_height, int screen_width,
                     int screen_height, const ScreenRect* menu);

}  // namespace wm
