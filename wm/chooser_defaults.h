// chooser_defaults.h - where the file chooser starts and what it remembers.
//
// The chooser remembers a default directory and default file types in the
// keyed value file, under a pair of keys: "QIX_DEF_DIR:" and
// "QIX_DEF_FILE_EXT:" unless a caller set its own pair for the next Select
// File (WMSetChooserKeys). The pair and the other one-call settings (the
// remembered defaults switched off, the database page wanted) go back to
// their defaults at the end of every Select File.
#pragma once

#include <string>

namespace wm {

// Size of the chooser's path and text buffers in bytes, NUL included.
constexpr size_t kChooserPathMax = 256;
// Longest file types text a caller can hand to Select File.
constexpr size_t kChooserTypesMax = 50;

extern const char* const kDefaultDirKey;    // "QIX_DEF_DIR:"
extern const char* const kDefaultTypesKey;  // "QIX_DEF_FILE_EXT:"

// Settings of the next Select File only.
struct ChooserCallSettings {
  std::string dir_key;       // remembered-directory key ("" = remember nothing)
  std::string types_key;     // remembered-types key
  bool defaults_off = false; // the caller's directory and types are used as given
  bool want_database = false;  // the caller asks for the database page
};

// The settings in force for the next Select File.
ChooserCallSettings& NextChooserCall();
// Back to the default pair with the remembered defaults on and no database.
void ResetChooserCall();

// The directory and types a Select File starts with.
struct ChooserStart {
  std::string directory;  // existing directory to list first
  std::string types;      // file types text ("*" when none)
};

// Decides the start of a Select File from the caller's directory and types
// and the settings of this call (which may empty the key pair when the
// remembered defaults are off, and may store the caller's values at once).
ChooserStart DecideChooserStart(ChooserCallSettings* call, const std::string& caller_dir,
                                const std::string& caller_types);

// After a choice: stores `directory` and `types` under the call's pair
// (nothing when the pair is empty).
void RememberChooserChoice(const ChooserCallSettings& call, const std::string& directory,
                           const std::string& types);

// The data directory that the application's kind selects (PA_APPLICATION
// "tessaron", "matrixon" or "helixon" with TS_DATA, MX_DATA or HX_DATA
// set), or "".
std::string ApplicationDataDirectory();

// The home directory ("HOME"), or "/" when it is not set.
std::string HomeDirectory();

}  // namespace wm
