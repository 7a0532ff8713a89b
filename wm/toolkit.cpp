// toolkit.cpp - opening the toolkit, the application class, and the colours
// every item of the layer shares (standard background, text-field colour,
// the standout colour of push buttons).
//
// The toolkit is opened with a one-word argument vector (the application
// class), so the program's own command line never reaches Xt, and with a
// single fallback resource line that carries the standard background colour
// when one is configured.
#include <Xm/Xm.h>
#include <X11/Shell.h>

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "iwbase.h"
#include "wm_state.h"

namespace wm {

WidgetLayerState gWM;

void AssertWidgetLayerState() {
#ifndef NDEBUG
  const WidgetLayerState& s = gWM;
  if (s.current_form) assert(s.top && s.xstart);
  assert(s.stack_depth >= 0 && s.stack_depth <= WM_FORM_STACK_DEPTH);
  assert((s.registry_head == nullptr) == (s.registry_tail == nullptr));
  if (s.registry_tail) {
    assert(!s.registry_tail->widget && !s.registry_tail->next);
    assert(!s.registry_head->prev);
    const ItemRecord* r = s.registry_head;
    while (r != s.registry_tail) {
      assert(r->next && r->next->prev == r);
      r = r->next;
    }
  }
  assert(s.shells.size() == s.shell_realized.size());
#endif
}

namespace {

const char* kDefaultAppClass = "Photarch";

const char* AppClass() {
  if (gWM.app_class[0] == '\0') snprintf(gWM.app_class, sizeof gWM.app_class, "%s", kDefaultAppClass);
  return gWM.app_class;
}

// The standard background colour is read once and cached: every shell, form
// and dialog uses it, and the configuration does not change under a running
// program.
const char* StdBackground() {
  if (!gWM.background_looked_up) {
    gWM.background_looked_up = true;
    const char* value = IWRtVar("PA_STD_BKG_COLOR");
    if (value) snprintf(gWM.std_background, sizeof gWM.std_background, "%s", value);
  }
  return gWM.std_background[0] ? gWM.std_background : nullptr;
}

}  // namespace

bool EnsureToolkit() {
  if (gWM.display) return true;

  static char* fallback[2] = {nullptr, nullptr};
  const char* background = StdBackground();
  if (background) {
    snprintf(gWM.fallback_line, sizeof gWM.fallback_line, "*.background: %s", background);
    fallback[0] = gWM.fallback_line;
  }

  XtToolkitInitialize();
  gWM.app = XtCreateApplicationContext();
  XtAppSetFallbackResources(gWM.app, background ? fallback : nullptr);

  // A fixed one-word argument vector: the application class.
  static char class_word[64];
  snprintf(class_word, sizeof class_word, "%s", AppClass());
  static char* argv[2] = {class_word, nullptr};
  int argc = 1;
  gWM.display = XtOpenDisplay(gWM.app, nullptr, nullptr, AppClass(), nullptr, 0, &argc, argv);
  if (!gWM.display) {
    const char* name = getenv("DISPLAY");
    fprintf(stderr, "WMOpenToolkit: cannot open display \"%s\"\n", name ? name : "");
    XtDestroyApplicationContext(gWM.app);
    gWM.app = nullptr;
    return false;
  }
  // The session root is the toolkit's application shell; it never maps.
  Arg args[1];
  XtSetArg(args[0], XtNjoinSession, False);
  XtAppCreateShell(AppClass(), AppClass(), sessionShellWidgetClass, gWM.display, args, 1);
  return true;
}

XmString MakeXmString(const char* text) {
  // Left to right, "\n" becoming a line separator: every text of the layer
  // may span several lines.
  return XmStringCreateLtoR(const_cast<char*>(text ? text : ""),
                            const_cast<char*>(XmFONTLIST_DEFAULT_TAG));
}

bool AllocNamedColor(const char* name, Pixel* out) {
  if (!gWM.display || !name || !*name) return false;
  Colormap cmap = DefaultColormap(gWM.display, DefaultScreen(gWM.display));
  XColor screen, exact;
  if (!XAllocNamedColor(gWM.display, cmap, name, &screen, &exact)) return false;
  *out = screen.pixel;
  return true;
}

void ApplyStandoutColor(Widget button) {
  const char* standout = IWRtVar("PA_STANDOUT_COLOR");
  Pixel pixel;
  if (standout) {
    if (AllocNamedColor(standout, &pixel)) XtVaSetValues(button, XmNbackground, pixel, nullptr);
    return;
  }
  // No configured colour: a button stands out by being 15 % brighter than
  // its own background, each channel clamped to the X maximum.
  Pixel background = 0;
  Colormap cmap = 0;
  XtVaGetValues(button, XmNbackground, &background, XmNcolormap, &cmap, nullptr);
  XColor color;
  color.pixel = background;
  XQueryColor(XtDisplay(button), cmap, &color);
  auto brighten = [](unsigned short c) {
    unsigned long v = static_cast<unsigned long>(c * 1.15);
    return static_cast<unsigned short>(v > 65535 ? 65535 : v);
  };
  color.red = brighten(color.red);
  color.green = brighten(color.green);
  color.blue = brighten(color.blue);
  color.flags = DoRed | DoGreen | DoBlue;
  if (XAllocColor(XtDisplay(button), cmap, &color))
    XmChangeColor(button, color.pixel);
}

Widget ShellOf(Widget w) {
  while (w && !XtIsShell(w)) w = XtParent(w);
  return w;
}

bool TakeCenterRequest() {
  bool requested = gWM.center_next != 0;
  gWM.center_next = 0;
  return requested;
}

}  // namespace wm

using namespace wm;

extern "C" {

void WMSetApplicationClass(const char* app_class) try {
  if (gWM.app_class[0] != '\0' || !app_class || !*app_class) return;
  snprintf(gWM.app_class, sizeof gWM.app_class, "%s", app_class);
} catch (...) {
  wm::ReportEscapedException("WMSetApplicationClass");
}

const char* WMRtApplicationClass(void) { return AppClass(); }

int WMOpenToolkit(void) { return EnsureToolkit() ? 1 : 0; }
XtAppContext WMRtAppContext(void) { return gWM.app; }
Display* WMRtDisplay(void) { return gWM.display; }

const char* WMRtStdBackgroundColor(void) { return StdBackground(); }

const char* WMRtTextFieldColor(void) try {
  const char* value = IWRtVar("PA_TEXT_FIELD_COLOR");
  return value ? value : "white";
} catch (...) {
  wm::ReportEscapedException("WMRtTextFieldColor");
  return {};
}

void WMSetResizableShell(int flag) { gWM.resizable_next = flag ? 1 : 0; }
void WMRequestCentering(void) { gWM.center_next = 1; }

}  // extern "C"
