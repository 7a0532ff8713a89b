// The heap inside the arena: a boundary-tag allocator whose memory comes
// only from SHMsbrk, so it works inside a fixed, pre-mapped region that
// several processes share.
//
// Chunks are 16-byte aligned with a minimum of 32 bytes. A chunk's size
// word carries in bit 0 whether the previous chunk is in use; a free chunk
// repeats its size at its end (the next chunk's prev_size), so neighbours
// coalesce at once when freed. Free chunks sit in 128 bins: exact sizes
// below 1 KiB, four bins per power of two above. A bitmap of non-empty bins
// finds the next fitting bin without walking empty ones. The top chunk
// borders the break; it grows through SHMsbrk by whole pages and shrinks
// back (trim) when more than the trim threshold lies free at its end.
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "iwarena.h"
#include "sk_heap.h"
#include "sk_state.h"

namespace iwarena {
namespace {

constexpr uint64_t kAlignment = 16;
constexpr uint64_t kMinChunk = 32;
constexpr uint64_t kPage = 4096;
constexpr uint64_t kHeaderBytes = 16;  // prev_size and size before the user bytes
constexpr uint64_t kSizeBytes = 8;     // what an in-use chunk costs beyond its user bytes
constexpr uint64_t kPrevInUse = 1;
constexpr uint64_t kSmallLimit = 1024;
constexpr uint64_t kDefaultThreshold = 0x20000;

uint64_t SizeOf(const Chunk* c) { return c->size & ~uint64_t{7}; }
bool PrevInUse(const Chunk* c) { return c->size & kPrevInUse; }
Chunk* Offset(Chunk* c, uint64_t bytes) {
  return reinterpret_cast<Chunk*>(reinterpret_cast<char*>(c) + bytes);
}
Chunk* NextOf(Chunk* c) { return Offset(c, SizeOf(c)); }
void* MemOf(Chunk* c) { return reinterpret_cast<char*>(c) + kHeaderBytes; }
Chunk* ChunkOf(void* p) { return reinterpret_cast<Chunk*>(static_cast<char*>(p) - kHeaderBytes); }

uint64_t RoundUp(uint64_t n, uint64_t unit) { return (n + unit - 1) & ~(unit - 1); }

// Chunk size for a request of n user bytes; 0 when it can never fit.
uint64_t ChunkSizeFor(size_t n, const AllocatorState* s) {
  if (n > s->capacity) return 0;
  uint64_t size = RoundUp(n + kSizeBytes, kAlignment);
  return size < kMinChunk ? kMinChunk : size;
}

int BinIndex(uint64_t size) {
  if (size < kSmallLimit) return static_cast<int>(size >> 4);
  int bits = 63 - __builtin_clzll(size);
  int index = 64 + (bits - 10) * 4 + static_cast<int>((size >> (bits - 2)) & 3);
  return index < kBinCount ? index : kBinCount - 1;
}

// The head of bin i: a chunk whose fd/bk are the bin's two links.
Chunk* BinHead(AllocatorState* s, int i) {
  return reinterpret_cast<Chunk*>(reinterpret_cast<char*>(&s->bins[i]) - offsetof(Chunk, fd));
}

// The top chunk lives in bin 0's first link; bin 0's own head means none yet.
Chunk* Top(AllocatorState* s) { return s->bins[0].fd; }
bool HasTop(AllocatorState* s) { return Top(s) != BinHead(s, 0); }
void SetTop(AllocatorState* s, Chunk* c) { s->bins[0].fd = c; }

void MarkBin(AllocatorState* s, int i) { s->binmap[i >> 6] |= uint64_t{1} << (i & 63); }
void ClearBin(AllocatorState* s, int i) { s->binmap[i >> 6] &= ~(uint64_t{1} << (i & 63)); }

// First non-empty bin at or after i, or -1.
int NextBin(AllocatorState* s, int i) {
  while (i < kBinCount) {
    uint64_t bits = s->binmap[i >> 6] >> (i & 63);
    if (bits) return i + __builtin_ctzll(bits);
    i = (i | 63) + 1;
  }
  return -1;
}

void InsertFree(AllocatorState* s, Chunk* c) {
  int i = BinIndex(SizeOf(c));
  Chunk* head = BinHead(s, i);
  c->fd = head->fd;
  c->bk = head;
  head->fd->bk = c;
  head->fd = c;
  MarkBin(s, i);
  ++s->free_chunks;
}

void Unlink(AllocatorState* s, Chunk* c) {
  c->fd->bk = c->bk;
  c->bk->fd = c->fd;
  int i = BinIndex(SizeOf(c));
  Chunk* head = BinHead(s, i);
  if (head->fd == head) ClearBin(s, i);
  --s->free_chunks;
}

// Gives the top chunk's free end back to SHMsbrk, in whole pages, when
// more than the trim threshold lies free there.
void MaybeTrim(AllocatorState* s) {
  Chunk* top = Top(s);
  uint64_t top_size = SizeOf(top);
  if (top_size < s->trim_threshold) return;
  if (reinterpret_cast<char*>(top) + top_size != s->brk) return;
  if (top_size <= kMinChunk + s->top_pad + kPage) return;
  uint64_t extra = (top_size - kMinChunk - s->top_pad) / kPage * kPage;
  if (extra == 0 || Sbrk(s, -static_cast<int64_t>(extra)) == reinterpret_cast<void*>(-1)) return;
  top->size = (top_size - extra) | kPrevInUse;
  s->system_bytes -= extra;
}

// Releases chunk c (counted in use until now), coalescing with free
// neighbours and the top.
void FreeChunk(AllocatorState* s, Chunk* c) {
  uint64_t size = SizeOf(c);
  s->in_use_bytes -= size;
  Chunk* next = Offset(c, size);
  if (!PrevInUse(c)) {
    Chunk* prev = reinterpret_cast<Chunk*>(reinterpret_cast<char*>(c) - c->prev_size);
    Unlink(s, prev);
    size += SizeOf(prev);
    c = prev;
  }
  if (next == Top(s)) {
    c->size = (size + SizeOf(next)) | kPrevInUse;
    SetTop(s, c);
    MaybeTrim(s);
    return;
  }
  uint64_t next_size = SizeOf(next);
  if (Offset(next, next_size)->size & kPrevInUse) {
    next->size &= ~kPrevInUse;
  } else {
    Unlink(s, next);
    size += next_size;
  }
  c->size = size | kPrevInUse;
  Offset(c, size)->prev_size = size;
  InsertFree(s, c);
}

// Cuts an in-use chunk down to nb bytes, freeing the rest when it can
// stand as a chunk of its own.
void ShrinkInUse(AllocatorState* s, Chunk* c, uint64_t nb) {
  uint64_t size = SizeOf(c);
  if (size - nb < kMinChunk) return;
  c->size = nb | (c->size & kPrevInUse);
  Chunk* rest = Offset(c, nb);
  rest->size = (size - nb) | kPrevInUse;
  FreeChunk(s, rest);
}

// Takes free chunk c (already unlinked) for a request of nb bytes.
Chunk* UseFree(AllocatorState* s, Chunk* c, uint64_t nb) {
  uint64_t size = SizeOf(c);
  if (size - nb >= kMinChunk) {
    c->size = nb | (c->size & kPrevInUse);
    Chunk* rest = Offset(c, nb);
    rest->size = (size - nb) | kPrevInUse;
    Offset(rest, size - nb)->prev_size = size - nb;
    InsertFree(s, rest);
  } else {
    Offset(c, size)->size |= kPrevInUse;
    nb = size;
  }
  s->in_use_bytes += nb;
  return c;
}

// Grows the top so that it holds nb bytes and a minimum chunk beyond,
// asking SHMsbrk for whole pages plus the top pad, or for just enough when
// that is refused. False when the capacity is spent.
bool GrowTop(AllocatorState* s, uint64_t nb) {
  uint64_t have = HasTop(s) ? SizeOf(Top(s)) : 0;
  if (HasTop(s) && reinterpret_cast<char*>(Top(s)) + have != s->brk) return false;
  uint64_t wanted = nb + kMinChunk;
  uint64_t grow = RoundUp(wanted + s->top_pad - have, kPage);
  void* old = Sbrk(s, static_cast<int64_t>(grow));
  if (old == reinterpret_cast<void*>(-1)) {
    grow = RoundUp(wanted - have, kAlignment);
    old = Sbrk(s, static_cast<int64_t>(grow));
    if (old == reinterpret_cast<void*>(-1)) return false;
  }
  if (HasTop(s)) {
    Top(s)->size += grow;
  } else {
    auto* top = static_cast<Chunk*>(old);
    top->size = grow | kPrevInUse;
    s->heap_base = reinterpret_cast<int64_t>(top);
    SetTop(s, top);
  }
  s->system_bytes += grow;
  if (s->system_bytes > s->max_system_bytes) s->max_system_bytes = s->system_bytes;
  return true;
}

Chunk* TakeFromTop(AllocatorState* s, uint64_t nb) {
  if (!HasTop(s) || SizeOf(Top(s)) < nb + kMinChunk) {
    if (!GrowTop(s, nb)) return nullptr;
  }
  Chunk* c = Top(s);
  uint64_t size = SizeOf(c);
  c->size = nb | kPrevInUse;
  Chunk* rest = Offset(c, nb);
  rest->size = (size - nb) | kPrevInUse;
  SetTop(s, rest);
  s->in_use_bytes += nb;
  return c;
}

// The best-fitting chunk of large bin i for nb bytes, or null.
Chunk* BestFit(AllocatorState* s, int i, uint64_t nb) {
  Chunk* head = BinHead(s, i);
  Chunk* best = nullptr;
  for (Chunk* c = head->fd; c != head; c = c->fd) {
    uint64_t size = SizeOf(c);
    if (size >= nb && (!best || size < SizeOf(best))) {
      best = c;
      if (size == nb) break;
    }
  }
  return best;
}

void* Allocate(AllocatorState* s, size_t n) {
  uint64_t nb = ChunkSizeFor(n, s);
  if (nb == 0) return nullptr;
  int i = BinIndex(nb);
  Chunk* head = BinHead(s, i);
  Chunk* found = nullptr;
  if (nb < kSmallLimit) {
    if (head->bk != head) found = head->bk;
  } else {
    found = BestFit(s, i, nb);
  }
  if (!found) {
    int bin = NextBin(s, i + 1);
    if (bin >= 0) found = BinHead(s, bin)->bk;
  }
  if (found) {
    Unlink(s, found);
    return MemOf(UseFree(s, found, nb));
  }
  Chunk* c = TakeFromTop(s, nb);
  return c ? MemOf(c) : nullptr;
}

void* Reallocate(AllocatorState* s, void* p, size_t n) {
  uint64_t nb = ChunkSizeFor(n, s);
  if (nb == 0) return nullptr;
  Chunk* c = ChunkOf(p);
  uint64_t size = SizeOf(c);
  if (size >= nb) {
    ShrinkInUse(s, c, nb);
    return p;
  }
  Chunk* next = NextOf(c);
  if (next == Top(s) && size + SizeOf(next) >= nb + kMinChunk) {
    uint64_t joined = size + SizeOf(next);
    c->size = nb | (c->size & kPrevInUse);
    Chunk* rest = Offset(c, nb);
    rest->size = (joined - nb) | kPrevInUse;
    SetTop(s, rest);
    s->in_use_bytes += nb - size;
    return p;
  }
  if (next != Top(s) && !(NextOf(next)->size & kPrevInUse) && size + SizeOf(next) >= nb) {
    Unlink(s, next);
    uint64_t joined = size + SizeOf(next);
    s->in_use_bytes += SizeOf(next);
    c->size = joined | (c->size & kPrevInUse);
    NextOf(c)->size |= kPrevInUse;
    ShrinkInUse(s, c, nb);
    return p;
  }
  void* moved = Allocate(s, n);
  if (!moved) return nullptr;
  std::memcpy(moved, p, size - kSizeBytes);
  FreeChunk(s, c);
  return moved;
}

void* AllocateAligned(AllocatorState* s, size_t alignment, size_t n) {
  if (alignment <= kAlignment) return Allocate(s, n);
  if (alignment & (alignment - 1)) alignment = size_t{1} << (64 - __builtin_clzll(alignment));
  uint64_t nb = ChunkSizeFor(n, s);
  if (nb == 0 || alignment > s->capacity) return nullptr;
  void* p = Allocate(s, nb + alignment + kMinChunk);
  if (!p) return nullptr;
  Chunk* c = ChunkOf(p);
  auto address = reinterpret_cast<uintptr_t>(p);
  if (address % alignment != 0) {
    auto* aligned = reinterpret_cast<char*>(((address + alignment - 1) & ~(alignment - 1)) - kHeaderBytes);
    if (aligned - reinterpret_cast<char*>(c) < static_cast<ptrdiff_t>(kMinChunk)) aligned += alignment;
    auto* moved = reinterpret_cast<Chunk*>(aligned);
    uint64_t lead = static_cast<uint64_t>(aligned - reinterpret_cast<char*>(c));
    moved->size = (SizeOf(c) - lead) | kPrevInUse;
    c->size = lead | (c->size & kPrevInUse);
    FreeChunk(s, c);  // the lead goes back; the rest stays counted in use
    c = moved;
  }
  ShrinkInUse(s, c, nb);
  return MemOf(c);
}

AllocatorState* Heap() { return Process().heap; }

template <class Body>
auto Locked(Body&& body) {
  HeapLock lock;
  return body(Heap());
}

}  // namespace

void InitHeapState(AllocatorState* s, char* heap_start, uint64_t capacity) {
  std::memset(s, 0, sizeof *s);
  for (int i = 0; i < kBinCount; ++i) s->bins[i].fd = s->bins[i].bk = BinHead(s, i);
  s->trim_threshold = kDefaultThreshold;
  s->top_pad = 0;
  s->mmap_threshold = kDefaultThreshold;
  s->heap_base = -1;
  s->brk = heap_start;
  s->handed_out = 0;
  s->capacity = capacity;

  auto* lock = reinterpret_cast<pthread_mutex_t*>(Sbrk(s, kHeapLockBytes));
  if (lock == reinterpret_cast<pthread_mutex_t*>(-1)) return;
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
  pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
  pthread_mutex_init(lock, &attributes);
  pthread_mutexattr_destroy(&attributes);
}

HeapLock::HeapLock() {
  pthread_mutex_t* lock = Process().heap_lock;
  if (!lock) return;
  int result = pthread_mutex_lock(lock);
  if (result == EOWNERDEAD) {
    std::fprintf(stderr, "SK heap: a process died holding the heap lock; lock recovered\n");
    pthread_mutex_consistent(lock);
    result = 0;
  }
  held_ = result == 0;
}

HeapLock::~HeapLock() {
  if (held_) pthread_mutex_unlock(Process().heap_lock);
}

}  // namespace iwarena

