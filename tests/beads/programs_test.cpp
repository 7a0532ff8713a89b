// The two bead programs run for real: beadsim's series localized by
// ORBILocalization against the truth, and ORBILocalization's command-line
// contract (exit statuses, status file, no partial output).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "imlib.h"
#include "series_files.h"
#include "test_support.h"

namespace {

using beads_test::ProgramPath;
using tremoscan::testing::FileExists;
using tremoscan::testing::ProcessResult;
using tremoscan::testing::ReadFile;
using tremoscan::testing::RunProcess;
using tremoscan::testing::ScopedEnv;
using tremoscan::testing::ScopedTempDir;
using tremoscan::testing::WriteFile;

std::vector<std::string> LocalizeArgs(const std::string& input, const std::string& output,
                                      const std::string& status, const std::string& factor,
                                      const std::string& threads = "2") {
  return tremoscan::testing::LocalizerArguments(ProgramPath("ORBILocalization"), input, output,
                                                status, factor, "1.00000", threads);
}

ProcessResult Beadsim(std::vector<std::string> args) {
  args.insert(args.begin(), ProgramPath("beadsim"));
  return RunProcess(args);
}

// Last non-empty line of a text.
std::string LastLine(const std::string& text) {
  std::string t = text;
  while (!t.empty() && t.back() == '\n') t.pop_back();
  const size_t nl = t.rfind('\n');
  return nl == std::string::npos ? t : t.substr(nl + 1);
}

bool AnyFileStartingWith(const std::string& dir, const std::string& prefix) {
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().filename().string().rfind(prefix, 0) == 0) return true;
  return false;
}

// Writes an image header through the image library (pixels absent).
void WriteHeaderOnly(const std::string& path, int nx, int ny, int nt) {
  int stream = 0;
  ASSERT_EQ(IMOpen2(&stream, path.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(stream, nx, ny, 1, 1, nt, 1, IM_ZWTP, IM_USHORT), 0);
  ASSERT_EQ(IMWrHdr2(stream, 1), 0);
  IMClose(stream);
}

class BeadPrograms : public ::testing::Test {
 protected:
  std::string Simulate(const std::string& name, std::vector<std::string> options) {
    const std::string image = dir_.file(name + ".img");
    options.push_back(image);
    options.push_back(dir_.file(name + ".truth"));
    const ProcessResult r = Beadsim(options);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return image;
  }
  ScopedTempDir dir_;
};

TEST_F(BeadPrograms, ExitStatusesOfTheLocalizationProgram) {
  const std::string good = Simulate("good", {"--size", "48x48", "--frames", "4", "--beads", "3"});
  const std::string good_bytes = ReadFile(good);
  // Truncated: the header and half of the pixels.
  const std::string truncated = dir_.file("truncated.img");
  WriteFile(truncated, good_bytes.substr(0, good_bytes.size() / 2));
  const std::string garbage = dir_.file("garbage.img");
  WriteFile(garbage, std::string(4096, 'x'));
  const std::string tiny = Simulate("tiny", {"--size", "3x3", "--frames", "3", "--beads", "0"});
  const std::string empty_series =
      Simulate("empty", {"--size", "64x64", "--frames", "5", "--beads", "0"});
  // A header claiming frames of 200000 x 200000 pixels: no frame buffer fits.
  const std::string huge = dir_.file("huge.img");
  WriteHeaderOnly(huge, 200000, 200000, 2);
  const std::string status = dir_.file("status.txt");
  const std::string out = dir_.file("out.txt");

  struct Case {
    const char* what;
    std::vector<std::string> args;
    int status;
    const char* reason;  // expected in the last line of standard error
  };
  auto args = [&](const std::string& input, const std::string& output) {
    return LocalizeArgs(input, output, status, "0.50000");
  };
  auto with = [&](std::vector<std::string> a, size_t index, const std::string& value) {
    a[index] = value;
    return a;
  };
  std::vector<std::string> no_output = args(good, out);
  no_output.erase(no_output.begin() + 2);
  std::vector<std::string> dangling = args(good, out);
  dangling.pop_back();
  const Case cases[] = {
      {"missing output argument", no_output, 3, "expected an input image and an output file"},
      {"option without value", dangling, 3, "-numThreads needs a value"},
      {"sigma not a number", with(args(good, out), 8, "wide"), 3, "-psfSigma"},
      {"zero threads", with(args(good, out), 18, "0"), 3, "-numThreads"},
      {"alpha above one half", with(args(good, out), 16, "0.9"), 3, "-alphaLocalMax"},
      {"negative conversion", with(args(good, out), 10, "-1"), 3, "-photonConversionFactor"},
      {"input missing", args(dir_.file("absent.img"), out), 8, "cannot open input image"},
      {"input not an image", args(garbage, out), 8, "not an image file"},
      {"input truncated", args(truncated, out), 9, "cannot read time point"},
      {"image of 3x3 pixels", args(tiny, out), 7, "smaller than one fit region"},
      {"output directory missing", args(good, dir_.file("no/such/dir/out.txt")), 10,
       "cannot open output file"},
      {"background only", args(empty_series, out), 11, "too few events"},
      {"frames too large for memory", args(huge, out), 5, "out of memory"},
  };
  // Out-of-memory must reach the program as a failed allocation, also
  // under the address sanitizer.
  ScopedEnv asan("ASAN_OPTIONS", "detect_leaks=0:allocator_may_return_null=1");
  for (const Case& c : cases) {
    std::remove(out.c_str());
    const ProcessResult r = RunProcess(c.args);
    EXPECT_EQ(r.exit_code, c.status) << c.what << "\n" << r.err;
    const std::string last = LastLine(r.err);
    EXPECT_EQ(last.rfind("ORBILocalization: ", 0), 0u) << c.what << ": " << r.err;
    EXPECT_NE(last.find(c.reason), std::string::npos) << c.what << ": " << last;
    // No partial output is ever left; only too-few-events under -dnmf
    // keeps the (complete) file.
    EXPECT_EQ(FileExists(out), c.status == 11) << c.what;
    EXPECT_FALSE(AnyFileStartingWith(dir_.path(), "out.txt.partial")) << c.what;
  }
}

TEST_F(BeadPrograms, WorkerThreadsThatCannotStartGiveStatus6) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
  // An address-space limit that leaves room for the program and its frames
  // but not for a thousand thread stacks: the system refuses threads.
  const std::string image = Simulate("small", {"--size", "64x64", "--frames", "4", "--beads", "3"});
  const std::string out = dir_.file("out.txt");
  std::string command = "ulimit -v 300000; exec";
  for (const std::string& a : LocalizeArgs(image, out, dir_.file("s"), "0.5", "1000"))
    command += " '" + a + "'";
  const ProcessResult r = RunProcess({"/bin/sh", "-c", command});
  EXPECT_EQ(r.exit_code, 6) << r.err;
  EXPECT_EQ(LastLine(r.err), "ORBILocalization: cannot start worker threads");
  EXPECT_FALSE(FileExists(out));
  EXPECT_FALSE(AnyFileStartingWith(dir_.path(), "out.txt.partial"));
#endif
}

