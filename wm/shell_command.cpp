// shell_command.cpp - see shell_command.h.
#include "shell_command.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace wm {

int RunShellCommand(const char* command) {
  if (!command) return -1;
  const char* shell = access("/bin/bash", X_OK) == 0 ? "/bin/bash" : "/bin/sh";
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    execl(shell, shell, "-c", command, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

}  // namespace wm
