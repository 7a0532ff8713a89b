// xdnd_receiver.cpp - file icons dropped from desktop file managers (the
// XDND protocol, version 3).
//
// Targets are fields: each registration records the field, its shell, the
// drop callback and its client data, in a table of at most 300 entries
// (freed again when the field is destroyed). A shell becomes a receiver
// once: when its window exists it gets "XdndAware" = 3 and an event handler
// for its client messages. One drag, seen from a receiving shell:
//
//   idle --XdndEnter--> entered            remember the source's first type
//   entered --XdndPosition--> over field   type := "text/uri-list"; status
//                                           accepts (a field lies under the
//                                           pointer) or refuses (none does)
//   over field --XdndDrop--> idle          convert "XdndSelection" into
//                                           "_XA_LUMA_XDNDEXCHANGE" on the
//                                           field's window, poll it up to 11
//                                           times 10 ms apart, XdndFinished,
//                                           decoded text to the callback
//   any --XdndLeave--> idle                nothing else
//
// Image-window client messages ("IW_CLIENT_MSG") and every other client
// message are left to their own handlers.
#include "xdnd_receiver.h"

#include <X11/Xatom.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <exception>
#include <map>
#include <set>

#include "iwbase.h"
#include "wm_state.h"

namespace wm {
namespace {

// Protocol atoms of one display, interned once.
struct XdndAtoms {
  Display* display = nullptr;
  Atom aware, enter, leave, drop, position, status, action_copy, selection, finished, exchange;
  Atom uri_list, image_window_message;
};

// One registered drop target.
struct XdndTarget {
  Widget shell = nullptr;          // nearest top-level or dialog shell of the field
  Widget field = nullptr;          // the field itself; nullptr = free entry
  Display* display = nullptr;      // the field's display
  WMXdndDropProc drop = nullptr;   // receives the decoded text
  XtPointer client_data = nullptr;
};

// What a receiving shell knows about the drag in progress.
struct ShellDrag {
  Atom wanted_type = None;  // the type asked for when the drop comes
  int target = -1;          // entry of the field under the pointer, or -1
  Window source = None;     // window of the drag's source
};

struct XdndState {
  XdndAtoms atoms;
  std::array<XdndTarget, kMaxXdndTargets> targets;  // free entries have no field
  std::set<Widget> receivers;                       // shells made receivers
  std::set<Widget> aware;                           // shells whose window has the property
  std::map<Widget, ShellDrag> drags;                // drag state by receiving shell
} gXdnd;

const int kPropertyPolls = 11;         // reads of the exchange property
const useconds_t kPollPauseUs = 10000; // pause between two reads
const long kAcceptAndMore = 3;         // status bits: accept, send more positions
const int kAcceptRectangle = 8000;     // width and height of the accepted rectangle

const XdndAtoms& AtomsOf(Display* dpy) {
  XdndAtoms& a = gXdnd.atoms;
  if (a.display == dpy) return a;
  a.display = dpy;
  a.aware = XInternAtom(dpy, "XdndAware", False);
  a.enter = XInternAtom(dpy, "XdndEnter", False);
  a.leave = XInternAtom(dpy, "XdndLeave", False);
  a.drop = XInternAtom(dpy, "XdndDrop", False);
  a.position = XInternAtom(dpy, "XdndPosition", False);
  a.status = XInternAtom(dpy, "XdndStatus", False);
  a.action_copy = XInternAtom(dpy, "XdndActionCopy", False);
  a.selection = XInternAtom(dpy, "XdndSelection", False);
  a.finished = XInternAtom(dpy, "XdndFinished", False);
  a.exchange = XInternAtom(dpy, "_XA_LUMA_XDNDEXCHANGE", False);
  a.uri_list = XInternAtom(dpy, "text/uri-list", False);
  a.image_window_message = XInternAtom(dpy, "IW_CLIENT_MSG", False);
  return a;
}

// The nearest top-level or dialog shell of `w` (menus and tips have shells
// of their own that are no drop receivers).
Widget ReceivingShellOf(Widget w) {
  for (; w; w = XtParent(w))
    if (XtIsTopLevelShell(w) || XtIsTransientShell(w)) return w;
  return nullptr;
}

void SetAwareProperty(Widget shell) {
  if (!XtIsRealized(shell) || gXdnd.aware.count(shell)) return;
  const XdndAtoms& a = AtomsOf(XtDisplay(shell));
  long version = kXdndVersion;
  XChangeProperty(XtDisplay(shell), XtWindow(shell), a.aware, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&version), 1);
  gXdnd.aware.insert(shell);
}

// A shell not realized when it became a receiver gets its property when
// its window shows up.
void ShellMappedEH(Widget shell, XtPointer, XEvent* event, Boolean*) try {
  if (event->type != MapNotify && event->type != ConfigureNotify) return;
  SetAwareProperty(shell);
} catch (...) {
  wm::ReportEscapedException("ShellMappedEH");
}

void SendToSource(Display* dpy, Window source, Atom type, const long data[5]) {
  XEvent ev = {};
  ev.xclient.type = ClientMessage;
  ev.xclient.display = dpy;
  ev.xclient.window = source;
  ev.xclient.message_type = type;
  ev.xclient.format = 32;
  for (int i = 0; i < 5; ++i) ev.xclient.data.l[i] = data[i];
  XSendEvent(dpy, source, False, NoEventMask, &ev);
  XFlush(dpy);
}

bool FieldContains(Widget field, int root_x, int root_y) {
  if (!XtIsRealized(field) || !XtIsManaged(field)) return false;
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(XtDisplay(field), XtWindow(field), &attrs) || attrs.map_state != IsViewable)
    return false;
  Position x = 0, y = 0;
  XtTranslateCoords(field, 0, 0, &x, &y);
  return root_x >= x && root_x < x + attrs.width && root_y >= y && root_y < y + attrs.height;
}