TEST_F(BeadPrograms, TooFewEventsKeepsTheFileOnlyWithDnmf) {
  const std::string empty_series =
      Simulate("empty", {"--size", "64x64", "--frames", "5", "--beads", "0"});
  const std::string out = dir_.file("out.txt");
  std::vector<std::string> args = LocalizeArgs(empty_series, out, dir_.file("s"), "0.5");
  ProcessResult r = RunProcess(args);
  ASSERT_EQ(r.exit_code, 11) << r.err;
  const beads_test::LocalizationFile kept = beads_test::ReadLocalizations(out);
  EXPECT_TRUE(kept.has_column_line);
  std::remove(out.c_str());
  args.erase(std::find(args.begin(), args.end(), "-dnmf"));
  r = RunProcess(args);
  EXPECT_EQ(r.exit_code, 11);
  EXPECT_FALSE(FileExists(out));
}

TEST_F(BeadPrograms, SigtermStopsTheRunWithStatus2AndNoOutput) {
  const std::string image = Simulate(
      "long", {"--size", "128x128", "--frames", "1500", "--beads", "40", "--seed", "9"});
  const std::string out = dir_.file("out.txt"), status = dir_.file("status.txt");
  const std::vector<std::string> args = LocalizeArgs(image, out, status, "0.5", "1");
  tremoscan::testing::ChildProcess child(args);
  ASSERT_GT(child.pid(), 0);
  // Wait until the status file reports progress of at least 1 %.
  int progress = 0;
  std::string message;
  for (int wait = 0; wait < 2000 && progress < 1; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::string text = ReadFile(status);
    std::istringstream lines(text);
    std::string first;
    if (std::getline(lines, first) && std::getline(lines, message))
      progress = std::atoi(first.c_str());
  }
  ASSERT_GE(progress, 1) << "no progress reported";
  EXPECT_NE(message.find("Localizing frame"), std::string::npos) << message;
  ASSERT_TRUE(child.Signal(SIGTERM));
  ASSERT_TRUE(child.WaitForExit(60));
  EXPECT_EQ(child.exit_code(), 2);
  EXPECT_FALSE(FileExists(out));
  EXPECT_FALSE(AnyFileStartingWith(dir_.path(), "out.txt.partial"));
}

