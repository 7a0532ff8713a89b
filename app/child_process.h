// child_process.h - running one of the suite's analysis programs as a child
// process while the window stays alive.
//
// The argument vector has 50 slots, each a heap copy, freed after the child
// ends. Waiting polls the child without blocking every 500 microseconds and
// dispatches the pending toolkit events between polls, so the window repaints
// and its buttons react while the child works.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

constexpr int kArgumentSlots = 50;

class ChildArguments {
 public:
  ChildArguments();
  ~ChildArguments();
  ChildArguments(const ChildArguments&) = delete;
  ChildArguments& operator=(const ChildArguments&) = delete;

  // Appends a heap copy of `text`; false when all slots but the closing
  // null are taken.
  bool Add(const char* text);
  bool Add(const std::string& text) { return Add(text.c_str()); }
  // Appends `value` written with the printf `format` of one number.
  bool AddNumber(const char* format, double value);
  char** vector() { return slots_; }
  // Prints "<title>" and a line end, every argument followed by a blank,
  // two line ends, and "Output File will be <output>" to standard output.
  void Print(const char* title, const char* output) const;

 private:
  char* slots_[kArgumentSlots];
  int count_;
};

// "<suite base>/bin/x86_64/<name>" as the stages build it in their 256-byte
// buffers (a longer path is cut there, and then simply not found).
std::string SuiteProgramPath(const char* name);

// How a waited-for child ended.
struct ChildEnd {
  enum Kind { kExited, kSignaled, kWaitFailed } kind;
  int value;  // exit status, signal number, or errno of the failed wait
};

// Forks; the child executes the vector (a program that cannot be executed
// makes the child exit with status 0). Returns the child's id, or -1.
pid_t StartChild(char** argv);

// Waits for `pid` as described above; `on_poll` runs once per poll while
// the child is still running.
ChildEnd WaitForChild(pid_t pid, const std::function<void()>& on_poll);

struct VibrationApp;

// What a stage tells the user about its child's end, the same for both
// stages but for the stage name `stage` ("Tracking Analysis", say): a lost
// child and a signal other than SIGQUIT fail the stage with a warning,
// SIGQUIT cancels it, exit status 0 finishes it. Any other exit status goes
// to `on_exit_status`, which reports it the stage's own way. Returns 0
// when the stage finished, else the stage's result (1, or what
// `on_exit_status` returned).
int ReportChildEnd(VibrationApp* app, const ChildEnd& end, const char* stage,
                   const std::function<int(int status)>& on_exit_status);
