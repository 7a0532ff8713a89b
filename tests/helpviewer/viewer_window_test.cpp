// The help viewer program as users and the suite's help call meet it: a
// real child process with a real window on an X server of the test's own,
// driven by real pointer clicks (XTest) and window-manager close requests.
#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"
#include "x_support.h"
#include "wmlib.h"

namespace {

using namespace tremoscan::testing;

// Generous: sanitizer builds start slowly on a busy machine.
constexpr double kWindowTimeout = 20.0;
constexpr double kExitTimeout = 10.0;
// The colour of the test pictures, 0xRRGGBB.
constexpr unsigned long kPictureColour = 0x336699;

std::string Viewer() { return SuiteDir() + "/bin/WMShowHelp"; }

// The parts of the viewer's window, found by their geometry: the page view
// is the largest child of the shell's form, the buttons sit in a row under
// it with Back leftmost, Close rightmost and the status text, the widest,
// between them.
struct ViewerLayout {
  Rect page;    // the HTML view
  Rect back;    // the "Back" button
  Rect close;   // the "Close" button
  Rect status;  // the status text
};

bool FindViewerLayout(Display* dpy, Window shell, ViewerLayout* layout) {
  std::vector<Window> shell_children = Children(dpy, shell);
  if (shell_children.size() != 1) return false;
  std::vector<Rect> parts;
  for (Window w : Children(dpy, shell_children[0]))
    if (IsShown(dpy, w)) parts.push_back(RootGeometry(dpy, w));
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
  layout->status = *std::max_element(
      row.begin(), row.end(), [](const Rect& a, const Rect& b) { return a.width < b.width; });
  return row.size() >= 3;
}

// True when some pixel of `area` (root coordinates) shows `rgb`.
bool AreaShowsColour(Display* dpy, const Rect& area, uint32_t rgb) {
  const Grab g = GrabArea(dpy, DefaultRootWindow(dpy), area);
  return g.Count(rgb, Rect{0, 0, g.width, g.height}) > 0;
}

// A page whose first line is one long link, so that a click near the top
// left corner of the page view hits it.
std::string LinkPage(const std::string& title, const std::string& href) {
  std::string html = "<html><head><title>" + title + "</title></head><body>\n"
                     "<p><a href=\"" + href + "\">Follow this long link to the next page of the "
                     "viewer test, wherever it leads</a></p>\n";
  for (int i = 0; i < 40; ++i) html += "<p>Filler paragraph " + std::to_string(i) + ".</p>\n";
  return html + "</body></html>\n";
}

class ViewerWindowTest : public ::testing::Test {
 protected:
  // The test binary runs on an X server of its own, so clicks land on
  // the viewer's window and nobody else's.
  void SetUp() override {
    ASSERT_NE(x_.display(), nullptr);
    ASSERT_TRUE(tremoscan::testing::FileExists(Viewer())) << Viewer();
  }

  Display* dpy() { return x_.display(); }

  // Clicks down the first lines of the page view, one position after the
  // other, until `done` holds (or all positions were tried). The link
  // pages above put a link on the first line; where exactly the widget
  // draws it depends on its fonts, hence the search.
  // `patience` is how long each click gets to show its effect.
  bool ClickDownTheFirstLines(const ViewerLayout& layout, const std::function<bool()>& done,
                              double patience) {
    for (int dy = 12; dy <= 100; dy += 8) {
      Click(dpy(), layout.page.x + 60, layout.page.y + dy);
      if (WaitUntil(done, patience)) return true;
    }
    return false;
  }

