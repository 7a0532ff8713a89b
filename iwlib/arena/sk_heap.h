// The heap inside the arena, as the segment code sees it: laying out a
// fresh allocator state, and the lock around every heap operation.
#pragma once

#include <cstdint>

#include "sk_layout.h"

namespace iwarena {

// Sets up the allocator state of a new arena: empty bins, default tuning,
// the break at the heap start, and the heap lock as the first bytes.
void InitHeapState(AllocatorState* state, char* heap_start, uint64_t capacity);

// The heap lock of the arena mapped in this process. Holding it is
// required for every change of the allocator state.
class HeapLock {
 public:
  HeapLock();
  ~HeapLock();
  HeapLock(const HeapLock&) = delete;
  HeapLock& operator=(const HeapLock&) = delete;

 private:
  bool held_ = false;
};

}  // namespace iwarena

namespace iwarena {

// SHMsbrk without the lock, for the heap that already holds it.
void* Sbrk(AllocatorState* state, int64_t increment);

}  // namespace iwarena
