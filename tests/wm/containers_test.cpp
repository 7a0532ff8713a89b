// Tab managers, tables and toolbars on a real X server: what they hold,
// where their items end up on the screen, what a click on a tab does, and
// the programming errors that end the program.
#include <gtest/gtest.h>

#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/Notebook.h>
#include <Xm/PushB.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <cstdint>
#include <string>
#include <vector>

#include "config_testing.h"
#include "gui_test_util.h"
#include "input_driver.h"
#include "test_support.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

class ContainerTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    form_ = WMCreateMainForm("containers");
  }
  Widget form_ = nullptr;
};

struct PageCalls {
  int count = 0;
  int page = -1;
  XtPointer client = nullptr;
};

// True when `w` lies wholly inside `box` on the screen.
bool Inside(Widget w, Widget box) {
  Geometry g = WindowGeometry(w), b = WindowGeometry(box);
  return g.x >= b.x && g.y >= b.y && g.x + g.width <= b.x + b.width && g.y + g.height <= b.y + b.height;
}

void PageCB(Widget, XtPointer client, XtPointer call) {
  auto* calls = static_cast<PageCalls*>(client);
  ++calls->count;
  calls->page = *static_cast<int*>(call);
}

bool Viewable(Widget w) {
  if (!XtIsRealized(w)) return false;
  XWindowAttributes attrs;
  XGetWindowAttributes(XtDisplay(w), XtWindow(w), &attrs);
  return attrs.map_state == IsViewable;
}

TEST_F(ContainerTest, TabsOnTopSwitchPagesWhenClicked) {
  PageCalls calls;
  Widget manager = WMTabManager(1, PageCB, &calls);
  ASSERT_NE(manager, nullptr);
  EXPECT_STREQ(XtName(manager), "tabManager");
  EXPECT_EQ(WMRtCurrentForm(), manager);
  EXPECT_EQ(WMRtOpenTabManagers(), 1);
  XtPointer user_data = nullptr;
  XtVaGetValues(manager, XmNuserData, &user_data, nullptr);
  EXPECT_EQ(user_data, &calls);

  Widget first = WMTabPage("Beads");
  EXPECT_STREQ(XtName(first), "tabPageForm");
  EXPECT_EQ(WMRtCurrentForm(), first);
  Widget on_first = WMInfoLabel("first page", nullptr);
  EXPECT_EQ(XtParent(on_first), first);
  Widget second = WMTabPage("Tracks");
  Widget on_second = WMInfoLabel("second page", nullptr);
  EXPECT_EQ(XtParent(on_second), second);
  WMEndTabManager();
  EXPECT_EQ(WMRtCurrentForm(), form_);
  EXPECT_EQ(WMRtOpenTabManagers(), 0);
  EXPECT_EQ(WMRtFormStackDepth(), 0);

  Widget first_tab = nullptr, second_tab = nullptr;
  XtVaGetValues(first, XmNuserData, &first_tab, nullptr);
  XtVaGetValues(second, XmNuserData, &second_tab, nullptr);
  ASSERT_NE(second_tab, nullptr);
  EXPECT_STREQ(XtName(second_tab), "top_tab_label");
  EXPECT_EQ(LabelText(second_tab), "Tracks");

  Show(manager);
  EXPECT_EQ(WMRtCurrentTab(manager), 0);
  EXPECT_TRUE(Viewable(on_first));
  Geometry tab = WindowGeometry(second_tab), page = WindowGeometry(first);
  EXPECT_LE(tab.y + tab.height, page.y + 2) << "the tabs are above the page";
  for (Widget t : {first_tab, second_tab}) EXPECT_TRUE(Inside(t, manager)) << "every tab is shown";

  ClickOn(second_tab);
  EXPECT_EQ(calls.count, 1);
  EXPECT_EQ(calls.page, 1);
  EXPECT_EQ(WMRtCurrentTab(manager), 1);
  PumpEvents(50);
  Geometry now = WindowGeometry(second), manager_box = WindowGeometry(manager);
  EXPECT_GE(now.x, manager_box.x) << "the second page is in view";
  EXPECT_LT(now.x, manager_box.x + manager_box.width);

  // The active tab has the page's colour, the other one is shaded.
  Pixel active = 0, inactive = 0, background = 0;
  XtVaGetValues(second_tab, XmNbackground, &active, nullptr);
  XtVaGetValues(first_tab, XmNbackground, &inactive, nullptr);
  XtVaGetValues(manager, XmNbackground, &background, nullptr);
  EXPECT_EQ(active, background);
  EXPECT_NE(inactive, background);

  // The program chooses a page: no page callback, colours follow.
  EXPECT_EQ(WMSetCurrentTab(manager, 0), 1);
  EXPECT_EQ(WMRtCurrentTab(manager), 0);
  XtVaGetValues(first_tab, XmNbackground, &active, nullptr);
  EXPECT_EQ(active, background);
  EXPECT_EQ(calls.count, 1);

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(WMSetCurrentTab(on_first, 0), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "WMSetCurrentTab: Widget is not a tab manager!\n");
}

