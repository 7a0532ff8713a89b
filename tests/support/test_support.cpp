// Implementation of the shared test helpers: temp directories, environment,
// files and child processes (fork/exec with pipes, polled so neither pipe can
// fill up and stall the child).
#include "test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extra_env) {
  ProcessResult result;
  int out_pipe[2], err_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) return result;

  // Extra entries replace inherited ones of the same name (a process sees
  // only the first of two entries with one name).
  auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e) {
    std::string entry(*e);
    bool replaced = false;
    for (const auto& extra : extra_env) replaced = replaced || name_of(extra) == name_of(entry);
    if (!replaced) env_strings.push_back(entry);
  }
  for (const auto& e : extra_env) env_strings.push_back(e);
  std::vector<char*> envp, args;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_copy = argv;
  for (auto& s : argv_copy) args.push_back(s.data());
  args.push_back(nullptr);

  pid_t pid = fork();
  if (pid == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    close(out_pipe[0]);
    close(err_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
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
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.term_signal = WTERMSIG(status);
  return result;
}

int SaveWindowPicture(const std::string& display_name, unsigned long window,
                      const std::string& output) {
  const std::string dump = output + ".xwd";
  const ProcessResult xwd =
      RunProcess({"/usr/bin/xwd", "-silent", "-id", std::to_string(window), "-out", dump},
                 {"DISPLAY=" + display_name});
  int rc = xwd.exit_code;
  if (rc != 0) {
    std::fprintf(stderr, "xwd failed: %s\n", xwd.err.c_str());
  } else {
    const ProcessResult convert = RunProcess({"/usr/bin/convert", "xwd:" + dump, output});
    rc = convert.exit_code;
    if (rc != 0) std::fprintf(stderr, "convert failed: %s\n", convert.err.c_str());
  }
  unlink(dump.c_str());
  return rc == 0 ? 0 : 1;
}

}  // namespace tremoscan::testing