int TargetUnder(Widget shell, int root_x, int root_y) {
  for (int i = 0; i < kMaxXdndTargets; ++i) {
    const XdndTarget& t = gXdnd.targets[i];
    if (t.field && t.shell == shell && FieldContains(t.field, root_x, root_y)) return i;
  }
  return -1;
}

void HandlePosition(Widget shell, const XClientMessageEvent& msg, const XdndAtoms& a) {
  ShellDrag& drag = gXdnd.drags[shell];
  drag.source = static_cast<Window>(msg.data.l[0]);
  drag.wanted_type = a.uri_list;
  int root_x = static_cast<int>((msg.data.l[2] >> 16) & 0xffff);
  int root_y = static_cast<int>(msg.data.l[2] & 0xffff);
  drag.target = TargetUnder(shell, root_x, root_y);
  bool accept = drag.target >= 0;
  long status[5] = {static_cast<long>(XtWindow(shell)), accept ? kAcceptAndMore : 0, 0,
                    (static_cast<long>(kAcceptRectangle) << 16) | kAcceptRectangle,
                    accept ? static_cast<long>(a.action_copy) : static_cast<long>(None)};
  SendToSource(XtDisplay(shell), drag.source, a.status, status);
}

// Reads the exchange property once the source has stored it; "" when it
// never came.
std::string FetchDroppedText(Display* dpy, Window window, const XdndAtoms& a) {
  for (int poll = 0; poll < kPropertyPolls; ++poll) {
    if (poll > 0) usleep(kPollPauseUs);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    int rc = XGetWindowProperty(dpy, window, a.exchange, 0, 0x100000, True, AnyPropertyType, &type,
                                &format, &count, &remaining, &data);
    if (rc == Success && type != None) {
      std::string text;
      if (data && format == 8) text.assign(reinterpret_cast<char*>(data), count);
      if (data) XFree(data);
      return text;
    }
    if (data) XFree(data);
  }
  return "";
}

void HandleDrop(Widget shell, const XClientMessageEvent& msg, const XdndAtoms& a) {
  ShellDrag drag = gXdnd.drags[shell];
  gXdnd.drags.erase(shell);
  Display* dpy = XtDisplay(shell);
  Window source = static_cast<Window>(msg.data.l[0]);
  long finished[5] = {static_cast<long>(XtWindow(shell)), 0, 0, 0, 0};
  if (drag.target < 0 || !gXdnd.targets[drag.target].field) {
    SendToSource(dpy, source, a.finished, finished);
    return;
  }
  XdndTarget target = gXdnd.targets[drag.target];
  Time when = static_cast<Time>(msg.data.l[2]);
  Atom wanted = drag.wanted_type != None ? drag.wanted_type : a.uri_list;
  XConvertSelection(dpy, a.selection, wanted, a.exchange, XtWindow(target.field), when ? when : CurrentTime);
  XFlush(dpy);
  std::string text = FetchDroppedText(dpy, XtWindow(target.field), a);
  SendToSource(dpy, source, a.finished, finished);
  if (text.empty() || !target.drop) return;
  std::string decoded = DecodeDroppedText(text);
  target.drop(target.field, target.client_data, decoded.c_str(), static_cast<int>(decoded.size()));
}

