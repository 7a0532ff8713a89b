// directory_selector.h - the entries of the file chooser's directory
// selector and what choosing one of them means.
//
// The selector lists, in this order: the current directory and each of its
// parents up to "/"; a separator; the recently used directories 2 to 4 of
// the list "std" that exist; a separator; shortcut entries for the home
// folder, the data folder, the desktop folders and the CD/DVD drive, each
// offered only where it leads somewhere.
#pragma once

#include <string>
#include <vector>

namespace wm {

extern const char* const kSelectorSeparator;  // "- - - ... - -"

// The selector's entries for the current directory `dir` (with or without
// its trailing "/").
std::vector<std::string> DirectorySelectorEntries(const std::string& dir);

// The directory an entry leads to; "" for a separator (nothing changes).
std::string DirectoryOfSelectorEntry(const std::string& entry);

}  // namespace wm
