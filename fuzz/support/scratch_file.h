// One private temporary file per fuzzer process, reused for every input, for
// readers that take a path. Created with mkstemp (mode 0600, no planted
// link can redirect it) and removed when the process exits.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

class ScratchFile {
 public:
  explicit ScratchFile(const char* name) {
    const char* dir = getenv("TMPDIR");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/" + name + "_XXXXXX";
    fd_ = mkstemp(pattern.data());
    if (fd_ < 0) abort();  // nothing to fuzz without the file
    path_ = pattern;
  }
  ~ScratchFile() {
    close(fd_);
    unlink(path_.c_str());
  }

  // Replaces the file's contents by the input; false when it could not.
  bool Fill(const uint8_t* data, size_t size) {
    if (ftruncate(fd_, 0) != 0) return false;
    size_t done = 0;
    while (done < size) {
      ssize_t w = pwrite(fd_, data + done, size - done, off_t(done));
      if (w <= 0) return false;
      done += size_t(w);
    }
    return true;
  }

  const char* path() const { return path_.c_str(); }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace fuzzing
