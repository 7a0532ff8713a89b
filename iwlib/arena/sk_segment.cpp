// The segment kernel: the IPC key rule, creating, attaching, detaching and
// removing the arena (a System V segment or a memory-mapped file), and
// SHMsbrk, the heap's only source of memory.
#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "iwarena.h"
#include "sk_heap.h"
#include "sk_state.h"
#include "sk_testing.h"

namespace iwarena {
namespace {

constexpr uint32_t kLargestKey = 0x7FFFFFFF;
long key_uid_override = -1;

// The attach address from PA_SHMSTADDR (hexadecimal); 0 lets the system
// choose.
uintptr_t AttachAddress() {
  const char* text = std::getenv("PA_SHMSTADDR");
  if (!text) return 0;
  char* end = nullptr;
  unsigned long long address = std::strtoull(text, &end, 16);
  return end == text ? 0 : static_cast<uintptr_t>(address);
}

// Where to map: PA_SHMSTADDR, else the address every other process of the
// user already uses (recorded by the creator), else the system's choice.
uintptr_t WantedAddress() {
  uintptr_t address = AttachAddress();
  return address ? address : Process().preferred_base;
}

void PrintShmatFailure(const char* caller, int id, uintptr_t address) {
  int error = errno;
  std::printf("%s:  shmat failed: errno %d %s\n", caller, error, std::strerror(error));
  std::printf("            giShmId = %d, arena_addr = %p, SHM_RND\n", id,
              reinterpret_cast<void*>(address));
  std::printf("Check environment variable PA_SHMSTADDR.  You may need to set it or\n");
  std::printf("increase the setting to a higher address.\n");
  std::fflush(stdout);
}

// Attaches segment `id` at the wanted address.
char* AttachSegment(const char* caller, int id) {
  uintptr_t address = WantedAddress();
  void* base = shmat(id, reinterpret_cast<void*>(address), SHM_RND);
  if (base == reinterpret_cast<void*>(-1)) {
    PrintShmatFailure(caller, id, address);
    return nullptr;
  }
  return static_cast<char*>(base);
}

// Maps the arena file `fd` of `total` bytes at the wanted address (only
// there, when one is wanted).
char* MapFile(int fd, uint64_t total) {
  uintptr_t address = WantedAddress();
  int flags = MAP_SHARED | (address ? MAP_FIXED_NOREPLACE : 0);
  void* base = mmap(reinterpret_cast<void*>(address), total, PROT_READ | PROT_WRITE, flags, fd, 0);
  return base == MAP_FAILED ? nullptr : static_cast<char*>(base);
}

// Opens (creating when asked) and maps the arena file. The file is the
// user's own (0600) like the System V arena: other users must not read it.
char* OpenAndMapFile(const char* path, uint64_t total, bool create) {
  int fd = create ? open(path, O_RDWR | O_CREAT, 0600) : open(path, O_RDWR);
  if (fd < 0) {
    std::fprintf(stderr, "Couldn't open file for mmap: %s\n", path);
    return nullptr;
  }
  char* base = nullptr;
  if (!create || ftruncate(fd, static_cast<off_t>(total)) == 0) base = MapFile(fd, total);
  close(fd);
  if (base) {
    Process().mapped_file = true;
    Process().file_path = path;
  }
  return base;
}

key_t ArenaKey() { return SK_key(std::getenv("HOME"), SK_KEY_ARENA); }

// Gets the arena segment and remembers its id; -1 after the system's
// reason.
int GetArenaSegment(uint64_t total, int flags) {
  int id = shmget(ArenaKey(), total, flags);
  if (id < 0) {
    std::fprintf(stderr, "shmget failed: errno %d %s\n", errno, std::strerror(errno));
    return -1;
  }
  Process().arena_id = id;
  return id;
}

// Starts a new mapping: forgets the kind of the previous one, reads the
// trace switch again, and gives the arena's total size.
uint64_t StartMapping(uint64_t size) {
  Process().mapped_file = false;
  Process().file_path.clear();
  ReadTraceSwitch();
  return size + SK_ARENA_OVERHEAD;
}

}  // namespace

ProcessState& Process() {
  static ProcessState state;
  return state;
}

void ReadTraceSwitch() { Process().trace = std::getenv("DEBUG_SK") != nullptr; }

void AdoptArena(char* base) {
  ProcessState& process = Process();
  process.base = base;
  if (!base) {
    process.heap = nullptr;
    process.heap_lock = nullptr;
    return;
  }
  auto* header = reinterpret_cast<ArenaHeader*>(base);
  process.heap = reinterpret_cast<AllocatorState*>(base + header->state_offset);
  process.heap_lock = reinterpret_cast<pthread_mutex_t*>(base + header->heap_offset);
}

void SetKeyUserIdForTesting(long uid) { key_uid_override = uid; }

// The break moves by `increment` (rounded up to 8 bytes) unless that would
// pass the capacity; the heap lock is held by the caller.
void* Sbrk(AllocatorState* state, int64_t increment) {
  increment = (increment + 7) & ~int64_t{7};
  if (Process().trace)
    std::fprintf(stderr, "SHMsbrk(%ld): GBLdl_p %p,  curSHMbrk %p\n", static_cast<long>(increment),
                 static_cast<void*>(state), static_cast<void*>(state->brk));
  int64_t handed = static_cast<int64_t>(state->handed_out) + increment;
  if (handed > static_cast<int64_t>(state->capacity) || handed < 0) return reinterpret_cast<void*>(-1);
  char* previous = state->brk;
  state->brk += increment;
  state->handed_out = static_cast<uint64_t>(handed);
  return previous;
}

}  // namespace iwarena

