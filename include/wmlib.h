/*
 * wmlib.h - the widget layer: the suite's procedural layer over Motif.
 *
 * An application never creates Motif widgets itself. It opens the toolkit,
 * creates a shell with a form in it, and calls a sequence of placing
 * operations, each of which places the next item into the current form next
 * to (same row) or below (new row) what was placed before, records it in the
 * item registry and returns the widget. Frames and forms nest through a form
 * stack of depth 50. The application then realizes the shell and enters
 * WMMainLoop, which never returns.
 *
 * Dialogs (warnings, errors, questions, prompts, notes, help) and the log
 * file that records every warning and error shown are part of this layer too.
 *
 * Every call runs on the toolkit's event-loop thread.
 */
#ifndef TREMOSCAN_WMLIB_H
#define TREMOSCAN_WMLIB_H

#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Item kinds recorded in the item registry (never renumbered). ---- */
enum {
  WM_KIND_TEXT_FIELD = 2,
  WM_KIND_FUNC_BUTTON = 4,
  WM_KIND_PULLDOWN_MENU = 5,
  WM_KIND_STATUS_BAR = 6,
  WM_KIND_FILE_FIELD = 7,
  WM_KIND_STATUS_TEXT = 8,
  WM_KIND_BUTTON_LIST = 9,
  WM_KIND_INFO_LABEL = 10,
  WM_KIND_EXECUTE_BUTTON = 12,
  WM_KIND_SCROLLED_LIST = 16,
  WM_KIND_DRAWING_AREA = 19,
  WM_KIND_OPTION_MENU = 21,
  WM_KIND_PLAIN_FORM = 22,
  WM_KIND_FRAME = 23,
  WM_KIND_COMBO_BOX = 100,
  WM_KIND_PROGRESS_BAR = 102,
  /* Items whose codes the layer chose itself (the ones above are fixed). */
  WM_KIND_INT_FIELD = 1,
  WM_KIND_FLOAT_FIELD = 3,
  WM_KIND_PASSWORD_FIELD = 11,
  WM_KIND_SPIN_BOX = 13,
  WM_KIND_TAB_MANAGER = 14
};

/* Depth of the form stack: a push at this depth is refused. */
#define WM_FORM_STACK_DEPTH 50

/* Frame styles of WMSetFrameStyle. */
enum {
  WM_FRAME_ETCHED_IN = 0,
  WM_FRAME_ETCHED_OUT = 1,
  WM_FRAME_SHADOW_IN = 2,
  WM_FRAME_SHADOW_OUT = 3,
  WM_FRAME_NONE = 4
};

/* Label alignments of WMSetLabelAlignment. */
enum { WM_ALIGN_BEGINNING = 0, WM_ALIGN_END = 1, WM_ALIGN_CENTER = 2 };

/* ---- Toolkit and shells ---- */

/* Sets the application class once (the first caller wins; default "Photarch"). */
void WMSetApplicationClass(const char *app_class);
const char *WMRtApplicationClass(void);

/* Opens the toolkit if it is not open yet. Returns 1, or 0 when the display
 * cannot be opened (a message on standard error says which display). */
int WMOpenToolkit(void);
XtAppContext WMRtAppContext(void);
Display *WMRtDisplay(void);

/* The standard background colour name (PA_STD_BKG_COLOR) or NULL, the text
 * field colour name (PA_TEXT_FIELD_COLOR, default "white"). */
const char *WMRtStdBackgroundColor(void);
const char *WMRtTextFieldColor(void);

/* The next shell created gets full window-manager decorations and functions. */
void WMSetResizableShell(int flag);
/* The next shell or dialog is centred on the screen instead of placed at the
 * pointer (a one-shot request). */
void WMRequestCentering(void);

