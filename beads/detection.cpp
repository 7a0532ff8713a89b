// Bead detection: a matched filter on the background-subtracted frame and a
// significance test on its local maxima.
//
// 1. Background. The frame is cut into tiles (32 x 32 by default). In each
//    tile the pixels above median + 5 sqrt(median) (bead cores; the median
//    from a sample of the tile) are dropped and the rest averaged; the tile values are interpolated bilinearly
//    between tile centres into a per-pixel background B.
// 2. Filter. F = g * (z - B), with g the pixel-integrated Gaussian of the
//    PSF sigma normalised to sum 1, separable, truncated at 3 sigma and at
//    the frame's edges (pixels outside the frame contribute nothing).
// 3. Test. Under "background only" F has mean 0, variance
//    B sum g^2 + (sum g)^2 var(B) and (Poisson) skewness coefficient
//    gamma = sum g^3 / ((sum g^2)^1.5 sqrt(B)). A pixel is significant when
//    F > z sd + (z^2 - 1) / 6 * gamma sd, the Cornish-Fisher corrected
//    upper alpha quantile (z the standard normal upper-alpha quantile).
//    So alpha is the probability that a given background pixel passes the
//    test. A detection is a significant pixel that is also a strict local
//    maximum of F in its 3 x 3 neighbourhood, so the rate of false
//    detections per background pixel is below alpha (the benchmark measures
//    both numbers).
// 4. Each detection carries its z score, the photon estimate F / sum g^2
//    (F's expectation for a bead of N photons at the pixel is about
//    N sum g^2) and B at the pixel.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <vector>

#include "beads.h"
#include "psf_axis.h"

struct BeadsDetector {
  int nx;                          // frame columns
  int ny;                          // frame rows
  int tile;                        // tile side, pixels
  int radius;                      // filter half-width, pixels
  double z;                        // standard normal upper-alpha quantile
  std::vector<float> kernel;       // 2 * radius + 1 taps, sum 1
  std::vector<float> sum_x, sum_y;     // per column / row: sum of in-frame taps
  std::vector<float> sum2_x, sum2_y;   // sums of squared taps
  std::vector<float> sum3_x, sum3_y;   // sums of cubed taps
  std::vector<float> skew_x;           // per column: sum3_x / sum2_x
  std::vector<float> background;   // nx * ny, photons per pixel
  std::vector<float> background_var;   // nx * ny, variance of the background estimate
  std::vector<float> residual;     // nx * ny, z - B, then scratch
  std::vector<float> horizontal;   // nx * ny, rows filtered
  std::vector<float> filtered;     // nx * ny, F
  std::vector<float> tile_pixels;  // scratch for one tile
  int tiles_x, tiles_y;            // background tiles along X and Y
  std::vector<int> col_tile, col_tile1, row_tile, row_tile1;  // tiles blended per column / row
  std::vector<float> col_weight, row_weight;  // weight of the second tile
  std::vector<BeadsCandidate> candidates;  // detections of the last frame
  long exceedances;                // significant pixels of the last frame
};

