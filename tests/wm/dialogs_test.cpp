// Dialogs answered the way a person answers them: a toolkit timer presses
// the button (or closes the window) while the call under test waits in its
// nested event loop.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <Xm/MessageB.h>
#include <Xm/SelectioB.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "config_testing.h"
#include "gui_test_util.h"
#include "log_file_testing.h"
#include "test_support.h"
#include "wm_state.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

class DialogTest : public WidgetTest {
 protected:
  // The dialogs themselves are under test: no message handler.
  void SetUp() override {
    wm::ResetLogLocationForTesting();
    WidgetTest::SetUp();
    WMSetMessageHandler(nullptr, nullptr);
    WMCreateMainForm("dialog owner");
    WMInfoLabel("owner", nullptr);
    WMRealizeShell();
    PumpEvents();
  }
  void TearDown() override {
    WidgetTest::TearDown();
    wm::ResetLogLocationForTesting();
  }

  std::string Log() { return ReadFile(home_.file("photarch-logs/photarchlog.txt")); }

  // The message box of the dialog named `name` that is up now.
  static Widget Dialog(const char* name) {
    return FindWidget(WMRtBaseShell(), (std::string("*") + name).c_str());
  }
  static Widget Button(Widget box, unsigned char which) {
    return XmIsMessageBox(box) ? XmMessageBoxGetChild(box, which)
                               : XmSelectionBoxGetChild(box, which);
  }

};

enum class Action { kOk, kCancel, kApply, kClose };

// Answers the dialog `name` after a short delay.
void AnswerLater(const char* name, Action action) {
  std::string pattern = std::string("*") + name;
  AfterDelay(150, [pattern, action] {
    Widget box = FindWidget(WMRtBaseShell(), pattern.c_str());
    ASSERT_NE(box, nullptr) << "no dialog " << pattern;
    ASSERT_TRUE(XtIsManaged(box));
    auto child = [&](unsigned char which) {
      return XmIsMessageBox(box) ? XmMessageBoxGetChild(box, which)
                                 : XmSelectionBoxGetChild(box, which);
    };
    switch (action) {
      case Action::kOk: Press(child(XmDIALOG_OK_BUTTON)); break;
      case Action::kCancel: Press(child(XmDIALOG_CANCEL_BUTTON)); break;
      case Action::kApply: Press(child(XmDIALOG_APPLY_BUTTON)); break;
      case Action::kClose: SendDeleteWindow(XtParent(box)); break;
    }
  });
}