Widget WMCreateShell(const char *title);
/* Shell + XmMainWindow "main_window" + XmForm "form"; returns the form. */
Widget WMCreateMainWindow(const char *title);
/* Shell + XmForm "form" directly in the shell; returns the form. */
Widget WMCreateMainForm(const char *title);
/* An additional shell with a form; returns its index in the shell list. */
int WMCreateAdditionalShell(const char *title);
/* An XmFormDialog "form" parented to the dialog parent; returns the form. */
Widget WMCreateDialogWindow(const char *title, int modal);
/* A managed XmForm installed as the main window's message window and pushed
 * as the current form; 0 for a widget that is no XmMainWindow or when the
 * form stack is full. */
Widget WMCreateMessageForm(Widget main_window);

/* Calls `callback` with `client_data` when the window manager closes `shell`
 * (NULL: the base shell). Returns 1, or 0 for a widget that is no vendor shell. */
int WMSetDeleteCallback(Widget shell, XtCallbackProc callback, XtPointer client_data);

/* Realizes and maps the shell created last; it becomes the base shell. */
void WMRealizeShell(void);
/* The event loop; never returns. */
void WMMainLoop(void);

/* 1 when `shell` was created with the resizable flag. */
int WMRtShellResizable(Widget shell);
Widget WMRtTopShell(void);
Widget WMRtBaseShell(void);
/* Number of shells in the shell list and the shell at an index. */
int WMRtShellCount(void);
Widget WMRtShell(int index);

/* ---- Placement ---- */

void WMNewRow(void);
/* Spacing for the following items; a call with any negative value changes nothing. */
void WMSetOffsets(int left, int right, int top, int bottom);
void WMAttachRightToForm(void);
void WMAttachBottomToForm(Widget widget);
/* Returns 1, or 0 when the stack is full. */
int WMPushForm(Widget form);
void WMPopForm(void);
int WMRtFormStackDepth(void);
Widget WMRtCurrentForm(void);
/* The item placed last in the current row. */
Widget WMRtLastItem(void);

/* Fixed-width sizing of labels, buttons and toggles from their text (on by default). */
void WMSetFixedWidthSizing(int on);
/* Width of one fixed character cell in pixels (shared between the suite's
 * processes when they are attached to the arena). */
int WMRtFixedCharWidth(void);

void WMSetFrameStyle(int style);
/* Places a framed sub-form; returns the inner form, or NULL at full stack. */
Widget WMFrame(int push, const char *title);

Widget WMInfoLabel(const char *text, XtPointer data);
void WMSetLabelAlignment(Widget widget, int how);

/* flag_a: the item's refresh flag; flag_b: its refresh-group mask. */
Widget WMFuncButton(const char *label, XtCallbackProc callback, XtPointer client_data,
                    int flag_a, int flag_b);
/* A push button whose callback repeats while mouse button 1 is held on it. */
void WMSetContinuousCallbacks(Widget button);
Widget WMDoneButton(const char *label, XtCallbackProc callback, XtPointer client_data,
                    int flag_a, int flag_b);
/* A "func_button" push button followed by an XmTextField "char" bound to the
 * caller's buffer `text` of max_len bytes; returns the text field. */
Widget WMFileField(const char *label, char *default_dir, char *default_ext, int max_len,
                   int columns, char *text, XtCallbackProc callback, XtPointer client_data,
                   int flag_a, int flag_b);
/* An XmTextField "char" bound to the caller's buffer; returns the text field. */
Widget WMTextField(char *text, int max_len, int columns, XtCallbackProc callback,
                   XtPointer client_data, int flag_a, int flag_b);

void WMSetToolTipForNext(const char *text);
void WMSetNextTitle(const char *text);
/* WMTakeNextTitle hands the pending title (NULL when none) to the caller
 * (free with XtFree) and clears it. */
char *WMTakeNextTitle(void);

/* ---- Validated input fields ----
 *
 * A field shows the caller's variable and keeps the text it last accepted.
 * Return or leaving the field tests a changed text; only good input reaches
 * the variable, after which the callback runs (call data NULL) and, when
 * flag_a is set, every item whose refresh-group mask shares a bit with
 * flag_b is redisplayed. Wrong input shows a warning over the field's window
 * and the field returns to accepted values. Focus selects the whole text. */