namespace {

// Tile background: mean of the pixels not above median + 5 sqrt(median).
void TileBackgrounds(BeadsDetector* d, const float* image, std::vector<float>* means,
                     std::vector<float>* counts, int tiles_x, int tiles_y) {
  for (int ty = 0; ty < tiles_y; ++ty) {
    for (int tx = 0; tx < tiles_x; ++tx) {
      const int x0 = tx * d->nx / tiles_x, x1 = (tx + 1) * d->nx / tiles_x;
      const int y0 = ty * d->ny / tiles_y, y1 = (ty + 1) * d->ny / tiles_y;
      // The median only places the cut, so a sample of about 128 pixels
      // spread over the tile is enough (its error is about a tenth of the
      // noise, against a cut five noise units up).
      const long area = static_cast<long>(x1 - x0) * (y1 - y0);
      const long step = std::max(1L, area / 128) | 1;  // odd: the sample spans columns
      d->tile_pixels.clear();
      for (long k = 0; k < area; k += step)
        d->tile_pixels.push_back(
            image[static_cast<size_t>(y0 + k / (x1 - x0)) * d->nx + x0 + k % (x1 - x0)]);
      auto mid = d->tile_pixels.begin() + d->tile_pixels.size() / 2;
      std::nth_element(d->tile_pixels.begin(), mid, d->tile_pixels.end());
      const float median = *mid;
      const float cut = median + 5.0f * std::sqrt(std::max(median, 1.0f));
      double sum = 0;
      long n = 0;
      for (int j = y0; j < y1; ++j) {
        const float* row = image + static_cast<size_t>(j) * d->nx;
        float row_sum = 0;
        int row_n = 0;
        for (int i = x0; i < x1; ++i) {
          const bool keep = row[i] <= cut;
          row_sum += keep ? row[i] : 0.0f;
          row_n += keep ? 1 : 0;
        }
        sum += row_sum;
        n += row_n;
      }
      (*means)[ty * tiles_x + tx] = static_cast<float>(n > 0 ? sum / n : median);
      (*counts)[ty * tiles_x + tx] = static_cast<float>(n > 0 ? n : 1);
    }
  }
}

// Bilinear interpolation of tile values between tile centres (constant
// beyond the outermost centres). The weights separate into a column and a
// row factor, so each tile row is first interpolated along X into a line,
// and every frame row is a blend of two such lines.
void InterpolateTiles(BeadsDetector* d, const std::vector<float>& means,
                      const std::vector<float>& counts) {
  const int nx = d->nx, tx_count = d->tiles_x;
  // Per tile row: interpolated means and variance factors along X.
  std::vector<float> lines(static_cast<size_t>(d->tiles_y) * nx);
  std::vector<float> var_lines(static_cast<size_t>(d->tiles_y) * nx);
  for (int ty = 0; ty < d->tiles_y; ++ty) {
    const float* m = means.data() + ty * tx_count;
    const float* c = counts.data() + ty * tx_count;
    float* line = lines.data() + static_cast<size_t>(ty) * nx;
    float* var_line = var_lines.data() + static_cast<size_t>(ty) * nx;
    for (int i = 0; i < nx; ++i) {
      const int t0 = d->col_tile[i], t1 = d->col_tile1[i];
      const float w = d->col_weight[i];
      line[i] = (1 - w) * m[t0] + w * m[t1];
      // Each tile mean has variance b / count; interpolation combines them
      // as independent estimates.
      var_line[i] = (1 - w) * (1 - w) / c[t0] + w * w / c[t1];
    }
  }
  for (int j = 0; j < d->ny; ++j) {
    const float w = d->row_weight[j];
    const float* l0 = lines.data() + static_cast<size_t>(d->row_tile[j]) * nx;
    const float* l1 = lines.data() + static_cast<size_t>(d->row_tile1[j]) * nx;
    const float* v0 = var_lines.data() + static_cast<size_t>(d->row_tile[j]) * nx;
    const float* v1 = var_lines.data() + static_cast<size_t>(d->row_tile1[j]) * nx;
    float* b = d->background.data() + static_cast<size_t>(j) * nx;
    float* v = d->background_var.data() + static_cast<size_t>(j) * nx;
    for (int i = 0; i < nx; ++i) {
      b[i] = (1 - w) * l0[i] + w * l1[i];
      const float factor = (1 - w) * (1 - w) * v0[i] + w * w * v1[i];
      v[i] = (b[i] > 0 ? b[i] : 0.0f) * factor;
    }
  }
}

// Interpolation weights along one axis of n pixels cut into `tiles` tiles.
void AxisWeights(int n, int tiles, std::vector<int>* tile, std::vector<int>* tile1,
                 std::vector<float>* weight) {
  const float size = static_cast<float>(n) / tiles;
  tile->resize(n);
  tile1->resize(n);
  weight->resize(n);
  for (int i = 0; i < n; ++i) {
    const float f = std::clamp((i + 0.5f) / size - 0.5f, 0.0f, static_cast<float>(tiles - 1));
    const int t = std::min(static_cast<int>(f), tiles - 1);
    (*tile)[i] = t;
    (*tile1)[i] = std::min(t + 1, tiles - 1);
    (*weight)[i] = f - t;
  }
}

// Sums of in-frame taps, their squares and cubes, for every position along
// an axis of length n.
void EdgeSums(const std::vector<float>& kernel, int radius, int n, std::vector<float>* s1,
              std::vector<float>* s2, std::vector<float>* s3) {
  s1->assign(n, 0);
  s2->assign(n, 0);
  s3->assign(n, 0);
  for (int i = 0; i < n; ++i)
    for (int k = -radius; k <= radius; ++k) {
      if (i + k < 0 || i + k >= n) continue;
      const float g = kernel[k + radius];
      (*s1)[i] += g;
      (*s2)[i] += g * g;
      (*s3)[i] += g * g * g;
    }
}

// The separable filter. The taps are symmetric, so each pair of taps
// k, 2r - k shares one multiplication. An AVX2 and FMA clone is chosen at run
// time where the processor has them.
__attribute__((target_clones("arch=x86-64-v3", "default"))) void Filter(BeadsDetector* d) {
  const int nx = d->nx, ny = d->ny, r = d->radius;
  const float* g = d->kernel.data();
  // Rows: zero-padded copy of each residual row, then tap pair by tap pair.
  std::vector<float> padded(nx + 2 * r, 0.0f);
  for (int j = 0; j < ny; ++j) {
    const float* in = d->residual.data() + static_cast<size_t>(j) * nx;
    float* out = d->horizontal.data() + static_cast<size_t>(j) * nx;
    std::copy(in, in + nx, padded.begin() + r);
    const float* centre = padded.data() + r;
    for (int i = 0; i < nx; ++i) out[i] = g[r] * centre[i];
    for (int k = 1; k <= r; ++k) {
      const float w = g[r - k];
      const float* left = centre - k;
      const float* right = centre + k;
      for (int i = 0; i < nx; ++i) out[i] += w * (left[i] + right[i]);
    }
  }
  // Columns: accumulate whole shifted rows, tap pairs where both rows exist.
  for (int j = 0; j < ny; ++j) {
    float* out = d->filtered.data() + static_cast<size_t>(j) * nx;
    const float* centre = d->horizontal.data() + static_cast<size_t>(j) * nx;
    for (int i = 0; i < nx; ++i) out[i] = g[r] * centre[i];
    for (int k = 1; k <= r; ++k) {
      const float w = g[r - k];
      const bool up = j - k >= 0, down = j + k < ny;
      const float* above = centre - static_cast<ptrdiff_t>(k) * nx;
      const float* below = centre + static_cast<ptrdiff_t>(k) * nx;
      if (up && down) {
        for (int i = 0; i < nx; ++i) out[i] += w * (above[i] + below[i]);
      } else if (up) {
        for (int i = 0; i < nx; ++i) out[i] += w * above[i];
      } else if (down) {
        for (int i = 0; i < nx; ++i) out[i] += w * below[i];
      }
    }
  }
}

// Residual z - B before filtering.
__attribute__((target_clones("arch=x86-64-v3", "default"))) void Residual(BeadsDetector* d,
                                                                        const float* image) {
  const size_t n = static_cast<size_t>(d->nx) * d->ny;
  const float* b = d->background.data();
  float* r = d->residual.data();
  for (size_t p = 0; p < n; ++p) r[p] = image[p] - b[p];
}

// Threshold of every pixel (into the residual buffer, no longer needed)
// and the number of pixels above it.
__attribute__((target_clones("arch=x86-64-v3", "default"))) long Thresholds(BeadsDetector* d) {
  const int nx = d->nx, ny = d->ny;
  const float z = static_cast<float>(d->z);
  const float skew_term = (z * z - 1) / 6;
  long exceed = 0;
  for (int j = 0; j < ny; ++j) {
    const size_t row = static_cast<size_t>(j) * nx;
    const float s2y = d->sum2_y[j], s1y = d->sum_y[j];
    const float skew_y = skew_term * d->sum3_y[j] / s2y;
    const float* b = d->background.data() + row;
    const float* bv = d->background_var.data() + row;
    const float* f = d->filtered.data() + row;
    const float* s2x = d->sum2_x.data();
    const float* s1x = d->sum_x.data();
    const float* skx = d->skew_x.data();
    float* threshold = d->residual.data() + row;
    int row_exceed = 0;
    for (int i = 0; i < nx; ++i) {
      const float s2 = s2x[i] * s2y;
      const float s1 = s1x[i] * s1y;
      const float bb = b[i] > 1e-6f ? b[i] : 1e-6f;
      const float sd = std::sqrt(bb * s2 + s1 * s1 * bv[i]);
      threshold[i] = z * sd + skx[i] * skew_y;
      row_exceed += f[i] > threshold[i] ? 1 : 0;
    }
    exceed += row_exceed;
  }
  return exceed;
}

}  // namespace

