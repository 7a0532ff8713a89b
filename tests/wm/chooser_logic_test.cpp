// The file chooser's rules that need no window: the keyed value file, the
// start directory and types of Select File, the texts of dropped file
// icons, sizes and sort buttons.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <unistd.h>

#include <string>
#include <vector>

#include "chooser_defaults.h"
#include "config_testing.h"
#include "directory_listing.h"
#include "iwbase.h"
#include "keyed_file.h"
#include "test_support.h"
#include "wmlib.h"
#include "xdnd_receiver.h"

using namespace tremoscan::testing;

namespace {

class ChooserLogicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    iwbase::ResetConfigStateForTesting();
    wm::ResetChooserCall();
  }
  void TearDown() override {
    wm::ResetChooserCall();
    iwbase::ResetConfigStateForTesting();
  }
  std::string KeyedPath() { return wm::KeyedFilePath(); }

  ScopedTempDir home_;
  ScopedEnv home_env_{"HOME", home_.path().c_str()};
  ScopedEnv app_env_{"PA_APPLICATION", nullptr};
  ScopedEnv ts_env_{"TS_DATA", nullptr};
};

TEST_F(ChooserLogicTest, KeyedFileKeepsRecordOrderAndReplacesAKeyInPlace) {
  std::string path = home_.file("keyed");
  WriteFile(path,
            "FIRST: TEXT 2\n/one dir\nsecond line\n"
            "QIX_DEF_DIR: TEXT 1 anything after the count is ignored\n/old\n"
            "COUNTS INT 3\n1\n-2\n300000000000\n"
            "SCALE FLOAT 1\n0.250000\n"
            "RAW: BLOB 2\nanything\n  kept as it is\n"
            "QIX_DEF_FILE_EXT: TEXT 1\n*.img\n");
  wm::KeyedFile file;
  ASSERT_TRUE(file.Read(path));
  ASSERT_EQ(file.records().size(), 6u);
  std::string value;
  EXPECT_TRUE(file.GetText("QIX_DEF_DIR:", &value));
  EXPECT_EQ(value, "/old");
  EXPECT_EQ(file.Find("COUNTS")->ints, (std::vector<long>{1, -2, 300000000000L}));

  file.SetText("QIX_DEF_DIR:", "/new place");
  file.SetText("KM_DIR:", "/jpegs");
  ASSERT_TRUE(file.Write(path));
  EXPECT_EQ(ReadFile(path),
            "FIRST: TEXT 2\n/one dir\nsecond line\n"
            "QIX_DEF_DIR: TEXT 1\n/new place\n"
            "COUNTS INT 3\n1\n-2\n300000000000\n"
            "SCALE FLOAT 1\n0.250000\n"
            "RAW: BLOB 2\nanything\n  kept as it is\n"
            "QIX_DEF_FILE_EXT: TEXT 1\n*.img\n"
            "KM_DIR: TEXT 1\n/jpegs\n");
}

TEST_F(ChooserLogicTest, KeyedFileWritesNulBytesBackAsRead) {
  // A NUL in a key, a type word or a text value must not cut it: a cut type
  // word made the record unreadable, and its value lines became records.
  const char bytes[] = "A\0b: TEXT 1\nx\0y\nC: BL\0B 1\nv\n";
  const std::string text(bytes, sizeof bytes - 1);
  std::string path = home_.file("nul");
  WriteFile(path, text);
  wm::KeyedFile file;
  ASSERT_TRUE(file.Read(path));
  ASSERT_EQ(file.records().size(), 2u);
  ASSERT_TRUE(file.Write(path));
  EXPECT_EQ(ReadFile(path), text);
}

std::vector<std::string> Warnings;
int CaptureWarning(int, const char* text, void*) {
  Warnings.push_back(text);
  return 1;
}

