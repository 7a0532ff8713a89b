// Saving the user's file: kept lines, dropped one-byte lines, replaced names
// moved to the end, session ("^") names never written, and failures that
// leave the previous file as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "config_fixture.h"

namespace iwbase_test {
namespace {

using tremoscan::testing::FileExists;

TEST_F(ConfigTest, SaveRewritesOnlyTheNamesSetHere) {
  const std::string old_file =
      "KEEP_A 1\n"
      "\n"
      "TSCFG_SET old\n"
      "   \t\n"
      "keep_b two words\n"
      "TSCFG_SET older\n"
      "Tscfg_set other case is another line\n"
      "TSCFG_EMPTY was here\n"
      "TSCFG_SETTLED\n"
      "LAST_NO_NEWLINE x";
  WriteUserFile(old_file);

  ASSERT_EQ(IWAlVar("TSCFG_SET", "first"), 1);
  ASSERT_EQ(IWAlVar("TSCFG_NEW", "n"), 1);
  ASSERT_EQ(IWAlVar("TSCFG_SET", "new"), 1);  // keeps its place in the save order
  ASSERT_EQ(IWAlVar("^TSCFG_SESSION", "session only"), 1);
  ASSERT_EQ(IWAlVar("TSCFG_EMPTY", ""), 1);   // removed from the file
  ASSERT_EQ(IWAlVarInt("TSCFG_SETTLED", 3), 1);
  EXPECT_EQ(Var("^TSCFG_SESSION"), "session only");

  ASSERT_EQ(IWSaveUserConfig(), 0);
  // The last line gets a line end only because lines follow it.
  const std::string first_save =
      "KEEP_A 1\n"
      "   \t\n"
      "keep_b two words\n"
      "Tscfg_set other case is another line\n"
      "LAST_NO_NEWLINE x\n"
      "TSCFG_SET new\n"
      "TSCFG_NEW n\n"
      "TSCFG_SETTLED 3\n";
  EXPECT_EQ(ReadFile(UserFile()), first_save);
  EXPECT_EQ(ReadFile(UserFile() + ".bak"), old_file);

  // A second save keeps the first one's lines and backs it up in turn.
  ASSERT_EQ(IWAlVar("TSCFG_NEW", "n2"), 1);
  ASSERT_EQ(IWSaveUserConfig(), 0);
  EXPECT_EQ(ReadFile(UserFile()),
            "KEEP_A 1\n"
            "   \t\n"
            "keep_b two words\n"
            "Tscfg_set other case is another line\n"
            "LAST_NO_NEWLINE x\n"
            "TSCFG_SET new\n"
            "TSCFG_NEW n2\n"
            "TSCFG_SETTLED 3\n");
  EXPECT_EQ(ReadFile(UserFile() + ".bak"), first_save);
}

TEST_F(ConfigTest, SaveDropsOnlyLinesShorterThanTwoBytes) {
  // Nothing set here: every line of two bytes or more stays byte for byte,
  // a last line without a line end included; "\n" and a last "x" go.
  WriteUserFile("A 1\n\n\r\n \nB 2\nx");
  ASSERT_EQ(IWSaveUserConfig(), 0);
  EXPECT_EQ(ReadFile(UserFile()), "A 1\n\r\n \nB 2\n");
  WriteUserFile("A 1\nB 2");
  ASSERT_EQ(IWSaveUserConfig(), 0);
  EXPECT_EQ(ReadFile(UserFile()), "A 1\nB 2");
}

TEST_F(ConfigTest, SavedValuesAreFoundByTheNextProcess) {
  ASSERT_EQ(IWAlVar("TSCFG_PERSIST", "kept value"), 1);
  ASSERT_EQ(IWAlVar("^TSCFG_GONE", "session"), 1);
  ASSERT_EQ(IWSaveUserConfig(), 0);
  ForgetProcessState();
  WriteSystemFile("");
  EXPECT_EQ(Var("TSCFG_PERSIST"), "kept value");
  EXPECT_EQ(Var("^TSCFG_GONE"), "<unset>");
}

TEST_F(ConfigTest, SaveWithoutOldFileIgnoresStaleBackup) {
  const std::string dir = IWRtUserConfigDir();
  WriteFile(dir + "/user.parc.bak", "STALE_LINE from an older save\n");
  ASSERT_EQ(IWAlVar("TSCFG_ONLY", "1"), 1);
  ASSERT_EQ(IWSaveUserConfig(), 0);
  EXPECT_EQ(ReadFile(UserFile()), "TSCFG_ONLY 1\n");
}

TEST_F(ConfigTest, SaveLongLinesSurviveWhole) {
  const std::string long_line = "TSCFG_LONG_LINE " + std::string(1000, 'z') + "\n";
  WriteUserFile(long_line);
  ASSERT_EQ(IWAlVar("TSCFG_OTHER", "o"), 1);
  ASSERT_EQ(IWSaveUserConfig(), 0);
  EXPECT_EQ(ReadFile(UserFile()), long_line + "TSCFG_OTHER o\n");
}

// The files of the user's directory, so that a failed save can be seen to
// leave no temporary behind.
std::string DirectoryListing(const std::string& dir) {
  std::string names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names += entry.path().filename().string() + " ";
  return names;
}

TEST_F(ConfigTest, FailedSaveLeavesTheFileAsItWas) {
  // The old file cannot be kept aside: a directory holds the backup name.
  WriteUserFile("KEEP 1\n");
  const std::string dir = IWRtUserConfigDir();
  std::filesystem::create_directories(UserFile() + ".bak/occupied");
  const std::string before = DirectoryListing(dir);
  ASSERT_EQ(IWAlVar("TSCFG_X", "1"), 1);
  EXPECT_EQ(IWSaveUserConfig(), -1);
  EXPECT_EQ(ReadFile(UserFile()), "KEEP 1\n");
  EXPECT_EQ(DirectoryListing(dir), before);
  std::filesystem::remove_all(UserFile() + ".bak");
  const std::string without_backup = DirectoryListing(dir);

  // The new contents cannot be written (a file size limit stands in for a
  // full disk).
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct rlimit tiny = old_limit;
  tiny.rlim_cur = 4;
  void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  int rc = IWSaveUserConfig();
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(rc, -2);
  EXPECT_EQ(ReadFile(UserFile()), "KEEP 1\n");
  EXPECT_EQ(DirectoryListing(dir), without_backup);

  // The old file cannot be read (a directory holds its name): replacing it
  // would lose its lines.
  std::filesystem::remove(UserFile());
  std::filesystem::create_directories(UserFile() + "/occupied");
  EXPECT_EQ(IWSaveUserConfig(), -2);
  EXPECT_TRUE(std::filesystem::exists(UserFile() + "/occupied"));
}

TEST_F(ConfigTest, UnavailableUserDirectoryIsReportedOnceAndSkipped) {
  ScopedEnv home("HOME", (home_.path() + "/no/such/home").c_str());
  WriteSystemFile("TSCFG_SYS system\n");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(IWRtUserConfigDir(), nullptr);
  EXPECT_EQ(IWRtUserConfigFile(), nullptr);
  EXPECT_EQ(Var("TSCFG_SYS"), "system");
  ASSERT_EQ(IWAlVar("TSCFG_X", "1"), 1);
  EXPECT_EQ(IWSaveUserConfig(), -2);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Could not create user config directory\n");
}

TEST_F(ConfigTest, UserDirectoryIsNamedAfterHomeAndHost) {
  char host[IW_PATH_MAX] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  const std::string expected = home_.path() + "/.photarch_" + host;
  ASSERT_FALSE(FileExists(expected));

  mode_t old_mask = umask(022);
  const char* dir = IWRtUserConfigDir();
  umask(old_mask);
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(std::string(dir), expected);
  EXPECT_EQ(std::string(IWRtUserConfigFile()), expected + "/user.parc");
  struct stat info;
  ASSERT_EQ(stat(expected.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0755u);

  // Built once: a later change of HOME does not move it.
  ScopedEnv other_home("HOME", "/somewhere/else");
  EXPECT_EQ(std::string(IWRtUserConfigDir()), expected);
}

}  // namespace
}  // namespace iwbase_test
