// Shells, placement, frames, sizing and realization of the widget layer,
// checked on real Motif widgets under an X server.
#include <gtest/gtest.h>

#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/Label.h>
#include <Xm/MwmUtil.h>
#include <Xm/PushB.h>
#include <Xm/Separator.h>
#include <Xm/TextF.h>

#include <cstring>
#include <string>

#include <X11/extensions/XTest.h>

#include "gui_test_util.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

struct Attachments {
  unsigned char left, top;
  Widget left_widget, top_widget;
  int left_offset, top_offset;
};

Attachments AttachmentsOf(Widget w) {
  Attachments a{};
  XtVaGetValues(w, XmNleftAttachment, &a.left, XmNtopAttachment, &a.top, XmNleftWidget,
                &a.left_widget, XmNtopWidget, &a.top_widget, XmNleftOffset, &a.left_offset,
                XmNtopOffset, &a.top_offset, nullptr);
  return a;
}

class ShellFormTest : public WidgetTest {};

TEST_F(ShellFormTest, FirstItemSitsInTheTopLeftCornerWithTheOffsets) {
  Widget form = WMCreateMainForm("first");
  WMSetOffsets(7, 0, 9, 0);
  Widget a = WMInfoLabel("A", nullptr);
  Attachments at = AttachmentsOf(a);
  EXPECT_EQ(XtParent(a), form);
  EXPECT_EQ(at.left, XmATTACH_FORM);
  EXPECT_EQ(at.top, XmATTACH_FORM);
  EXPECT_EQ(at.left_offset, 7);
  EXPECT_EQ(at.top_offset, 9);

  WMRealizeShell();
  PumpEvents();
  Position x = 0, y = 0;
  XtVaGetValues(a, XmNx, &x, XmNy, &y, nullptr);
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, 9);
}

TEST_F(ShellFormTest, RowsLineUpUnderTheFirstItemOfThePreviousRow) {
  WMCreateMainForm("rows");
  Widget a = WMInfoLabel("first item, rather long", nullptr);
  Widget b = WMInfoLabel("B", nullptr);
  WMNewRow();
  Widget c = WMInfoLabel("C", nullptr);
  Widget d = WMInfoLabel("D", nullptr);

  struct Case {
    const char* name;
    Widget w;
    unsigned char left;
    Widget left_widget;
    unsigned char top;
    Widget top_widget;
  } cases[] = {
      {"same row as the first item", b, XmATTACH_WIDGET, a, XmATTACH_FORM, nullptr},
      {"first item of a new row", c, XmATTACH_FORM, nullptr, XmATTACH_WIDGET, a},
      {"second item of the new row", d, XmATTACH_WIDGET, c, XmATTACH_WIDGET, a},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Attachments at = AttachmentsOf(k.w);
    EXPECT_EQ(at.left, k.left);
    EXPECT_EQ(at.top, k.top);
    if (k.left_widget) {
      EXPECT_EQ(at.left_widget, k.left_widget);
    }
    if (k.top_widget) {
      EXPECT_EQ(at.top_widget, k.top_widget);
    }
  }

  // On screen: C starts below A, at A's left edge; D is right of C.
  WMRealizeShell();
  PumpEvents();
  Geometry ga = WindowGeometry(a), gc = WindowGeometry(c), gd = WindowGeometry(d);
  EXPECT_EQ(gc.x, ga.x);
  EXPECT_GE(gc.y, ga.y + ga.height);
  EXPECT_GE(gd.x, gc.x + gc.width);
}

