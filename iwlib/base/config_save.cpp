// Writing the user's configuration file.
//
// The old file is renamed to "<file>.bak" and the new one is written from
// it: every line is copied unchanged except blank lines and lines whose
// first word (exact case) is a variable set in this process; then the
// variables set in this process follow in the order they were first set.
// A variable set to the empty string is thereby removed from the file. The
// ".bak" file stays as the copy of the previous state.
//
// Lines are copied whole whatever their length, and a last line without a
// line end gets one, so that nothing of the old file is lost or merged
// with the appended lines.
#include <unistd.h>

#include <cstdio>
#include <fstream>
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

bool IsBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t\r\v\f") == std::string_view::npos;
}

// Copies the kept lines of the previous file into `out`.
void CopyKeptLines(const std::string& backup, FILE* out) {
  std::ifstream in(backup, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (IsBlankLine(line)) continue;
    std::string_view name, value;
    SplitConfigLine(line, &name, &value);
    if (IsInSaveList(name)) continue;
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputc('\n', out);
  }
}

int SaveUserConfig() {
  int rc = kSaved;
  const std::string& path = UserConfigFilePath();
  if (path.empty()) return kUnavailable;

  std::string backup = path + ".bak";
  bool had_file = false;
  FILE* out = nullptr;
  if (access(path.c_str(), F_OK) == 0) {
    had_file = true;
    if (std::rename(path.c_str(), backup.c_str()) != 0) return kBackupFailed;
  }

  out = std::fopen(path.c_str(), "w");
  if (!out) return kUnavailable;
  if (had_file) CopyKeptLines(backup, out);
  for (const VarEntry& entry : State().save_list) {
    if (!entry.name.empty() && !entry.value.empty())
      std::fprintf(out, "%s %s\n", entry.name.c_str(), entry.value.c_str());
  }
  if (std::fclose(out) != 0) rc = kUnavailable;
  return rc;
}

}  // namespace
}  // namespace iwbase

extern "C" int IWSaveUserConfig(void) { return iwbase::Guarded(-2, iwbase::SaveUserConfig); }
