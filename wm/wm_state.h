// wm_state.h - the widget layer's process-wide state, in one struct.
//
// The layer is procedural: every placing call reads and moves a placement
// cursor that lives here, next to the form stack, the shell list and the item
// registry. Keeping it in one struct (`gWM`) makes its invariants visible:
//
//  (1) `current_form` is the XmForm the next item goes into; `left` is the
//      item placed last in the current row (or the form right after a new row
//      or a push), `top` the item under which a new row starts (or the form),
//      `xstart` the first item of the current row.
//  (2) Every stack entry restores exactly the five cursor values it saved;
//      0 <= stack_depth <= WM_FORM_STACK_DEPTH.
//  (3) The registry is a doubly linked list whose tail is always an empty
//      (zeroed) record: lookups stop at it, and a new item fills it and then
//      appends a fresh tail.
//  (4) `shells` and `shell_realized` are parallel arrays of `shell_count`
//      entries; `baseshell` is the shell new dialogs default to.
#pragma once

#include <X11/Intrinsic.h>

#include <map>
#include <memory>
#include <vector>

#include "wmlib.h"

namespace wm {

// Kind-specific state of a compound item (number fields, menus, combo boxes,
// bars...), owned by its record. Redisplay shows the caller's bound variable
// again; it serves refresh groups and WMRefreshItem.
struct ItemExtension {
  virtual ~ItemExtension() = default;
  virtual void Redisplay(Widget) {}
};

// One placed item (a widget or a small group) as the layer remembers it.
struct ItemRecord {
  ItemRecord* next = nullptr;
  ItemRecord* prev = nullptr;
  Widget widget = nullptr;          // the item's main widget
  int kind = 0;                     // WM_KIND_* code
  const char* label = nullptr;      // label text (owned copy, XtFree)
  Widget* children = nullptr;       // grouped items' widgets (owned, XtFree)
  int child_count = 0;
  XtCallbackProc callback = nullptr;  // the caller's callback
  XtPointer client_data = nullptr;
  int refresh_flag = 0;             // redisplay the refresh group after a change
  int refresh_mask = 0;             // refresh-group bits
  char* dir_key = nullptr;          // file fields: remembered-directory key (owned)
  char* ext_key = nullptr;          // file fields: remembered-extension key (owned)
  char* value = nullptr;            // file and text fields: the caller's buffer
  int max_len = 0;                  // fields: most characters stored in `value`
                                    // (which holds max_len + 1 bytes)
  char* accepted = nullptr;         // text fields: last accepted text (owned)
  char* tooltip = nullptr;          // tool-tip text (owned)
  char* help_topic = nullptr;       // topic WMHelpCB shows for the item (owned)
  char* chooser_title = nullptr;    // file fields: title of their chooser (owned)
  char* default_dir = nullptr;      // file fields: the caller's default directory buffer
  char* default_ext = nullptr;      // file fields: the caller's default types buffer
  std::unique_ptr<ItemExtension> extension;  // compound items: their own state (owned)
};

// One saved placement cursor of the form stack.
struct FormStackEntry {
  Widget current_form;
  Widget xstart;
  Widget left;
  Widget top;
  int new_row;
};

struct EventHandlerNode {
  long window_id;             // image window this handler serves
  WMEventHandler handler;
  XtPointer client_data;
  EventHandlerNode* next;
};

struct ClientMessageHandler {
  int code;                   // second data word of the client message
  WMEventHandler handler;
  XtPointer client_data;
};

struct WidgetLayerState {
  // Toolkit
  XtAppContext app = nullptr;
  Display* display = nullptr;
  char app_class[64] = "";            // empty until set or defaulted
  char fallback_line[50] = "";        // "*.background: %s"
  bool background_looked_up = false;
  char std_background[36] = "";       // PA_STD_BKG_COLOR, "" when not configured;
                                      // sized so "*.background: " + it fits the 50-byte line

  // Shell creation flags (one-shot)
  int resizable_next = 0;
  int center_next = 0;

  // Placement cursor (invariant 1)
  Widget current_form = nullptr;
  Widget left = nullptr;
  Widget top = nullptr;
  Widget xstart = nullptr;
  int new_row = 0;
  int first_in_form = 0;
  int off_left = 0, off_right = 0, off_top = 0, off_bottom = 0;
  int frame_style = WM_FRAME_ETCHED_IN;
  int fixed_width_sizing = 1;
  int fixed_char_width = 0;           // cached "WM_FIXED_CHAR_SIZE", 0 = unknown

