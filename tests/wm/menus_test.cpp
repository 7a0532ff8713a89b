// Pulldown and option menus, combo boxes, scrolled lists and spin boxes,
// chosen with the mouse and keyboard of the X server the way a person
// chooses: open the menu, click the entry; type, press Return.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <Xm/CascadeB.h>
#include <Xm/ComboBox.h>
#include <Xm/List.h>
#include <Xm/RowColumn.h>
#include <Xm/SpinB.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "config_testing.h"
#include "gui_test_util.h"
#include "input_driver.h"
#include "test_support.h"
#include "list_items.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

struct Calls {
  int count = 0;
  Widget last = nullptr;
};

void RecordCB(Widget w, XtPointer calls, XtPointer) {
  auto* c = static_cast<Calls*>(calls);
  ++c->count;
  c->last = w;
}

std::string TextOf(Widget field) {
  char* raw = XmTextFieldGetString(field);
  std::string text = raw ? raw : "";
  XtFree(raw);
  return text;
}

class MenuTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    form_ = WMCreateMainForm("menus");
  }
  // Opens a pulldown menu by clicking its cascade in the menu bar.
  static void OpenMenu(Widget cascade) {
    ClickOn(cascade);
    Widget pane = nullptr;
    XtVaGetValues(cascade, XmNsubMenuId, &pane, nullptr);
    ASSERT_TRUE(WaitViewable(pane, 1000)) << "the menu did not open";
  }

  Widget form_ = nullptr;
};

const char* kCascadeLabels[] = {"A", "->B", "C", "<-", "D"};

TEST_F(MenuTest, CascadeLabelsBuildASubMenuAndPositionsCountEveryLabel) {
  int selected = -1;
  Calls calls;
  Widget menu = WMPulldownMenu(nullptr, "File", "F", kCascadeLabels, nullptr, nullptr, nullptr, 5,
                               &selected, RecordCB, &calls, 0, 0);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(WMRtItemKind(menu), WM_KIND_PULLDOWN_MENU);
  EXPECT_STREQ(XtName(XtParent(menu)), "menuBar");
  Widget pane = nullptr;
  XtVaGetValues(menu, XmNsubMenuId, &pane, nullptr);
  ASSERT_NE(pane, nullptr);
  EXPECT_STREQ(XtName(pane), "pulldown");
  EXPECT_EQ(WMRtPulldownChoice(menu), -1) << "nothing chosen yet";

  // The top pane holds A, the cascade B and D; B's pane holds C; "<-" has
  // no entry of its own.
  Widget a = WMRtPulldownMenuItem(menu, 0), b = WMRtPulldownMenuItem(menu, 1);
  Widget c = WMRtPulldownMenuItem(menu, 2), d = WMRtPulldownMenuItem(menu, 4);
  EXPECT_EQ(WMRtPulldownMenuItem(menu, 3), nullptr);
  EXPECT_EQ(XtParent(a), pane);
  EXPECT_EQ(XtParent(b), pane);
  EXPECT_EQ(XtParent(d), pane);
  ASSERT_TRUE(XmIsCascadeButton(b));
  Widget sub_pane = nullptr;
  XtVaGetValues(b, XmNsubMenuId, &sub_pane, nullptr);
  EXPECT_EQ(XtParent(c), sub_pane);
  EXPECT_EQ(LabelText(b), "B");
  EXPECT_EQ(LabelText(d), "D");
  for (Widget p : {pane, sub_pane}) {
    unsigned char tear_off = 0;
    XtVaGetValues(p, XmNtearOffModel, &tear_off, nullptr);
    EXPECT_EQ(tear_off, XmTEAR_OFF_ENABLED);
  }
  KeySym mnemonic = 0;
  XtVaGetValues(menu, XmNmnemonic, &mnemonic, nullptr);
  EXPECT_EQ(mnemonic, XStringToKeysym("F"));

  Show(menu);
  OpenMenu(menu);
  ClickOn(d);
  EXPECT_EQ(selected, 4) << "D is the fifth label";
  EXPECT_EQ(WMRtPulldownChoice(menu), 4);
  EXPECT_EQ(calls.count, 1);
  EXPECT_EQ(calls.last, d);

  // C through the cascade: open the menu, open B, click C.
  OpenMenu(menu);
  ClickOn(b);
  ASSERT_TRUE(WaitViewable(sub_pane, 1000));
  ClickOn(c);
  EXPECT_EQ(selected, 2);
  EXPECT_EQ(calls.count, 2);
}