TEST_F(ChooserLogicTest, AFailedSaveKeepsTheOldFileAndIsReported) {
  std::string path = KeyedPath();
  ASSERT_FALSE(path.empty());
  const std::string before = "QIX_DEF_DIR: TEXT 1\n/old\nQIX_DEF_FILE_EXT: TEXT 1\n*\n";
  WriteFile(path, before);
  // A disk that fills up: no file of this process may grow past 16 bytes.
  struct rlimit old_limit;
  getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit small = old_limit;
  small.rlim_cur = 16;
  signal(SIGXFSZ, SIG_IGN);
  Warnings.clear();
  WMSetMessageHandler(CaptureWarning, nullptr);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  wm::RememberChooserChoice(wm::NextChooserCall(), "/a/directory/long/enough/to/fill/it", "*.img");
  setrlimit(RLIMIT_FSIZE, &old_limit);
  WMSetMessageHandler(nullptr, nullptr);
  EXPECT_EQ(ReadFile(path), before);
  ASSERT_EQ(Warnings.size(), 1u);
  EXPECT_EQ(Warnings[0].rfind("The chosen directory could not be remembered in\n" + path, 0), 0u);
  // No temporary is left beside it.
  std::string dir = path.substr(0, path.rfind('/'));
  int entries = 0;
  for (DIR* d = opendir(dir.c_str()); d;) {
    dirent* e = readdir(d);
    if (!e) {
      closedir(d);
      break;
    }
    if (std::string(e->d_name).rfind("directory_key_db", 0) == 0) ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST_F(ChooserLogicTest, KeyedFileSurvivesDamagedText) {
  struct Case {
    const char* name;
    const char* text;
    std::vector<std::string> keys;  // records read, in order
  };
  const Case cases[] = {
      {"missing file", nullptr, {}},
      {"empty file", "", {}},
      {"record cut short", "A: TEXT 3\nonly one\n", {"A:"}},
      {"unknown type kept", "A: BLOB 1\nraw\nB: TEXT 1\nb\n", {"A:", "B:"}},
      {"header without count", "A: TEXT\nB: TEXT 1\nb\n", {"B:"}},
      {"duplicate key keeps the first place", "A: TEXT 1\na\nB: INT 1\n2\nA: TEXT 1\nz\n", {"A:", "B:"}},
  };
  for (const Case& c : cases) {
    std::string path = home_.file("damaged");
    unlink(path.c_str());
    if (c.text) WriteFile(path, c.text);
    wm::KeyedFile file;
    EXPECT_TRUE(file.Read(path)) << c.name;
    std::vector<std::string> keys;
    for (const auto& r : file.records()) keys.push_back(r.key);
    EXPECT_EQ(keys, c.keys) << c.name;
  }
  wm::KeyedFile file;
  WriteFile(home_.file("dup"), "A: TEXT 1\na\nA: TEXT 1\nz\n");
  ASSERT_TRUE(file.Read(home_.file("dup")));
  std::string value;
  ASSERT_TRUE(file.GetText("A:", &value));
  EXPECT_EQ(value, "z");  // the later record replaced the earlier one
}

TEST_F(ChooserLogicTest, SelectFileStartsWhereTheRulesSay) {
  std::string caller = home_.file("caller");
  std::string stored = home_.file("stored");
  std::string data = home_.file("data");
  for (const std::string& d : {caller, stored, data}) mkdir(d.c_str(), 0755);

  struct Case {
    const char* name;
    std::string keyed;        // keyed file contents, "" = no file
    bool defaults_off;
    const char* dir_key;      // nullptr: the default pair
    bool tessaron_data;       // PA_APPLICATION=tessaron with TS_DATA set
    std::string caller_dir, caller_types;
    std::string want_dir, want_types;
  };
  std::string home = home_.path();
  const std::string both = "QIX_DEF_DIR: TEXT 1\n" + stored + "\nQIX_DEF_FILE_EXT: TEXT 1\n*.img\n";
  const Case cases[] = {
      {"no record: the caller's values, stored at once", "", false, nullptr, false, caller,
       "*.tif", caller, "*.tif"},
      {"records: the remembered values", both, false, nullptr, false, caller, "*.tif", stored,
       "*.img"},
      {"defaults off: the caller's values", both, true, nullptr, false, caller, "*.tif", caller,
       "*.tif"},
      {"only the directory recorded: the caller's values", "QIX_DEF_DIR: TEXT 1\n" + stored + "\n",
       false, nullptr, false, caller, "", caller, "*"},
      {"remembered directory gone: home",
       "QIX_DEF_DIR: TEXT 1\n/no/such/dir\nQIX_DEF_FILE_EXT: TEXT 1\n*.x\n", false, nullptr, false,
       caller, "*.tif", home, "*.x"},
      {"empty records under the default pair: the data directory",
       "QIX_DEF_DIR: TEXT 1\n\nQIX_DEF_FILE_EXT: TEXT 1\n\n", false, nullptr, true, caller, "*.tif",
       data, "*"},
      {"empty records under another pair: home", "K_DIR: TEXT 1\n\nK_EXT: TEXT 1\n\n", false,
       "K_DIR:", true, caller, "*.tif", home, "*"},
  };
  for (const Case& c : cases) {
    iwbase::ResetConfigStateForTesting();
    std::string path = KeyedPath();
    ASSERT_FALSE(path.empty());
    unlink(path.c_str());
    if (!c.keyed.empty()) WriteFile(path, c.keyed);
    ScopedEnv app("PA_APPLICATION", c.tessaron_data ? "Tessaron" : nullptr);
    ScopedEnv ts("TS_DATA", c.tessaron_data ? data.c_str() : nullptr);
    wm::ChooserCallSettings call{c.dir_key ? c.dir_key : "QIX_DEF_DIR:",
                                 c.dir_key ? "K_EXT:" : "QIX_DEF_FILE_EXT:", c.defaults_off, false};
    wm::ChooserStart start = wm::DecideChooserStart(&call, c.caller_dir, c.caller_types);
    EXPECT_EQ(start.directory, c.want_dir) << c.name;
    EXPECT_EQ(start.types, c.want_types) << c.name;
    if (c.defaults_off) {
      EXPECT_TRUE(call.dir_key.empty() && call.types_key.empty()) << c.name;
    }
    if (c.keyed.empty()) {
      EXPECT_EQ(ReadFile(path), "QIX_DEF_DIR: TEXT 1\n" + caller + "\nQIX_DEF_FILE_EXT: TEXT 1\n" +
                                    c.caller_types + "\n")
          << c.name;
    }
  }
}

TEST_F(ChooserLogicTest, ChooserKeysHoldForOneCall) {
  WMSetChooserKeys("KM_DIR:", "KM_JPEG_EXT:");
  WMDisableChooserDefaults();
  EXPECT_EQ(wm::NextChooserCall().dir_key, "KM_DIR:");
  EXPECT_TRUE(wm::NextChooserCall().defaults_off);
  wm::ResetChooserCall();
  EXPECT_EQ(wm::NextChooserCall().dir_key, "QIX_DEF_DIR:");
  EXPECT_EQ(wm::NextChooserCall().types_key, "QIX_DEF_FILE_EXT:");
  EXPECT_FALSE(wm::NextChooserCall().defaults_off);
  // A key longer than the key buffer is cut to it.
  WMSetChooserKeys(std::string(400, 'k').c_str(), "x");
  EXPECT_EQ(wm::NextChooserCall().dir_key.size(), 255u);
}

TEST_F(ChooserLogicTest, DroppedTextIsTrimmedAndPercentDecoded) {
  const std::pair<const char*, const char*> cases[] = {
      {"file:///data/a%20b.img\r\n", "file:///data/a b.img"},
      {"file:///x%2Fy%41%42", "file:///x/yAB"},
      {"/tmp/100%", "/tmp/100%"},
      {"/tmp/%zz%2", "/tmp/%zz%2"},
      {"/tmp/%e2%82%ac \t\n", "/tmp/\xe2\x82\xac"},
      {"", ""},
  };
  for (const auto& [raw, want] : cases) EXPECT_EQ(wm::DecodeDroppedText(raw), want) << raw;
}

TEST_F(ChooserLogicTest, SizesUseBinaryUnits) {
  const std::pair<long long, const char*> cases[] = {
      {0, "0 bytes"},
      {1023, "1023 bytes"},
      {1024, "0.00 Mb"},
      {3 * 1048576LL / 2, "1.50 Mb"},
      {1073741823LL, "1024.00 Mb"},
      {1073741824LL, "1.00 Gb"},
      {5LL * 1073741824LL, "5.00 Gb"},
  };
  for (const auto& [bytes, want] : cases) EXPECT_EQ(wm::SizeText(bytes), want) << bytes;
}

TEST_F(ChooserLogicTest, PathsAreCleanedTextually) {
  const std::pair<const char*, const char*> cases[] = {
      {"/a/b/../c", "/a/c"}, {"/a//b/./", "/a/b"}, {"/../..", "/"}, {"/", "/"}, {"/a/b/..", "/a"},
  };
  for (const auto& [path, want] : cases) EXPECT_EQ(wm::NormalizePath(path), want) << path;
  EXPECT_EQ(wm::WithTrailingSlash("/a/b//"), "/a/b/");
  EXPECT_EQ(wm::WithTrailingSlash("/"), "/");
}

}  // namespace
