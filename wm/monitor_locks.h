// monitor_locks.h - the lock records through which the suite's tools keep
// each other from working on the same image-window display at once.
//
// The records live in the shared arena behind two named blocks (the list of
// record addresses and its count). The rules are kept apart from that
// storage so they can be exercised on any array of records.
#pragma once

#include <sys/types.h>

namespace wm {

struct MonitorLockRecord {
  int owner_pid;     // process holding the lock; negative = free
  long stamp;        // time(2) when taken
  char holder[26];   // holder's name, at most 25 characters
  long mask;         // kinds of work locked (bit mask)
  int key;           // what is locked (e.g. a window number)
};

// Is `pid` a live process? (signal 0)
bool ProcessAlive(pid_t pid);

// Acquire over `count` records. Returns the 1-based index of the caller's
// record, 0 when a live process of another pid holds a matching record
// (*holder then gets a malloc'ed copy of its name), or -1 when every record
// is taken (the caller grows the list and tries again). Records of dead
// owners are freed on the way.
int AcquireLock(MonitorLockRecord** records, int count, pid_t self, const char* name, int key,
                long mask, char** holder);

// 1 when a live process other than `self` holds a record of `key` whose mask
// matches the query kind (2..8), with *holder set as above; else 0.
int QueryLock(MonitorLockRecord** records, int count, pid_t self, int key, int kind,
              char** holder);

// Mask bits that a query kind tests (0 for an unknown kind).
long MaskForQueryKind(int kind);

}  // namespace wm