TEST_F(DialogTest, YesNoQuestionAnswersOneForOkAndZeroOtherwise) {
  struct Case {
    Action action;
    int answer;
  } cases[] = {{Action::kOk, 1}, {Action::kCancel, 0}, {Action::kClose, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(static_cast<int>(k.action));
    AnswerLater("question", k.action);
    EXPECT_EQ(WMAskQuestion("Overwrite %s?", "beads.img"), k.answer);
    PumpEvents(50);
    EXPECT_EQ(Dialog("question"), nullptr) << "the dialog is destroyed before the call returns";
  }
}

TEST_F(DialogTest, LabelledQuestionAnswersByButton) {
  struct Case {
    const char* extra;
    Action action;
    int answer;
  } cases[] = {{"Keep both", Action::kOk, 1},
               {"Keep both", Action::kApply, 2},
               {"Keep both", Action::kCancel, 0},
               {nullptr, Action::kClose, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(static_cast<int>(k.action));
    bool apply_shown = false;
    AfterDelay(100, [&] {
      Widget box = Dialog("question");
      ASSERT_NE(box, nullptr);
      apply_shown = XtIsManaged(XmSelectionBoxGetChild(box, XmDIALOG_APPLY_BUTTON));
      EXPECT_FALSE(XtIsManaged(XmSelectionBoxGetChild(box, XmDIALOG_TEXT)));
      EXPECT_FALSE(XtIsManaged(XmSelectionBoxGetChild(box, XmDIALOG_HELP_BUTTON)));
    });
    AnswerLater("question", k.action);
    EXPECT_EQ(WMAskLabelledQuestion("Replace the file?", "Replace", k.extra), k.answer);
    EXPECT_EQ(apply_shown, k.extra != nullptr);
  }
}

TEST_F(DialogTest, PromptFillsTheBufferOnOkAndEmptiesItOnCancel) {
  char answer[64] = "old";
  AfterDelay(150, [] {
    Widget box = Dialog("prompt");
    ASSERT_NE(box, nullptr);
    XmTextFieldSetString(XmSelectionBoxGetChild(box, XmDIALOG_TEXT), const_cast<char*>("typed name"));
    Press(XmSelectionBoxGetChild(box, XmDIALOG_OK_BUTTON));
  });
  EXPECT_EQ(WMPromptString("New folder name:", answer, "untitled"), 1);
  EXPECT_EQ(WMStrAnswer, 1);
  EXPECT_STREQ(answer, "typed name");

  for (Action action : {Action::kCancel, Action::kClose}) {
    strcpy(answer, "old");
    AnswerLater("prompt", action);
    EXPECT_EQ(WMPromptString("New folder name:", answer, "untitled"), -1);
    EXPECT_STREQ(answer, "");
  }
}

TEST_F(DialogTest, ConfirmErrorWaitsForOkAndIsLogged) {
  bool pressed = false;
  AfterDelay(150, [&] {
    Widget box = Dialog("error");
    ASSERT_NE(box, nullptr);
    unsigned char style = 0;
    XtVaGetValues(box, XmNdialogStyle, &style, nullptr);
    EXPECT_EQ(style, XmDIALOG_SYSTEM_MODAL);
    EXPECT_FALSE(XtIsManaged(XmMessageBoxGetChild(box, XmDIALOG_CANCEL_BUTTON)));
    pressed = true;
    Press(XmMessageBoxGetChild(box, XmDIALOG_OK_BUTTON));
  });
  EXPECT_EQ(WMConfirmError("Error: %d tracks", 0), 0);
  EXPECT_TRUE(pressed) << "returned before the user answered";
  EXPECT_NE(Log().find("]: WMConfirmError: Error: 0 tracks\n"), std::string::npos) << Log();
}

TEST_F(DialogTest, WarningReturnsAtOnceIsLoggedAndOkRemovesIt) {
  Widget box = WMShowWarning("Invalid Input File:\n\n%s", "/nope");
  ASSERT_NE(box, nullptr);
  EXPECT_STREQ(XtName(box), "warning");
  EXPECT_TRUE(XtIsManaged(box));
  EXPECT_NE(Log().find("]: WMShowWarning: Invalid Input File:\n\n/nope\n"), std::string::npos);
  Press(XmMessageBoxGetChild(box, XmDIALOG_OK_BUTTON));
  PumpEvents(50);
  EXPECT_EQ(Dialog("warning"), nullptr);
}

TEST_F(DialogTest, MemoryFlagsSuppressTheDialogButStillLog) {
  int flag = 1;
  EXPECT_EQ(WMShowWarningWithMemory(&flag, "Disk %s", "nearly full"), nullptr);
  EXPECT_NE(Log().find("]: WMShowWarning (dialog disabled by user): Disk nearly full\n"),
            std::string::npos);
  EXPECT_EQ(WMAskQuestionWithMemory(&flag, "Continue?"), 1) << "a suppressed question says yes";
  EXPECT_EQ(Dialog("question"), nullptr);

  // With the flag clear the toggle is there and flips the caller's flag.
  flag = 0;
  Widget box = WMShowWarningWithMemory(&flag, "Disk nearly full");
  ASSERT_NE(box, nullptr);
  Widget toggle = XtNameToWidget(box, "NAtoggle");
  ASSERT_NE(toggle, nullptr);
  EXPECT_FALSE(XmToggleButtonGetState(toggle));
  XmToggleButtonSetState(toggle, True, True);
  EXPECT_EQ(flag, 1);
}

TEST_F(DialogTest, TimedInformationDisappearsAfterItsSeconds) {
  EXPECT_EQ(WMShowTimedInfo("Saved file /tmp/x.jpg", 1), 0);
  PumpEvents(100);
  ASSERT_NE(Dialog("info_dialog"), nullptr);
  RunEventsFor(1300);
  EXPECT_EQ(Dialog("info_dialog"), nullptr);

  // Closed by the user before the timer: the timer must not touch it.
  WMShowTimedInfo("closed early", 1);
  PumpEvents(50);
  Press(XmMessageBoxGetChild(Dialog("info_dialog"), XmDIALOG_OK_BUTTON));
  RunEventsFor(1300);
  EXPECT_EQ(Dialog("info_dialog"), nullptr);
}

TEST_F(DialogTest, DialogsStayOnScreenAndAwayFromTheTopLeftCorner) {
  Display* dpy = WMRtDisplay();
  int sw = DisplayWidth(dpy, DefaultScreen(dpy)), sh = DisplayHeight(dpy, DefaultScreen(dpy));
  struct Case {
    int px, py;
    const char* where;
  } cases[] = {{sw - 3, 400, "right edge"}, {0, 0, "top-left corner"}, {600, sh - 2, "bottom"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.where);
    XWarpPointer(dpy, None, DefaultRootWindow(dpy), 0, 0, 0, 0, k.px, k.py);
    XSync(dpy, False);
    Widget box = WMShowWarning("A warning placed at the pointer");
    PumpEvents(100);
    Widget shell = XtParent(box);
    Position x = 0, y = 0;
    Dimension w = 0, h = 0;
    XtVaGetValues(shell, XmNx, &x, XmNy, &y, XmNwidth, &w, XmNheight, &h, nullptr);
    EXPECT_GE(x, 50);
    EXPECT_GE(y, 50);
    EXPECT_LE(x + w, sw);
    EXPECT_LE(y + h, sh);
    if (k.px > sw / 2) {
      EXPECT_EQ(x, sw - w);
    }
    XtDestroyWidget(shell);
  }
}

std::string TitleOf(Widget box) {
  char* title = nullptr;
  XtVaGetValues(XtParent(box), XmNtitle, &title, nullptr);
  return title ? title : "";
}

TEST_F(DialogTest, DialogsCarryTitlesAndAWarningClosedByTheWindowManagerGoes) {
  struct Case {
    const char* name;
    const char* title;
    std::function<void()> show;  // returns once the dialog is closed
  };
  const Case cases[] = {
      {"error", "Error", [] { WMConfirmError("failed"); }},
      {"question", "Question", [] { WMAskQuestion("sure?"); }},
      {"prompt", "Input", [] {
         char answer[16];
         WMPromptString("name:", answer, "");
       }},
  };
  for (const Case& c : cases) {
    std::string title;
    AfterDelay(150, [&] {
      Widget box = Dialog(c.name);
      ASSERT_NE(box, nullptr);
      title = TitleOf(box);
      SendDeleteWindow(XtParent(box));
    });
    c.show();
    EXPECT_EQ(title, c.title);
  }
  Widget box = WMShowWarning("closed by the window manager");
  EXPECT_EQ(TitleOf(box), "Warning");
  SendDeleteWindow(XtParent(box));
  PumpEvents(100);
  EXPECT_EQ(Dialog("warning"), nullptr) << "destroyed, not only hidden";
}

TEST_F(DialogTest, LongMessagesAreCutAt499Characters) {
  std::string text(700, 'x');
  WMShowWarning("%s", text.c_str());
  std::string log = Log();
  EXPECT_NE(log.find("WMShowWarning: " + std::string(499, 'x') + "\n"), std::string::npos);
  EXPECT_EQ(log.find(std::string(500, 'x')), std::string::npos);
}

struct Captured {
  std::vector<std::pair<int, std::string>> messages;
  int answer = 1;
};

int CaptureWithKind(int kind, const char* text, void* data) {
  auto* c = static_cast<Captured*>(data);
  c->messages.emplace_back(kind, text);
  return c->answer;
}

TEST_F(DialogTest, MessageHandlerReceivesTextsInsteadOfWindows) {
  Captured captured;
  captured.answer = 0;
  WMSetMessageHandler(CaptureWithKind, &captured);
  WMShowWarning("warn %d", 1);
  WMConfirmError("error %d", 2);
  EXPECT_EQ(WMAskQuestion("ask %d", 3), 0);
  ASSERT_EQ(captured.messages.size(), 3u);
  EXPECT_EQ(captured.messages[0], std::make_pair(int(WM_MESSAGE_WARNING), std::string("warn 1")));
  EXPECT_EQ(captured.messages[1], std::make_pair(int(WM_MESSAGE_ERROR), std::string("error 2")));
  EXPECT_EQ(captured.messages[2], std::make_pair(int(WM_MESSAGE_QUESTION), std::string("ask 3")));
  EXPECT_EQ(Dialog("warning"), nullptr);
  EXPECT_NE(Log().find("WMConfirmError: error 2"), std::string::npos) << "still logged";
}

}  // namespace

namespace {

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    iwbase::ResetConfigStateForTesting();
    wm::ResetLogLocationForTesting();
    WMSetMessageHandler(CaptureWithKind, &captured_);
    ASSERT_EQ(mkdir(base_.file("help").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(base_.file("bin").c_str(), 0755), 0);
    // A viewer that records its argument, then takes a moment to "close".
    WriteFile(base_.file("bin/WMShowHelp"),
              "#!/bin/sh\nsleep 0.3\necho \"$@\" > " + base_.file("viewer-args") + "\n");
    chmod(base_.file("bin/WMShowHelp").c_str(), 0755);
  }
  void TearDown() override {
    WMSetMessageHandler(nullptr, nullptr);
    iwbase::ResetConfigStateForTesting();
  }

  ScopedTempDir home_;
  ScopedEnv home_env_{"HOME", home_.path().c_str()};
  ScopedTempDir base_;
  ScopedEnv base_env_{"PA_BASE", base_.path().c_str()};
  Captured captured_;
};

TEST_F(HelpTest, TopicLooksForHtmThenHtmlByItsFirstWord) {
  struct Case {
    const char* page;   // page present in help/, or nullptr
    const char* topic;
    const char* opened; // page the viewer gets, or nullptr
  } cases[] = {
      {"FileChooser.htm", "FileChooser", "FileChooser.htm"},
      {"DMSFileChooser.html", "DMSFileChooser browse view", "DMSFileChooser.html"},
      {nullptr, "Tremoscan results", nullptr},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.topic);
    std::remove(base_.file("viewer-args").c_str());
    captured_.messages.clear();
    if (k.page) WriteFile(base_.file(std::string("help/") + k.page), "<html></html>");
    WMPresentHelp(k.topic);
    if (k.opened) {
      // The call waited for the viewer: its output is there on return.
      EXPECT_EQ(ReadFile(base_.file("viewer-args")),
                base_.file(std::string("help/") + k.opened) + "\n");
      EXPECT_TRUE(captured_.messages.empty());
    } else {
      EXPECT_FALSE(FileExists(base_.file("viewer-args")));
      ASSERT_EQ(captured_.messages.size(), 1u);
      EXPECT_EQ(captured_.messages[0].first, WM_MESSAGE_WARNING);
      EXPECT_EQ(captured_.messages[0].second,
                std::string("Sorry, no help available for topic \"") + k.topic + "\" ");
    }
  }
}