/* Display offsets copied into the number fields created after the call: a
 * field shows stored value + offset and stores typed value - offset (both 0
 * until set). */
void WMSetIntFieldOffset(int offset);
void WMSetFloatFieldOffset(float offset);
/* An XmTextField "int" bound to `count` ints shown as "%d ". The limits are
 * read through the pointers at each check: values must lie in
 * minimum..maximum unless the two are equal, and be multiples of *step
 * (NULL pointers: no range, step 1). */
Widget WMIntField(int *values, int count, int columns, int max_len, int *maximum, int *minimum,
                  int *step, XtCallbackProc callback, XtPointer client_data, int flag_a,
                  int flag_b);
/* An XmTextField "float" bound to `count` floats shown with `decimals`
 * digits after the point; "," is read as ".". */
Widget WMFloatField(float *values, int count, int columns, int max_len, float *maximum,
                    float *minimum, int decimals, XtCallbackProc callback, XtPointer client_data,
                    int flag_a, int flag_b);
/* An XmTextField "passwd" showing "*" for every character; what is typed
 * goes to the caller's buffer of max_len bytes as it is typed. Return runs
 * the callback. */
Widget WMPasswordField(char *buffer, int max_len, int columns, XtCallbackProc callback,
                       XtPointer client_data, int flag_a, int flag_b);
/* Gives a field the text of a file icon dropped on it (`length` bytes, line
 * ends marking several icons): one "file:" URI or path becomes a file name
 * in the caller's buffer and the callback runs; a field that is not a
 * registered text or file field shows the name and activates. */
void WMDropIntoField(Widget field, const char *text, int length);
/* The focus callback of every editable field: selects the whole text. */
void WMselecttextfield(Widget field, XtPointer client_data, XtPointer call_data);
/* Shows the bound variable again in one registered item, or in every item
 * whose refresh-group mask shares a bit with `mask`. */
void WMRefreshItem(Widget item);
void WMRefreshGroup(int mask);

/* ---- Menus, combo boxes, lists and spin boxes ----
 *
 * Choosing or changing one of these items stores into the caller's
 * variable, calls the callback with the client data (the widget is the
 * chosen entry for menus) and redisplays the refresh group as fields do. */

/* Adds a pulldown menu `title` to `menu_bar` (NULL: an XmMenuBar "menuBar"
 * is created and placed first). The labels are read in order: "separator"
 * (any case), "->title" opens a cascade sub-menu for the following labels,
 * "<-" returns to the top level, "(*)label" is a toggle, anything else a
 * push button. Sub-menus may not nest: a "->" inside one ends the program
 * (exit code -1). mnemonics, accelerators (Xt translation syntax, e.g.
 * "Ctrl<Key>q") and accelerator_texts may be NULL or hold NULL entries.
 * Choosing an item stores its position in the label list (separators and
 * "->"/"<-" entries counted) in *selected. A menu titled "Help" becomes the
 * bar's help menu. Returns the menu's cascade button (its parent is the
 * menu bar), which the position calls below take as `menu`. */
Widget WMPulldownMenu(Widget menu_bar, const char *title, const char *mnemonic,
                      const char **labels, const char **mnemonics, const char **accelerators,
                      const char **accelerator_texts, int count, int *selected,
                      XtCallbackProc callback, XtPointer client_data, int flag_a, int flag_b);
/* The next pulldown menu's cascade shows the label of the item last chosen. */
void WMSetPulldownFollowsChoice(int flag);
/* Position calls: 1 on success; 0 after a message on standard error. */
int WMSetPulldownToggleState(Widget menu, int position, int state);
int WMGetPulldownToggleState(Widget menu, int position, int *state);
/* The new label must be of the item's kind ("(*)" for toggles, "->" for
 * cascades). */
int WMChangePulldownMenuItem(Widget menu, int position, const char *label);
int WMSetPulldownMenuItemToolTip(Widget menu, int position, const char *text);
/* The entry widget at a position (NULL for "<-" entries and bad positions)
 * and the position chosen last (-1 before any choice). */
