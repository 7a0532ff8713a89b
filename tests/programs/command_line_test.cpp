// Argument values are taken whole or refused, the option table walk sorts
// words into options and positional names with one message per fault, and
// a stop signal is recorded rather than ending the process.
#include <climits>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

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

TEST(ParseOptions, TakesFlagsValuesAndNamesAndSaysWhatIsWrong) {
  using programs::Option;
  struct Case {
    std::vector<const char*> words;  // after the program name
    const char* reason;              // "" when the line is valid
  } cases[] = {
      {{"in", "-f", "-n", "3", "-x", "2.5", "out"}, ""},
      {{"-", "in"}, ""},  // a lone dash is a name
      {{"in", "-n"}, "-n needs a value"},
      {{"-n", "0"}, "invalid value for -n: \"0\" (1 to 9)"},
      {{"-x", "0"}, "invalid value for -x: \"0\""},  // above 0 only
      {{"-x", "4"}, ""},                               // up to and including 4
      {{"-x", "4.01"}, "invalid value for -x: \"4.01\""},
      {{"-y", "1"}, "unknown option -y"},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv{const_cast<char*>("program")};
    for (const char* w : c.words) argv.push_back(const_cast<char*>(w));
    bool flag = false;
    int n = 0;
    double x = 0;
    std::vector<std::string> names;
    const std::string reason = programs::ParseOptions(
        static_cast<int>(argv.size()), argv.data(), "-",
        {Option::Flag("-f", [&] { flag = true; }), Option::Whole("-n", &n, 1, 9, "1 to 9"),
         Option::Real("-x", &x, 0, true, 4)},
        &names);
    EXPECT_EQ(reason, c.reason) << c.words[0];
    if (std::string(c.reason).empty() && c.words.size() == 7) {
      EXPECT_TRUE(flag);
      EXPECT_EQ(n, 3);
      EXPECT_EQ(x, 2.5);
      EXPECT_EQ(names, (std::vector<std::string>{"in", "out"}));
    }
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
