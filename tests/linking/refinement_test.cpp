// Refinement of missed frames on rendered frames: a bead too dim for
// detection in some frames is refitted there and keeps a whole track, a
// bead that is really gone stays gone, and the significance test accepts
// background alone about as rarely as its alpha says.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "linking.h"
#include "significance.h"
#include "synthetic_series.h"

namespace {

using linking_test::Judge;
using linking_test::LoadScene;
using linking_test::MakeScene;
using linking_test::RenderFrame;
using linking_test::Scene;
using linking_test::SceneOptions;
using linking_test::Verdict;

constexpr double kSigma = 1.3;  // PSF sigma of the rendered frames, pixels

// Rendered frames of a scene, served as patches.
struct Frames {
  int nx = 0;
  std::vector<std::vector<float>> pixels;  // [frame] row-major photons
  int reads = 0;                           // patches served
  int fail_from_frame = -1;                // frames from here on cannot be read

  static int Read(void* context, int frame, int x0, int y0, int width, int height, float* out,
                  char* message, size_t size) {
    auto* self = static_cast<Frames*>(context);
    if (self->fail_from_frame >= 0 && frame >= self->fail_from_frame) {
      std::snprintf(message, size, "frame %d is unreadable", frame);
      return 1;
    }
    ++self->reads;
    for (int j = 0; j < height; ++j)
      std::memcpy(out + j * width, self->pixels[frame].data() + (y0 + j) * self->nx + x0,
                  sizeof(float) * width);
    return 0;
  }
};

struct Hidden {
  int bead, first, last;  // the bead gives no light in frames first..last
};

Frames Render(const Scene& scene, double photons, double background,
              const std::vector<Hidden>& hidden) {
  Frames f;
  f.nx = scene.options.nx;
  for (int t = 0; t < scene.options.frames; ++t) {
    std::vector<int> off;
    for (const Hidden& h : hidden)
      if (t >= h.first && t <= h.last) off.push_back(h.bead);
    f.pixels.push_back(RenderFrame(scene, t, photons, background, kSigma, off, 17));
  }
  return f;
}

struct Outcome {
  Verdict verdict;
  LinkingStatistics stats;
  std::vector<LinkingEvent> events;
  int rc = -1;
};

Outcome LinkAndRefine(const Scene& scene, Frames* frames) {
  Outcome out;
  LinkingSession* s = LoadScene(scene);
  EXPECT_NE(s, nullptr);
  LinkingParameters p;
  LinkingParametersDefault(&p);
  char message[256] = "";
  EXPECT_EQ(LinkingLinkTracks(s, &p, nullptr, message, sizeof message), LINKING_OK) << message;
  out.rc = LinkingRefineTracks(s, &p, Frames::Read, frames, nullptr, message, sizeof message);
  out.verdict = Judge(scene, s);
  LinkingGetStatistics(s, &out.stats);
  out.events.assign(LinkingEvents(s), LinkingEvents(s) + LinkingEventCount(s));
  LinkingSessionDestroy(s);
  return out;
}

TEST(RefinementTest, MissedFramesAreRefittedWhereTheBeadShines) {
  struct Case {
    const char* name;
    int bead, first, last;  // detections removed
    bool gone;              // the bead also gives no light in those frames
    size_t tracks;          // tracks the bead ends up in
    bool whole;             // the bead's track covers every frame
    int refitted;           // events added
  };
  const Case cases[] = {
      {"one frame missed inside", 2, 10, 10, false, 1, true, 1},
      {"first two frames missed", 3, 0, 1, false, 1, true, 2},
      {"last two frames missed", 5, 28, 29, false, 1, true, 2},
      {"five frames missed, beyond the window", 1, 10, 14, false, 1, true, 5},
      {"really gone for two frames", 2, 10, 11, true, 1, false, 0},
      {"really gone for six frames", 2, 10, 15, true, 2, false, 0},
      {"really gone at the end", 4, 25, 29, true, 1, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SceneOptions o;
    o.nx = o.ny = 80;
    o.fixed = 8;
    o.frames = 30;
    o.stage_jump_nm = 200;
    o.min_spacing_px = 12;
    o.seed = 21;
    Scene scene = MakeScene(o);
    ASSERT_EQ(scene.Drop(c.bead, c.first, c.last), c.last - c.first + 1);
    std::vector<Hidden> hidden;
    if (c.gone) hidden.push_back({c.bead, c.first, c.last});
    Frames frames = Render(scene, 2000, 10, hidden);
    const Outcome out = LinkAndRefine(scene, &frames);
    ASSERT_EQ(out.rc, LINKING_OK);
    EXPECT_EQ(out.verdict.wrong_links, 0);
    EXPECT_EQ(out.stats.refined_events, c.refitted);
    const std::set<int> tracks(out.verdict.tracks_of_bead[c.bead].begin(),
                               out.verdict.tracks_of_bead[c.bead].end());
    EXPECT_EQ(tracks.size(), c.tracks);
    EXPECT_EQ(tracks.count(0), 0u);
    EXPECT_EQ(out.verdict.whole_beads, o.fixed - (c.whole ? 0 : 1));
    // Refitted events sit where the bead is, in the bead's track.
    for (size_t e = scene.events.size(); e < out.events.size(); ++e) {
      const LinkingEvent& ev = out.events[e];
      EXPECT_NEAR(ev.x, scene.bead_x[c.bead][ev.frame], 0.1) << "frame " << ev.frame;
      EXPECT_NEAR(ev.y, scene.bead_y[c.bead][ev.frame], 0.1) << "frame " << ev.frame;
      EXPECT_EQ(tracks.count(ev.track), 1u);
      EXPECT_GT(ev.photons, 1500);
      EXPECT_GT(ev.x_precision, 0);
    }
  }
}

// Many beads each missing their middle frame: with the bead there, nearly
// every fit is significant; with only background there, about alpha of the
// fits are, as the chi-square test promises.
TEST(RefinementTest, SignificanceTestAcceptsBackgroundAboutAsOftenAsAlpha) {
  struct Case {
    bool bead_present;
    double photons;
    int min_accepted, max_accepted;  // of 4 x 80 fits
  };
  const Case cases[] = {{false, 1000, 0, 4}, {true, 1000, 316, 320}, {true, 250, 280, 320}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.bead_present ? "bead of " : "no bead, neighbours of ")
                                    << c.photons << " photons");
    int accepted = 0, tried = 0;
    for (uint64_t seed = 1; seed <= 4; ++seed) {
      SceneOptions o;
      o.nx = o.ny = 240;
      o.fixed = 80;
      o.frames = 3;
      o.min_spacing_px = 18;
      o.seed = seed;
      Scene scene = MakeScene(o);
      ASSERT_EQ(scene.beads(), 80);
      for (int b = 0; b < 80; ++b) scene.Drop(b, 1, 1);
      std::vector<Hidden> hidden;
      if (!c.bead_present)
        for (int b = 0; b < 80; ++b) hidden.push_back({b, 1, 1});
      Frames frames = Render(scene, c.photons, 20, hidden);
      const Outcome out = LinkAndRefine(scene, &frames);
      ASSERT_EQ(out.rc, LINKING_OK);
      accepted += static_cast<int>(out.stats.refined_events);
      tried += static_cast<int>(out.stats.fits_tried);
    }
    EXPECT_EQ(tried, 320);
    EXPECT_GE(accepted, c.min_accepted);
    EXPECT_LE(accepted, c.max_accepted);
  }
}

