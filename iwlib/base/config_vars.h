// Internal entry points of the variable lookup, shared by the files that
// build the suite's directory and size settings on top of it.
#pragma once

#include <initializer_list>
#include <string>

namespace iwbase {

// Installation directory assumed when no base directory is configured.
inline constexpr const char* kDefaultBaseDir = "/usr/local/Photarch";

// How far a lookup goes when no source has the variable.
enum class LookupEnd {
  kFull,   // IWRtVar: PA_BASE falls back to the default, other names are recorded unset
  kProbe,  // stop without a default and without recording anything
};

// Looks `name` up through the arena, cache, environment, user file and
// system file. Returns the value text (owned by the cache or the arena) or
// null when unset or empty.
const char* LookupVar(const char* name, LookupEnd end);

// The value of the first variable of `names` that is set, or null.
const char* FirstSetVar(std::initializer_list<const char*> names);

// Path of the user's configuration file, building the user directory on
// first use; empty when it is not available.
const std::string& UserConfigFilePath();

}  // namespace iwbase