TEST_F(MenuTest, AcceleratorsWorkWithAndWithoutNumLock) {
  const char* labels[] = {"Open", "Quit"};
  const char* accelerators[] = {nullptr, "Ctrl<Key>q"};
  const char* texts[] = {nullptr, "Ctrl+Q"};
  int selected = -1;
  Calls calls;
  Widget menu = WMPulldownMenu(nullptr, "File", nullptr, labels, nullptr, accelerators, texts, 2,
                               &selected, RecordCB, &calls, 0, 0);
  Widget quit = WMRtPulldownMenuItem(menu, 1);
  char* accelerator = nullptr;
  XmString shown = nullptr;
  XtVaGetValues(quit, XmNaccelerator, &accelerator, XmNacceleratorText, &shown, nullptr);
  ASSERT_NE(accelerator, nullptr);
  EXPECT_STREQ(accelerator, "Ctrl<Key>q,Mod2 Ctrl<Key>q");
  EXPECT_EQ(XmText(shown), "Ctrl+Q");
  XmStringFree(shown);
  char other[8] = "";
  Widget field = WMTextField(other, sizeof other - 1, 6, nullptr, nullptr, 0, 0);
  Show(field);

  FocusOn(field);
  PressKey(XK_q, XK_Control_L);
  EXPECT_EQ(calls.count, 1) << "without Num Lock";
  EXPECT_EQ(selected, 1);

  PressKey(XK_Num_Lock);  // the server's Num Lock is now on
  PressKey(XK_q, XK_Control_L);
  PressKey(XK_Num_Lock);  // and off again
  EXPECT_EQ(calls.count, 2) << "with Num Lock";
}

TEST_F(MenuTest, TheHelpMenuSitsAtTheRightEndOfTheBar) {
  const char* items[] = {"About"};
  Widget file = WMPulldownMenu(nullptr, "File", nullptr, items, nullptr, nullptr, nullptr, 1, nullptr,
                               nullptr, nullptr, 0, 0);
  Widget bar = XtParent(file);
  Widget help = WMPulldownMenu(bar, "Help", nullptr, items, nullptr, nullptr, nullptr, 1, nullptr,
                               nullptr, nullptr, 0, 0);
  Widget edit = WMPulldownMenu(bar, "Edit", nullptr, items, nullptr, nullptr, nullptr, 1, nullptr,
                               nullptr, nullptr, 0, 0);
  EXPECT_EQ(XtParent(help), bar);
  Widget help_widget = nullptr;
  XtVaGetValues(bar, XmNmenuHelpWidget, &help_widget, nullptr);
  EXPECT_EQ(help_widget, help);
  WMInfoLabel("a label wide enough to leave room in the menu bar", nullptr);
  Show(bar);
  Geometry gb = WindowGeometry(bar), gh = WindowGeometry(help), ge = WindowGeometry(edit);
  EXPECT_GT(gh.x, ge.x) << "Help comes after menus added later";
  EXPECT_NEAR(gh.x + gh.width, gb.x + gb.width, 12) << "at the right end";
}