extern "C" {

double BeadsNormalUpperQuantile(double p) {
  if (!(p > 0) || !(p < 1)) return NAN;
  // Acklam's rational approximation of the lower quantile (relative error
  // below 1.2e-9), refined by one Halley step on erfc.
  static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02,
                             -2.759285104469687e+02, 1.383577518672690e+02,
                             -3.066479806614716e+01, 2.506628277459239e+00};
  static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02,
                             -1.556989798598866e+02, 6.680131188771972e+01,
                             -1.328068155288572e+01};
  static const double c[] = {-7.784894002430293e-03, -3.223964580411365e-01,
                             -2.400758277161838e+00, -2.549732539343734e+00,
                             4.374664141464968e+00, 2.938163982698783e+00};
  static const double e[] = {7.784695709041462e-03, 3.224671290700398e-01,
                             2.445134137142996e+00, 3.754408661907416e+00};
  const double q_low = 1 - p;  // lower-tail probability of the wanted z
  double x;
  if (q_low < 0.02425) {
    const double q = std::sqrt(-2 * std::log(q_low));
    x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
        ((((e[0] * q + e[1]) * q + e[2]) * q + e[3]) * q + 1);
  } else if (q_low <= 1 - 0.02425) {
    const double q = q_low - 0.5, rr = q * q;
    x = (((((a[0] * rr + a[1]) * rr + a[2]) * rr + a[3]) * rr + a[4]) * rr + a[5]) * q /
        (((((b[0] * rr + b[1]) * rr + b[2]) * rr + b[3]) * rr + b[4]) * rr + 1);
  } else {
    const double q = std::sqrt(-2 * std::log(p));
    x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
        ((((e[0] * q + e[1]) * q + e[2]) * q + e[3]) * q + 1);
  }
  const double err = 0.5 * std::erfc(-x / std::sqrt(2.0)) - q_low;
  const double u = err * std::sqrt(2 * M_PI) * std::exp(x * x / 2);
  return x - u / (1 + x * u / 2);
}

