// Helpers shared by the test binaries: scratch directories, scoped environment
// variables, whole-file reads and writes, and running a program as a real
// child process with its output captured.
#pragma once

#include <string>
#include <vector>

namespace tremoscan::testing {

// A fresh directory under $TMPDIR (or /tmp), removed with its contents when
// the object goes out of scope.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

// Sets (or with nullptr unsets) an environment variable and restores the old
// value on destruction.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool had_old_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& contents);
bool FileExists(const std::string& path);

// Sets PA_BASE, HOME and the tree locations for a test run (the test mains
// call it first).
void SetTestEnvironment();

// The suite base directory of the build tree (PA_BASE as ctest sets it).
std::string SuiteDir();
// The repository's source directory (for test data that is checked in).
std::string SourceDir();

struct ProcessResult {
  int exit_code = -1;    // exit status, or -1 when killed by a signal
  int term_signal = 0;   // the signal that ended the child, or 0
  std::string out;       // everything written to standard output
  std::string err;       // everything written to standard error
};

// Runs argv[0] (a path) with the given arguments as a child process, waits
// for it and captures both output streams. Extra environment entries
// ("NAME=value") are added to the inherited environment, replacing
// inherited entries of the same name.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extra_env = {});

// Writes a picture of an X window (given by its id, on the named display)
// to output, in the format its extension names: xwd dumps the window, and
// convert turns the dump into the picture. Returns 0 on success, else 1
// with the failing tool's message on standard error.
int SaveWindowPicture(const std::string& display_name, unsigned long window,
                      const std::string& output);

}  // namespace tremoscan::testing
