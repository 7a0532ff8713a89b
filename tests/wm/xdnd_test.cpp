// The drop receiver of the layer's shells, spoken to by a real drag source:
// a child process with its own X connection that plays a file manager's
// part of the XDND protocol (enter, position, drop, the selection
// conversion) against the test's window.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <Xm/Label.h>
#include <Xm/TextF.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "gui_test_util.h"
#include "test_support.h"
#include "wmlib.h"
#include "xdnd_receiver.h"

using namespace tremoscan::testing;

namespace {

// What the drag source saw, as bits of its exit status.
enum SourceSaw {
  kStatusReceived = 1,     // an XdndStatus came back
  kAccepted = 2,           // ... accepting the drop
  kCopyAction = 4,         // ... with the copy action
  kSelectionAsked = 8,     // the receiver asked for the data
  kUriListAsked = 16,      // ... as "text/uri-list"
  kFinished = 32,          // XdndFinished came back
};

// Waits for the next event of `dpy` for at most `ms`; false on timeout.
bool NextEvent(Display* dpy, XEvent* event, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!XPending(dpy)) {
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(ConnectionNumber(dpy), &fds);
    timeval tv{0, static_cast<suseconds_t>(std::min<long>(left.count(), 100000))};
    select(ConnectionNumber(dpy) + 1, &fds, nullptr, nullptr, &tv);
  }
  XNextEvent(dpy, event);
  return true;
}

void Send(Display* dpy, Window to, Atom type, long l0, long l1, long l2, long l3, long l4) {
  XEvent ev = {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = to;
  ev.xclient.message_type = type;
  ev.xclient.format = 32;
  long data[5] = {l0, l1, l2, l3, l4};
  for (int i = 0; i < 5; ++i) ev.xclient.data.l[i] = data[i];
  XSendEvent(dpy, to, False, NoEventMask, &ev);
  XFlush(dpy);
}

// The source's side of one drag, in the child process. Returns SourceSaw bits.
int DragSource(Window target, int root_x, int root_y, const std::string& data) {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return 0;
  auto atom = [dpy](const char* name) { return XInternAtom(dpy, name, False); };
  Window source = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(dpy, atom("XdndSelection"), source, CurrentTime);
  int saw = 0;
  Send(dpy, target, atom("XdndEnter"), static_cast<long>(source), 3L << 24,
       static_cast<long>(atom("text/uri-list")), static_cast<long>(atom("text/plain")), 0);
  Send(dpy, target, atom("XdndPosition"), static_cast<long>(source), 0,
       (static_cast<long>(root_x) << 16) | root_y, CurrentTime, static_cast<long>(atom("XdndActionCopy")));
  XEvent ev;
  bool accepted = false;
  while (NextEvent(dpy, &ev, 3000)) {
    if (ev.type == ClientMessage && ev.xclient.message_type == atom("XdndStatus")) {
      saw |= kStatusReceived;
      accepted = ev.xclient.data.l[1] & 1;
      if (accepted) saw |= kAccepted;
      if (static_cast<Atom>(ev.xclient.data.l[4]) == atom("XdndActionCopy")) saw |= kCopyAction;
      break;
    }
  }
  if (!accepted) {
    Send(dpy, target, atom("XdndLeave"), static_cast<long>(source), 0, 0, 0, 0);
    XCloseDisplay(dpy);
    return saw;
  }
  Send(dpy, target, atom("XdndDrop"), static_cast<long>(source), 0, CurrentTime, 0, 0);
  while (NextEvent(dpy, &ev, 3000)) {
    if (ev.type == SelectionRequest) {
      const XSelectionRequestEvent& req = ev.xselectionrequest;
      saw |= kSelectionAsked;
      if (req.target == atom("text/uri-list")) saw |= kUriListAsked;
      XChangeProperty(dpy, req.requestor, req.property, req.target, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
      XEvent reply = {};
      reply.xselection.type = SelectionNotify;
      reply.xselection.requestor = req.requestor;
      reply.xselection.selection = req.selection;
      reply.xselection.target = req.target;
      reply.xselection.property = req.property;
      reply.xselection.time = req.time;
      XSendEvent(dpy, req.requestor, False, NoEventMask, &reply);
      XFlush(dpy);
    } else if (ev.type == ClientMessage && ev.xclient.message_type == atom("XdndFinished")) {
      saw |= kFinished;
      break;
    }
  }
  XCloseDisplay(dpy);
  return saw;
}

// Runs one drag from a child process over the root position of `w`'s
// centre, handling the test's own events meanwhile.
int DropOn(Widget shell, Widget w, const std::string& data) {
  Position x = 0, y = 0;
  Dimension width = 0, height = 0;
  XtVaGetValues(w, XmNwidth, &width, XmNheight, &height, nullptr);
  XtTranslateCoords(w, static_cast<Position>(width / 2), static_cast<Position>(height / 2), &x, &y);
  Window target = XtWindow(shell);
  XSync(XtDisplay(shell), False);
  pid_t pid = fork();
  if (pid == 0) _exit(DragSource(target, x, y, data));
  int status = 0;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    PumpEvents(10);
    usleep(2000);
  }
  PumpEvents(20);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class XdndTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    buffer_a_[0] = buffer_b_[0] = '\0';
    WMCreateMainForm("Drop target");
    WMSetOffsets(8, 8, 8, 8);
    field_a_ = WMTextField(buffer_a_, sizeof buffer_a_ - 1, 30, &XdndTest::Changed, this, 0, 0);
    WMNewRow();
    label_ = WMInfoLabel("Not a field", nullptr);
    WMNewRow();
    field_b_ = WMTextField(buffer_b_, sizeof buffer_b_ - 1, 30, &XdndTest::Changed, this, 0, 0);
    WMRealizeShell();
    shell_ = WMRtBaseShell();
    PumpEvents(100);
  }
  static void Changed(Widget, XtPointer self, XtPointer) { ++static_cast<XdndTest*>(self)->changes_; }

  // The "XdndAware" value of a window, or -1.
  static long AwareVersion(Widget shell) {
    Display* dpy = XtDisplay(shell);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, rest = 0;
    unsigned char* data = nullptr;
    long version = -1;
    if (XGetWindowProperty(dpy, XtWindow(shell), XInternAtom(dpy, "XdndAware", False), 0, 1, False,
                           XA_ATOM, &type, &format, &count, &rest, &data) == Success &&
        type == XA_ATOM && count == 1)
      version = *reinterpret_cast<long*>(data);
    if (data) XFree(data);
    return version;
  }

  char buffer_a_[256];
  char buffer_b_[256];
  Widget shell_ = nullptr, field_a_ = nullptr, field_b_ = nullptr, label_ = nullptr;
  int changes_ = 0;
};

