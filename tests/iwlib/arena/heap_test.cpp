// The heap inside the arena: random sequences against a model, the
// allocation variants, running out of arena, trimming, statistics and
// tuning, and the heap lock surviving a holder that is killed.
#include <unistd.h>

#include <cstring>
#include <random>
#include <vector>

#include "arena_harness.h"
#include "iwarena.h"
#include "sk_testing.h"

namespace arena_test {
namespace {

class Heap : public ArenaTest {
 protected:
  void SetUp() override { ASSERT_EQ(SMCreateArena(&arena_, 16 << 20, nullptr), SM_OK); }
  void TearDown() override { SMExit(&arena_, 1); }

  SKMallInfo Info() {
    SKMallInfo info{};
    SK_mallinfo(&info);
    return info;
  }

  SMArena arena_{};
};

// One live block of the model: its bytes are all `fill`.
struct LiveBlock {
  unsigned char* p;
  size_t size;
  unsigned char fill;
};

bool Intact(const LiveBlock& b) {
  for (size_t i = 0; i < b.size; ++i)
    if (b.p[i] != b.fill) return false;
  return true;
}

TEST_F(Heap, RandomSequencesAgreeWithAModel) {
  std::mt19937 random(20261206);
  std::vector<LiveBlock> live;
  auto random_size = [&] {
    // Mostly small blocks, some large ones, as the suite allocates.
    return random() % 4 ? 1 + random() % 600 : 1 + random() % 70000;
  };
  for (int step = 0; step < 20000; ++step) {
    int op = static_cast<int>(random() % 10);
    if (live.size() < 100 || op < 3) {
      size_t size = random_size();
      size_t alignment = op == 0 ? size_t{64} << (random() % 7) : 16;
      auto* p = static_cast<unsigned char*>(op == 0 ? SK_memalign(alignment, size) : SMMalloc(&arena_, size));
      ASSERT_NE(p, nullptr) << step;
      ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % alignment, 0u) << step;
      ASSERT_GE(SK_malloc_usable_size(p), size);
      LiveBlock b{p, size, static_cast<unsigned char>(random())};
      std::memset(p, b.fill, size);
      live.push_back(b);
    } else {
      size_t index = random() % live.size();
      LiveBlock& b = live[index];
      ASSERT_TRUE(Intact(b)) << "block overwritten before step " << step;
      if (op < 6) {
        SMFree(&arena_, b.p);
        live[index] = live.back();
        live.pop_back();
      } else {
        size_t size = random_size();
        auto* p = static_cast<unsigned char*>(SMRealloc(&arena_, b.p, size));
        ASSERT_NE(p, nullptr) << step;
        for (size_t i = 0; i < std::min(size, b.size); ++i) ASSERT_EQ(p[i], b.fill) << "realloc lost byte " << i;
        b = {p, size, static_cast<unsigned char>(random())};
        std::memset(p, b.fill, size);
      }
    }
  }
  for (const LiveBlock& b : live) ASSERT_TRUE(Intact(b));
  for (const LiveBlock& b : live) SMFree(&arena_, b.p);
  SKMallInfo info = Info();
  EXPECT_EQ(info.in_use_bytes, 0u);
  EXPECT_EQ(info.free_chunks, 0u);  // everything coalesced into the top
  EXPECT_EQ(info.system_bytes, info.top_bytes);
  EXPECT_LT(info.top_bytes, 0x20000u + 4096u);  // and the top was trimmed
}

TEST_F(Heap, AllocationVariants) {
  // calloc clears memory that was used before.
  void* used = SMMalloc(&arena_, 5000);
  std::memset(used, 0xAB, 5000);
  SMFree(&arena_, used);
  auto* zeroed = static_cast<unsigned char*>(SMCalloc(&arena_, 50, 100));
  ASSERT_NE(zeroed, nullptr);
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(zeroed[i], 0) << i;

  // reCalloc with an address resizes without clearing; with null it clears.
  std::memset(zeroed, 0xCD, 5000);
  auto* grown = static_cast<unsigned char*>(SMRecalloc(&arena_, zeroed, 2, 5000));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(grown[4999], 0xCD);
  auto* fresh = static_cast<unsigned char*>(SMRecalloc(&arena_, nullptr, 3, 7));
  ASSERT_NE(fresh, nullptr);
  for (int i = 0; i < 21; ++i) EXPECT_EQ(fresh[i], 0);

  // realloc of null is a fresh block; usable sizes follow the chunk rule.
  void* block = SMRealloc(&arena_, nullptr, 24);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(SK_malloc_usable_size(block), 24u);
  EXPECT_EQ(SK_malloc_usable_size(SMMalloc(&arena_, 25)), 40u);
  EXPECT_EQ(SK_malloc_usable_size(SMMalloc(&arena_, 0)), 24u);

  const size_t alignments[] = {32, 256, 4096, 100};
  for (size_t alignment : alignments) {
    void* p = SK_memalign(alignment, 10);
    ASSERT_NE(p, nullptr) << alignment;
    size_t power = alignment == 100 ? 128 : alignment;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % power, 0u) << alignment;
  }
  EXPECT_EQ(reinterpret_cast<uintptr_t>(SK_valloc(1)) % 4096, 0u);

