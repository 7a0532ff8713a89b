// Input fields driven as a person drives them: keys typed on the X server's
// keyboard into a focused field, Return or a click elsewhere to leave it,
// file names dropped on it. The caller's variables, the field's text, the
// callbacks and the warnings are read back.
#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <Xm/TextF.h>

#include <cstring>
#include <string>
#include <vector>

#include "config_testing.h"
#include "gui_test_util.h"
#include "input_driver.h"
#include "test_support.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

void CountCB(Widget, XtPointer counter, XtPointer) { ++*static_cast<int*>(counter); }

std::string TextOf(Widget field) {
  char* raw = XmTextFieldGetString(field);
  std::string text = raw ? raw : "";
  XtFree(raw);
  return text;
}

class FieldTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    WMSetOffsets(4, 4, 4, 4);
  }
};

struct IntFieldCase {
  const char* name;
  int count;
  int maximum, minimum, step, offset;
  std::vector<int> initial;
  std::string typed;
  std::vector<int> stored;
  std::string shown;
  std::string warning;  // "" for none
  int callbacks;
};

// The rules are checked as a table without a display (field_input_test);
// here one typed case per outcome: stored, warned, refused, shown again,
// and an unchanged text.
TEST_F(FieldTest, IntegerFieldsTakeOnlyGoodInput) {
  const std::string range_1_10 = "Value Out Of Range.\nValid Range is 1 to 10";
  const IntFieldCase cases[] = {
      {"offset 1 refuses 11 naming 1 to 10", 1, 9, 0, 1, 1, {2}, "11", {2}, "3 ", range_1_10, 0},
      {"offset 1 stores a typed 5 as 4", 1, 9, 0, 1, 1, {2}, "5", {4}, "5 ", "", 1},
      {"letters put the last text back", 1, 9, 0, 1, 0, {3}, "4x", {3}, "3 ",
       "\"4x\" is unrecognized as input.\nInteger value expected", 0},
      {"one value of two shows the old ones", 2, 100, 0, 1, 0, {1, 2}, "30", {1, 2}, "1 2 ", "", 0},
      {"the same text again changes nothing", 1, 9, 0, 1, 0, {5}, "5 ", {5}, "5 ", "", 0},
  };
  for (const IntFieldCase& k : cases) {
    SCOPED_TRACE(k.name);
    messages_.clear();
    std::vector<int> values = k.initial;
    int maximum = k.maximum, minimum = k.minimum, step = k.step, calls = 0;
    WMCreateMainForm("integer field");
    WMSetIntFieldOffset(k.offset);
    Widget field = WMIntField(values.data(), k.count, 10, 20, &maximum, &minimum, &step, CountCB,
                              &calls, 0, 0);
    ASSERT_NE(field, nullptr);
    EXPECT_STREQ(XtName(field), "int");
    EXPECT_EQ(WMRtItemKind(field), WM_KIND_INT_FIELD);
    Show(field);

    TypeIntoField(field, k.typed);
    EXPECT_EQ(values, k.stored);
    EXPECT_EQ(TextOf(field), k.shown);
    EXPECT_EQ(calls, k.callbacks);
    if (k.warning.empty()) {
      EXPECT_TRUE(messages_.empty()) << messages_.front();
    } else {
      EXPECT_EQ(messages_, std::vector<std::string>{k.warning});
    }
    XtDestroyWidget(WMRtBaseShell());
    PumpEvents(10);
  }
}

struct FloatFieldCase {
  const char* name;
  int count;
  float maximum, minimum;
  int decimals;
  std::vector<float> initial;
  std::string typed;
  std::vector<float> stored;
  std::string shown;
  std::string warning;
};

TEST_F(FieldTest, FloatFieldsReadCommasAndShowTheirDecimals) {
  const FloatFieldCase cases[] = {
      {"\"3 5\" fills a two-value field", 2, 0, 0, 1, {0, 0}, "3 5", {3, 5}, "3.0 5.0 ", ""},
      {"letters are refused", 1, 0, 0, 2, {1}, "1.5mm", {1}, "1.00 ",
       "\"1.5mm\" is unrecognized as input.\nFloating point value expected"},
  };
  for (const FloatFieldCase& k : cases) {
    SCOPED_TRACE(k.name);
    messages_.clear();
    std::vector<float> values = k.initial;
    float maximum = k.maximum, minimum = k.minimum;
    int calls = 0;
    WMCreateMainForm("float field");
    Widget field = WMFloatField(values.data(), k.count, 10, 20, &maximum, &minimum, k.decimals,
                                CountCB, &calls, 0, 0);
    ASSERT_NE(field, nullptr);
    EXPECT_STREQ(XtName(field), "float");
    Show(field);
    TypeIntoField(field, k.typed);
    EXPECT_EQ(values, k.stored);
    EXPECT_EQ(TextOf(field), k.shown);
    EXPECT_EQ(calls, k.warning.empty() ? 1 : 0);
    if (k.warning.empty()) {
      EXPECT_TRUE(messages_.empty());
    } else {
      EXPECT_EQ(messages_, std::vector<std::string>{k.warning});
    }
    XtDestroyWidget(WMRtBaseShell());
    PumpEvents(10);
  }
}

