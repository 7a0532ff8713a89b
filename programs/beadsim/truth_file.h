// The ground-truth file written beside a simulated image (format in
// docs/beadsim.md): header lines beginning with "#", then per frame one
// stage line and one line per bead.
#pragma once

#include <cstdio>
#include <string>

#include "camera.h"
#include "scene.h"

namespace beadsim {

struct TruthHeader {
  std::string image_path;      // the image the truth belongs to
  const SceneOptions* scene;   // geometry, optics, motion
  const CameraOptions* camera; // noise model
  double wavelength_nm;        // emission wavelength
  double numerical_aperture;   // objective NA used for the PSF width
  int lens_id;                 // lens id written into the image
  int bead_count;              // beads in every frame
};

// Writes the header; false on a write error.
bool WriteTruthHeader(std::FILE* out, const TruthHeader& header);

// Writes one frame's stage line and bead lines; false on a write error.
bool WriteTruthFrame(std::FILE* out, int frame, const FrameTruth& truth, const Scene& scene);

}  // namespace beadsim
