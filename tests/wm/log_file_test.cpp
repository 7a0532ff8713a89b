// The log of warnings and errors: where it goes, its line format and its
// rotation through five generations.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <regex>
#include <string>

#include "config_testing.h"
#include "log_file_testing.h"
#include "test_support.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  // The log location and the configuration are both computed once per
  // process; each case starts from scratch.
  static void Reset() {
    wm::ResetLogLocationForTesting();
    iwbase::ResetConfigStateForTesting();
  }

  ScopedTempDir home_;
  ScopedEnv home_env_{"HOME", home_.path().c_str()};
  ScopedEnv app_env_{"PA_APPLICATION", nullptr};
};

TEST_F(LogFileTest, FirstLineCreatesTheDirectoryAndTheFile) {
  ASSERT_EQ(WMLog("WMShowWarning: %s", "disk full"), 0);
  std::string dir = home_.file("photarch-logs");
  EXPECT_STREQ(WMRtLogDirectory(), dir.c_str());
  std::string text = ReadFile(dir + "/photarchlog.txt");
  // "[Sat Dec  5 19:06:31 2026]: message\n"
  std::regex line(R"(\[(Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}\]: WMShowWarning: disk full\n)");
  EXPECT_TRUE(std::regex_match(text, line)) << text;
}

TEST_F(LogFileTest, ApplicationKindChoosesDirectoryAndStem) {
  struct Case {
    const char* app;
    const char* path;
  } cases[] = {{"Matrixon", "matrixon-logs/matrixonlog.txt"},
               {"HELIXON", "helixon-logs/helixonlog.txt"},
               {"tessaron", "photarch-logs/photarchlog.txt"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.app);
    Reset();
    ScopedEnv app("PA_APPLICATION", k.app);
    ASSERT_EQ(WMLog("line"), 0);
    EXPECT_TRUE(FileExists(home_.file(k.path)));
  }
}

TEST_F(LogFileTest, RotatesOnlyAboveTheLimitAndKeepsFiveGenerations) {
  std::string dir = home_.file("photarch-logs");
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  auto gen = [&](int n) { return dir + "/photarchlog" + std::to_string(n) + ".txt"; };
  std::string current = dir + "/photarchlog.txt";

  // At the limit: no rotation.
  WriteFile(current, std::string(1199999, 'a'));
  ASSERT_EQ(WMLog("at the limit"), 0);
  EXPECT_FALSE(FileExists(gen(1)));

  // One byte over: the file becomes generation 1; the older ones move up
  // and the oldest is dropped.
  for (int g = 1; g <= 5; ++g) WriteFile(gen(g), "generation " + std::to_string(g));
  WriteFile(current, std::string(1200000, 'b'));
  ASSERT_EQ(WMLog("after rotation"), 0);
  EXPECT_EQ(ReadFile(gen(1)), std::string(1200000, 'b'));
  for (int g = 2; g <= 5; ++g) EXPECT_EQ(ReadFile(gen(g)), "generation " + std::to_string(g - 1));
  std::string fresh = ReadFile(current);
  EXPECT_NE(fresh.find("]: after rotation\n"), std::string::npos);
  EXPECT_EQ(fresh.find('\n'), fresh.size() - 1) << "only the new line";
}

TEST_F(LogFileTest, FallsBackToHomeThenTmpThenStandardError) {
  // The log directory cannot be made (a file has its name): home is used.
  WriteFile(home_.file("photarch-logs"), "not a directory");
  ASSERT_EQ(WMLog("into home"), 0);
  EXPECT_STREQ(WMRtLogDirectory(), home_.path().c_str());
  EXPECT_NE(ReadFile(home_.file("photarchlog.txt")).find("into home"), std::string::npos);

  // No home directory at all: /tmp.
  wm::ResetLogLocationForTesting();
  {
    ScopedEnv gone("HOME", home_.file("missing").c_str());
    EXPECT_STREQ(WMRtLogDirectory(), "/tmp");
  }

  // The file itself cannot be opened: the line goes to standard error.
  wm::ResetLogLocationForTesting();
  std::remove(home_.file("photarchlog.txt").c_str());
  ASSERT_EQ(mkdir(home_.file("photarchlog.txt").c_str(), 0755), 0);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(WMLog("nowhere to go %d", 7), -1);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("]: nowhere to go 7\n"), std::string::npos) << err;
}

}  // namespace
