// monitor_locks.cpp - acquiring, querying and releasing monitor locks.
//
// A lock record is free when its owner pid is negative. Acquire returns the
// caller's own record again when it already holds an overlapping one, fails
// while another live process holds one, and frees records whose owner has
// died (a crashed tool must not lock the others out for ever). The list
// starts with 5 records and grows by 5 when none is free.
//
// The records are shared through the named blocks "WMMonitorLockList"
// (addresses of the records) and "WMMonitorLockCount" (their number). A
// process that is not attached to the suite's arena finds neither block and
// cannot create them: it has no image windows whose displays could be
// locked, so Acquire answers -1 ("no shared lock list"), Query finds nobody
// and Release does nothing.
#include "monitor_locks.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "escaped_exception.h"
#include "iwbase.h"
#include "wmlib.h"

namespace wm {

bool ProcessAlive(pid_t pid) {
  if (pid <= 0) return false;
  return kill(pid, 0) == 0 || errno == EPERM;
}

long MaskForQueryKind(int kind) {
  switch (kind) {
    case 2: return 1;
    case 3: return 2;
    case 4: return 4;
    case 5: return 8;
    case 6: return 64 | 0x2700;
    case 7: return 16;
    case 8: return 32;
    default: return 0;
  }
}

int AcquireLock(MonitorLockRecord** records, int count, pid_t self, const char* name, int key,
                long mask, char** holder) {
  if (holder) *holder = nullptr;
  for (int i = 0; i < count; ++i) {
    MonitorLockRecord* r = records[i];
    if (!r || r->owner_pid < 0 || r->key != key || !(r->mask & mask)) continue;
    if (r->owner_pid == self) return i + 1;
    if (ProcessAlive(r->owner_pid)) {
      if (holder) *holder = strdup(r->holder);
      return 0;
    }
    r->owner_pid = -1;  // its owner died without releasing it
  }
  for (int i = 0; i < count; ++i) {
    MonitorLockRecord* r = records[i];
    if (!r || r->owner_pid >= 0) continue;
    r->owner_pid = self;
    r->key = key;
    r->mask = mask;
    r->stamp = static_cast<long>(time(nullptr));
    snprintf(r->holder, sizeof r->holder, "%s", name ? name : "");
    return i + 1;
  }
  return -1;
}

int QueryLock(MonitorLockRecord** records, int count, pid_t self, int key, int kind,
              char** holder) {
  if (holder) *holder = nullptr;
  long mask = MaskForQueryKind(kind);
  for (int i = 0; i < count; ++i) {
    MonitorLockRecord* r = records[i];
    if (!r || r->owner_pid < 0 || r->owner_pid == self || r->key != key || !(r->mask & mask))
      continue;
    if (!ProcessAlive(r->owner_pid)) continue;
    if (holder) *holder = strdup(r->holder);
    return 1;
  }
  return 0;
}

namespace {

const int kLockGrowth = 5;

struct SharedLockList {
  MonitorLockRecord** records;  // in the arena
  int* count;                   // in the arena
};

// Finds the shared list, creating it with 5 free records on first use.
bool FindSharedList(SharedLockList* list) {
  list->records = static_cast<MonitorLockRecord**>(IWRtNamedSHMAdd("WMMonitorLockList"));
  list->count = static_cast<int*>(IWRtNamedSHMAdd("WMMonitorLockCount"));
  if (list->records && list->count) return true;
  list->records = static_cast<MonitorLockRecord**>(
      IWAlcNamedSHM(kLockGrowth, sizeof(MonitorLockRecord*), "WMMonitorLockList"));
  if (!list->records) return false;
  list->count = static_cast<int*>(IWAlcNamedSHM(1, sizeof(int), "WMMonitorLockCount"));
  if (!list->count) return false;
  for (int i = 0; i < kLockGrowth; ++i) {
    auto* r = static_cast<MonitorLockRecord*>(IWAlcSHM(1, sizeof(MonitorLockRecord)));
    if (!r) return false;
    r->owner_pid = -1;
    list->records[i] = r;
  }
  *list->count = kLockGrowth;
  return true;
}

bool GrowSharedList(SharedLockList* list) {
  int old_count = *list->count;
  auto* grown = static_cast<MonitorLockRecord**>(IWAlcNamedSHM(
      old_count + kLockGrowth, sizeof(MonitorLockRecord*), "WMMonitorLockList"));
  if (!grown) return false;
  for (int i = 0; i < old_count; ++i) grown[i] = list->records[i];
  for (int i = old_count; i < old_count + kLockGrowth; ++i) {
    auto* r = static_cast<MonitorLockRecord*>(IWAlcSHM(1, sizeof(MonitorLockRecord)));
    if (!r) return false;
    r->owner_pid = -1;
    grown[i] = r;
  }
  // The new list is registered under the same name; free the old block so
  // lookups find the new one.
  IWFreeNamedSHM(list->records);
  list->records = grown;
  *list->count = old_count + kLockGrowth;
  return true;
}

}  // namespace
}  // namespace wm

using namespace wm;

extern "C" {

int WMAcquireMonitorLock(const char* name, int key, long mask, char** holder) try {
  if (holder) *holder = nullptr;
  SharedLockList list;
  if (!FindSharedList(&list)) return -1;
  int index = AcquireLock(list.records, *list.count, getpid(), name, key, mask, holder);
  if (index == -1 && GrowSharedList(&list))
    index = AcquireLock(list.records, *list.count, getpid(), name, key, mask, holder);
  return index;
} catch (...) {
  wm::ReportEscapedException("WMAcquireMonitorLock");
  return {};
}

int WMQueryMonitorLock(int key, int kind, char** holder) try {
  if (holder) *holder = nullptr;
  auto* records = static_cast<MonitorLockRecord**>(IWRtNamedSHMAdd("WMMonitorLockList"));
  auto* count = static_cast<int*>(IWRtNamedSHMAdd("WMMonitorLockCount"));
  if (!records || !count) return 0;
  return QueryLock(records, *count, getpid(), key, kind, holder);
} catch (...) {
  wm::ReportEscapedException("WMQueryMonitorLock");
  return {};
}

void WMReleaseMonitorLock(int index) try {
  auto* records = static_cast<MonitorLockRecord**>(IWRtNamedSHMAdd("WMMonitorLockList"));
  auto* count = static_cast<int*>(IWRtNamedSHMAdd("WMMonitorLockCount"));
  if (!records || !count || index < 1 || index > *count) return;
  records[index - 1]->owner_pid = -1;
} catch (...) {
  wm::ReportEscapedException("WMReleaseMonitorLock");
}

}  // extern "C"
