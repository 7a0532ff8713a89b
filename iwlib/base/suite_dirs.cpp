// The suite's directories: the user configuration directory (built once per
// process and created when missing), the base directory and the temporary
// directory.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config_state.h"
#include "config_vars.h"
#include "iwbase.h"

namespace iwbase {
namespace {

constexpr const char* kUserFileName = "user.parc";

// "$HOME/.photarch_<host>", or "$HOME/.photarch" when the host name cannot
// be read; empty when HOME is unset or the path would not fit a path buffer.
std::string UserDirPath() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  char host[IW_PATH_MAX];
  std::string path = std::string(home) + "/.photarch";
  if (gethostname(host, sizeof host) == 0) {
    host[sizeof host - 1] = '\0';
    path += "_";
    path += host;
  }
  std::string file = path + "/" + kUserFileName;
  if (file.size() >= IW_PATH_MAX) return {};
  return path;
}

bool EnsureDirectory(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

void BuildUserDir() {
  ConfigState& state = State();
  state.user_dir_known = true;
  std::string path = UserDirPath();
  if (path.empty() || !EnsureDirectory(path)) {
    std::printf("Could not create user config directory\n");
    std::fflush(stdout);
    return;
  }
  state.user_dir = path;
  state.user_file = path + "/" + kUserFileName;
}

// Copies `value` into a path buffer, cutting what does not fit.
void CopyPath(char* buffer, const char* value) {
  std::snprintf(buffer, IW_PATH_MAX, "%s", value);
}

}  // namespace

const std::string& UserConfigFilePath() {
  if (!State().user_dir_known) BuildUserDir();
  return State().user_file;
}

}  // namespace iwbase

using iwbase::Guarded;

extern "C" const char* IWRtUserConfigDir(void) {
  return Guarded<const char*>(nullptr, [] {
    iwbase::UserConfigFilePath();
    const std::string& dir = iwbase::State().user_dir;
    return dir.empty() ? nullptr : dir.c_str();
  });
}

extern "C" const char* IWRtUserConfigFile(void) {
  return Guarded<const char*>(nullptr, [] {
    const std::string& file = iwbase::UserConfigFilePath();
    return file.empty() ? nullptr : file.c_str();
  });
}

// PA_BASE is probed without its built-in default so that MXBASE and
// TS_BASE are honoured when only they are set. With none of the three set,
// the default is set into all of them, so every later lookup agrees.
extern "C" int IWRtBaseDir(char* buffer) {
  if (!buffer) return -1;
  return Guarded(-1, [&] {
    const char* base = iwbase::LookupVar("PA_BASE", iwbase::LookupEnd::kProbe);
    if (!base) base = iwbase::FirstSetVar({"MXBASE", "TS_BASE"});
    if (base) {
      iwbase::CopyPath(buffer, base);
      return 1;
    }
    iwbase::CopyPath(buffer, iwbase::kDefaultBaseDir);
    IWAlVar("PA_BASE", iwbase::kDefaultBaseDir);
    IWAlVar("MXBASE", iwbase::kDefaultBaseDir);
    IWAlVar("TS_BASE", iwbase::kDefaultBaseDir);
    return 1;
  });
}

extern "C" int IWRtTmpDir(char* buffer) {
  if (!buffer) return -1;
  return Guarded(-1, [&] {
    const char* dir = iwbase::FirstSetVar({"PA_TMP", "MX_TMP", "TS_TMP", "QIX_SHMDIR"});
    iwbase::CopyPath(buffer, dir ? dir : "/tmp");
    return 1;
  });
}