int BeadsDetectorCreate(int nx, int ny, const BeadsDetectOptions* options,
                        BeadsDetector** detector) {
  if (!detector) return BEADS_ERR_ARGUMENT;
  *detector = nullptr;
  if (nx < 1 || ny < 1 || !options || !(options->psf_sigma > 0.1f) ||
      !(options->psf_sigma < 20) || !(options->alpha > 0) || !(options->alpha < 0.5) ||
      options->tile < 0)
    return BEADS_ERR_ARGUMENT;
  try {
    auto* d = new BeadsDetector();
    d->nx = nx;
    d->ny = ny;
    d->tile = options->tile > 0 ? options->tile : 32;
    d->radius = std::max(1, static_cast<int>(std::ceil(3 * options->psf_sigma)));
    d->z = BeadsNormalUpperQuantile(options->alpha);
    std::vector<double> taps(2 * d->radius + 1);
    BeadsPixelIntegrals(0.0, options->psf_sigma, -d->radius, 2 * d->radius + 1, taps.data());
    double total = 0;
    for (double t : taps) total += t;
    for (double t : taps) d->kernel.push_back(static_cast<float>(t / total));
    EdgeSums(d->kernel, d->radius, nx, &d->sum_x, &d->sum2_x, &d->sum3_x);
    EdgeSums(d->kernel, d->radius, ny, &d->sum_y, &d->sum2_y, &d->sum3_y);
    for (int i = 0; i < nx; ++i) d->skew_x.push_back(d->sum3_x[i] / d->sum2_x[i]);
    const size_t n = static_cast<size_t>(nx) * ny;
    d->background.resize(n);
    d->background_var.resize(n);
    d->residual.resize(n);
    d->horizontal.resize(n);
    d->filtered.resize(n);
    d->exceedances = 0;
    d->tiles_x = std::max(1, (nx + d->tile / 2) / d->tile);
    d->tiles_y = std::max(1, (ny + d->tile / 2) / d->tile);
    AxisWeights(nx, d->tiles_x, &d->col_tile, &d->col_tile1, &d->col_weight);
    AxisWeights(ny, d->tiles_y, &d->row_tile, &d->row_tile1, &d->row_weight);
    *detector = d;
    return BEADS_OK;
  } catch (const std::bad_alloc&) {
    return BEADS_ERR_MEMORY;
  }
}

void BeadsDetectorDestroy(BeadsDetector* detector) { delete detector; }

