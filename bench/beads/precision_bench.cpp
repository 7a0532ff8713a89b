// Precision of isolated beads as ORBILocalization localizes them, against
// the Cramer-Rao bound, beside what an ideal fit and any unbiased estimator
// could reach on the same spots.
//
// Frames of 256 x 256 pixels hold 64 beads on a 32-pixel grid at uniformly
// random sub-pixel positions (PSF sigma 1.3 px, Poisson noise). The frame
// localizer detects, fits and accepts exactly as in the program. Per bead:
//   found   a localization lies within 4 pixels (the reach of one fit
//           region): its error counts, however large;
//   failed  the detector found the bead (a candidate within 3 pixels) but
//           the localizer kept no fit of it: the program rejected it;
//   missed  not detected (not part of the RMS: the detection benchmark
//           measures recall).
// Columns:
//   CRB        Cramer-Rao bound of x for x, y, photons and background with
//              the width known (4 parameters), RMS over the beads;
//   CRB5/CRB   the same bound with the width free (5 parameters): the
//              width decouples from the position, so the bounds agree;
//   rms/CRB    RMS error of all found beads over the bound, x and y;
//   +-se       standard error of that ratio, from the spread of the
//              squared errors (heavy tails widen it);
//   bias/CRB   mean error over the bound;
//   oracle     RMS/CRB of the same maximum-likelihood fit started at the
//              true parameters on the same spots (7 x 7 region round the
//              bead, width known); its failures count in "oracle failed";
//   B2/CRB     second-order Bhattacharyya bound over the Cramer-Rao bound:
//              no unbiased estimator can scatter less.
// Tables:
//   1. width held at the true PSF width (4 parameters): what the method can
//      do, beside the oracle and the bounds;
//   2. as ORBILocalization runs: the width measured from 8 frames of the
//      row's series and held at that value when it is measurable (column
//      "width": measured / true), else fitted free per bead ("free");
//   3. width free per bead (5 parameters, held only where the free fit
//      fails): the method before the series' width was measured;
//   4. the series width itself, measured from 8 frames: mean estimate over
//      the truth, scatter of the estimates, the standard error the
//      estimator reports, fits that counted, and how many series the
//      program would hold at the measured width.
//
//   beads_precision_bench [beads per row] [beads per row at 300 photons]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "beads.h"

namespace {

constexpr int kSide = 256;        // frame side, pixels
constexpr int kGrid = 32;         // bead spacing, pixels
constexpr int kPerFrame = 64;     // beads per frame
constexpr double kSigma = 1.3;    // PSF sigma, pixels
constexpr int kRoi = 7;           // fit region of the oracle, pixels
constexpr double kFoundReach = 4.0;     // pixels
constexpr double kDetectedReach = 3.0;  // pixels

// Running sums of one estimator over one row.
struct Errors {
  double sx = 0, sy = 0;    // sums of errors, pixels
  double sx2 = 0, sy2 = 0;  // sums of squared errors
  double s4 = 0;            // sum of (ex^2 + ey^2)^2 / 4 for the standard error
  long found = 0;           // beads with a localization
  long failed = 0;          // detected beads without one

