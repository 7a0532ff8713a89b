/*
 * beads.h - the bead localization engine: pixel-integrated Gaussian PSF model,
 * detection of beads by a significance test, maximum-likelihood fits of one or
 * several emitters under Poisson noise, their Cramer-Rao precision, a frame
 * localizer that ties these together, and the random numbers and rendering
 * that the simulator needs.
 *
 * Coordinates: pixel (i, j) of an image covers [i - 0.5, i + 0.5] x
 * [j - 0.5, j + 0.5]; positions are in pixels with the centre of the first
 * pixel at (0, 0). Images are row-major float arrays (row j starts at j*stride)
 * holding photon counts, i.e. camera counts already converted by the photon
 * conversion factor and freed of the camera offset.
 *
 * Every call returns a BEADS_* status code; no call throws or prints.
 * The engine does not depend on any window system. It also creates the
 * temporary files beside the outputs of the programs that use it.
 */
#ifndef TREMOSCAN_BEADS_H
#define TREMOSCAN_BEADS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes. Values only grow; gaps stay. */
#define BEADS_OK 0
#define BEADS_ERR_ARGUMENT 1      /* a parameter is out of its range */
#define BEADS_ERR_MEMORY 2        /* an allocation failed */
#define BEADS_ERR_NOT_CONVERGED 3 /* the fit hit its iteration limit */
#define BEADS_ERR_SINGULAR 4      /* the Fisher information is not invertible */
#define BEADS_ERR_DIVERGED 5      /* the fit left the fit region or lost its signal */
#define BEADS_ERR_FILE 6          /* a file could not be created; errno tells why */

/* Largest number of emitters fitted jointly in one region. */
#define BEADS_MAX_EMITTERS 8
/* Largest side of a fit region in pixels. */
#define BEADS_MAX_ROI 48

/* ---------------------------------------------------------------- random */

/* xoshiro256** state; equal seeds give equal sequences on every platform. */
typedef struct BeadsRng {
  uint64_t s[4]; /* generator state, never all zero */
} BeadsRng;

/* Seeds a generator from a seed and a stream number (for example a frame
 * index), so that independent streams can be drawn in any order. */
void BeadsRngSeed(BeadsRng* rng, uint64_t seed, uint64_t stream);
uint64_t BeadsRngNext(BeadsRng* rng);
/* Uniform in [0, 1) with 53 random bits. */
double BeadsRngUniform(BeadsRng* rng);
/* Standard normal deviate. */
double BeadsRngGaussian(BeadsRng* rng);
/* Poisson deviate of the given mean (mean <= 0 gives 0). */
double BeadsRngPoisson(BeadsRng* rng, double mean);
/* Gamma deviate of the given shape and scale (shape <= 0 gives 0). */
double BeadsRngGamma(BeadsRng* rng, double shape, double scale);

/* ------------------------------------------------------------- PSF model */

/* Standard deviation in pixels of the Gaussian that best matches the in-focus
 * widefield diffraction pattern: 0.21 * wavelength / NA, converted with the
 * pixel size. Returns 0 when any input is not positive. */
double BeadsPsfSigmaFromOptics(double wavelength_nm, double numerical_aperture,
                               double pixel_size_um);

/* Fraction of a unit Gaussian (centre, sigma) that falls into pixels
 * first .. first + count - 1 along one axis; out[k] for pixel first + k. */
int BeadsPixelIntegrals(double centre, double sigma, int first, int count, double* out);

/* One emitter: position in pixels and total photons (over the whole plane). */
typedef struct BeadsEmitter {
  double x;       /* column position, pixels */
  double y;       /* row position, pixels */
  double photons; /* expected photons of the bead in this frame */
} BeadsEmitter;

/* Adds the expected photons of the emitters (pixel-integrated Gaussian PSF of
 * the given sigma) to an nx by ny image; each emitter is rendered over +-6
 * sigma around its centre, clipped to the image. */
int BeadsRenderEmitters(double* image, int nx, int ny, const BeadsEmitter* emitters,
                        int count, double sigma);

/* ------------------------------------------------- fitting and precision */

typedef struct BeadsFitOptions {
  float psf_sigma;    /* starting (or fixed) PSF sigma, pixels */
  int fit_sigma;      /* 1: sigma is a free parameter, 0: held at psf_sigma */
  float sigma_min;    /* lowest admitted sigma, pixels (0: psf_sigma / 3) */
  float sigma_max;    /* highest admitted sigma, pixels (0: 3 * psf_sigma) */
  int max_iterations; /* iteration limit (0: 30 with sigma free, 100 with sigma held) */
  float tolerance;    /* converged when both position steps are below this, pixels (0: 1e-4) */
} BeadsFitOptions;

