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

using tremoscan::testing::ScopedTempDir;

TEST(TemporaryFileTest, EachCallCreatesANewFileBesideThePath) {
  ScopedTempDir dir;
  const std::string output = dir.file("out.txt");
  char first[256], second[256];
  int fd1 = -1, fd2 = -1;
  ASSERT_EQ(BeadsCreateTemporaryBeside(output.c_str(), ".partial", first, sizeof first, &fd1),
            BEADS_OK);
  ASSERT_EQ(BeadsCreateTemporaryBeside(output.c_str(), ".partial", second, sizeof second, &fd2),
            BEADS_OK);
  EXPECT_NE(std::string(first), std::string(second));
  for (const char* name : {first, second}) {
    EXPECT_EQ(std::string(name).rfind(output + ".partial", 0), 0u) << name;
    EXPECT_EQ(std::string(name).size(), output.size() + 8 + 6) << name;
    struct stat info;
    ASSERT_EQ(lstat(name, &info), 0) << name;
    EXPECT_TRUE(S_ISREG(info.st_mode)) << name;
    EXPECT_EQ(info.st_mode & 0777, 0644u) << name;
    EXPECT_EQ(info.st_size, 0) << name;
  }
  EXPECT_EQ(write(fd1, "x", 1), 1);
  close(fd1);
  close(fd2);
}

TEST(TemporaryFileTest, FailuresSayWhy) {
  char name[64];
  int fd = -1;
  EXPECT_EQ(BeadsCreateTemporaryBeside("/no/such/directory/out", ".tmp", name, sizeof name, &fd),
            BEADS_ERR_FILE);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(fd, -1);
  const std::string long_path(60, 'a');
  EXPECT_EQ(BeadsCreateTemporaryBeside(long_path.c_str(), ".tmp", name, sizeof name, &fd),
            BEADS_ERR_ARGUMENT);
  EXPECT_EQ(errno, ENAMETOOLONG);
}

}  // namespace
