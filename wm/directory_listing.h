// directory_listing.h - what the file chooser's list shows for a directory:
// its sub-directories (bold, with "/") and then the files that match the
// file types text, each sorted by date or by name, each item carrying its
// modification date. No widgets here, so the rules can be checked on real
// directories without a display.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace wm {

// How the list is sorted; stored in PA_FILE_CHOOSER_SORT_DATE,
// PA_FILE_CHOOSER_SORT_DIR and PA_FILE_CHOOSER_CASE_SENS.
struct SortOrder {
  int by_date = 0;         // 1: by modification time, 0: by name
  int descending = 0;      // 1: newest first / Z to A
  int case_sensitive = 0;  // 1: names compared byte-wise, 0: regardless of case
};

// Pressing the "Date" button: reverses a date sort, else sorts by date.
SortOrder PressDateSort(SortOrder order);
// Pressing the "File Name" button: a date sort becomes a name sort, a name
// sort is reversed.
SortOrder PressNameSort(SortOrder order);

// Labels of the two sort buttons for the order in force: the active one
// carries 'v' (descending) or '^' (ascending).
std::string DateButtonLabel(const SortOrder& order);
std::string NameButtonLabel(const SortOrder& order);

// One entry found in a directory.
struct ListedEntry {
  std::string name;     // file name without directory
  bool is_dir = false;  // a directory (or a link to one)
  bool dated = false;   // the modification time could be read
  time_t mtime = 0;     // modification time when dated
};

// The patterns of a file types text, separated by ",", ";" or blanks.
std::vector<std::string> SplitTypes(const std::string& types);

// The directory text with exactly one trailing "/".
std::string WithTrailingSlash(const std::string& dir);

// `path` with "." and ".." components resolved and repeated slashes
// removed (textually: links keep the names the user gave them).
std::string NormalizePath(const std::string& path);

// `path` made absolute against the working directory and normalized.
std::string AbsolutePath(const std::string& path);

// A date as the list shows it ("%x %H:%M"), "" when not dated.
std::string ListDate(const ListedEntry& entry);

// Sorts entries in place (stable: equal keys keep their order).
void SortEntries(std::vector<ListedEntry>* entries, const SortOrder& order);

// The list of one directory.
struct DirectoryListing {
  std::vector<std::string> items;         // texts of the list ("<b>[date] dir/", "[date] file")
  std::vector<ListedEntry> entries;       // the entry behind each item
  int selected = -1;                      // index of the item to select, or -1
};

// Lists `dir` (with trailing "/"): every sub-directory, then (unless
// `folder_mode`) the union of the files matching each pattern of `types`.
// The directory whose name equals `name_field` is selected.
DirectoryListing ListDirectory(const std::string& dir, const std::string& types,
                               const SortOrder& order, bool folder_mode,
                               const std::string& name_field);

// A file size as the preview shows it: "%lld bytes" below 1024 bytes,
// "%.2f Mb" below 1 GiB, "%.2f Gb" from there on (1024-based units).
std::string SizeText(long long bytes);

}  // namespace wm
