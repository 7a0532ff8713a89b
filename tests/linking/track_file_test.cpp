// The track file as the application reads it: written by the linking
// library, read back through the application's own readers (header keys,
// events in nanometres, track numbers), measured by its vibration estimate,
// and never left half written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <analysis.h>
#include <wmlib.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "linking.h"
#include "synthetic_series.h"
#include "test_support.h"

namespace {

using linking_test::LoadScene;
using linking_test::MakeScene;
using linking_test::Scene;
using linking_test::SceneOptions;
using tremoscan::testing::ReadFile;
using tremoscan::testing::ScopedTempDir;
using tremoscan::testing::WriteFile;

int CaptureDialog(int, const char* text, void* client_data) {
  static_cast<std::vector<std::string>*>(client_data)->push_back(text);
  return 0;
}

class TrackFileTest : public ::testing::Test {
 protected:
  void SetUp() override { WMSetMessageHandler(CaptureDialog, &dialogs_); }
  void TearDown() override {
    WMSetMessageHandler(nullptr, nullptr);
    EXPECT_TRUE(dialogs_.empty()) << dialogs_.front();
  }

  // Links the scene and writes its track file; returns the session.
  LinkingSession* LinkAndWrite(const Scene& scene, const std::string& image,
                               const std::string& path) {
    LinkingSession* s = nullptr;
    EXPECT_EQ(LinkingSessionCreate(&s), LINKING_OK);
    char message[256] = "";
    EXPECT_EQ(LinkingSetLocalizations(s, &scene.series, image.c_str(), scene.events.data(),
                                      static_cast<long>(scene.events.size()), message,
                                      sizeof message),
              LINKING_OK)
        << message;
    LinkingParametersDefault(&parameters_);
    EXPECT_EQ(LinkingLinkTracks(s, &parameters_, nullptr, message, sizeof message), LINKING_OK);
    EXPECT_EQ(LinkingWriteTrackFile(s, &parameters_, path.c_str(), nullptr, message,
                                    sizeof message),
              LINKING_OK)
        << message;
    return s;
  }

  // A default scene loaded and linked with the default parameters, not
  // written yet; null when linking fails.
  LinkingSession* LinkedDefaultScene() {
    LinkingSession* s = LoadScene(MakeScene(SceneOptions{}));
    if (!s) return nullptr;
    LinkingParametersDefault(&parameters_);
    char message[256] = "";
    if (LinkingLinkTracks(s, &parameters_, nullptr, message, sizeof message) != LINKING_OK) {
      ADD_FAILURE() << message;
      LinkingSessionDestroy(s);
      return nullptr;
    }
    return s;
  }

