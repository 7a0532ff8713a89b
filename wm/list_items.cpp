// list_items.cpp - see list_items.h.
#include "list_items.h"

#include <vector>

namespace wm {

const char* const kListNormalRendition = "ListNormalRendition";
const char* const kListBoldRendition = "ListBoldRendition";
const char* const kListItalicRendition = "ListItalicRendition";
const char* const kListBoldItalicRendition = "ListBoldItalicRendition";

const char* const kListFontFamily = "helvetica";

namespace {

// First font on the server matching `pattern`, or "".
std::string FirstFont(Display* display, const std::string& pattern) {
  int count = 0;
  char** names = XListFonts(display, pattern.c_str(), 1, &count);
  std::string found = names && count > 0 ? names[0] : "";
  if (names) XFreeFontNames(names);
  return found;
}

}  // namespace

std::string ListFontName(Display* display, const char* family, bool bold, bool slanted) {
  const std::string weight = bold ? "bold" : "medium";
  // Oblique and italic both read as slanted.
  const std::vector<std::string> slants = slanted ? std::vector<std::string>{"o", "i"}
                                                  : std::vector<std::string>{"r"};
  std::vector<std::string> patterns;
  for (const std::string& slant : slants)
    patterns.push_back("-*-" + std::string(family) + "-" + weight + "-" + slant +
                       "-normal--*-120-*-*-*-*-iso8859-1");
  for (const std::string& slant : slants)
    patterns.push_back("-*-*-" + weight + "-" + slant + "-normal--*-120-*-*-*-*-iso8859-1");
  for (const std::string& slant : slants)
    patterns.push_back("-*-*-" + weight + "-" + slant + "-*-*-*-*-*-*-*-*-iso8859-1");
  patterns.push_back("-*-*-" + weight + "-*-*-*-*-*-*-*-*-*-*-*");
  for (const std::string& pattern : patterns) {
    std::string name = FirstFont(display, pattern);
    if (!name.empty()) return name;
  }
  return "fixed";
}

ListItemText ReadListItem(const std::string& item) {
  if (item.size() >= 5) {
    if (item.compare(0, 4, "<bi>") == 0) return {item.substr(4), kListBoldItalicRendition};
    if (item.compare(0, 3, "<b>") == 0) return {item.substr(3), kListBoldRendition};
    if (item.compare(0, 3, "<i>") == 0) return {item.substr(3), kListItalicRendition};
  }
  return {item, kListNormalRendition};
}

}  // namespace wm
