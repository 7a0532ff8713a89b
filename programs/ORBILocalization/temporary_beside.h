// The temporary files of the localization file and the status file: the
// engine's exclusive creation beside the final name, as a stdio stream.
#pragma once

#include <cstdio>
#include <string>

namespace orbi {

// Opens a new file named path + tag + six unique characters for writing;
// its name goes to *name. Null (errno set, nothing left behind) on failure.
std::FILE* OpenTemporaryBeside(const std::string& path, const char* tag, std::string* name);

}  // namespace orbi
