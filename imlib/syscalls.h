// The system calls beneath unbuffered stream I/O, called through a table so
// that tests can inject short transfers and failures.
#pragma once

#include <sys/types.h>

namespace imlib {

struct SysCalls {
  ssize_t (*read)(int fd, void* buffer, size_t count);          // read(2)
  ssize_t (*write)(int fd, const void* buffer, size_t count);   // write(2)
};

// The table in use; tests may replace entries and must restore them.
extern SysCalls g_syscalls;

}  // namespace imlib
