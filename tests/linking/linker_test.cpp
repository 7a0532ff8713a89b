// Linking rules on synthetic series: crossing beads, gaps up to the time
// window and one frame beyond it, the gap penalty between competing joins,
// motion the estimate cannot trust, and the numbering of the tracks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <set>
#include <string>
#include <vector>

#include "beads.h"
#include "linking.h"
#include "synthetic_series.h"

namespace {

using linking_test::Judge;
using linking_test::LoadScene;
using linking_test::MakeScene;
using linking_test::Scene;
using linking_test::SceneOptions;
using linking_test::Verdict;

LinkingParameters Defaults() {
  LinkingParameters p;
  LinkingParametersDefault(&p);
  return p;
}

// Links the scene and returns the verdict (and the statistics).
Verdict LinkScene(const Scene& scene, const LinkingParameters& p, LinkingStatistics* st = nullptr,
                  std::vector<LinkingEvent>* events = nullptr) {
  LinkingSession* s = LoadScene(scene);
  EXPECT_NE(s, nullptr);
  if (!s) return {};
  char message[256] = "";
  EXPECT_EQ(LinkingLinkTracks(s, &p, nullptr, message, sizeof message), LINKING_OK) << message;
  Verdict v = Judge(scene, s);
  if (st) LinkingGetStatistics(s, st);
  if (events) events->assign(LinkingEvents(s), LinkingEvents(s) + LinkingEventCount(s));
  LinkingSessionDestroy(s);
  return v;
}

// Adds a bead with the given position relative to the field (pixels) in the
// listed frames, moving with the stage; returns its bead number.
int AddBead(Scene* scene, const std::vector<int>& frames, double x, double y, float precision_px) {
  const int b = scene->beads();
  const double nm = 1000.0 * scene->options.pixel_um;
  scene->bead_x.emplace_back(scene->options.frames, 0.0);
  scene->bead_y.emplace_back(scene->options.frames, 0.0);
  for (int t = 0; t < scene->options.frames; ++t) {
    scene->bead_x[b][t] = x + scene->stage_x[t] / nm;
    scene->bead_y[b][t] = y + scene->stage_y[t] / nm;
  }
  for (int t : frames) {
    LinkingEvent e{};
    e.frame = t;
    e.x = scene->bead_x[b][t];
    e.y = scene->bead_y[b][t];
    e.photons = 1000;
    e.x_precision = e.y_precision = precision_px;
    e.psf_sigma = 1.3f;
    scene->events.push_back(e);
    scene->bead_of.push_back(b);
  }
  return b;
}

std::vector<int> Range(int first, int last) {
  std::vector<int> frames;
  for (int t = first; t <= last; ++t) frames.push_back(t);
  return frames;
}

// The distinct track numbers of a bead, 0 meaning "in no track".
std::set<int> TracksOf(const Verdict& v, int bead) {
  return {v.tracks_of_bead[bead].begin(), v.tracks_of_bead[bead].end()};
}

TEST(LinkerTest, CrossingBeadsKeepTheirIdentity) {
  struct Case {
    const char* name;
    double stage_jump_nm;  // random stage motion per frame and axis
    double spacing_px;     // closest beads
    int beads;
  };
  // Stage motion larger than the distance between neighbours: without the
  // field's motion removed, nearest neighbours would swap identities.
  const Case cases[] = {{"500 nm jumps, beads 3 px apart", 500, 3.0, 60},
                        {"500 nm jumps, beads 2.5 px apart", 500, 2.5, 80},
                        {"still stage, dense beads", 0, 2.0, 120}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SceneOptions o;
    o.nx = o.ny = 96;
    o.fixed = c.beads;
    o.min_spacing_px = c.spacing_px;
    o.stage_jump_nm = c.stage_jump_nm;
    o.frames = 40;
    o.seed = 5;
    const Scene scene = MakeScene(o);
    ASSERT_EQ(scene.beads(), c.beads);
    const Verdict v = LinkScene(scene, Defaults());
    EXPECT_EQ(v.wrong_links, 0);
    EXPECT_EQ(v.whole_beads, c.beads);
  }
}

TEST(LinkerTest, GlobalAssignmentBeatsNearestNeighbour) {
  // Two beads moving to the right relative to the field, 50 and 80 nm per
  // frame, 60 nm apart at first: the later frame's first bead (at 50 nm) is
  // nearer to the second bead (at 60 nm) than to its own predecessor, but
  // giving it to the second bead would leave both others unlinked.
  SceneOptions o;
  o.fixed = 12;
  o.frames = 6;
  o.stage_jump_nm = 300;
  o.noise_nm = 0;
  Scene scene = MakeScene(o);
  const double nm = 100.0;  // per pixel
  const int slow = scene.beads(), fast = slow + 1;
  for (int b : {slow, fast}) {
    scene.bead_x.emplace_back(o.frames, 0.0);
    scene.bead_y.emplace_back(o.frames, 0.0);
    for (int t = 0; t < o.frames; ++t) {
      const double rel = b == slow ? 50.0 * t : 60.0 + 80.0 * t;
      scene.bead_x[b][t] = 64 + (rel + scene.stage_x[t]) / nm;
      scene.bead_y[b][t] = 64 + scene.stage_y[t] / nm;
      LinkingEvent e{};
      e.frame = t;
      e.x = scene.bead_x[b][t];
      e.y = scene.bead_y[b][t];
      e.photons = 1000;
      e.x_precision = e.y_precision = 0.03f;
      scene.events.push_back(e);
      scene.bead_of.push_back(b);
    }
  }
  // Remove a fixed bead that might sit near the pair.
  for (int b = 0; b < o.fixed; ++b)
    if (std::abs(scene.bead_x[b][0] - scene.bead_x[slow][0]) < 10 &&
        std::abs(scene.bead_y[b][0] - scene.bead_y[slow][0]) < 10)
      scene.Drop(b, 0, o.frames - 1);
  LinkingParameters p = Defaults();
  p.max_std = 1e4;  // these beads are meant to move
  const Verdict v = LinkScene(scene, p);
  EXPECT_EQ(v.wrong_links, 0);
  EXPECT_EQ(TracksOf(v, slow).size(), 1u);
  EXPECT_EQ(TracksOf(v, fast).size(), 1u);
  EXPECT_NE(TracksOf(v, slow), TracksOf(v, fast));
  EXPECT_EQ(TracksOf(v, slow).count(0), 0u);
}

TEST(LinkerTest, GapsUpToTheTimeWindowAreClosed) {
  for (int window : {1, 3, 5}) {
    for (int missing : {window, window + 1}) {
      SCOPED_TRACE(testing::Message() << "time window " << window << ", " << missing
                                      << " frames missing");
      SceneOptions o;
      o.fixed = 20;
      o.stage_jump_nm = 400;
      o.frames = 50;
      o.seed = 3;
      Scene scene = MakeScene(o);
      ASSERT_EQ(scene.Drop(4, 20, 20 + missing - 1), missing);
      LinkingParameters p = Defaults();
      p.time_window = window;
      LinkingStatistics st;
      const Verdict v = LinkScene(scene, p, &st);
      EXPECT_EQ(v.wrong_links, 0);
      const bool closed = missing <= window;
      EXPECT_EQ(TracksOf(v, 4).size(), closed ? 1u : 2u);
      EXPECT_EQ(TracksOf(v, 4).count(0), 0u);
      EXPECT_EQ(st.gaps_closed, closed ? 1 : 0);
      EXPECT_EQ(st.tracks, closed ? 20 : 21);
      EXPECT_EQ(v.whole_beads, 19);  // all but the one with the gap
    }
  }
}

TEST(LinkerTest, GapPenaltyWeighsTheLengthOfCompetingGaps) {
  // Chain A ends in frame 10; chain B starts in frame 12 (1 missing frame),
  // chain C in frame 13 (2 missing), both near A's end. The join costs
  // d^2 * penalty^gap decide which one continues A.
  struct Case {
    double b_offset_nm, c_offset_nm, penalty;
    bool joins_b;
  };
  const Case cases[] = {{40, 40, 1.5, true},    // 1600*1.5 < 1600*2.25
                        {40, 20, 1.5, false},   // 2400 > 400*2.25 = 900
                        {30, 25, 1.5, true},    // 1350 < 1406
                        {30, 25, 1.0, false},   // 900 > 625
                        {90, 10, 3.0, false}};  // 24300 > 900
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "B at " << c.b_offset_nm << " nm, C at " << c.c_offset_nm
                                    << " nm, penalty " << c.penalty);
    SceneOptions o;
    o.fixed = 10;
    o.frames = 21;
    o.noise_nm = 0;
    o.seed = 2;
    Scene scene = MakeScene(o);
    // Beyond the frame, away from the fixed beads (linking needs no pixels).
    const int a = AddBead(&scene, Range(0, 10), 200, 200, 0.05f);
    const int b = AddBead(&scene, Range(12, 20), 200 + c.b_offset_nm / 100, 200, 0.05f);
    const int cc = AddBead(&scene, Range(13, 20), 200 - c.c_offset_nm / 100, 200, 0.05f);
    LinkingParameters p = Defaults();
    p.gap_penalty = c.penalty;
    const Verdict v = LinkScene(scene, p);
    const std::set<int> ta = TracksOf(v, a), tb = TracksOf(v, b), tc = TracksOf(v, cc);
    ASSERT_EQ(ta.size(), 1u);
    EXPECT_EQ(ta == tb, c.joins_b);
    EXPECT_EQ(ta == tc, !c.joins_b);
  }
}

