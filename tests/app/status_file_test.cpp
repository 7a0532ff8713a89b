// The localization program's status file as the calculation reads it.
#include <gtest/gtest.h>

#include <string>

#include "status_file.h"
#include "test_support.h"

using namespace tremoscan::testing;

namespace {

TEST(StatusFileTest, ReadsProgressAndMessage) {
  struct Case {
    const char* text;  // nullptr: no file
    bool ok;
    int progress;
    std::string message;
  };
  const std::string long_message(120, 'm');
  const Case cases[] = {
      {"45.9\nLocalizing frame 3\n", true, 45, "Localizing frame 3"},
      {"100", true, 100, ""},
      {"12345678901234567890123\nsecond\n", true, 100, "second"},  // long first line
      {"1e30\nhuge\n", true, 100, "huge"},
      {"-7\n", true, 0, ""},
      {"nan\nx", true, 0, "x"},
      {"abc\n", true, 0, ""},
      {"", false, -1, "unchanged"},
      {nullptr, false, -1, "unchanged"},
  };
  ScopedTempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.file(c.text ? "status" : "missing");
    if (c.text) WriteFile(path, c.text);
    int progress = -1;
    std::string message = "unchanged";
    EXPECT_EQ(ReadStatusFile(path.c_str(), &progress, &message), c.ok) << path;
    EXPECT_EQ(progress, c.progress) << (c.text ? c.text : "no file");
    EXPECT_EQ(message, c.message) << (c.text ? c.text : "no file");
  }
  WriteFile(dir.file("long"), "5\n" + long_message + "\n");
  int progress = 0;
  std::string message;
  ASSERT_TRUE(ReadStatusFile(dir.file("long").c_str(), &progress, &message));
  EXPECT_EQ(message, long_message.substr(0, 99));
}

}  // namespace
