// The progress file that the starting program polls: two lines, the
// progress (0-100) and a message. It is written to a temporary name in the
// same directory and renamed over the real name, so a reader sees either
// the previous or the new contents, never half of a write.
#pragma once

#include <string>

namespace orbi {

class StatusFile {
 public:
  explicit StatusFile(std::string path) : path_(std::move(path)) {}
  // Writes progress and message (kept below 100 characters). A failure is
  // reported once on standard error; localization goes on without it.
  void Write(int progress, const std::string& message);

 private:
  std::string path_;      // empty: no status file was asked for
  bool warned_ = false;   // a write failure has been reported
};

}  // namespace orbi