  std::vector<std::string> dialogs_;
  LinkingParameters parameters_{};
  ScopedTempDir dir_;
};

const char* const kReaderKeys[] = {"N_PIXELS_X",     "N_PIXELS_Y",     "REGION_X_START",
                                   "REGION_X_END",   "REGION_Y_START", "REGION_Y_END",
                                   "REGION_T_START", "REGION_T_END",   "REGION_T_INCREMENT",
                                   "PIXEL_SIZE_X",   "PIXEL_SIZE_Y",   "N_EVENTS",
                                   "N_TRACKS",       "UNITS"};

TEST_F(TrackFileTest, ReadsBackThroughTheApplicationReaders) {
  SceneOptions o;
  o.fixed = 20;
  o.loose = 2;  // unlinked events too
  o.frames = 40;
  o.stage_jump_nm = 300;
  Scene scene = MakeScene(o);
  scene.series.pixel_size_y = 0.12;  // different axes catch swapped scales
  scene.Drop(3, 5, 5);               // a gap, so that a track is not whole
  // A path that holds reader keys and is longer than one line piece.
  const std::string image = "/data/UNITS nm/N_TRACKS 7/" + std::string(190, 'p') + "/beads_1.img";
  const std::string path = dir_.file("tracks.txt");
  LinkingSession* s = LinkAndWrite(scene, image, path);
  LinkingStatistics st;
  LinkingGetStatistics(s, &st);
  ASSERT_GT(st.tracks, 0);

  int x0 = -1, y0 = -1, width = -1, height = -1, t0 = -1, t1 = -1, dt = -1, n_events = -1,
      n_tracks = -1;
  double psx = -1, psy = -1;
  ASSERT_EQ(ReadTrackHeader(path.c_str(), &x0, &y0, &width, &height, &t0, &t1, &dt, &psx, &psy,
                            &n_events, &n_tracks),
            1);
  EXPECT_EQ(x0, 0);
  EXPECT_EQ(y0, 0);
  EXPECT_EQ(width, o.nx);
  EXPECT_EQ(height, o.ny);
  EXPECT_EQ(t0, 0);
  EXPECT_EQ(t1, o.frames - 1);
  EXPECT_EQ(dt, 1);
  EXPECT_EQ(psx, 0.1);
  EXPECT_EQ(psy, 0.12);
  EXPECT_EQ(n_events, LinkingEventCount(s));
  EXPECT_EQ(n_tracks, st.tracks);

  int count = 0;
  TrackEvent* events = nullptr;
  ASSERT_EQ(ReadTrackEvents(path.c_str(), &count, &events), 0);
  ASSERT_EQ(count, LinkingEventCount(s));
  // The file's order: by frame, then track number, events in no track last.
  const LinkingEvent* ev = LinkingEvents(s);
  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const int ta = ev[a].track > 0 ? ev[a].track : INT_MAX;
    const int tb = ev[b].track > 0 ? ev[b].track : INT_MAX;
    return ev[a].frame != ev[b].frame ? ev[a].frame < ev[b].frame : ta < tb;
  });
  const double kx = 100.0, ky = 120.0;  // nm per pixel
  for (int k = 0; k < count; ++k) {
    const LinkingEvent& e = ev[order[k]];
    const TrackEvent& r = events[k];
    SCOPED_TRACE(testing::Message() << "event line " << k);
    ASSERT_EQ(r.frame, e.frame);
    ASSERT_EQ(r.trackNumber, e.track);
    // Written with 4 decimals of a pixel, then scaled by the reader.
    EXPECT_NEAR(r.x, e.x * kx, 0.5e-4 * kx + 1e-9);
    EXPECT_NEAR(r.y, e.y * ky, 0.5e-4 * ky + 1e-9);
    EXPECT_NEAR(r.xColumn6, e.x_precision * kx, 0.5e-4 * kx + 1e-6);
    EXPECT_NEAR(r.yColumn4, e.y_precision * ky, 0.5e-4 * ky + 1e-6);
    EXPECT_NEAR(r.value2, e.photons, 0.05 + 1e-3);
    EXPECT_NEAR(r.value8, e.psf_sigma, 0.5e-4 + 1e-6);
    EXPECT_NEAR(r.extra, e.quality, 0.5e-4 + 1e-6);
  }
  std::free(events);

  // Every header line holds at most one reader key, no line is longer than
  // one piece of the reader, and every event line has 10 fields.
  std::istringstream text(ReadFile(path));
  std::string line;
  int header_keys = 0;
  while (std::getline(text, line)) {
    EXPECT_LT(line.size() + 1, 200u) << line.substr(0, 60);
    if (line[0] == '#') {
      if (line.rfind("##", 0) == 0) continue;
      int found = 0;
      for (const char* key : kReaderKeys) found += line.find(key) != std::string::npos;
      EXPECT_LE(found, 1) << line;
      header_keys += found;
    } else {
      std::istringstream fields(line);
      std::string field;
      int n = 0;
      while (fields >> field) ++n;
      EXPECT_EQ(n, 10) << line;
    }
  }
  EXPECT_EQ(header_keys, 14);
  LinkingSessionDestroy(s);
}