TEST_F(HelpTest, MissingTopicsGiveTimedNotes) {
  WMPresentHelp("");
  WMHelpCB(nullptr, nullptr, nullptr);
  ASSERT_EQ(captured_.messages.size(), 2u);
  EXPECT_EQ(captured_.messages[0],
            std::make_pair(int(WM_MESSAGE_INFO), std::string("There is no help available for this subject")));
  EXPECT_EQ(captured_.messages[1],
            std::make_pair(int(WM_MESSAGE_INFO), std::string("No help is currently available for this topic.")));
}

// The help callback of an item shows the topic stored with the item.
TEST_F(HelpTest, AnItemsOwnTopicIsShown) {
  WriteFile(base_.file("help/FileChooser.htm"), "<html></html>");
  ASSERT_EQ(WMOpenToolkit(), 1);
  WMCreateMainForm("help");
  Widget button = WMFuncButton("Help", WMHelpCB, nullptr, 0, 0);
  wm::SetItemHelpTopic(button, "FileChooser");
  Press(button);
  EXPECT_EQ(ReadFile(base_.file("viewer-args")), base_.file("help/FileChooser.htm") + "\n");
  EXPECT_TRUE(captured_.messages.empty());
  DestroyAllShells();
}

// Before any window exists, a dialog gets a parent shell titled "Confirm".
TEST(DialogWithoutWindowTest, CreatesTheConfirmShell) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        ScopedTempDir home;
        setenv("HOME", home.path().c_str(), 1);
        Widget box = WMShowWarning("before any window");
        Widget shell = WMRtBaseShell();
        char* title = nullptr;
        if (shell) XtVaGetValues(shell, XmNtitle, &title, nullptr);
        bool ok = box && shell && title && std::string(title) == "Confirm" &&
                  XtParent(XtParent(box)) == shell;
        exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace

