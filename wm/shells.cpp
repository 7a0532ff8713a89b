// shells.cpp - top-level shells, the main window, dialog windows, the
// window-close protocol and shell realization.
//
// Lifecycle of a shell:
//   created [WMCreateShell]  -> appended to the shell list (realized = 0)
//   realized [WMRealizeShell] -> centred or clamped 5 px inside the screen,
//                                size locked unless resizable, mapped,
//                                activated; becomes `baseshell` (realized = 1)
// A new main window resets the shell list, the placement cursor and the item
// registry: it starts a new application window from scratch.
#include <X11/Shell.h>
#include <X11/Xatom.h>
#include <X11/xpm.h>
#include <Xm/DialogS.h>
#include <Xm/Form.h>
#include <Xm/MainW.h>
#include <Xm/MwmUtil.h>
#include <Xm/Protocols.h>
#include <Xm/ScrolledW.h>

#include <cstdio>
#include <cstring>

#include "iwbase.h"
#include "wm_state.h"
#include "xdnd_receiver.h"

namespace wm {
namespace {

// Window-manager decorations and functions by (title given, resizable).
struct ShellHints {
  int decorations;
  int functions;
};

ShellHints HintsFor(bool titled, bool resizable) {
  if (titled && resizable) return {MWM_DECOR_ALL, MWM_FUNC_ALL};
  if (titled)  // border, title, menu, minimize; move, minimize, close
    return {MWM_DECOR_BORDER | MWM_DECOR_TITLE | MWM_DECOR_MENU | MWM_DECOR_MINIMIZE,
            MWM_FUNC_MOVE | MWM_FUNC_MINIMIZE | MWM_FUNC_CLOSE};
  if (resizable) return {MWM_DECOR_BORDER | MWM_DECOR_RESIZEH, MWM_FUNC_ALL};
  return {MWM_DECOR_BORDER, MWM_FUNC_MOVE | MWM_FUNC_MINIMIZE | MWM_FUNC_CLOSE};
}

void SetIcon(Widget shell) {
  char base[256];
  IWRtBaseDir(base);
  char path[512];
  snprintf(path, sizeof path, "%s/config/pixmaps/%s", base, "pa_app_icon.xpm");
  Pixmap icon = 0, mask = 0;
  Display* dpy = XtDisplay(shell);
  // A missing or unreadable icon is no error: the shell simply has none.
  if (XpmReadFileToPixmap(dpy, DefaultRootWindow(dpy), path, &icon, &mask, nullptr) != XpmSuccess)
    return;
  XtVaSetValues(shell, XmNiconPixmap, icon, nullptr);
  if (mask) XtVaSetValues(shell, XmNiconMask, mask, nullptr);
}

void PointerPosition(int* x, int* y) {
  Window root, child;
  int wx, wy;
  unsigned int mask;
  *x = *y = 0;
  XQueryPointer(gWM.display, DefaultRootWindow(gWM.display), &root, &child, x, y, &wx, &wy, &mask);
}

// A destroyed shell leaves the shell list and stops being a default parent,
// so no later call touches a freed widget.
void ForgetShellCB(Widget shell, XtPointer, XtPointer) try {
  for (size_t i = 0; i < gWM.shells.size(); ++i) {
    if (gWM.shells[i] != shell) continue;
    gWM.shells.erase(gWM.shells.begin() + static_cast<long>(i));
    gWM.shell_realized.erase(gWM.shell_realized.begin() + static_cast<long>(i));
    break;
  }
  gWM.shell_resizable.erase(shell);
  if (gWM.topshell == shell) gWM.topshell = nullptr;
  if (gWM.baseshell == shell) gWM.baseshell = nullptr;
  if (gWM.firstshell == shell) gWM.firstshell = nullptr;
  if (gWM.dialog_parent == shell) gWM.dialog_parent = nullptr;
} catch (...) {
  wm::ReportEscapedException("ForgetShellCB");
}

void AppendShell(Widget shell) {
  gWM.shells.push_back(shell);
  gWM.shell_realized.push_back(0);
}

// A fresh placement cursor at the top-left corner of `form`.
void ResetCursor(Widget form) {
  gWM.current_form = form;
  gWM.xstart = gWM.left = gWM.top = form;
  gWM.new_row = 1;
  gWM.first_in_form = 1;
}

// Common start of the three main-window variants. Returns the new shell.
Widget StartApplicationShell(const char* title) {
  Widget shell = WMCreateShell(title);
  if (!shell) return nullptr;
  gWM.shells.clear();
  gWM.shell_realized.clear();
  AppendShell(shell);
  gWM.topshell = gWM.baseshell = shell;
  if (!gWM.firstshell) gWM.firstshell = shell;
  return shell;
}

void FinishApplicationForm(Widget form) {
  if (!gWM.form1) {
    gWM.form1 = form;
    ClearEventTables();
  }
  ResetCursor(form);
  gWM.stack_depth = 0;
  ResetRegistry();
}

void DeleteWindowCB(Widget, XtPointer, XtPointer) {}

}  // namespace
}  // namespace wm