Widget WMRtPulldownMenuItem(Widget menu, int position);
int WMRtPulldownChoice(Widget menu);

/* An XmOptionMenu "optionMenu" showing labels[*selected]; choosing stores
 * the index in *selected. */
Widget WMOptionMenu(const char **labels, int count, int *selected, XtCallbackProc callback,
                    XtPointer client_data, int flag_a, int flag_b);

/* A combo box "comboBox" bound to the caller's buffer `text` (max_len
 * bytes) with a drop-down list of `count` items; editable or read-only. The
 * text is stored and the callback runs when Return, leaving the text or a
 * pick from the list changes it. */
Widget WMComboBox(char *text, const char **items, int count, int max_len, int columns,
                  int editable, XtCallbackProc callback, XtPointer client_data, int flag_a,
                  int flag_b);
/* Replaces the list, the shown text and the bound buffer of a combo box.
 * Returns 1, or 0 (with a message) for a widget that is no combo box. */
int WMChangeComboList(Widget combo, const char **items, int count, char *text, int max_len);
/* Index of the current text in the list (last match), or -999. */
int WMRtComboIndex(Widget combo);
#define WM_COMBO_NO_INDEX (-999)

/* A scrolled list "scroll" of `count` items stretched to the form's right
 * edge; a new row starts after it. Items starting with "<b>", "<i>" or
 * "<bi>" (texts of 5 or more characters) are shown untagged in bold,
 * italic or bold italic. Selections call select_callback, double clicks
 * double_click_callback, both with client_data and the XmList call data.
 * `flag` is the item's refresh-group mask. Returns the XmList. */
Widget WMScrolledList(const char **items, int count, int visible_rows, int width, int extended,
                      XtCallbackProc select_callback, XtPointer client_data,
                      XtCallbackProc double_click_callback, int flag);
/* Replaces the items of a scrolled list (tags read as above). */
void WMSetListItems(Widget list, const char **items, int count);

/* An XmSpinBox "spinBox" with the numeric text "spinText" bound to *value
 * within minimum..maximum, changed by `step` per arrow click. */
Widget WMSpinBox(int *value, int minimum, int maximum, int step, int columns,
                 XtCallbackProc callback, XtPointer client_data, int flag_a, int flag_b);

/* ---- Tab managers, tables and toolbars ---- */

/* Places a tab manager "tabManager" (tabs on top, or on the left) and
 * pushes it as the current form; it becomes the current tab manager. At
 * most 5 can be open (nested) at once: a sixth ends the program (exit code
 * -1). page_callback runs when the user changes the page, with client_data
 * and a pointer to the new page number (pages count from 0). */
Widget WMTabManager(int tabs_on_top, XtCallbackProc page_callback, XtPointer client_data);
/* Adds a page with a tab labelled `title` to the current tab manager; its
 * form "tabPageForm" becomes the current form. Without a tab manager the
 * program ends (exit code -1). */
Widget WMTabPage(const char *title);
/* Closes the current tab manager: back to the form it was placed in. */
void WMEndTabManager(void);
/* Shows page `page_number` (from 0). Returns 1, or 0 (with a message) for a
 * widget that is no tab manager. */
int WMSetCurrentTab(Widget tab_manager, int page_number);
/* The page shown (from 0), or -1 for a widget that is no tab manager. */
int WMRtCurrentTab(Widget tab_manager);
/* Number of tab managers open now. */
int WMRtOpenTabManagers(void);

/* Starts a table: a frameless form "tableWidget<n>" pushed as the current
 * form; the items placed until WMEndTable are its cells, row by row.
 * alignment: WM_ALIGN_BEGINNING, WM_ALIGN_END or WM_ALIGN_CENTER within the
 * column. The left and top offsets in force separate columns and rows. */
Widget WMBeginTable(int rows, int columns, int alignment);
/* Lays the cells out in a grid and pops the table. A table that does not
 * hold exactly rows x columns items ends the program (exit code -1). */