using iwarena::Heap;
using iwarena::Locked;
using iwarena::Process;

extern "C" void* SK_malloc(size_t bytes) {
  if (!Heap()) return nullptr;
  void* p = Locked([&](iwarena::AllocatorState* s) { return iwarena::Allocate(s, bytes); });
  if (Process().trace)
    std::fprintf(stderr, "%p = SK_malloc(%ld) pid=%d\n", p, static_cast<long>(bytes), getpid());
  return p;
}

extern "C" void* SK_calloc(size_t count, size_t size) {
  if (!Heap()) return nullptr;
  void* p = nullptr;
  if (size == 0 || count <= SIZE_MAX / size) {
    p = Locked([&](iwarena::AllocatorState* s) { return iwarena::Allocate(s, count * size); });
    if (p) std::memset(p, 0, SK_malloc_usable_size(p));
  }
  if (Process().trace)
    std::fprintf(stderr, "%p = SK_calloc(%d, %ld) pid=%d\n", p, static_cast<int>(count),
                 static_cast<long>(size), getpid());
  return p;
}

extern "C" void* SK_realloc(void* address, size_t bytes) {
  if (!Heap()) return nullptr;
  void* p = Locked([&](iwarena::AllocatorState* s) {
    return address ? iwarena::Reallocate(s, address, bytes) : iwarena::Allocate(s, bytes);
  });
  if (Process().trace)
    std::fprintf(stderr, "%p = SK_realloc(%p, %ld) pid=%d\n", p, address, static_cast<long>(bytes),
                 getpid());
  return p;
}