TEST_F(TrackFileTest, SeriesWithoutEventsGiveAnEmptyTrackFile) {
  // A localization run may find nothing; linking nothing must still give a
  // well-formed file (and not trip over a series of no frames).
  struct Case {
    int t_start, t_end;  // time range, or -1 for none
    int expected_t_end;  // as the header reader reports it, or -1 when absent
  };
  for (const Case& c : {Case{0, 9, 9}, Case{-1, -1, -1}}) {
    SCOPED_TRACE(testing::Message() << "time range " << c.t_start << ".." << c.t_end);
    LinkingSeries series{};
    series.nx = series.ny = -1;
    series.x_start = series.x_end = series.y_start = series.y_end = -1;
    series.t_start = c.t_start;
    series.t_end = c.t_end;
    series.pixel_size_x = series.pixel_size_y = 0.1;
    LinkingSession* s = nullptr;
    ASSERT_EQ(LinkingSessionCreate(&s), LINKING_OK);
    char message[256] = "";
    ASSERT_EQ(LinkingSetLocalizations(s, &series, nullptr, nullptr, 0, message, sizeof message),
              LINKING_OK)
        << message;
    LinkingParametersDefault(&parameters_);
    ASSERT_EQ(LinkingLinkTracks(s, &parameters_, nullptr, message, sizeof message), LINKING_OK);
    const std::string path = dir_.file("empty.txt");
    ASSERT_EQ(LinkingWriteTrackFile(s, &parameters_, path.c_str(), nullptr, message, sizeof message),
              LINKING_OK);
    int t0 = -1, t1 = -1, dt = -1, n_events = -1, n_tracks = -1;
    ReadTrackHeader(path.c_str(), nullptr, nullptr, nullptr, nullptr, &t0, &t1, &dt, nullptr,
                    nullptr, &n_events, &n_tracks);
    EXPECT_EQ(t1, c.expected_t_end);
    EXPECT_EQ(n_events, 0);
    EXPECT_EQ(n_tracks, 0);
    int count = -1;
    TrackEvent* events = nullptr;
    EXPECT_EQ(ReadTrackEvents(path.c_str(), &count, &events), 1);
    EXPECT_EQ(count, 0);
    LinkingSessionDestroy(s);
  }
}

TEST_F(TrackFileTest, FailedWritesLeaveNothingBehind) {
  LinkingSession* s = LinkedDefaultScene();
  ASSERT_NE(s, nullptr);
  const LinkingParameters& p = parameters_;
  char message[256] = "";
  struct Case {
    const char* name;
    std::string path;
    bool stop;
    int status;
  };
  const std::string existing = dir_.file("existing.txt");
  const Case cases[] = {{"directory missing", dir_.file("no/such/dir/t.txt"), false, LINKING_ERR_WRITE},
                        {"interrupted", existing, true, LINKING_ERR_CANCELED}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(existing, "old contents\n");
    volatile sig_atomic_t stop = c.stop ? 1 : 0;
    message[0] = '\0';
    EXPECT_EQ(LinkingWriteTrackFile(s, &p, c.path.c_str(), &stop, message, sizeof message),
              c.status);
    EXPECT_NE(message[0], '\0');
    EXPECT_EQ(ReadFile(existing), "old contents\n");
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
      EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos);
  }
  LinkingSessionDestroy(s);
}

TEST_F(TrackFileTest, LinkPlantedAtAPredictableTemporaryNameIsNotFollowed) {
  LinkingSession* s = LinkedDefaultScene();
  ASSERT_NE(s, nullptr);
  const LinkingParameters& p = parameters_;
  char message[256] = "";
  const std::string output = dir_.file("tracks.txt"), victim = dir_.file("victim.txt");
  WriteFile(victim, "not yours\n");
  std::filesystem::create_symlink(victim, output + ".partial" + std::to_string(getpid()));
  volatile sig_atomic_t stop = 0;
  ASSERT_EQ(LinkingWriteTrackFile(s, &p, output.c_str(), &stop, message, sizeof message),
            LINKING_OK)
      << message;
  EXPECT_EQ(ReadFile(victim), "not yours\n");
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(output)));
  LinkingSessionDestroy(s);
}

}  // namespace