TEST_F(FieldTest, FloatOffsetIsShownAndRemoved) {
  float value = 0.5f, maximum = 1, minimum = 0;
  WMCreateMainForm("float offset");
  WMSetFloatFieldOffset(10);
  Widget field = WMFloatField(&value, 1, 8, 8, &maximum, &minimum, 1, nullptr, nullptr, 0, 0);
  WMSetFloatFieldOffset(0);
  Show(field);
  EXPECT_EQ(TextOf(field), "10.5 ");
  TypeIntoField(field, "10.25");
  EXPECT_FLOAT_EQ(value, 0.25f);
  EXPECT_EQ(TextOf(field), "10.2 ");  // one decimal, as the field shows it
  TypeIntoField(field, "12");
  EXPECT_FLOAT_EQ(value, 0.25f);
  EXPECT_EQ(messages_, std::vector<std::string>{"Value Out Of Range.\nValid Range is 10.0 to 11.0"});
}

TEST_F(FieldTest, TextFieldsStoreTrimmedTextOnReturnAndOnLeaving) {
  char name[16] = "old";
  char other[16] = "";
  int calls = 0;
  WMCreateMainForm("text fields");
  Widget field = WMTextField(name, sizeof name - 1, 12, CountCB, &calls, 0, 0);
  Widget second = WMTextField(other, sizeof other - 1, 12, nullptr, nullptr, 0, 0);
  Show(field);

  TypeIntoField(field, " beads ");
  EXPECT_STREQ(name, "beads");
  EXPECT_EQ(TextOf(field), "beads") << "the field shows the cut text";
  EXPECT_EQ(calls, 1);

  // Leaving the field by clicking into the next one accepts the text too.
  ClickOn(second);
  FocusOn(field);
  TypeText("series");
  ClickOn(second);
  EXPECT_STREQ(name, "series");
  EXPECT_EQ(calls, 2);

  // Return on an unchanged text runs nothing.
  FocusOn(field);
  PressKey(XK_Return);
  EXPECT_EQ(calls, 2);

  // A text longer than the caller's buffer is cut to what it holds.
  TypeIntoField(field, "abcdefghijklmnopqrstuvwxyz");
  EXPECT_STREQ(name, "abcdefghijklmno");
  EXPECT_EQ(TextOf(field), "abcdefghijklmno");
  // A text the program puts in (a chooser's choice) is not held to the
  // field's length: it is cut when accepted, and the field shows the cut.
  XmTextFieldSetString(field, const_cast<char*>("0123456789abcdefghij"));
  XmAnyCallbackStruct cbs = {XmCR_ACTIVATE, nullptr};
  XtCallCallbacks(field, XmNactivateCallback, &cbs);
  EXPECT_STREQ(name, "0123456789abcde");
  EXPECT_EQ(TextOf(field), "0123456789abcde");
}

TEST_F(FieldTest, NumberFieldsNeedValuesAndACount) {
  int ints[1] = {0}, imax = 9, imin = 0, step = 1;
  float floats[1] = {0}, fmax = 1, fmin = 0;
  WMCreateMainForm("no values");
  EXPECT_EQ(WMIntField(nullptr, 1, 4, 4, &imax, &imin, &step, nullptr, nullptr, 0, 0), nullptr);
  EXPECT_EQ(WMIntField(ints, 0, 4, 4, &imax, &imin, &step, nullptr, nullptr, 0, 0), nullptr);
  EXPECT_EQ(WMFloatField(nullptr, 1, 4, 4, &fmax, &fmin, 1, nullptr, nullptr, 0, 0), nullptr);
  EXPECT_EQ(WMFloatField(floats, 0, 4, 4, &fmax, &fmin, 1, nullptr, nullptr, 0, 0), nullptr);
}

