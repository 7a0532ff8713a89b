// Data objects: creation limits, single-precision storage, refusal of bad
// points, range keeping and the notices that charts rely on.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "chart.h"
#include "chart_data.h"

namespace {

TEST(ChartData, CreationAcceptsOnlySensibleSetCounts) {
  const struct {
    int nsets;
    bool created;
  } cases[] = {{-1, false}, {0, false}, {1, true}, {12, true}, {CHART_MAX_SETS, true},
               {CHART_MAX_SETS + 1, false}};
  for (const auto& c : cases) {
    ChartData* d = ChartDataCreate(c.nsets);
    EXPECT_EQ(d != nullptr, c.created) << c.nsets;
    if (d) {
      EXPECT_EQ(ChartDataSetCount(d), c.nsets);
      for (int s = 0; s < c.nsets; ++s) ASSERT_EQ(ChartDataPointCount(d, s), 0);
    }
    ChartDataDestroy(d);
  }
}

TEST(ChartData, KeepsPointsPerSetInSinglePrecision) {
  ChartData* d = ChartDataCreate(12);
  ASSERT_NE(d, nullptr);
  // Set 3 gets frames with displacements that are not exact in binary.
  for (int f = 0; f < 1000; ++f) ASSERT_EQ(ChartDataAppendPoint(d, 3, f, 0.1 * f - 7.3), ChartOk);
  ASSERT_EQ(ChartDataAppendPoint(d, 11, 0, -12.25), ChartOk);
  ASSERT_EQ(ChartDataAppendPoint(d, 11, 1000, -12.25), ChartOk);
  EXPECT_EQ(ChartDataPointCount(d, 3), 1000);
  EXPECT_EQ(ChartDataPointCount(d, 2), 0);
  EXPECT_EQ(ChartDataPointCount(d, 11), 2);
  for (int f = 0; f < 1000; ++f) {
    double x = -1, y = -1;
    ASSERT_EQ(ChartDataGetPoint(d, 3, f, &x, &y), ChartOk);
    EXPECT_EQ(x, static_cast<double>(static_cast<float>(f)));
    EXPECT_EQ(y, static_cast<double>(static_cast<float>(0.1 * f - 7.3)));
  }
  double x = 0, y = 0;
  ASSERT_EQ(ChartDataGetPoint(d, 11, 1, &x, &y), ChartOk);
  EXPECT_EQ(x, 1000);
  EXPECT_EQ(y, -12.25);
  // The range covers every set.
  EXPECT_EQ(d->bounds.x_min, 0);
  EXPECT_EQ(d->bounds.x_max, 1000);
  EXPECT_FLOAT_EQ(static_cast<float>(d->bounds.y_min), -12.25f);
  EXPECT_FLOAT_EQ(static_cast<float>(d->bounds.y_max), static_cast<float>(0.1 * 999 - 7.3));
  ChartDataDestroy(d);
}

TEST(ChartData, RefusesBadCallsAndLeavesTheObjectUnchanged) {
  ChartData* d = ChartDataCreate(12);
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(ChartDataAppendPoint(d, 0, 1, 1), ChartOk);
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    ChartData* data;
    int set;
    double x, y;
    int status;
  } cases[] = {
      {nullptr, 0, 1, 1, ChartErrArgument},
      {d, -1, 1, 1, ChartErrArgument},
      {d, 12, 1, 1, ChartErrArgument},
      {d, 0, NAN, 1, ChartErrValue},
      {d, 0, 1, NAN, ChartErrValue},
      {d, 0, inf, 1, ChartErrValue},
      {d, 0, 1, -inf, ChartErrValue},
      {d, 0, 1, 1e39, ChartErrValue},  // finite as double, not as float
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "set " << c.set << " (" << c.x << ", " << c.y << ")");
    EXPECT_EQ(ChartDataAppendPoint(c.data, c.set, c.x, c.y), c.status);
    EXPECT_EQ(ChartDataPointCount(d, 0), 1);
    EXPECT_EQ(d->bounds.y_max, 1);
  }
  double x = 0, y = 0;
  EXPECT_EQ(ChartDataPointCount(d, 12), ChartErrArgument);
  EXPECT_EQ(ChartDataPointCount(nullptr, 0), ChartErrArgument);
  EXPECT_EQ(ChartDataSetCount(nullptr), ChartErrArgument);
  EXPECT_EQ(ChartDataGetPoint(d, 0, 1, &x, &y), ChartErrArgument);
  EXPECT_EQ(ChartDataGetPoint(d, 0, -1, &x, &y), ChartErrArgument);
  EXPECT_EQ(ChartDataGetPoint(d, 0, 0, nullptr, &y), ChartErrArgument);
  EXPECT_EQ(ChartDataGetPoint(d, 5, 0, &x, &y), ChartErrArgument);
  ChartDataDestroy(d);
  ChartDataDestroy(nullptr);
}

struct Notice {
  void* client;
  ChartData* data;
  chart::DataEvent event;
};
std::vector<Notice> notices;

void Record(void* client, ChartData* data, chart::DataEvent event) {
  notices.push_back({client, data, event});
}

// Like a chart being destroyed while told: takes itself off the list.
void RecordAndLeave(void* client, ChartData* data, chart::DataEvent event) {
  Record(client, data, event);
  chart::RemoveDataObserver(data, RecordAndLeave, client);
}

TEST(ChartData, TellsEachObserverOnceAboutAppendsAndDestruction) {
  notices.clear();
  int a = 0, b = 0;
  ChartData* d = ChartDataCreate(2);
  ASSERT_NE(d, nullptr);
  chart::AddDataObserver(d, Record, &a);
  chart::AddDataObserver(d, Record, &a);  // registered twice, told once
  chart::AddDataObserver(d, RecordAndLeave, &b);
  ASSERT_EQ(ChartDataAppendPoint(d, 1, 0, 0), ChartOk);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0].client, &a);
  EXPECT_EQ(notices[1].client, &b);
  EXPECT_EQ(notices[0].event, chart::DataEvent::kAppended);

  // b has left; a refused append tells nobody.
  notices.clear();
  EXPECT_EQ(ChartDataAppendPoint(d, 1, NAN, 0), ChartErrValue);
  EXPECT_TRUE(notices.empty());
  ASSERT_EQ(ChartDataAppendPoint(d, 0, 1, 1), ChartOk);
  ASSERT_EQ(notices.size(), 1u);

  // A removed observer hears nothing more.
  chart::AddDataObserver(d, Record, &b);
  chart::RemoveDataObserver(d, Record, &a);
  notices.clear();
  ChartDataDestroy(d);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].client, &b);
  EXPECT_EQ(notices[0].data, d);
  EXPECT_EQ(notices[0].event, chart::DataEvent::kDestroyed);
}

}  // namespace