// Matches every truth bead of the given kinds to the nearest localization
// of its frame within a pixel.
struct MatchStats {
  int beads = 0, found = 0;
  double sum_x2 = 0, sum_y2 = 0, sum_photon_ratio = 0;  // errors over precision
};

MatchStats Match(const beads_test::Truth& truth, const beads_test::LocalizationFile& locs,
                 const std::vector<std::string>& kinds) {
  std::map<int, std::vector<const beads_test::Localization*>> by_frame;
  for (const auto& l : locs.events) by_frame[l.frame].push_back(&l);
  MatchStats m;
  for (const beads_test::TruthBead& b : truth.beads) {
    if (std::find(kinds.begin(), kinds.end(), b.kind) == kinds.end() || b.photons <= 0) continue;
    ++m.beads;
    const beads_test::Localization* best = nullptr;
    double best_d = 1.0;
    for (const auto* l : by_frame[b.frame]) {
      const double d = std::hypot(l->x - b.x, l->y - b.y);
      if (d < best_d) {
        best_d = d;
        best = l;
      }
    }
    if (!best) continue;
    ++m.found;
    m.sum_x2 += std::pow((best->x - b.x) / best->x_precision, 2);
    m.sum_y2 += std::pow((best->y - b.y) / best->y_precision, 2);
    m.sum_photon_ratio += best->photons / b.photons;
  }
  return m;
}

TEST_F(BeadPrograms, SimulatedSeriesIsLocalizedNearTheBound) {
  const std::string image =
      Simulate("series", {"--size", "128x128", "--frames", "30", "--beads", "30", "--edge", "2",
                          "--photons", "2000", "--background", "15", "--seed", "5"});
  const std::string out = dir_.file("out.txt");
  const ProcessResult r = RunProcess(LocalizeArgs(image, out, dir_.file("s"), "0.50000"));
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const beads_test::Truth truth = beads_test::ReadTruth(dir_.file("series.truth"));
  const beads_test::LocalizationFile locs = beads_test::ReadLocalizations(out);
  // The header carries the track file's keys and names the image.
  std::map<std::string, std::string> keys;
  for (const std::string& line : locs.header) {
    std::istringstream s(line);
    std::string hash, key, value;
    s >> hash >> key >> value;
    keys[key] = value;
  }
  EXPECT_EQ(keys["N_PIXELS_X"], "128");
  EXPECT_EQ(keys["REGION_T_END"], "29");
  EXPECT_EQ(std::stod(keys["PIXEL_SIZE_X"]), 0.1);
  EXPECT_EQ(std::stol(keys["N_EVENTS"]), static_cast<long>(locs.events.size()));
  EXPECT_EQ(keys["IMAGE"], image);
  const MatchStats m = Match(truth, locs, {"fixed", "edge"});
  ASSERT_GT(m.beads, 900);
  EXPECT_GE(m.found, 0.99 * m.beads) << m.found << " of " << m.beads;
  // Errors in units of the reported precision: about 1 for an efficient
  // fit; 1.5 is the regression limit.
  EXPECT_LT(std::sqrt(m.sum_x2 / m.found), 1.5);
  EXPECT_LT(std::sqrt(m.sum_y2 / m.found), 1.5);
  EXPECT_NEAR(m.sum_photon_ratio / m.found, 1.0, 0.1);
  // Status file: progress and message.
  EXPECT_EQ(ReadFile(dir_.file("s")),
            "100\nLocalization finished: " + std::to_string(locs.events.size()) + " events\n");
}

