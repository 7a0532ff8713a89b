// Test entry point for binaries that talk to an X server. Every run gets a
// private Xvfb, started here and stopped afterwards: tests that run in
// parallel must not see each other's windows (a screenshot of a window that
// another test's window covers reads the wrong pixels), and a developer's
// desktop must not fill with test windows. TREMOSCAN_TEST_DISPLAY names an
// existing display to use instead, for watching a test by eye. The screen
// is larger than any window of the suite so that screenshots taken with
// xwd are never clipped.
#include <gtest/gtest.h>

#include "test_support.h"
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class XvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* wanted = getenv("TREMOSCAN_TEST_DISPLAY");
    if (wanted && *wanted) {
      setenv("DISPLAY", wanted, 1);
      return;
    }
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      // The server goes when the test process goes, even after a crash.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      close(fds[0]);
      std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1200x24",
             "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number it chose once it accepts connections.
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start (is the xvfb package installed?)";
    setenv("DISPLAY", (":" + number).c_str(), 1);
    // A death test re-runs this binary as a child: it uses this server.
    setenv("TREMOSCAN_TEST_DISPLAY", (":" + number).c_str(), 1);
  }

  void TearDown() override {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    unsetenv("DISPLAY");
    unsetenv("TREMOSCAN_TEST_DISPLAY");
  }

 private:
  pid_t pid_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  tremoscan::testing::SetTestEnvironment();
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);
  return RUN_ALL_TESTS();
}
