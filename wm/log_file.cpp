// log_file.cpp - the per-user log of every warning and error shown.
//
// Each line is "[<ctime without its line end>]: <message>", appended with
// one open/append/close so several processes of the suite can share the
// file. A current file larger than 1199999 bytes is rotated before the next
// line: generation 5 is dropped, 4..1 move up by one, the current file
// becomes generation 1. A log that cannot be opened never stops the
// program: the line goes to standard error instead.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <strings.h>
#include <string>

#include "escaped_exception.h"
#include "iwbase.h"
#include "log_file_testing.h"
#include "wmlib.h"

namespace {

const long kRotateAbove = 1199999;  // bytes
const int kGenerations = 5;

struct LogState {
  bool located = false;
  std::string directory;  // log directory (or the home directory, or /tmp)
  std::string stem;       // "/photarchlog", "/matrixonlog" or "/helixonlog"
} gLog;

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void Locate() {
  if (gLog.located) return;
  gLog.located = true;
  const char* app = IWRtVar("PA_APPLICATION");
  const char* dir_name = "photarch-logs";
  const char* stem = "/photarchlog";
  if (app && strcasecmp(app, "matrixon") == 0) {
    dir_name = "matrixon-logs";
    stem = "/matrixonlog";
  } else if (app && strcasecmp(app, "helixon") == 0) {
    dir_name = "helixon-logs";
    stem = "/helixonlog";
  }
  gLog.stem = stem;
  const char* home_env = getenv("HOME");
  std::string home = home_env ? home_env : "";
  std::string wanted = home + "/" + dir_name;
  if (IsDirectory(wanted) || mkdir(wanted.c_str(), 0755) == 0)
    gLog.directory = wanted;
  else if (!home.empty() && IsDirectory(home))
    gLog.directory = home;
  else
    gLog.directory = "/tmp";
}

std::string Generation(int n) {
  return gLog.directory + gLog.stem + std::to_string(n) + ".txt";
}

void RotateIfLarge(const std::string& current) {
  if (access(current.c_str(), F_OK) != 0) return;
  struct stat st;
  if (stat(current.c_str(), &st) != 0) {
    printf("Error checking Log File: %s\n", strerror(errno));
    return;
  }
  if (st.st_size <= kRotateAbove) return;
  std::string oldest = Generation(kGenerations);
  if (access(oldest.c_str(), F_OK) == 0) unlink(oldest.c_str());
  for (int g = kGenerations - 1; g >= 1; --g) {
    std::string from = Generation(g);
    if (access(from.c_str(), F_OK) == 0) rename(from.c_str(), Generation(g + 1).c_str());
  }
  rename(current.c_str(), Generation(1).c_str());
}

}  // namespace

void wm::ResetLogLocationForTesting() { gLog = LogState(); }

extern "C" {

const char* WMRtLogDirectory(void) try {
  Locate();
  return gLog.directory.c_str();
} catch (...) {
  wm::ReportEscapedException("WMRtLogDirectory");
  return {};
}

int WMLog(const char* format, ...) try {
  time_t now = time(nullptr);
  char stamp[32];
  ctime_r(&now, stamp);
  stamp[strcspn(stamp, "\n")] = '\0';

  char message[2000];
  va_list ap;
  va_start(ap, format);
  vsnprintf(message, sizeof message, format, ap);
  va_end(ap);

  Locate();
  std::string current = gLog.directory + gLog.stem + ".txt";
  RotateIfLarge(current);
  FILE* f = fopen(current.c_str(), "a");
  if (!f) {
    fprintf(stderr, "[%s]: %s\n", stamp, message);
    return -1;
  }
  fprintf(f, "[%s]: %s\n", stamp, message);
  fflush(f);
  fclose(f);
  return 0;
} catch (...) {
  wm::ReportEscapedException("WMLog");
  return {};
}

}  // extern "C"