  // Form stack (invariant 2)
  FormStackEntry stack[WM_FORM_STACK_DEPTH] = {};
  int stack_depth = 0;

  // Shells (invariant 4)
  Widget form1 = nullptr;
  Widget topshell = nullptr;
  Widget baseshell = nullptr;
  Widget firstshell = nullptr;
  std::vector<Widget> shells;
  std::vector<int> shell_realized;
  // Resizable flag of every shell the layer created (Motif shells carry no
  // user data of their own).
  std::map<Widget, int> shell_resizable;
  bool form1_published = false;

  // Item registry (invariant 3)
  ItemRecord* registry_head = nullptr;
  ItemRecord* registry_tail = nullptr;

  // Pending texts for the next item
  char* pending_tooltip = nullptr;
  char* pending_title = nullptr;

  // Busy cursor
  Cursor watch_cursor = 0;

  // Dialog parent override
  Widget dialog_parent = nullptr;

  // Event loop tables
  bool hooks_enabled = true;
  unsigned int evtable[LASTEvent] = {};
  EventHandlerNode* ev_hdl_list[32] = {};
  std::vector<ClientMessageHandler> client_handlers;
  WMRawEventHook raw_hook = nullptr;
  XtPointer raw_hook_data = nullptr;

  // Headless message routing
  WMMessageHandler message_handler = nullptr;
  void* message_handler_data = nullptr;
};

extern WidgetLayerState gWM;

// ---- internal calls shared between the layer's files ----

// Opens the toolkit when needed; false when no display can be opened.
bool EnsureToolkit();

// Places `w` (created unmanaged in the current form) by the layer's
// attachment rules, then manages it and makes it the last item.
void PlaceItem(Widget w);

// Creates a widget of `cls` unmanaged in the current form with the given
// resources, gives push buttons the standout colour, and places it.
Widget CreateAndPlace(const char* name, WidgetClass cls, ArgList args, Cardinal nargs);

// Creates and places a "func_button" push button labelled `label` (keyboard
// traversal on, standout colour, width from `sizing_text`). Not registered.
Widget PlaceFuncButton(const char* label, const char* sizing_text);

// Registry
ItemRecord* RegisterItem(Widget w, int kind);
ItemRecord* FindItem(Widget w);
// Stores the help topic that WMHelpCB shows for the registered item `w`.
void SetItemHelpTopic(Widget w, const char* topic);
void ResetRegistry();

// Places a combo box named `name` (WMComboBox names its own "comboBox").
Widget PlaceComboBox(const char* name, char* text, const char** items, int count, int max_len,
                     int columns, int editable, XtCallbackProc callback, XtPointer client_data,
                     int flag_a, int flag_b);

// Fixed-width sizing: sets the width of a label, button or toggle from its
// text: characters x cell width + 2 x border + 2 x margin (+ indicator and
// spacing for toggles), where the border counts shadow and highlight too.
void SizeFromText(Widget w, const char* text);

// Converts a text with "\n" line breaks into a compound string (caller frees).
XmString MakeXmString(const char* text);

// Pixel of a named colour in the default colormap; false when it cannot be
// allocated.
bool AllocNamedColor(const char* name, Pixel* out);

// Gives a push button the standout colour.
void ApplyStandoutColor(Widget button);

// The shell that contains `w`.
Widget ShellOf(Widget w);

// Shows a dialog (a managed-to-be child of a dialog shell) at the pointer,
// or at the screen centre when centring was requested, kept inside the
// screen and at least 50 pixels from its top-left edges.
void PlaceDialog(Widget dialog);

// Titles a message dialog with `title` unless the user's resources gave
// it one.
void GiveDialogTitle(Widget box, const char* title);

// The one-shot centring request: returns it and clears it.
bool TakeCenterRequest();

// Resets the event tables (the first main window of a process does this).
void ClearEventTables();

// The links to the image-window layer: which image window owns an X window
// (0 when none), handing it the display, and publishing the first form's
// window so display processes can send it client messages.
long ImageWindowOfXWindow(Window w);
void HandDisplayToImageWindows(Display* display);
void PublishFirstForm(Widget form);

}  // namespace wm