TEST_F(XdndTest, DropsOfFileIconsReachTheFieldUnderThePointer) {
  EXPECT_EQ(AwareVersion(shell_), 3);
  const int kWholeDrop = kStatusReceived | kAccepted | kCopyAction | kSelectionAsked | kUriListAsked | kFinished;
  struct Case {
    const char* name;
    Widget* target;
    std::string data;
    int saw;               // what the source must see
    std::string field_a;   // buffers afterwards
    std::string field_b;
    int changes;
    const char* warning;   // nullptr: none
  };
  const Case cases[] = {
      {"a percent-encoded blank becomes a blank", &field_a_, "file:///tmp/bead%20runs/a%20b.img\r\n",
       kWholeDrop, "/tmp/bead runs/a b.img", "", 1, nullptr},
      {"no field under the pointer refuses", &label_, "file:///tmp/x.img\r\n", kStatusReceived, "/tmp/bead runs/a b.img", "",
       1, nullptr},
      {"a plain path into the second field", &field_b_, "/data/%41.img", kWholeDrop,
       "/tmp/bead runs/a b.img", "/data/A.img", 2, nullptr},
      {"several icons are refused by the field", &field_b_, "file:///a.img\r\nfile:///b.img\r\n",
       kWholeDrop, "/tmp/bead runs/a b.img", "/data/A.img", 2,
       "Only a single file icon can be\ndropped in a text field"},
  };
  for (const Case& c : cases) {
    messages_.clear();
    EXPECT_EQ(DropOn(shell_, *c.target, c.data), c.saw) << c.name;
    EXPECT_EQ(std::string(buffer_a_), c.field_a) << c.name;
    EXPECT_EQ(std::string(buffer_b_), c.field_b) << c.name;
    char* shown = XmTextFieldGetString(field_a_);
    EXPECT_EQ(std::string(shown), c.field_a) << c.name;
    XtFree(shown);
    EXPECT_EQ(changes_, c.changes) << c.name;
    if (c.warning) {
      ASSERT_EQ(messages_.size(), 1u) << c.name;
      EXPECT_EQ(messages_[0], c.warning);
    } else {
      EXPECT_TRUE(messages_.empty()) << c.name;
    }
  }
}

TEST_F(XdndTest, OwnCallbacksGetTheDecodedTextAndAShellIsMarkedOnce) {
  // Watch the shell's properties from a second connection.
  Display* watcher = XOpenDisplay(nullptr);
  ASSERT_NE(watcher, nullptr);
  XSelectInput(watcher, XtWindow(shell_), PropertyChangeMask);
  XSync(watcher, False);

  static std::string received;
  received.clear();
  ASSERT_EQ(WMMakeWidgetXDNDAware(label_,
                                  [](Widget, XtPointer, const char* text, int length) {
                                    received.assign(text, static_cast<size_t>(length));
                                  },
                                  nullptr),
            1);
  EXPECT_NE(DropOn(shell_, label_, "file:///x/%5Bone%5D%20two\n \t") & kFinished, 0);
  EXPECT_EQ(received, "file:///x/[one] two");

  XSync(XtDisplay(shell_), False);
  XSync(watcher, False);
  Atom aware = XInternAtom(watcher, "XdndAware", False);
  int aware_changes = 0;
  while (XPending(watcher)) {
    XEvent ev;
    XNextEvent(watcher, &ev);
    if (ev.type == PropertyNotify && ev.xproperty.atom == aware) ++aware_changes;
  }
  EXPECT_EQ(aware_changes, 0) << "a further target in a marked shell leaves its property alone";
  XCloseDisplay(watcher);
}

TEST_F(XdndTest, AtMostThreeHundredTargetsAndDestroyedFieldsFreeTheirPlace) {
  int before = wm::XdndTargetCount();
  std::vector<Widget> labels;
  Widget form = XtParent(label_);
  while (wm::XdndTargetCount() < wm::kMaxXdndTargets) {
    Widget w = XtCreateWidget("extra", xmLabelWidgetClass, form, nullptr, 0);
    ASSERT_EQ(WMMakeWidgetXDNDAware(w, nullptr, nullptr), 1);
    labels.push_back(w);
  }
  Widget one_more = XtCreateWidget("extra", xmLabelWidgetClass, form, nullptr, 0);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(WMMakeWidgetXDNDAware(one_more, nullptr, nullptr), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "No more than 300 XDND target windows allowed\n");
  for (Widget w : labels) XtDestroyWidget(w);
  EXPECT_EQ(wm::XdndTargetCount(), before);
  EXPECT_EQ(WMMakeWidgetXDNDAware(one_more, nullptr, nullptr), 1);
}

}  // namespace