TEST_F(ShellFormTest, A51stNestedFrameIsRefusedAndPlacementStaysInThe50th) {
  WMCreateMainForm("deep");
  Widget innermost = nullptr;
  for (int depth = 1; depth <= WM_FORM_STACK_DEPTH; ++depth) {
    innermost = WMFrame(1, nullptr);
    ASSERT_NE(innermost, nullptr) << "frame " << depth;
  }
  EXPECT_EQ(WMRtFormStackDepth(), WM_FORM_STACK_DEPTH);
  EXPECT_EQ(WMFrame(1, "one too many"), nullptr);
  EXPECT_EQ(WMPushForm(innermost), 0);
  Widget label = WMInfoLabel("still placed", nullptr);
  EXPECT_EQ(XtParent(label), innermost);
  for (int depth = 0; depth < WM_FORM_STACK_DEPTH; ++depth) WMPopForm();
  EXPECT_EQ(WMRtFormStackDepth(), 0);
}

TEST_F(ShellFormTest, PopRestoresTheCursorOfThePush) {
  Widget form = WMCreateMainForm("pop");
  Widget a = WMInfoLabel("A", nullptr);
  Widget inner = WMFrame(1, "inner");
  WMInfoLabel("inside", nullptr);
  WMPopForm();
  EXPECT_EQ(WMRtCurrentForm(), form);
  // The frame was placed after A, so it is the last item of the row now.
  EXPECT_EQ(WMRtLastItem(), XtParent(inner));
  Widget b = WMInfoLabel("B", nullptr);
  EXPECT_EQ(AttachmentsOf(b).left_widget, XtParent(inner));
  EXPECT_EQ(AttachmentsOf(XtParent(inner)).left_widget, a);
}

TEST_F(ShellFormTest, FrameStylesGiveTheirShadowOrAPlainTitledForm) {
  struct Case {
    int style;
    unsigned char shadow;
  } framed[] = {{WM_FRAME_ETCHED_IN, XmSHADOW_ETCHED_IN},
                {WM_FRAME_ETCHED_OUT, XmSHADOW_ETCHED_OUT},
                {WM_FRAME_SHADOW_IN, XmSHADOW_IN},
                {WM_FRAME_SHADOW_OUT, XmSHADOW_OUT}};
  WMCreateMainForm("styles");
  for (const Case& k : framed) {
    SCOPED_TRACE(k.style);
    WMSetFrameStyle(k.style);
    Widget inner = WMFrame(1, "Title");
    ASSERT_NE(inner, nullptr);
    Widget frame = XtParent(inner);
    EXPECT_TRUE(XmIsFrame(frame));
    EXPECT_STREQ(XtName(frame), "A Frame");
    EXPECT_STREQ(XtName(inner), "new_form");
    EXPECT_EQ(WMRtItemKind(frame), WM_KIND_FRAME);
    unsigned char shadow = 0;
    XtVaGetValues(frame, XmNshadowType, &shadow, nullptr);
    EXPECT_EQ(shadow, k.shadow);
    EXPECT_NE(XtNameToWidget(frame, "form_label"), nullptr);
    WMPopForm();
  }

  WMSetFrameStyle(WM_FRAME_NONE);
  Widget plain = WMFrame(1, "Group");
  ASSERT_NE(plain, nullptr);
  EXPECT_TRUE(XmIsForm(plain));
  EXPECT_STREQ(XtName(plain), "Group");
  EXPECT_EQ(WMRtItemKind(plain), WM_KIND_PLAIN_FORM);
  Widget label = XtNameToWidget(plain, "form_label");
  Widget sep = XtNameToWidget(plain, "form_sep");
  ASSERT_NE(label, nullptr);
  ASSERT_NE(sep, nullptr);
  unsigned char right = 0;
  XtVaGetValues(sep, XmNrightAttachment, &right, nullptr);
  EXPECT_EQ(right, XmATTACH_FORM);
  // The next item starts a new row under the title.
  Widget item = WMInfoLabel("first", nullptr);
  EXPECT_EQ(AttachmentsOf(item).top_widget, label);
  WMPopForm();
}

