// Tool tips shown by moving the X server's pointer onto items: the delay,
// where the tip opens (above an item near the screen's bottom, beside a
// menu), the switch that turns all tips off, and attaching tool windows.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <Xm/Label.h>

#include <string>
#include <vector>

#include "config_testing.h"
#include "gui_test_util.h"
#include "input_driver.h"
#include "iwbase.h"
#include "test_support.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

class ToolTipTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    WMSetOffsets(10, 10, 10, 10);
  }
  void TearDown() override {
    MoveAway();
    WidgetTest::TearDown();
  }
  // Moves the pointer to the screen's top-left corner, off every item.
  static void MoveAway() {
    Display* dpy = WMRtDisplay();
    XWarpPointer(dpy, None, DefaultRootWindow(dpy), 0, 0, 0, 0, 0, 0);
    PumpEvents(30);
  }
  static bool TipShown() {
    Widget shell = WMRtToolTipShell();
    if (!shell || !XtIsRealized(shell)) return false;
    XWindowAttributes attrs;
    XGetWindowAttributes(XtDisplay(shell), XtWindow(shell), &attrs);
    return attrs.map_state == IsViewable;
  }
  static std::string TipText() {
    Widget label = XtNameToWidget(WMRtToolTipShell(), "tooltip_label");
    return label ? LabelText(label) : "";
  }
  // A window with one button carrying a tip, moved to (x, y) on the screen.
  static Widget ButtonWithTipAt(int x, int y, const char* tip) {
    WMCreateMainForm("tips");
    WMSetToolTipForNext(tip);
    Widget button = WMFuncButton("Measure", nullptr, nullptr, 0, 0);
    WMRealizeShell();
    Widget shell = WMRtBaseShell();
    XtVaSetValues(shell, XmNx, x, XmNy, y, nullptr);
    EXPECT_TRUE(WaitViewable(button));
    PumpEvents(100);
    return button;
  }
};

// Where a tip opens (below, above near the screen's bottom, beside a menu)
// is a table of its own (item_rules_test); here a real tip: shown after
// 750 ms, 2 pixels below and right of its item, gone when the pointer
// leaves, never shown when it leaves early.
TEST_F(ToolTipTest, ATipOpensBelowItsItemAfterTheDelayAndGoesWithThePointer) {
  Widget button = ButtonWithTipAt(300, 200, "Runs the calculation\non the chosen image");
  EXPECT_STREQ(WMRtToolTip(button), "Runs the calculation\non the chosen image");
  MovePointerTo(button, 5, 5);
  RunEventsFor(300);
  EXPECT_FALSE(TipShown()) << "not before 750 ms";
  RunEventsFor(700);
  ASSERT_TRUE(TipShown());
  EXPECT_EQ(TipText(), "Runs the calculation\non the chosen image");
  EXPECT_STREQ(XtName(WMRtToolTipShell()), "tooltip_shell");
  Geometry item = WindowGeometry(button), tip = WindowGeometry(WMRtToolTipShell());
  EXPECT_EQ(tip.y - 1, item.y + item.height + 2) << "2 pixels below (the tip's border outside)";
  EXPECT_EQ(tip.x - 1, item.x + 2);
  MoveAway();
  EXPECT_FALSE(TipShown());

  // Leaving before the delay cancels the tip.
  MovePointerTo(button, 6, 6);
  RunEventsFor(300);
  MoveAway();
  RunEventsFor(700);
  EXPECT_FALSE(TipShown());
}

TEST_F(ToolTipTest, TipsOfMenuEntriesOpenBesideTheMenu) {
  WMCreateMainForm("menu tips");
  const char* labels[] = {"Open", "Close"};
  Widget menu = WMPulldownMenu(nullptr, "File", nullptr, labels, nullptr, nullptr, nullptr, 2, nullptr,
                               nullptr, nullptr, 0, 0);
  ASSERT_EQ(WMSetPulldownMenuItemToolTip(menu, 1, "closes the image"), 1);
  WMInfoLabel("room for the menu", nullptr);
  WMRealizeShell();
  XtVaSetValues(WMRtBaseShell(), XmNx, 100, XmNy, 100, nullptr);
  ASSERT_TRUE(WaitViewable(menu));
  ClickOn(menu);
  Widget close = WMRtPulldownMenuItem(menu, 1);
  ASSERT_TRUE(WaitViewable(close, 1000));
  MovePointerTo(close, 4, 4);
  RunEventsFor(900);
  ASSERT_TRUE(TipShown());
  EXPECT_EQ(TipText(), "closes the image");
  Geometry pane = WindowGeometry(XtParent(close)), item = WindowGeometry(close);
  Geometry tip = WindowGeometry(WMRtToolTipShell());
  EXPECT_EQ(tip.x - 1, pane.x + pane.width) << "right of the menu";
  EXPECT_EQ(tip.y - 1, item.y) << "at the entry's height";
  PressKey(XK_Escape);
  MoveAway();
}

TEST_F(ToolTipTest, TheSwitchTurnsAllTipsOffAndIsSaved) {
  EXPECT_EQ(WMRtDoToolTips(), 1) << "on by default";
  Widget button = ButtonWithTipAt(300, 300, "switched");
  WMSetDoToolTips(0);
  EXPECT_EQ(WMRtDoToolTips(), 0);
  MovePointerTo(button, 5, 5);
  RunEventsFor(900);
  EXPECT_FALSE(TipShown());
  MoveAway();
  std::string saved = ReadFile(std::string(IWRtUserConfigFile()));
  EXPECT_NE(saved.find("PA_DO_TOOLTIPS"), std::string::npos) << saved;

  WMFlipDoToolTips();
  EXPECT_EQ(WMRtDoToolTips(), 1);
  MovePointerTo(button, 5, 5);
  RunEventsFor(900);
  EXPECT_TRUE(TipShown());
  WMFlipDoToolTips();
  EXPECT_EQ(WMRtDoToolTips(), 0);
  EXPECT_FALSE(TipShown()) << "switching off removes a tip that is up";

  // Removing an item's tip.
  WMSetDoToolTips(1);
  WMSetToolTip(button, nullptr);
  EXPECT_EQ(WMRtToolTip(button), nullptr);
  MoveAway();
  MovePointerTo(button, 5, 5);
  RunEventsFor(900);
  EXPECT_FALSE(TipShown());
}

TEST_F(ToolTipTest, ToolWindowsAttachOnlyToRealizedShellsAndWhenSwitchedOn) {
  Display* dpy = WMRtDisplay();
  Window tool = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 50, 50, 0, 0, 0);
  WMCreateMainForm("owner");
  WMInfoLabel("owner", nullptr);
  Widget shell = WMRtBaseShell();

  ::testing::internal::CaptureStdout();
  EXPECT_EQ(WMAttachToolWindow(shell, tool), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Can not attach; top shell not realized\n");

  WMRealizeShell();
  {
    ScopedEnv off("PA_ATTACH_TOOLS", "false");
    iwbase::ResetConfigStateForTesting();
    EXPECT_EQ(WMAttachToolWindow(shell, tool), 0);
    Window owner = None;
    EXPECT_FALSE(XGetTransientForHint(dpy, tool, &owner));
  }
  iwbase::ResetConfigStateForTesting();
  EXPECT_EQ(WMAttachToolWindow(shell, tool), 1);
  Window owner = None;
  ASSERT_TRUE(XGetTransientForHint(dpy, tool, &owner));
  EXPECT_EQ(owner, XtWindow(shell));
  XDestroyWindow(dpy, tool);
}

}  // namespace
