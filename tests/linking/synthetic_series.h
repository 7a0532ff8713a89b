// Synthetic bead series for the linking tests: fixed beads that move with a
// known stage, loose beads on their own random walk, localization noise,
// and optionally the frames themselves (rendered PSFs with Poisson noise)
// for the refinement fits. Every event remembers the bead it came from, so
// a linking result can be judged link by link.
#pragma once

#include <cstdint>
#include <vector>

#include "linking.h"

namespace linking_test {

struct SceneOptions {
  int nx = 128, ny = 128;      // frame size, pixels
  int frames = 60;             // time points
  int fixed = 20;              // beads moving with the stage
  int loose = 0;               // beads on their own random walk
  double loose_step_nm = 30;   // rms step of a loose bead per axis and frame
  double loose_drift_nm = 0;   // steady motion of a loose bead along X per frame
  double pixel_um = 0.1;       // pixel size
  double stage_jump_nm = 0;    // stage moves uniformly within +- this per axis each frame
  double noise_nm = 4;         // localization noise per axis, rms
  double min_spacing_px = 10;  // smallest distance between beads in frame 0
  uint64_t seed = 1;
};

struct Scene {
  SceneOptions options;
  LinkingSeries series{};
  std::vector<double> stage_x, stage_y;        // stage offset per frame, nm
  std::vector<std::vector<double>> bead_x;     // [bead][frame] true position, pixels
  std::vector<std::vector<double>> bead_y;
  std::vector<LinkingEvent> events;            // one per bead and frame, frame order
  std::vector<int> bead_of;                    // bead of every event

  int beads() const { return static_cast<int>(bead_x.size()); }
  // Removes the events of bead b in frames [first, last]; returns how many.
  int Drop(int bead, int first, int last);
};

Scene MakeScene(const SceneOptions& options);

// Renders frame t of the scene as photon counts (Poisson noise, background
// photons per pixel, PSF sigma in pixels); beads listed in `hidden` give no
// light in this frame.
std::vector<float> RenderFrame(const Scene& scene, int t, double photons, double background,
                               double sigma, const std::vector<int>& hidden, uint64_t seed);

// How a linking result compares with the truth.
struct Verdict {
  long links = 0;            // successive events of one track
  long wrong_links = 0;      // ... that join two different beads
  int whole_beads = 0;       // beads all of whose events share one track present in every frame
  std::vector<std::vector<int>> tracks_of_bead;  // distinct track numbers per bead (0 = none)
};

// Judges the first `known` events of the session (those with a bead_of).
Verdict Judge(const Scene& scene, const LinkingSession* session);

// Loads the scene into a new session (caller destroys it).
LinkingSession* LoadScene(const Scene& scene);

}  // namespace linking_test
