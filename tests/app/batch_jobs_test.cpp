// tremoscan-batch as scripts and people use it, run for real on small
// simulated bead series with the suite's own analysis programs: runs at
// the same time, many images with a summary table, the exit statuses, the
// suite found without PA_BASE, --help, and the progress line on a terminal.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <dirent.h>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

using namespace tremoscan::testing;

namespace {

std::string BatchProgram() { return SuiteDir() + "/bin/x86_64/tremoscan-batch"; }

// The line of `out` that begins with `prefix` (empty when none does).
std::string LineStartingWith(const std::string& out, const std::string& prefix) {
  for (size_t at = 0; at < out.size();) {
    size_t end = out.find('\n', at);
    if (end == std::string::npos) end = out.size();
    if (out.compare(at, prefix.size(), prefix) == 0) return out.substr(at, end - at);
    at = end + 1;
  }
  return {};
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Everything a program writes to a terminal (a pseudo-terminal here).
std::string RunOnTerminal(const std::vector<std::string>& argv) {
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  std::string out;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n > 0) out.append(buffer, static_cast<size_t>(n));
    else if (n < 0 && errno == EINTR) continue;
    else break;  // EIO: the program closed the terminal
  }
  close(master);
  waitpid(pid, nullptr, 0);
  return out;
}

class BatchJobsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Two series of different motion, so that mixed-up files would show.
    Simulate(a_, "12.5,20,15", "3");
    Simulate(b_, "12.5,60,45", "4");
    solo_a_ = Run({a_});
    solo_b_ = Run({b_});
    ASSERT_EQ(solo_a_.exit_code, 0) << solo_a_.err;
    ASSERT_EQ(solo_b_.exit_code, 0) << solo_b_.err;
  }
  void Simulate(const std::string& image, const std::string& vibration, const std::string& seed) {
    ProcessResult sim = RunProcess({SuiteDir() + "/bin/x86_64/beadsim", "--size", "64x64", "--frames", "40",
                                    "--beads", "6", "--photons", "20000", "--background", "10", "--seed",
                                    seed, "--vibration", vibration, image, image + ".truth"});
    ASSERT_EQ(sim.exit_code, 0) << sim.err;
  }
  ProcessResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), BatchProgram());
    return RunProcess(args, {"TMPDIR=" + tmp_.path()});
  }
  // Nothing a run made is left in its temporary directory.
  bool TemporaryDirectoryEmpty() const {
    DIR* dir = opendir(tmp_.path().c_str());
    int entries = 0;
    while (struct dirent* e = readdir(dir)) entries += e->d_name[0] != '.';
    closedir(dir);
    return entries == 0;
  }

  ScopedTempDir work_, tmp_;
  std::string a_ = work_.file("a.img"), b_ = work_.file("b.img");
  ProcessResult solo_a_, solo_b_;
};

TEST_F(BatchJobsTest, RunsAtTheSameTimeKeepTheirFilesApart) {
  std::string script = "B=" + BatchProgram() + "; export TMPDIR=" + tmp_.path() + "; cd " + work_.path() +
                       "; $B a.img > a.out 2>&1 & $B b.img > b.out 2>&1; wait";
  ASSERT_EQ(RunProcess({"/bin/sh", "-c", script}).exit_code, 0);
  std::string a = ReadFile(work_.file("a.out")), b = ReadFile(work_.file("b.out"));
  for (const char* line : {"X vibration:", "Y vibration:", "kept tracks:"}) {
    EXPECT_EQ(LineStartingWith(a, line), LineStartingWith(solo_a_.out, line)) << a;
    EXPECT_EQ(LineStartingWith(b, line), LineStartingWith(solo_b_.out, line)) << b;
  }
  // Each run's intermediate files lie in a private folder of its own.
  std::string a_file = LineStartingWith(a, "Output File will be "), b_file = LineStartingWith(b, "Output File will be ");
  EXPECT_EQ(a_file.find("Output File will be " + tmp_.path() + "/tremoscan-batch."), 0u) << a_file;
  EXPECT_NE(a_file, b_file);
  EXPECT_TRUE(TemporaryDirectoryEmpty());
}

