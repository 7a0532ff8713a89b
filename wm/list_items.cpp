// list_items.cpp - see list_items.h.
#include "list_items.h"

namespace wm {

const char* const kListNormalRendition = "ListNormalRendition";
const char* const kListBoldRendition = "ListBoldRendition";
const char* const kListItalicRendition = "ListItalicRendition";
const char* const kListBoldItalicRendition = "ListBoldItalicRendition";

ListItemText ReadListItem(const std::string& item) {
  if (item.size() >= 5) {
    if (item.compare(0, 4, "<bi>") == 0) return {item.substr(4), kListBoldItalicRendition};
    if (item.compare(0, 3, "<b>") == 0) return {item.substr(3), kListBoldRendition};
    if (item.compare(0, 3, "<i>") == 0) return {item.substr(3), kListItalicRendition};
  }
  return {item, kListNormalRendition};
}

}  // namespace wm