extern "C" void* SK_reCalloc(void* address, size_t count, size_t size) {
  if (!Heap()) return nullptr;
  bool trace = Process().trace;
  if (trace)
    std::fprintf(stderr, "SK_reCalloc(%p, %d, %ld)\t\treturns:  ", address, static_cast<int>(count),
                 static_cast<long>(size));
  if (size != 0 && count > SIZE_MAX / size) {
    if (trace) std::fprintf(stderr, "%p from dlcalloc\n", nullptr);
    return nullptr;
  }
  void* p = nullptr;
  if (address) {
    p = Locked([&](iwarena::AllocatorState* s) { return iwarena::Reallocate(s, address, count * size); });
    if (trace) std::fprintf(stderr, "%p from dlrealloc\n", p);
  } else {
    bool was = Process().trace;
    Process().trace = false;
    p = SK_calloc(count, size);
    Process().trace = was;
    if (trace) std::fprintf(stderr, "%p from dlcalloc\n", p);
  }
  return p;
}

extern "C" void SK_free(void* address) {
  if (Process().trace) std::fprintf(stderr, "SK_free(%p) pid=%d\n", address, getpid());
  if (!address || !Heap()) return;
  Locked([&](iwarena::AllocatorState* s) {
    iwarena::FreeChunk(s, iwarena::ChunkOf(address));
    return 0;
  });
}