/* Fills options with the defaults for a starting sigma. */
void BeadsFitOptionsDefault(BeadsFitOptions* options, float psf_sigma);

/* A fit region: a rectangle of an image plus, optionally, a map of photons
 * per pixel that are known to come from elsewhere (neighbouring beads that
 * are not part of this fit), laid out like the image. */
typedef struct BeadsRegion {
  const float* image; /* first pixel of the whole image */
  const float* known; /* known extra photons per pixel, or NULL */
  int stride;         /* elements per image row */
  int x0;             /* first column of the region */
  int y0;             /* first row of the region */
  int width;          /* columns of the region, 3 .. BEADS_MAX_ROI */
  int height;         /* rows of the region, 3 .. BEADS_MAX_ROI */
} BeadsRegion;

typedef struct BeadsFitResult {
  float x;               /* column position, pixels (image coordinates) */
  float y;               /* row position, pixels */
  float photons;         /* total photons of the bead */
  float background;      /* background, photons per pixel */
  float sigma;           /* PSF sigma, pixels */
  float precision_x;     /* Cramer-Rao standard deviation of x, pixels */
  float precision_y;     /* Cramer-Rao standard deviation of y, pixels */
  float precision_photons;    /* Cramer-Rao standard deviation of photons */
  float precision_background; /* Cramer-Rao standard deviation of background */
  float precision_sigma; /* Cramer-Rao standard deviation of sigma (0 when fixed) */
  float quality;         /* Poisson deviance per degree of freedom (about 1 for a good fit) */
  int iterations;        /* iterations used */
  int status;            /* BEADS_OK or the reason the fit failed */
} BeadsFitResult;

/* Maximum-likelihood fit of one emitter under Poisson noise by Fisher scoring
 * with bounded steps. start may be NULL (then the start comes from the
 * region's minimum and centroid); otherwise it gives x, y (image pixels) and
 * photons, and background_start the background (negative: estimate it).
 * Returns the fit's status, also stored in result->status. */
int BeadsFitSingle(const BeadsRegion* region, const BeadsFitOptions* options,
                   const BeadsEmitter* start, float background_start, BeadsFitResult* result);

/* Joint fit of count (1 .. BEADS_MAX_EMITTERS) emitters with a common
 * background and a common PSF sigma. starts are required. results[k] belongs
 * to starts[k]; every result carries the common background and sigma. */
int BeadsFitMulti(const BeadsRegion* region, const BeadsFitOptions* options, int count,
                  const BeadsEmitter* starts, float background_start, BeadsFitResult* results);

/* Cramer-Rao standard deviations of the parameters of count emitters in a
 * width x height region with uniform background (photons per pixel) and PSF
 * sigma, computed from the Fisher information of the pixel-integrated
 * Gaussian under Poisson noise in double precision. Emitter positions are
 * region coordinates. Output order: x, y, photons of each emitter, then
 * background, then sigma when sigma_free; std_out needs 3 * count + 2 slots. */
int BeadsCramerRao(int width, int height, const BeadsEmitter* emitters, int count,
                   double background, double sigma, int sigma_free, double* std_out);

/* Second-order Bhattacharyya bound on the standard deviations of x and y of
 * one emitter in a width x height region (x, y, photons and background
 * unknown, sigma known; position in region coordinates): no unbiased
 * estimator scatters less. It exceeds the Cramer-Rao bound only where the
 * model curves on the scale of the noise (few photons over a bright
 * background). std_out receives x, then y. */
int BeadsBhattacharyyaBound(int width, int height, const BeadsEmitter* emitter,
                            double background, double sigma, double* std_out);

/* ------------------------------------------------------------- detection */

typedef struct BeadsDetectOptions {
  float psf_sigma; /* PSF sigma, pixels: width of the matched filter */
  double alpha;    /* per-pixel false-alarm probability of the significance test */
  int tile;        /* side of the background tiles, pixels (0: 32) */
} BeadsDetectOptions;

typedef struct BeadsCandidate {
  int x;            /* column of the local maximum */
  int y;            /* row of the local maximum */
  float score;      /* standardized filter response (z score) */
  float photons;    /* photon estimate from the filter response */
  float background; /* local background estimate, photons per pixel */
} BeadsCandidate;

/* One-sided standard normal quantile: z with P(Z > z) = p, 0 < p < 1. */
double BeadsNormalUpperQuantile(double p);

typedef struct BeadsDetector BeadsDetector;

/* Creates a detector with scratch for nx by ny frames. */
int BeadsDetectorCreate(int nx, int ny, const BeadsDetectOptions* options,
                        BeadsDetector** detector);
void BeadsDetectorDestroy(BeadsDetector* detector);

/* Detects the beads of one frame. The candidates stay valid until the next
 * call; *count receives their number. */
