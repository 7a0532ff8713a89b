/*
 * linking.h - linking bead localizations of successive frames into tracks:
 * an exact sparse assignment solver, the estimate of the common motion of
 * the field, frame-to-frame links, gap closing, the spread test that keeps
 * loose beads out of the tracks, refinement of missed frames by fits on the
 * image, and the track file writer.
 *
 * Flow of one run (see docs/track-file.md for the rules and the file):
 *
 *   LinkingSessionCreate
 *     -> LinkingReadLocalizations (or LinkingSetLocalizations)
 *     -> LinkingLinkTracks
 *     -> LinkingRefineTracks        (optional: needs the image's pixels)
 *     -> LinkingWriteTrackFile
 *   LinkingSessionDestroy
 *
 * Units: positions, precisions and PSF widths of events are in pixels of the
 * image (the centre of the first pixel is 0); the linking parameters are in
 * nanometres and are applied to positions converted with the pixel sizes.
 *
 * Every call returns a LINKING_* status; none throws or prints. Calls that
 * can fail for a reason the user must see write a one-line message (without
 * a line end) into the caller's buffer when one is given. Long calls watch an
 * optional stop flag (set from a signal handler) and return
 * LINKING_ERR_CANCELED soon after it becomes non-zero.
 */
#ifndef TREMOSCAN_LINKING_H
#define TREMOSCAN_LINKING_H

#include <signal.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes. Values only grow; gaps stay. */
#define LINKING_OK 0
#define LINKING_ERR_ARGUMENT 1   /* a parameter is out of its range, or calls out of order */
#define LINKING_ERR_MEMORY 2     /* an allocation failed */
#define LINKING_ERR_INFEASIBLE 3 /* the assignment problem has no complete solution */
#define LINKING_ERR_FORMAT 4     /* the localization file is malformed */
#define LINKING_ERR_READ 5       /* the localization file cannot be opened or read */
#define LINKING_ERR_WRITE 6      /* the track file cannot be written */
#define LINKING_ERR_CANCELED 7   /* the stop flag was raised */
#define LINKING_ERR_PIXELS 8     /* the pixel source failed during refinement */

/* Tracks that the application's estimate uses (it ignores tracks numbered
 * higher and warns when N_TRACKS exceeds this). Tracks that lack frames are
 * numbered only up to this many tracks in all. */
#define LINKING_TRACK_CAP 300
/* Largest time window (missing frames that one gap may span). */
#define LINKING_MAX_TIME_WINDOW 1000
/* Largest common motion of the field between two successive frames that the
 * motion estimate searches for, nanometres (twice the search radius when
 * that is larger). */
#define LINKING_MOTION_CAPTURE_NM 1500.0

/* ------------------------------------------------------------ assignment */

/* Square assignment: n rows and n columns, the admitted (row, column) pairs
 * given row by row (compressed rows: the pairs of row i are
 * columns[row_start[i] .. row_start[i+1]-1] with costs[...]; row_start has
 * n + 1 entries). Finds an assignment of every row to a distinct column of
 * minimum total cost, or returns LINKING_ERR_INFEASIBLE when the admitted
 * pairs allow none. row_to_column receives n entries; total_cost may be
 * NULL. Costs are any finite numbers. */
int LinkingSolveAssignment(int n, const int *row_start, const int *columns, const double *costs,
                           int *row_to_column, double *total_cost);

/* Partial assignment: rows and columns may also stay unassigned, at a cost
 * of row_alone_cost per unassigned row and column_alone_cost per unassigned
 * column. Minimises the sum of the costs of the chosen pairs and of the
 * unassigned rows and columns. row_to_column receives `rows` entries: the
 * column of each row, or -1. Always feasible. */
int LinkingSolvePartialAssignment(int rows, int columns, const int *row_start,
                                  const int *column_index, const double *costs,
                                  double row_alone_cost, double column_alone_cost,
                                  int *row_to_column, double *total_cost);

/* ---------------------------------------------------------------- events */

/* One localized bead in one frame: a line of the localization file and of
 * the track file. */
typedef struct LinkingEvent {
  int32_t frame;     /* frame index, 0 for the first time point */
  int32_t track;     /* track number from 1; 0: in no track */
  double x;          /* column position, pixels */
  double y;          /* row position, pixels */
  float photons;     /* photons of the bead */
  float x_precision; /* standard deviation of x, pixels */
  float y_precision; /* standard deviation of y, pixels */
  float background;  /* background, photons per pixel */
  float psf_sigma;   /* PSF sigma, pixels */
  float quality;     /* fit quality: Poisson deviance per degree of freedom */
} LinkingEvent;

/* What the localization file says about the image series. */
typedef struct LinkingSeries {
  int nx;                   /* frame width, pixels (N_PIXELS_X); -1 unknown */
  int ny;                   /* frame height, pixels (N_PIXELS_Y); -1 unknown */
  int x_start, x_end;       /* analysed columns (REGION_X_*); -1 when not given */
  int y_start, y_end;       /* analysed rows (REGION_Y_*); -1 when not given */
  int t_start, t_end;       /* time points (REGION_T_*): frames = t_end - t_start + 1 */
  int t_increment;          /* time point step */
  double pixel_size_x;      /* micrometres, > 0 */
  double pixel_size_y;      /* micrometres, > 0 */
  double psf_sigma;         /* starting PSF sigma of the localization, pixels; 0 unknown */
  double photon_conversion; /* photons per camera count; 0 unknown (taken as 1) */
  double camera_offset;     /* photons subtracted after conversion */
  double alpha;             /* false-alarm probability of the detection; 0 unknown (0.001) */
} LinkingSeries;

