// The shared arena's heap against the C library, and many processes at
// once on named and plain blocks.
//
// First, one process: 1,000,000 operations on 50,000 slots, each picking
// a random slot and freeing its block or allocating one of 16 B .. 64 KiB
// (so about half the slots are live). The same sequence runs through
// malloc/free and through SMMalloc/SMFree (heap lock included). Prints
// operations per second of both and their ratio (goal: at most 2), and the
// heap's footprint against the live bytes (goal: at most 1.3).
//
// Then 8 processes for 10 s (or the seconds given as the first
// argument): each creates, finds and frees named blocks and plain blocks,
// every block filled with a pattern derived from its checksum seed and
// checked before it is freed. Prints operations per second, lost blocks,
// broken checksums and whether every process finished (no deadlock).
//
// The bench keys its arena with a user id of its own and its own USER and
// LOGNAME, so it never meets the user's real arena.
#include <semaphore.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "iwbase.h"
#include "sk_testing.h"

namespace {

constexpr int kOperations = 1000000;
constexpr int kSlots = 50000;
constexpr size_t kMinSize = 16;
constexpr size_t kMaxSize = 65536;
constexpr int kProcesses = 8;
constexpr int kLivePerProcess = 40;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct Step {
  uint32_t slot;
  uint32_t size;
};

std::vector<Step> MakeSequence() {
  std::mt19937 random(42);
  std::uniform_int_distribution<uint32_t> slot(0, kSlots - 1);
  std::uniform_int_distribution<uint32_t> size(kMinSize, kMaxSize);
  std::vector<Step> steps(kOperations);
  for (Step& s : steps) s = {slot(random), size(random)};
  return steps;
}

// Runs the sequence with the given allocator and returns its seconds;
// `at_end` sees the live bytes before the remaining blocks are released.
template <class Alloc, class Free, class AtEnd>
double Run(const std::vector<Step>& steps, Alloc alloc, Free release, AtEnd at_end) {
  std::vector<void*> slots(kSlots, nullptr);
  std::vector<uint32_t> sizes(kSlots, 0);
  uint64_t live = 0;
  auto start = std::chrono::steady_clock::now();
  for (const Step& s : steps) {
    void*& p = slots[s.slot];
    if (p) {
      release(p);
      p = nullptr;
      live -= sizes[s.slot];
    } else {
      p = alloc(s.size);
      if (!p) {
        std::fprintf(stderr, "allocation of %u bytes failed\n", s.size);
        std::exit(1);
      }
      static_cast<char*>(p)[0] = 1;
      sizes[s.slot] = s.size;
      live += s.size;
    }
  }
  double seconds = Seconds(start);
  at_end(live);
  for (void* p : slots)
    if (p) release(p);
  return seconds;
}

void SingleProcess() {
  std::vector<Step> steps = MakeSequence();
  uint64_t arena_live = 0;
  double libc = Run(steps, [](size_t n) { return std::malloc(n); }, [](void* p) { std::free(p); }, [](uint64_t) {});
  SKMallInfo after{};
  double arena = Run(
      steps, [](size_t n) { return SMMalloc(&IW_arena, n); }, [](void* p) { SMFree(&IW_arena, p); },
      [&](uint64_t live) {
        arena_live = live;
        SK_mallinfo(&after);
      });
  double libc_rate = kOperations / libc, arena_rate = kOperations / arena;
  std::printf("Allocation, 1 process: %d operations, 16 B .. 64 KiB, about half live\n", kOperations);
  std::printf("%-28s %14s %12s\n", "allocator", "ops/s", "seconds");
  std::printf("%-28s %14.0f %12.3f\n", "C library malloc/free", libc_rate, libc);
  std::printf("%-28s %14.0f %12.3f\n", "arena SMMalloc/SMFree", arena_rate, arena);
  std::printf("%-28s %14.2f %12s\n", "time ratio arena/libc", arena / libc, "(goal <= 2)");
  std::printf("%-28s %14llu\n", "live bytes at the end", static_cast<unsigned long long>(arena_live));
  std::printf("%-28s %14llu\n", "heap bytes at the end", static_cast<unsigned long long>(after.system_bytes));
  std::printf("%-28s %14.3f %12s\n\n", "footprint / live bytes",
              static_cast<double>(after.system_bytes) / static_cast<double>(arena_live), "(goal <= 1.3)");
}

// The pattern of a block: each byte from its seed, so any overwrite shows.
void Fill(unsigned char* p, size_t size, uint32_t seed) {
  for (size_t i = 0; i < size; ++i) p[i] = static_cast<unsigned char>((seed + i * 131) >> 3);
}
bool Check(const unsigned char* p, size_t size, uint32_t seed) {
  for (size_t i = 0; i < size; ++i)
    if (p[i] != static_cast<unsigned char>((seed + i * 131) >> 3)) return false;
  return true;
}

struct Outcome {
  uint64_t operations = 0;
  uint64_t lost = 0;
  uint64_t broken = 0;
};

// One worker: returns its counts through a pipe.
Outcome Worker(int index, double seconds) {
  Outcome out;
  std::mt19937 random(1000 + index);
  struct Held {
    std::string name;  // empty for a plain block
    unsigned char* p;
    size_t size;
    uint32_t seed;
  };
  std::vector<Held> held;
  uint32_t serial = 0;
  auto start = std::chrono::steady_clock::now();
  while (Seconds(start) < seconds) {
    bool create = held.size() < kLivePerProcess / 2 || (held.size() < kLivePerProcess && random() % 2);
    if (create) {
      Held h;
      h.size = 16 + random() % 4000;
      h.seed = static_cast<uint32_t>(random());
      if (random() % 2) {
        h.name = "BENCH_" + std::to_string(index) + "_" + std::to_string(serial++);
        h.p = static_cast<unsigned char*>(IWAlcNamedSHM(1, static_cast<int64_t>(h.size), h.name.c_str()));
      } else {
        h.p = static_cast<unsigned char*>(IWAlcSHM(1, static_cast<int64_t>(h.size)));
      }
      if (!h.p) continue;
      Fill(h.p, h.size, h.seed);
      held.push_back(h);
    } else {
      size_t i = random() % held.size();
      Held h = held[i];
      held[i] = held.back();
      held.pop_back();
      if (!h.name.empty()) {
        ++out.operations;
        if (IWRtNamedSHMAdd(h.name.c_str()) != h.p) ++out.lost;
      }
      if (!Check(h.p, h.size, h.seed)) ++out.broken;
      if (h.name.empty()) IWFreeSHM(h.p);
      else IWFreeNamedSHM(h.p);
    }
    ++out.operations;
  }
  for (const Held& h : held) {
    if (!h.name.empty() && IWRtNamedSHMAdd(h.name.c_str()) != h.p) ++out.lost;
    if (!Check(h.p, h.size, h.seed)) ++out.broken;
    if (h.name.empty()) IWFreeSHM(h.p);
    else IWFreeNamedSHM(h.p);
  }
  return out;
}

void ManyProcesses(double seconds) {
  SKMallInfo before{};
  SK_mallinfo(&before);
  int pipes[kProcesses][2];
  pid_t pids[kProcesses];
  for (int i = 0; i < kProcesses; ++i) {
    if (pipe(pipes[i]) != 0) std::exit(1);
    std::fflush(nullptr);
    pids[i] = fork();
    if (pids[i] == 0) {
      close(pipes[i][0]);
      IWDetach();
      if (IWAttach() != 1) _exit(2);
      Outcome out = Worker(i, seconds);
      if (write(pipes[i][1], &out, sizeof out) != sizeof out) _exit(3);
      _exit(0);
    }
    close(pipes[i][1]);
  }
  Outcome total;
  int finished = 0;
  for (int i = 0; i < kProcesses; ++i) {
    // A worker that has not answered long after its time is deadlocked.
    alarm(static_cast<unsigned>(seconds) + 60);
    Outcome out;
    if (read(pipes[i][0], &out, sizeof out) == sizeof out) {
      ++finished;
      total.operations += out.operations;
      total.lost += out.lost;
      total.broken += out.broken;
    }
    alarm(0);
    close(pipes[i][0]);
    waitpid(pids[i], nullptr, 0);
  }
  SKMallInfo after{};
  SK_mallinfo(&after);
  std::printf("Named and plain blocks, %d processes, %.0f s\n", kProcesses, seconds);
  std::printf("%-28s %14s\n", "measure", "value");
  std::printf("%-28s %14.0f\n", "operations per second", total.operations / seconds);
  std::printf("%-28s %14llu\n", "blocks lost", static_cast<unsigned long long>(total.lost));
  std::printf("%-28s %14llu\n", "checksums broken", static_cast<unsigned long long>(total.broken));
  std::printf("%-28s %11d/%d\n", "processes finished", finished, kProcesses);
  std::printf("%-28s %14lld\n", "heap bytes in use change",
              static_cast<long long>(after.in_use_bytes) - static_cast<long long>(before.in_use_bytes));
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (seconds <= 0) seconds = 10.0;
  std::string user = "tsbench" + std::to_string(getpid());
  setenv("USER", user.c_str(), 1);
  setenv("LOGNAME", user.c_str(), 1);
  unsetenv("DEBUG_SK");
  unsetenv("DEBUG_SHM");
  iwarena::SetKeyUserIdForTesting(1000000 + getpid() % 1000000);
  if (IWInitSHM(uint64_t{1} << 30, nullptr) != 1) return 1;
  SingleProcess();
  ManyProcesses(seconds);
  IWOpenConfigSem();  // only the workers took it; open it here to remove it
  IWRemoveConfigSem();
  IWExitSHM();
  return 0;
}
