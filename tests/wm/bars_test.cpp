// Progress and status bars, status fields, the GL drawing area and the
// execute button on a real X server: the pixels the progress bar draws, the
// values the bars show after a refresh, a GL context that really draws,
// and commands that really run (and are really killed).
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <Xm/DrawingA.h>
#include <Xm/Frame.h>
#include <Xm/MessageB.h>
#include <Xm/Scale.h>
#include <Xm/TextF.h>

#include <GL/gl.h>
#include <GL/glx.h>

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "config_testing.h"
#include "gui_test_util.h"
#include "input_driver.h"
#include "test_support.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

class BarTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    WMSetMessageHandler(nullptr, nullptr);
    WMSetOffsets(2, 2, 2, 2);
    form_ = WMCreateMainForm("bars");
  }
  static void Show(Widget any) {
    WidgetTest::Show(any);
    PumpEvents(50);
  }
  Widget form_ = nullptr;
};

// The colour of one pixel of a widget's window.
Pixel PixelAt(Widget w, int x, int y) {
  XImage* image = XGetImage(XtDisplay(w), XtWindow(w), x, y, 1, 1, AllPlanes, ZPixmap);
  Pixel p = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return p;
}

TEST_F(BarTest, ProgressBarDrawsTheCallersValueOnRefresh) {
  int percent = 50;
  Widget bar = WMProgressBar(200, 24, &percent, 0, 0);
  ASSERT_NE(bar, nullptr);
  EXPECT_STREQ(XtName(bar), "ProgressBar");
  EXPECT_STREQ(XtName(XtParent(bar)), "ProgressBarFrame");
  EXPECT_TRUE(XmIsFrame(XtParent(bar)));
  EXPECT_EQ(WMRtItemKind(bar), WM_KIND_PROGRESS_BAR);
  Dimension shadow = 99;
  XtVaGetValues(bar, XmNshadowThickness, &shadow, nullptr);
  EXPECT_EQ(shadow, 0) << "the frame draws the border";
  Show(bar);

  Pixel bar_color = 0;
  XtVaGetValues(bar, "barColor", &bar_color, nullptr);
  struct Case {
    int value;
    bool quarter_filled, three_quarters_filled;
  } cases[] = {{50, true, false}, {100, true, true}, {0, false, false}, {80, true, true}, {-20, false, false}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.value);
    percent = k.value;
    WMRefreshItem(bar);
    PumpEvents(50);
    int value = -1;
    XtVaGetValues(bar, XmNvalue, &value, nullptr);
    EXPECT_EQ(value, k.value);
    // Sample the top row (above the centred percentage text).
    EXPECT_EQ(PixelAt(bar, 50, 1) == bar_color, k.quarter_filled);
    EXPECT_EQ(PixelAt(bar, 150, 1) == bar_color, k.three_quarters_filled);
  }
}

TEST_F(BarTest, StatusBarIsAThermometerTheUserCannotMove) {
  int done = 7;
  Widget status = WMStatusBar("Frames", 0, 20, &done, 1, 0x2);
  ASSERT_NE(status, nullptr);
  EXPECT_STREQ(XtName(status), "StatusBar");
  EXPECT_EQ(WMRtItemKind(status), WM_KIND_STATUS_BAR);
  unsigned char mode = 0, orientation = 0, right = 0;
  Boolean traversal = True;
  int minimum = -1, maximum = -1, value = -1;
  XmString title = nullptr;
  XtVaGetValues(status, XmNslidingMode, &mode, XmNorientation, &orientation, XmNtraversalOn, &traversal,
                XmNminimum, &minimum, XmNmaximum, &maximum, XmNvalue, &value, XmNtitleString, &title,
                XmNrightAttachment, &right, nullptr);
  EXPECT_EQ(mode, XmTHERMOMETER);
  EXPECT_EQ(orientation, XmHORIZONTAL);
  EXPECT_FALSE(traversal);
  EXPECT_EQ(minimum, 0);
  EXPECT_EQ(maximum, 20);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(XmText(title), "Frames");
  XmStringFree(title);
  EXPECT_EQ(right, XmATTACH_FORM) << "no width: stretched to the form's edge";

  struct Case {
    int set, shown;
  } cases[] = {{12, 12}, {25, 20}, {-3, 0}};
  for (const auto& k : cases) {
    done = k.set;
    WMRefreshGroup(0x2);
    int shown = -1;
    XmScaleGetValue(status, &shown);
    EXPECT_EQ(shown, k.shown) << "set " << k.set;
  }
  int fixed_value = 3;
  Widget fixed = WMStatusBar("fixed", 150, 10, &fixed_value, 0, 0);
  XtVaGetValues(fixed, XmNrightAttachment, &right, nullptr);
  EXPECT_NE(right, XmATTACH_FORM);
}

