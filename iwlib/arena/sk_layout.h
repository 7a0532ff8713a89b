// Layouts shared by every process of the user: the control segment, the
// arena header, the allocator state and the heap's chunk header. They are
// a format between processes (possibly of different builds), so every
// offset is pinned by a static_assert.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <cstdint>

#include "iwarena.h"

namespace iwarena {

// The small segment through which attaching processes find the arena.
struct ControlSegment {
  char name[4096];         // path of the arena file; empty for a System V arena
  uint32_t reserved0;
  int32_t creator_pid;     // process that created the arena
  uint64_t size;           // heap capacity requested by the creator
  uint64_t base;           // address of the arena in every process
  uint8_t reserved1[44];
  uint8_t sync;            // sync state byte, 1 once the creator has set it up
  uint8_t reserved2[3];
};
static_assert(sizeof(ControlSegment) == SM_CONTROL_SIZE);
static_assert(offsetof(ControlSegment, creator_pid) == 4100);
static_assert(offsetof(ControlSegment, size) == 4104);
static_assert(offsetof(ControlSegment, base) == 4112);
static_assert(offsetof(ControlSegment, sync) == 4164);

// A chunk of the heap. `prev_size` is valid only while the previous chunk
// is free; `fd` and `bk` only while this chunk is free (they are the first
// user bytes otherwise).
struct Chunk {
  uint64_t prev_size;
  uint64_t size;  // chunk size; bit 0 set when the previous chunk is in use
  Chunk* fd;
  Chunk* bk;
};

// The two links of one bin list; an empty bin's links point at the bin's
// own head (the chunk whose fd/bk overlay these links).
struct BinLinks {
  Chunk* fd;
  Chunk* bk;
};

inline constexpr int kBinCount = 128;

// The heap's state, shared by all processes. Bin 0 holds the top chunk in
// its first link (no chunk is ever that small); bin 1 is unused.
struct AllocatorState {
  uint64_t binmap[2];                 // one bit per non-empty bin
  BinLinks bins[kBinCount];
  uint64_t trim_threshold;            // free top bytes above which the top is trimmed
  uint64_t top_pad;                   // extra bytes taken at each growth
  uint64_t mmap_threshold;            // kept for the tuning call; the heap never maps
  int64_t heap_base;                  // first chunk's address, -1 before the first growth
  uint64_t max_system_bytes;
  uint64_t system_bytes;
  uint64_t in_use_bytes;
  uint64_t free_chunks;
  uint64_t reserved[3];
  char* brk;                          // next byte SHMsbrk hands out
  uint64_t handed_out;                // bytes handed out by SHMsbrk
  uint64_t capacity;                  // the heap's capacity
};
static_assert(sizeof(AllocatorState) == 2176);
static_assert(offsetof(AllocatorState, bins) == 16);
static_assert(offsetof(AllocatorState, trim_threshold) == 16 + 16 * kBinCount);
static_assert(offsetof(AllocatorState, brk) == 2176 - 24);

// The arena's first bytes.
struct ArenaHeader {
  uint64_t total_size;    // requested + SK_ARENA_OVERHEAD
  uint64_t size;          // requested size, the heap's capacity
  uint64_t heap_offset;   // SK_ARENA_OVERHEAD
  uint64_t state_offset;  // offset of the AllocatorState
  uint64_t root_offset;   // offset of the root record, 0 until stored
  AllocatorState state;
};
static_assert(offsetof(ArenaHeader, root_offset) == 32);
static_assert(offsetof(ArenaHeader, state) == 40);
static_assert(sizeof(ArenaHeader) == SK_ARENA_OVERHEAD);

// The heap lock is the first thing the heap hands out: a robust
// process-shared mutex, which the kernel marks released when its holder
// dies. After it the break is 16-byte aligned for the first chunk.
inline constexpr uint64_t kHeapLockBytes = sizeof(pthread_mutex_t);
static_assert((SK_ARENA_OVERHEAD + kHeapLockBytes) % 16 == 0);

}  // namespace iwarena