TEST_F(FieldTest, FocusSelectsTheWholeTextSoTypingReplacesIt) {
  char first[16] = "one";
  char second[16] = "previous text";
  WMCreateMainForm("selection");
  Widget a = WMTextField(first, sizeof first - 1, 12, nullptr, nullptr, 0, 0);
  Widget b = WMTextField(second, sizeof second - 1, 12, nullptr, nullptr, 0, 0);
  Show(a);
  FocusOn(a);
  PressKey(XK_Tab);  // keyboard traversal into the second field
  XmTextPosition left = 0, right = 0;
  ASSERT_TRUE(XmTextFieldGetSelectionPosition(b, &left, &right));
  EXPECT_EQ(left, 0);
  EXPECT_EQ(right, static_cast<XmTextPosition>(strlen("previous text")));
  TypeText("new");
  PressKey(XK_Return);
  EXPECT_STREQ(second, "new");
}

TEST_F(FieldTest, PasswordFieldShowsStarsAndFillsTheBuffer) {
  char password[12] = "";
  int calls = 0;
  WMCreateMainForm("password");
  Widget field = WMPasswordField(password, sizeof password - 1, 10, CountCB, &calls, 0, 0);
  EXPECT_STREQ(XtName(field), "passwd");
  Show(field);
  FocusOn(field);
  TypeText("s3cr et");
  EXPECT_STREQ(password, "s3cr et");
  EXPECT_EQ(TextOf(field), "*******");
  PressKey(XK_BackSpace);
  EXPECT_STREQ(password, "s3cr e");
  EXPECT_EQ(calls, 0);
  PressKey(XK_Return);
  EXPECT_EQ(calls, 1);
  // The buffer holds 11 characters: more typing is refused, not cut later.
  TypeText("123456789");
  EXPECT_STREQ(password, "s3cr e12345");
  EXPECT_EQ(TextOf(field), "***********");
}

TEST_F(FieldTest, DroppedFileNamesReachTheBufferOrAreRefused) {
  struct Case {
    const char* name;
    std::string dropped;
    std::string stored;   // buffer afterwards
    std::string warning;  // "" for none
  } cases[] = {
      {"file URI with three slashes", "file:///data/beads.tif", "/data/beads.tif", ""},
      {"path with doubled slashes", "//data/b.tif", "/data/b.tif", ""},
      {"several icons", "file:///a.tif\r\nfile:///b.tif\r\n", "start",
       "Only a single file icon can be\ndropped in a text field"},
      {"a name longer than the field", "/a/very/long/path/name/beyond/twenty", "start",
       "Icon path name:\n\n/a/very/long/path/name/beyond/twenty\n\nis longer than the space\n"
       "provided in the text field (19)."},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    messages_.clear();
    char buffer[20] = "start";
    int calls = 0;
    WMCreateMainForm("drops");
    Widget field = WMTextField(buffer, sizeof buffer - 1, 10, CountCB, &calls, 0, 0);
    Show(field);
    WMDropIntoField(field, k.dropped.c_str(), static_cast<int>(k.dropped.size()));
    PumpEvents(20);
    EXPECT_EQ(std::string(buffer), k.stored);
    EXPECT_EQ(TextOf(field), k.stored);
    EXPECT_EQ(calls, k.warning.empty() ? 1 : 0);
    if (k.warning.empty()) {
      EXPECT_TRUE(messages_.empty());
    } else {
      EXPECT_EQ(messages_, std::vector<std::string>{k.warning});
    }
    XtDestroyWidget(WMRtBaseShell());
    PumpEvents(10);
  }
}

TEST_F(FieldTest, DropsIntoOtherFieldsGoInAsTyped) {
  int number = 1, maximum = 0, minimum = 0, calls = 0;
  Widget form = WMCreateMainForm("drops elsewhere");
  Widget number_field = WMIntField(&number, 1, 6, 6, &maximum, &minimum, nullptr, CountCB, &calls, 0, 0);
  Widget plain = XtVaCreateManagedWidget("plain", xmTextFieldWidgetClass, form, XmNtopAttachment,
                                         XmATTACH_WIDGET, XmNtopWidget, number_field, nullptr);
  int activations = 0;
  XtAddCallback(plain, XmNactivateCallback, CountCB, &activations);
  Show(plain);
  const std::string path = "file:///x/y.tif";
  WMDropIntoField(plain, path.c_str(), static_cast<int>(path.size()));
  EXPECT_EQ(TextOf(plain), "/x/y.tif");
  EXPECT_EQ(activations, 1);
  // A number field takes a dropped number the way it takes a typed one.
  WMDropIntoField(number_field, "42", 2);
  EXPECT_EQ(number, 42);
  EXPECT_EQ(calls, 1);
}