void WMEndTable(void);

/* Places a toolbar "toolbar" (buttons side by side, or one under the other)
 * and pushes it. Only one may be open: a second ends the program (exit
 * code -1). */
Widget WMBeginToolbar(int horizontal);
void WMEndToolbar(void);
/* A button named `label` showing the picture config/pixmaps/<pixmap_file>
 * of the suite base directory (with the label too when with_text is set;
 * the label alone when there is no picture), `spacing` pixels after the
 * button before it, with a tip. */
Widget WMToolbarButton(const char *label, int with_text, const char *pixmap_file, const char *tip,
                       int spacing, XtCallbackProc callback, XtPointer client_data);

/* ---- Bars, status fields, drawing areas, the execute button ---- */

/* A progress bar "ProgressBar" (0..100) in the frame "ProgressBarFrame"
 * showing *value; WMRefreshItem(bar) copies *value into it again. */
Widget WMProgressBar(int width, int height, int *value, int flag_a, int flag_b);
/* A thermometer XmScale "StatusBar" 0..maximum showing *value, titled;
 * with no width it stretches to the form's right edge. */
Widget WMStatusBar(const char *title, int width, int maximum, int *value, int flag_a, int flag_b);
/* A read-only XmTextField "status" of `length` columns showing `text` from
 * its start; `flag` is its refresh-group mask. */
Widget WMStatusText(char *text, int length, int flag);
/* An XmDrawingArea "status" of the given size. */
Widget WMStatusDrawingArea(int width, int height);
/* An OpenGL drawing area "glwidget" (RGBA, double buffered). When its window
 * exists, a direct GLX context is stored in *(GLXContext *)context_cell and
 * made current; without one the program quits. An input callback switches
 * keyboard traversal on. */
Widget WMGLDrawingArea(int width, int height, XtCallbackProc expose_callback,
                       XtPointer expose_data, XtCallbackProc input_callback,
                       XtPointer input_data, void *context_cell);
/* The drawing area's context callback (client data: the context cell). */
void init_GL_widget(Widget w, XtPointer context_cell, XtPointer call_data);
/* The execute button "Do It" (one per process): runs "<command> <arguments>"
 * (no command when it is "NULL"; both texts are read at each press) through
 * the shell in a process group of its own and shows "Cancel" meanwhile;
 * pressing it then asks whether to kill the command. The pre-callback may
 * veto a run by returning a negative value. */
typedef int (*WMPreExecuteProc)(Widget button, XtPointer client_data);
Widget WMExecuteButton(const char *command, const char *arguments, WMPreExecuteProc pre_callback,
                       XtPointer client_data);
/* The running command's process (and process group) id, or 0. */
int WMRtExecuteChild(void);

/* ---- Tool tips ---- */

/* Gives a widget a tip (a copy of `text`; NULL or "" removes it). It is
 * shown 750 ms after the pointer enters the widget, while PA_DO_TOOLTIPS
 * is on, and removed when the pointer leaves. */
void WMSetToolTip(Widget w, const char *text);
/* The widget's tip text, or NULL. */
const char *WMRtToolTip(Widget w);
/* PA_DO_TOOLTIPS (default on); the setters save the user's configuration. */
int WMRtDoToolTips(void);
void WMSetDoToolTips(int on);
void WMFlipDoToolTips(void);
/* The shared tip shell "tooltip_shell" (NULL before the first tip shows). */
Widget WMRtToolTipShell(void);
/* Keeps a tool window with the shell it serves (the window manager shows it
 * over the shell) while PA_ATTACH_TOOLS is on (default). Returns 1, or 0
 * when switched off or when the shell is not realized ("Can not attach; top
 * shell not realized" on standard output). */
int WMAttachToolWindow(Widget top_shell, Window tool_window);

/* ---- Item registry ---- */

/* Kind of the registered item whose main widget is `w`, or -1. */
int WMRtItemKind(Widget w);
/* Number of registered items. */
int WMRtItemCount(void);