const float* BeadsDetectorBackground(const BeadsDetector* detector) {
  return detector ? detector->background.data() : nullptr;
}

long BeadsDetectorExceedances(const BeadsDetector* detector) {
  return detector ? detector->exceedances : 0;
}

int BeadsDetect(BeadsDetector* d, const float* image, const BeadsCandidate** candidates,
                int* count) {
  if (!d || !image || !candidates || !count) return BEADS_ERR_ARGUMENT;
  try {
    const int nx = d->nx, ny = d->ny;
    std::vector<float> means(d->tiles_x * d->tiles_y), counts(d->tiles_x * d->tiles_y);
    TileBackgrounds(d, image, &means, &counts, d->tiles_x, d->tiles_y);
    InterpolateTiles(d, means, counts);
    Residual(d, image);
    Filter(d);
    d->exceedances = Thresholds(d);

    d->candidates.clear();
    const float* f = d->filtered.data();
    for (int j = 0; j < ny; ++j) {
      for (int i = 0; i < nx; ++i) {
        const size_t p = static_cast<size_t>(j) * nx + i;
        const float v = f[p];
        if (!(v > d->residual[p])) continue;
        // Strict maximum against earlier neighbours, not below later ones:
        // a plateau yields exactly one maximum.
        bool peak = true;
        for (int dj = -1; dj <= 1 && peak; ++dj) {
          const int jj = j + dj;
          if (jj < 0 || jj >= ny) continue;
          for (int di = -1; di <= 1; ++di) {
            const int ii = i + di;
            if ((di == 0 && dj == 0) || ii < 0 || ii >= nx) continue;
            const float u = f[static_cast<size_t>(jj) * nx + ii];
            const bool earlier = dj < 0 || (dj == 0 && di < 0);
            if (earlier ? u >= v : u > v) {
              peak = false;
              break;
            }
          }
        }
        if (!peak) continue;
        const float s2 = d->sum2_x[i] * d->sum2_y[j];
        const float b = std::max(d->background[p], 1e-6f);
        BeadsCandidate c;
        c.x = i;
        c.y = j;
        c.score = v / std::sqrt(b * s2);
        c.photons = v / s2;
        c.background = d->background[p];
        d->candidates.push_back(c);
      }
    }
    *candidates = d->candidates.data();
    *count = static_cast<int>(d->candidates.size());
    return BEADS_OK;
  } catch (const std::bad_alloc&) {
    return BEADS_ERR_MEMORY;
  }
}

int BeadsEstimateOffset(const float* image, int nx, int ny, double* offset) {
  if (!image || nx < 2 || ny < 1 || !offset) return BEADS_ERR_ARGUMENT;
  try {
    const size_t n = static_cast<size_t>(nx) * ny;
    std::vector<float> values(image, image + n);
    auto mid = values.begin() + n / 2;
    std::nth_element(values.begin(), mid, values.end());
    const float median = *mid;
    // Robust spread from neighbour differences (insensitive to smooth
    // background variation): MAD * 1.4826 / sqrt(2).
    values.clear();
    for (int j = 0; j < ny; ++j)
      for (int i = 0; i + 1 < nx; ++i) {
        const size_t p = static_cast<size_t>(j) * nx + i;
        values.push_back(std::fabs(image[p + 1] - image[p]));
      }
    auto dmid = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), dmid, values.end());
    const double spread = std::max(1e-3, *dmid * 1.4826 / std::sqrt(2.0));
    const double lo = median - 4 * spread, hi = median + 4 * spread;
    double sum = 0, diff2 = 0;
    long count = 0, pairs = 0;
    for (int j = 0; j < ny; ++j)
      for (int i = 0; i < nx; ++i) {
        const size_t p = static_cast<size_t>(j) * nx + i;
        const double v = image[p];
        if (v < lo || v > hi) continue;
        sum += v;
        ++count;
        if (i + 1 < nx && image[p + 1] >= lo && image[p + 1] <= hi) {
          const double dv = image[p + 1] - v;
          diff2 += dv * dv;
          ++pairs;
        }
      }
    if (count == 0 || pairs == 0) return BEADS_ERR_ARGUMENT;
    *offset = sum / count - diff2 / (2.0 * pairs);
    return BEADS_OK;
  } catch (const std::bad_alloc&) {
    return BEADS_ERR_MEMORY;
  }
}

}  // extern "C"
