// The main window of Tremoscan, built in-process under an X server exactly
// as the program builds it, then driven as a user would.
#include <gtest/gtest.h>

#include <Xm/Label.h>
#include <Xm/TextF.h>

#include <string>

#include "main_window_fixture.h"

using namespace tremoscan::testing;

namespace {

struct ChartState {
  Boolean repaint;
  ChartData* data;
  String* headers;
};

ChartState StateOf(Widget chart) {
  ChartState s{};
  XtVaGetValues(chart, XtNxrtRepaint, &s.repaint, XtNxrtData, &s.data, XtNxrtHeaderStrings,
                &s.headers, nullptr);
  return s;
}

using MainWindowTest = MainWindowFixture;

TEST_F(MainWindowTest, StartsWithItsStatusTextAndEmptyChartsNotRepainting) {
  EXPECT_EQ(LabelText(app_->statusLabel), "Choose an input image to begin...");
  for (Widget chart : {app_->xGraph, app_->yGraph}) {
    ChartState s = StateOf(chart);
    EXPECT_FALSE(s.repaint);
    EXPECT_EQ(s.data, nullptr);
    EXPECT_EQ(s.headers, nullptr);
    EXPECT_STREQ(XtName(chart), "VibGraphW");
  }
  EXPECT_EQ(app_->xData, nullptr);
  EXPECT_EQ(app_->yData, nullptr);
  EXPECT_STREQ(inputFileName, "");
  // The charts sit in frames titled for their axis.
  Widget x_title = XtNameToWidget(XtParent(XtParent(app_->xGraph)), "form_label");
  Widget y_title = XtNameToWidget(XtParent(XtParent(app_->yGraph)), "form_label");
  ASSERT_NE(x_title, nullptr);
  ASSERT_NE(y_title, nullptr);
  EXPECT_EQ(LabelText(x_title), "X Vibration");
  EXPECT_EQ(LabelText(y_title), "Y Vibration");
}

TEST_F(MainWindowTest, ChartsAreCreatedWithTheVibrationChartResources) {
  for (Widget chart : {app_->xGraph, app_->yGraph}) {
    int rotation = 0, x_origin = 0, y_origin = 0, border = 0;
    Boolean legend = True;
    String x_title = nullptr, y_title = nullptr, background = nullptr;
    XtVaGetValues(chart, XtNxrtYTitleRotation, &rotation, XtNxrtXOriginPlacement, &x_origin,
                  XtNxrtYOriginPlacement, &y_origin, XtNxrtGraphBorder, &border, XtNxrtLegendShow,
                  &legend, XtNxrtXTitle, &x_title, XtNxrtYTitle, &y_title,
                  XtNxrtGraphBackgroundColor, &background, nullptr);
    EXPECT_EQ(rotation, ChartRotate90);
    EXPECT_EQ(x_origin, ChartOriginMin);
    EXPECT_EQ(y_origin, ChartOriginMin);
    EXPECT_EQ(border, ChartBorder3DRaised);
    EXPECT_FALSE(legend);
    EXPECT_STREQ(x_title, "Frame Number");
    EXPECT_STREQ(y_title, "Vibration (nm)");
    EXPECT_STREQ(background, "gray85");
  }
}

TEST_F(MainWindowTest, StatusTextIsCutAt500CharactersAndKeepsLineBreaks) {
  SetStatus(app_, "Localization calculation failed\nsecond line");
  EXPECT_EQ(LabelText(app_->statusLabel), "Localization calculation failed\nsecond line");
  SetStatus(app_, std::string(600, 's').c_str());
  EXPECT_EQ(LabelText(app_->statusLabel), std::string(500, 's'));
}

TEST_F(MainWindowTest, EditingTheInputNameEmptiesBothCharts) {
  ShowResults();
  XmTextFieldSetString(app_->inputField, const_cast<char*>("/data/other-beads.img"));
  XmAnyCallbackStruct cbs = {XmCR_ACTIVATE, nullptr};
  XtCallCallbacks(app_->inputField, XmNactivateCallback, &cbs);
  EXPECT_STREQ(inputFileName, "/data/other-beads.img");
  EXPECT_EQ(app_->xData, nullptr);
  EXPECT_EQ(app_->yData, nullptr);
  for (Widget chart : {app_->xGraph, app_->yGraph}) {
    ChartState s = StateOf(chart);
    EXPECT_EQ(s.data, nullptr);
    EXPECT_EQ(s.headers, nullptr);
    EXPECT_TRUE(s.repaint);
  }
}

TEST_F(MainWindowTest, ResizingKeepsBothChartsAtEqualHeight) {
  Widget shell = WMRtBaseShell();
  for (auto [w, h] : {std::pair{900, 1100}, std::pair{700, 760}, std::pair{1200, 999}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    XtVaSetValues(shell, XmNwidth, w, XmNheight, h, nullptr);
    PumpEvents(200);
    Dimension xh = 0, yh = 0, xw = 0, yw = 0;
    XtVaGetValues(app_->xGraph, XmNheight, &xh, XmNwidth, &xw, nullptr);
    XtVaGetValues(app_->yGraph, XmNheight, &yh, XmNwidth, &yw, nullptr);
    EXPECT_NEAR(xh, yh, 2);
    EXPECT_EQ(xw, yw);
    EXPECT_GT(xw, w - 40) << "the charts stretch with the window";
  }
}

// Leaving the program: "Done" and the window manager's close both end the
// process with status 0.
class MainWindowExitTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ::testing::FLAGS_gtest_death_test_style = "threadsafe"; }
};

TEST_F(MainWindowExitTest, DoneEndsTheProcessWithStatusZero) {
  EXPECT_EXIT(
      {
        VibrationApp* app = ShownMainWindow();
        Widget done = nullptr;
        WidgetList children = nullptr;
        Cardinal count = 0;
        Widget message_form = nullptr;
        XtVaGetValues(app->mainWindow, XmNmessageWindow, &message_form, nullptr);
        XtVaGetValues(message_form, XmNchildren, &children, XmNnumChildren, &count, nullptr);
        for (Cardinal i = 0; i < count; ++i)
          if (std::string(XtName(children[i])) == "func_button" && LabelText(children[i]) == "Done")
            done = children[i];
        if (!done) exit(3);
        AfterDelay(100, [done] { Press(done); });
        WMMainLoop();
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(MainWindowExitTest, WindowManagerCloseEndsTheProcessWithStatusZero) {
  EXPECT_EXIT(
      {
        ShownMainWindow();
        Widget shell = WMRtBaseShell();
        AfterDelay(100, [shell] { SendDeleteWindow(shell); });
        WMMainLoop();
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