TEST_F(ShellFormTest, ButtonAndLabelWidthsFollowTheirTextLength) {
  WMCreateMainForm("widths");
  int cell = WMRtFixedCharWidth();
  ASSERT_GT(cell, 0);
  for (const char* text : {"Done", "Run the Calculation", "Save as JPEG..."}) {
    SCOPED_TRACE(text);
    Widget button = WMFuncButton(text, nullptr, nullptr, 0, 0);
    Dimension width = 0, border = 0, shadow = 0, highlight = 0, margin = 0;
    XtVaGetValues(button, XmNwidth, &width, XmNborderWidth, &border, XmNshadowThickness, &shadow,
                  XmNhighlightThickness, &highlight, XmNmarginWidth, &margin, nullptr);
    EXPECT_EQ(width, static_cast<int>(strlen(text)) * cell + 2 * (border + shadow + highlight) +
                         2 * margin);
    // The whole label fits: Motif's own preferred width is not larger.
    XtWidgetGeometry preferred;
    XtQueryGeometry(button, nullptr, &preferred);
    EXPECT_LE(preferred.width, width);
    EXPECT_EQ(WMRtItemKind(button), WM_KIND_FUNC_BUTTON);
    EXPECT_STREQ(XtName(button), "func_button");
  }
  // The cell is the width of "D" in the item font.
  Widget label = WMInfoLabel("DDDD", nullptr);
  XmRenderTable table = nullptr;
  XtVaGetValues(label, XmNrenderTable, &table, nullptr);
  XmString d = XmStringGenerate(const_cast<char*>("D"), XmFONTLIST_DEFAULT_TAG, XmCHARSET_TEXT,
                                nullptr);
  EXPECT_EQ(cell, XmStringWidth(table, d));
  XmStringFree(d);
}

TEST_F(ShellFormTest, ShellHintsFollowTitleAndResizableFlag) {
  struct Case {
    const char* title;
    int resizable;
    int decorations;
    int functions;
  } cases[] = {{"Titled", 1, 1, 1}, {"Titled", 0, 58, 44}, {nullptr, 1, 6, 1}, {nullptr, 0, 2, 44}};
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.title ? k.title : "(none)") + " resizable=" +
                 std::to_string(k.resizable));
    WMSetResizableShell(k.resizable);
    Widget shell = WMCreateShell(k.title);
    ASSERT_NE(shell, nullptr);
    int decorations = 0, functions = 0;
    XtVaGetValues(shell, XmNmwmDecorations, &decorations, XmNmwmFunctions, &functions, nullptr);
    EXPECT_EQ(decorations, k.decorations);
    EXPECT_EQ(functions, k.functions);
    EXPECT_EQ(WMRtShellResizable(shell), k.resizable);
    XtDestroyWidget(shell);
  }
}

TEST_F(ShellFormTest, RealizeKeepsTheWindowFivePixelsInsideTheScreen) {
  Display* dpy = WMRtDisplay();
  int sw = DisplayWidth(dpy, DefaultScreen(dpy)), sh = DisplayHeight(dpy, DefaultScreen(dpy));
  // The shell opens at the pointer: put the pointer at the bottom-right corner.
  XWarpPointer(dpy, None, DefaultRootWindow(dpy), 0, 0, 0, 0, sw - 1, sh - 1);
  XSync(dpy, False);
  WMCreateMainForm("corner");
  WMInfoLabel("a label that gives the window some width", nullptr);
  WMRealizeShell();
  PumpEvents();
  Widget shell = WMRtBaseShell();
  Geometry g = WindowGeometry(shell);
  EXPECT_EQ(g.x, sw - g.width - 5);
  EXPECT_EQ(g.y, sh - g.height - 5);
}