// A Motif drag of a text holding a file URI, from another text field onto a
// layer field: the field's own drop site takes it as a file name.
TEST_F(FieldTest, MotifDragOfAFileUriDropsTheName) {
  char target_text[64] = "";
  int calls = 0;
  Widget form = WMCreateMainForm("motif drag");
  Widget target = WMTextField(target_text, sizeof target_text - 1, 24, CountCB, &calls, 0, 0);
  Widget source = XtVaCreateManagedWidget("source", xmTextFieldWidgetClass, form, XmNtopAttachment,
                                          XmATTACH_WIDGET, XmNtopWidget, target, XmNtopOffset, 20,
                                          XmNleftAttachment, XmATTACH_FORM, XmNcolumns, 24, XmNvalue,
                                          "file:///data/beads.tif", nullptr);
  Show(source);
  FocusOn(source);
  XmTextFieldSetSelection(source, 0, XmTextFieldGetLastPosition(source),
                          XtLastTimestampProcessed(XtDisplay(source)));
  // Motif drags a text selection with the middle button. Once the drag
  // runs, Motif's own loop handles the events until the button is released,
  // so the moves and the release come from toolkit timers.
  Display* dpy = XtDisplay(source);
  auto move_to = [dpy](Widget w, int x, int y) {
    Position rx = 0, ry = 0;
    XtTranslateCoords(w, static_cast<Position>(x), static_cast<Position>(y), &rx, &ry);
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rx, ry, CurrentTime);
    XFlush(dpy);
  };
  move_to(source, 20, 8);
  PumpEvents(50);
  for (int step = 1; step <= 8; ++step)
    AfterDelay(50 * step, [=] { move_to(source, 20, 8 - 6 * step); });
  AfterDelay(500, [=] { move_to(target, 20, 8); });
  AfterDelay(600, [=] { move_to(target, 24, 9); });
  AfterDelay(800, [dpy] {
    XTestFakeButtonEvent(dpy, 2, False, CurrentTime);
    XFlush(dpy);
  });
  XTestFakeButtonEvent(dpy, 2, True, CurrentTime);
  XFlush(dpy);
  RunEventsFor(1500);
  EXPECT_STREQ(target_text, "/data/beads.tif");
  EXPECT_EQ(calls, 1);
}

// A field whose callback changes other variables makes the items of its
// refresh group show them; items of other groups keep what they show.
TEST_F(FieldTest, RefreshGroupsRedisplayBoundItems) {
  struct Bound {
    int source = 0;
    float doubled = 0;
    char text[16] = "untouched";
  } bound;
  auto derive = [](Widget, XtPointer data, XtPointer) {
    auto* b = static_cast<Bound*>(data);
    b->doubled = 2.0f * static_cast<float>(b->source);
    snprintf(b->text, sizeof b->text, "changed");
  };
  float fmax = 0, fmin = 0;
  WMCreateMainForm("refresh");
  Widget source = WMIntField(&bound.source, 1, 6, 6, nullptr, nullptr, nullptr, derive, &bound, 1, 0x1);
  Widget same_group = WMFloatField(&bound.doubled, 1, 8, 8, &fmax, &fmin, 1, nullptr, nullptr, 0, 0x3);
  Widget other_group = WMTextField(bound.text, sizeof bound.text - 1, 10, nullptr, nullptr, 0, 0x4);
  Show(source);
  TypeIntoField(source, "21");
  EXPECT_EQ(TextOf(same_group), "42.0 ");
  EXPECT_EQ(TextOf(other_group), "untouched");
  WMRefreshItem(other_group);
  EXPECT_EQ(TextOf(other_group), "changed");
}

// Without a message handler the warning is a real dialog, parented to the
// window that holds the field, not to the application's main window.
TEST_F(FieldTest, WarningsAppearOverTheFieldsOwnWindow) {
  WMSetMessageHandler(nullptr, nullptr);
  WMCreateMainForm("main window");
  WMInfoLabel("main", nullptr);
  WMRealizeShell();
  int index = WMCreateAdditionalShell("second window");
  ASSERT_GE(index, 0);
  int value = 1, maximum = 5, minimum = 1;
  Widget field = WMIntField(&value, 1, 6, 6, &maximum, &minimum, nullptr, nullptr, nullptr, 0, 0);
  Show(field);
  TypeIntoField(field, "9");
  EXPECT_EQ(value, 1);
  Widget second_shell = WMRtShell(index);
  Widget warning = FindWidget(second_shell, "*warning");
  ASSERT_NE(warning, nullptr) << "the warning belongs to the field's window";
  XmString message = nullptr;
  XtVaGetValues(warning, XmNmessageString, &message, nullptr);
  EXPECT_EQ(XmText(message), "Value Out Of Range.\nValid Range is 1 to 5");
  XmStringFree(message);
}

}  // namespace
