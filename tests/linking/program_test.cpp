// ORBILocalizationRefinement run for real: on beadsim series localized by
// ORBILocalization with some detections taken away, read back through the
// application's readers and judged against the simulator's truth; and its
// exit statuses provoked by bad input, an unwritable output and signals.
#include <gtest/gtest.h>

#include <analysis.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "series_files.h"
#include "test_support.h"

namespace {

using beads_test::ProgramPath;
using tremoscan::testing::FileExists;
using tremoscan::testing::ProcessResult;
using tremoscan::testing::ReadFile;
using tremoscan::testing::RunProcess;
using tremoscan::testing::ScopedTempDir;
using tremoscan::testing::WriteFile;

std::vector<std::string> RefinementArgs(const std::string& input, const std::string& output) {
  return tremoscan::testing::TrackerArguments(ProgramPath("ORBILocalizationRefinement"), input,
                                              output);
}

int Lines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

// A simulated, localized series in a scratch directory.
struct Series {
  ScopedTempDir dir;
  std::string image, truth, localizations;
  beads_test::Truth truth_data;

  void Make(const std::vector<std::string>& beadsim_options) {
    image = dir.file("series.img");
    truth = dir.file("truth.txt");
    localizations = dir.file("loc.txt");
    std::vector<std::string> args{ProgramPath("beadsim")};
    args.insert(args.end(), beadsim_options.begin(), beadsim_options.end());
    args.insert(args.end(), {image, truth});
    const ProcessResult sim = RunProcess(args);
    ASSERT_EQ(sim.exit_code, 0) << sim.err;
    const ProcessResult loc = RunProcess(tremoscan::testing::LocalizerArguments(
        ProgramPath("ORBILocalization"), image, localizations, ""));
    ASSERT_EQ(loc.exit_code, 0) << loc.err;
    truth_data = beads_test::ReadTruth(truth);
  }

  // The truth bead nearest to (x, y) in a frame, within a pixel; -1 if none.
  int BeadAt(int frame, double x, double y) const {
    int best = -1;
    double best_d = 1.0;
    for (const beads_test::TruthBead& b : truth_data.beads) {
      if (b.frame != frame) continue;
      const double d = std::hypot(b.x - x, b.y - y);
      if (d < best_d) {
        best_d = d;
        best = b.bead;
      }
    }
    return best;
  }

  // Rewrites the localization file without the events of the given beads
  // in the given frames; returns how many were removed.
  int RemoveDetections(const std::map<int, std::set<int>>& frames_of_bead) {
    std::istringstream in(ReadFile(localizations));
    std::string out, line;
    int removed = 0;
    while (std::getline(in, line)) {
      if (line[0] != '#') {
        std::istringstream f(line);
        int frame;
        double photons, y, yp, x;
        f >> frame >> photons >> y >> yp >> x;
        const auto it = frames_of_bead.find(BeadAt(frame, x, y));
        if (it != frames_of_bead.end() && it->second.count(frame)) {
          ++removed;
          continue;
        }
      }
      out += line + "\n";
    }
    WriteFile(localizations, out);
    return removed;
  }
};

TEST(RefinementProgramTest, LinksAndRefitsASimulatedSeries) {
  Series s;
  // 500 nm stage jumps between frames (a 50 Hz sinusoid sampled at 100 Hz
  // at its peaks), one loose bead.
  ASSERT_NO_FATAL_FAILURE(s.Make({"--size", "96x96", "--frames", "40", "--beads", "18", "--loose",
                                  "1", "--vibration", "50,250,250,1.5708", "--seed", "3"}));
  // Detections taken away: one frame inside, the first frame, and five
  // frames in a row (beyond the time window).
  const int removed = s.RemoveDetections({{2, {10}}, {5, {0}}, {7, {20, 21, 22, 23, 24}}});
  ASSERT_EQ(removed, 7);
  const std::string tracks = s.dir.file("tracks.txt");
  const ProcessResult run = RunProcess(RefinementArgs(s.localizations, tracks));
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("7 events refitted"), std::string::npos) << run.out;

  int x0, y0, width, height, t0, t1, dt, n_events, n_tracks;
  double psx, psy;
  ASSERT_EQ(ReadTrackHeader(tracks.c_str(), &x0, &y0, &width, &height, &t0, &t1, &dt, &psx, &psy,
                            &n_events, &n_tracks),
            1);
  EXPECT_EQ(width, 96);
  EXPECT_EQ(t1, 39);
  int count = 0;
  TrackEvent* events = nullptr;
  ASSERT_EQ(ReadTrackEvents(tracks.c_str(), &count, &events), 0);
  EXPECT_EQ(count, n_events);
  std::map<int, std::set<int>> beads_of_track, frames_of_track, tracks_of_bead;
  for (int k = 0; k < count; ++k) {
    const TrackEvent& e = events[k];
    // Back from nanometres to the truth's pixels.
    const int bead = s.BeadAt(e.frame, e.x / (1000 * psx), e.y / (1000 * psy));
    if (e.trackNumber > 0) {
      beads_of_track[e.trackNumber].insert(bead);
      frames_of_track[e.trackNumber].insert(e.frame);
    }
    if (bead >= 0) tracks_of_bead[bead].insert(e.trackNumber);
  }
  std::free(events);
  for (const auto& [track, beads] : beads_of_track)
    EXPECT_EQ(beads.size(), 1u) << "track " << track << " joins beads";
  // Every fixed bead (0 .. 17) in one track that covers every frame, and
  // those tracks numbered first.
  for (int bead = 0; bead < 18; ++bead) {
    ASSERT_EQ(tracks_of_bead[bead].size(), 1u) << "bead " << bead;
    const int track = *tracks_of_bead[bead].begin();
    EXPECT_GE(track, 1);
    EXPECT_LE(track, 18);
    EXPECT_EQ(frames_of_track[track].size(), 40u) << "bead " << bead;
  }
}

