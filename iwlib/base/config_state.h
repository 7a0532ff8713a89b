// Per-process state of the configuration mechanism, kept in one struct.
//
// Invariants:
//  (1) A cache entry never moves once appended (std::deque), so a value
//      text handed out by IWRtVar stays valid until that entry is retired by
//      a later setting of the same name.
//  (2) A retired cache entry has an empty name and never matches again.
//  (3) An entry with an empty value records that the variable is known to
//      be unset.
//  (4) The save list holds each name at most once, never one beginning
//      with "^" and never an empty one.
//  (5) The user directory and the arena size are computed at most once;
//      the *_known flags say whether that has happened.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace iwbase {

// One name/value pair of the cache or the save list.
struct VarEntry {
  std::string name;   // variable name, exact case; empty once retired
  std::string value;  // value text; empty means "known to be unset"
};

struct ConfigState {
  std::deque<VarEntry> cache;       // every lookup result and setting, oldest first
  std::vector<VarEntry> save_list;  // settings to write at the next save, in order
  bool user_dir_known = false;      // the user directory has been built (or failed)
  std::string user_dir;             // user configuration directory; empty if unavailable
  std::string user_file;            // user_dir + "/user.parc"; empty if unavailable
  bool shm_size_known = false;      // shm_size_mb has been read
  int shm_size_mb = 0;              // arena size in megabytes, 30 .. 15000
  bool missing_system_file_told = false;  // the missing system file has been reported
};

// The one state record of this process.
ConfigState& State();

// Runs `body` and turns any exception (out of memory) into `on_failure`, so
// that nothing thrown inside the library reaches a C caller.
template <class Result, class Body>
Result Guarded(Result on_failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return on_failure;
  }
}

}  // namespace iwbase
