// Monitor locks: the rules on a record array, with real live and dead
// processes, and the path of a process that is not attached to the arena.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "monitor_locks.h"
#include "wmlib.h"

using namespace wm;

namespace {

struct Table {
  explicit Table(int n) : records(n), pointers(n) {
    for (int i = 0; i < n; ++i) {
      records[i] = MonitorLockRecord{-1, 0, "", 0, 0};
      pointers[i] = &records[i];
    }
  }
  int Acquire(pid_t pid, const char* name, int key, long mask, std::string* holder = nullptr) {
    char* h = nullptr;
    int r = AcquireLock(pointers.data(), static_cast<int>(pointers.size()), pid, name, key, mask, &h);
    if (holder) *holder = h ? h : "";
    free(h);
    return r;
  }
  std::vector<MonitorLockRecord> records;
  std::vector<MonitorLockRecord*> pointers;
};

// A process id that no process has any more.
pid_t DeadPid() {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

TEST(MonitorLockRules, HolderKeepsItsIndexOthersAreRefusedDeadOwnersAreFreed) {
  Table t(5);
  pid_t self = getpid();
  pid_t parent = getppid();  // alive for the whole test

  EXPECT_EQ(t.Acquire(self, "viewer", 12, 0x4), 1);
  EXPECT_EQ(t.Acquire(self, "viewer", 12, 0x6), 1) << "own overlapping lock: same index";
  EXPECT_EQ(t.Acquire(self, "viewer", 12, 0x8), 2) << "no overlap: a new record";

  t.records[2] = MonitorLockRecord{parent, 0, "segmenter", 0x10, 7};
  std::string holder;
  EXPECT_EQ(t.Acquire(self, "me", 7, 0x10, &holder), 0);
  EXPECT_EQ(holder, "segmenter");

  t.records[3] = MonitorLockRecord{DeadPid(), 0, "crashed", 0x20, 9};
  EXPECT_EQ(t.Acquire(self, "me", 9, 0x20), 4) << "the dead owner's record is taken over";
  EXPECT_EQ(t.records[3].owner_pid, self);
  EXPECT_STREQ(t.records[3].holder, "me");
}

TEST(MonitorLockRules, FullTableAsksToGrowAndNamesAreCutAt25) {
  Table t(2);
  EXPECT_EQ(t.Acquire(getpid(), "a-very-long-holder-name-that-goes-on", 1, 1), 1);
  EXPECT_EQ(strlen(t.records[0].holder), 25u);
  EXPECT_EQ(t.Acquire(getpid(), "b", 2, 1), 2);
  EXPECT_EQ(t.Acquire(getpid(), "c", 3, 1), -1);
}

TEST(MonitorLockRules, QueryKindsTestTheirMaskBitsForOtherLiveProcesses) {
  struct Case {
    int kind;
    long held_mask;
    int expected;
  } cases[] = {{2, 1, 1},      {3, 2, 1},      {4, 4, 1},     {5, 8, 1},   {7, 16, 1},
               {8, 32, 1},     {6, 64, 1},     {6, 0x100, 1}, {6, 0x2000, 1},
               {6, 0x800, 0},  {2, 2, 0},      {9, 0xffff, 0}};
  pid_t other = getppid();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.kind);
    Table t(1);
    t.records[0] = MonitorLockRecord{other, 0, "other", k.held_mask, 3};
    char* holder = nullptr;
    EXPECT_EQ(QueryLock(t.pointers.data(), 1, getpid(), 3, k.kind, &holder), k.expected);
    if (k.expected) {
      EXPECT_STREQ(holder, "other");
    }
    free(holder);
    // The caller's own lock never counts against it.
    t.records[0].owner_pid = getpid();
    EXPECT_EQ(QueryLock(t.pointers.data(), 1, getpid(), 3, k.kind, nullptr), 0);
  }
}

TEST(MonitorLocksUnattached, NoSharedListMeansNoLocks) {
  char* holder = reinterpret_cast<char*>(1);
  EXPECT_EQ(WMAcquireMonitorLock("viewer", 1, 1, &holder), -1);
  EXPECT_EQ(holder, nullptr);
  EXPECT_EQ(WMQueryMonitorLock(1, 2, &holder), 0);
  WMReleaseMonitorLock(1);  // nothing to release, nothing happens
}

}  // namespace
