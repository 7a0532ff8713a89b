// Atomic status file updates by write-then-rename.
#include "status_file.h"
#include "temporary_beside.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orbi {

void StatusFile::Write(int progress, const std::string& message) {
  if (path_.empty()) return;
  std::string temporary;
  std::FILE* f = OpenTemporaryBeside(path_, ".tmp", &temporary);
  bool ok = f != nullptr;
  if (ok) {
    // The reader takes at most 99 characters of the message line.
    ok = std::fprintf(f, "%d\n%.98s\n", progress, message.c_str()) > 0;
    ok = std::fclose(f) == 0 && ok;
  }
  if (ok) ok = std::rename(temporary.c_str(), path_.c_str()) == 0;
  if (!ok) {
    const int error = errno;
    if (!temporary.empty()) std::remove(temporary.c_str());
    if (!warned_)
      std::fprintf(stderr, "ORBILocalization: warning: cannot write status file %s: %s\n",
                   path_.c_str(), std::strerror(error));
    warned_ = true;
  }
}

}  // namespace orbi
