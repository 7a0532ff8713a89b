// The imreport program run as a child process on real files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imlib.h"
#include "test_support.h"

using tremoscan::testing::RunProcess;
using tremoscan::testing::ScopedTempDir;

namespace {

std::string Program() { return tremoscan::testing::SuiteDir() + "/bin/x86_64/imreport"; }

TEST(ImReportTest, ReportsHeaderTypeAndFields) {
  ScopedTempDir dir;
  std::string path = dir.file("beads.im");
  ASSERT_EQ(IMOpen(1, path.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(1, 64, 32, 1, 1, 5, 1, IM_ZWTP, IM_USHORT), 0);
  ASSERT_EQ(IMAlLensID(1, 10612), 0);
  ASSERT_EQ(IMAlFieldChar(1, "camera", "cam-2"), 0);
  const unsigned char raw[2] = {0xab, 0x01};
  ASSERT_EQ(IMAlFieldBinary(1, "flags", raw, 2), 0);
  ASSERT_EQ(IMWrHdr2(1, 1), 0);
  ASSERT_EQ(IMClose(1), 0);

  auto r = RunProcess({Program(), path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // The library's header report (its text is checked in-process), then
  // the program's own lines.
  EXPECT_EQ(r.out.rfind("\nImage Name............................\t" + path + "\n", 0), 0u)
      << r.out;
  EXPECT_NE(r.out.find("Lens ID Number........................\t10612\n"
                       "\n"
                       "Titles................................\n"
                       "\n"
                       "Extended Header Values per Section....\t8 integers, 32 floats\n"
                       "Named Fields..........................\t2\n"
                       "  camera (c, 5 bytes) = cam-2\n"
                       "  flags (b, 2 bytes) = ab01\n"),
            std::string::npos)
      << r.out;
}

TEST(ImReportTest, UnreadableFilesGiveTheErrorText) {
  ScopedTempDir dir;
  std::string junk = dir.file("junk.im");
  tremoscan::testing::WriteFile(junk, "not an image");
  std::string missing = dir.file("missing.im");
  auto r = RunProcess({Program(), missing, junk});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("imreport: " + missing + ": Unable to find file (code 202)\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("imreport: " + junk + ": Unable to read image header (code 207)\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, "");
  auto usage = RunProcess({Program()});
  EXPECT_EQ(usage.exit_code, 2);
  EXPECT_EQ(usage.err, "usage: imreport FILE...\n");
}

}  // namespace
