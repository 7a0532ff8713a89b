// Frame-sized pixel buffers. They come from malloc and a failure is turned
// into std::bad_alloc here, so that a frame too large for the memory is
// reported as such on every allocator (some report operator new failures
// as fatal instead of throwing).
#pragma once

#include <cstdlib>
#include <memory>
#include <new>

namespace orbi {

struct FreeDeleter {
  void operator()(float* p) const { std::free(p); }
};

using FrameBuffer = std::unique_ptr<float[], FreeDeleter>;

// count floats, uninitialised; throws std::bad_alloc when they cannot be had.
inline FrameBuffer AllocateFrame(size_t count) {
  if (count > static_cast<size_t>(-1) / sizeof(float)) throw std::bad_alloc();
  float* p = static_cast<float*>(std::malloc(count * sizeof(float)));
  if (!p) throw std::bad_alloc();
  return FrameBuffer(p);
}

}  // namespace orbi
