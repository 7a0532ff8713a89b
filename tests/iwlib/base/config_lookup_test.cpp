// Lookup order, caching, empty values and the configuration file format.
#include <gtest/gtest.h>

#include <string>

#include "config_fixture.h"

namespace iwbase_test {
namespace {

constexpr const char* kName = "TSCFG_ORDER";

// A file line for kName: null gives no line, "" a line without a value.
std::string LineFor(const char* value) {
  if (!value) return "OTHER_NAME other\n";
  return std::string(kName) + (*value ? " " : "") + value + "\n";
}

struct OrderCase {
  const char* label;
  const char* env;     // environment value, null = not in the environment
  const char* user;    // user file value, null = no line
  const char* system;  // system file value, null = no line
  const char* expect;  // null = unset
};

TEST_F(ConfigTest, SourcesAreConsultedInOrderAndEmptyMeansUnset) {
  const OrderCase cases[] = {
      {"environment first", "env", "user", "system", "env"},
      {"user file before system", nullptr, "user", "system", "user"},
      {"system file last", nullptr, nullptr, "system", "system"},
      {"nowhere", nullptr, nullptr, nullptr, nullptr},
      {"empty environment is unset", "", "user", "system", nullptr},
      {"user line without value is unset", nullptr, "", "system", nullptr},
      {"system line without value is unset", nullptr, nullptr, "", nullptr},
      {"value with inner blanks", nullptr, "a b  c", nullptr, "a b  c"},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.label);
    ForgetProcessState();
    ScopedEnv env(kName, c.env);
    WriteUserFile(LineFor(c.user));
    WriteSystemFile(LineFor(c.system));
    const char* value = IWRtVar(kName);
    if (c.expect) {
      ASSERT_NE(value, nullptr);
      EXPECT_STREQ(value, c.expect);
    } else {
      EXPECT_EQ(value, nullptr) << value;
    }
  }
}

TEST_F(ConfigTest, FirstAnswerIsCachedUntilTheVariableIsSet) {
  WriteUserFile("TSCFG_FILE from-file\n");
  {
    ScopedEnv env("TSCFG_ENV", "first");
    EXPECT_EQ(Var("TSCFG_ENV"), "first");
  }
  // Gone from the environment, still known to the process.
  EXPECT_EQ(Var("TSCFG_ENV"), "first");

  EXPECT_EQ(Var("TSCFG_FILE"), "from-file");
  WriteUserFile("TSCFG_FILE changed\n");
  EXPECT_EQ(Var("TSCFG_FILE"), "from-file");

  // A variable found nowhere stays unset even if it appears later.
  EXPECT_EQ(Var("TSCFG_LATE"), "<unset>");
  ScopedEnv late("TSCFG_LATE", "now");
  EXPECT_EQ(Var("TSCFG_LATE"), "<unset>");

  // Setting overrides every source, and setting it empty unsets it.
  ASSERT_EQ(IWAlVar("TSCFG_FILE", "set"), 1);
  EXPECT_EQ(Var("TSCFG_FILE"), "set");
  ASSERT_EQ(IWAlVar("TSCFG_LATE", "set-late"), 1);
  EXPECT_EQ(Var("TSCFG_LATE"), "set-late");
  ASSERT_EQ(IWAlVar("TSCFG_FILE", ""), 1);
  EXPECT_EQ(Var("TSCFG_FILE"), "<unset>");
  ASSERT_EQ(IWAlVar("TSCFG_FILE", nullptr), 1);
  EXPECT_EQ(Var("TSCFG_FILE"), "<unset>");
}

TEST_F(ConfigTest, ReturnedTextStaysValidWhileOtherVariablesAreAdded) {
  ASSERT_EQ(IWAlVar("TSCFG_HELD", "held value"), 1);
  const char* held = IWRtVar("TSCFG_HELD");
  ASSERT_NE(held, nullptr);
  for (int i = 0; i < 500; ++i) {
    std::string name = "TSCFG_FILL_" + std::to_string(i);
    IWAlVar(name.c_str(), "x");
  }
  EXPECT_STREQ(held, "held value");
}

TEST_F(ConfigTest, NamesAreExactInTheProcessAndCaseFreeInFiles) {
  WriteUserFile("tscfg_case from-file\n");
  ASSERT_EQ(IWAlVar("TSCFG_Set", "mixed"), 1);
  EXPECT_EQ(Var("TSCFG_CASE"), "from-file");
  EXPECT_EQ(Var("TSCFG_SET"), "<unset>");
  EXPECT_EQ(Var("TSCFG_Set"), "mixed");
}

struct LineCase {
  const char* label;
  std::string file;  // system file contents
  const char* name;
  std::string expect;  // "<unset>" when the variable must be unset
};

TEST_F(ConfigTest, FileLinesAreParsedAsNameBlanksValue) {
  // A line is read up to 255 characters: "TSCFG_A " leaves 247 for the value.
  const std::string long_line = "TSCFG_A " + std::string(300, 'v') + "\n";
  // The tail of an overlong line must not be read as a line of its own.
  std::string overlong = "TSCFG_LONG ";
  overlong += std::string(255 - overlong.size(), 'a') + "TSCFG_TAIL tail\n";
  const LineCase cases[] = {
      {"tab separates", "TSCFG_A\tvalue\n", "TSCFG_A", "value"},
      {"surrounding white space trimmed", "TSCFG_A   \t spaced value \t \r\n", "TSCFG_A",
       "spaced value"},
      {"name matched without case", "TsCfG_a lower\n", "TSCFG_A", "lower"},
      {"first matching line wins", "TSCFG_A one\nTSCFG_A two\n", "TSCFG_A", "one"},
      {"longer name does not match", "TSCFG_AB long\nTSCFG_A short\n", "TSCFG_A", "short"},
      {"last line without line end", "X 1\nTSCFG_A end", "TSCFG_A", "end"},
      {"comment lines are other names", "# TSCFG_A commented\n", "TSCFG_A", "<unset>"},
      {"long value cut to the line limit", long_line, "TSCFG_A", std::string(247, 'v')},
      {"tail of an overlong line ignored", overlong, "TSCFG_TAIL", "<unset>"},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.label);
    ForgetProcessState();
    WriteSystemFile(c.file);
    EXPECT_EQ(Var(c.name), c.expect);
  }
}

