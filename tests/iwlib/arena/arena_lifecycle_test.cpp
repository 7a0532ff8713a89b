// Creating, attaching, detaching and removing the arena across processes:
// the key rule, the layouts, stale arenas, the creator-only removal, the
// mapped-file arena, and the small process-level calls.
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cstring>
#include <chrono>
#include <filesystem>
#include <thread>

#include "arena_harness.h"
#include "iwarena.h"
#include "sk_testing.h"

namespace arena_test {
namespace {

using tremoscan::testing::FileExists;
using tremoscan::testing::ReadFile;
using tremoscan::testing::ScopedEnv;
using tremoscan::testing::WriteFile;

constexpr uint64_t kHeapBytes = 1 << 20;

TEST(KeyRule, LargestMultiplierThatKeepsTheKeyInRange) {
  struct Case {
    long uid;
    int letter;
    uint32_t key;
  };
  const Case cases[] = {
      {0, 'F', 70},
      {500, 'N', 500 * 1000 + 78},
      {2147483, 'C', 2147483 * 1000u + 67},  // 2147483067 fits as it is
      {2147484, 'D', 999 * 2147484u + 68},   // 1000x passes 0x7FFFFFFF
      {4000000, 'F', 536 * 4000000u + 70},
  };
  for (const Case& c : cases) {
    iwarena::SetKeyUserIdForTesting(c.uid);
    EXPECT_EQ(static_cast<uint32_t>(SK_key("/home/ignored", c.letter)), c.key) << c.uid;
  }
  iwarena::SetKeyUserIdForTesting(-1);
}

class ArenaLifecycle : public ArenaTest {
 protected:
  // Creates an arena in a child that then exits without removing it.
  void CreateAndAbandon() {
    ChildResult child = RunChild([] {
      SMArena handle{};
      return SMCreateArena(&handle, kHeapBytes, nullptr) == SM_OK && handle.base ? 0 : 1;
    });
    ASSERT_EQ(child.exit_code, 0) << child.err;
  }
};

TEST_F(ArenaLifecycle, CreateLaysOutControlIdFileAndHeader) {
  SMArena arena{};
  ASSERT_EQ(SMCreateArena(&arena, kHeapBytes, nullptr), SM_OK);
  ASSERT_NE(arena.base, nullptr);
  int control_id = shmget(SK_key(nullptr, SK_KEY_CONTROL), 0, 0);
  EXPECT_EQ(ReadFile(IdFile()), std::to_string(control_id) + "\n");

  struct shmid_ds control {}, segment{};
  ASSERT_EQ(shmctl(control_id, IPC_STAT, &control), 0);
  EXPECT_EQ(control.shm_segsz, SM_CONTROL_SIZE);
  EXPECT_EQ(control.shm_perm.mode & 0777, 0660u);
  ASSERT_EQ(shmctl(shmget(SK_key(nullptr, SK_KEY_ARENA), 0, 0), IPC_STAT, &segment), 0);
  EXPECT_EQ(segment.shm_segsz, kHeapBytes + SK_ARENA_OVERHEAD);
  EXPECT_EQ(segment.shm_perm.mode & 0777, 0600u);

  const auto* header = static_cast<const uint64_t*>(arena.base);
  EXPECT_EQ(header[0], kHeapBytes + SK_ARENA_OVERHEAD);
  EXPECT_EQ(header[1], kHeapBytes);
  EXPECT_EQ(header[2], 2216u);
  EXPECT_EQ(header[3], 40u);
  EXPECT_EQ(header[4], 0u);
  EXPECT_EQ(SMGetSyncState(), 1);
  EXPECT_EQ(SMGetInfo(&arena), nullptr);

  EXPECT_EQ(SMExit(&arena, 1), SM_OK);
  EXPECT_FALSE(SegmentExists(SK_KEY_CONTROL));
  EXPECT_FALSE(SegmentExists(SK_KEY_ARENA));
  EXPECT_FALSE(FileExists(IdFile()));
}

TEST_F(ArenaLifecycle, SecondCreateInOneProcessFails) {
  SMArena arena{}, again{};
  ASSERT_EQ(SMCreateArena(&arena, kHeapBytes, nullptr), SM_OK);
  EXPECT_EQ(SMCreateArena(&again, kHeapBytes, nullptr), SM_ERR_SYSCALL);
  EXPECT_EQ(again.base, nullptr);
  SMExit(&arena, 1);
}

// An attaching process finds the root record at the same address, and
// only the creator may remove the arena.
TEST_F(ArenaLifecycle, AttachSharesTheRootAndOnlyTheCreatorRemoves) {
  SMArena arena{};
  ASSERT_EQ(SMCreateArena(&arena, kHeapBytes, nullptr), SM_OK);
  auto* root = static_cast<char*>(SMCalloc(&arena, 1, 64));
  std::strcpy(root, "root record");
  ASSERT_EQ(SMPutInfo(&arena, root), SM_OK);

  ChildResult child = RunChild([&] {
    ForgetProcessState();
    SMArena mine{};
    if (SMAttachToArena(&mine) != SM_OK) return 1;
    auto* seen = static_cast<char*>(SMGetInfo(&mine));
    if (seen != root || std::strcmp(seen, "root record") != 0) return 2;
    std::strcpy(seen, "written by child");
    if (SMExit(&mine, 1) != SM_ERR_NOT_OWNER || SMDestroyArena(&mine) != SM_ERR_NOT_OWNER) return 3;
    return SMDetachFromArena(&mine) == SM_OK ? 0 : 4;
  });
  EXPECT_EQ(child.exit_code, 0) << child.out << child.err;
  EXPECT_STREQ(root, "written by child");
  EXPECT_TRUE(SegmentExists(SK_KEY_CONTROL));
  EXPECT_TRUE(SegmentExists(SK_KEY_ARENA));
  EXPECT_TRUE(FileExists(IdFile()));
  EXPECT_EQ(SMExit(&arena, 1), SM_OK);
}

// Stale arenas are removed by the next process that tries to attach.
TEST_F(ArenaLifecycle, StaleArenasAreRemovedAndAttachFails) {
  struct Case {
    const char* what;
    std::function<void()> prepare;
    std::string message;
  };
  const Case cases[] = {
      {"creator exited", [this] { CreateAndAbandon(); },
       "Existing shared memory segment appears invalid.\n"},
      {"control segment removed",
       [this] {
         CreateAndAbandon();
         shmctl(shmget(SK_key(nullptr, SK_KEY_CONTROL), 0, 0), IPC_RMID, nullptr);
       },
       "Failed to get shared memory information.\nError: Invalid argument"},
      {"garbage id file",
       [this] {
         CreateAndAbandon();
         WriteFile(IdFile(), "no number here\n");
       },
       "Failed to get shared memory information.\nError: Invalid argument"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.prepare();
    ASSERT_TRUE(FileExists(IdFile()));
    ASSERT_TRUE(SegmentExists(SK_KEY_ARENA));
    SMArena arena{};
    testing::internal::CaptureStderr();
    EXPECT_EQ(SMAttachToArena(&arena), SM_ERR_ATTACH);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.substr(0, c.message.size()), c.message);
    EXPECT_EQ(arena.base, nullptr);
    EXPECT_FALSE(FileExists(IdFile()));
    EXPECT_FALSE(SegmentExists(SK_KEY_ARENA));
    EXPECT_FALSE(SegmentExists(SK_KEY_CONTROL));
  }
}

// The arena's pointers hold only at the creator's address.
TEST_F(ArenaLifecycle, AttachElsewhereThanTheOthersFails) {
  SMArena arena{};
  ASSERT_EQ(SMCreateArena(&arena, kHeapBytes, nullptr), SM_OK);
  char elsewhere[32];
  std::snprintf(elsewhere, sizeof elsewhere, "%lx",
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(arena.base) + (uintptr_t{1} << 32)));
  ChildResult child = RunChild([&] {
    ForgetProcessState();
    setenv("PA_SHMSTADDR", elsewhere, 1);
    SMArena mine{};
    return SMAttachToArena(&mine) == SM_ERR_ATTACH && !mine.base ? 0 : 1;
  });
  EXPECT_EQ(child.exit_code, 0);
  char expected[128];
  std::snprintf(expected, sizeof expected, "SMAttachToArena: arena mapped at 0x%s, but its other processes use %p\n",
                elsewhere, arena.base);
  EXPECT_EQ(child.err, expected);
  SMExit(&arena, 1);
}

TEST_F(ArenaLifecycle, FailedCreationLeavesNothingBehind) {
  SMArena arena{};
  testing::internal::CaptureStderr();
  EXPECT_EQ(SMCreateArena(&arena, kHeapBytes, "/no/such/dir/IWL.SHM"), SM_ERR_SYSCALL);
  std::string err = testing::internal::GetCapturedStderr();
  const std::string message = "Couldn't open file for mmap: /no/such/dir/IWL.SHM\n";
  EXPECT_EQ(err.substr(0, message.size()), message);
  EXPECT_EQ(arena.base, nullptr);
  EXPECT_FALSE(SegmentExists(SK_KEY_CONTROL));
  EXPECT_FALSE(FileExists(IdFile()));
}

TEST_F(ArenaLifecycle, NoIdFileFailsSilently) {
  SMArena arena{};
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(SMAttachToArena(&arena), SM_ERR_ATTACH);
  EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");
}

TEST_F(ArenaLifecycle, MappedFileArenaIsSharedAndRemovedWithItsFile) {
  std::string path = dir_.file("IWL.SHM_" + user());
  SMArena arena{};
  ASSERT_EQ(SMCreateArena(&arena, kHeapBytes, path.c_str()), SM_OK);
  ASSERT_NE(arena.base, nullptr);
  EXPECT_FALSE(SegmentExists(SK_KEY_ARENA));
  EXPECT_EQ(std::filesystem::file_size(path), kHeapBytes + SK_ARENA_OVERHEAD);
  auto* root = static_cast<int*>(SMMalloc(&arena, sizeof(int)));
  *root = 4711;
  SMPutInfo(&arena, root);

  ChildResult child = RunChild([&] {
    ForgetProcessState();
    SMArena mine{};
    if (SMAttachToArena(&mine) != SM_OK) return 1;
    auto* seen = static_cast<int*>(SMGetInfo(&mine));
    return seen == root && *seen == 4711 ? 0 : 2;
  });
  EXPECT_EQ(child.exit_code, 0) << child.err;
  EXPECT_EQ(SMExit(&arena, 1), SM_OK);
  EXPECT_FALSE(FileExists(path));
}

// Another user's process cannot read the arena, nor remove it by trying.
TEST_F(ArenaLifecycle, AnotherUserCannotAttach) {
  if (getuid() != 0) GTEST_SKIP() << "switching users needs root";
  SMArena arena{};
  ASSERT_EQ(SMCreateArena(&arena, kHeapBytes, nullptr), SM_OK);
  int arena_id = shmget(SK_key(nullptr, SK_KEY_ARENA), 0, 0);
  ChildResult intruder = RunChild([&] {
    ForgetProcessState();
    if (setgid(65534) != 0 || setuid(65534) != 0) return 10;
    if (shmat(arena_id, nullptr, SHM_RDONLY) != reinterpret_cast<void*>(-1)) return 11;
    SMArena mine{};
    return SMAttachToArena(&mine);
  });
  EXPECT_EQ(intruder.exit_code, SM_ERR_ATTACH) << intruder.err;
  EXPECT_TRUE(SegmentExists(SK_KEY_CONTROL));
  EXPECT_TRUE(SegmentExists(SK_KEY_ARENA));
  ChildResult owner = RunChild([] {
    ForgetProcessState();
    SMArena mine{};
    return SMAttachToArena(&mine);
  });
  EXPECT_EQ(owner.exit_code, SM_OK) << owner.err;
  SMExit(&arena, 1);
}

TEST_F(ArenaLifecycle, TraceLinesWithDebugSk) {
  ScopedEnv trace("DEBUG_SK", "1");
  SMArena arena{};
  testing::internal::CaptureStderr();
  ASSERT_EQ(SMCreateArena(&arena, kHeapBytes, nullptr), SM_OK);
  void* p = SMMalloc(&arena, 100);
  SMFree(&arena, p);
  std::string err = testing::internal::GetCapturedStderr();
  char expected[256];
  std::snprintf(expected, sizeof expected,
                "SK_create: Creating shared memory of %ld bytes\nSK_create: Key is 0x%x\n",
                static_cast<long>(kHeapBytes + SK_ARENA_OVERHEAD),
                static_cast<unsigned>(SK_key(nullptr, SK_KEY_ARENA)));
  EXPECT_EQ(err.substr(0, std::strlen(expected)), expected);
  for (const std::string& line :
       {std::string("SK_create: GBLdl_p "), std::string(" = SK_malloc(100) pid=") + std::to_string(getpid()),
        std::string("SHMsbrk(4096): GBLdl_p "), "SK_free(" + std::string()})
    EXPECT_NE(err.find(line), std::string::npos) << line << "\n" << err;
  SMExit(&arena, 1);
}

TEST_F(ArenaLifecycle, SyncStateWaitsUntilTheByteIsSet) {
  EXPECT_EQ(SMGetSyncState(), -1);
  SMArena arena{};
  ASSERT_EQ(SMCreateArena(&arena, kHeapBytes, nullptr), SM_OK);
  SMSetSyncState(0);
  EXPECT_EQ(SMGetSyncState(), 0);
  std::thread release([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    SMSetSyncState(1);  // state 1 never waits
  });
  ChildResult waiter = RunChild([] {
    SMSetSyncState(2);
    return SMGetSyncState();
  });
  release.join();
  EXPECT_EQ(waiter.exit_code, 2);
  EXPECT_FALSE(waiter.out.empty());
  EXPECT_EQ(waiter.out.find_first_not_of('='), std::string::npos);
  SMExit(&arena, 1);
}

TEST(ProcessLimits, FreeSpaceAndAddressLimit) {
  tremoscan::testing::ScopedTempDir dir;
  EXPECT_GT(SMGetSpaceFree(dir.path().c_str()), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  testing::internal::CaptureStderr();
  EXPECT_EQ(SMGetSpaceFree("/no/such/directory"), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "statfs: No such file or directory\n");

  uint64_t current = 0, maximum = 0;
  ASSERT_EQ(SMGetRLimit(&current, &maximum), 0);
  ChildResult child = RunChild([&] {
    uint64_t c = 0, m = 0;
    if (SMSetRLimit(uint64_t{1} << 40, maximum) != 0 || SMGetRLimit(&c, &m) != 0) return 1;
    return c == uint64_t{1} << 40 && m == maximum ? 0 : 2;
  });
  EXPECT_EQ(child.exit_code, 0);
}

}  // namespace
}  // namespace arena_test