  void Add(double ex, double ey) {
    sx += ex;
    sy += ey;
    sx2 += ex * ex;
    sy2 += ey * ey;
    s4 += 0.5 * (ex * ex * ex * ex + ey * ey * ey * ey);
    ++found;
  }
  // Standard error of sqrt(mean square / bound^2) from the variance of the
  // squared errors (pooled over x and y).
  double RatioSe(double ratio) const {
    const double n = 2.0 * found;
    const double mean = (sx2 + sy2) / n;
    const double var = (2 * s4) / n - mean * mean;
    return 0.5 * ratio * std::sqrt(var / n) / mean;
  }
};

struct Bounds {
  double crb_x2 = 0, crb_y2 = 0;  // sums of squared bounds, 4 parameters
  double crb5_x2 = 0;             // 5 parameters
  double b2_x2 = 0, b2_y2 = 0;    // second-order Bhattacharyya
  long count = 0;
};

std::vector<float> Frame(const std::vector<BeadsEmitter>& beads, double background, BeadsRng* rng) {
  std::vector<double> expected(static_cast<size_t>(kSide) * kSide, background);
  BeadsRenderEmitters(expected.data(), kSide, kSide, beads.data(), static_cast<int>(beads.size()),
                      kSigma);
  std::vector<float> frame(expected.size());
  for (size_t p = 0; p < expected.size(); ++p)
    frame[p] = static_cast<float>(BeadsRngPoisson(rng, expected[p]));
  return frame;
}

std::vector<BeadsEmitter> Grid(double photons, BeadsRng* rng) {
  std::vector<BeadsEmitter> beads;
  for (int k = 0; k < kPerFrame; ++k)
    beads.push_back({kGrid / 2 + kGrid * (k % 8) + BeadsRngUniform(rng) - 0.5,
                     kGrid / 2 + kGrid * (k / 8) + BeadsRngUniform(rng) - 0.5, photons});
  return beads;
}

int Nearest(const BeadsLocalization* locs, int count, const BeadsEmitter& b, double reach) {
  int best = -1;
  double best_d = reach;
  for (int i = 0; i < count; ++i) {
    const double d = std::hypot(locs[i].x - b.x, locs[i].y - b.y);
    if (d < best_d) {
      best_d = d;
      best = i;
    }
  }
  return best;
}

bool Detected(const BeadsCandidate* c, int count, const BeadsEmitter& b) {
  for (int i = 0; i < count; ++i)
    if (std::hypot(c[i].x - b.x, c[i].y - b.y) < kDetectedReach) return true;
  return false;
}

BeadsLocalizerOptions ProgramOptions(bool width_free) {
  BeadsLocalizerOptions o;
  BeadsLocalizerOptionsDefault(&o, static_cast<float>(kSigma));
  o.fit_sigma = width_free ? 1 : 0;
  // As the program sets it for beadsim's optics (620 nm, NA 1.0, 100 nm).
  o.sigma_min = static_cast<float>(0.7 * BeadsPsfSigmaFromOptics(620, 1.0, 0.1));
  return o;
}

// The ideal fit: started at the truth in a region round the bead.
bool OracleFit(const std::vector<float>& frame, const BeadsEmitter& b, double background,
               double* ex, double* ey) {
  const int x0 = std::clamp(static_cast<int>(std::lround(b.x)) - kRoi / 2, 0, kSide - kRoi);
  const int y0 = std::clamp(static_cast<int>(std::lround(b.y)) - kRoi / 2, 0, kSide - kRoi);
  const BeadsRegion region{frame.data(), nullptr, kSide, x0, y0, kRoi, kRoi};
  BeadsFitOptions options;
  BeadsFitOptionsDefault(&options, static_cast<float>(kSigma));
  options.fit_sigma = 0;
  BeadsFitResult f;
  if (BeadsFitSingle(&region, &options, &b, static_cast<float>(background), &f) != BEADS_OK)
    return false;
  *ex = f.x - b.x;
  *ey = f.y - b.y;
  return true;
}

void AddBounds(const BeadsEmitter& b, double background, Bounds* bounds) {
  const BeadsEmitter local{kRoi / 2 + b.x - std::lround(b.x), kRoi / 2 + b.y - std::lround(b.y),
                           b.photons};
  double crb[5], crb5[5], b2[2];
  BeadsCramerRao(kRoi, kRoi, &local, 1, background, kSigma, 0, crb);
  BeadsCramerRao(kRoi, kRoi, &local, 1, background, kSigma, 1, crb5);
  BeadsBhattacharyyaBound(kRoi, kRoi, &local, background, kSigma, b2);
  bounds->crb_x2 += crb[0] * crb[0];
  bounds->crb_y2 += crb[1] * crb[1];
  bounds->crb5_x2 += crb5[0] * crb5[0];
  bounds->b2_x2 += b2[0] * b2[0];
  bounds->b2_y2 += b2[1] * b2[1];
  ++bounds->count;
}

struct Row {
  Errors held, program, free_width, oracle;
  Bounds bounds;
  long missed = 0;
  long oracle_failed = 0;
  double width = 0;  // width the program measured, pixels (0: not measurable)
};

struct WidthEstimate {
  bool measured = false;  // some fits counted
  double sigma = 0;       // estimate, pixels
  double error = 0;       // its standard error, pixels
  int used = 0;           // fits that counted
  // ORBILocalization holds the width when 10 fits count and it is known to
  // 2 % (programs/ORBILocalization/psf_width.cpp).
  bool Held() const { return measured && used >= 10 && error <= 0.02 * sigma; }
};

// The series width as the program measures it: 8 frames of a series of
// fixed beads (the same scene, new noise) localized with the width free.
// spread: relative spread of the beads' brightness (gamma distributed).
WidthEstimate MeasureWidth(double photons, double background, double truth, double spread,
                           uint64_t seed) {
  BeadsRng rng;
  BeadsRngSeed(&rng, seed, 0);
  std::vector<BeadsEmitter> beads = Grid(photons, &rng);
  if (spread > 0)
    for (BeadsEmitter& b : beads)
      b.photons = BeadsRngGamma(&rng, 1 / (spread * spread), photons * spread * spread);
  BeadsLocalizerOptions options = ProgramOptions(true);
  BeadsLocalizer* localizer = nullptr;
  BeadsLocalizerCreate(kSide, kSide, &options, &localizer);
  std::vector<BeadsLocalization> fits;
  std::vector<double> expected(static_cast<size_t>(kSide) * kSide, background);
  BeadsRenderEmitters(expected.data(), kSide, kSide, beads.data(), static_cast<int>(beads.size()),
                      truth);
  std::vector<float> frame(expected.size());
  for (int f = 0; f < 8; ++f) {
    for (size_t p = 0; p < expected.size(); ++p)
      frame[p] = static_cast<float>(BeadsRngPoisson(&rng, expected[p]));
    const BeadsLocalization* locs;
    int count;
    BeadsLocalizeFrame(localizer, frame.data(), f, &locs, &count);
    fits.insert(fits.end(), locs, locs + count);
  }
  BeadsLocalizerDestroy(localizer);
  WidthEstimate w;
  w.measured = BeadsSeriesPsfSigma(fits.data(), static_cast<int>(fits.size()), options.psf_sigma,
                                   &w.sigma, &w.error, &w.used) == BEADS_OK;
  return w;
}

void Tally(const BeadsLocalization* locs, int count, const BeadsEmitter& bead, Errors* e) {
  const int i = Nearest(locs, count, bead, kFoundReach);
  if (i >= 0)
    e->Add(locs[i].x - bead.x, locs[i].y - bead.y);
  else
    ++e->failed;
}

Row Measure(double photons, double background, long beads_wanted) {
  Row row;
  const uint64_t seed = static_cast<uint64_t>(photons * 1000 + background);
  const WidthEstimate width = MeasureWidth(photons, background, kSigma, 0, seed + 1);
  row.width = width.Held() ? width.sigma : 0;
  const BeadsLocalizerOptions held_options = ProgramOptions(false);
  const BeadsLocalizerOptions free_options = ProgramOptions(true);
  BeadsLocalizerOptions program_options = free_options;
  if (row.width > 0) {
    program_options.psf_sigma = static_cast<float>(row.width);
    program_options.fit_sigma = 0;
  }
  BeadsLocalizer *held = nullptr, *program = nullptr, *free_width = nullptr;
  BeadsLocalizerCreate(kSide, kSide, &held_options, &held);
  BeadsLocalizerCreate(kSide, kSide, &program_options, &program);
  BeadsLocalizerCreate(kSide, kSide, &free_options, &free_width);
  BeadsDetectOptions d{static_cast<float>(kSigma), held_options.alpha, 0};
  BeadsDetector* detector = nullptr;
  BeadsDetectorCreate(kSide, kSide, &d, &detector);
  BeadsRng rng;
  BeadsRngSeed(&rng, 41, seed);
  const long frames = (beads_wanted + kPerFrame - 1) / kPerFrame;
  for (long f = 0; f < frames; ++f) {
    const std::vector<BeadsEmitter> beads = Grid(photons, &rng);
    const std::vector<float> frame = Frame(beads, background, &rng);
    const BeadsCandidate* candidates;
    int candidate_count;
    BeadsDetect(detector, frame.data(), &candidates, &candidate_count);
    // Each localizer owns its results until its next call.
    const BeadsLocalization *a, *b, *c;
    int a_count, b_count, c_count;
    BeadsLocalizeFrame(held, frame.data(), static_cast<int>(f), &a, &a_count);
    BeadsLocalizeFrame(program, frame.data(), static_cast<int>(f), &b, &b_count);
    BeadsLocalizeFrame(free_width, frame.data(), static_cast<int>(f), &c, &c_count);
    for (const BeadsEmitter& bead : beads) {
      const bool detected = Detected(candidates, candidate_count, bead);
      if (!detected && Nearest(a, a_count, bead, kFoundReach) < 0 &&
          Nearest(b, b_count, bead, kFoundReach) < 0 &&
          Nearest(c, c_count, bead, kFoundReach) < 0) {
        ++row.missed;
        continue;
      }
      Tally(a, a_count, bead, &row.held);
      Tally(b, b_count, bead, &row.program);
      Tally(c, c_count, bead, &row.free_width);
      double ex, ey;
      if (OracleFit(frame, bead, background, &ex, &ey))
        row.oracle.Add(ex, ey);
      else
        ++row.oracle_failed;
      AddBounds(bead, background, &row.bounds);
    }
  }
  BeadsDetectorDestroy(detector);
  BeadsLocalizerDestroy(held);
  BeadsLocalizerDestroy(program);
  BeadsLocalizerDestroy(free_width);
  return row;
}

void PrintErrors(const Errors& e, const Bounds& b) {
  const double crb_x = std::sqrt(b.crb_x2 / b.count), crb_y = std::sqrt(b.crb_y2 / b.count);
  const double n = static_cast<double>(e.found);
  const double rx = std::sqrt(e.sx2 / n) / crb_x, ry = std::sqrt(e.sy2 / n) / crb_y;
  std::printf(" %9.3f %9.3f %7.3f %10.3f %10.3f %8.3f%%", rx, ry, e.RatioSe(0.5 * (rx + ry)),
              e.sx / n / crb_x, e.sy / n / crb_y, 100.0 * e.failed / (e.found + e.failed));
}

// Table 4: the series width measured as the program measures it, from 8
// frames localized with the width free; beads of gamma-distributed
// brightness (relative spread 0.3) round the mean photons.
void SeriesWidthTable(int series_per_row) {
  std::printf("4. PSF width of a series from 8 frames of %d beads (brightness spread 0.3, width "
              "free from 1.3 px;\n   %d series per row)\n",
              kPerFrame, series_per_row);
  std::printf("%7s %5s %7s %12s %10s %10s %8s %8s\n", "photons", "bg", "true", "estimate/true",
              "scatter", "mean se", "used", "held");
  for (double photons : {300.0, 1000.0, 3000.0})
    for (double background : {5.0, 20.0, 100.0})
      for (double truth : {1.3, 1.6}) {
        double sum = 0, sum2 = 0, se = 0, used = 0;
        int measured = 0, held = 0;
        for (int s = 0; s < series_per_row; ++s) {
          const WidthEstimate w = MeasureWidth(
              photons, background, truth, 0.3,
              static_cast<uint64_t>(57000 + photons * 10 + background + 1000 * s + 100 * truth));
          if (!w.measured) continue;
          ++measured;
          sum += w.sigma / truth;
          sum2 += (w.sigma / truth) * (w.sigma / truth);
          se += w.error / truth;
          used += w.used;
          held += w.Held();
        }
        const double mean = measured ? sum / measured : 0;
        std::printf("%7.0f %5.0f %7.1f %12.4f %10.4f %10.4f %8.0f %5d/%d\n", photons, background,
                    truth, mean,
                    measured > 1 ? std::sqrt(std::max(0.0, sum2 / measured - mean * mean)) : 0.0,
                    measured ? se / measured : 0.0, measured ? used / measured : 0.0, held,
                    series_per_row);
      }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const long per_row = argc > 1 ? std::atol(argv[1]) : 20000;
  const long per_faint_row = argc > 2 ? std::atol(argv[2]) : 100000;
  std::vector<Row> rows;
  std::vector<std::pair<double, double>> cases;
  for (double photons : {300.0, 1000.0, 3000.0, 10000.0, 30000.0})
    for (double background : {5.0, 20.0, 100.0}) {
      cases.push_back({photons, background});
      rows.push_back(Measure(photons, background, photons < 500 ? per_faint_row : per_row));
    }

  std::printf("Isolated beads through the frame localizer (sigma %.1f px, alpha 0.001; "
              "%ld beads per row, %ld at 300 photons)\n\n",
              kSigma, per_row, per_faint_row);
  std::printf("1. Width held at the true PSF width (4 parameters)\n");
  std::printf("%7s %5s %9s %8s %9s %9s %7s %10s %10s %9s %8s %8s %8s %8s\n", "photons", "bg",
              "CRB [px]", "CRB5/CRB", "rms/CRB x", "rms/CRB y", "+-se", "bias/CRB x", "bias/CRB y",
              "failed", "missed", "oracle", "o.failed", "B2/CRB");
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& w = rows[r];
    const Bounds& b = w.bounds;
    const double crb_x = std::sqrt(b.crb_x2 / b.count);
    std::printf("%7.0f %5.0f %9.4f %8.4f", cases[r].first, cases[r].second, crb_x,
                std::sqrt(b.crb5_x2 / b.count) / crb_x);
    PrintErrors(w.held, b);
    const double oracle_n = 2.0 * w.oracle.found;
    std::printf(" %7.3f%% %8.3f %7.3f%% %8.4f\n",
                100.0 * w.missed / (w.missed + w.held.found + w.held.failed),
                std::sqrt((w.oracle.sx2 + w.oracle.sy2) / oracle_n) /
                    std::sqrt((b.crb_x2 + b.crb_y2) / (2.0 * b.count)),
                100.0 * w.oracle_failed / (w.oracle.found + w.oracle_failed),
                std::sqrt((b.b2_x2 + b.b2_y2) / (b.crb_x2 + b.crb_y2)));
  }
  std::printf("\n2. As ORBILocalization runs: width measured from 8 frames and held, or free\n");
  std::printf("%7s %5s %7s %9s %9s %7s %10s %10s %9s\n", "photons", "bg", "width", "rms/CRB x",
              "rms/CRB y", "+-se", "bias/CRB x", "bias/CRB y", "failed");
  for (size_t r = 0; r < rows.size(); ++r) {
    std::printf("%7.0f %5.0f", cases[r].first, cases[r].second);
    if (rows[r].width > 0)
      std::printf(" %7.4f", rows[r].width / kSigma);
    else
      std::printf(" %7s", "free");
    PrintErrors(rows[r].program, rows[r].bounds);
    std::printf("\n");
  }
  std::printf("\n3. Width free per bead (5 parameters; held only where the free fit fails)\n");
  std::printf("%7s %5s %9s %9s %7s %10s %10s %9s\n", "photons", "bg", "rms/CRB x", "rms/CRB y",
              "+-se", "bias/CRB x", "bias/CRB y", "failed");
  for (size_t r = 0; r < rows.size(); ++r) {
    std::printf("%7.0f %5.0f", cases[r].first, cases[r].second);
    PrintErrors(rows[r].free_width, rows[r].bounds);
    std::printf("\n");
  }
  std::printf("\nA ratio of N fits scatters by about 1/sqrt(2N) when the errors are normal "
              "(%.2f %% at %ld beads);\nthe +-se column measures it from the errors "
              "themselves. A bias scatters by about\nrms/CRB / sqrt(N) (%.3f of the bound at %ld "
              "beads, %.3f at %ld).\n\n",
              100 / std::sqrt(2.0 * per_row), per_row, 1 / std::sqrt(1.0 * per_row), per_row,
              1 / std::sqrt(1.0 * per_faint_row), per_faint_row);
  SeriesWidthTable(10);
  return 0;
}
