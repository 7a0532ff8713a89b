// dialogs.cpp - every message the suite shows: warnings, errors, questions,
// prompts and information notes.
//
// The printf-style calls format into one 500-byte buffer (longer texts are
// cut at 499 characters). Warnings and errors are appended to the log file.
// The calls that wait for an answer run a nested event loop until their
// answer cell leaves its initial value:
//
//   question        local int     -1 -> 1 (OK) | 0 (Cancel, close)
//   labelled        gLabelled     -1 -> 1 (OK) | 2 (Apply) | 0 (Cancel, close)
//   prompt          WMStrAnswer    0 -> 1 (OK)  | -1 (Cancel, close)
//   error           acknowledged   0 -> 1 (OK, cancel, close)
//
// A program without a display installs a message handler; the texts then go
// to it instead of windows (and are still logged).
#include <Xm/DialogS.h>
#include <Xm/MessageB.h>
#include <Xm/Protocols.h>
#include <Xm/SelectioB.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "wm_state.h"

extern "C" {
int WMStrAnswer = 0;
}

namespace wm {

// Places a managed-to-be dialog at the pointer (or the screen centre when
// centring was requested), at least 50 pixels from the top-left edges and
// shifted back inside the screen at the right and bottom.
void PlaceDialog(Widget dialog) try {
  Widget shell = XtParent(dialog);
  XtVaSetValues(shell, XmNmappedWhenManaged, False, nullptr);
  XtVaSetValues(dialog, XmNdefaultPosition, False, nullptr);
  XtManageChild(dialog);
  Dimension width = 0, height = 0;
  XtVaGetValues(shell, XmNwidth, &width, XmNheight, &height, nullptr);

  Display* dpy = XtDisplay(dialog);
  int screen = DefaultScreen(dpy);
  int sw = DisplayWidth(dpy, screen), sh = DisplayHeight(dpy, screen);
  int cx, cy;
  if (TakeCenterRequest()) {
    cx = sw / 2;
    cy = sh / 2;
  } else {
    Window root, child;
    int wx, wy;
    unsigned int mask;
    XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &cx, &cy, &wx, &wy, &mask);
  }
  int x = cx - width / 2, y = cy - height / 2;
  if (x < 50) x = 50;
  if (x >= sw - width) x = sw - width;
  if (y < 50) y = 50;
  if (y >= sh - height) y = sh - height;
  XtVaSetValues(shell, XmNx, x, XmNy, y, nullptr);
  XtMapWidget(shell);
  if (XtWindow(shell)) XRaiseWindow(dpy, XtWindow(shell));
  XtVaSetValues(shell, XmNmappedWhenManaged, True, nullptr);
} catch (...) {
  wm::ReportEscapedException("PlaceDialog");
}

}  // namespace wm

using namespace wm;

namespace {

const size_t kMessageBufferSize = 500;
char gMessage[kMessageBufferSize];  // the shared message buffer
int gLabelledAnswer = -1;           // answer cell of the labelled question

void FormatMessage(const char* format, va_list ap) { vsnprintf(gMessage, sizeof gMessage, format, ap); }

// The shell dialogs are parented to: the override, else the base shell;
// before any window exists a shell titled "Confirm" is made the base shell.
Widget DialogParent() try {
  if (gWM.dialog_parent) return gWM.dialog_parent;
  if (gWM.baseshell) return gWM.baseshell;
  if (!EnsureToolkit()) return nullptr;
  Widget shell = WMCreateShell("Confirm");
  XtSetMappedWhenManaged(shell, False);
  XtRealizeWidget(shell);
  gWM.baseshell = shell;
  return shell;
} catch (...) {
  wm::ReportEscapedException("DialogParent");
  return {};
}

}  // namespace

namespace wm {

void GiveDialogTitle(Widget box, const char* title) try {
  // Without a title from the user's resources, a dialog shell would show
  // its widget name ("warning_popup"): it gets a word a person reads.
  Widget shell = XtParent(box);
  char* current = nullptr;
  XtVaGetValues(shell, XmNtitle, &current, nullptr);
  if (current && strcmp(current, XtName(shell)) != 0) return;
  XmString s = MakeXmString(title);
  XtVaSetValues(box, XmNdialogTitle, s, nullptr);
  XmStringFree(s);
} catch (...) {
  wm::ReportEscapedException("GiveDialogTitle");
}

}  // namespace wm

