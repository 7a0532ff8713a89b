// The arena manager's allocation calls (forwarding to the heap of the
// mapped arena), and the process limits and free space a tool checks
// before it sizes an arena.
#include <sys/resource.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "iwarena.h"

extern "C" void* SMMalloc(SMArena* handle, size_t bytes) {
  return handle ? SK_malloc(bytes) : nullptr;
}

extern "C" void* SMCalloc(SMArena* handle, size_t count, size_t size) {
  return handle ? SK_calloc(count, size) : nullptr;
}

extern "C" void* SMRealloc(SMArena* handle, void* address, size_t bytes) {
  return handle ? SK_realloc(address, bytes) : nullptr;
}

extern "C" void* SMRecalloc(SMArena* handle, void* address, size_t count, size_t size) {
  return handle ? SK_reCalloc(address, count, size) : nullptr;
}

extern "C" void SMFree(SMArena* handle, void* address) {
  if (handle && address) SK_free(address);
}

extern "C" int64_t SMGetSpaceFree(const char* directory) {
  if (!directory) return -1;
  std::string scratch = std::string(directory) + "/._SM_XXXXXX_" + std::to_string(getpid());
  int suffix = static_cast<int>(scratch.size() - scratch.rfind('_'));
  int fd = mkstemps(scratch.data(), suffix);
  struct statfs fs {};
  int result = statfs(directory, &fs);
  if (result != 0) std::perror("statfs");
  if (fd >= 0) {
    close(fd);
    unlink(scratch.c_str());
  }
  if (result != 0) return -1;
  return static_cast<int64_t>(fs.f_bfree) * static_cast<int64_t>(fs.f_bsize);
}

extern "C" int SMGetRLimit(uint64_t* current, uint64_t* maximum) {
  struct rlimit limit {};
  if (getrlimit(RLIMIT_AS, &limit) != 0) return -1;
  if (current) *current = limit.rlim_cur;
  if (maximum) *maximum = limit.rlim_max;
  return 0;
}

extern "C" int SMSetRLimit(uint64_t current, uint64_t maximum) {
  struct rlimit limit {current, maximum};
  return setrlimit(RLIMIT_AS, &limit) == 0 ? 0 : -1;
}