  SMArena none{};
  EXPECT_EQ(SMMalloc(nullptr, 8), nullptr);
  EXPECT_EQ(SMCalloc(nullptr, 1, 8), nullptr);
  SMFree(&none, nullptr);
}

// Running out of arena returns null and leaves the heap usable.
TEST_F(Heap, FullArenaRefusesAndRecovers) {
  SKMallInfo before = Info();
  // The last bytes are handed out even when a page-padded growth would not fit.
  void* everything = SMMalloc(&arena_, before.capacity - before.handed_out - 48);
  EXPECT_NE(everything, nullptr);
  SMFree(&arena_, everything);

  EXPECT_EQ(SHMsbrk(static_cast<int64_t>(before.capacity - before.handed_out) + 8), reinterpret_cast<void*>(-1));
  EXPECT_EQ(SMMalloc(&arena_, 17 << 20), nullptr);
  std::vector<void*> blocks;
  while (void* p = SMMalloc(&arena_, 100000)) blocks.push_back(p);
  EXPECT_GT(blocks.size(), 150u);
  EXPECT_NE(SMMalloc(&arena_, 1000), nullptr);  // the rest of the top still serves small blocks
  for (void* p : blocks) SMFree(&arena_, p);
  void* again = SMMalloc(&arena_, 8 << 20);
  EXPECT_NE(again, nullptr);
}

TEST_F(Heap, TrimmingFollowsTheThreshold) {
  void* big = SMMalloc(&arena_, 1 << 20);
  SMFree(&arena_, big);
  EXPECT_LT(Info().system_bytes, 0x20000u + 4096u);
  EXPECT_GE(Info().max_system_bytes, 1u << 20);

  // Trimming keeps the top pad.
  ASSERT_EQ(SK_mallopt(SK_M_TOP_PAD, 256 << 10), 1);
  big = SMMalloc(&arena_, 1 << 20);
  SMFree(&arena_, big);
  EXPECT_GE(Info().top_bytes, 256u << 10);
  EXPECT_LT(Info().top_bytes, (256u << 10) + 0x20000u + 4096u);

  ASSERT_EQ(SK_mallopt(SK_M_TRIM_THRESHOLD, 8 << 20), 1);
  big = SMMalloc(&arena_, 1 << 20);
  SMFree(&arena_, big);
  EXPECT_GE(Info().system_bytes, 1u << 20);
}

TEST_F(Heap, TuningAndStatistics) {
  struct Case {
    int parameter;
    int64_t value;
    int accepted;
  };
  const Case cases[] = {{SK_M_TRIM_THRESHOLD, 4096, 1}, {SK_M_TOP_PAD, 65536, 1}, {SK_M_MMAP_THRESHOLD, 1, 1},
                        {SK_M_MMAP_MAX, 0, 1},          {SK_M_MMAP_MAX, 5, 0},     {-5, 0, 0}};
  for (const Case& c : cases) EXPECT_EQ(SK_mallopt(c.parameter, c.value), c.accepted) << c.parameter;

  void* p = SMMalloc(&arena_, 1000);  // top pad: the growth takes 64 KiB more than needed
  EXPECT_GE(Info().system_bytes, 65536u + 1008u);
  testing::internal::CaptureStderr();
  SK_malloc_stats();
  char expected[200];
  SKMallInfo info = Info();
  std::snprintf(expected, sizeof expected,
                "max system bytes = %10u\nsystem bytes     = %10u\nin use bytes     = %10u\n",
                static_cast<unsigned>(info.max_system_bytes), static_cast<unsigned>(info.system_bytes), 1008u);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
  SMFree(&arena_, p);
}

// A process killed while it holds the heap lock does not block the others.
TEST_F(Heap, LockOfAKilledHolderIsReleased) {
  HeldChild holder([] { iwarena::LockHeapForTesting(); });
  EXPECT_EQ(holder.Kill(), SIGKILL);
  testing::internal::CaptureStderr();
  void* p = SMMalloc(&arena_, 64);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "SK heap: a process died holding the heap lock; lock recovered\n");
  EXPECT_NE(p, nullptr);
  EXPECT_NE(SMMalloc(&arena_, 64), nullptr);
}

}  // namespace
}  // namespace arena_test