TEST(LinkerTest, UntrustedMotionNeverJoinsBeads) {
  // The stage jumps by 3 um between frames 14 and 15, beyond the range the
  // motion estimate searches: the tracks end there rather than link beads
  // to whatever lies near their old places.
  SceneOptions o;
  o.fixed = 20;
  o.frames = 30;
  o.stage_jump_nm = 150;
  o.seed = 9;
  o.nx = o.ny = 160;
  Scene scene = MakeScene(o);
  const double nm = 100.0;
  for (int b = 0; b < scene.beads(); ++b)
    for (int t = 15; t < o.frames; ++t) scene.bead_x[b][t] += 3000 / nm;
  for (size_t e = 0; e < scene.events.size(); ++e)
    if (scene.events[e].frame >= 15) scene.events[e].x += 3000 / nm;
  LinkingStatistics st;
  const Verdict v = LinkScene(scene, Defaults(), &st);
  EXPECT_EQ(v.wrong_links, 0);
  EXPECT_GE(st.uncertain_motions, 1);
  EXPECT_EQ(st.tracks, 2 * o.fixed);
  EXPECT_EQ(v.whole_beads, 0);
}

TEST(LinkerTest, CompletePreciseTracksGetTheLowestNumbers) {
  SceneOptions o;
  o.fixed = 0;
  o.frames = 30;
  Scene scene = MakeScene(o);
  // Beads 0..3 in every frame with different precisions, 4 and 5 partial,
  // 6 a lone event.
  const float precision_px[] = {0.06f, 0.02f, 0.09f, 0.04f};
  for (int b = 0; b < 4; ++b) AddBead(&scene, Range(0, 29), 20 + 20 * b, 20, precision_px[b]);
  AddBead(&scene, Range(10, 29), 20, 60, 0.01f);
  AddBead(&scene, Range(20, 29), 60, 60, 0.01f);
  AddBead(&scene, {7}, 100, 100, 0.01f);
  LinkingStatistics st;
  std::vector<LinkingEvent> events;
  const Verdict v = LinkScene(scene, Defaults(), &st, &events);
  const int expected_number[] = {3, 1, 4, 2, 5, 6, 0};
  for (int b = 0; b < 7; ++b)
    EXPECT_EQ(TracksOf(v, b), std::set<int>{expected_number[b]}) << "bead " << b;
  EXPECT_EQ(st.tracks, 6);
  EXPECT_EQ(st.complete_tracks, 4);
  EXPECT_EQ(st.unlinked_events, 1);
}

