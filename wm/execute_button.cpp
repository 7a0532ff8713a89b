// execute_button.cpp - the "Do It" button: runs a shell command line in the
// background and lets the user cancel it.
//
//   idle --press, pre-callback agrees--> running   [ExecuteCB: fork]
//   running --child's SIGUSR1--> idle              [CommandDoneCB]
//   running --press, "Yes" to the question--> idle [ExecuteCB: SIGKILL to the group]
//
// The child puts itself into a process group of its own, runs the line
// through the shell, tells the parent with SIGUSR1 that it is done and
// exits; cancelling kills the whole group, so commands the line started in
// the background die with it. The signal handler only notes the signal;
// the toolkit runs CommandDoneCB from its loop, where widgets may be
// touched. One execute button exists per process.
#include <Xm/MessageB.h>
#include <Xm/PushB.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "wm_state.h"

using namespace wm;

namespace {

struct ExecuteButtonState {
  Widget button = nullptr;             // the one execute button, null when none
  const char* command = nullptr;       // the caller's command text ("NULL": none)
  const char* arguments = nullptr;     // the caller's argument text
  WMPreExecuteProc pre_callback = nullptr;  // may veto a run with a negative answer
  XtPointer client_data = nullptr;     // for the pre-callback
  pid_t child = 0;                     // the running child (= its process group), 0 when idle
  XtSignalId done_signal = 0;          // the toolkit's note of SIGUSR1
} gExec;

void SetLabel(const char* text) {
  if (!gExec.button) return;
  XmString s = MakeXmString(text);
  XtVaSetValues(gExec.button, XmNlabelString, s, nullptr);
  XmStringFree(s);
}

void Reap() {
  if (gExec.child > 0) waitpid(gExec.child, nullptr, 0);
  gExec.child = 0;
}

void CommandDoneCB(XtPointer, XtSignalId*) try {
  if (gExec.child <= 0) return;
  // The child signals just before it exits: waiting for it is brief.
  Reap();
  SetLabel("Do It");
  if (gExec.button) XmUpdateDisplay(gExec.button);
} catch (...) {
  wm::ReportEscapedException("CommandDoneCB");
}

void Usr1Handler(int) {
  if (gExec.done_signal) XtNoticeSignal(gExec.done_signal);
}

std::string CommandLine() {
  std::string line;
  if (gExec.command && std::string(gExec.command) != "NULL") line = gExec.command;
  line += " ";
  if (gExec.arguments) line += gExec.arguments;
  return line;
}

void StartCommand() {
  std::string line = CommandLine();
  fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) {
    perror("WMExecuteButton: fork");
    return;
  }
  if (pid == 0) {
    setpgid(0, 0);
    int status = system(line.c_str());
    kill(getppid(), SIGUSR1);
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
  }
  // Also set here: a cancel that comes before the child ran its first
  // line must still find the group.
  setpgid(pid, pid);
  gExec.child = pid;
  SetLabel("Cancel");
}

// The full-application-modal question; 1 for yes.
int AskCancel() {
  const char* question = "Are You Sure You Want To Cancel?";
  if (gWM.message_handler)
    return gWM.message_handler(WM_MESSAGE_QUESTION, question, gWM.message_handler_data) ? 1 : 0;
  int answer = -1;
  XmString text = MakeXmString(question), yes = MakeXmString("Yes"), no = MakeXmString("No");
  Arg args[4];
  XtSetArg(args[0], XmNdialogStyle, XmDIALOG_FULL_APPLICATION_MODAL);
  XtSetArg(args[1], XmNmessageString, text);
  XtSetArg(args[2], XmNokLabelString, yes);
  XtSetArg(args[3], XmNcancelLabelString, no);
  Widget box = XmCreateQuestionDialog(ShellOf(gExec.button), const_cast<char*>("question"), args, 4);
  XmStringFree(text);
  XmStringFree(yes);
  XmStringFree(no);
  XtUnmanageChild(XmMessageBoxGetChild(box, XmDIALOG_HELP_BUTTON));
  auto store = [](Widget, XtPointer cell, XtPointer call) {
    *static_cast<int*>(cell) = static_cast<XmAnyCallbackStruct*>(call)->reason == XmCR_OK ? 1 : 0;
  };
  XtAddCallback(box, XmNokCallback, store, &answer);
  XtAddCallback(box, XmNcancelCallback, store, &answer);
  GiveDialogTitle(box, "Question");
  PlaceDialog(box);
  while (answer == -1 && XtIsManaged(box)) XtAppProcessEvent(XtWidgetToApplicationContext(box), XtIMAll);
  XtDestroyWidget(XtParent(box));
  return answer == 1 ? 1 : 0;
}

void ExecuteCB(Widget, XtPointer, XtPointer) try {
  if (gExec.child == 0) {
    if (gExec.pre_callback && gExec.pre_callback(gExec.button, gExec.client_data) < 0) return;
    StartCommand();
    return;
  }
  if (!AskCancel() || gExec.child == 0) return;  // the command may have ended meanwhile
  kill(-gExec.child, SIGKILL);
  Reap();
  SetLabel("Do It");
} catch (...) {
  wm::ReportEscapedException("ExecuteCB");
}

void ForgetButtonCB(Widget, XtPointer, XtPointer) { gExec.button = nullptr; }

}  // namespace

extern "C" {

Widget WMExecuteButton(const char* command, const char* arguments, WMPreExecuteProc pre_callback,
                       XtPointer client_data) try {
  if (!gWM.current_form) return nullptr;
  if (gExec.button) {
    fprintf(stderr, "WMExecuteButton: a process has one execute button only\n");
    return nullptr;
  }
  Widget button = PlaceFuncButton("Do It", "Cancel");  // wide enough for both labels
  ItemRecord* r = RegisterItem(button, WM_KIND_EXECUTE_BUTTON);
  r->label = XtNewString("Do It");

  gExec.button = button;
  gExec.command = command;
  gExec.arguments = arguments;
  gExec.pre_callback = pre_callback;
  gExec.client_data = client_data;
  if (!gExec.done_signal) {
    gExec.done_signal = XtAppAddSignal(XtWidgetToApplicationContext(button), CommandDoneCB, nullptr);
    struct sigaction action = {};
    action.sa_handler = Usr1Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
  }
  XtAddCallback(button, XmNactivateCallback, ExecuteCB, nullptr);
  XtAddCallback(button, XmNdestroyCallback, ForgetButtonCB, nullptr);
  return button;
} catch (...) {
  wm::ReportEscapedException("WMExecuteButton");
  return {};
}

int WMRtExecuteChild(void) { return static_cast<int>(gExec.child); }

}  // extern "C"
