// Atomic status file updates by write-then-rename.
#include "status_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orbi {

void StatusFile::Write(int progress, const std::string& message) {
  if (path_.empty()) return;
  const std::string temporary = path_ + ".tmp" + std::to_string(getpid());
  std::FILE* f = std::fopen(temporary.c_str(), "w");
  bool ok = f != nullptr;
  if (ok) {
    // The reader takes at most 99 characters of the message line.
    ok = std::fprintf(f, "%d\n%.98s\n", progress, message.c_str()) > 0;
    ok = std::fclose(f) == 0 && ok;
  }
  if (ok) ok = std::rename(temporary.c_str(), path_.c_str()) == 0;
  if (!ok) {
    const int error = errno;
    std::remove(temporary.c_str());
    if (!warned_)
      std::fprintf(stderr, "ORBILocalization: warning: cannot write status file %s: %s\n",
                   path_.c_str(), std::strerror(error));
    warned_ = true;
  }
}

}  // namespace orbi