TEST(RefinementProgramTest, ExitStatusesForBadInputAndOutput) {
  ScopedTempDir dir;
  const std::string good =
      "# IMAGE /nonexistent/series.img\n# N_PIXELS_X 64\n# N_PIXELS_Y 64\n"
      "# REGION_T_START 0\n# REGION_T_END 2\n# REGION_T_INCREMENT 1\n"
      "# PIXEL_SIZE_X 0.100000\n# PIXEL_SIZE_Y 0.100000\n# UNITS pixels\n"
      "## frame photons y y_precision x x_precision background psf_sigma track fit_quality\n"
      "0 1000.0 10.0 0.03 10.0 0.03 20.0 1.3 0 1.0\n"
      "1 1000.0 10.1 0.03 10.0 0.03 20.0 1.3 0 1.0\n"
      "2 1000.0 10.0 0.03 10.1 0.03 20.0 1.3 0 1.0\n";
  WriteFile(dir.file("good.txt"), good);
  WriteFile(dir.file("bad.txt"), good + "3 1000.0 ten 0.03 10.0 0.03 20.0 1.3 0 1.0\n");
  struct Case {
    const char* name;
    std::vector<std::string> args;  // after the program path
    int status;
    const char* stderr_part;
    std::string output;             // must not exist afterwards ("" for none)
  };
  const std::string out = dir.file("out.txt");
  const Case cases[] = {
      {"missing input", {dir.file("none.txt"), out}, 1, "cannot open", out},
      {"malformed line", {dir.file("bad.txt"), out}, 1, "line 14: field 3 is not a number", out},
      {"frame beyond the range",
       {dir.file("bad.txt"), out, "-timeWindow", "0"}, 1, "line 14:", out},
      {"unwritable output", {dir.file("good.txt"), dir.file("no/dir/out.txt")}, 1,
       "cannot create", dir.file("no/dir/out.txt")},
      {"bad time window", {dir.file("good.txt"), out, "-timeWindow", "x"}, 1,
       "invalid value for -timeWindow", out},
      {"gap penalty below 1", {dir.file("good.txt"), out, "-gapPenalty", "0.5"}, 1,
       "invalid value for -gapPenalty", out},
      {"negative radius", {dir.file("good.txt"), out, "-searchRadius", "-5"}, 1,
       "invalid value for -searchRadius", out},
      {"no output named", {dir.file("good.txt")}, 1, "expected a localization file and a track file",
       out},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> argv{ProgramPath("ORBILocalizationRefinement")};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const ProcessResult r = RunProcess(argv);
    EXPECT_EQ(r.exit_code, c.status);
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_EQ(r.err.rfind("ORBILocalizationRefinement: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.stderr_part), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(c.output));
  }
  // A failed run leaves an existing track file as it was.
  WriteFile(out, "previous\n");
  EXPECT_EQ(RunProcess({ProgramPath("ORBILocalizationRefinement"), dir.file("bad.txt"), out})
                .exit_code,
            1);
  EXPECT_EQ(ReadFile(out), "previous\n");
  // An image that cannot be opened is only a warning: the tracks are written.
  const ProcessResult r = RunProcess(RefinementArgs(dir.file("good.txt"), out));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.err.find("warning: cannot open image /nonexistent/series.img"), std::string::npos)
      << r.err;
  EXPECT_NE(ReadFile(out).find("# N_TRACKS 1\n"), std::string::npos);
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos);
}

TEST(RefinementProgramTest, SignalsEndTheRunWithStatusTwo) {
  for (int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(strsignal(sig));
    ScopedTempDir dir;
    const std::string fifo = dir.file("loc.fifo"), out = dir.file("out.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> args = RefinementArgs(fifo, out);
    tremoscan::testing::ChildProcess child(args);
    ASSERT_GT(child.pid(), 0);
    // Opening the write end waits for the program to open the read end, so
    // its signal handlers are in place; it then waits for more input.
    const int writer = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    const char partial[] = "# ORBILocalization bead localizations\n# PIXEL_SIZE_X 0.1";
    ASSERT_EQ(write(writer, partial, sizeof partial - 1), static_cast<ssize_t>(sizeof partial - 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(child.Signal(sig));
    ASSERT_TRUE(child.WaitForExit(60));
    close(writer);
    ASSERT_EQ(child.term_signal(), 0) << "ended by signal " << child.term_signal();
    EXPECT_EQ(child.exit_code(), 2);
    const std::string text = child.StandardError();
    EXPECT_EQ(Lines(text), 1) << text;
    EXPECT_NE(text.find("ORBILocalizationRefinement: interrupted"), std::string::npos) << text;
    EXPECT_FALSE(FileExists(out));
  }
}

}  // namespace