void ClientMessageEH(Widget shell, XtPointer, XEvent* event, Boolean*) try {
  if (event->type != ClientMessage) return;
  const XClientMessageEvent& msg = event->xclient;
  const XdndAtoms& a = AtomsOf(XtDisplay(shell));
  if (msg.message_type == a.image_window_message) return;
  if (msg.message_type == a.enter) {
    ShellDrag& drag = gXdnd.drags[shell];
    drag = ShellDrag{};
    drag.source = static_cast<Window>(msg.data.l[0]);
    // Bit 0: the source offers more than three types (listed elsewhere).
    if (!(msg.data.l[1] & 1)) drag.wanted_type = static_cast<Atom>(msg.data.l[2]);
  } else if (msg.message_type == a.position) {
    HandlePosition(shell, msg, a);
  } else if (msg.message_type == a.drop) {
    HandleDrop(shell, msg, a);
  } else if (msg.message_type == a.leave) {
    gXdnd.drags.erase(shell);
  }
} catch (...) {
  wm::ReportEscapedException("ClientMessageEH");
}

void ForgetReceiverCB(Widget shell, XtPointer, XtPointer) try {
  gXdnd.receivers.erase(shell);
  gXdnd.aware.erase(shell);
  gXdnd.drags.erase(shell);
} catch (...) {
  wm::ReportEscapedException("ForgetReceiverCB");
}

void ForgetTargetCB(Widget field, XtPointer, XtPointer) try {
  for (XdndTarget& t : gXdnd.targets)
    if (t.field == field) t = XdndTarget{};
} catch (...) {
  wm::ReportEscapedException("ForgetTargetCB");
}

void DropIntoFieldProc(Widget field, XtPointer, const char* text, int length) {
  WMDropIntoField(field, text, length);
}

}  // namespace

void InstallXdndReceiver(Widget shell) {
  if (!shell || gXdnd.receivers.count(shell)) return;
  gXdnd.receivers.insert(shell);
  XtAddEventHandler(shell, NoEventMask, True, ClientMessageEH, nullptr);
  XtAddEventHandler(shell, StructureNotifyMask, False, ShellMappedEH, nullptr);
  XtAddCallback(shell, XmNdestroyCallback, ForgetReceiverCB, nullptr);
  SetAwareProperty(shell);
}

void MakeFieldDropAware(Widget field) { WMMakeWidgetXDNDAware(field, DropIntoFieldProc, nullptr); }

std::string DecodeDroppedText(const std::string& raw) {
  std::string text = raw;
  while (!text.empty() && isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  std::string out(text.size(), '\0');
  out.resize(IWPercentDecode(text.data(), text.size(), out.data()));
  return out;
}

int XdndTargetCount() {
  int count = 0;
  for (const XdndTarget& t : gXdnd.targets)
    if (t.field) ++count;
  return count;
}

}  // namespace wm

namespace wm {
namespace {

int MakeDropTarget(Widget field, WMXdndDropProc drop, XtPointer client_data) {
  if (!field) return 0;
  Widget shell = ReceivingShellOf(field);
  if (!shell) {
    fprintf(stderr, "WMMakeWidgetXDNDAware: No shell parent of field found\n");
    return 0;
  }
  XdndTarget* free_entry = nullptr;
  for (XdndTarget& t : gXdnd.targets) {
    if (t.field == field) {  // registered again: the newer callback wins
      t.drop = drop;
      t.client_data = client_data;
      return 1;
    }
    if (!t.field && !free_entry) free_entry = &t;
  }
  if (!free_entry) {
    fprintf(stderr, "No more than %d XDND target windows allowed\n", kMaxXdndTargets);
    return 0;
  }
  *free_entry = XdndTarget{shell, field, XtDisplay(field), drop, client_data};
  AtomsOf(XtDisplay(field));
  XtAddCallback(field, XmNdestroyCallback, ForgetTargetCB, nullptr);
  InstallXdndReceiver(shell);
  return 1;
}

}  // namespace
}  // namespace wm

using namespace wm;

extern "C" {

int WMMakeWidgetXDNDAware(Widget field, WMXdndDropProc drop, XtPointer client_data) {
  try {
    return MakeDropTarget(field, drop, client_data);
  } catch (const std::exception& e) {
    fprintf(stderr, "WMMakeWidgetXDNDAware: %s\n", e.what());
    return 0;
  }
}

}  // extern "C"
