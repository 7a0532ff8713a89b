// Ground-truth file writer.
#include "truth_file.h"

namespace beadsim {

bool WriteTruthHeader(std::FILE* out, const TruthHeader& h) {
  const SceneOptions& s = *h.scene;
  const CameraOptions& c = *h.camera;
  int rc = 0;
  rc |= std::fprintf(out, "# beadsim ground truth\n") < 0;
  rc |= std::fprintf(out, "# IMAGE %s\n", h.image_path.c_str()) < 0;
  rc |= std::fprintf(out, "# SEED %llu\n", static_cast<unsigned long long>(s.seed)) < 0;
  rc |= std::fprintf(out, "# N_PIXELS_X %d\n# N_PIXELS_Y %d\n# N_FRAMES %d\n# N_BEADS %d\n",
                     s.nx, s.ny, s.frames, h.bead_count) < 0;
  rc |= std::fprintf(out, "# PIXEL_SIZE_X %.6f\n# PIXEL_SIZE_Y %.6f\n", s.pixel_size_um,
                     s.pixel_size_um) < 0;
  rc |= std::fprintf(out, "# FRAME_INTERVAL %.9g\n", s.frame_interval) < 0;
  rc |= std::fprintf(out, "# WAVELENGTH %.3f\n# NUMERICAL_APERTURE %.4f\n# LENS_ID %d\n",
                     h.wavelength_nm, h.numerical_aperture, h.lens_id) < 0;
  rc |= std::fprintf(out, "# PSF_SIGMA %.6f\n", s.psf_sigma) < 0;
  rc |= std::fprintf(out, "# BACKGROUND %.6f\n", c.background) < 0;
  rc |= std::fprintf(out, "# PHOTON_CONVERSION_FACTOR %.9g\n", 1.0 / c.gain) < 0;
  rc |= std::fprintf(out, "# CAMERA_OFFSET %.6f\n# READ_NOISE %.6f\n# EMCCD %d\n", c.offset,
                     c.read_noise, c.emccd ? 1 : 0) < 0;
  for (const Vibration& v : s.vibrations)
    rc |= std::fprintf(out, "# VIBRATION %.9g %.9g %.9g %.9g\n", v.frequency_hz, v.amplitude_x,
                       v.amplitude_y, v.phase) < 0;
  rc |= std::fprintf(out, "# DRIFT %.9g %.9g\n# JITTER %.9g\n", s.drift_x, s.drift_y, s.jitter) <
        0;
  rc |= std::fprintf(out, "## S frame stage_x stage_y | B frame bead x y photons kind\n") < 0;
  return rc == 0;
}

bool WriteTruthFrame(std::FILE* out, int frame, const FrameTruth& t, const Scene& scene) {
  int rc = std::fprintf(out, "S %d %.6f %.6f\n", frame, t.stage_x, t.stage_y) < 0;
  for (size_t k = 0; k < t.x.size(); ++k)
    rc |= std::fprintf(out, "B %d %zu %.6f %.6f %.3f %s\n", frame, k, t.x[k], t.y[k],
                       t.photons[k], BeadKindName(scene.beads()[k].kind)) < 0;
  return rc == 0;
}

}  // namespace beadsim