/* ---- Busy cursor and event pumping ---- */

void WMBusyOn(Widget widget);
void WMBusyOff(Widget widget);
void WMUpdateDisplay(void);
/* Handles pending events (first waiting for one when `wait` is non-zero);
 * returns the number handled. */
int WMProcessEvents(int wait);
/* One round of the event loop: takes the next event (waiting for it) and
 * dispatches it as WMMainLoop does. */
void WMDispatchOneEvent(void);

/* ---- Event hooks of the loop (image windows register here) ---- */

typedef void (*WMEventHandler)(XtPointer client_data, XEvent *event);
/* Adds a handler of a handler class (0..31) for the image window `window_id`. */
int WMAddEventHandler(int handler_class, long window_id, WMEventHandler handler,
                      XtPointer client_data);
/* Adds a handler for image-window client messages with the given code. */
int WMAddClientMessageHandler(int code, WMEventHandler handler, XtPointer client_data);
/* Installs the raw-event hook that receives other client messages; it is
 * called with the first form of the process, its client data and the event. */
typedef void (*WMRawEventHook)(Widget first_form, XtPointer client_data, XEvent *event);
void WMSetRawEventHook(WMRawEventHook hook, XtPointer client_data);
/* Switches the loop's own hooks off (0) or on (1, the default). */
void WMEnableEventHooks(int on);

/* ---- Monitor locks (shared between processes of the suite) ---- */

/* Returns the 1-based index of the caller's lock, 0 when a live process
 * holds it (then *holder gets a copy of its name, to be freed by the caller),
 * or -1 when there is no shared lock list (a process not attached to the
 * suite's arena has no image windows whose displays could be locked). */
int WMAcquireMonitorLock(const char *name, int key, long mask, char **holder);
int WMQueryMonitorLock(int key, int kind, char **holder);
void WMReleaseMonitorLock(int index);

/* ---- Dialogs ---- */

/* Shows a modeless warning; returns the dialog. Logged. */
Widget WMShowWarning(const char *format, ...) __attribute__((format(printf, 1, 2)));
/* As WMShowWarning with a "Don't show me this warning again" toggle bound to
 * *flag; while *flag is non-zero only the log line is written (returns NULL). */
