// file_chooser.cpp - Select File, Choose Folder and the core they share:
// build a chooser, run its own event loop until the user is done, hand
// back the chosen path (see file_chooser.h for the chooser's life).
//
// The chooser is built with the layer's placing calls, which move the
// placement cursor, the form stack and the shell bookkeeping: the caller's
// placement is saved before and restored after, so that a chooser opened
// while a window is being built leaves that window's cursor where it was.
// Messages shown while the chooser runs appear over it.
#include <Xm/Xm.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <exception>

#include "chooser_database_page.h"
#include "file_chooser.h"
#include "iwbase.h"
#include "wm_state.h"

namespace wm {
namespace {

// The chooser running now; choosers nest only when a caller opens one from
// inside another (each restores the previous one when it ends).
FileChooser* gOpenChooser = nullptr;

// The placement state a chooser must not disturb.
class PlacementSnapshot {
 public:
  PlacementSnapshot()
      : form_(gWM.current_form), left_(gWM.left), top_(gWM.top), xstart_(gWM.xstart),
        new_row_(gWM.new_row), first_in_form_(gWM.first_in_form), off_left_(gWM.off_left),
        off_right_(gWM.off_right), off_top_(gWM.off_top), off_bottom_(gWM.off_bottom),
        frame_style_(gWM.frame_style), depth_(gWM.stack_depth), topshell_(gWM.topshell),
        baseshell_(gWM.baseshell), resizable_next_(gWM.resizable_next) {
    memcpy(stack_, gWM.stack, sizeof stack_);
  }
  ~PlacementSnapshot() {
    gWM.current_form = form_;
    gWM.left = left_;
    gWM.top = top_;
    gWM.xstart = xstart_;
    gWM.new_row = new_row_;
    gWM.first_in_form = first_in_form_;
    WMSetOffsets(off_left_, off_right_, off_top_, off_bottom_);
    gWM.frame_style = frame_style_;
    memcpy(gWM.stack, stack_, sizeof stack_);
    gWM.stack_depth = depth_;
    // Shells destroyed meanwhile have left the layer's lists; only live
    // ones come back.
    if (IsKnownShell(topshell_)) gWM.topshell = topshell_;
    if (IsKnownShell(baseshell_)) gWM.baseshell = baseshell_;
    gWM.resizable_next = resizable_next_;
  }
  PlacementSnapshot(const PlacementSnapshot&) = delete;
  PlacementSnapshot& operator=(const PlacementSnapshot&) = delete;

 private:
  static bool IsKnownShell(Widget shell) {
    if (!shell) return true;
    for (Widget s : gWM.shells)
      if (s == shell) return true;
    return shell == gWM.firstshell;
  }