/* The four options of the refinement program. */
typedef struct LinkingParameters {
  double max_std;       /* nm: largest spread (standard deviation along X or Y) of a
                           track's positions relative to the field */
  double search_radius; /* nm: largest motion of a bead relative to the field between
                           two linked events */
  double gap_penalty;   /* >= 1: cost factor per missing frame of a closed gap */
  int time_window;      /* most missing frames one closed gap may span, 0 .. 1000 */
} LinkingParameters;

/* The values the application passes: 100 nm, 100 nm, 1.5, 3 frames. */
void LinkingParametersDefault(LinkingParameters *parameters);

/* Counts of one run, for reports and benchmarks. */
typedef struct LinkingStatistics {
  long events;             /* events held (refined ones included) */
  long frame_links;        /* links between events of successive frames */
  long gaps_closed;        /* links across missing frames (both passes) */
  long segments;           /* chains of frame links before gap closing */
  long tracks;             /* numbered tracks (N_TRACKS) */
  long complete_tracks;    /* numbered tracks with an event in every frame */
  long unnumbered_chains;  /* chains of two or more events beyond the cap, in no track */
  long dissolved_tracks;   /* chains whose spread exceeded max_std */
  long unlinked_events;    /* events in no track */
  long fits_tried;         /* refinement fits attempted */
  long refined_events;     /* events added by refinement */
  long uncertain_motions;  /* successive frames whose common motion could not be trusted */
} LinkingStatistics;

/* Fills width * height photons (row-major, row y0 first) of frame `frame`
 * of the image, for the patch whose top-left pixel is (x0, y0). Returns 0,
 * or non-zero when the pixels cannot be read (refinement then fails with
 * LINKING_ERR_PIXELS and the reader's message, if it wrote one). */
typedef int (*LinkingPatchReader)(void *context, int frame, int x0, int y0, int width,
                                  int height, float *photons, char *message,
                                  size_t message_size);

typedef struct LinkingSession LinkingSession;

int LinkingSessionCreate(LinkingSession **session);
void LinkingSessionDestroy(LinkingSession *session);

/* Reads a localization file (docs/localization-file.md). Malformed lines are
 * reported with their line number. */
int LinkingReadLocalizations(LinkingSession *session, const char *path,
                             const volatile sig_atomic_t *stop, char *message,
                             size_t message_size);

/* Sets the series and the events directly (copies them; the track numbers
 * given are ignored). image may be NULL. */
int LinkingSetLocalizations(LinkingSession *session, const LinkingSeries *series,
                            const char *image, const LinkingEvent *events, long count,
                            char *message, size_t message_size);

/* The series read or set, and the image path of the localization file ("" if none). */
const LinkingSeries *LinkingGetSeries(const LinkingSession *session);
const char *LinkingImagePath(const LinkingSession *session);

/* Estimates the common motion, links frame to frame, closes gaps, dissolves
 * tracks that spread beyond max_std and numbers the tracks. */
int LinkingLinkTracks(LinkingSession *session, const LinkingParameters *parameters,
                      const volatile sig_atomic_t *stop, char *message, size_t message_size);

/* After LinkingLinkTracks: fits every track at its expected position in the
 * frames it lacks (inside its span and beyond its ends), adds the fits that
 * are significant against background alone, joins tracks whose gaps have
 * become short enough and numbers the tracks again. On failure the links
 * are gone (the session is as loaded; link again to use it). */
int LinkingRefineTracks(LinkingSession *session, const LinkingParameters *parameters,
                        LinkingPatchReader reader, void *context,
                        const volatile sig_atomic_t *stop, char *message, size_t message_size);

/* Writes the track file (docs/track-file.md) under a temporary name beside
 * `path` and renames it into place; nothing is left behind on failure. */
int LinkingWriteTrackFile(const LinkingSession *session, const LinkingParameters *parameters,
                          const char *path, const volatile sig_atomic_t *stop, char *message,
                          size_t message_size);

/* The events: those read or set, in their order, then those added by
 * refinement. Track numbers are valid after LinkingLinkTracks. */
long LinkingEventCount(const LinkingSession *session);
const LinkingEvent *LinkingEvents(const LinkingSession *session);

/* Position of the field in a frame relative to the first frame, nanometres
 * (valid after LinkingLinkTracks). Returns LINKING_ERR_ARGUMENT for a frame
 * outside the series or before linking. */
int LinkingFieldOffset(const LinkingSession *session, int frame, double *x_nm, double *y_nm);

void LinkingGetStatistics(const LinkingSession *session, LinkingStatistics *statistics);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(LinkingEvent) == 48, "LinkingEvent is a 48-byte record");
#endif

#endif /* TREMOSCAN_LINKING_H */