TEST_F(ShellFormTest, CentringRequestCentresTheNextShellOnly) {
  Display* dpy = WMRtDisplay();
  int sw = DisplayWidth(dpy, DefaultScreen(dpy)), sh = DisplayHeight(dpy, DefaultScreen(dpy));
  XWarpPointer(dpy, None, DefaultRootWindow(dpy), 0, 0, 0, 0, 100, 100);
  WMRequestCentering();
  WMCreateMainForm("centred");
  WMInfoLabel("centred window", nullptr);
  WMRealizeShell();
  PumpEvents();
  Geometry g = WindowGeometry(WMRtBaseShell());
  EXPECT_NEAR(g.x, sw / 2 - g.width / 2, 1);
  EXPECT_NEAR(g.y, sh / 2 - g.height / 2, 1);

  WMCreateMainForm("at the pointer");
  WMInfoLabel("pointer window", nullptr);
  WMRealizeShell();
  PumpEvents();
  g = WindowGeometry(WMRtBaseShell());
  EXPECT_EQ(g.x, 90);
  EXPECT_EQ(g.y, 90);
}

TEST_F(ShellFormTest, OnlyResizableShellsCanChangeSize) {
  for (int resizable : {0, 1}) {
    SCOPED_TRACE(resizable);
    WMSetResizableShell(resizable);
    WMCreateMainForm("size");
    WMInfoLabel("content", nullptr);
    WMRealizeShell();
    PumpEvents();
    Widget shell = WMRtBaseShell();
    Dimension width = 0;
    int min_w = 0, max_w = 0;  // the window-manager size hints are ints
    XtVaGetValues(shell, XmNwidth, &width, XmNminWidth, &min_w, XmNmaxWidth, &max_w, nullptr);
    if (resizable) {
      EXPECT_NE(max_w, width);
    } else {
      EXPECT_EQ(min_w, width);
      EXPECT_EQ(max_w, width);
    }
    XtDestroyWidget(shell);
  }
}

int gDeleteCalls = 0;
void CountDeleteCB(Widget, XtPointer, XtPointer) { ++gDeleteCalls; }

TEST_F(ShellFormTest, DeleteCallbackRunsOnWindowManagerCloseAndOnlyForShells) {
  WMCreateMainForm("close me");
  Widget label = WMInfoLabel("x", nullptr);
  EXPECT_EQ(WMSetDeleteCallback(label, CountDeleteCB, nullptr), 0);
  Widget shell = WMRtTopShell();
  EXPECT_EQ(WMSetDeleteCallback(shell, CountDeleteCB, nullptr), 1);
  WMRealizeShell();
  PumpEvents();
  gDeleteCalls = 0;
  SendDeleteWindow(shell);
  PumpEvents(200);
  EXPECT_EQ(gDeleteCalls, 1);
  // Closing must not unmap or destroy the window: the application decides.
  XWindowAttributes attrs;
  XGetWindowAttributes(WMRtDisplay(), XtWindow(shell), &attrs);
  EXPECT_EQ(attrs.map_state, IsViewable);
}

TEST_F(ShellFormTest, DoneButtonIsTheCancelButtonAndTheCloseCallback) {
  Widget form = WMCreateMainForm("done");
  gDeleteCalls = 0;
  Widget done = WMDoneButton(nullptr, CountDeleteCB, nullptr, 0, 0);
  Widget cancel = nullptr;
  XtVaGetValues(form, XmNcancelButton, &cancel, nullptr);
  EXPECT_EQ(cancel, done);
  XmString label = nullptr;
  XtVaGetValues(done, XmNlabelString, &label, nullptr);
  char* text = static_cast<char*>(XmStringUnparse(label, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT,
                                                  nullptr, 0, XmOUTPUT_ALL));
  EXPECT_STREQ(text, "Done");
  XtFree(text);
  XmStringFree(label);
  WMRealizeShell();
  PumpEvents();
  Press(done);
  SendDeleteWindow(WMRtTopShell());
  PumpEvents(200);
  EXPECT_EQ(gDeleteCalls, 2);
}

