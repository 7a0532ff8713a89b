// The multi-process harness of the arena tests.
//
// Each test process plays a user of its own: its IPC keys come from a user
// id made from its pid (never a real account's), and USER and LOGNAME name
// its own id file and semaphore. Whatever the test leaves behind (control
// and arena segments, id file, semaphore) is removed by key and name when
// the fixture ends, on every path, so parallel tests never meet and a real
// user's arena is never touched. What a crashed test process left is
// removed by the next test.
//
// Children are forked, run a body that returns an exit code (no gtest
// assertions in a child), and hand back their output.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <string>

#include "test_support.h"

namespace arena_test {

struct ChildResult {
  int exit_code = -1;   // exit status, -1 when killed by a signal
  int term_signal = 0;  // the signal that ended the child
  std::string out;      // its standard output
  std::string err;      // its standard error
};

// Runs `body` in a forked child and waits for it.
ChildResult RunChild(const std::function<int()>& body);

// A forked child that runs `body` (which must end by waiting for ever)
// after it has reported through a pipe that `before` is done.
class HeldChild {
 public:
  explicit HeldChild(const std::function<void()>& before);
  ~HeldChild();
  HeldChild(const HeldChild&) = delete;
  HeldChild& operator=(const HeldChild&) = delete;
  // SIGKILL and wait; returns the signal that ended it.
  int Kill();

 private:
  pid_t pid_ = -1;
};

class ArenaTest : public ::testing::Test {
 protected:
  ArenaTest();
  ~ArenaTest() override;

  // The user name this test plays (USER and LOGNAME).
  const std::string& user() const { return user_; }
  std::string IdFile() const { return "/tmp/" + user_ + ".zor_shmid"; }
  // Whether a System V segment of this test's key letter exists.
  static bool SegmentExists(int letter);
  // Forgets everything the arena layer and the configuration remember in
  // this process (a fresh process as far as they know).
  static void ForgetProcessState();

  tremoscan::testing::ScopedTempDir dir_;

 private:
  std::string user_;
  tremoscan::testing::ScopedEnv user_env_;
  tremoscan::testing::ScopedEnv logname_env_;
  tremoscan::testing::ScopedEnv address_env_{"PA_SHMSTADDR", nullptr};
  tremoscan::testing::ScopedEnv sk_trace_env_{"DEBUG_SK", nullptr};
};

}  // namespace arena_test