TEST_F(MenuTest, PositionCallsReportMisuseAndDoNothing) {
  const char* labels[] = {"Open", "(*)Grid", "separator", "->More", "Deeper", "<-", "Close"};
  int selected = -1;
  Widget menu = WMPulldownMenu(nullptr, "View", nullptr, labels, nullptr, nullptr, nullptr, 7,
                               &selected, nullptr, nullptr, 0, 0);
  Widget label = WMInfoLabel("not a menu", nullptr);
  struct Case {
    const char* name;
    std::function<int()> call;
    int result;
    std::string err;
  } cases[] = {
      {"toggle set", [&] { return WMSetPulldownToggleState(menu, 1, 1); }, 1, ""},
      {"no menu", [&] { return WMSetPulldownToggleState(nullptr, 1, 1); }, 0,
       "WMSetPulldownToggleState: Pulldown menu is NULL\n"},
      {"no pane", [&] { return WMSetPulldownToggleState(label, 1, 1); }, 0,
       "WMSetPulldownToggleState: Pulldown pane is NULL\n"},
      {"position past the end", [&] { return WMSetPulldownToggleState(menu, 7, 1); }, 0,
       "WMSetPulldownToggleState: requested position invalid\n"},
      {"negative position", [&] { int s; return WMGetPulldownToggleState(menu, -1, &s); }, 0,
       "WMGetPulldownToggleState: requested position invalid\n"},
      {"the \"<-\" entry", [&] { return WMChangePulldownMenuItem(menu, 5, "x"); }, 0,
       "WMChangePulldownMenuItem: requested position invalid\n"},
      {"a push button is no toggle", [&] { return WMSetPulldownToggleState(menu, 0, 1); }, 0,
       "WMSetPulldownToggleState: requested widget is not a Toggle Button\n"},
      {"relabel a button", [&] { return WMChangePulldownMenuItem(menu, 6, "Close All"); }, 1, ""},
      {"relabel a toggle", [&] { return WMChangePulldownMenuItem(menu, 1, "(*)Ruler"); }, 1, ""},
      {"a toggle label for a button", [&] { return WMChangePulldownMenuItem(menu, 0, "(*)Open"); }, 0,
       "PullDown Widget:label string format error\n"},
      {"a plain label for a cascade", [&] { return WMChangePulldownMenuItem(menu, 3, "More"); }, 0,
       "PullDown Widget:label string format error\n"},
      {"tip of an entry", [&] { return WMSetPulldownMenuItemToolTip(menu, 4, "goes deeper"); }, 1, ""},
      {"tip at a bad position", [&] { return WMSetPulldownMenuItemToolTip(menu, 9, "x"); }, 0,
       "WMSetPulldownMenuItemToolTip: requested position invalid\n"},
  };
  for (auto& k : cases) {
    SCOPED_TRACE(k.name);
    ::testing::internal::CaptureStderr();
    int result = k.call();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), k.err);
    EXPECT_EQ(result, k.result);
  }
  int state = 0;
  ASSERT_EQ(WMGetPulldownToggleState(menu, 1, &state), 1);
  EXPECT_EQ(state, 1);
  EXPECT_TRUE(XmToggleButtonGetState(WMRtPulldownMenuItem(menu, 1)));
  EXPECT_EQ(LabelText(WMRtPulldownMenuItem(menu, 1)), "Ruler");
  EXPECT_EQ(LabelText(WMRtPulldownMenuItem(menu, 6)), "Close All");
  EXPECT_EQ(LabelText(WMRtPulldownMenuItem(menu, 0)), "Open");
  EXPECT_STREQ(WMRtToolTip(WMRtPulldownMenuItem(menu, 4)), "goes deeper");
  EXPECT_EQ(selected, -1) << "no call chose anything";
}

TEST_F(MenuTest, TogglesReportAndAFollowingCascadeShowsTheChoice) {
  const char* labels[] = {"Small", "Large", "(*)Bold"};
  int selected = 0;
  Calls calls;
  WMSetPulldownFollowsChoice(1);
  Widget menu = WMPulldownMenu(nullptr, "Size", nullptr, labels, nullptr, nullptr, nullptr, 3,
                               &selected, RecordCB, &calls, 0, 0);
  EXPECT_EQ(LabelText(menu), "Small") << "shows the caller's current choice";
  Widget plain = WMPulldownMenu(XtParent(menu), "Other", nullptr, labels, nullptr, nullptr, nullptr, 3,
                                nullptr, nullptr, nullptr, 0, 0);
  Show(menu);
  OpenMenu(menu);
  ClickOn(WMRtPulldownMenuItem(menu, 1));
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(LabelText(menu), "Large");
  OpenMenu(menu);
  ClickOn(WMRtPulldownMenuItem(menu, 2));
  EXPECT_EQ(selected, 2);
  EXPECT_EQ(calls.count, 2);
  EXPECT_TRUE(XmToggleButtonGetState(WMRtPulldownMenuItem(menu, 2)));
  EXPECT_EQ(LabelText(plain), "Other") << "the flag was for one menu only";
}

