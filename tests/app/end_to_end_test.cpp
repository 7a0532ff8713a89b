// The whole calculation in the window with the real programs: a simulated
// series with a known stage vibration goes through "Run the Calculation",
// and the charts must show the vibration that was put in.
#include <gtest/gtest.h>

#include <Xm/TextF.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis.h"
#include "calculation.h"
#include "chart.h"
#include "main_window_fixture.h"
#include "test_support.h"
#include "vibration_app.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

// The reported statistic of the stage motion alone (every bead of the
// series is fixed, so every kept track carries exactly this motion).
void InjectedVibration(const std::string& truth, double* x, double* y) {
  std::ifstream in(truth);
  std::vector<double> sx, sy;
  double pixel_nm = 100;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("# PIXEL_SIZE_X ", 0) == 0) pixel_nm = atof(line.c_str() + 15) * 1000;
    if (line.rfind("S ", 0) != 0) continue;
    std::istringstream f(line.substr(2));
    int frame;
    double px, py;
    f >> frame >> px >> py;
    sx.push_back(px * pixel_nm);
    sy.push_back(py * pixel_nm);
  }
  auto band = [](const std::vector<double>& s) {
    double m = 0, v = 0;
    for (double p : s) m += p - s[0];
    m /= s.size();
    for (double p : s) v += (p - s[0] - m) * (p - s[0] - m);
    double sd = std::sqrt(v / (s.size() - 1));
    return std::fabs(m + 2 * sd) + std::fabs(m - 2 * sd);
  };
  *x = band(sx);
  *y = band(sy);
}

double HeaderValue(Widget chart) {
  String* headers = nullptr;
  XtVaGetValues(chart, XtNxrtHeaderStrings, &headers, nullptr);
  if (!headers || !headers[0]) return -1;
  const char* eq = strstr(headers[0], "= ");
  return eq ? atof(eq + 2) : -1;
}

TEST(EndToEndTest, RunTheCalculationShowsTheInjectedVibration) {
  ScopedTempDir work;
  std::string image = work.file("beads.img"), truth = work.file("truth.txt");
  // Bright beads: the localization precision (about 1 nm) is far below the
  // motion, so the result must match the injected motion within 3 %.
  ProcessResult sim = RunProcess(
      {SuiteDir() + "/bin/x86_64/beadsim", "--size", "160x160", "--frames", "80", "--beads",
       "14", "--photons", "20000", "--background", "10", "--seed", "3", "--vibration",
       "12.5,20,15", image, truth});
  ASSERT_EQ(sim.exit_code, 0) << sim.err;

  VibrationApp* app = ShownMainWindow();
  XmTextFieldSetString(app->inputField, const_cast<char*>(image.c_str()));
  XmAnyCallbackStruct cbs = {XmCR_ACTIVATE, nullptr};
  XtCallCallbacks(app->inputField, XmNactivateCallback, &cbs);
  ASSERT_STREQ(inputFileName, image.c_str());

  std::vector<std::string> statuses;
  app->statusListener = [](void* data, const char* text) {
    static_cast<std::vector<std::string>*>(data)->push_back(text);
  };
  app->statusListenerData = &statuses;
  RunCalculationCB(nullptr, app, nullptr);

  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back(), "Tracking Analysis finished");
  EXPECT_FALSE(FileExists(kLocalizationFile));
  EXPECT_FALSE(FileExists(kTrackFile));

  double injected_x, injected_y;
  InjectedVibration(truth, &injected_x, &injected_y);
  double shown_x = HeaderValue(app->xGraph), shown_y = HeaderValue(app->yGraph);
  EXPECT_NEAR(shown_x, injected_x, 0.03 * injected_x);
  EXPECT_NEAR(shown_y, injected_y, 0.03 * injected_y);

  int kept = AnalysisKeptTrackCount();
  EXPECT_EQ(kept, 14);
  for (ChartData* data : {app->xData, app->yData}) {
    ASSERT_NE(data, nullptr);
    int drawn = 0;
    for (int set = 0; set < 10; ++set) drawn += ChartDataPointCount(data, set) == 80;
    EXPECT_EQ(drawn, std::min(kept, 10));
    EXPECT_EQ(ChartDataPointCount(data, 10), 2);
    EXPECT_EQ(ChartDataPointCount(data, 11), 2);
  }
  Boolean repaint = False;
  XtVaGetValues(app->xGraph, XtNxrtRepaint, &repaint, nullptr);
  EXPECT_TRUE(repaint);
}

}  // namespace
