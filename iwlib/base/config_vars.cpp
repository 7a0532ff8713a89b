// Looking configuration variables up and setting them.
//
// Lookup order, the first source that knows the name decides:
//   1. the named block of that name in the shared arena (attached only);
//   2. the process cache;
//   3. the environment (copied into the cache);
//   4. the user's file (copied into the cache);
//   5. the suite's system file under the base directory (copied into the
//      cache); a missing system file is reported (once per process: every
//      lookup of an unknown name would repeat it) and the lookup goes on;
//   6. PA_BASE alone falls back to the default installation directory;
//   7. anything else is unset: recorded as an empty cache entry, and when
//      attached as an empty named block, so every tool of the user agrees.
// An empty value from any source means unset.
//
// Setting retires the old cache entry, appends the new one, records the
// setting for the next save (unless the name begins with "^") and, when
// attached, replaces the variable's named block.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "config_cache.h"
#include "config_files.h"
#include "config_state.h"
#include "config_vars.h"
#include "iwbase.h"

namespace iwbase {
namespace {

constexpr const char* kBaseVar = "PA_BASE";
constexpr const char* kSystemFile = "config/system.parc";

// The variable's named block in the arena, or null (always null while the
// process is not attached).
const char* SharedValue(const char* name) {
  if (!IWIsAttached()) return nullptr;
  return static_cast<const char*>(IWRtNamedSHMAdd(name));
}

// The base directory used to find the system file. It is read from the
// arena, the cache and the environment only: the system file cannot name
// its own location.
std::string SystemFileBaseDir() {
  const char* shared = SharedValue(kBaseVar);
  if (shared && *shared) return shared;
  const VarEntry* cached = FindCached(kBaseVar);
  if (cached && !cached->value.empty()) return cached->value;
  const char* env = std::getenv(kBaseVar);
  if (env && *env) return env;
  return kDefaultBaseDir;
}

// Replaces the variable's named block with one holding `value`.
void PublishShared(const char* name, const char* value) {
  if (!IWIsAttached()) return;
  void* old_block = IWRtNamedSHMAdd(name);
  if (old_block) IWFreeNamedSHM(old_block);
  size_t bytes = std::strlen(value) + 1;
  void* block = IWAlcNamedSHM(1, static_cast<int64_t>(bytes), name);
  if (block) std::memcpy(block, value, bytes);
}

}  // namespace

const char* LookupVar(const char* name, LookupEnd end) {
  if (!name || !*name) return nullptr;

  if (const char* shared = SharedValue(name)) return *shared ? shared : nullptr;

  if (const VarEntry* cached = FindCached(name))
    return cached->value.empty() ? nullptr : cached->value.c_str();

  if (const char* env = std::getenv(name)) return AddCached(name, env);

  std::string value;
  const std::string& user_file = UserConfigFilePath();
  if (!user_file.empty() && FindInConfigFile(user_file, name, &value) == FileLookup::kFound)
    return AddCached(name, value);

  std::string system_file = SystemFileBaseDir() + "/" + kSystemFile;
  FileLookup found = FindInConfigFile(system_file, name, &value);
  if (found == FileLookup::kUnreadable && !State().missing_system_file_told) {
    State().missing_system_file_told = true;
    std::fprintf(stderr, "Unable to find PA configuration file: %s\n", system_file.c_str());
  }
  if (found == FileLookup::kFound) return AddCached(name, value);

  if (end == LookupEnd::kProbe) return nullptr;

  if (std::strcmp(name, kBaseVar) == 0) {
    const char* shared = SharedValue(kBaseVar);
    return AddCached(name, shared ? shared : kDefaultBaseDir);
  }

  if (IWIsAttached()) IWAlcNamedSHM(1, 1, name);
  return AddCached(name, "");
}

const char* FirstSetVar(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (const char* value = LookupVar(name, LookupEnd::kFull)) return value;
  }
  return nullptr;
}

}  // namespace iwbase

using iwbase::Guarded;

extern "C" const char* IWRtVar(const char* name) {
  return Guarded<const char*>(nullptr,
                              [&] { return iwbase::LookupVar(name, iwbase::LookupEnd::kFull); });
}

extern "C" char* IWRtVarCopyN(const char* name, char* buffer, size_t size) {
  if (!buffer || size == 0) return nullptr;
  const char* value = IWRtVar(name);
  if (!value) return nullptr;
  std::snprintf(buffer, size, "%s", value);
  return buffer;
}

extern "C" char* IWRtVarCopy(const char* name, char* buffer) {
  return IWRtVarCopyN(name, buffer, IW_PATH_MAX);
}

// An empty name is cached like any other (no lookup ever asks for it) and
// never saved; a null name cannot be held at all.
extern "C" int IWAlVar(const char* name, const char* value) {
  if (!name) return -1;
  if (!value) value = "";
  return Guarded(-1, [&] {
    iwbase::RetireCached(name);
    iwbase::AddCached(name, value);
    iwbase::RememberForSave(name, value);
    iwbase::PublishShared(name, value);
    return 1;
  });
}
