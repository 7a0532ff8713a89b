// Implementation of the shared test helpers: temp directories, environment,
// files and child processes (one fork/exec for all of them; a captured run
// polls both pipes so that neither can fill up and stall the child).
#include "test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tremoscan::testing {

ScopedTempDir::ScopedTempDir() {
  const char* base = getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/tremoscan-test-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ec;
  // Tests may leave read-only directories behind (permission tests).
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string ScopedTempDir::file(const std::string& name) const { return path_ + "/" + name; }

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  const char* old = getenv(name);
  had_old_ = old != nullptr;
  if (had_old_) old_ = old;
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (had_old_)
    setenv(name_.c_str(), old_.c_str(), 1);
  else
    unsetenv(name_.c_str());
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

uint64_t ReadUnsigned(const std::string& bytes, size_t at, size_t width, bool big_endian) {
  uint64_t value = 0;
  for (size_t k = 0; k < width; ++k) {
    const uint64_t byte = static_cast<unsigned char>(bytes[at + k]);
    value |= byte << (8 * (big_endian ? width - 1 - k : k));
  }
  return value;
}

void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string SuiteDir() {
  const char* base = getenv("PA_BASE");
  return base ? base : "";
}

std::string SourceDir() {
  const char* dir = getenv("TREMOSCAN_SOURCE_DIR");
  return dir ? dir : "";
}

namespace {

// Forks and executes argv[0] with the inherited environment plus
// `extra_env` (whose entries replace inherited ones of the same name: a
// process sees only the first of two entries with one name), standard
// output on `out_fd` and standard error on `err_fd`. Returns the child's
// id, or -1. Descriptors the child should not keep must be close-on-exec.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extra_env,
            int out_fd, int err_fd) {
  auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e) {
    std::string entry(*e);
    bool replaced = false;
    for (const auto& extra : extra_env) replaced = replaced || name_of(extra) == name_of(entry);
    if (!replaced) env_strings.push_back(entry);
  }
  env_strings.insert(env_strings.end(), extra_env.begin(), extra_env.end());
  std::vector<char*> envp, args;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_copy = argv;
  for (auto& s : argv_copy) args.push_back(s.data());
  args.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  return pid;
}

// Exit code and signal of a wait status.
void Decode(int status, int* exit_code, int* term_signal) {
  if (WIFEXITED(status)) *exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) *term_signal = WTERMSIG(status);
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extra_env) {
  ProcessResult result;
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) return result;
  const pid_t pid = Spawn(argv, extra_env, out_pipe[1], err_pipe[1]);
  close(out_pipe[1]);
  close(err_pipe[1]);

  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_count = 2;
  char buf[65536];
  while (open_count > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid) Decode(status, &result.exit_code, &result.term_signal);
  return result;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& extra_env) {
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tremoscan-child-err-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int err = mkostemp(name.data(), O_CLOEXEC);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (err >= 0 && null >= 0) {
    err_path_ = name.data();
    pid_ = Spawn(argv, extra_env, null, err);
  }
  if (err >= 0) close(err);
  if (null >= 0) close(null);
  if (pid_ < 0) ended_ = true;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !ended_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (!err_path_.empty()) unlink(err_path_.c_str());
}

bool ChildProcess::Signal(int signal) const { return pid_ > 0 && !ended_ && kill(pid_, signal) == 0; }

bool ChildProcess::running() {
  if (ended_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    ended_ = true;
    Decode(status, &exit_code_, &term_signal_);
  }
  return !ended_;
}

bool ChildProcess::WaitForExit(double seconds) {
  return WaitUntil([this] { return !running(); }, seconds);
}

std::string ChildProcess::StandardError() const { return ReadFile(err_path_); }

namespace {

// The parent of process `pid` from /proc, or -1.
pid_t ParentOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // pid (comm) state ppid ...; comm may hold blanks and parentheses.
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(stat.substr(close + 1));
  std::string state;
  long ppid = -1;
  rest >> state >> ppid;
  return static_cast<pid_t>(ppid);
}

}  // namespace

void KillDescendants(pid_t parent, pid_t spared) {
  std::vector<pid_t> all;
  if (DIR* proc = opendir("/proc")) {
    while (dirent* entry = readdir(proc)) {
      char* end = nullptr;
      long pid = strtol(entry->d_name, &end, 10);
      if (end && *end == '\0' && pid > 0) all.push_back(static_cast<pid_t>(pid));
    }
    closedir(proc);
  }
  for (pid_t pid : all) {
    if (pid == spared || ParentOf(pid) != parent) continue;
    KillDescendants(pid, spared);
    kill(pid, SIGKILL);
  }
}

bool WaitUntil(const std::function<bool()>& done, double seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

std::vector<std::string> LocalizerArguments(const std::string& program, const std::string& input,
                                            const std::string& output, const std::string& status,
                                            const std::string& factor,
                                            const std::string& numerical_aperture,
                                            const std::string& threads) {
  std::vector<std::string> args = {program, input, output};
  if (!status.empty()) args.insert(args.end(), {"-statusFile", status});
  args.insert(args.end(), {"-doGaussianMultiKernelModelFitting", "-dnmf", "-psfSigma", "1.3000",
                           "-photonConversionFactor", factor, "-overlapThreshold", "0.1500",
                           "-numericalAperture", numerical_aperture, "-alphaLocalMax", "0.0010",
                           "-numThreads", threads});
  return args;
}

std::vector<std::string> TrackerArguments(const std::string& program, const std::string& input,
                                          const std::string& output) {
  return {program, input, output, "-maxStd", "100.0000", "-searchRadius", "100.0000",
          "-gapPenalty", "1.5000", "-timeWindow", "3"};
}

}  // namespace tremoscan::testing
