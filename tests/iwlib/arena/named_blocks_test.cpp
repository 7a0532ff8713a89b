// Named blocks and the configuration shared through them: the list rules,
// the dump, a corrupt link, a semaphore holder that is killed, plain
// blocks running out of arena, and configuration variables seen by
// another attached process.
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "arena_harness.h"
#include "arena_root.h"
#include "config_sem.h"
#include "iwbase.h"
#include "sk_testing.h"

namespace arena_test {
namespace {

using tremoscan::testing::ScopedEnv;

class NamedBlocks : public ArenaTest {
 protected:
  void SetUp() override { ASSERT_EQ(IWInitSHM(1 << 20, nullptr), 1); }
  void TearDown() override { IWExitSHM(); }

  static iwbase::RootRecord* Root() { return iwbase::Root(); }
  // The names of the list from the head, checking the back links on the way.
  static std::string Names() {
    std::string names;
    iwbase::NamedBlock* prev = nullptr;
    uint32_t count = 0;
    for (iwbase::NamedBlock* r = Root()->named_head; r; prev = r, r = r->next, ++count) {
      if (r->prev != prev) return "broken back link";
      names += std::string(r->name ? r->name : "-") + " ";
    }
    return count == Root()->named_count ? names : "count " + std::to_string(Root()->named_count);
  }
};

TEST(Unattached, EveryCallIsSilentlyEmpty) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(IWIsAttached(), 0);
  EXPECT_EQ(IWAlcSHM(1, 64), nullptr);
  EXPECT_EQ(IWAlcNamedSHM(1, 64, "TSCFG_BLOCK"), nullptr);
  EXPECT_EQ(IWRtNamedSHMAdd("TSCFG_BLOCK"), nullptr);
  int local = 5;
  IWFreeSHM(&local);
  IWFreeNamedSHM(&local);
  EXPECT_EQ(IWRealcSHM(&local, 16), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");
}

TEST_F(NamedBlocks, ListRules) {
  auto* first_a = static_cast<char*>(IWAlcNamedSHM(2, 8, "A"));
  auto* b = IWAlcNamedSHM(1, 4, "B");
  auto* second_a = IWAlcNamedSHM(1, 4, "A");
  void* unnamed = IWAlcNamedSHM(1, 4, nullptr);
  ASSERT_TRUE(first_a && b && second_a && unnamed);
  EXPECT_EQ(Names(), "A B A - ");
  EXPECT_EQ(Root()->named_head->size, 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(first_a[i], 0);

  EXPECT_EQ(IWRtNamedSHMAdd("A"), first_a);  // the older registration wins
  EXPECT_EQ(IWRtNamedSHMAdd("a"), nullptr);
  EXPECT_EQ(IWRtNamedSHMAdd("never registered"), nullptr);
  EXPECT_EQ(IWAlcNamedSHM(0, 8, "zero"), nullptr);
  EXPECT_EQ(IWAlcNamedSHM(8, 0, "zero"), nullptr);
  EXPECT_EQ(Names(), "A B A - ");

  void* loose = IWAlcSHM(1, 32);
  IWFreeNamedSHM(loose);  // released, the list unchanged
  EXPECT_EQ(Names(), "A B A - ");

  IWFreeNamedSHM(first_a);  // the head: the next record becomes the head
  EXPECT_EQ(Names(), "B A - ");
  EXPECT_EQ(IWRtNamedSHMAdd("A"), second_a);
  IWFreeNamedSHM(second_a);  // from the middle
  EXPECT_EQ(Names(), "B - ");
  IWFreeNamedSHM(unnamed);
  IWFreeNamedSHM(b);
  EXPECT_EQ(Names(), "");
  EXPECT_EQ(Root()->named_head, nullptr);
}

TEST_F(NamedBlocks, DumpPrintsEveryRecord) {
  void* data = IWAlcNamedSHM(3, 4, "DUMPED");
  char expected[400];
  std::snprintf(expected, sizeof expected,
                "SHM Block 0\nprev:\t\t%p\nnext:\t\t%p\nsize:\t\t12\nfreed:\t\t0\naddr:\t\t%p\nname:\t\tDUMPED\n"
                "number of blocks should have been 1\n",
                static_cast<void*>(nullptr), static_cast<void*>(nullptr), data);
  testing::internal::CaptureStdout();
  IWDumpNamedSHM();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
}

TEST_F(NamedBlocks, CorruptLinkEndsTheSearch) {
  IWAlcNamedSHM(1, 4, "FIRST");
  IWAlcNamedSHM(1, 4, "SECOND");
  Root()->named_head->next = reinterpret_cast<iwbase::NamedBlock*>(0x1000);
  testing::internal::CaptureStderr();
  EXPECT_EQ(IWRtNamedSHMAdd("SECOND"), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "------------------ IWRtNamedSHMAdd: Found bad block pointer!\n");
  Root()->named_head->next = nullptr;
}

TEST_F(NamedBlocks, FullArenaNamesTheSize) {
  void* small = IWAlcSHM(1, 64);
  testing::internal::CaptureStdout();
  EXPECT_EQ(IWAlcSHM(1, 2 << 20), nullptr);
  EXPECT_EQ(IWAlcNamedSHM(1, 2 << 20, "HUGE"), nullptr);
  EXPECT_EQ(IWRealcSHM(small, 2 << 20), nullptr);
  char expected[300];
  std::snprintf(expected, sizeof expected,
                "SMCalloc failed: Not enough SHM 1 2097152!!!\nSMCalloc failed: Not enough SHM 1 2097152!!!\n"
                "SMRecalloc failed: Not enough SHM %p 2097152!!!\n",
                small);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
  EXPECT_NE(IWRealcSHM(small, 4096), nullptr);  // the heap stays usable
  EXPECT_EQ(Names(), "");
}

// A holder of the configuration semaphore that is killed leaves the
// semaphore taken: the others give up after five seconds with a message,
// and the list is as it was.
TEST_F(NamedBlocks, KilledSemaphoreHolderMakesOthersGiveUp) {
  IWAlcNamedSHM(1, 4, "KEPT");
  HeldChild holder([] { iwbase::TakeConfigSem("holder"); });
  holder.Kill();
  struct Case {
    const char* call;
    std::function<void*()> run;
  };
  const Case cases[] = {
      {"IWRtNamedSHMAdd", [] { return IWRtNamedSHMAdd("KEPT"); }},
      {"IWAlcNamedSHM", [] { return IWAlcNamedSHM(1, 4, "NEW"); }},
  };
  for (const Case& c : cases) {
    auto start = std::chrono::steady_clock::now();
    testing::internal::CaptureStderr();
    EXPECT_EQ(c.run(), nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(err, std::string(c.call) + ": Config Protection Semaphore could not be acquired:\nConnection timed out\n");
    EXPECT_GE(waited, 4.5);
    EXPECT_LT(waited, 7.0);
  }
  EXPECT_EQ(Names(), "KEPT ");
}

// Configuration variables of one tool are seen by the other tools
// attached to the same arena.
TEST_F(NamedBlocks, ConfigurationIsSharedBetweenProcesses) {
  ASSERT_EQ(IWAlVar("TS_SHARED_SETTING", "first value"), 1);
  ASSERT_EQ(IWAlVar("TS_SHARED_SETTING", "second"), 1);
  EXPECT_EQ(Names(), "TS_SHARED_SETTING ");  // replacing freed the old block
  EXPECT_EQ(IWRtVar("TS_NOWHERE_SET"), nullptr);  // recorded unset for everyone

  ChildResult reader = RunChild([] {
    ForgetProcessState();
    setenv("TS_NOWHERE_SET", "from the environment", 1);
    if (IWAttach() != 1) return 1;
    const char* value = IWRtVar("TS_SHARED_SETTING");
    if (!value || std::strcmp(value, "second") != 0) return 2;
    if (IWRtVar("TS_NOWHERE_SET")) return 3;
    IWAlVar("^TS_FROM_CHILD", "set by the child");
    return 0;
  });
  EXPECT_EQ(reader.exit_code, 0) << reader.out << reader.err;
  EXPECT_EQ(reader.out + reader.err, "");  // attaching and reading print nothing
  const char* from_child = IWRtVar("^TS_FROM_CHILD");
  ASSERT_NE(from_child, nullptr);
  EXPECT_STREQ(from_child, "set by the child");
}

}  // namespace
}  // namespace arena_test