TEST_F(MenuTest, OptionMenusShowAndStoreTheChoice) {
  const char* labels[] = {"Red", "Green", "Blue"};
  int selected = 1;
  Calls calls;
  Widget option = WMOptionMenu(labels, 3, &selected, RecordCB, &calls, 0, 0);
  ASSERT_NE(option, nullptr);
  EXPECT_STREQ(XtName(option), "optionMenu");
  EXPECT_EQ(WMRtItemKind(option), WM_KIND_OPTION_MENU);
  Widget pane = nullptr, history = nullptr;
  XtVaGetValues(option, XmNsubMenuId, &pane, XmNmenuHistory, &history, nullptr);
  EXPECT_STREQ(XtName(pane), "menuPane");
  unsigned char tear_off = 0;
  XtVaGetValues(pane, XmNtearOffModel, &tear_off, nullptr);
  EXPECT_EQ(tear_off, XmTEAR_OFF_DISABLED);
  EXPECT_EQ(LabelText(history), "Green");
  Show(option);

  ClickOn(option);
  WidgetList buttons = nullptr;
  Cardinal count = 0;
  XtVaGetValues(pane, XmNchildren, &buttons, XmNnumChildren, &count, nullptr);
  ASSERT_EQ(count, 3u);
  ASSERT_TRUE(WaitViewable(pane, 1000));
  // Motif takes a click that follows the posting click at once for the
  // release of a press-drag-release choice; a person is never that fast.
  RunEventsFor(300);
  ClickOn(buttons[2]);
  EXPECT_EQ(selected, 2);
  EXPECT_EQ(calls.count, 1);
  XtVaGetValues(option, XmNmenuHistory, &history, nullptr);
  EXPECT_EQ(LabelText(history), "Blue");

  selected = 0;
  WMRefreshItem(option);
  XtVaGetValues(option, XmNmenuHistory, &history, nullptr);
  EXPECT_EQ(LabelText(history), "Red");
}

TEST_F(MenuTest, ComboBoxesFindTheirTextInTheList) {
  const char* items[] = {"objective 10x", "objective 60x", "objective 10x", "objective 100x"};
  struct Case {
    const char* name;
    const char* text;
    int index;
  } cases[] = {
      {"a text in no entry", "objective 40x", WM_COMBO_NO_INDEX},
      {"the last of two equal entries", "objective 10x", 2},
      {"a single entry", "objective 100x", 3},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    char text[32];
    snprintf(text, sizeof text, "%s", k.text);
    Widget combo = WMComboBox(text, items, 4, sizeof text, 16, 0, nullptr, nullptr, 0, 0);
    ASSERT_NE(combo, nullptr);
    EXPECT_STREQ(XtName(combo), "comboBox");
    EXPECT_EQ(WMRtItemKind(combo), WM_KIND_COMBO_BOX);
    EXPECT_EQ(WMRtComboIndex(combo), k.index);
    EXPECT_EQ(TextOf(XtNameToWidget(combo, "*Text")), k.text) << "the text is shown either way";
    int* positions = nullptr;
    int selected_count = 0;
    bool any = XmListGetSelectedPos(XtNameToWidget(combo, "*List"), &positions, &selected_count);
    if (k.index == WM_COMBO_NO_INDEX) {
      EXPECT_FALSE(any) << "no list entry is selected";
    } else {
      ASSERT_TRUE(any);
      EXPECT_EQ(positions[0], k.index + 1);
    }
    XtFree(reinterpret_cast<char*>(positions));
    WMNewRow();
  }
}