TEST_F(ShellFormTest, MessageFormOnlyUnderAMainWindow) {
  Widget form = WMCreateMainWindow("main");
  EXPECT_EQ(WMCreateMessageForm(form), nullptr);
  Widget main_window = XtParent(form);
  Widget message = WMCreateMessageForm(main_window);
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(WMRtCurrentForm(), message);
  EXPECT_EQ(WMRtFormStackDepth(), 1);
  Widget installed = nullptr;
  XtVaGetValues(main_window, XmNmessageWindow, &installed, nullptr);
  EXPECT_EQ(installed, message);
  WMPopForm();
}

// A dialog window destroyed while the registry lives on takes its items
// along: a later refresh of their group touches no freed widget.
TEST_F(ShellFormTest, ADestroyedDialogWindowTakesItsItemsAlong) {
  WMCreateMainForm("main");
  WMInfoLabel("stays", nullptr);
  int before = WMRtItemCount();
  char text[16] = "";
  Widget form = WMCreateDialogWindow("dialog", 0);
  WMTextField(text, sizeof text - 1, 10, nullptr, nullptr, 0, 0x1);
  EXPECT_EQ(WMRtItemCount(), before + 1);
  XtDestroyWidget(XtParent(form));
  PumpEvents(20);
  EXPECT_EQ(WMRtItemCount(), before);
  WMRefreshGroup(0x1);
}

TEST_F(ShellFormTest, FileFieldIsAButtonFollowedByItsTextField) {
  WMCreateMainForm("file");
  char name[257] = "/data/beads.img";
  char dir[256] = "", ext[256] = "";
  Widget field = WMFileField("Input Image", dir, ext, 256, 35, name, nullptr, nullptr, 0, 0);
  ASSERT_NE(field, nullptr);
  EXPECT_STREQ(XtName(field), "char");
  EXPECT_EQ(WMRtItemKind(field), WM_KIND_FILE_FIELD);
  Widget button = AttachmentsOf(field).left_widget;
  ASSERT_NE(button, nullptr);
  EXPECT_STREQ(XtName(button), "func_button");
  char* text = XmTextFieldGetString(field);
  EXPECT_STREQ(text, "/data/beads.img");
  XtFree(text);
  short columns = 0;
  XtVaGetValues(field, XmNcolumns, &columns, nullptr);
  EXPECT_EQ(columns, 35);
}

TEST_F(ShellFormTest, ProcessEventsWithoutWaitNeverBlocks) {
  WMCreateMainForm("events");
  Widget label = WMInfoLabel("x", nullptr);
  WMRealizeShell();
  PumpEvents();
  EXPECT_EQ(WMProcessEvents(0), 0);
  // An expose of the label is one X event to handle.
  XClearArea(WMRtDisplay(), XtWindow(label), 0, 0, 0, 0, True);
  XSync(WMRtDisplay(), False);
  EXPECT_GE(WMProcessEvents(0), 1);
}

}  // namespace

namespace {

int gRepeats = 0;
void CountRepeatCB(Widget, XtPointer, XtPointer) { ++gRepeats; }

// A real press through the X server (XTest): held, the callback repeats;
// released, it stops.
TEST_F(ShellFormTest, HeldContinuousButtonRepeatsUntilReleased) {
  WMCreateMainForm("repeat");
  Widget button = WMFuncButton("More", CountRepeatCB, nullptr, 0, 0);
  WMSetContinuousCallbacks(button);
  WMRealizeShell();
  PumpEvents(200);
  Display* dpy = WMRtDisplay();
  Geometry g = WindowGeometry(button);
  XTestFakeMotionEvent(dpy, -1, g.x + g.width / 2, g.y + g.height / 2, CurrentTime);
  XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
  XFlush(dpy);
  gRepeats = 0;
  RunEventsFor(1000);
  int while_held = gRepeats;
  EXPECT_GE(while_held, 4) << "about one call per 100 ms after a 400 ms pause";
  XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
  XFlush(dpy);
  RunEventsFor(100);
  int after_release = gRepeats;
  RunEventsFor(500);
  EXPECT_EQ(gRepeats, after_release) << "nothing more once released";
}

}  // namespace
