// The application's main window built the way the program builds it, for the
// tests that drive it: one builder, and a fixture that gives every test a
// fresh window, a scratch HOME and no configuration left from the last test.
#pragma once

#include <gtest/gtest.h>

#include "chart.h"
#include "config_testing.h"
#include "gui_test_util.h"
#include "test_support.h"
#include "vibration_app.h"
#include "wmlib.h"

namespace tremoscan::testing {

// Builds the main window and handles its first events.
inline VibrationApp* ShownMainWindow() {
  auto* app = new VibrationApp();
  BuildMainWindow(app);
  PumpEvents(200);
  return app;
}

class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    iwbase::ResetConfigStateForTesting();
    inputFileName[0] = '\0';
    app_ = ShownMainWindow();
  }
  void TearDown() override {
    ClearGraphs(app_);
    XtDestroyWidget(WMRtBaseShell());
    PumpEvents(20);
    inputFileName[0] = '\0';
    iwbase::ResetConfigStateForTesting();
  }
  // Fills both charts as a finished calculation does.
  void ShowResults() {
    const char* headers[] = {"X Movement Per Frame: X Vibration = 12.34 nm", nullptr};
    for (auto [chart, data] :
         {std::pair{app_->xGraph, &app_->xData}, std::pair{app_->yGraph, &app_->yData}}) {
      *data = ChartDataCreate(12);
      for (int f = 0; f < 10; ++f) ChartDataAppendPoint(*data, 0, f, f % 3);
      XtVaSetValues(chart, XtNxrtData, *data, XtNxrtHeaderStrings, headers, XtNxrtRepaint, True,
                    nullptr);
    }
  }

  ScopedTempDir home_;
  ScopedEnv home_env_{"HOME", home_.path().c_str()};
  VibrationApp* app_ = nullptr;
};

}  // namespace tremoscan::testing
