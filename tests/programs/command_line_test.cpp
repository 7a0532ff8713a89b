// Argument values are taken whole or refused, and a stop signal is recorded
// rather than ending the process.
#include <climits>
#include <csignal>
#include <cstdlib>

#include <gtest/gtest.h>

#include "command_line.h"
#include "stop_signals.h"

namespace {

struct RealCase {
  const char* text;
  bool accepted;
  double value;
};

TEST(ParseReal, TakesOnlyAWholeFiniteNumber) {
  const RealCase cases[] = {
      {"1.5", true, 1.5},     {"-0.25", true, -0.25}, {"1e-3", true, 1e-3}, {"  7", true, 7},
      {"", false, 0},         {"1.5x", false, 0},     {"x1", false, 0},     {"1.5 ", false, 0},
      {"nan", false, 0},      {"inf", false, 0},      {"1e999", false, 0},  {"-", false, 0},
  };
  for (const RealCase& c : cases) {
    double v = -123;
    EXPECT_EQ(programs::ParseReal(c.text, &v), c.accepted) << '"' << c.text << '"';
    EXPECT_EQ(v, c.accepted ? c.value : -123) << '"' << c.text << '"';
  }
}

struct WholeCase {
  const char* text;
  long lo, hi;
  bool accepted;
};

TEST(ParseWhole, TakesOnlyADecimalIntegerInRange) {
  const WholeCase cases[] = {
      {"1", 1, 1024, true},      {"1024", 1, 1024, true},  {"0", 1, 1024, false},
      {"1025", 1, 1024, false},  {"-3", -5, 5, true},      {"2.0", 0, 9, false},
      {"0x10", 0, 99, false},    {"", 0, 9, false},        {"7 ", 0, 9, false},
      {"99999999999999999999", 0, LONG_MAX, false},
  };
  for (const WholeCase& c : cases) {
    long v = -123;
    EXPECT_EQ(programs::ParseWhole(c.text, c.lo, c.hi, &v), c.accepted) << '"' << c.text << '"';
    if (c.accepted)
      EXPECT_EQ(v, std::strtol(c.text, nullptr, 10));
    else
      EXPECT_EQ(v, -123);
  }
}

TEST(StopSignals, RecordWhichSignalAskedToStop) {
  const volatile std::sig_atomic_t* stop = programs::InstallStopSignals();
  EXPECT_EQ(*stop, 0);
  std::raise(SIGTERM);
  EXPECT_EQ(*stop, SIGTERM);
  std::raise(SIGINT);
  EXPECT_EQ(*stop, SIGINT);
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
}

}  // namespace
