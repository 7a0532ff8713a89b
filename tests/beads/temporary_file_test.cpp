// Exclusive temporary files beside an output: a new regular file under a
// name nobody could use before, readable like any output.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "beads.h"
#include "test_support.h"

namespace {

TEST(TemporaryFileTest, EachCallCreatesANewFileBesideThePath) {
  tremoscan::testing::ScopedTempDir dir;
  const std::string output = dir.file("out.txt");
  char names[2][256];
  for (char* name : names) {
    int fd = -1;
    ASSERT_EQ(BeadsCreateTemporaryBeside(output.c_str(), ".partial", name, 256, &fd), BEADS_OK);
    close(fd);
    EXPECT_EQ(std::string(name).rfind(output + ".partial", 0), 0u) << name;
    EXPECT_EQ(std::string(name).size(), output.size() + 8 + 6) << name;
    struct stat info;
    ASSERT_EQ(lstat(name, &info), 0) << name;
    EXPECT_TRUE(S_ISREG(info.st_mode) && info.st_size == 0) << name;
    EXPECT_EQ(info.st_mode & 0777, 0644u) << name;
  }
  EXPECT_NE(std::string(names[0]), std::string(names[1]));

  char name[64];
  int fd = -1;
  EXPECT_EQ(BeadsCreateTemporaryBeside("/no/such/dir/out", ".tmp", name, sizeof name, &fd),
            BEADS_ERR_FILE);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(BeadsCreateTemporaryBeside(std::string(60, 'a').c_str(), ".tmp", name, sizeof name,
                                       &fd),
            BEADS_ERR_ARGUMENT);
  EXPECT_EQ(errno, ENAMETOOLONG);
}

}  // namespace