namespace {

void SetMessage(Widget box, const char* text) try {
  XmString s = MakeXmString(text);
  XtVaSetValues(box, XmNmessageString, s, nullptr);
  XmStringFree(s);
} catch (...) {
  wm::ReportEscapedException("SetMessage");
}

void RemoveButtons(Widget box, std::initializer_list<unsigned char> which) try {
  for (unsigned char child : which) {
    Widget button = XmMessageBoxGetChild(box, child);
    if (button) XtUnmanageChild(button);
  }
} catch (...) {
  wm::ReportEscapedException("RemoveButtons");
}

// Calls `callback` with `cell` when the window manager closes the dialog.
void OnWindowClose(Widget dialog, XtCallbackProc callback, XtPointer cell) try {
  Widget shell = XtParent(dialog);
  XtVaSetValues(shell, XmNdeleteResponse, XmDO_NOTHING, nullptr);
  Atom protocols = XmInternAtom(XtDisplay(shell), const_cast<char*>("WM_PROTOCOLS"), False);
  Atom del = XmInternAtom(XtDisplay(shell), const_cast<char*>("WM_DELETE_WINDOW"), False);
  XmAddProtocolCallback(shell, protocols, del, callback, cell);
} catch (...) {
  wm::ReportEscapedException("OnWindowClose");
}

void WaitUntilChanged(const volatile int* cell, int initial) try {
  while (*cell == initial) XtAppProcessEvent(gWM.app, XtIMAll);
} catch (...) {
  wm::ReportEscapedException("WaitUntilChanged");
}

// Destroys a message box together with its dialog shell. The destruction
// waits for the toolkit's next turn: a callback that runs outside event
// dispatch (called by a program, not by a click) would otherwise free the
// callback list that is calling it.
void DestroyDialogCB(Widget w, XtPointer, XtPointer) try {
  XtAppAddTimeOut(XtWidgetToApplicationContext(w), 0,
                  [](XtPointer shell, XtIntervalId*) { XtDestroyWidget(static_cast<Widget>(shell)); },
                  XtParent(w));
} catch (...) {
  wm::ReportEscapedException("DestroyDialogCB");
}

void SetCellCB(Widget, XtPointer cell, XtPointer) { *static_cast<int*>(cell) = 1; }

// Answer callbacks store a fixed value into the answer cell named by the
// client data.
template <int kValue>
void StoreAnswerCB(Widget, XtPointer cell, XtPointer) try {
  *static_cast<int*>(cell) = kValue;
} catch (...) {
  wm::ReportEscapedException("StoreAnswerCB");
}

void FlipFlagCB(Widget w, XtPointer flag, XtPointer) try {
  *static_cast<int*>(flag) = XmToggleButtonGetState(w) ? 1 : 0;
} catch (...) {
  wm::ReportEscapedException("FlipFlagCB");
}

void AddMemoryToggle(Widget box, int* flag, const char* label) try {
  XmString s = MakeXmString(label);
  Widget toggle = XtVaCreateManagedWidget("NAtoggle", xmToggleButtonWidgetClass, box,
                                          XmNlabelString, s, XmNset, False,
                                          XmNalignment, XmALIGNMENT_BEGINNING, nullptr);
  XmStringFree(s);
  Pixel background;
  if (AllocNamedColor(WMRtStdBackgroundColor(), &background))
    XtVaSetValues(toggle, XmNbackground, background, nullptr);
  XtAddCallback(toggle, XmNvalueChangedCallback, FlipFlagCB, flag);
} catch (...) {
  wm::ReportEscapedException("AddMemoryToggle");
}

bool Headless() { return gWM.message_handler != nullptr; }

int SendToHandler(int kind, const char* text) try {
  return gWM.message_handler(kind, text, gWM.message_handler_data);
} catch (...) {
  wm::ReportEscapedException("SendToHandler");
  return {};
}

Widget ShowWarningText(const char* text, int* memory_flag) try {
  Widget parent = DialogParent();
  if (!parent) {
    fprintf(stderr, "%s\n", text);
    return nullptr;
  }
  Arg arg;
  XtSetArg(arg, XmNdialogStyle, XmDIALOG_MODELESS);
  Widget box = XmCreateWarningDialog(parent, const_cast<char*>("warning"), &arg, 1);
  GiveDialogTitle(box, "Warning");
  // Closed by the window manager, the warning goes as it does on OK.
  XtVaSetValues(XtParent(box), XmNdeleteResponse, XmDESTROY, nullptr);
  SetMessage(box, text);
  RemoveButtons(box, {XmDIALOG_CANCEL_BUTTON, XmDIALOG_HELP_BUTTON});
  XtAddCallback(box, XmNokCallback, DestroyDialogCB, nullptr);
  XtAddCallback(box, XmNcancelCallback, DestroyDialogCB, nullptr);
  if (memory_flag) AddMemoryToggle(box, memory_flag, "Don't show me this warning again");
  PlaceDialog(box);
  return box;
} catch (...) {
  wm::ReportEscapedException("ShowWarningText");
  return {};
}

int AskYesNo(const char* text, int* memory_flag) try {
  if (Headless()) return SendToHandler(WM_MESSAGE_QUESTION, text) ? 1 : 0;
  Widget parent = DialogParent();
  if (!parent) return 0;
  int answer = -1;
  Arg arg;
  XtSetArg(arg, XmNdialogStyle, XmDIALOG_PRIMARY_APPLICATION_MODAL);
  Widget box = XmCreateQuestionDialog(parent, const_cast<char*>("question"), &arg, 1);
  GiveDialogTitle(box, "Question");
  SetMessage(box, text);
  RemoveButtons(box, {XmDIALOG_HELP_BUTTON});
  XtAddCallback(box, XmNokCallback, StoreAnswerCB<1>, &answer);
  XtAddCallback(box, XmNcancelCallback, StoreAnswerCB<0>, &answer);
  OnWindowClose(box, StoreAnswerCB<0>, &answer);
  if (memory_flag) AddMemoryToggle(box, memory_flag, "Don't ask me this again");
  PlaceDialog(box);
  WaitUntilChanged(&answer, -1);
  XtDestroyWidget(XtParent(box));
  return answer == 1 ? 1 : 0;
} catch (...) {
  wm::ReportEscapedException("AskYesNo");
  return {};
}

}  // namespace

