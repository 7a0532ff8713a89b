// The text format shared by the user's and the suite's configuration files:
// one variable per line, a name, blanks (spaces or tabs) and a value.
#pragma once

#include <string>
#include <string_view>

#include "iwbase.h"

namespace iwbase {

// Bytes of one line that a lookup reads, line end and NUL included; the
// rest of a longer line is ignored.
inline constexpr int kConfigLineMax = 256;

// What looking a name up in a configuration file found.
enum class FileLookup {
  kUnreadable,  // the file could not be opened
  kAbsent,      // no line starts with the name
  kFound,       // the first line with the name; its value may be empty
};

// Splits a line into its first blank-separated word and the rest with white
// space trimmed from both ends. Either part may come back empty.
void SplitConfigLine(std::string_view line, std::string_view* name, std::string_view* value);

// Looks `name` up in the file at `path`, comparing names without regard to
// case; the first matching line wins and its value goes to `value`.
FileLookup FindInConfigFile(const std::string& path, std::string_view name, std::string* value);

// Case-insensitive equality of two ASCII texts.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return IWEqualsIgnoringCase(a.data(), a.size(), b.data(), b.size()) != 0;
}

}  // namespace iwbase
