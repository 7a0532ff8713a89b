// list_items.h - how a scrolled list shows an item text: a leading "<b>",
// "<i>" or "<bi>" tag (on a text of at least 5 characters) selects the
// bold, italic or bold-italic rendition and is not shown.
#pragma once

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

}  // namespace wm
