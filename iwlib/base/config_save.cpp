// Writing the user's configuration file.
//
// The new contents are built from the current file: every line of two or
// more bytes (its line end counted) is copied byte for byte unless its
// first word (exact case) is a variable set in this process; lines of one
// byte (an empty line, or a single character ending the file) are dropped.
// Then the variables set in this process follow in the order they were
// first set; a variable set to the empty string is thereby removed.
//
// Nothing the user wrote may be lost on a failed save, so the file is never
// rewritten in place:
//   1. the new contents go to a fresh temporary file beside it, written
//      out to disk (a failure removes it and leaves everything as it was);
//   2. the previous file becomes "<file>.bak" (a hard link, so the file
//      name never disappears; a rename where links are not possible);
//   3. the temporary is renamed over the file.
// The ".bak" file stays as the copy of the previous state.
//
// A last line without a line end is kept as it is; only when variables
// are appended after it does it get a line end, so that it is not merged
// with the first appended line.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "config_cache.h"
#include "config_files.h"
#include "config_state.h"
#include "config_vars.h"
#include "iwbase.h"

namespace iwbase {
namespace {

constexpr int kSaved = 0;
constexpr int kBackupFailed = -1;
constexpr int kUnavailable = -2;

// The whole file at path into *text; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* text) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char chunk[8192];
  ssize_t n;
  while ((n = read(fd, chunk, sizeof chunk)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text->append(chunk, size_t(n));
  }
  close(fd);
  return n == 0;
}

// The lines of the previous file that the save keeps, unchanged.
std::string KeptLines(std::string_view old_text) {
  std::string kept;
  while (!old_text.empty()) {
    size_t end = old_text.find('\n');
    size_t length = end == std::string_view::npos ? old_text.size() : end + 1;
    std::string_view line = old_text.substr(0, length);
    old_text.remove_prefix(length);
    if (line.size() < 2) continue;
    std::string_view name, value;
    SplitConfigLine(line.substr(0, line.find('\n')), &name, &value);
    if (!IsInSaveList(name)) kept.append(line);
  }
  return kept;
}

std::string NewContents(const std::string& old_text) {
  std::string text = KeptLines(old_text);
  std::string appended;
  for (const VarEntry& entry : State().save_list) {
    if (!entry.name.empty() && !entry.value.empty())
      appended += entry.name + " " + entry.value + "\n";
  }
  if (!appended.empty() && !text.empty() && text.back() != '\n') text += '\n';
  return text + appended;
}

// Writes text to a new temporary file beside path and makes it durable;
// its name goes to *temporary. False (nothing left behind) on failure.
bool WriteTemporary(const std::string& path, const std::string& text, mode_t mode,
                    std::string* temporary) {
  std::string name = path + ".XXXXXX";
  int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fchmod(fd, mode) == 0;
  for (size_t done = 0; ok && done < text.size();) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += size_t(n);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok) {
    unlink(name.c_str());
    return false;
  }
  *temporary = name;
  return true;
}

// Makes backup name the previous file, keeping path in place when it can.
bool KeepPreviousAs(const std::string& path, const std::string& backup) {
  if (unlink(backup.c_str()) != 0 && errno != ENOENT) return false;
  return link(path.c_str(), backup.c_str()) == 0 ||
         std::rename(path.c_str(), backup.c_str()) == 0;
}

int SaveUserConfig() {
  const std::string& path = UserConfigFilePath();
  if (path.empty()) return kUnavailable;

  struct stat old_file;
  bool had_file = stat(path.c_str(), &old_file) == 0;
  std::string old_text;
  // A previous file that cannot be read would be replaced by one without
  // its lines: leave it alone instead.
  if (had_file && !ReadWholeFile(path, &old_text)) return kUnavailable;

  std::string temporary;
  mode_t mode = had_file ? old_file.st_mode & 07777 : 0644;
  if (!WriteTemporary(path, NewContents(old_text), mode, &temporary)) return kUnavailable;
  if (had_file && !KeepPreviousAs(path, path + ".bak")) {
    unlink(temporary.c_str());
    return kBackupFailed;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return kUnavailable;
  }
  return kSaved;
}

}  // namespace
}  // namespace iwbase

extern "C" int IWSaveUserConfig(void) { return iwbase::Guarded(-2, iwbase::SaveUserConfig); }
