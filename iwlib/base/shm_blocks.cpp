// Plain blocks of the shared arena for the whole suite: zeroed allocation,
// release and resizing on this process's arena handle. They take no lock
// beyond the heap's own; a failed allocation names its size.
#include <cstdio>

#include "arena_root.h"
#include "iwbase.h"

namespace {

void Trace(const char* format, auto... values) {
  if (!iwbase::ShmTrace()) return;
  std::printf(format, values...);
  std::fflush(stdout);
}

}  // namespace

extern "C" void* IWAlcSHM(int count, int64_t size) {
  if (!IWIsAttached() || count < 1 || size <= 0) return nullptr;
  Trace("IWAlcSHM: Allocating %d of %ld. Arena pointer is %p\n", count, static_cast<long>(size), IW_arena.base);
  void* p = SMCalloc(&IW_arena, static_cast<size_t>(count), static_cast<size_t>(size));
  if (!p) {
    std::printf("SMCalloc failed: Not enough SHM %d %ld!!!\n", count, static_cast<long>(size));
    std::fflush(stdout);
  }
  Trace("IWAlcSHM: Pointer is %p\n", p);
  return p;
}

extern "C" void IWFreeSHM(void* address) {
  if (!IWIsAttached() || !address) return;
  Trace("IWFreeSHM: Arena pointer is %p\n", IW_arena.base);
  Trace("IWFreeSHM: Freeing %p\n", address);
  SMFree(&IW_arena, address);
}

extern "C" void* IWRealcSHM(void* address, int64_t size) {
  if (!IWIsAttached() || size <= 0) return nullptr;
  Trace("IWRealcSHM: Re-Allocating %ld from %p\n", static_cast<long>(size), address);
  void* p = SMRecalloc(&IW_arena, address, 1, static_cast<size_t>(size));
  if (!p) {
    std::printf("SMRecalloc failed: Not enough SHM %p %ld!!!\n", address, static_cast<long>(size));
    std::fflush(stdout);
  }
  Trace("IWRealcSHM: Pointer is %p\n", p);
  return p;
}