using namespace wm;

extern "C" {

Widget WMCreateShell(const char* title) try {
  if (!EnsureToolkit()) return nullptr;
  bool titled = title && *title;
  bool resizable = gWM.resizable_next != 0;
  gWM.resizable_next = 0;
  ShellHints hints = HintsFor(titled, resizable);

  int px, py;
  PointerPosition(&px, &py);

  Arg args[12];
  Cardinal n = 0;
  XtSetArg(args[n], XmNallowShellResize, False); ++n;
  XtSetArg(args[n], XmNmwmDecorations, hints.decorations); ++n;
  XtSetArg(args[n], XmNmwmFunctions, hints.functions); ++n;
  XtSetArg(args[n], XmNx, px - 10); ++n;
  XtSetArg(args[n], XmNy, py - 10); ++n;
  if (titled) {
    XtSetArg(args[n], XmNtitle, title); ++n;
    XtSetArg(args[n], XmNiconName, title); ++n;
  }
  Pixel background;
  if (AllocNamedColor(WMRtStdBackgroundColor(), &background)) {
    XtSetArg(args[n], XmNbackground, background); ++n;
  }
  Widget shell = XtAppCreateShell(titled ? title : "", WMRtApplicationClass(),
                                  topLevelShellWidgetClass, gWM.display, args, n);
  SetIcon(shell);
  gWM.shell_resizable[shell] = resizable ? 1 : 0;
  XtAddCallback(shell, XmNdestroyCallback, ForgetShellCB, nullptr);
  InstallXdndReceiver(shell);
  gWM.topshell = shell;
  return shell;
} catch (...) {
  wm::ReportEscapedException("WMCreateShell");
  return {};
}

Widget WMCreateMainWindow(const char* title) try {
  Widget shell = StartApplicationShell(title);
  if (!shell) return nullptr;
  Widget main_window = XmCreateMainWindow(shell, const_cast<char*>("main_window"), nullptr, 0);
  XtManageChild(main_window);
  Widget form = XmCreateForm(main_window, const_cast<char*>("form"), nullptr, 0);
  XtManageChild(form);
  XtVaSetValues(main_window, XmNworkWindow, form, nullptr);
  FinishApplicationForm(form);
  HandDisplayToImageWindows(gWM.display);
  return form;
} catch (...) {
  wm::ReportEscapedException("WMCreateMainWindow");
  return {};
}

Widget WMCreateMainForm(const char* title) try {
  Widget shell = StartApplicationShell(title);
  if (!shell) return nullptr;
  Widget form = XmCreateForm(shell, const_cast<char*>("form"), nullptr, 0);
  XtManageChild(form);
  FinishApplicationForm(form);
  return form;
} catch (...) {
  wm::ReportEscapedException("WMCreateMainForm");
  return {};
}

int WMCreateAdditionalShell(const char* title) try {
  Widget shell = WMCreateShell(title);
  if (!shell) return -1;
  AppendShell(shell);
  Widget form = XmCreateForm(shell, const_cast<char*>("form"), nullptr, 0);
  XtManageChild(form);
  ResetCursor(form);
  return static_cast<int>(gWM.shells.size()) - 1;
} catch (...) {
  wm::ReportEscapedException("WMCreateAdditionalShell");
  return {};
}

Widget WMCreateDialogWindow(const char* title, int modal) try {
  if (!EnsureToolkit()) return nullptr;
  Widget parent = WMRtDialogParent();
  if (!parent) {
    // No window exists yet: dialogs need a parent shell.
    parent = WMCreateShell("Confirm");
    gWM.baseshell = parent;
  }
  bool resizable = gWM.resizable_next != 0;
  gWM.resizable_next = 0;
  XmString xm_title = MakeXmString(title);
  Arg args[8];
  Cardinal n = 0;
  XtSetArg(args[n], XmNmarginWidth, 2); ++n;
  XtSetArg(args[n], XmNmarginHeight, 2); ++n;
  XtSetArg(args[n], XmNdialogTitle, xm_title); ++n;
  XtSetArg(args[n], XmNnoResize, resizable ? False : True); ++n;
  XtSetArg(args[n], XmNdialogStyle,
           modal ? XmDIALOG_FULL_APPLICATION_MODAL : XmDIALOG_MODELESS); ++n;
  XtSetArg(args[n], XmNautoUnmanage, False); ++n;
  Widget form = XmCreateFormDialog(parent, const_cast<char*>("form"), args, n);
  XmStringFree(xm_title);
  Widget dialog_shell = XtParent(form);
  AppendShell(dialog_shell);
  XtAddCallback(dialog_shell, XmNdestroyCallback, ForgetShellCB, nullptr);
  InstallXdndReceiver(dialog_shell);
  gWM.topshell = dialog_shell;
  ResetCursor(form);
  return form;
} catch (...) {
  wm::ReportEscapedException("WMCreateDialogWindow");
  return {};
}

Widget WMCreateMessageForm(Widget main_window) try {
  if (!main_window || !XmIsMainWindow(main_window)) return nullptr;
  if (gWM.stack_depth >= WM_FORM_STACK_DEPTH) return nullptr;
  Widget form = XmCreateForm(main_window, const_cast<char*>("form"), nullptr, 0);
  XtManageChild(form);
  XtVaSetValues(main_window, XmNmessageWindow, form, nullptr);
  WMPushForm(form);
  return form;
} catch (...) {
  wm::ReportEscapedException("WMCreateMessageForm");
  return {};
}

int WMSetDeleteCallback(Widget shell, XtCallbackProc callback, XtPointer client_data) try {
  if (!shell) shell = gWM.baseshell;
  if (!shell || !XtIsVendorShell(shell)) return 0;
  XtVaSetValues(shell, XmNdeleteResponse, XmDO_NOTHING, nullptr);
  Atom protocols = XmInternAtom(XtDisplay(shell), const_cast<char*>("WM_PROTOCOLS"), False);
  Atom delete_window = XmInternAtom(XtDisplay(shell), const_cast<char*>("WM_DELETE_WINDOW"), False);
  XmAddProtocolCallback(shell, protocols, delete_window, callback ? callback : DeleteWindowCB,
                        client_data);
  return 1;
} catch (...) {
  wm::ReportEscapedException("WMSetDeleteCallback");
  return {};
}

void WMRealizeShell(void) try {
  AssertWidgetLayerState();
  if (gWM.shells.empty()) return;
  Widget shell = gWM.shells.back();
  size_t index = gWM.shells.size() - 1;
  Display* dpy = XtDisplay(shell);
  int screen = DefaultScreen(dpy);
  int screen_w = DisplayWidth(dpy, screen), screen_h = DisplayHeight(dpy, screen);

  XtVaSetValues(shell, XmNmappedWhenManaged, False, nullptr);
  XtRealizeWidget(shell);

  Dimension width = 0, height = 0;
  Position x = 0, y = 0;
  XtVaGetValues(shell, XmNwidth, &width, XmNheight, &height, XmNx, &x, XmNy, &y, nullptr);
  int nx = x, ny = y;
  if (TakeCenterRequest()) {
    nx = screen_w / 2 - width / 2;
    ny = screen_h / 2 - height / 2;
  }
  // Keep the window inside the screen with a 5-pixel margin.
  if (nx > screen_w - width - 5) nx = screen_w - width - 5;
  if (ny > screen_h - height - 5) ny = screen_h - height - 5;
  XtVaSetValues(shell, XmNx, nx, XmNy, ny, nullptr);
  XmUpdateDisplay(shell);

  int functions = 0;
  XtVaGetValues(shell, XmNmwmFunctions, &functions, nullptr);
  if (!(functions & (MWM_FUNC_ALL | MWM_FUNC_RESIZE))) {
    XtVaSetValues(shell, XmNminWidth, width, XmNmaxWidth, width, XmNminHeight, height,
                  XmNmaxHeight, height, nullptr);
  }

  // Scrolled lists of function buttons: buttons as wide as the list window.
  for (ItemRecord* r = gWM.registry_head; r && r != gWM.registry_tail; r = r->next) {
    if (r->kind != WM_KIND_BUTTON_LIST || !r->widget) continue;
    Dimension list_width = 0;
    XtVaGetValues(r->widget, XmNwidth, &list_width, nullptr);
    for (int i = 0; i < r->child_count; ++i)
      if (list_width > 28) XtVaSetValues(r->children[i], XmNwidth, list_width - 28, nullptr);
  }

  XtMapWidget(shell);
  // Ask the window manager to activate the window (EWMH, source: application).
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = XtWindow(shell);
  event.xclient.message_type = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, DefaultRootWindow(dpy), False,
             SubstructureNotifyMask | SubstructureRedirectMask, &event);
  XRaiseWindow(dpy, XtWindow(shell));
  XSync(dpy, False);

  gWM.baseshell = shell;
  gWM.shell_realized[index] = 1;
  if (gWM.form1 && !gWM.form1_published) {
    gWM.form1_published = true;
    PublishFirstForm(gWM.form1);
  }
} catch (...) {
  wm::ReportEscapedException("WMRealizeShell");
}

int WMRtShellResizable(Widget shell) try {
  auto it = gWM.shell_resizable.find(shell);
  return it == gWM.shell_resizable.end() ? 0 : it->second;
} catch (...) {
  wm::ReportEscapedException("WMRtShellResizable");
  return {};
}

Widget WMRtTopShell(void) { return gWM.topshell; }
Widget WMRtBaseShell(void) { return gWM.baseshell; }
int WMRtShellCount(void) { return static_cast<int>(gWM.shells.size()); }
Widget WMRtShell(int index) try {
  if (index < 0 || index >= static_cast<int>(gWM.shells.size())) return nullptr;
  return gWM.shells[index];
} catch (...) {
  wm::ReportEscapedException("WMRtShell");
  return {};
}

}  // extern "C"