Widget WMShowWarningWithMemory(int *flag, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
/* A system-modal error that waits for OK; returns 0. Logged. */
int WMConfirmError(const char *format, ...) __attribute__((format(printf, 1, 2)));
/* A yes/no question; 1 for yes, 0 for no or close. */
int WMAskQuestion(const char *format, ...) __attribute__((format(printf, 1, 2)));
/* As WMAskQuestion with a "Don't ask me this again" toggle; *flag set: 1 at once. */
int WMAskQuestionWithMemory(int *flag, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
/* OK (ok_label) 1, Apply (extra_label, shown only when given) 2, Cancel/close 0. */
int WMAskLabelledQuestion(const char *message, const char *ok_label, const char *extra_label);
/* Prompts for a text: 1 after OK (buffer filled), -1 after cancel or close
 * (buffer emptied). */
int WMPromptString(const char *message, char *answer, const char *initial_text);
/* 0 while a prompt waits, 1 after OK with text, -1 after cancel or close. */
extern int WMStrAnswer;
/* An information note without buttons; returns the dialog. */
Widget WMShowInfo(const char *format, ...) __attribute__((format(printf, 1, 2)));
/* An information dialog with OK that disappears after `seconds` (>= 1). */
int WMShowTimedInfo(const char *text, int seconds);
/* Relabels the message box's Help button "Details..." to show the detail text. */
void WMAddDetailsButton(Widget message_box, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
/* Messages about a field appear over the field's shell: the layer sets this
 * while a field callback runs. NULL restores the base shell. */
void WMSetDialogParent(Widget parent);
Widget WMRtDialogParent(void);

/* Help for a topic: the page help/<first word>.htm (or .html) under the suite
 * base directory shown by the WMShowHelp program; waits for the viewer. */
void WMPresentHelp(const char *topic);
/* Help callback of registered items (client data: the topic text or NULL). */
void WMHelpCB(Widget w, XtPointer topic, XtPointer call_data);
/* Rings the bell: the suite's sound file when it and the player exist, else
 * the display bell for `seconds` at `volume` percent. */
void WMRingBell(int volume, int seconds);

/* Programs without a display (batch runs) route every dialog text through a
 * handler instead of a window. kind: one of WM_MESSAGE_*. The handler's
 * return value is the answer of a question (1 yes, 0 no). NULL restores
 * windows. The texts are still logged. */
enum {
  WM_MESSAGE_WARNING = 1,
  WM_MESSAGE_ERROR = 2,
  WM_MESSAGE_QUESTION = 3,
  WM_MESSAGE_INFO = 4
};
typedef int (*WMMessageHandler)(int kind, const char *text, void *client_data);
void WMSetMessageHandler(WMMessageHandler handler, void *client_data);

/* ---- Log file ---- */

/* Appends "[time]: message" to the user's log file; 0, or -1 when the file
 * cannot be opened (the line then goes to standard error). */
int WMLog(const char *format, ...) __attribute__((format(printf, 1, 2)));
/* The log directory (created on first use). */
const char *WMRtLogDirectory(void);

/* ---- File chooser and drag-and-drop ----
 *
 * The suite's own file chooser: a directory selector with shortcut
 * entries, a list of directories and files sorted by date or name, a
 * preview of suite images, a file name field and a file types filter (one
 * or more patterns separated by ",", ";" or blanks). It runs its own event
 * loop until the user is done. Paths are buffers of WM_CHOOSER_PATH_MAX
 * bytes. */
#define WM_CHOOSER_PATH_MAX 256

/* Lets the user choose a file. The title is the pending one
 * (WMSetNextTitle) or "Select File". The chooser starts in the caller's
 * directory and types unless the keyed file "directory_key_db" remembers a
 * directory and types under the key pair of this call (WMSetChooserKeys),
 * and remembers the directory and types of the choice under that pair;
 * `initial_name` (or NULL) is proposed in the name field, and an absolute
 * name is taken as the whole path. Returns 1 with the chosen path in
 * `result`, -1 when cancelled (result untouched), 0 when the database page
 * was asked for while the database is busy. Afterwards the key pair, the
 * pending title and the one-call settings below are back to their
 * defaults. */
int WMSelectFile(char *result, const char *directory, const char *types,
                 const char *initial_name);
/* Lets the user choose (or create) a directory, starting in
 * `start_directory` (the home directory when it does not exist). Returns 1
 * with the directory, ending in "/", in `result`, or -1. */
int WMChooseFolder(char *result, const char *start_directory);
/* The keys under which the next Select File looks up and stores its
 * directory and types ("QIX_DEF_DIR:" and "QIX_DEF_FILE_EXT:" otherwise). */
void WMSetChooserKeys(const char *dir_key, const char *types_key);
/* For the next Select File only: use the caller's directory and types as
 * given and remember nothing. */
void WMDisableChooserDefaults(void);
/* For the next Select File only: offer the image database page (when the
 * database is enabled with TS_ENABLE_DME and reachable). */
void WMWantChooserDatabase(void);

/* File icons dropped from desktop file managers (XDND version 3). Every
 * shell of the layer receives drops; a drop lands in the registered field
 * under the pointer, whose callback gets the dropped text with trailing
 * white space cut and percent escapes decoded. The layer's text fields are
 * registered already (their drops become file names, see WMDropIntoField).
 * At most 300 fields are registered at once. */
typedef void (*WMXdndDropProc)(Widget field, XtPointer client_data, const char *text, int length);
/* Returns 1, or 0 when the field has no shell or the table is full (a
 * message on standard error says which). */
int WMMakeWidgetXDNDAware(Widget field, WMXdndDropProc drop, XtPointer client_data);

#ifdef __cplusplus
}
#endif

#endif /* TREMOSCAN_WMLIB_H */
