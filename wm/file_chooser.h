// file_chooser.h - the suite's file chooser: the record of one open
// chooser and the calls its parts share.
//
// One chooser is open at a time (it runs its own event loop until the
// user is done). Its life:
//
//   built [BuildChooserWindow] -> running (nested loop in RunChooser)
//     -> OK: callback with the chosen path [AcceptChoice]
//     -> Cancel / window close: callback without a path [CancelChooser]
//   -> destroyed: the window popped down and destroyed, the record freed
//      with it [RunChooser, ChooserDestroyedCB]
//
// Invariants while running:
//  (1) `current_dir` ends in "/" after every listing and names the
//      directory the list shows;
//  (2) `listing.items[i]` is the text of list position i + 1;
//  (3) `chosen` is empty until OK accepted a path.
#pragma once

#include <X11/Intrinsic.h>

#include <string>
#include <vector>

#include "chooser_defaults.h"
#include "chooser_preview.h"
#include "directory_listing.h"

namespace wm {

// The caller's selection callback: the chosen path (nullptr when the
// chooser was cancelled), the current directory, the types text.
typedef void (*ChooserCallback)(const char* chosen, const char* directory, const char* types,
                                void* client_data);

// Where the database page keeps its state once it exists (see
// chooser_database_page.h); the plain chooser leaves it empty.
struct ChooserDatabasePart;

struct FileChooser {
  // Texts (fixed 256-byte buffers, NUL-terminated)
  char current_dir[kChooserPathMax];  // listed directory, ends in "/" (invariant 1)
  char chosen[kChooserPathMax];       // accepted path, "" = nothing chosen (invariant 3)
  char name_text[kChooserPathMax];    // text of the file name field
  char types_text[kChooserPathMax];   // text of the file types field, default "*"
  char scratch[kChooserPathMax];      // scratch path
  char dir_text[kChooserPathMax];     // text of the directory selector

  // Sorting (PA_FILE_CHOOSER_SORT_DATE / _SORT_DIR / _CASE_SENS)
  SortOrder order;

  // Mode
  int folder_mode = 0;         // 1: the chooser picks a directory
  int initial_name_given = 0;  // 1: the caller proposed a name
  int running = 0;             // 1 while the nested loop must go on
  ChooserCallback callback = nullptr;  // the caller's selection callback
  void* client_data = nullptr;

  // Widgets
  Widget shell = nullptr;         // the chooser's dialog shell
  Widget dir_combo = nullptr;     // the editable directory selector
  Widget list = nullptr;          // the file list (XmList)
  Widget name_field = nullptr;    // file name field
  Widget types_field = nullptr;   // file types field
  Widget date_button = nullptr;   // sort by date
  Widget name_button = nullptr;   // sort by name
  Widget ok_button = nullptr;
  Widget cancel_button = nullptr;
  Widget new_button = nullptr;    // creates a directory
  Widget up_button = nullptr;     // parent directory
  Widget refresh_button = nullptr;
  Preview preview;                // the 140 x 140 preview and its four labels

  // What the list shows (invariant 2)
  DirectoryListing listing;
  std::vector<std::string> selector_entries;  // entries of the directory selector

  ChooserDatabasePart* database = nullptr;    // the database page's state, or nullptr

  FileChooser();
};

static_assert(sizeof(FileChooser::current_dir) == 256 && sizeof(FileChooser::chosen) == 256 &&
                  sizeof(FileChooser::name_text) == 256 && sizeof(FileChooser::types_text) == 256,
              "the chooser's texts are 256-byte buffers");

// What a caller asks of the chooser.
struct ChooserRequest {
  std::string title;          // window title
  std::string directory;      // start directory
  std::string types;          // file types text
  int name_columns = 36;      // width of the file name field in characters
  int rows = 14;              // visible rows of the file list
  std::string initial_name;   // proposed name ("" = none)
  bool folder_mode = false;   // pick a directory
  bool want_database = false; // offer the database page
  ChooserCallback callback = nullptr;
  void* client_data = nullptr;
};

// Builds and runs a chooser until the user is done; the chosen path (or
// "") lands in `result` (kChooserPathMax bytes). Returns 1 when a path was
// chosen, -1 when the chooser was cancelled, 0 when the database was busy.
int RunChooser(const ChooserRequest& request, char* result);

// The chooser open now, or nullptr (tests look at it from timers).
FileChooser* OpenChooser();

// ---- Parts of the chooser (file_chooser_*.cpp) ----

// Builds the window for `fc` and shows it.
void BuildChooserWindow(FileChooser* fc, const ChooserRequest& request);

// Lists `dir` (selector, list and preview rebuilt). False, with a warning,
// when the directory cannot be read; the chooser then stays where it was.
bool ChangeDirectory(FileChooser* fc, const std::string& dir);
// Lists the current directory again with the current types and order.
void Relist(FileChooser* fc);

// OK: accepts the name field (see file_chooser_accept.cpp).
void AcceptChoice(FileChooser* fc);
// Cancel or window close.
void CancelChooser(FileChooser* fc);
// The New directory button.
void CreateNewDirectory(FileChooser* fc);

// The text a field shows now.
std::string CurrentFieldText(Widget field);
// Puts `text` into the file name field.
void SetNameField(FileChooser* fc, const std::string& text);

// Valid characters of a directory name: letters, digits, "-", "_", "."
// and "/".
bool IsValidDirectoryName(const std::string& name);

}  // namespace wm