using iwarena::Process;

extern "C" key_t SK_key(const char* /*path*/, int letter) {
  uint32_t uid = iwarena::key_uid_override >= 0 ? static_cast<uint32_t>(iwarena::key_uid_override)
                                                : static_cast<uint32_t>(getuid());
  uint32_t m = 1000;
  uint32_t key = m * uid + static_cast<uint32_t>(letter);
  while (key > iwarena::kLargestKey && m > 0) {
    --m;
    key = m * uid + static_cast<uint32_t>(letter);
  }
  return static_cast<key_t>(key);
}

extern "C" void* SK_create(const char* path, uint64_t size) {
  iwarena::ProcessState& process = Process();
  uint64_t total = iwarena::StartMapping(size);
  char* base = nullptr;
  if (path && *path) {
    base = iwarena::OpenAndMapFile(path, total, true);
    if (!base) return nullptr;
    if (process.trace)
      std::fprintf(stderr, "SK_create: Opening file %s as mmap region of %ld bytes\n", path,
                   static_cast<long>(total));
  } else {
    if (process.trace) {
      std::fprintf(stderr, "SK_create: Creating shared memory of %ld bytes\n", static_cast<long>(total));
      std::fprintf(stderr, "SK_create: Key is 0x%x\n", static_cast<unsigned>(iwarena::ArenaKey()));
    }
    int id = iwarena::GetArenaSegment(total, IPC_CREAT | 0600);
    if (id < 0) return nullptr;
    base = iwarena::AttachSegment("SK_create", id);
    if (!base) {
      shmctl(id, IPC_RMID, nullptr);  // a segment nobody can use is not left behind
      process.arena_id = -1;
      return nullptr;
    }
  }
  auto* header = reinterpret_cast<iwarena::ArenaHeader*>(base);
  header->total_size = total;
  header->size = size;
  header->heap_offset = SK_ARENA_OVERHEAD;
  header->state_offset = offsetof(iwarena::ArenaHeader, state);
  header->root_offset = 0;
  iwarena::InitHeapState(&header->state, base + SK_ARENA_OVERHEAD, size);
  iwarena::AdoptArena(base);
  if (process.trace)
    std::fprintf(stderr, "SK_create: GBLdl_p %p,  cuSHMbrk %p\n", static_cast<void*>(process.heap),
                 static_cast<void*>(process.heap->brk));
  return base;
}

extern "C" void* SK_attach(const char* path, uint64_t size) {
  iwarena::ProcessState& process = Process();
  uint64_t total = iwarena::StartMapping(size);
  char* base = nullptr;
  if (path && *path) {
    if (process.trace)
      std::fprintf(stderr, "SK_attach: Attaching to file %s as mmap region of %ld bytes\n", path,
                   static_cast<long>(total));
    base = iwarena::OpenAndMapFile(path, total, false);
  } else {
    if (process.trace) {
      std::fprintf(stderr, "SK_attach: Attaching shared memory region of %ld bytes\n",
                   static_cast<long>(total));
      std::fprintf(stderr, "SK_attach: Key is 0x%x\n", static_cast<unsigned>(iwarena::ArenaKey()));
    }
    int id = iwarena::GetArenaSegment(0, 0600);
    if (id < 0) return nullptr;
    base = iwarena::AttachSegment("SK_attach", id);
  }
  iwarena::AdoptArena(base);
  return base;
}

extern "C" int SK_detach(void* base) {
  iwarena::ProcessState& process = Process();
  if (!base) return -1;
  int result = 0;
  if (process.mapped_file) {
    result = munmap(base, reinterpret_cast<iwarena::ArenaHeader*>(base)->total_size);
  } else {
    result = shmdt(base);
  }
  if (base == process.base) iwarena::AdoptArena(nullptr);
  return result;
}

extern "C" int SK_destroy(void* base) {
  iwarena::ProcessState& process = Process();
  int result = 0;
  if (process.mapped_file) {
    if (base) SK_detach(base);
    if (unlink(process.file_path.c_str()) != 0) result = -1;
    process.file_path.clear();
    process.mapped_file = false;
    return result;
  }
  if (process.arena_id < 0) {
    process.arena_id = shmget(iwarena::ArenaKey(), 100, 0600);
    if (process.arena_id < 0) {
      std::fprintf(stderr, "Attempt to get shared memory ID failed.\nError %s", std::strerror(errno));
      return -1;
    }
  }
  if (shmctl(process.arena_id, IPC_RMID, nullptr) != 0) {
    std::fprintf(stderr, "SK_destroy: shmctl failed with message:\n%s", std::strerror(errno));
    result = -1;
  }
  process.arena_id = -1;
  if (base) SK_detach(base);
  return result;
}

extern "C" void* SHMsbrk(int64_t increment) {
  if (!Process().heap) return reinterpret_cast<void*>(-1);
  iwarena::HeapLock lock;
  return iwarena::Sbrk(Process().heap, increment);
}