extern "C" {

void WMSetMessageHandler(WMMessageHandler handler, void* client_data) try {
  gWM.message_handler = handler;
  gWM.message_handler_data = client_data;
} catch (...) {
  wm::ReportEscapedException("WMSetMessageHandler");
}

void WMSetDialogParent(Widget parent) { gWM.dialog_parent = parent; }
Widget WMRtDialogParent(void) { return gWM.dialog_parent ? gWM.dialog_parent : gWM.baseshell; }

Widget WMShowWarning(const char* format, ...) try {
  va_list ap;
  va_start(ap, format);
  FormatMessage(format, ap);
  va_end(ap);
  WMLog("WMShowWarning: %s", gMessage);
  if (Headless()) {
    SendToHandler(WM_MESSAGE_WARNING, gMessage);
    return nullptr;
  }
  return ShowWarningText(gMessage, nullptr);
} catch (...) {
  wm::ReportEscapedException("WMShowWarning");
  return {};
}

Widget WMShowWarningWithMemory(int* flag, const char* format, ...) try {
  va_list ap;
  va_start(ap, format);
  FormatMessage(format, ap);
  va_end(ap);
  if (flag && *flag) {
    WMLog("WMShowWarning (dialog disabled by user): %s", gMessage);
    return nullptr;
  }
  WMLog("WMShowWarning: %s", gMessage);
  if (Headless()) {
    SendToHandler(WM_MESSAGE_WARNING, gMessage);
    return nullptr;
  }
  return ShowWarningText(gMessage, flag);
} catch (...) {
  wm::ReportEscapedException("WMShowWarningWithMemory");
  return {};
}

int WMConfirmError(const char* format, ...) try {
  va_list ap;
  va_start(ap, format);
  FormatMessage(format, ap);
  va_end(ap);
  WMLog("WMConfirmError: %s", gMessage);
  if (Headless()) {
    SendToHandler(WM_MESSAGE_ERROR, gMessage);
    return 0;
  }
  Widget parent = DialogParent();
  if (!parent) {
    fprintf(stderr, "%s\n", gMessage);
    return 0;
  }
  int acknowledged = 0;
  Arg arg;
  XtSetArg(arg, XmNdialogStyle, XmDIALOG_SYSTEM_MODAL);
  Widget box = XmCreateErrorDialog(parent, const_cast<char*>("error"), &arg, 1);
  GiveDialogTitle(box, "Error");
  SetMessage(box, gMessage);
  RemoveButtons(box, {XmDIALOG_CANCEL_BUTTON, XmDIALOG_HELP_BUTTON});
  XtAddCallback(box, XmNokCallback, SetCellCB, &acknowledged);
  XtAddCallback(box, XmNcancelCallback, SetCellCB, &acknowledged);
  OnWindowClose(box, SetCellCB, &acknowledged);
  PlaceDialog(box);
  XBell(XtDisplay(box), 50);
  WaitUntilChanged(&acknowledged, 0);
  XtDestroyWidget(XtParent(box));
  return 0;
} catch (...) {
  wm::ReportEscapedException("WMConfirmError");
  return {};
}

int WMAskQuestion(const char* format, ...) try {
  va_list ap;
  va_start(ap, format);
  FormatMessage(format, ap);
  va_end(ap);
  return AskYesNo(gMessage, nullptr);
} catch (...) {
  wm::ReportEscapedException("WMAskQuestion");
  return {};
}

int WMAskQuestionWithMemory(int* flag, const char* format, ...) try {
  if (flag && *flag) return 1;
  va_list ap;
  va_start(ap, format);
  FormatMessage(format, ap);
  va_end(ap);
  return AskYesNo(gMessage, flag);
} catch (...) {
  wm::ReportEscapedException("WMAskQuestionWithMemory");
  return {};
}

int WMAskLabelledQuestion(const char* message, const char* ok_label, const char* extra_label) try {
  if (Headless()) return SendToHandler(WM_MESSAGE_QUESTION, message ? message : "") ? 1 : 0;
  Widget parent = DialogParent();
  if (!parent) return 0;
  gLabelledAnswer = -1;
  Arg arg;
  XtSetArg(arg, XmNdialogStyle, XmDIALOG_PRIMARY_APPLICATION_MODAL);
  Widget box = XmCreatePromptDialog(parent, const_cast<char*>("question"), &arg, 1);
  GiveDialogTitle(box, "Question");
  XmString s = MakeXmString(message);
  XmString cancel = MakeXmString("Cancel");
  XtVaSetValues(box, XmNselectionLabelString, s, XmNcancelLabelString, cancel, nullptr);
  XmStringFree(s);
  XmStringFree(cancel);
  if (ok_label) {
    XmString ok = MakeXmString(ok_label);
    XtVaSetValues(box, XmNokLabelString, ok, nullptr);
    XmStringFree(ok);
  }
  XtUnmanageChild(XmSelectionBoxGetChild(box, XmDIALOG_TEXT));
  XtUnmanageChild(XmSelectionBoxGetChild(box, XmDIALOG_HELP_BUTTON));
  if (extra_label) {
    XmString apply = MakeXmString(extra_label);
    XtVaSetValues(box, XmNapplyLabelString, apply, nullptr);
    XmStringFree(apply);
    XtManageChild(XmSelectionBoxGetChild(box, XmDIALOG_APPLY_BUTTON));
    XtAddCallback(box, XmNapplyCallback, StoreAnswerCB<2>, &gLabelledAnswer);
  }
  XtAddCallback(box, XmNokCallback, StoreAnswerCB<1>, &gLabelledAnswer);
  XtAddCallback(box, XmNcancelCallback, StoreAnswerCB<0>, &gLabelledAnswer);
  OnWindowClose(box, StoreAnswerCB<0>, &gLabelledAnswer);
  PlaceDialog(box);
  WaitUntilChanged(&gLabelledAnswer, -1);
  Widget shell = XtParent(box);
  XtUnmapWidget(shell);
  XtDestroyWidget(shell);
  XFlush(gWM.display);
  XSync(gWM.display, False);
  return gLabelledAnswer;
} catch (...) {
  wm::ReportEscapedException("WMAskLabelledQuestion");
  return {};
}

int WMPromptString(const char* message, char* answer, const char* initial_text) try {
  WMStrAnswer = 0;
  if (Headless()) {
    // Without a display nobody can type: the prompt counts as cancelled.
    SendToHandler(WM_MESSAGE_QUESTION, message ? message : "");
    if (answer) answer[0] = '\0';
    WMStrAnswer = -1;
    return WMStrAnswer;
  }
  Widget parent = DialogParent();
  if (!parent) {
    if (answer) answer[0] = '\0';
    WMStrAnswer = -1;
    return WMStrAnswer;
  }
  Widget box = XmCreatePromptDialog(parent, const_cast<char*>("prompt"), nullptr, 0);
  GiveDialogTitle(box, "Input");
  XmString s = MakeXmString(message);
  XmString text = MakeXmString(initial_text ? initial_text : "");
  XtVaSetValues(box, XmNselectionLabelString, s, XmNtextString, text, nullptr);
  XmStringFree(s);
  XmStringFree(text);
  XtUnmanageChild(XmSelectionBoxGetChild(box, XmDIALOG_HELP_BUTTON));

  struct PromptState {
    char* answer;
  } state{answer};
  auto read_string = [](Widget w, XtPointer client, XtPointer) {
    auto* st = static_cast<PromptState*>(client);
    char* typed = XmTextFieldGetString(XmSelectionBoxGetChild(w, XmDIALOG_TEXT));
    if (st->answer) strcpy(st->answer, typed ? typed : "");
    XtFree(typed);
    WMStrAnswer = 1;
  };
  auto cancel = [](Widget, XtPointer client, XtPointer) {
    auto* st = static_cast<PromptState*>(client);
    if (st->answer) st->answer[0] = '\0';
    WMStrAnswer = -1;
  };
  XtAddCallback(box, XmNokCallback, read_string, &state);
  XtAddCallback(box, XmNcancelCallback, cancel, &state);
  OnWindowClose(box, cancel, &state);
  PlaceDialog(box);
  WaitUntilChanged(&WMStrAnswer, 0);
  XtDestroyWidget(XtParent(box));
  return WMStrAnswer;
} catch (...) {
  wm::ReportEscapedException("WMPromptString");
  return {};
}

Widget WMShowInfo(const char* format, ...) try {
  va_list ap;
  va_start(ap, format);
  FormatMessage(format, ap);
  va_end(ap);
  if (Headless()) {
    SendToHandler(WM_MESSAGE_INFO, gMessage);
    return nullptr;
  }
  Widget parent = DialogParent();
  if (!parent) return nullptr;
  Widget box = XmCreateInformationDialog(parent, const_cast<char*>("info_dialog"), nullptr, 0);
  GiveDialogTitle(box, "Information");
  SetMessage(box, gMessage);
  RemoveButtons(box, {XmDIALOG_CANCEL_BUTTON, XmDIALOG_HELP_BUTTON, XmDIALOG_OK_BUTTON});
  PlaceDialog(box);
  return box;
} catch (...) {
  wm::ReportEscapedException("WMShowInfo");
  return {};
}

int WMShowTimedInfo(const char* text, int seconds) try {
  if (Headless()) {
    SendToHandler(WM_MESSAGE_INFO, text ? text : "");
    return 0;
  }
  Widget parent = DialogParent();
  if (!parent) return 0;
  Widget box = XmCreateInformationDialog(parent, const_cast<char*>("info_dialog"), nullptr, 0);
  GiveDialogTitle(box, "Information");
  XtVaSetValues(XtParent(box), XmNdeleteResponse, XmDESTROY, nullptr);
  SetMessage(box, text);
  RemoveButtons(box, {XmDIALOG_CANCEL_BUTTON, XmDIALOG_HELP_BUTTON});
  XtAddCallback(box, XmNokCallback, DestroyDialogCB, nullptr);
  XtAddCallback(box, XmNcancelCallback, DestroyDialogCB, nullptr);
  if (seconds >= 1) {
    // The timer must not fire on a dialog the user already closed: the
    // dialog's destruction removes it.
    XtIntervalId id = XtAppAddTimeOut(
        gWM.app, static_cast<unsigned long>(seconds) * 1000,
        [](XtPointer client, XtIntervalId*) {
          Widget dialog = static_cast<Widget>(client);
          XtRemoveAllCallbacks(dialog, XmNdestroyCallback);
          XtDestroyWidget(XtParent(dialog));
        },
        box);
    XtAddCallback(box, XmNdestroyCallback,
                  [](Widget, XtPointer client, XtPointer) {
                    XtRemoveTimeOut(static_cast<XtIntervalId>(reinterpret_cast<uintptr_t>(client)));
                  },
                  reinterpret_cast<XtPointer>(static_cast<uintptr_t>(id)));
  }
  PlaceDialog(box);
  return 0;
} catch (...) {
  wm::ReportEscapedException("WMShowTimedInfo");
  return {};
}

void WMAddDetailsButton(Widget message_box, const char* format, ...) try {
  if (!message_box) return;
  char details[2048];
  va_list ap;
  va_start(ap, format);
  vsnprintf(details, sizeof details, format, ap);
  va_end(ap);
  char* copy = XtNewString(details);
  Widget help = XmMessageBoxGetChild(message_box, XmDIALOG_HELP_BUTTON);
  if (!help) {
    XtFree(copy);
    return;
  }
  XmString label = MakeXmString("Details...");
  XtVaSetValues(help, XmNlabelString, label, nullptr);
  XmStringFree(label);
  XtManageChild(help);
  XtAddCallback(message_box, XmNhelpCallback,
                [](Widget, XtPointer text, XtPointer) { WMShowWarning("%s", static_cast<char*>(text)); },
                copy);
  XtAddCallback(message_box, XmNdestroyCallback,
                [](Widget, XtPointer text, XtPointer) { XtFree(static_cast<char*>(text)); }, copy);
} catch (...) {
  wm::ReportEscapedException("WMAddDetailsButton");
}

}  // extern "C"
