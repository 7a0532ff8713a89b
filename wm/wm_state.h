// wm_state.h - the widget layer's process-wide state, in one struct.
//
// The layer is procedural: every placing call reads and moves a placement
// cursor that lives here, next to the form stack, the shell list and the item
// registry. Keeping it in one struct (`gWM`) makes its invariants visible;
// AssertWidgetLayerState checks them in debug builds where the state changes:
//
//  (1) `current_form` is the XmForm the next item goes into, null only
//      before the first form exists, and then `top` and `xstart` are set
//      too: `left` is the item placed last in the current row, or the form
//      itself while the row is empty (after a new row or a push), or null
//      in a toolbar, which lines its buttons up itself;
//      `top` is the first item of the previous row, under which a new row
//      starts, or the form while its first row is filled; `xstart` is the
//      first item of the current row.
//  (2) 0 <= stack_depth <= WM_FORM_STACK_DEPTH; every stack entry restores
//      exactly the five cursor values it saved.
//  (3) The registry is a doubly linked list from `registry_head` to
//      `registry_tail`; the tail is always an empty record (no widget, no
//      next): lookups stop at it, and a new item fills it and then appends a
//      fresh tail. Both are null before the first item.
//  (4) `shells` and `shell_realized` are parallel vectors of one length;
//      `baseshell` is the shell new dialogs default to (the shell realized
//      last, or the "Confirm" shell made for a dialog before any window).
#pragma once

#include <X11/Intrinsic.h>

#include <map>
#include <memory>
#include <vector>

#include "escaped_exception.h"
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
// Records live from their item's placement until the item is destroyed or
// a new main window starts a fresh registry.
struct ItemRecord {
  ItemRecord* next = nullptr;
  ItemRecord* prev = nullptr;
  Widget widget = nullptr;          // the item's main widget
  int kind = 0;                     // WM_KIND_* code
  const char* label = nullptr;      // label text (owned copy, XtFree)
  Widget* children = nullptr;       // grouped items' widgets (owned, XtFree)
  int child_count = 0;              // entries of `children`
  XtCallbackProc callback = nullptr;  // the caller's callback
  XtPointer client_data = nullptr;  // handed to `callback`
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

// One saved placement cursor of the form stack (invariant 2).
struct FormStackEntry {
  Widget current_form;  // the form that was current
  Widget xstart;        // first item of its current row
  Widget left;          // last item of its current row
  Widget top;           // item under which its next row starts
  int new_row;          // 1 when a new row had been requested
};

// A handler of one event class for one image window (the event loop's
// `ev_hdl_list`).
struct EventHandlerNode {
  long window_id;             // image window this handler serves
  WMEventHandler handler;     // called with its client data and the event
  XtPointer client_data;
  EventHandlerNode* next;     // next handler of the same class, or null
};

// A handler of the image-window client messages with one code.
struct ClientMessageHandler {
  int code;                   // second data word of the client message
  WMEventHandler handler;     // called with its client data and the event
  XtPointer client_data;
};

struct WidgetLayerState {
  // Toolkit
  XtAppContext app = nullptr;         // the application context, null until opened
  Display* display = nullptr;         // the display, null until opened
  char app_class[64] = "";            // empty until set or defaulted
  char fallback_line[50] = "";        // "*.background: %s"
  bool background_looked_up = false;  // PA_STD_BKG_COLOR read already
  char std_background[36] = "";       // PA_STD_BKG_COLOR, "" when not configured;
                                      // sized so "*.background: " + it fits the 50-byte line

  // Shell creation flags (one-shot: the next shell takes and clears them)
  int resizable_next = 0;             // 1: the next shell can be resized
  int center_next = 0;                // 1: the next shell or dialog is centred

  // Placement cursor (invariant 1)
  Widget current_form = nullptr;      // the form the next item goes into
  Widget left = nullptr;              // last item of the current row, or the form
  Widget top = nullptr;               // item under which a new row starts, or the form
  Widget xstart = nullptr;            // first item of the current row
  int new_row = 0;                    // 1: the next item starts a row
  int first_in_form = 0;              // 1: the next item is a new shell's first
  int off_left = 0, off_right = 0, off_top = 0, off_bottom = 0;  // offsets, pixels
  int frame_style = WM_FRAME_ETCHED_IN;  // style of the next WMFrame
  int fixed_width_sizing = 1;         // 1: widths of labels and buttons from their text
  int fixed_char_width = 0;           // cached "WM_FIXED_CHAR_SIZE", 0 = unknown

  // Form stack (invariant 2)
  FormStackEntry stack[WM_FORM_STACK_DEPTH] = {};  // saved cursors, oldest first
  int stack_depth = 0;                // entries in use

  // Shells (invariant 4)
  Widget form1 = nullptr;             // the first form ever created
  Widget topshell = nullptr;          // the shell created last
  Widget baseshell = nullptr;         // default parent of dialogs and close handlers
  Widget firstshell = nullptr;        // the first shell created
  std::vector<Widget> shells;         // the shells of the current application window
  std::vector<int> shell_realized;    // 1 once the shell of the same index is realized
  // Resizable flag of every shell the layer created (Motif shells carry no
  // user data of their own).
  std::map<Widget, int> shell_resizable;
  bool form1_published = false;       // form1's window handed to the image windows

  // Item registry (invariant 3)
  ItemRecord* registry_head = nullptr;  // first record
  ItemRecord* registry_tail = nullptr;  // the empty record at the end

  // Pending texts for the next item (owned, XtFree)
  char* pending_tooltip = nullptr;    // tool tip of the next item
  char* pending_title = nullptr;      // title of the next file chooser

  // Busy cursor
  Cursor watch_cursor = 0;            // the watch cursor, 0 until first needed

  // Dialog parent override
  Widget dialog_parent = nullptr;     // parent of dialogs instead of `baseshell`

  // Event loop tables
  bool hooks_enabled = true;          // false: events go to the toolkit only
  unsigned int evtable[LASTEvent] = {};    // handler-class mask per X event type
  EventHandlerNode* ev_hdl_list[32] = {};  // handlers per handler class
  std::vector<ClientMessageHandler> client_handlers;  // image-window client messages
  WMRawEventHook raw_hook = nullptr;  // other client messages go here
  XtPointer raw_hook_data = nullptr;

  // Headless message routing
  WMMessageHandler message_handler = nullptr;  // takes messages instead of dialogs
  void* message_handler_data = nullptr;
};

extern WidgetLayerState gWM;

// Checks invariants (1) to (4) in debug builds; nothing otherwise.
void AssertWidgetLayerState();

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