  Widget form_, left_, top_, xstart_;
  int new_row_, first_in_form_;
  int off_left_, off_right_, off_top_, off_bottom_;
  int frame_style_;
  FormStackEntry stack_[WM_FORM_STACK_DEPTH];
  int depth_;
  Widget topshell_, baseshell_;
  int resizable_next_;
};

// Select File's callback: the chosen path goes to the caller's buffer and
// (outside folder mode and the database) into the remembered defaults.
struct SelectFileResult {
  ChooserCallSettings call;  // keys in force for this call
  std::string chosen;        // "" until a path is chosen
};

// The chooser's record lives as long as its window: callbacks of the
// window that the toolkit still delivers after the chooser's loop ended
// find it intact. A window destroyed while the chooser runs (its parent
// went away) ends the loop; the loop then frees the record.
void ChooserDestroyedCB(Widget, XtPointer client, XtPointer) try {
  auto* fc = static_cast<FileChooser*>(client);
  if (fc->running) {
    fc->running = 0;
    fc->shell = nullptr;
    return;
  }
  delete fc;
} catch (...) {
  wm::ReportEscapedException("ChooserDestroyedCB");
}

void SelectFileCB(const char* chosen, const char* directory, const char* types, void* client) {
  auto* result = static_cast<SelectFileResult*>(client);
  if (!chosen) return;
  result->chosen = chosen;
  if (strncasecmp(chosen, "dme:", 4) != 0) RememberChooserChoice(result->call, directory, types);
}

}  // namespace

FileChooser::FileChooser()
    : current_dir(), chosen(), name_text(), types_text(), scratch(), dir_text() {}

FileChooser* OpenChooser() { return gOpenChooser; }

int RunChooser(const ChooserRequest& request, char* result) {
  if (!EnsureToolkit()) return -1;
  if (request.want_database && IWRtVar("TS_ENABLE_DME")) {
    switch (OfferDatabasePage(request)) {
      case DatabaseOffer::kBusy:
        WMShowWarning("The Database is busy. Please wait\nfor the current activity to finish.");
        return 0;
      case DatabaseOffer::kWithPage:  // the page is not part of this build
      case DatabaseOffer::kPlainChooser:
        break;
    }
  }

  auto* fc = new FileChooser();
  // A relative start directory lies under the program's working directory.
  snprintf(fc->current_dir, sizeof fc->current_dir, "%s",
           WithTrailingSlash(AbsolutePath(request.directory.empty() ? HomeDirectory()
                                                                    : request.directory)).c_str());
  snprintf(fc->types_text, sizeof fc->types_text, "%s", request.types.empty() ? "*" : request.types.c_str());
  snprintf(fc->name_text, sizeof fc->name_text, "%s", request.initial_name.c_str());
  IWRtVarInt("PA_FILE_CHOOSER_SORT_DATE", &fc->order.by_date, 0);
  IWRtVarInt("PA_FILE_CHOOSER_SORT_DIR", &fc->order.descending, 0);
  IWRtVarInt("PA_FILE_CHOOSER_CASE_SENS", &fc->order.case_sensitive, 0);
  fc->folder_mode = request.folder_mode ? 1 : 0;
  fc->initial_name_given = request.initial_name.empty() ? 0 : 1;
  fc->callback = request.callback;
  fc->client_data = request.client_data;
  fc->running = 1;

  FileChooser* previous = gOpenChooser;
  Widget previous_parent = gWM.dialog_parent;
  {
    PlacementSnapshot placement;
    BuildChooserWindow(fc, request);
  }
  XtAddCallback(fc->shell, XmNdestroyCallback, ChooserDestroyedCB, fc);
  gOpenChooser = fc;
  WMSetDialogParent(fc->shell);
  if (!ChangeDirectory(fc, fc->current_dir)) ChangeDirectory(fc, HomeDirectory());

  while (fc->running) XtAppProcessEvent(gWM.app, XtIMAll);

  gOpenChooser = previous;
  // The parent in force before comes back unless its shell is gone.
  bool parent_alive = std::find(gWM.shells.begin(), gWM.shells.end(), previous_parent) != gWM.shells.end();
  WMSetDialogParent(parent_alive ? previous_parent : nullptr);
  int rc = fc->chosen[0] ? 1 : -1;
  if (rc == 1 && result) snprintf(result, kChooserPathMax, "%s", fc->chosen);
  Widget shell = fc->shell;
  if (!shell) {
    delete fc;  // the window is gone already
    return rc;
  }
  // Popped down at once (the destruction may wait for the toolkit's next
  // turn), so that nothing behind the chooser is hidden by it any longer.
  // The record goes with the window.
  XtUnmanageChild(XtNameToWidget(shell, "form"));
  XtDestroyWidget(shell);
  XFlush(gWM.display);
  return rc;
}

namespace {

// Select File and Choose Folder; the C entry points below catch what they throw.
int SelectFile(char* result, const char* directory, const char* types, const char* initial_name) {
  SelectFileResult selection;
  selection.call = NextChooserCall();
  ChooserStart start = DecideChooserStart(&selection.call, directory ? directory : "",
                                          types ? types : "");
  char* pending = WMTakeNextTitle();
  ChooserRequest request;
  request.title = pending ? pending : "Select File";
  XtFree(pending);
  request.directory = start.directory;
  request.types = start.types;
  request.initial_name = initial_name ? initial_name : "";
  request.name_columns = 36;
  request.rows = 14;
  request.want_database = selection.call.want_database;
  request.callback = SelectFileCB;
  request.client_data = &selection;
  char chosen[kChooserPathMax] = "";
  int rc = RunChooser(request, chosen);
  // The key pair and the other one-call settings hold for one call only.
  ResetChooserCall();
  if (rc == 1 && result) snprintf(result, kChooserPathMax, "%s", chosen);
  return rc;
}

int ChooseFolder(char* result, const char* start_directory) {
  char* pending = WMTakeNextTitle();
  ChooserRequest request;
  request.title = pending ? pending : "Choose Folder";
  XtFree(pending);
  request.directory = start_directory ? start_directory : "";
  struct stat st;
  if (stat(request.directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) request.directory = HomeDirectory();
  request.types = "*";
  request.folder_mode = true;
  request.rows = 10;
  char chosen[kChooserPathMax] = "";
  int rc = RunChooser(request, chosen);
  if (rc == 1 && result) snprintf(result, kChooserPathMax, "%s", chosen);
  return rc;
}


}  // namespace

}  // namespace wm

using namespace wm;

extern "C" {

int WMSelectFile(char* result, const char* directory, const char* types, const char* initial_name) {
  try {
    return SelectFile(result, directory, types, initial_name);
  } catch (const std::exception& e) {
    fprintf(stderr, "WMSelectFile: %s\n", e.what());
    ResetChooserCall();
    return -1;
  }
}

int WMChooseFolder(char* result, const char* start_directory) {
  try {
    return ChooseFolder(result, start_directory);
  } catch (const std::exception& e) {
    fprintf(stderr, "WMChooseFolder: %s\n", e.what());
    return -1;
  }
}

}  // extern "C"
