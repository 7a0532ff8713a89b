// shell_command.h - running the layer's shell command lines (the help
// viewer, the bell player) the way their texts are written: with bash
// syntax such as ">&", which a plain POSIX sh does not understand.
#pragma once

namespace wm {

// Runs `command` through bash (or /bin/sh when bash is missing) and waits
// for it. Returns the shell's wait status as system(3) does, -1 on failure.
int RunShellCommand(const char* command);

}  // namespace wm