namespace {

// Without the suite's sound file the display bell rings, for the asked
// duration and at the clamped volume, and the keyboard's own bell duration
// is restored afterwards. The server reports every ring to a client that
// asked for bell notifications.
TEST(BellTest, DisplayBellRingsForTheDurationAndRestoresIt) {
  ScopedTempDir base;
  ScopedEnv base_env("PA_BASE", base.path().c_str());
  iwbase::ResetConfigStateForTesting();
  ASSERT_EQ(WMOpenToolkit(), 1);
  Display* dpy = WMRtDisplay();
  Display* listener = XOpenDisplay(DisplayString(dpy));
  ASSERT_NE(listener, nullptr);
  int opcode = 0, event_base = 0, error_base = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  ASSERT_TRUE(XkbQueryExtension(listener, &opcode, &event_base, &error_base, &major, &minor));
  XkbSelectEvents(listener, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
  XSync(listener, False);
  XKeyboardControl control;
  control.bell_duration = 123;
  XChangeKeyboardControl(dpy, KBBellDuration, &control);

  WMRingBell(250, 2);  // volume clamped to 100
  XSync(dpy, False);

  XkbBellNotifyEvent bell = {};
  bool rang = false;
  for (int i = 0; i < 100 && !rang; ++i) {
    while (XPending(listener)) {
      XEvent event;
      XNextEvent(listener, &event);
      if (event.type != event_base) continue;
      auto* xkb = reinterpret_cast<XkbEvent*>(&event);
      if (xkb->any.xkb_type != XkbBellNotify) continue;
      bell = xkb->bell;
      rang = true;
    }
    if (!rang) usleep(10000);
  }
  XCloseDisplay(listener);
  ASSERT_TRUE(rang) << "the display bell did not ring";
  EXPECT_EQ(bell.percent, 100);
  EXPECT_EQ(bell.duration, 2000);
  XKeyboardState state;
  XGetKeyboardControl(dpy, &state);
  EXPECT_EQ(state.bell_duration, 123u);
}

}  // namespace
