// The simulated specimen: where every bead is in every frame and how many
// photons it gives, and how the stage moves. Pure numbers, no image files.
//
// A fixed bead sits at its base position plus the stage offset of the
// frame; a loose bead drifts on its own random walk and ignores the stage.
// Close pairs are two fixed beads a given distance apart; edge beads sit
// within a pixel of the frame's border; vanishing beads give no light for
// a few consecutive frames. All randomness comes from one seed, so a scene
// is the same on every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace beadsim {

// One sinusoid of the stage motion.
struct Vibration {
  double frequency_hz;  // temporal frequency, hertz
  double amplitude_x;   // amplitude along X, nanometres
  double amplitude_y;   // amplitude along Y, nanometres
  double phase;         // phase at frame 0, radians
};

struct SceneOptions {
  int nx = 256;                 // frame columns
  int ny = 256;                 // frame rows
  int frames = 100;             // time points
  int beads = 120;              // ordinary fixed beads
  int loose = 0;                // beads on their own random walk
  int pairs = 0;                // close pairs (two fixed beads each)
  double pair_min = 1.5;        // smallest pair distance, PSF sigmas
  double pair_max = 3.0;        // largest pair distance, PSF sigmas
  int edge = 0;                 // fixed beads within a pixel of the border
  int vanish = 0;               // fixed beads that go dark for 2-5 frames
  uint64_t seed = 1;            // seed of every random choice
  double pixel_size_um = 0.1;   // pixel size, micrometres
  double psf_sigma = 0;         // PSF sigma, pixels (set by the caller)
  double photons = 3000;        // mean photons per bead per frame
  double photon_spread = 0.3;   // relative spread of the beads' brightness
  double bleach_frames = 0;     // 1/e bleaching time in frames, 0 for none
  double frame_interval = 0.01; // seconds between frames
  std::vector<Vibration> vibrations;  // stage sinusoids
  double drift_x = 0;           // stage drift along X, nanometres per second
  double drift_y = 0;           // stage drift along Y, nanometres per second
  double jitter = 0;            // white stage jitter, nanometres rms per axis
  double loose_step = 0.3;      // random-walk step of loose beads, pixels rms per axis
};

enum class BeadKind { kFixed, kLoose, kPair, kEdge };

const char* BeadKindName(BeadKind kind);

struct Bead {
  BeadKind kind;        // how it moves and why it was placed
  double base_x;        // position at zero stage offset, pixels
  double base_y;
  double photons;       // brightness at frame 0, photons per frame
  int dark_first;       // first dark frame, -1 if it never vanishes
  int dark_last;        // last dark frame
};

// Positions and photons of every bead in one frame, and the stage offset.
struct FrameTruth {
  double stage_x;  // stage offset, pixels
  double stage_y;
  std::vector<double> x, y, photons;  // per bead (order of Scene::beads)
};

class Scene {
 public:
  // Places the beads. Returns an empty string or the reason it cannot.
  std::string Build(const SceneOptions& options);

  const std::vector<Bead>& beads() const { return beads_; }

  // Advances to the next frame (frames must be taken in order, from 0).
  const FrameTruth& Next();

 private:
  SceneOptions options_;
  std::vector<Bead> beads_;
  std::vector<double> loose_x_, loose_y_;  // current loose-bead positions
  FrameTruth truth_;
  int frame_ = 0;
  uint64_t walk_seed_ = 0;
};

}  // namespace beadsim
