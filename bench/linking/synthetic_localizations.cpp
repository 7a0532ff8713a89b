// Synthetic localization files (see synthetic_localizations.h).
#include "synthetic_localizations.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "beads.h"

namespace linking_bench {

long WriteSyntheticLocalizations(const std::string& path, const SyntheticOptions& o) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return -1;
  std::vector<char> buffer(1 << 20);
  std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
  BeadsRng rng;
  BeadsRngSeed(&rng, o.seed, 0);
  const double nm = 1000 * o.pixel_um;
  const int total = o.beads + o.loose;
  std::vector<double> bx(total), by(total);
  const double margin = 8;
  for (int b = 0; b < total; ++b) {
    for (int tries = 0; tries < 1000; ++tries) {
      bx[b] = margin + (o.size - 2 * margin) * BeadsRngUniform(&rng);
      by[b] = margin + (o.size - 2 * margin) * BeadsRngUniform(&rng);
      bool ok = true;
      for (int k = 0; k < b && ok; ++k) ok = std::hypot(bx[k] - bx[b], by[k] - by[b]) >= 10.4;
      if (ok) break;
    }
  }
  std::fprintf(f,
               "# ORBILocalization bead localizations\n# IMAGE /nonexistent/synthetic.img\n"
               "# N_PIXELS_X %d\n# N_PIXELS_Y %d\n# REGION_X_START 0\n# REGION_X_END %d\n"
               "# REGION_Y_START 0\n# REGION_Y_END %d\n# REGION_T_START 0\n# REGION_T_END %d\n"
               "# REGION_T_INCREMENT 1\n# PIXEL_SIZE_X %.6f\n# PIXEL_SIZE_Y %.6f\n"
               "# N_EVENTS            0\n# UNITS pixels\n# PSF_SIGMA 1.3000\n"
               "## frame photons y y_precision x x_precision background psf_sigma track "
               "fit_quality\n",
               o.size, o.size, o.size - 1, o.size - 1, o.frames - 1, o.pixel_um, o.pixel_um);
  long lines = 0;
  std::vector<double> wx(o.loose, 0), wy(o.loose, 0);
  for (int t = 0; t < o.frames; ++t) {
    const double sign = (t % 2 == 0) ? 0.5 : -0.5;
    const double sx = (sign * o.stage_jump_nm + o.jitter_nm * BeadsRngGaussian(&rng)) / nm;
    const double sy = (sign * o.stage_jump_nm + o.jitter_nm * BeadsRngGaussian(&rng)) / nm;
    for (int k = 0; k < o.loose; ++k) {
      wx[k] += 0.3 * BeadsRngGaussian(&rng);
      wy[k] += 0.3 * BeadsRngGaussian(&rng);
    }
    for (int b = 0; b < total; ++b) {
      if (BeadsRngUniform(&rng) < o.missing) continue;
      const bool loose = b >= o.beads;
      const double x = bx[b] + (loose ? wx[b - o.beads] : sx) + o.noise_nm / nm * BeadsRngGaussian(&rng);
      const double y = by[b] + (loose ? wy[b - o.beads] : sy) + o.noise_nm / nm * BeadsRngGaussian(&rng);
      const double photons = 3000 * (0.7 + 0.6 * BeadsRngUniform(&rng));
      std::fprintf(f, "%d %.1f %.4f %.4f %.4f %.4f %.3f %.4f 0 %.4f\n", t, photons, y,
                   o.noise_nm / nm, x, o.noise_nm / nm, 20.0, 1.3, 1.0);
      ++lines;
    }
    const int spurious = static_cast<int>(BeadsRngPoisson(&rng, o.false_per_frame));
    for (int k = 0; k < spurious; ++k) {
      std::fprintf(f, "%d %.1f %.4f %.4f %.4f %.4f %.3f %.4f 0 %.4f\n", t, 200.0,
                   o.size * BeadsRngUniform(&rng), 0.3, o.size * BeadsRngUniform(&rng), 0.3, 20.0,
                   1.3, 1.2);
      ++lines;
    }
  }
  const bool ok = std::fclose(f) == 0;
  return ok ? lines : -1;
}

}  // namespace linking_bench
