// Localization file writer.
#include "localization_writer.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "exit_status.h"
#include "temporary_beside.h"

namespace orbi {

namespace {

// Width of the event count field, patched in place when the file is done.
constexpr int kCountWidth = 12;

std::string Absolute(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
}

}  // namespace

LocalizationWriter::~LocalizationWriter() { Abandon(); }

int LocalizationWriter::Open(const std::string& output, const LocalizationHeader& h,
                             std::string* reason) {
  output_ = output;
  file_ = OpenTemporaryBeside(output, ".partial", &temporary_);
  if (!file_) {
    *reason = "cannot open output file " + output + ": " + std::strerror(errno);
    return kCannotOpenOutput;
  }
  std::FILE* f = file_;
  bool ok = std::fprintf(f, "# ORBILocalization bead localizations\n") > 0;
  ok = ok && std::fprintf(f, "# IMAGE %s\n", Absolute(h.image).c_str()) > 0;
  ok = ok && std::fprintf(f, "# N_PIXELS_X %d\n# N_PIXELS_Y %d\n", h.nx, h.ny) > 0;
  ok = ok && std::fprintf(f, "# REGION_X_START 0\n# REGION_X_END %d\n", h.nx - 1) > 0;
  ok = ok && std::fprintf(f, "# REGION_Y_START 0\n# REGION_Y_END %d\n", h.ny - 1) > 0;
  ok = ok && std::fprintf(f, "# REGION_T_START 0\n# REGION_T_END %d\n# REGION_T_INCREMENT 1\n",
                          h.frames - 1) > 0;
  ok = ok && std::fprintf(f, "# PIXEL_SIZE_X %.6f\n# PIXEL_SIZE_Y %.6f\n", h.pixel_size_x,
                          h.pixel_size_y) > 0;
  ok = ok && std::fprintf(f, "# N_EVENTS ") > 0;
  count_offset_ = std::ftell(f);
  ok = ok && std::fprintf(f, "%*d\n", kCountWidth, 0) > 0;
  ok = ok && std::fprintf(f, "# UNITS pixels\n") > 0;
  ok = ok && std::fprintf(f, "# PSF_SIGMA %.4f\n# OPTICAL_PSF_SIGMA %.4f\n", h.psf_sigma,
                          h.expected_sigma) > 0;
  ok = ok && std::fprintf(f, "# PHOTON_CONVERSION_FACTOR %.5f\n# CAMERA_OFFSET_PHOTONS %.4f\n",
                          h.photon_conversion, h.offset) > 0;
  ok = ok && std::fprintf(f, "# NUMERICAL_APERTURE %.5f\n# ALPHA_LOCAL_MAX %.6g\n",
                          h.numerical_aperture, h.alpha) > 0;
  ok = ok && std::fprintf(f, "# OVERLAP_THRESHOLD %.4f\n", h.overlap) > 0;
  ok = ok && std::fprintf(f,
                          "## frame photons y y_precision x x_precision background psf_sigma "
                          "track fit_quality\n") > 0;
  if (!ok || count_offset_ < 0) {
    *reason = "cannot write output file " + output + ": " + std::strerror(errno);
    Abandon();
    return kCannotOpenOutput;
  }
  return kSuccess;
}

bool LocalizationWriter::Append(const BeadsLocalization* locs, int count) {
  for (int k = 0; k < count; ++k) {
    const BeadsLocalization& l = locs[k];
    // Track column 0: not linked yet (tracks are numbered from 1).
    if (std::fprintf(file_, "%d %.1f %.4f %.4f %.4f %.4f %.3f %.4f 0 %.4f\n", l.frame, l.photons,
                     l.y, l.y_precision, l.x, l.x_precision, l.background, l.sigma,
                     l.quality) < 0)
      return false;
    strong_events_ += l.score > strong_score_;
  }
  events_ += count;
  return true;
}

int LocalizationWriter::Finish(std::string* reason) {
  bool ok = std::fseek(file_, count_offset_, SEEK_SET) == 0 &&
            std::fprintf(file_, "%*ld", kCountWidth, events_) == kCountWidth;
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  if (ok) ok = std::rename(temporary_.c_str(), output_.c_str()) == 0;
  if (!ok) {
    *reason = "cannot write output file " + output_ + ": " + std::strerror(errno);
    std::remove(temporary_.c_str());
    return kCannotOpenOutput;
  }
  temporary_.clear();
  return kSuccess;
}

void LocalizationWriter::Abandon() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!temporary_.empty()) std::remove(temporary_.c_str());
  temporary_.clear();
}

}  // namespace orbi
