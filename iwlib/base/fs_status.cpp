// Free space of the file system that holds a path, as the space available
// to ordinary users (the blocks reserved for the superuser do not count).
#include <sys/statvfs.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "iwbase.h"

extern "C" int IWFileSystemStatus(const char* path, long* megabytes, int* percent_used) {
  int rc = 1;
  long available_mb = 0;
  int used = 0;
  struct statvfs info;
  if (!path || statvfs(path, &info) != 0) {
    std::fprintf(stderr, "Error %s getting file system status for %s\n",
                 std::strerror(path ? errno : EINVAL), path ? path : "(null)");
    rc = -1;
  } else {
    double block_bytes = static_cast<double>(info.f_frsize);
    available_mb = static_cast<long>(static_cast<double>(info.f_bavail) * block_bytes / 1048576.0);
    // A file system without blocks (proc, sysfs) has nothing in use.
    if (info.f_blocks > 0)
      used = 100 - static_cast<int>(100.0 * static_cast<double>(info.f_bavail) /
                                    static_cast<double>(info.f_blocks));
  }
  if (megabytes) *megabytes = available_mb;
  if (percent_used) *percent_used = used;
  return rc;
}
