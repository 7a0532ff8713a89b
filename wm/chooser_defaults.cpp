// chooser_defaults.cpp - the file chooser's start directory and types, the
// remembered defaults in the keyed value file, and the one-call settings of
// Select File (see chooser_defaults.h).
//
// Start of a Select File, in order:
//   (1) remembered defaults off for this call: the caller's directory and
//       types, and the key pair emptied so that the choice is not stored;
//   (2) the keyed file lacks a record for a key of the pair: the caller's
//       directory and types, stored at once under the pair when both are
//       given;
//   (3) otherwise the home directory and "*", replaced by the application's
//       data directory for the default pair, then by the stored values.
// A start directory that does not exist is replaced by the home directory.
#include "chooser_defaults.h"

#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "escaped_exception.h"
#include "iwbase.h"
#include "keyed_file.h"
#include "wmlib.h"

namespace wm {

const char* const kDefaultDirKey = "QIX_DEF_DIR:";
const char* const kDefaultTypesKey = "QIX_DEF_FILE_EXT:";

namespace {

struct ChooserDefaultsState {
  ChooserCallSettings next{kDefaultDirKey, kDefaultTypesKey, false, false};
} gDefaults;

bool IsDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Clip(const std::string& text, size_t limit) {
  return text.size() > limit ? text.substr(0, limit) : text;
}

// Reads the keyed file; an unreadable file counts as empty.
KeyedFile ReadKeyedFile() {
  KeyedFile file;
  std::string path = KeyedFilePath();
  if (!path.empty()) file.Read(path);
  return file;
}

// Home, the data directory of the default pair, then the stored values.
ChooserStart RememberedStart(const KeyedFile& file, const std::string& dir_key,
                             const std::string& types_key) {
  ChooserStart start{HomeDirectory(), "*"};
  if (dir_key == kDefaultDirKey) {
    std::string data = ApplicationDataDirectory();
    if (!data.empty()) start.directory = data;
  }
  std::string value;
  if (file.GetText(dir_key, &value) && !value.empty()) start.directory = value;
  if (file.GetText(types_key, &value) && !value.empty()) start.types = value;
  return start;
}

}  // namespace

ChooserCallSettings& NextChooserCall() { return gDefaults.next; }

void ResetChooserCall() { gDefaults.next = {kDefaultDirKey, kDefaultTypesKey, false, false}; }

std::string HomeDirectory() {
  const char* home = getenv("HOME");
  return home && *home ? home : "/";
}

std::string ApplicationDataDirectory() {
  static const struct {
    const char* application;
    const char* variable;
  } kDataDirs[] = {{"tessaron", "TS_DATA"}, {"matrixon", "MX_DATA"}, {"helixon", "HX_DATA"}};
  const char* application = IWRtVar("PA_APPLICATION");
  if (!application) return "";
  for (const auto& d : kDataDirs) {
    if (strcasecmp(application, d.application) != 0) continue;
    const char* dir = IWRtVar(d.variable);
    return dir ? dir : "";
  }
  return "";
}

ChooserStart DecideChooserStart(ChooserCallSettings* call, const std::string& caller_dir,
                                const std::string& caller_types) {
  std::string dir = Clip(caller_dir, kChooserPathMax - 1);
  std::string types = Clip(caller_types, kChooserTypesMax);
  ChooserStart start;
  if (call->defaults_off) {
    call->dir_key.clear();
    call->types_key.clear();
    start = {dir, types};
  } else {
    KeyedFile file = ReadKeyedFile();
    if (!file.Find(call->dir_key) || !file.Find(call->types_key)) {
      start = {dir, types};
      if (!dir.empty() && !types.empty()) RememberChooserChoice(*call, dir, types);
    } else {
      start = RememberedStart(file, call->dir_key, call->types_key);
    }
  }
  if (!IsDirectory(start.directory)) start.directory = HomeDirectory();
  if (start.types.empty()) start.types.push_back('*');
  return start;
}

void RememberChooserChoice(const ChooserCallSettings& call, const std::string& directory,
                           const std::string& types) {
  if (call.dir_key.empty() || call.types_key.empty()) return;
  std::string path = KeyedFilePath();
  if (path.empty()) return;  // no configuration directory: nothing is remembered
  KeyedFile file;
  std::string error;
  if (!file.Read(path)) {
    // Never replace a file that could not be read: its records would be lost.
    error = strerror(errno);
  } else {
    file.SetText(call.dir_key, directory);
    file.SetText(call.types_key, types);
    if (file.Write(path, &error)) return;
  }
  WMShowWarning("The chosen directory could not be remembered in\n%s\n\n(%s)", path.c_str(),
                error.c_str());
}

}  // namespace wm

using namespace wm;

extern "C" {

void WMSetChooserKeys(const char* dir_key, const char* types_key) try {
  // Each key is copied into a key buffer of the chooser's text size.
  try {
    gDefaults.next.dir_key = Clip(dir_key ? dir_key : "", kChooserPathMax - 1);
    gDefaults.next.types_key = Clip(types_key ? types_key : "", kChooserPathMax - 1);
  } catch (const std::exception& e) {
    fprintf(stderr, "WMSetChooserKeys: %s\n", e.what());
  }
} catch (...) {
  wm::ReportEscapedException("WMSetChooserKeys");
}

void WMDisableChooserDefaults(void) { gDefaults.next.defaults_off = true; }

void WMWantChooserDatabase(void) { gDefaults.next.want_database = true; }

}  // extern "C"
