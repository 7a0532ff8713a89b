// Exclusive temporary files as stdio streams (see temporary_beside.h).
#include "temporary_beside.h"

#include <unistd.h>

#include <cerrno>
#include <climits>

#include "beads.h"

namespace orbi {

std::FILE* OpenTemporaryBeside(const std::string& path, const char* tag, std::string* name) {
  char created[PATH_MAX];
  int fd = -1;
  if (BeadsCreateTemporaryBeside(path.c_str(), tag, created, sizeof created, &fd) != BEADS_OK)
    return nullptr;
  std::FILE* file = fdopen(fd, "w");
  if (!file) {
    const int error = errno;
    close(fd);
    unlink(created);
    errno = error;
    return nullptr;
  }
  *name = created;
  return file;
}

}  // namespace orbi