TEST(LinkerTest, IncompleteTracksAreNumberedOnlyWithinTheCap) {
  // Complete tracks are all numbered; incomplete ones only while the total
  // stays within the tracks the estimate uses, so its warning about too many
  // tracks appears only when more than that many cover every frame.
  struct Case {
    int complete, partial;
    long expected_tracks, expected_unnumbered;
  };
  const Case cases[] = {{10, 100, 110, 0},
                        {10, 400, LINKING_TRACK_CAP, 110},
                        {LINKING_TRACK_CAP + 10, 50, LINKING_TRACK_CAP + 10, 50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.complete << " complete, " << c.partial << " partial");
    SceneOptions o;
    o.fixed = 0;
    o.frames = 4;
    Scene scene = MakeScene(o);
    // Beads at least 3 pixels apart: complete ones, then two-event pieces.
    BeadsRng rng;
    BeadsRngSeed(&rng, 8, 0);
    std::vector<std::pair<double, double>> placed;
    while (static_cast<int>(placed.size()) < c.complete + c.partial) {
      const double x = 200 * BeadsRngUniform(&rng), y = 200 * BeadsRngUniform(&rng);
      bool ok = true;
      for (const auto& [px, py] : placed) ok = ok && std::hypot(px - x, py - y) >= 3;
      if (!ok) continue;
      placed.emplace_back(x, y);
      const bool complete = static_cast<int>(placed.size()) <= c.complete;
      AddBead(&scene, complete ? Range(0, 3) : Range(1, 2), x, y, 0.02f);
    }
    LinkingStatistics st;
    const Verdict v = LinkScene(scene, Defaults(), &st);
    EXPECT_EQ(v.wrong_links, 0);
    EXPECT_EQ(st.tracks, c.expected_tracks);
    EXPECT_EQ(st.complete_tracks, c.complete);
    EXPECT_EQ(st.unnumbered_chains, c.expected_unnumbered);
    for (int k = 0; k < c.complete; ++k) {
      const std::set<int> t = TracksOf(v, k);
      ASSERT_EQ(t.size(), 1u);
      EXPECT_GE(*t.begin(), 1);
      EXPECT_LE(*t.begin(), c.complete);  // complete tracks come first
    }
  }
}