extern "C" void* SK_memalign(size_t alignment, size_t bytes) {
  if (!Heap()) return nullptr;
  return Locked([&](iwarena::AllocatorState* s) { return iwarena::AllocateAligned(s, alignment, bytes); });
}

extern "C" void* SK_valloc(size_t bytes) { return SK_memalign(iwarena::kPage, bytes); }

extern "C" size_t SK_malloc_usable_size(void* address) {
  if (!address) return 0;
  return iwarena::SizeOf(iwarena::ChunkOf(address)) - iwarena::kSizeBytes;
}

extern "C" int SK_mallinfo(SKMallInfo* info) {
  if (!Heap() || !info) return -1;
  return Locked([&](iwarena::AllocatorState* s) {
    info->max_system_bytes = s->max_system_bytes;
    info->system_bytes = s->system_bytes;
    info->in_use_bytes = s->in_use_bytes;
    info->free_chunks = s->free_chunks;
    info->top_bytes = iwarena::HasTop(s) ? iwarena::SizeOf(iwarena::Top(s)) : 0;
    info->capacity = s->capacity;
    info->handed_out = s->handed_out;
    return 0;
  });
}

extern "C" void SK_malloc_stats(void) {
  SKMallInfo info{};
  SK_mallinfo(&info);
  std::fprintf(stderr, "max system bytes = %10u\n", static_cast<unsigned>(info.max_system_bytes));
  std::fprintf(stderr, "system bytes     = %10u\n", static_cast<unsigned>(info.system_bytes));
  std::fprintf(stderr, "in use bytes     = %10u\n", static_cast<unsigned>(info.in_use_bytes));
}

extern "C" int SK_mallopt(int parameter, int64_t value) {
  if (!Heap()) return 0;
  return Locked([&](iwarena::AllocatorState* s) {
    switch (parameter) {
      case SK_M_TRIM_THRESHOLD: s->trim_threshold = static_cast<uint64_t>(value); return 1;
      case SK_M_TOP_PAD: s->top_pad = static_cast<uint64_t>(value); return 1;
      case SK_M_MMAP_THRESHOLD: s->mmap_threshold = static_cast<uint64_t>(value); return 1;
      case SK_M_MMAP_MAX: return value == 0 ? 1 : 0;
      default: return 0;
    }
  });
}

namespace iwarena {

void LockHeapForTesting() {
  if (Process().heap_lock) pthread_mutex_lock(Process().heap_lock);
}
void UnlockHeapForTesting() {
  if (Process().heap_lock) pthread_mutex_unlock(Process().heap_lock);
}

}  // namespace iwarena
