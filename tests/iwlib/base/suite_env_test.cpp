// Suite directories, recently used directories and the size settings.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "config_fixture.h"

namespace iwbase_test {
namespace {

struct DirCase {
  const char* label;
  std::vector<std::pair<const char*, const char*>> env;  // variables to set
  const char* expect;
};

TEST_F(ConfigTest, BaseDirectoryTakesTheFirstSetName) {
  const DirCase cases[] = {
      {"PA_BASE wins", {{"PA_BASE", "/pa"}, {"MXBASE", "/mx"}, {"TS_BASE", "/ts"}}, "/pa"},
      {"MXBASE next", {{"PA_BASE", nullptr}, {"MXBASE", "/mx"}, {"TS_BASE", "/ts"}}, "/mx"},
      {"TS_BASE last", {{"PA_BASE", nullptr}, {"TS_BASE", "/ts"}}, "/ts"},
      {"empty counts as unset", {{"PA_BASE", ""}, {"MXBASE", "/mx"}}, "/mx"},
  };
  for (const DirCase& c : cases) {
    SCOPED_TRACE(c.label);
    ForgetProcessState();
    std::vector<std::unique_ptr<ScopedEnv>> env;
    for (const auto& [name, value] : c.env) env.push_back(std::make_unique<ScopedEnv>(name, value));
    char buffer[IW_PATH_MAX];
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(IWRtBaseDir(buffer), 1);
    ::testing::internal::GetCapturedStderr();
    EXPECT_STREQ(buffer, c.expect);
  }
}

TEST_F(ConfigTest, BaseDirectoryDefaultIsSetIntoAllThreeNames) {
  ScopedEnv pa("PA_BASE", nullptr);
  ScopedEnv mx("MXBASE", nullptr);
  ScopedEnv ts("TS_BASE", nullptr);
  char buffer[IW_PATH_MAX];
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(IWRtBaseDir(buffer), 1);
  ::testing::internal::GetCapturedStderr();
  EXPECT_STREQ(buffer, "/usr/local/Photarch");
  for (const char* name : {"PA_BASE", "MXBASE", "TS_BASE"}) EXPECT_EQ(Var(name), buffer) << name;
}

TEST_F(ConfigTest, TemporaryDirectoryTakesTheFirstSetName) {
  const DirCase cases[] = {
      {"PA_TMP", {{"PA_TMP", "/a"}, {"MX_TMP", "/b"}}, "/a"},
      {"MX_TMP", {{"MX_TMP", "/b"}, {"TS_TMP", "/c"}}, "/b"},
      {"TS_TMP", {{"TS_TMP", "/c"}, {"QIX_SHMDIR", "/d"}}, "/c"},
      {"QIX_SHMDIR", {{"QIX_SHMDIR", "/d"}}, "/d"},
      {"default", {}, "/tmp"},
  };
  WriteSystemFile("");
  for (const DirCase& c : cases) {
    SCOPED_TRACE(c.label);
    ForgetProcessState();
    std::vector<std::unique_ptr<ScopedEnv>> env;
    for (const char* name : {"PA_TMP", "MX_TMP", "TS_TMP", "QIX_SHMDIR"})
      env.push_back(std::make_unique<ScopedEnv>(name, nullptr));
    for (const auto& [name, value] : c.env) env.push_back(std::make_unique<ScopedEnv>(name, value));
    char buffer[IW_PATH_MAX];
    EXPECT_EQ(IWRtTmpDir(buffer), 1);
    EXPECT_STREQ(buffer, c.expect);
  }
}

constexpr int kSlots = 5;
using Slots = std::array<const char*, kSlots>;  // positions 1..5, null = unset

struct RecentCase {
  const char* label;
  Slots before;
  const char* add;
  int count;
  Slots after;
};

TEST_F(ConfigTest, RecentDirectoriesShiftDown) {
  const RecentCase cases[] = {
      {"empty list", {}, "/a", 5, {"/a/"}},
      {"already first", {"/a/", "/b/"}, "/a/", 5, {"/a/", "/b/"}},
      {"third of five moves up",
       {"/1/", "/2/", "/3/", "/4/", "/5/"}, "/3", 5, {"/3/", "/1/", "/2/", "/4/", "/5/"}},
      {"new one pushes the last out",
       {"/1/", "/2/", "/3/", "/4/", "/5/"}, "/6/", 5, {"/6/", "/1/", "/2/", "/3/", "/4/"}},
      {"last position moves up", {"/1/", "/2/", "/3/"}, "/3/", 3, {"/3/", "/1/", "/2/"}},
      {"gap keeps the later entry", {"/1/", nullptr, "/3/"}, "/x", 3, {"/x/", "/1/", "/3/"}},
      {"single slot is never replaced", {"/1/"}, "/2/", 1, {"/1/"}},
      {"positions past the count untouched",
       {"/1/", "/2/", "/3/", "/4/", "/5/"}, "/9/", 3, {"/9/", "/1/", "/2/", "/4/", "/5/"}},
  };
  WriteSystemFile("");
  for (const RecentCase& c : cases) {
    SCOPED_TRACE(c.label);
    ForgetProcessState();
    for (int i = 0; i < kSlots; ++i) {
      if (!c.before[i]) continue;
      std::string key = "RECENTLY_USED_DIRECTORY_cat_" + std::to_string(i + 1);
      ASSERT_EQ(IWAlVar(key.c_str(), c.before[i]), 1);
    }
    EXPECT_EQ(IWAddRecentDir(c.add, c.count, "cat"), 1);
    for (int i = 0; i < kSlots; ++i) {
      const char* got = IWRtRecentDir("cat", i + 1);
      EXPECT_STREQ(got, c.after[i]) << "position " << i + 1;
    }
    // Other categories are separate lists.
    EXPECT_EQ(IWRtRecentDir("other", 1), nullptr);
  }
}

TEST_F(ConfigTest, RecentDirectoriesAreSavedAndRejectNull) {
  EXPECT_EQ(IWAddRecentDir(nullptr, 5, "cat"), -1);
  EXPECT_EQ(IWAddRecentDir("/d", 5, nullptr), -1);
  WriteSystemFile("");
  ASSERT_EQ(IWAddRecentDir("/data/run1", 5, "KM"), 1);
  ASSERT_EQ(IWAddRecentDir("/data/run2", 5, "KM"), 1);
  ASSERT_EQ(IWSaveUserConfig(), 0);
  EXPECT_EQ(ReadFile(UserFile()),
            "RECENTLY_USED_DIRECTORY_KM_1 /data/run2/\n"
            "RECENTLY_USED_DIRECTORY_KM_2 /data/run1/\n");
}

struct SizeCase {
  const char* label;
  const char* pa;  // PA_SIZE, null = unset
  const char* mx;  // MX_SIZE
  const char* qix; // QIX_SIZE
  int expect;
};

TEST_F(ConfigTest, ArenaSizeIsClampedAndReadOnce) {
  const SizeCase cases[] = {
      {"below minimum", "10", nullptr, nullptr, 30},
      {"above maximum", "20000", nullptr, nullptr, 15000},
      {"in range", "700", nullptr, nullptr, 700},
      {"bounds kept", "30", nullptr, nullptr, 30},
      {"unreadable", "lots", nullptr, nullptr, 30},
      {"default", nullptr, nullptr, nullptr, 2000},
      {"MX_SIZE next", nullptr, "500", "900", 500},
      {"QIX_SIZE last", nullptr, nullptr, "900", 900},
      {"empty counts as unset", "", "450", nullptr, 450},
  };
  WriteSystemFile("");
  ScopedEnv ts("TS_SIZE", nullptr);
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.label);
    ForgetProcessState();
    ScopedEnv pa("PA_SIZE", c.pa);
    ScopedEnv mx("MX_SIZE", c.mx);
    ScopedEnv qix("QIX_SIZE", c.qix);
    EXPECT_EQ(IWRtShmSize(), c.expect);
    ASSERT_EQ(IWAlVar("PA_SIZE", "5000"), 1);
    EXPECT_EQ(IWRtShmSize(), c.expect) << "read once per process";
  }
}

