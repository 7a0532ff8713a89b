// Helpers for driving the real help viewer from a test: a child process
// that runs in the background while the test looks at its window, and a
// few Xlib/XTest operations on another client's windows (find by title,
// click, ask to close).
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace helpviewer_test {

// A program started in the background; standard error goes to a file the
// test can read. The destructor kills and reaps a child still running, so
// a failing test never leaves a window behind.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv,
               const std::vector<std::string>& extra_env = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Waits up to `seconds` for the child to end; true when it has ended.
  bool WaitForExit(double seconds);
  bool running();
  int exit_code() const { return exit_code_; }      // -1 unless it exited normally
  int term_signal() const { return term_signal_; }  // 0 unless a signal ended it
  std::string StandardError() const;

 private:
  void Reap(int status);

  pid_t pid_ = -1;
  bool ended_ = false;
  int exit_code_ = -1;
  int term_signal_ = 0;
  std::string err_path_;
};

// Sends SIGKILL to every descendant of `parent` except `spared` (and its
// descendants): the last resort of a test whose program would otherwise
// keep its caller waiting forever.
void KillDescendants(pid_t parent, pid_t spared);

// Polls `done` every 20 ms for up to `seconds`; returns its last value.
bool WaitUntil(const std::function<bool()>& done, double seconds);

// A display connection of its own, closed on destruction.
class XConnection {
 public:
  XConnection();
  ~XConnection();
  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;
  Display* display() const { return dpy_; }

 private:
  Display* dpy_;
};

// The title (WM_NAME) of a window, empty when it has none.
std::string WindowTitle(Display* dpy, Window w);
// A mapped top-level window whose title is `title`, or 0. Top-level means a
// child of the root or, under a window manager, of its frame.
Window FindWindowByTitle(Display* dpy, const std::string& title);
// Waits up to `seconds` for such a window; returns it or 0.
Window WaitForWindowByTitle(Display* dpy, const std::string& title, double seconds);

struct Rect {
  int x, y;           // top-left corner in root coordinates, pixels
  int width, height;  // pixels
};
Rect RootGeometry(Display* dpy, Window w);
// The child windows of `w`, bottom of the stacking order first.
std::vector<Window> Children(Display* dpy, Window w);

// True when some pixel inside `area` (root coordinates) has the colour
// `rgb` (0xRRGGBB). The screen must have a 24-bit true-colour visual, as
// the test servers do.
bool AreaShowsColour(Display* dpy, const Rect& area, unsigned long rgb);

// A real button-1 click at root position (x, y) through the XTest extension.
void Click(Display* dpy, int x, int y);
// Asks `w` to close the way a window manager does (WM_PROTOCOLS client
// message with WM_DELETE_WINDOW).
void SendDeleteWindow(Display* dpy, Window w);

// The parts of the viewer's window, found by their geometry: the page view
// is the largest child of the shell's form, the buttons sit in a row under
// it with Back leftmost and Close rightmost.
struct ViewerLayout {
  Rect page;    // the HTML view
  Rect back;    // the "Back" button
  Rect close;   // the "Close" button
};
bool FindViewerLayout(Display* dpy, Window shell, ViewerLayout* layout);

}  // namespace helpviewer_test