TEST_F(MenuTest, EditableComboStoresTypedTextAndReadOnlyComboOpensOnAPress) {
  const char* items[] = {"nm", "um", "mm"};
  char unit[4] = "um";
  char typed[12] = "beads";
  Calls read_only_calls, editable_calls;
  Widget read_only = WMComboBox(unit, items, 3, sizeof unit, 6, 0, RecordCB, &read_only_calls, 0, 0);
  Widget editable = WMComboBox(typed, items, 3, sizeof typed, 10, 1, RecordCB, &editable_calls, 0, 0);
  char other[8] = "";
  Widget elsewhere = WMTextField(other, sizeof other - 1, 6, nullptr, nullptr, 0, 0);
  Show(editable);

  Widget editable_text = XtNameToWidget(editable, "*Text");
  TypeIntoField(editable_text, "pixels and more");
  EXPECT_STREQ(typed, "pixels and ") << "cut to the buffer";
  EXPECT_EQ(editable_calls.count, 1);
  EXPECT_EQ(WMRtComboIndex(editable), WM_COMBO_NO_INDEX);
  FocusOn(elsewhere);  // coming back selects the whole text
  TypeIntoField(editable_text, "mm");
  EXPECT_STREQ(typed, "mm");
  EXPECT_EQ(WMRtComboIndex(editable), 2);
  EXPECT_EQ(editable_calls.count, 2);

  // A press on the read-only text opens the list; a click picks an entry.
  ClickOn(XtNameToWidget(read_only, "*Text"));
  Widget list = XtNameToWidget(read_only, "*List");
  ASSERT_TRUE(WaitViewable(list, 1000)) << "the list did not drop down";
  Position x = 0, y = 0;
  Dimension w = 0, h = 0;
  ASSERT_TRUE(XmListPosToBounds(list, 1, &x, &y, &w, &h));
  ClickAt(list, x + w / 2, y + h / 2);
  EXPECT_STREQ(unit, "nm");
  EXPECT_EQ(WMRtComboIndex(read_only), 0);
  EXPECT_EQ(read_only_calls.count, 1);
  EXPECT_EQ(read_only_calls.last, read_only);
}

TEST_F(MenuTest, ComboListsChangeAtRunTime) {
  const char* first[] = {"a", "b"};
  const char* second[] = {"x", "y", "z"};
  char text[8] = "b";
  char other[8] = "q";
  Widget combo = WMComboBox(text, first, 2, sizeof text, 6, 1, nullptr, nullptr, 0, 0);
  EXPECT_EQ(WMRtComboIndex(combo), 1);
  ASSERT_EQ(WMChangeComboList(combo, second, 3, other, sizeof other), 1);
  EXPECT_EQ(WMRtComboIndex(combo), WM_COMBO_NO_INDEX);
  EXPECT_EQ(TextOf(XtNameToWidget(combo, "*Text")), "q");
  int count = 0;
  XtVaGetValues(combo, XmNitemCount, &count, nullptr);
  EXPECT_EQ(count, 3);
  snprintf(other, sizeof other, "z");
  WMRefreshItem(combo);
  EXPECT_EQ(WMRtComboIndex(combo), 2) << "the new buffer is bound";

  Widget label = WMInfoLabel("no combo", nullptr);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(WMChangeComboList(label, second, 3, other, sizeof other), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "WMMenu: Widget is not a combo box!\n");
}

// True when the two compound strings are the same byte for byte: same
// text and same rendition tags.
bool SameBytes(XmString a, XmString b) {
  unsigned char* pa = nullptr;
  unsigned char* pb = nullptr;
  unsigned int na = XmCvtXmStringToByteStream(a, &pa);
  unsigned int nb = XmCvtXmStringToByteStream(b, &pb);
  bool same = na == nb && memcmp(pa, pb, na) == 0;
  XtFree(reinterpret_cast<char*>(pa));
  XtFree(reinterpret_cast<char*>(pb));
  return same;
}

struct ListCalls {
  int selections = 0;
  int double_clicks = 0;
  int position = 0;  // item position of the last call
};

void SelectCB(Widget, XtPointer calls, XtPointer call) {
  auto* c = static_cast<ListCalls*>(calls);
  ++c->selections;
  c->position = static_cast<XmListCallbackStruct*>(call)->item_position;
}

void DoubleClickCB(Widget, XtPointer calls, XtPointer call) {
  auto* c = static_cast<ListCalls*>(calls);
  ++c->double_clicks;
  c->position = static_cast<XmListCallbackStruct*>(call)->item_position;
}