TEST_F(BatchJobsTest, ManyImagesRunTwoAtATimeAndEndWithATable) {
  std::string missing = work_.file("missing.img");
  struct Case {
    std::vector<std::string> images;
    int exit_code;
  } cases[] = {
      {{a_, b_}, 0},
      {{a_, missing, b_}, 1},
  };
  // The table row of an image measured alone before: its words after the name.
  auto row = [](const std::string& summary, const std::string& image, const std::string& solo) {
    std::istringstream words(LineStartingWith(summary, image + " ").substr(image.size()));
    std::string result, x, y, tracks, frames;
    words >> result >> x >> y >> tracks >> frames;
    return result + " " + x + " nm " + y + " nm " + tracks + " " + frames ==
           "ok " + LineStartingWith(solo, "X vibration: ").substr(13) + " " +
               LineStartingWith(solo, "Y vibration: ").substr(13) + " 6 40";
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.images;
    args.insert(args.end(), {"-j", "2"});
    ProcessResult r = Run(args);
    SCOPED_TRACE(r.out + r.err);
    EXPECT_EQ(r.exit_code, c.exit_code);
    for (const std::string& image : c.images) EXPECT_EQ(Count(r.out, "==> " + image + " <==\n"), 1);
    size_t table = r.out.find("\nimage ");
    ASSERT_NE(table, std::string::npos);
    std::string summary = r.out.substr(table + 1);
    EXPECT_TRUE(row(summary, a_, solo_a_.out));
    EXPECT_TRUE(row(summary, b_, solo_b_.out));
    EXPECT_EQ(Count(summary, "FAILED"), c.exit_code);
  }
  ProcessResult r = Run({a_, missing, "-j", "2"});
  EXPECT_NE(r.err.find("==> " + missing + " <==\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("warning: Invalid Input File:"), std::string::npos) << r.err;
  EXPECT_TRUE(TemporaryDirectoryEmpty());

  // No place for private folders: no image can run.
  r = RunProcess({BatchProgram(), a_, b_}, {"TMPDIR=" + work_.file("none")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(Count(r.out, "FAILED"), 2) << r.out;
  EXPECT_EQ(Count(r.err, "error: cannot make a private folder"), 2) << r.err;
}

TEST_F(BatchJobsTest, FindsItsSuiteWithoutPaBase) {
  std::string program = BatchProgram();  // found through PA_BASE
  ScopedEnv no_base("PA_BASE", nullptr);
  ProcessResult r = RunProcess({program, a_}, {"TMPDIR=" + tmp_.path()});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(LineStartingWith(r.out, "X vibration:"), LineStartingWith(solo_a_.out, "X vibration:"));
  EXPECT_EQ(r.err.find("Unable to find PA configuration file"), std::string::npos) << r.err;
}

TEST_F(BatchJobsTest, HelpListsEveryOptionAndWrongUsageExitsWithTwo) {
  ProcessResult help = Run({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  for (const char* text : {"--csv FILE", "--json FILE", "--frame-interval SECONDS", "-j N, --jobs N", "--verbose",
                           "--help", "Exit status:", "  0  ", "  1  ", "  2  "})
    EXPECT_NE(help.out.find(text), std::string::npos) << text;

  struct Case {
    std::vector<std::string> args;
    const char* in_stderr;
  } cases[] = {
      {{a_, "-j", "0"}, "-j needs a number of images from 1 to 64"},
      {{a_, b_, "--csv", work_.file("x.csv")}, "--csv and --json take one image"},
      {{a_, "--bogus"}, "Try 'tremoscan-batch --help'."},
  };
  for (const Case& c : cases) {
    ProcessResult r = Run(c.args);
    EXPECT_EQ(r.exit_code, 2) << c.in_stderr;
    EXPECT_NE(r.err.find(c.in_stderr), std::string::npos) << r.err;
  }
}

TEST_F(BatchJobsTest, OnATerminalProgressIsOneUpdatingLine) {
  std::string quiet = RunOnTerminal({BatchProgram(), a_});
  EXPECT_NE(quiet.find("\r" + a_ + ": Localizing frame"), std::string::npos) << quiet;
  EXPECT_NE(quiet.find(" %, about "), std::string::npos) << quiet;
  EXPECT_EQ(quiet.find("status: "), std::string::npos) << quiet;
  EXPECT_NE(quiet.find(": Tracking Analysis starting...\033[K"), std::string::npos) << quiet;  // no percentage
  EXPECT_EQ(LineStartingWith(quiet, "X vibration:"), LineStartingWith(solo_a_.out, "X vibration:") + "\r");

  std::string verbose = RunOnTerminal({BatchProgram(), a_, "--verbose"});
  EXPECT_NE(verbose.find("status: Tracking Analysis finished"), std::string::npos);
  EXPECT_EQ(verbose.find("\033[K"), std::string::npos);

  std::string many = RunOnTerminal({BatchProgram(), a_, b_});
  EXPECT_NE(many.find("\r1 of 2 images done, 1 running"), std::string::npos) << many;
}

}  // namespace