TEST_F(ConfigTest, MissingSystemFileIsReportedAndLookupGoesOn) {
  WriteUserFile("TSCFG_USER yes\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Var("TSCFG_USER"), "yes");
  EXPECT_EQ(Var("TSCFG_NOWHERE"), "<unset>");
  EXPECT_EQ(Var("TSCFG_ELSEWHERE"), "<unset>");  // told once per process, not per lookup
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Unable to find PA configuration file: " + SystemFile() + "\n");
}

TEST_F(ConfigTest, BaseDirectoryDefaultsWhenNothingNamesIt) {
  ScopedEnv no_base("PA_BASE", nullptr);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Var("PA_BASE"), "/usr/local/Photarch");
  ::testing::internal::GetCapturedStderr();
  // The default counts as a found value, not as a setting to save.
  EXPECT_EQ(IWSaveUserConfig(), 0);
  EXPECT_EQ(ReadFile(UserFile()), "");
}

TEST_F(ConfigTest, SystemFileIsFoundThroughASetBaseDirectory) {
  ScopedTempDir other;
  std::filesystem::create_directories(other.path() + "/config");
  WriteFile(other.path() + "/config/system.parc", "TSCFG_WHERE other-base\n");
  WriteSystemFile("TSCFG_WHERE env-base\n");
  ASSERT_EQ(IWAlVar("PA_BASE", other.path().c_str()), 1);
  EXPECT_EQ(Var("TSCFG_WHERE"), "other-base");
}

TEST_F(ConfigTest, CopyFillsTheCallersBuffer) {
  char buffer[IW_PATH_MAX];
  std::string long_value(400, 'p');
  ASSERT_EQ(IWAlVar("TSCFG_COPY", long_value.c_str()), 1);
  ASSERT_EQ(IWRtVarCopy("TSCFG_COPY", buffer), buffer);
  EXPECT_EQ(std::string(buffer), std::string(IW_PATH_MAX - 1, 'p'));

  char small[4] = {'x', 'x', 'x', '\0'};
  EXPECT_EQ(IWRtVarCopyN("TSCFG_UNSET_COPY", small, sizeof small), nullptr);
  EXPECT_STREQ(small, "xxx");
  ASSERT_EQ(IWRtVarCopyN("TSCFG_COPY", small, sizeof small), small);
  EXPECT_STREQ(small, "ppp");
}

TEST_F(ConfigTest, EmptyNameIsSetButNeverSavedOrFound) {
  EXPECT_EQ(IWAlVar(nullptr, "x"), -1);
  EXPECT_EQ(IWAlVar("", "x"), 1);
  EXPECT_EQ(IWRtVar(nullptr), nullptr);
  EXPECT_EQ(IWRtVar(""), nullptr);
  ASSERT_EQ(IWSaveUserConfig(), 0);
  EXPECT_EQ(ReadFile(UserFile()), "");
}

}  // namespace
}  // namespace iwbase_test