TEST(LinkerTest, StopFlagCancelsLinking) {
  SceneOptions o;
  o.frames = 400;
  const Scene scene = MakeScene(o);
  LinkingSession* s = LoadScene(scene);
  ASSERT_NE(s, nullptr);
  const LinkingParameters p = Defaults();
  volatile sig_atomic_t stop = 1;
  char message[256] = "";
  EXPECT_EQ(LinkingLinkTracks(s, &p, &stop, message, sizeof message), LINKING_ERR_CANCELED);
  EXPECT_NE(std::string(message).find("interrupted"), std::string::npos);
  // A cancelled run leaves no half-made tracks, and a new one still works.
  LinkingStatistics st;
  LinkingGetStatistics(s, &st);
  EXPECT_EQ(st.tracks, 0);
  stop = 0;
  EXPECT_EQ(LinkingLinkTracks(s, &p, &stop, message, sizeof message), LINKING_OK);
  LinkingGetStatistics(s, &st);
  EXPECT_EQ(st.complete_tracks, o.fixed);
  LinkingSessionDestroy(s);
}

TEST(LinkerTest, RefusesInvalidParameters) {
  const Scene scene = MakeScene(SceneOptions{});
  LinkingSession* s = LoadScene(scene);
  ASSERT_NE(s, nullptr);
  struct Case {
    double max_std, radius, penalty;
    int window;
  };
  const Case cases[] = {{0, 100, 1.5, 3}, {100, -1, 1.5, 3}, {100, 100, 0.5, 3},
                        {100, 100, 1.5, -1}, {100, 100, 1.5, LINKING_MAX_TIME_WINDOW + 1}};
  for (const Case& c : cases) {
    const LinkingParameters p{c.max_std, c.radius, c.penalty, c.window};
    char message[256] = "";
    EXPECT_EQ(LinkingLinkTracks(s, &p, nullptr, message, sizeof message), LINKING_ERR_ARGUMENT);
    EXPECT_NE(message[0], '\0');
  }
  LinkingSessionDestroy(s);
}

}  // namespace
