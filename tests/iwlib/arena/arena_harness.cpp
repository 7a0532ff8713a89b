// The multi-process harness of the arena tests (see arena_harness.h).
#include "arena_harness.h"

#include <semaphore.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "config_testing.h"
#include "iwbase.h"
#include "sk_testing.h"

namespace arena_test {
namespace {

constexpr const char* kUserPrefix = "tsarena";

// A user id no real account has, different for every test process.
long TestUserId(pid_t pid) { return 1000000 + pid % 1000000; }

std::string TestUserName(pid_t pid) { return kUserPrefix + std::to_string(pid); }

// Removes the IPC objects and files of test user `pid`.
void RemoveTestUser(pid_t pid) {
  iwarena::SetKeyUserIdForTesting(TestUserId(pid));
  for (int letter : {SK_KEY_CONTROL, SK_KEY_ARENA}) {
    int id = shmget(SK_key(nullptr, letter), 0, 0);
    if (id >= 0) shmctl(id, IPC_RMID, nullptr);
  }
  std::string user = TestUserName(pid);
  unlink(("/tmp/" + user + ".zor_shmid").c_str());
  sem_unlink(("/IWConfigSem_" + user).c_str());
}

// A test process that crashed left its objects behind: the next test
// removes those of every test user whose process is gone.
void RemoveLeftoversOfCrashedTests() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/tmp", error)) {
    std::string name = entry.path().filename().string();
    if (name.rfind(kUserPrefix, 0) != 0 || !name.ends_with(".zor_shmid")) continue;
    pid_t pid = static_cast<pid_t>(std::atol(name.c_str() + std::strlen(kUserPrefix)));
    if (pid > 0 && kill(pid, 0) != 0 && errno == ESRCH) RemoveTestUser(pid);
  }
}

}  // namespace

ChildResult RunChild(const std::function<int()>& body) {
  tremoscan::testing::ScopedTempDir capture;
  std::string out_path = capture.file("out");
  std::string err_path = capture.file("err");
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    if (!std::freopen(out_path.c_str(), "w", stdout) || !std::freopen(err_path.c_str(), "w", stderr)) _exit(99);
    int code = 98;
    try {
      code = body();
    } catch (...) {
    }
    std::fflush(nullptr);
    _exit(code);
  }
  ChildResult result;
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.term_signal = WTERMSIG(status);
  result.out = tremoscan::testing::ReadFile(out_path);
  result.err = tremoscan::testing::ReadFile(err_path);
  return result;
}

HeldChild::HeldChild(const std::function<void()>& before) {
  int ready[2];
  if (pipe(ready) != 0) return;
  std::fflush(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    close(ready[0]);
    before();
    char done = 1;
    if (write(ready[1], &done, 1) != 1) _exit(97);
    for (;;) pause();
  }
  close(ready[1]);
  char done = 0;
  if (pid_ > 0 && read(ready[0], &done, 1) != 1) pid_ = -1;
  close(ready[0]);
}

HeldChild::~HeldChild() { Kill(); }

int HeldChild::Kill() {
  if (pid_ <= 0) return 0;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

ArenaTest::ArenaTest()
    : user_(TestUserName(getpid())),
      user_env_("USER", user_.c_str()),
      logname_env_("LOGNAME", user_.c_str()) {
  RemoveLeftoversOfCrashedTests();
  ForgetProcessState();
  RemoveTestUser(getpid());
}

ArenaTest::~ArenaTest() {
  ForgetProcessState();
  RemoveTestUser(getpid());
  iwarena::SetKeyUserIdForTesting(-1);
}

bool ArenaTest::SegmentExists(int letter) { return shmget(SK_key(nullptr, letter), 0, 0) >= 0; }

void ArenaTest::ForgetProcessState() {
  IWDetach();
  SMDetachFromArena(nullptr);
  IWRemoveConfigSem();
  iwbase::ResetConfigStateForTesting();
}

}  // namespace arena_test
