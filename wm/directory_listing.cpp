// directory_listing.cpp - directory contents for the file chooser's list
// (see directory_listing.h).
//
// Entries are found with glob(3) on the directory followed by a pattern;
// the directory part is escaped first, so that a directory whose name holds
// "*", "?" or "[" is listed as it is, not read as a pattern.
#include "directory_listing.h"

#include <glob.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace wm {
namespace {

std::string EscapeForGlob(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (strchr("*?[]\\", c)) out += '\\';
    out += c;
  }
  return out;
}

// Every entry of `dir` matching `pattern`; directories are marked by glob
// with a trailing "/".
std::vector<ListedEntry> Glob(const std::string& dir, const std::string& pattern) {
  std::vector<ListedEntry> found;
  glob_t g = {};
  std::string full = EscapeForGlob(dir) + pattern;
  if (glob(full.c_str(), GLOB_MARK, nullptr, &g) == 0) {
    for (size_t i = 0; i < g.gl_pathc; ++i) {
      std::string path = g.gl_pathv[i];
      ListedEntry e;
      e.is_dir = !path.empty() && path.back() == '/';
      if (e.is_dir) path.pop_back();
      size_t slash = path.rfind('/');
      e.name = slash == std::string::npos ? path : path.substr(slash + 1);
      struct stat st;
      if (stat(path.c_str(), &st) == 0) {
        e.dated = true;
        e.mtime = st.st_mtime;
      }
      found.push_back(e);
    }
  }
  globfree(&g);
  return found;
}

}  // namespace

SortOrder PressDateSort(SortOrder order) {
  if (order.by_date) {
    order.descending = !order.descending;
  } else {
    order.by_date = 1;
  }
  return order;
}

SortOrder PressNameSort(SortOrder order) {
  if (order.by_date) {
    order.by_date = 0;
  } else {
    order.descending = !order.descending;
  }
  return order;
}

std::string DateButtonLabel(const SortOrder& order) {
  if (!order.by_date) return "        Date        ";
  char label[32];
  snprintf(label, sizeof label, "        Date  %c     ", order.descending ? 'v' : '^');
  return label;
}

std::string NameButtonLabel(const SortOrder& order) {
  if (order.by_date) return "File Name";
  char label[32];
  snprintf(label, sizeof label, "File Name  %c", order.descending ? 'v' : '^');
  return label;
}

std::vector<std::string> SplitTypes(const std::string& types) {
  std::vector<std::string> patterns;
  std::string current;
  for (char c : types) {
    if (c == ',' || c == ';' || c == ' ' || c == '\t') {
      if (!current.empty()) patterns.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) patterns.push_back(current);
  return patterns;
}

std::string WithTrailingSlash(const std::string& dir) {
  std::string out = dir;
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

// `path` with "." and ".." components resolved and repeated slashes
// removed (a textual clean-up: links are kept as the user named them).
std::string NormalizePath(const std::string& path) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= path.size()) {
    size_t slash = path.find('/', i);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(i, slash - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = slash + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return NormalizePath(path);
  char cwd[4096];
  return NormalizePath(std::string(getcwd(cwd, sizeof cwd) ? cwd : "/") + "/" + path);
}

std::string ListDate(const ListedEntry& entry) {
  if (!entry.dated) return "";
  char text[30];  // at most 29 characters
  struct tm local;
  localtime_r(&entry.mtime, &local);
  if (strftime(text, sizeof text, "%x %H:%M", &local) == 0) return "";
  return text;
}

void SortEntries(std::vector<ListedEntry>* entries, const SortOrder& order) {
  auto less = [&](const ListedEntry& a, const ListedEntry& b) {
    if (order.by_date) return order.descending ? a.mtime > b.mtime : a.mtime < b.mtime;
    int c = order.case_sensitive ? strcmp(a.name.c_str(), b.name.c_str())
                                 : strcasecmp(a.name.c_str(), b.name.c_str());
    return order.descending ? c > 0 : c < 0;
  };
  std::stable_sort(entries->begin(), entries->end(), less);
}

DirectoryListing ListDirectory(const std::string& dir, const std::string& types,
                               const SortOrder& order, bool folder_mode,
                               const std::string& name_field) {
  DirectoryListing listing;
  std::vector<ListedEntry> dirs;
  for (ListedEntry& e : Glob(dir, "*"))
    if (e.is_dir) dirs.push_back(e);
  SortEntries(&dirs, order);
  for (const ListedEntry& e : dirs) {
    if (e.name == name_field || e.name + "/" == name_field)
      listing.selected = static_cast<int>(listing.items.size());
    listing.items.push_back("<b>[" + ListDate(e) + "] " + e.name + "/");
    listing.entries.push_back(e);
  }
  if (folder_mode) return listing;

  // The union of the patterns: a file that several patterns match is
  // listed once.
  std::vector<ListedEntry> files;
  std::set<std::string> seen;
  for (const std::string& pattern : SplitTypes(types)) {
    for (ListedEntry& e : Glob(dir, pattern)) {
      if (e.is_dir || !seen.insert(e.name).second) continue;
      files.push_back(e);
    }
  }
  SortEntries(&files, order);
  for (const ListedEntry& e : files) {
    listing.items.push_back("[" + ListDate(e) + "] " + e.name);
    listing.entries.push_back(e);
  }
  return listing;
}

std::string SizeText(long long bytes) {
  char text[64];
  const double kMiB = 1024.0 * 1024.0, kGiB = kMiB * 1024.0;
  if (bytes < 1024)
    snprintf(text, sizeof text, "%lld bytes", bytes);
  else if (bytes < static_cast<long long>(kGiB))
    snprintf(text, sizeof text, "%.2f Mb", static_cast<double>(bytes) / kMiB);
  else
    snprintf(text, sizeof text, "%.2f Gb", static_cast<double>(bytes) / kGiB);
  return text;
}

}  // namespace wm