// Which tag gives which rendition is a table of its own (item_rules_test);
// here the list shows a tagged item in its rendition and a plain one in
// the normal one, with fonts the server has.
TEST_F(MenuTest, ListItemsShowTagsAsRenditions) {
  const char* items[] = {"<b>[dir] data", "plain"};
  ListCalls calls;
  Widget list = WMScrolledList(items, 2, 4, 200, 0, SelectCB, &calls, DoubleClickCB, 0);
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(XtName(list), "scroll");
  EXPECT_EQ(WMRtItemKind(list), WM_KIND_SCROLLED_LIST);
  auto shows = [list](int position, const char* text, const char* rendition) {
    XmStringTable shown = nullptr;
    XtVaGetValues(list, XmNitems, &shown, nullptr);
    XmString in_rendition = XmStringGenerate(const_cast<char*>(text), const_cast<char*>(XmFONTLIST_DEFAULT_TAG),
                                             XmCHARSET_TEXT, const_cast<char*>(rendition));
    bool same = SameBytes(shown[position], in_rendition);
    XmStringFree(in_rendition);
    return same;
  };
  EXPECT_TRUE(shows(0, "[dir] data", "ListBoldRendition"));
  EXPECT_TRUE(shows(1, "plain", "ListNormalRendition"));
  // A server without the list's family: each face falls back to a font the
  // server has, bold kept bold.
  Display* dpy = XtDisplay(list);
  for (bool bold : {false, true}) {
    for (bool slanted : {false, true}) {
      std::string font = wm::ListFontName(dpy, "no-such-family", bold, slanted);
      int found = 0;
      char** names = XListFonts(dpy, font.c_str(), 1, &found);
      if (names) XFreeFontNames(names);
      EXPECT_EQ(found, 1) << font;
      EXPECT_EQ(font.find("-bold-") != std::string::npos, bold) << font;
    }
  }
  EXPECT_NE(wm::ListFontName(dpy, "helvetica", true, false).find("-helvetica-bold-r-"),
            std::string::npos);

  // The item after the list starts a new row under it.
  Widget below = WMInfoLabel("below", nullptr);
  Widget top_widget = nullptr;
  XtVaGetValues(below, XmNtopWidget, &top_widget, nullptr);
  EXPECT_EQ(top_widget, XtParent(list));

  Show(list);
  Position x = 0, y = 0;
  Dimension w = 0, h = 0;
  ASSERT_TRUE(XmListPosToBounds(list, 2, &x, &y, &w, &h));
  ClickAt(list, x + w / 2, y + h / 2);
  EXPECT_EQ(calls.selections, 1);
  EXPECT_EQ(calls.position, 2);
  EXPECT_EQ(calls.double_clicks, 0);
  ClickAt(list, x + w / 2, y + h / 2);  // the second click in time makes a double click
  EXPECT_EQ(calls.double_clicks, 1);
  EXPECT_EQ(calls.position, 2);

  const char* replaced[] = {"<b>only one"};
  WMSetListItems(list, replaced, 1);
  EXPECT_TRUE(shows(0, "only one", "ListBoldRendition"));
}

TEST_F(MenuTest, SpinBoxesStoreArrowChangesAndTypedValues) {
  int value = 4;
  Calls calls;
  Widget spin = WMSpinBox(&value, 1, 10, 3, 4, RecordCB, &calls, 0, 0);
  ASSERT_NE(spin, nullptr);
  EXPECT_STREQ(XtName(spin), "spinBox");
  Widget text = XtNameToWidget(spin, "spinText");
  ASSERT_NE(text, nullptr);
  char other[8] = "";
  Widget elsewhere = WMTextField(other, sizeof other - 1, 6, nullptr, nullptr, 0, 0);
  Show(spin);
  EXPECT_EQ(TextOf(text), "4");

  FocusOn(text);
  PressKey(XK_Up);
  EXPECT_EQ(value, 7);
  PressKey(XK_Up);
  EXPECT_EQ(value, 10);
  EXPECT_EQ(calls.count, 2);
  FocusOn(elsewhere);  // focus coming back selects the whole text
  TypeIntoField(text, "2");
  EXPECT_EQ(value, 2);
  EXPECT_EQ(calls.count, 3);
  FocusOn(elsewhere);
  TypeIntoField(text, "12");
  EXPECT_EQ(value, 2);
  EXPECT_EQ(TextOf(text), "2");
  EXPECT_EQ(messages_, std::vector<std::string>{"Value Out Of Range.\nValid Range is 1 to 10"});
}

}  // namespace
