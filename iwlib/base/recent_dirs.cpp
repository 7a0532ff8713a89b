// Recently used directories, one list per category. Position p of category
// c is the variable "RECENTLY_USED_DIRECTORY_<c>_<p>" (1 = most recent), so
// the lists are shared with the user's other tools and saved like any
// other setting. Directories are stored with a trailing "/" so that one
// directory has one spelling.
#include <cstdio>
#include <string>

#include "config_state.h"
#include "iwbase.h"

namespace {

// Bytes of the variable name of one position, NUL included.
constexpr int kRecentKeyMax = 64;

std::string RecentKey(const char* category, int position) {
  char key[kRecentKeyMax];
  std::snprintf(key, sizeof key, "RECENTLY_USED_DIRECTORY_%s_%d", category, position);
  return key;
}

// Moves `directory` to the front of the list of `count` positions. The
// entries in front of its old position (or all of them when it was not in
// the list) move one position down; the last one then drops out.
int AddRecentDir(const char* directory, int count, const char* category) {
  std::string wanted = directory;
  if (wanted.empty() || wanted.back() != '/') wanted += '/';

  const char* first = IWRtVar(RecentKey(category, 1).c_str());
  if (!first) return IWAlVar(RecentKey(category, 1).c_str(), wanted.c_str());
  if (wanted == first || count < 2) return 1;

  int old_position = count;
  for (int i = count; i >= 2; --i) {
    const char* value = IWRtVar(RecentKey(category, i).c_str());
    if (value && wanted == value) {
      old_position = i;
      break;
    }
  }
  for (int i = old_position; i >= 2; --i) {
    const char* previous = IWRtVar(RecentKey(category, i - 1).c_str());
    // Copied first: setting position i may move the cache it points into.
    if (previous) IWAlVar(RecentKey(category, i).c_str(), std::string(previous).c_str());
  }
  return IWAlVar(RecentKey(category, 1).c_str(), wanted.c_str());
}

}  // namespace

extern "C" const char* IWRtRecentDir(const char* category, int position) {
  if (!category) return nullptr;
  return iwbase::Guarded<const char*>(
      nullptr, [&] { return IWRtVar(RecentKey(category, position).c_str()); });
}

extern "C" int IWAddRecentDir(const char* directory, int count, const char* category) {
  if (!directory || !category) return -1;
  return iwbase::Guarded(-1, [&] { return AddRecentDir(directory, count, category); });
}