int BeadsDetect(BeadsDetector* detector, const float* image, const BeadsCandidate** candidates,
                int* count);

/* Per-pixel background of the last frame detected (photons per pixel) and
 * the number of pixels whose significance exceeded the threshold (whether
 * or not they were local maxima), for measuring the false-alarm rate. */
const float* BeadsDetectorBackground(const BeadsDetector* detector);
long BeadsDetectorExceedances(const BeadsDetector* detector);

/* Camera offset left in photon-converted data, estimated from a frame as the
 * difference between mean and variance of its background pixels (a Poisson
 * variable has variance equal to its mean, so what is left is the offset,
 * less the read-noise variance). Subtracting it gives data whose variance
 * equals its mean. */
int BeadsEstimateOffset(const float* image, int nx, int ny, double* offset);

/* ------------------------------------------------------- frame localizer */

typedef struct BeadsLocalizerOptions {
  float psf_sigma;          /* PSF sigma, pixels: the matched filter's width, and the
                               starting sigma (fit_sigma 1) or the held one (0) */
  double alpha;             /* detection false-alarm probability per pixel */
  float overlap_threshold;  /* beads overlapping more than this are fitted jointly */
  int multi_emitter;        /* 1: fit overlapping beads jointly */
  int fit_sigma;            /* 1: PSF sigma is a fit parameter; 0: held at psf_sigma
                               (a series whose PSF width was measured) */
  float sigma_min;          /* lowest admitted fitted sigma, pixels (0: psf_sigma / 3) */
  float sigma_max;          /* highest admitted fitted sigma, pixels (0: 3 * psf_sigma) */
  int roi_half_width;       /* fit region is 2 * this + 1 pixels wide (0: from sigma) */
} BeadsLocalizerOptions;

void BeadsLocalizerOptionsDefault(BeadsLocalizerOptions* options, float psf_sigma);

/* Side of the square fit region used for a PSF sigma. */
int BeadsRoiSize(float psf_sigma);

typedef struct BeadsLocalization {
  int frame;         /* frame index, 0 for the first */
  float photons;     /* photons of the bead */
  float y;           /* row position, pixels */
  float y_precision; /* Cramer-Rao standard deviation of y, pixels */
  float x;           /* column position, pixels */
  float x_precision; /* Cramer-Rao standard deviation of x, pixels */
  float background;  /* photons per pixel */
  float sigma;       /* fitted PSF sigma, pixels */
  float quality;     /* Poisson deviance per degree of freedom */
  int group_size;    /* emitters fitted jointly with this one (1: alone) */
  float score;       /* detection z score of the candidate it came from */
} BeadsLocalization;

typedef struct BeadsLocalizer BeadsLocalizer;

int BeadsLocalizerCreate(int nx, int ny, const BeadsLocalizerOptions* options,
                         BeadsLocalizer** localizer);
void BeadsLocalizerDestroy(BeadsLocalizer* localizer);

/* Detects and fits the beads of one frame of photon counts. The results stay
 * valid until the next call on the same localizer. */
int BeadsLocalizeFrame(BeadsLocalizer* localizer, const float* image, int frame,
                       const BeadsLocalization** results, int* count);

/* PSF sigma shared by the beads of a series, from localizations of a few of
 * its frames made with sigma free (start_sigma: the localizer's psf_sigma):
 * the median of the fitted sigmas of the beads whose sigma is well
 * determined (Cramer-Rao bound within 15 % of it at the photons and
 * background that the same bead, within a pixel, shows in the other
 * frames). Joint fits, fits whose sigma was held at start_sigma, fits with
 * a quality of 2 or more and beads seen in one frame only do not count.
 * *standard_error receives the estimate's standard error in pixels (from
 * the spread of the widths, never below the fits' own noise), *used the
 * number of fits that counted. BEADS_ERR_ARGUMENT when none counts. */
int BeadsSeriesPsfSigma(const BeadsLocalization* locs, int count, float start_sigma,
                        double* sigma, double* standard_error, int* used);

/* ------------------------------------------------------------ output files */

/* Creates a new, empty file named path + tag + six unique characters, in
 * path's directory, exclusively: no existing name is ever opened, so a
 * symbolic link planted where outputs go (often /tmp) cannot redirect the
 * write. Mode 0644, close-on-exec. The programs write an output there and
 * rename it over path only when it is complete. The name goes to name
 * (size bytes), the open descriptor to *fd. BEADS_ERR_ARGUMENT when the
 * name does not fit, BEADS_ERR_FILE when the file cannot be created; errno
 * tells why in both cases. */
int BeadsCreateTemporaryBeside(const char* path, const char* tag, char* name, size_t size,
                               int* fd);

#ifdef __cplusplus
}
#endif

#endif /* TREMOSCAN_BEADS_H */