TEST_F(BarTest, StatusTextShowsTheCallersTextReadOnly) {
  char text[40] = "Localizing beads in 300 frames";
  Widget status = WMStatusText(text, 12, 0x4);
  ASSERT_NE(status, nullptr);
  EXPECT_STREQ(XtName(status), "status");
  EXPECT_EQ(WMRtItemKind(status), WM_KIND_STATUS_TEXT);
  Boolean editable = True, traversal = True;
  short columns = 0;
  XtVaGetValues(status, XmNeditable, &editable, XmNtraversalOn, &traversal, XmNcolumns, &columns, nullptr);
  EXPECT_FALSE(editable);
  EXPECT_FALSE(traversal);
  EXPECT_EQ(columns, 12);
  char* shown = XmTextFieldGetString(status);
  EXPECT_STREQ(shown, text);
  XtFree(shown);
  Show(status);
  EXPECT_EQ(XmTextFieldGetInsertionPosition(status), 0) << "shown from its start";
  snprintf(text, sizeof text, "Linking tracks");
  WMRefreshGroup(0x4);
  shown = XmTextFieldGetString(status);
  EXPECT_STREQ(shown, "Linking tracks");
  XtFree(shown);

  Widget area = WMStatusDrawingArea(64, 16);
  EXPECT_STREQ(XtName(area), "status");
  EXPECT_TRUE(XmIsDrawingArea(area));
  EXPECT_EQ(WMRtItemKind(area), WM_KIND_DRAWING_AREA);
  Dimension w = 0, h = 0;
  XtVaGetValues(area, XmNwidth, &w, XmNheight, &h, nullptr);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 16);
}

struct GLScene {
  GLXContext context = nullptr;
  int exposures = 0;
  int inputs = 0;
};

void PaintRedCB(Widget w, XtPointer scene, XtPointer) {
  auto* s = static_cast<GLScene*>(scene);
  ++s->exposures;
  glXMakeCurrent(XtDisplay(w), XtWindow(w), s->context);
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glXSwapBuffers(XtDisplay(w), XtWindow(w));
  glFinish();
}

void InputCB(Widget, XtPointer scene, XtPointer) { ++static_cast<GLScene*>(scene)->inputs; }

TEST_F(BarTest, GLDrawingAreaGetsADirectContextAndDraws) {
  GLScene scene;
  Widget area = WMGLDrawingArea(80, 60, PaintRedCB, &scene, InputCB, &scene, &scene.context);
  ASSERT_NE(area, nullptr);
  EXPECT_STREQ(XtName(area), "glwidget");
  EXPECT_EQ(WMRtItemKind(area), WM_KIND_DRAWING_AREA);
  Boolean traversal = False;
  XtVaGetValues(area, XmNtraversalOn, &traversal, nullptr);
  EXPECT_TRUE(traversal) << "an input callback makes the area traversable";
  Show(area);
  ASSERT_NE(scene.context, nullptr);
  EXPECT_TRUE(glXIsDirect(XtDisplay(area), scene.context));
  EXPECT_EQ(glXGetCurrentContext(), scene.context);
  EXPECT_GE(scene.exposures, 1);
  PumpEvents(50);
  XImage* image = XGetImage(XtDisplay(area), XtWindow(area), 40, 30, 1, 1, AllPlanes, ZPixmap);
  unsigned long pixel = XGetPixel(image, 0, 0);
  EXPECT_EQ((pixel & image->red_mask) != 0, true);
  EXPECT_EQ(pixel & image->green_mask, 0u);
  EXPECT_EQ(pixel & image->blue_mask, 0u);
  XDestroyImage(image);
  ClickOn(area);
  EXPECT_GE(scene.inputs, 1);
  glXMakeCurrent(XtDisplay(area), None, nullptr);
  glXDestroyContext(XtDisplay(area), scene.context);
}

// Pumps events until the execute button shows `label` again (or 10 s).
bool WaitForLabel(Widget button, const std::string& label) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < end) {
    if (LabelText(button) == label) return true;
    RunEventsFor(20);
  }
  return LabelText(button) == label;
}

bool Alive(pid_t pid) { return kill(pid, 0) == 0 || errno == EPERM; }