TEST_F(ContainerTest, LeftTabsSitBesideThePage) {
  Widget manager = WMTabManager(0, nullptr, nullptr);
  Widget page = WMTabPage("Settings");
  WMInfoLabel("a page with left tabs", nullptr);
  WMTabPage("More");
  WMInfoLabel("more", nullptr);
  WMEndTabManager();
  Widget tab = nullptr;
  XtVaGetValues(page, XmNuserData, &tab, nullptr);
  EXPECT_STREQ(XtName(tab), "left_tab_label");
  unsigned char alignment = 0;
  XtVaGetValues(tab, XmNalignment, &alignment, nullptr);
  EXPECT_EQ(alignment, XmALIGNMENT_BEGINNING);
  Show(manager);
  Geometry t = WindowGeometry(tab), p = WindowGeometry(page);
  EXPECT_LE(t.x + t.width, p.x + 2) << "the tab is left of the page";
  EXPECT_TRUE(Inside(tab, manager));
}

TEST_F(ContainerTest, ATabManagerPoppedByHandIsNoLongerOpen) {
  WMTabManager(1, nullptr, nullptr);
  WMTabPage("only");
  EXPECT_EQ(WMRtOpenTabManagers(), 1);
  WMPopForm();
  EXPECT_EQ(WMRtOpenTabManagers(), 0);
}

// Misuse of menus, tab managers, tables and toolbars, and a GL area that
// gets no GL context, end the program with their message.
TEST_F(ContainerTest, ProgrammingErrorsEndTheProgram) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  struct Case {
    const char* name;
    std::function<void()> misuse;
    int status;
    const char* message;  // standard error, a regular expression
  };
  const Case cases[] = {
      {"a second cascade level",
       [] {
         const char* labels[] = {"A", "->B", "->C", "D"};
         int selected = 0;
         WMPulldownMenu(nullptr, "Deep", nullptr, labels, nullptr, nullptr, nullptr, 4, &selected,
                        nullptr, nullptr, 0, 0);
       },
       255, "Pulldown menu can have at most 2 levels. Menu is Deep\n"},
      {"a sixth nested tab manager",
       [] {
         for (int i = 0; i < 5; ++i) {
           WMTabManager(1, nullptr, nullptr);
           WMTabPage("page");
         }
         fprintf(stderr, "five open\n");
         WMTabManager(1, nullptr, nullptr);
       },
       255, "five open\nCan only nest 5 tab managers\n"},
      {"a tab page without tab manager", [] { WMTabPage("lost"); }, 255,
       "WMMenu: Tab Manager must be added before Tab Page\n"},
      {"a table with a cell missing",
       [] {
         WMBeginTable(2, 3, WM_ALIGN_BEGINNING);
         for (int i = 0; i < 5; ++i) WMInfoLabel("cell", nullptr);
         WMEndTable();
       },
       255, "Fatal Photarch Error: WMEndTable: row/column inconsistency. Expected 2x3, got 5\n"},
      {"a second open toolbar",
       [] {
         WMBeginToolbar(1);
         WMToolbarButton("One", 1, nullptr, nullptr, 0, nullptr, nullptr);
         WMBeginToolbar(1);
       },
       255, "WMMenu: Previous Toolbar must be ended before starting a new one\n"},
      {"a GL area without a GL visual",
       [] {
         Widget plain = WMStatusDrawingArea(10, 10);
         WMRealizeShell();
         void* cell = nullptr;
         init_GL_widget(plain, &cell, nullptr);
       },
       0, "init_GL_widget: couldn't get GL context. Quitting...\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EXIT(
        {
          c.misuse();
          exit(3);
        },
        ::testing::ExitedWithCode(c.status), c.message);
  }
}

