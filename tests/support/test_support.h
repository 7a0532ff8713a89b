// Helpers shared by the test binaries: scratch directories, scoped environment
// variables, whole-file reads and writes, and real child processes, either
// run to their end with their output captured or left running in the
// background while the test looks at them. (x_support.h adds the X side.)
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
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
// The unsigned number in the `width` (1 to 8) bytes at `at` of `bytes`,
// most significant byte first when `big_endian`: the one byte-order
// conversion of the tests that read binary formats.
uint64_t ReadUnsigned(const std::string& bytes, size_t at, size_t width, bool big_endian);
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

// A program started in the background (argv[0] a path, extra_env as for
// RunProcess); its standard output goes to /dev/null, its standard error
// to a file the test can read. The destructor kills and reaps a child still
// running, so a failing test never leaves a process or a window behind.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv,
               const std::vector<std::string>& extra_env = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Sends `signal` to the child; false when it could not be sent.
  bool Signal(int signal) const;
  // Waits up to `seconds` for the child to end; true when it has ended.
  bool WaitForExit(double seconds);
  bool running();
  int exit_code() const { return exit_code_; }      // -1 unless it exited normally
  int term_signal() const { return term_signal_; }  // 0 unless a signal ended it
  std::string StandardError() const;

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int exit_code_ = -1;
  int term_signal_ = 0;
  std::string err_path_;
};

// Sends SIGKILL to every descendant of `parent` except `spared` (and its
// descendants): the last resort of a test whose program would otherwise
// keep its caller waiting forever.
void KillDescendants(pid_t parent, pid_t spared);

// Polls `done` every 20 ms for up to `seconds`; returns its last value.
bool WaitUntil(const std::function<bool()>& done, double seconds);

// The argument vectors of the two analysis programs exactly as the
// application builds them (the localizer's photon conversion factor, NA and
// thread count vary with the image and the machine).
std::vector<std::string> LocalizerArguments(const std::string& program, const std::string& input,
                                            const std::string& output, const std::string& status,
                                            const std::string& factor = "0.50000",
                                            const std::string& numerical_aperture = "1.00000",
                                            const std::string& threads = "2");
std::vector<std::string> TrackerArguments(const std::string& program, const std::string& input,
                                          const std::string& output);

}  // namespace tremoscan::testing