// True while a process of the group runs (zombies waiting for whoever
// adopted them do not count).
bool GroupRuns(pid_t group) {
  DIR* proc = opendir("/proc");
  bool runs = false;
  while (dirent* entry = proc ? readdir(proc) : nullptr) {
    std::string stat = ReadFile(std::string("/proc/") + entry->d_name + "/stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int parent = 0, pgrp = 0;
    if (sscanf(stat.c_str() + close + 1, " %c %d %d", &state, &parent, &pgrp) == 3 && pgrp == group &&
        state != 'Z')
      runs = true;
  }
  if (proc) closedir(proc);
  return runs;
}

int gAnswer = 1;  // the test's answer to the cancel question
std::vector<std::string> gQuestions;
int AnswerQuestion(int kind, const char* text, void*) {
  if (kind == WM_MESSAGE_QUESTION) gQuestions.push_back(text);
  return gAnswer;
}

int VetoCB(Widget, XtPointer vetoes) { return ++*static_cast<int*>(vetoes) > 0 ? -1 : 0; }

// All execute-button behaviour in one test: a process has one button.
TEST_F(BarTest, ExecuteButtonRunsCancelsAndIsVetoed) {
  ScopedTempDir work;
  // The button reads the caller's texts at each press.
  char command[16] = "NULL";
  char arguments[512];
  // Slow enough to be seen running after the click's events are handled.
  snprintf(arguments, sizeof arguments, "sleep 0.5; echo ran > %s", work.file("out.txt").c_str());
  int vetoes = -1;  // the first press passes, the next ones are vetoed
  Widget button = WMExecuteButton(command, arguments, VetoCB, &vetoes);
  ASSERT_NE(button, nullptr);
  EXPECT_STREQ(XtName(button), "func_button");
  EXPECT_EQ(WMRtItemKind(button), WM_KIND_EXECUTE_BUTTON);
  EXPECT_EQ(LabelText(button), "Do It");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(WMExecuteButton("true", "", nullptr, nullptr), nullptr) << "one per process";
  EXPECT_FALSE(::testing::internal::GetCapturedStderr().empty());
  Show(button);

  // A run to its end: "Cancel" while it runs, "Do It" after its signal.
  ClickOn(button);
  pid_t child = WMRtExecuteChild();
  ASSERT_GT(child, 0);
  EXPECT_EQ(getpgid(child), child) << "the command has a process group of its own";
  ASSERT_TRUE(WaitForLabel(button, "Do It"));
  EXPECT_EQ(WMRtExecuteChild(), 0);
  EXPECT_EQ(ReadFile(work.file("out.txt")), "ran\n");
  EXPECT_FALSE(Alive(child)) << "the child was reaped";

  // A veto keeps the button idle.
  ClickOn(button);
  EXPECT_EQ(WMRtExecuteChild(), 0);
  EXPECT_EQ(vetoes, 1);

  // Cancelling: "No" keeps the command, "Yes" kills its whole group.
  vetoes = -100;
  WMSetMessageHandler(AnswerQuestion, nullptr);
  snprintf(arguments, sizeof arguments, "sleep 30 & sleep 30");
  ClickOn(button);
  child = WMRtExecuteChild();
  ASSERT_GT(child, 0);
  EXPECT_EQ(LabelText(button), "Cancel");
  gAnswer = 0;
  ClickOn(button);
  EXPECT_EQ(gQuestions, std::vector<std::string>{"Are You Sure You Want To Cancel?"});
  EXPECT_EQ(WMRtExecuteChild(), child);
  EXPECT_EQ(LabelText(button), "Cancel");
  EXPECT_TRUE(GroupRuns(child));
  gAnswer = 1;
  ClickOn(button);
  EXPECT_EQ(WMRtExecuteChild(), 0);
  EXPECT_EQ(LabelText(button), "Do It");
  EXPECT_FALSE(Alive(child));
  // SIGKILL is delivered when the killed process is next scheduled.
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (GroupRuns(child) && std::chrono::steady_clock::now() < give_up) usleep(10000);
  EXPECT_FALSE(GroupRuns(child)) << "the command's background sleep died with it";

  // The question itself: full-application modal, "Yes" and "No".
  WMSetMessageHandler(nullptr, nullptr);
  ClickOn(button);
  child = WMRtExecuteChild();
  ASSERT_GT(child, 0);
  Widget shell = WMRtBaseShell();
  // Asked with the pointer in the corner, it still keeps 50 pixels away.
  XWarpPointer(XtDisplay(shell), None, DefaultRootWindow(XtDisplay(shell)), 0, 0, 0, 0, 0, 0);
  AfterDelay(200, [shell] {
    Widget box = FindWidget(shell, "*question");
    ASSERT_NE(box, nullptr);
    Position x = 0, y = 0;
    XtVaGetValues(XtParent(box), XmNx, &x, XmNy, &y, nullptr);
    EXPECT_GE(x, 50);
    EXPECT_GE(y, 50);
    unsigned char style = 0;
    XtVaGetValues(box, XmNdialogStyle, &style, nullptr);
    EXPECT_EQ(style, XmDIALOG_FULL_APPLICATION_MODAL);
    EXPECT_EQ(LabelText(XmMessageBoxGetChild(box, XmDIALOG_OK_BUTTON)), "Yes");
    EXPECT_EQ(LabelText(XmMessageBoxGetChild(box, XmDIALOG_CANCEL_BUTTON)), "No");
    XmString message = nullptr;
    XtVaGetValues(box, XmNmessageString, &message, nullptr);
    EXPECT_EQ(XmText(message), "Are You Sure You Want To Cancel?");
    XmStringFree(message);
    Press(XmMessageBoxGetChild(box, XmDIALOG_OK_BUTTON));
  });
  Press(button);
  EXPECT_EQ(WMRtExecuteChild(), 0);
  EXPECT_FALSE(Alive(child));
}

}  // namespace