TEST(RefinementTest, UnreadablePixelsFailTheRefinement) {
  SceneOptions o;
  o.nx = o.ny = 80;
  o.fixed = 8;
  o.frames = 30;
  o.min_spacing_px = 12;
  Scene scene = MakeScene(o);
  scene.Drop(0, 20, 20);
  Frames frames = Render(scene, 2000, 10, {});
  frames.fail_from_frame = 15;
  LinkingSession* s = LoadScene(scene);
  ASSERT_NE(s, nullptr);
  LinkingParameters p;
  LinkingParametersDefault(&p);
  char message[256] = "";
  ASSERT_EQ(LinkingLinkTracks(s, &p, nullptr, message, sizeof message), LINKING_OK);
  EXPECT_EQ(LinkingRefineTracks(s, &p, Frames::Read, &frames, nullptr, message, sizeof message),
            LINKING_ERR_PIXELS);
  EXPECT_STREQ(message, "frame 20 is unreadable");
  LinkingSessionDestroy(s);
}

TEST(RefinementTest, ChiSquareQuantilesMatchTables) {
  struct Case {
    double alpha;
    int dof;
    double quantile;  // from statistical tables
  };
  const Case cases[] = {{0.05, 1, 3.841459}, {0.01, 2, 9.210340}, {0.001, 3, 16.266236},
                        {0.05, 4, 9.487729}, {0.001, 5, 20.515006}, {0.5, 3, 2.365974}};
  for (const Case& c : cases) {
    EXPECT_NEAR(linking::ChiSquareUpperQuantile(c.alpha, c.dof), c.quantile, 1e-5)
        << "alpha " << c.alpha << " dof " << c.dof;
    EXPECT_NEAR(linking::ChiSquareSurvival(c.quantile, c.dof), c.alpha, 1e-6);
  }
}

}  // namespace