  ScopedTempDir dir_;
  XConnection x_;
};


TEST_F(ViewerWindowTest, WindowTakesThePageTitleAndClosesOnWindowManagerRequest) {
  WriteFile(dir_.file("first.htm"), LinkPage("Viewer Test First", "second.htm"));
  ChildProcess viewer({Viewer(), dir_.file("first.htm")});
  Window window = WaitForWindowByTitle(dpy(), "Viewer Test First", kWindowTimeout);
  ASSERT_NE(window, 0u) << viewer.StandardError();
  EXPECT_TRUE(viewer.running());

  SendDeleteWindow(dpy(), window);
  ASSERT_TRUE(viewer.WaitForExit(kExitTimeout));
  EXPECT_EQ(viewer.exit_code(), 0);
  EXPECT_EQ(viewer.StandardError().find("Warning"), std::string::npos) << viewer.StandardError();
}

TEST_F(ViewerWindowTest, LinkLoadsThePageBackReturnsAndCloseEnds) {
  WriteFile(dir_.file("first.htm"), LinkPage("Viewer Test First", "sub/../second.htm"));
  WriteFile(dir_.file("second.htm"),
            "<html><head><title>Viewer Test Second</title></head><body><h1>Second</h1>"
            "<p>Reached through a link.</p></body></html>");
  ChildProcess viewer({Viewer(), dir_.file("first.htm")});
  Window window = WaitForWindowByTitle(dpy(), "Viewer Test First", kWindowTimeout);
  ASSERT_NE(window, 0u) << viewer.StandardError();
  ViewerLayout layout;
  ASSERT_TRUE(FindViewerLayout(dpy(), window, &layout));

  // The link loads the second page into the same window.
  ASSERT_TRUE(ClickDownTheFirstLines(
      layout, [&] { return WindowTitle(dpy(), window) == "Viewer Test Second"; }, 1.0))
      << "title stayed " << WindowTitle(dpy(), window);

  // Back shows the first page again.
  Click(dpy(), layout.back.x + layout.back.width / 2,
                         layout.back.y + layout.back.height / 2);
  EXPECT_TRUE(WaitUntil([&] { return WindowTitle(dpy(), window) == "Viewer Test First"; }, 5.0))
      << "title is " << WindowTitle(dpy(), window);

  // Close ends the program with status 0.
  Click(dpy(), layout.close.x + layout.close.width / 2,
                         layout.close.y + layout.close.height / 2);
  ASSERT_TRUE(viewer.WaitForExit(kExitTimeout));
  EXPECT_EQ(viewer.exit_code(), 0);
}

// Links the viewer cannot follow leave the page in place and the viewer
// running; the status line says why.
TEST_F(ViewerWindowTest, UnfollowableLinksKeepThePage) {
  WriteFile(dir_.file("notes.bin"), std::string("\x01\x02\x00\x03", 4));
  // One link per outcome; the resolution table itself is tested without X.
  const char* hrefs[] = {"notes.bin", "http://example.org/help.htm", "#nowhere"};
  for (const char* href : hrefs) {
    SCOPED_TRACE(href);
    WriteFile(dir_.file("links.htm"), LinkPage("Viewer Test Links", href));
    ChildProcess viewer({Viewer(), dir_.file("links.htm")});
    Window window = WaitForWindowByTitle(dpy(), "Viewer Test Links", kWindowTimeout);
    ASSERT_NE(window, 0u) << viewer.StandardError();
    ViewerLayout layout;
    ASSERT_TRUE(FindViewerLayout(dpy(), window, &layout));

    // Off the links the status line is empty until a click has something
    // to say.
    auto move_off_the_links = [&] {
      XTestFakeMotionEvent(dpy(), -1, layout.page.x + layout.page.width / 2,
                           layout.page.y + layout.page.height - 10, 0);
      XFlush(dpy());
    };
    move_off_the_links();
    WaitUntil([] { return false; }, 0.3);
    const Grab quiet = GrabArea(dpy(), DefaultRootWindow(dpy()), layout.status);
    // Same layout as the page of the test above, where these clicks do hit
    // the link.
    bool changed = ClickDownTheFirstLines(
        layout,
        [&] { return !viewer.running() || WindowTitle(dpy(), window) != "Viewer Test Links"; },
        0.25);
    EXPECT_FALSE(changed) << "title " << WindowTitle(dpy(), window) << ", stderr "
                          << viewer.StandardError();
    ASSERT_TRUE(viewer.running());
    // Now it says why the click went nowhere; a click that missed the link
    // would have left it empty.
    move_off_the_links();
    EXPECT_TRUE(WaitUntil(
        [&] {
          return GrabArea(dpy(), DefaultRootWindow(dpy()), layout.status).pixels != quiet.pixels;
        },
        2.0))
        << "the status line stayed empty";
    SendDeleteWindow(dpy(), window);
    ASSERT_TRUE(viewer.WaitForExit(kExitTimeout));
    EXPECT_EQ(viewer.exit_code(), 0);
  }
}

// PNG pictures crash the HTML widget's decoder and missing or remote
// pictures make it complain; the viewer shows a placeholder for all of them
// and the real pictures (GIF, JPEG, XPM) as usual.
TEST_F(ViewerWindowTest, PagesWithAnyPicturesShowWithoutCrashing) {
  const std::string convert = "/usr/bin/convert";
  for (const char* name : {"pic.gif", "pic.jpg", "pic.png"}) {
    auto made = RunProcess({convert, "-size", "40x30", "xc:#336699", "-type", "TrueColor",
                            dir_.file(name)});
    ASSERT_EQ(made.exit_code, 0) << made.err;
  }
  WriteFile(dir_.file("pic.xpm"),
            "/* XPM */\nstatic char *pic[] = {\n\"4 2 2 1\",\n\"  c #FFFFFF\",\n\". c #000000\",\n"
            "\".. .\",\n\" .. \"};\n");
  WriteFile(dir_.file("fake.gif"), "<html>not a picture</html>");
  WriteFile(dir_.file("pictures.htm"),
            "<html><head><title>Viewer Test Pictures</title></head><body>"
            "<p><img src=\"pic.gif\"> <img src=\"pic.jpg\"> <img src=\"pic.xpm\"> "
            "<img src=\"file:pic.gif\"> <img src=\"pic.png\"> <img src=\"missing.gif\"> "
            "<img src=\"fake.gif\"> <img src=\"http://example.org/remote.gif\"></p>"
            "<p>Pictures above.</p></body></html>");
  // Started from elsewhere: relative picture names still resolve beside the page.
  ChildProcess viewer({Viewer(), dir_.file("pictures.htm")});
  Window window = WaitForWindowByTitle(dpy(), "Viewer Test Pictures", kWindowTimeout);
  ASSERT_NE(window, 0u) << viewer.StandardError();
  ViewerLayout layout;
  ASSERT_TRUE(FindViewerLayout(dpy(), window, &layout));
  // The GIF's colour appears once the widget has decoded and drawn it.
  EXPECT_TRUE(WaitUntil(
      [&] { return AreaShowsColour(dpy(), layout.page, kPictureColour); }, 5.0));
  EXPECT_FALSE(viewer.WaitForExit(1.0)) << "ended with " << viewer.exit_code() << "/"
                                         << viewer.term_signal() << ": "
                                         << viewer.StandardError();
  SendDeleteWindow(dpy(), window);
  ASSERT_TRUE(viewer.WaitForExit(kExitTimeout));
  EXPECT_EQ(viewer.exit_code(), 0);
  std::string err = viewer.StandardError();
  EXPECT_EQ(err.find("png"), std::string::npos) << err;
  EXPECT_EQ(err.find("No such file"), std::string::npos) << err;

  // A picture reached on its own is shown in a page of its own.
  ChildProcess alone({Viewer(), dir_.file("pic.gif")});
  window = WaitForWindowByTitle(dpy(), "pic.gif", kWindowTimeout);
  ASSERT_NE(window, 0u) << alone.StandardError();
  ASSERT_TRUE(FindViewerLayout(dpy(), window, &layout));
  EXPECT_TRUE(WaitUntil(
      [&] { return AreaShowsColour(dpy(), layout.page, kPictureColour); }, 5.0));
  SendDeleteWindow(dpy(), window);
  ASSERT_TRUE(alone.WaitForExit(kExitTimeout));
  EXPECT_EQ(alone.exit_code(), 0);
}

// The suite's help call pastes the page path after the program name for the
// shell, which splits a path with blanks; the viewer joins the pieces.
TEST_F(ViewerWindowTest, PathSplitAtBlanksIsJoinedAgain) {
  ASSERT_EQ(mkdir(dir_.file("dir with blanks").c_str(), 0755), 0);
  WriteFile(dir_.file("dir with blanks/page.htm"),
            "<html><head><title>Viewer Test Blanks</title></head><body>x</body></html>");
  ChildProcess viewer({Viewer(), dir_.file("dir"), "with", "blanks/page.htm"});
  Window window = WaitForWindowByTitle(dpy(), "Viewer Test Blanks", kWindowTimeout);
  ASSERT_NE(window, 0u) << viewer.StandardError();
  SendDeleteWindow(dpy(), window);
  ASSERT_TRUE(viewer.WaitForExit(kExitTimeout));
  EXPECT_EQ(viewer.exit_code(), 0);
}

// Whatever keeps the page from being shown ends the viewer at once with
// status 1 and a one-line reason: the caller waits for it.
TEST_F(ViewerWindowTest, UnshowablePagesExitWithOneLineReason) {
  WriteFile(dir_.file("good.htm"), "<html><head><title>Good</title></head><body>x</body></html>");
  struct {
    std::vector<std::string> args;
    std::vector<std::string> env;
    const char* reason;
    bool one_line;
  } cases[] = {
      {{}, {}, "WMShowHelp: no help page given", true},
      {{""}, {}, "WMShowHelp: cannot show \"\"", true},
      {{dir_.file("missing.htm")}, {}, "No such file or directory", true},
      {{dir_.file("good.htm")}, {"DISPLAY=:64999"}, "cannot open display", false},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv{Viewer()};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(c.reason);
    ChildProcess viewer(argv, c.env);
    ASSERT_TRUE(viewer.WaitForExit(kExitTimeout)) << "still running";
    EXPECT_EQ(viewer.exit_code(), 1);
    std::string err = viewer.StandardError();
    EXPECT_NE(err.find(c.reason), std::string::npos) << err;
    if (c.one_line) {
      EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    }
  }
}

// The suite's help call runs the real viewer on the installed page and
// returns once the user has closed it.
TEST_F(ViewerWindowTest, PresentHelpShowsTheTremoscanPageAndWaitsForTheViewer) {
  const std::string title = "Tremoscan Help";
  pid_t test_process = getpid();
  pid_t closer = fork();
  ASSERT_GE(closer, 0);
  if (closer == 0) {
    // Plays the user: waits for the window and closes it. Should the viewer
    // not come or not go, it is killed, so the test fails instead of hanging.
    XConnection x;
    Window window = x.display() ? WaitForWindowByTitle(x.display(), title, kWindowTimeout) : 0;
    if (!window) {
      KillDescendants(test_process, getpid());
      _exit(2);
    }
    SendDeleteWindow(x.display(), window);
    if (!WaitUntil([&] { return FindWindowByTitle(x.display(), title) == 0; }, kExitTimeout)) {
      KillDescendants(test_process, getpid());
      _exit(3);
    }
    _exit(0);
  }
  WMPresentHelp("Tremoscan");
  // Back here only after the viewer ended: its window is gone.
  EXPECT_EQ(FindWindowByTitle(dpy(), title), 0u);
  int status = 0;
  ASSERT_EQ(waitpid(closer, &status, 0), closer);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: the viewer window never appeared, "
                                        "3: it did not close when asked";
}

}  // namespace
