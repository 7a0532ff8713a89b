// IWArenaInfo: its report on no arena, a live arena and a stale one, the
// removal of a stale arena only, and the installed program itself.
#include <unistd.h>

#include <cstdio>

#include "arena_harness.h"
#include "arena_report.h"
#include "iwbase.h"

namespace arena_test {
namespace {

using tremoscan::testing::FileExists;

class ArenaInfo : public ArenaTest {
 protected:
  std::string Report(bool remove_stale, arena_info::Outcome* outcome) {
    std::FILE* out = std::tmpfile();
    *outcome = arena_info::ReportArena(remove_stale, out);
    std::string text(static_cast<size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    text.resize(std::fread(text.data(), 1, text.size(), out));
    std::fclose(out);
    return text;
  }
};

TEST_F(ArenaInfo, ReportsAndRemovesOnlyStaleArenas) {
  struct Case {
    const char* state;  // "none", "live" or "stale"
    bool remove_stale;
    arena_info::Outcome outcome;
    std::vector<std::string> lines;
    bool arena_left;
  };
  const Case cases[] = {
      {"none", false, arena_info::kNoArena, {"No shared arena: "}, false},
      {"live", true, arena_info::kReported,
       {"(running)", "Heap capacity:     1048576 bytes", "  IW_REPORTED_BLOCK", "1 named block\n"}, true},
      {"stale", false, arena_info::kStale, {"(gone)", "The arena is stale: its creator is gone.\n"}, true},
      {"stale", true, arena_info::kReported, {"Stale arena removed.\n"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.state) + (c.remove_stale ? " with removal" : ""));
    std::string state = c.state;
    if (state == "live") {
      ASSERT_EQ(IWInitSHM(1 << 20, nullptr), 1);
      IWAlcNamedSHM(1, 10, "IW_REPORTED_BLOCK");
    } else if (state == "stale") {
      ChildResult child = RunChild([] { return IWInitSHM(1 << 20, nullptr) == 1 ? 0 : 1; });
      ASSERT_EQ(child.exit_code, 0);
    }
    arena_info::Outcome outcome{};
    std::string text;
    if (state == "live") {
      // The report runs in another process while the creator stays attached.
      ChildResult child = RunChild([&] {
        ForgetProcessState();
        return static_cast<int>(arena_info::ReportArena(c.remove_stale, stdout));
      });
      outcome = static_cast<arena_info::Outcome>(child.exit_code);
      text = child.out;
    } else {
      text = Report(c.remove_stale, &outcome);
    }
    EXPECT_EQ(outcome, c.outcome) << text;
    for (const std::string& line : c.lines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(FileExists(IdFile()), c.arena_left);
    EXPECT_EQ(SegmentExists(SK_KEY_ARENA), c.arena_left);
    if (state == "live") IWExitSHM();
  }
}

// The installed program, run as a user without an arena.
TEST(ArenaInfoProgram, SaysWhenThereIsNoArena) {
  std::string user = "tsnoarena" + std::to_string(getpid());
  auto result = tremoscan::testing::RunProcess({tremoscan::testing::SuiteDir() + "/bin/x86_64/IWArenaInfo"},
                                               {"USER=" + user});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.out, "No shared arena: /tmp/" + user + ".zor_shmid does not exist.\n");
  auto misuse = tremoscan::testing::RunProcess({tremoscan::testing::SuiteDir() + "/bin/x86_64/IWArenaInfo", "-x"});
  EXPECT_EQ(misuse.exit_code, 64);
  EXPECT_EQ(misuse.err, "usage: IWArenaInfo [--remove-stale]\n");
}

}  // namespace
}  // namespace arena_test
