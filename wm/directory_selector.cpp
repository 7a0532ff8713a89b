// directory_selector.cpp - entries of the chooser's directory selector (see
// directory_selector.h).
#include "directory_selector.h"

#include <sys/stat.h>
#include <unistd.h>

#include "chooser_defaults.h"
#include "iwbase.h"

namespace wm {

const char* const kSelectorSeparator = "- - - - - - - - - - - - - - - - - -";

namespace {

const char* const kHomeEntry = "<Home Folder>";
const char* const kDataEntry = "<Current Data Folder>";
const char* const kGnomeEntry = "<Gnome Desktop>";
const char* const kKdeEntry = "<KDE Desktop>";
const char* const kDriveEntry = "<CD/DVD Drive>";

// The two mount points of a CD/DVD drive, the first preferred.
const char* const kDriveMounts[2] = {"/mnt/cdrom", "/media/cdrecorder"};

// Entries 2 to 4 of the recently used list are offered (entry 1 is where
// the chooser usually opens anyway).
const char* const kRecentCategory = "std";
const int kFirstRecentOffered = 2;
const int kLastRecentOffered = 4;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A directory as the selector shows it: without trailing "/", except "/".
std::string Shown(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

// The first set variable of `names`, or "".
std::string FirstSet(std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (const char* value = IWRtVar(name)) return value;
  return "";
}

}  // namespace

std::vector<std::string> DirectorySelectorEntries(const std::string& dir) {
  std::vector<std::string> entries;
  std::string path = Shown(dir.empty() ? "/" : dir);
  for (;;) {
    entries.push_back(path);
    if (path == "/") break;
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) break;  // a relative path: no parents to show
    path = slash == 0 ? "/" : path.substr(0, slash);
  }
  entries.push_back(kSelectorSeparator);
  for (int i = kFirstRecentOffered; i <= kLastRecentOffered; ++i) {
    const char* recent = IWRtRecentDir(kRecentCategory, i);
    if (recent && IsDirectory(recent)) entries.push_back(Shown(recent));
  }
  entries.push_back(kSelectorSeparator);
  entries.push_back(kHomeEntry);
  if (!FirstSet({"TS_DATA", "MX_DATA", "HX_DATA", "PA_DATA"}).empty()) entries.push_back(kDataEntry);
  std::string home = HomeDirectory();
  if (Exists(home + "/.gnome-desktop")) entries.push_back(kGnomeEntry);
  if (Exists(home + "/Desktop")) entries.push_back(kKdeEntry);
  if (Exists(kDriveMounts[0]) || Exists(kDriveMounts[1])) entries.push_back(kDriveEntry);
  return entries;
}

std::string DirectoryOfSelectorEntry(const std::string& entry) {
  if (entry == kSelectorSeparator) return "";
  std::string home = HomeDirectory();
  if (entry == kHomeEntry) return home;
  if (entry == kGnomeEntry) return home + "/.gnome-desktop";
  if (entry == kKdeEntry) return home + "/Desktop";
  if (entry == kDataEntry) return FirstSet({"TS_DATA", "MX_DATA", "HX_DATA", "RQ_DATA", "PA_DATA"});
  if (entry == kDriveEntry) return Exists(kDriveMounts[0]) ? kDriveMounts[0] : kDriveMounts[1];
  return entry;
}

}  // namespace wm