// The cells of a 2 x 3 table on the screen. How each alignment places a
// cell is a table of its own (item_rules_test); here the table's widgets
// apply it, for one alignment.
TEST_F(ContainerTest, TableCellsFormAGrid) {
  const char* texts[] = {"a", "wide label", "bb", "a much wider label", "c", "d"};
  struct Case {
    int alignment;
    const char* name;
  } cases[] = {{WM_ALIGN_END, "end"}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    WMCreateMainForm("table");
    WMSetOffsets(6, 0, 4, 0);
    Widget table = WMBeginTable(2, 3, k.alignment);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(std::string(XtName(table)).rfind("tableWidget", 0), 0u);
    XtPointer alignment = nullptr;
    XtVaGetValues(table, XmNuserData, &alignment, nullptr);
    EXPECT_EQ(reinterpret_cast<intptr_t>(alignment), k.alignment);
    std::vector<Widget> cells;
    for (const char* text : texts) cells.push_back(WMInfoLabel(text, nullptr));
    WMEndTable();
    EXPECT_EQ(WMRtFormStackDepth(), 0);
    Widget after = WMInfoLabel("after the table", nullptr);
    Widget left_of_after = nullptr;
    XtVaGetValues(after, XmNleftWidget, &left_of_after, nullptr);
    EXPECT_EQ(left_of_after, table) << "placement goes on beside the table";
    Show(table);

    std::vector<Geometry> g;
    for (Widget cell : cells) g.push_back(WindowGeometry(cell));
    for (int column = 0; column < 3; ++column) {
      const Geometry& top = g[static_cast<size_t>(column)];
      const Geometry& bottom = g[static_cast<size_t>(column + 3)];
      switch (k.alignment) {
        case WM_ALIGN_BEGINNING: EXPECT_EQ(top.x, bottom.x) << "column " << column; break;
        case WM_ALIGN_END: EXPECT_EQ(top.x + top.width, bottom.x + bottom.width) << "column " << column; break;
        default: EXPECT_NEAR(top.x + top.width / 2.0, bottom.x + bottom.width / 2.0, 1.0) << "column " << column;
      }
    }
    for (int row = 0; row < 2; ++row)
      for (int column = 1; column < 3; ++column)
        EXPECT_EQ(g[static_cast<size_t>(row * 3 + column)].y, g[static_cast<size_t>(row * 3)].y)
            << "equal label heights share the row's top";
    // Columns follow each other at the left offset's distance, each as
    // wide as its widest cell.
    int first_column_right = std::max(g[0].x + g[0].width, g[3].x + g[3].width);
    int second_column_left = std::min(g[1].x, g[4].x);
    EXPECT_GE(second_column_left - first_column_right, 6);
    EXPECT_GE(g[3].y, g[0].y + g[0].height + 4) << "rows are the top offset apart";
    XtDestroyWidget(WMRtBaseShell());
    PumpEvents(10);
  }
}

void CountCB(Widget, XtPointer counter, XtPointer) { ++*static_cast<int*>(counter); }

TEST_F(ContainerTest, ToolbarButtonsLineUpWithTheirSpacing) {
  // A suite directory of our own holding one picture.
  ScopedTempDir suite;
  ASSERT_EQ(mkdir(suite.file("config").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(suite.file("config/pixmaps").c_str(), 0755), 0);
  WriteFile(suite.file("config/pixmaps/dot.xpm"),
            "/* XPM */\nstatic char *dot[] = {\n\"4 4 2 1\",\n\". c None\",\n\"# c #c03030\",\n"
            "\".##.\",\n\"####\",\n\"####\",\n\".##.\"};\n");
  ScopedEnv base("PA_BASE", suite.path().c_str());
  iwbase::ResetConfigStateForTesting();

  struct Case {
    int horizontal;
    const char* name;
  } cases[] = {{1, "horizontal"}, {0, "vertical"}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    WMCreateMainForm("toolbar");
    int pressed = 0;
    Widget toolbar = WMBeginToolbar(k.horizontal);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_STREQ(XtName(toolbar), "toolbar");
    Widget picture = WMToolbarButton("Zoom", 0, "dot.xpm", "zoom in", 0, CountCB, &pressed);
    Widget both = WMToolbarButton("Pan", 1, "dot.xpm", nullptr, 7, CountCB, &pressed);
    Widget text_only = WMToolbarButton("Reset", 1, "missing.xpm", nullptr, 7, CountCB, &pressed);
    WMEndToolbar();
    EXPECT_EQ(WMRtFormStackDepth(), 0);
    EXPECT_STREQ(XtName(picture), "Zoom");
    EXPECT_EQ(WMRtItemKind(picture), WM_KIND_FUNC_BUTTON);
    EXPECT_STREQ(WMRtToolTip(picture), "zoom in");
    struct Label {
      Widget button;
      unsigned char type;
    } labels[] = {{picture, XmPIXMAP}, {both, XmPIXMAP_AND_STRING}, {text_only, XmSTRING}};
    for (const Label& l : labels) {
      unsigned char type = 0;
      XtVaGetValues(l.button, XmNlabelType, &type, nullptr);
      EXPECT_EQ(type, l.type) << XtName(l.button);
    }
    Show(toolbar);
    Geometry a = WindowGeometry(picture), b = WindowGeometry(both), c = WindowGeometry(text_only);
    if (k.horizontal) {
      EXPECT_EQ(b.y, a.y);
      EXPECT_EQ(b.x, a.x + a.width + 7);
      EXPECT_EQ(c.x, b.x + b.width + 7);
    } else {
      EXPECT_EQ(b.x, a.x);
      EXPECT_EQ(b.y, a.y + a.height + 7);
      EXPECT_EQ(c.y, b.y + b.height + 7);
    }
    ClickOn(both);
    EXPECT_EQ(pressed, 1);
    XtDestroyWidget(WMRtBaseShell());
    PumpEvents(10);
  }
}

TEST_F(ContainerTest, AToolbarCanFollowAnEndedOne) {
  WMBeginToolbar(1);
  WMEndToolbar();
  EXPECT_NE(WMBeginToolbar(0), nullptr);
  WMEndToolbar();
}

}  // namespace
