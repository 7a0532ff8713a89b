// list_items.h - how a scrolled list shows an item text: a leading "<b>",
// "<i>" or "<bi>" tag (on a text of at least 5 characters) selects the
// bold, italic or bold-italic rendition and is not shown. The fonts of the
// renditions are those the X server has: the list's family when present,
// else another family of the same weight and slant.
#pragma once

#include <X11/Xlib.h>

#include <string>

namespace wm {

// Rendition tags of the list's render table.
extern const char* const kListNormalRendition;
extern const char* const kListBoldRendition;
extern const char* const kListItalicRendition;
extern const char* const kListBoldItalicRendition;

struct ListItemText {
  std::string text;       // what the list shows
  const char* rendition;  // one of the four tags above
};

ListItemText ReadListItem(const std::string& item);

// Family of the list fonts.
extern const char* const kListFontFamily;

// The name of a font on `display` for one rendition: `family` at 12 points
// when the server has it, else any family of that weight and slant, then
// any size of it, then any font of that weight; "fixed" when nothing of
// the weight exists. Bold stays bold as long as the server has a bold font.
std::string ListFontName(Display* display, const char* family, bool bold, bool slanted);

}  // namespace wm
