// viewer_harness.cpp - see viewer_harness.h.
#include "viewer_harness.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace helpviewer_test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& extra_env) {
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/helpviewer-err-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return;
  err_path_ = name.data();

  pid_ = fork();
  if (pid_ == 0) {
    dup2(fd, STDERR_FILENO);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    for (const std::string& entry : extra_env) putenv(strdup(entry.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(fd);
  if (pid_ < 0) ended_ = true;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !ended_) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  if (!err_path_.empty()) unlink(err_path_.c_str());
}

void ChildProcess::Reap(int status) {
  ended_ = true;
  if (WIFEXITED(status)) exit_code_ = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) term_signal_ = WTERMSIG(status);
}

bool ChildProcess::running() {
  if (ended_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) Reap(status);
  return !ended_;
}

bool ChildProcess::WaitForExit(double seconds) {
  return WaitUntil([this] { return !running(); }, seconds);
}

std::string ChildProcess::StandardError() const {
  std::ifstream in(err_path_);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

namespace {

// The parent of process `pid` from /proc, or -1.
pid_t ParentOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // pid (comm) state ppid ...; comm may hold blanks and parentheses.
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(stat.substr(close + 1));
  std::string state;
  long ppid = -1;
  rest >> state >> ppid;
  return static_cast<pid_t>(ppid);
}

}  // namespace

void KillDescendants(pid_t parent, pid_t spared) {
  std::vector<pid_t> all;
  if (DIR* proc = opendir("/proc")) {
    while (dirent* entry = readdir(proc)) {
      char* end = nullptr;
      long pid = strtol(entry->d_name, &end, 10);
      if (end && *end == '\0' && pid > 0) all.push_back(static_cast<pid_t>(pid));
    }
    closedir(proc);
  }
  for (pid_t pid : all) {
    if (pid == spared || ParentOf(pid) != parent) continue;
    KillDescendants(pid, spared);
    kill(pid, SIGKILL);
  }
}

bool WaitUntil(const std::function<bool()>& done, double seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

XConnection::XConnection() : dpy_(XOpenDisplay(nullptr)) {}
XConnection::~XConnection() {
  if (dpy_) XCloseDisplay(dpy_);
}

std::string WindowTitle(Display* dpy, Window w) {
  char* name = nullptr;
  std::string title;
  if (XFetchName(dpy, w, &name) && name) title = name;
  if (name) XFree(name);
  return title;
}

std::vector<Window> Children(Display* dpy, Window w) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  std::vector<Window> result;
  if (XQueryTree(dpy, w, &root, &parent, &children, &count)) {
    result.assign(children, children + count);
    if (children) XFree(children);
  }
  return result;
}

namespace {

bool IsShown(Display* dpy, Window w) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(dpy, w, &attributes) && attributes.map_state == IsViewable;
}

// Windows of clients that went away between two calls make Xlib report
// errors; a search only skips them.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

Window FindWindowByTitle(Display* dpy, const std::string& title) {
  auto previous = XSetErrorHandler(IgnoreXError);
  Window found = 0;
  for (Window top : Children(dpy, DefaultRootWindow(dpy))) {
    std::vector<Window> candidates{top};
    for (Window child : Children(dpy, top)) candidates.push_back(child);
    for (Window w : candidates) {
      if (WindowTitle(dpy, w) == title && IsShown(dpy, w)) {
        found = w;
        break;
      }
    }
    if (found) break;
  }
  XSync(dpy, False);
  XSetErrorHandler(previous);
  return found;
}

Window WaitForWindowByTitle(Display* dpy, const std::string& title, double seconds) {
  Window found = 0;
  WaitUntil([&] { return (found = FindWindowByTitle(dpy, title)) != 0; }, seconds);
  return found;
}

Rect RootGeometry(Display* dpy, Window w) {
  XWindowAttributes attributes{};
  XGetWindowAttributes(dpy, w, &attributes);
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
  return {x, y, attributes.width, attributes.height};
}

bool AreaShowsColour(Display* dpy, const Rect& area, unsigned long rgb) {
  XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), area.x, area.y,
                            static_cast<unsigned>(area.width), static_cast<unsigned>(area.height),
                            AllPlanes, ZPixmap);
  if (!image) return false;
  bool found = false;
  for (int y = 0; y < area.height && !found; ++y)
    for (int x = 0; x < area.width && !found; ++x)
      found = (XGetPixel(image, x, y) & 0xFFFFFF) == rgb;
  XDestroyImage(image);
  return found;
}

void Click(Display* dpy, int x, int y) {
  XTestFakeMotionEvent(dpy, -1, x, y, 0);
  XTestFakeButtonEvent(dpy, 1, True, 0);
  XTestFakeButtonEvent(dpy, 1, False, 0);
  XFlush(dpy);
}

void SendDeleteWindow(Display* dpy, Window w) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = w;
  event.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, w, False, NoEventMask, &event);
  // Waits until the server has delivered it: a caller may exit right after.
  XSync(dpy, False);
}

bool FindViewerLayout(Display* dpy, Window shell, ViewerLayout* layout) {
  std::vector<Window> shell_children = Children(dpy, shell);
  if (shell_children.size() != 1) return false;
  std::vector<Rect> parts;
  for (Window w : Children(dpy, shell_children[0])) {
    if (IsShown(dpy, w)) parts.push_back(RootGeometry(dpy, w));
  }
  if (parts.size() < 3) return false;
  auto area = [](const Rect& r) { return r.width * r.height; };
  auto page = std::max_element(parts.begin(), parts.end(),
                               [&](const Rect& a, const Rect& b) { return area(a) < area(b); });
  layout->page = *page;
  std::vector<Rect> row;
  for (const Rect& r : parts)
    if (r.y >= page->y + page->height) row.push_back(r);
  if (row.size() < 2) return false;
  auto by_x = [](const Rect& a, const Rect& b) { return a.x < b.x; };
  layout->back = *std::min_element(row.begin(), row.end(), by_x);
  layout->close = *std::max_element(row.begin(), row.end(), by_x);
  return true;
}

}  // namespace helpviewer_test