TEST_F(ConfigTest, ImageMemorySizesFallBackOutsideTheirRange) {
  struct MemCase {
    const char* label;
    const char* value;  // PA_xxx value, null = unset
    int set, unit, threshold;
  };
  const MemCase cases[] = {
      {"unset", nullptr, 1800, 100, 0},
      {"in range", "640", 640, 640, 640},
      {"zero", "0", 0, 0, 0},
      {"too large", "15001", 1800, 100, 15001},
      {"negative", "-5", 1800, 100, 0},
      {"unreadable", "much", 1800, 100, 0},
  };
  WriteSystemFile("");
  for (const MemCase& c : cases) {
    SCOPED_TRACE(c.label);
    ForgetProcessState();
    ScopedEnv set("PA_WORKING_SET", c.value);
    ScopedEnv unit("PA_WORKING_UNIT", c.value);
    ScopedEnv threshold("PA_PGTHRESH", c.value);
    EXPECT_EQ(IWRtWorkingSet(), c.set);
    EXPECT_EQ(IWRtWorkingUnit(), c.unit);
    EXPECT_EQ(IWRtPagingThreshold(), c.threshold);
  }
  // Later names count when the first is unset.
  ForgetProcessState();
  ScopedEnv ts_set("TS_WORKING_SET", "1200");
  ScopedEnv qix_unit("QIX_WORKING_UNIT", "50");
  ScopedEnv mx_threshold("MX_PGTHRESH", "4096");
  EXPECT_EQ(IWRtWorkingSet(), 1200);
  EXPECT_EQ(IWRtWorkingUnit(), 50);
  EXPECT_EQ(IWRtPagingThreshold(), 4096);
}

}  // namespace
}  // namespace iwbase_test
