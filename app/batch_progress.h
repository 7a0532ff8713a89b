// batch_progress.h - the one updating line tremoscan-batch shows on a
// terminal instead of its status lines: what runs, how far it is and how
// long it will still take.
#pragma once

#include <string>

class ProgressLine {
 public:
  // Draws on `fd`, a terminal, through a copy of it: the line stays on the
  // terminal while `fd` itself is sent elsewhere.
  explicit ProgressLine(int fd);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Replaces the line with `text`, cut to the terminal's width.
  void Show(const std::string& text);
  // Empties the line so that other output starts on a clean line.
  void Clear();

 private:
  int fd_;
  bool shown_ = false;
};

// "about N s left" (or minutes) for work begun `elapsed` seconds ago of
// which `fraction` is done; empty while nothing is done yet.
std::string TimeLeftText(double elapsed, double fraction);

// Seconds on a clock that never goes back.
double MonotonicSeconds();
