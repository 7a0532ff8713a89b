// batch_progress.cpp - the terminal progress line: carriage return, the
// text, and "erase to the end of the line", so it never scrolls.
#include "batch_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace {

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;  // a terminal that refuses the line loses only the line
    done += static_cast<size_t>(n);
  }
}

}  // namespace

ProgressLine::ProgressLine(int fd) : fd_(dup(fd)) {}

ProgressLine::~ProgressLine() {
  Clear();
  if (fd_ >= 0) close(fd_);
}

void ProgressLine::Show(const std::string& text) {
  struct winsize size = {};
  size_t width = ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 ? size.ws_col - 1 : 79;
  WriteAll(fd_, "\r" + text.substr(0, width) + "\033[K");
  shown_ = true;
}

void ProgressLine::Clear() {
  if (!shown_) return;
  WriteAll(fd_, "\r\033[K");
  shown_ = false;
}

std::string TimeLeftText(double elapsed, double fraction) {
  if (!(fraction > 0) || fraction > 1) return {};
  double left = elapsed * (1 - fraction) / fraction;
  char text[40];
  if (left < 90)
    snprintf(text, sizeof text, "about %.0f s left", left);
  else
    snprintf(text, sizeof text, "about %.0f min left", left / 60);
  return text;
}

double MonotonicSeconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec + now.tv_nsec * 1e-9;
}
