// What IWArenaInfo tells an administrator about a user's shared arena, and
// the removal of a stale one; a library so that tests run it in-process.
#pragma once

#include <cstdio>

namespace arena_info {

// Exit statuses of the program.
enum Outcome {
  kReported = 0,       // a live arena, reported (or a stale one removed)
  kNoArena = 1,        // no id file: nothing to report
  kStale = 2,          // a stale arena, left in place
  kFailed = 3,         // the arena could not be examined or attached
};

// Prints the state of the arena of the user named by USER (and keyed by
// this process's user id) to `out`. With remove_stale, a stale arena is
// removed; a live one is never touched.
Outcome ReportArena(bool remove_stale, std::FILE* out);

}  // namespace arena_info
