// child_process.cpp - see child_process.h.
#include "child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "calculation.h"
#include "iwbase.h"
#include "wmlib.h"

ChildArguments::ChildArguments() : count_(0) {
  for (char*& slot : slots_) slot = nullptr;
}

ChildArguments::~ChildArguments() {
  for (char* slot : slots_) free(slot);
}

bool ChildArguments::Add(const char* text) {
  if (count_ >= kArgumentSlots - 1) return false;
  slots_[count_++] = strdup(text ? text : "");
  return true;
}

bool ChildArguments::AddNumber(const char* format, double value) {
  char text[32];
  snprintf(text, sizeof text, format, value);
  return Add(text);
}

void ChildArguments::Print(const char* title, const char* output) const {
  printf("%s\n", title);
  for (int i = 0; i < count_; ++i) printf("%s ", slots_[i]);
  printf("\n\n");
  printf("Output File will be %s\n", output);
  fflush(stdout);
}

std::string SuiteProgramPath(const char* name) {
  char base[256];
  IWRtBaseDir(base);
  std::string path = std::string(base) + "/bin/" + "x86_64" + "/" + name;
  if (path.size() > 255) path.resize(255);
  return path;
}

pid_t StartChild(char** argv) {
  fflush(stdout);
  fflush(stderr);
  pid_t pid = fork();
  if (pid == 0) {
    execv(argv[0], argv);
    // Nothing to run: the child ends quietly and the stage finds out from
    // the missing output.
    _exit(0);
  }
  return pid;
}

ChildEnd WaitForChild(pid_t pid, const std::function<void()>& on_poll) {
  for (;;) {
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r < 0) return {ChildEnd::kWaitFailed, errno};
    if (r == pid && WIFSIGNALED(status)) return {ChildEnd::kSignaled, WTERMSIG(status)};
    if (r == pid && WIFEXITED(status)) return {ChildEnd::kExited, WEXITSTATUS(status)};
    if (on_poll) on_poll();
    if (kill(pid, 0) == 0) {
      usleep(500);
      WMProcessEvents(0);
    }
  }
}

int ReportChildEnd(VibrationApp* app, const ChildEnd& end, const char* stage,
                   const std::function<int(int status)>& on_exit_status) {
  const std::string name = stage;
  switch (end.kind) {
    case ChildEnd::kWaitFailed:
      WMShowWarning("Lost track of %s child process.\nError: %s", stage, strerror(end.value));
      SetStatus(app, (name + " failed").c_str());
      return 1;
    case ChildEnd::kSignaled:
      if (end.value == SIGQUIT) {
        SetStatus(app, (name + " canceled").c_str());
      } else {
        SetStatus(app, (name + " failed").c_str());
        WMShowWarning("%s process failed\ndue to signal %d", stage, end.value);
      }
      return 1;
    case ChildEnd::kExited:
      break;
  }
  if (end.value != 0) return on_exit_status(end.value);
  SetStatus(app, (name + " finished").c_str());
  return 0;
}
