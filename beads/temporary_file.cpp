// Temporary files beside a program's output. Outputs go to fixed names,
// often in a shared directory such as /tmp; a temporary with a name that
// others can predict could be a symbolic link planted there, and writing
// through it would overwrite whatever it points at. mkostemp creates the
// file exclusively under a name of its own choosing, so nothing that
// exists is ever opened.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "beads.h"

extern "C" int BeadsCreateTemporaryBeside(const char* path, const char* tag, char* name,
                                          size_t size, int* fd) {
  if (!path || !tag || !name || !fd) {
    errno = EINVAL;
    return BEADS_ERR_ARGUMENT;
  }
  int length = std::snprintf(name, size, "%s%sXXXXXX", path, tag);
  if (length < 0 || size_t(length) >= size) {
    errno = ENAMETOOLONG;
    return BEADS_ERR_ARGUMENT;
  }
  *fd = mkostemp(name, O_CLOEXEC);
  if (*fd < 0) return BEADS_ERR_FILE;
  // mkostemp makes the file private (0600); outputs are read like any
  // other file the programs write.
  if (fchmod(*fd, 0644) != 0) {
    int saved = errno;
    close(*fd);
    unlink(name);
    *fd = -1;
    errno = saved;
    return BEADS_ERR_FILE;
  }
  return BEADS_OK;
}
