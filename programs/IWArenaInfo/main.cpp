// IWArenaInfo [--remove-stale]: prints the state of the user's shared arena
// (creator, size, bytes in use and free, named blocks) and, when asked,
// removes an arena left behind by tools that are gone, so that nobody
// needs ipcs or ipcrm. A live arena is never removed.
#include <cstdio>
#include <cstring>

#include "arena_report.h"

int main(int argc, char** argv) {
  bool remove_stale = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--remove-stale") == 0) {
      remove_stale = true;
    } else {
      std::fprintf(stderr, "usage: IWArenaInfo [--remove-stale]\n");
      return 64;
    }
  }
  return arena_info::ReportArena(remove_stale, stdout);
}