TEST_F(BeadPrograms, ThePsfWidthOfTheSeriesIsMeasuredAndHeld) {
  // The application always passes -psfSigma 1.3; the beads' real width is
  // measured from the series and every bead is fitted at it. Beads too few
  // and faint to measure it leave the width free per bead.
  struct Case {
    const char* name;
    std::vector<std::string> scene;
    double sigma;  // 0: not measurable
  } cases[] = {
      {"wide", {"--psf-sigma", "1.5"}, 1.5},
      {"narrow", {"--psf-sigma", "1.1"}, 1.1},
      {"faint", {"--beads", "4", "--photons", "500", "--background", "60"}, 0},
  };
  for (const Case& c : cases) {
    std::vector<std::string> scene = {"--size", "128x128", "--frames", "12", "--beads", "30",
                                      "--seed", "8"};
    scene.insert(scene.end(), c.scene.begin(), c.scene.end());
    const std::string image = Simulate(c.name, scene);
    const std::string out = dir_.file(std::string(c.name) + ".txt");
    const ProcessResult r = RunProcess(LocalizeArgs(image, out, dir_.file("s"), "0.50000"));
    ASSERT_EQ(r.exit_code, 0) << c.name << ": " << r.err;
    const beads_test::LocalizationFile locs = beads_test::ReadLocalizations(out);
    ASSERT_FALSE(locs.events.empty()) << c.name;
    double low = locs.events[0].sigma, high = low;
    for (const beads_test::Localization& l : locs.events) {
      low = std::min(low, l.sigma);
      high = std::max(high, l.sigma);
    }
    if (c.sigma > 0) {
      EXPECT_NE(r.out.find("ORBILocalization: PSF sigma "), std::string::npos) << r.out;
      EXPECT_EQ(low, high) << c.name << ": one width for every bead";
      EXPECT_NEAR(low, c.sigma, 0.015 * c.sigma) << c.name;
      const MatchStats m =
          Match(beads_test::ReadTruth(dir_.file(std::string(c.name) + ".truth")), locs, {"fixed"});
      EXPECT_GE(m.found, 0.99 * m.beads) << c.name;
      EXPECT_LT(std::sqrt(m.sum_x2 / m.found), 1.5) << c.name;
    } else {
      EXPECT_NE(r.out.find("PSF sigma not measurable"), std::string::npos) << r.out;
      EXPECT_LT(low, high) << c.name << ": widths fitted per bead";
    }
  }
}

TEST_F(BeadPrograms, ClosePairsAreBothFound) {
  const std::string image =
      Simulate("pairs", {"--size", "96x96", "--frames", "20", "--beads", "0", "--pairs", "6",
                         "--pair-distance", "2,2.5", "--photons", "4000", "--photon-spread", "0",
                         "--background", "10", "--seed", "12"});
  const std::string out = dir_.file("out.txt");
  const ProcessResult r = RunProcess(LocalizeArgs(image, out, dir_.file("s"), "0.50000"));
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const MatchStats m = Match(beads_test::ReadTruth(dir_.file("pairs.truth")),
                             beads_test::ReadLocalizations(out), {"pair"});
  ASSERT_EQ(m.beads, 240);
  EXPECT_GE(m.found, 0.95 * m.beads) << m.found << " of " << m.beads;
  EXPECT_LT(std::sqrt(m.sum_x2 / m.found), 1.5);
}

TEST_F(BeadPrograms, BeadsimIsDeterministicForASeed) {
  const std::vector<std::string> options = {"--size", "40x32", "--frames", "3", "--beads", "3",
                                            "--loose", "1", "--vanish", "1", "--jitter", "5",
                                            "--emccd"};
  auto run = [&](const std::string& name, const std::string& seed) {
    std::vector<std::string> o = options;
    o.insert(o.end(), {"--seed", seed});
    Simulate(name, o);
    return ReadFile(dir_.file(name + ".img")) + ReadFile(dir_.file(name + ".truth"));
  };
  const std::string first = run("a", "7"), again = run("b", "7"), other = run("c", "8");
  // The truth names its image, which differs; compare without that line.
  auto strip = [](std::string s, const std::string& name) {
    const size_t at = s.find(name);
    if (at != std::string::npos) s.erase(at, name.size());
    return s;
  };
  EXPECT_EQ(strip(first, dir_.file("a.img")), strip(again, dir_.file("b.img")));
  EXPECT_NE(strip(first, dir_.file("a.img")), strip(other, dir_.file("c.img")));
}

TEST_F(BeadPrograms, BeadsimRejectsInvalidArguments) {
  const std::string img = dir_.file("x.img"), truth = dir_.file("x.truth");
  const std::vector<std::vector<std::string>> cases = {
      {img},
      {"--size", "0x10", img, truth},
      {"--frames", "many", img, truth},
      {"--pixel-type", "complex", img, truth},
      {"--vibration", "10,5", img, truth},
      {"--gain", "0", img, truth},
      {"--teleport", "1", img, truth},
      {"--size", "20x20", "--beads", "500", img, truth},
  };
  for (const auto& c : cases) {
    const ProcessResult r = Beadsim(c);
    EXPECT_EQ(r.exit_code, 2) << c[0];
    EXPECT_EQ(r.err.rfind("beadsim: ", 0), 0u) << r.err;
    EXPECT_FALSE(FileExists(img)) << c[0];
  }
  const ProcessResult r = Beadsim({"--frames", "2", "--beads", "1", img, dir_.file("no/dir/t")});
  EXPECT_EQ(r.exit_code, 1);
}

}  // namespace
