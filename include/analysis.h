/*
 * analysis.h - track analysis: the track file readers, the vibration
 * estimation from fiducial bead tracks, and the lens table.
 *
 * The tracking program leaves a text file in which every bead event carries
 * its frame, its position and the number of the track it belongs to.
 * ReadTrackHeader and ReadTrackEvents read that file; EstimateVibration keeps
 * the tracks that cover every frame, rejects outlier tracks (FlagOutliers) and
 * reduces the displacements to a mean and a standard deviation per axis;
 * AnalyzeTracks stores the band limits and vibration values application-wide,
 * where the chart code reads them through the Analysis* accessors.
 *
 * AnalyzeStageMotion goes beyond that number for the batch command: from
 * the same track file and kept tracks it measures the stage's own motion
 * without the localization noise, its drift, spectrum, Allan deviation and
 * a table of every track.
 *
 * The lens table turns an image's lens id into the objective's optical data
 * (LookupLens, ReadLensTable, ImmersionIndex).
 *
 * Every call runs on the caller's thread and returns a status code; nothing
 * is thrown across this interface. The estimation shows its two blocking
 * messages through the widget layer (WMConfirmError).
 */
#ifndef TREMOSCAN_ANALYSIS_H
#define TREMOSCAN_ANALYSIS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Fixed sizes ---- */

/* At most this many tracks take part in an estimation; tracks numbered above
 * it are ignored and a larger N_TRACKS brings a warning. */
#define ANALYSIS_MAX_TRACKS 300
/* A track file line is read in pieces of at most this many characters (the
 * line end included); the rest of a longer line is read as the next line. */
#define ANALYSIS_TRACK_LINE_MAX 199
/* A lens table line is read in pieces of at most this many characters. */
#define ANALYSIS_LENS_LINE_MAX 126
/* Size of every text field of a LensRecord, the terminating NUL included. */
#define ANALYSIS_LENS_TEXT_SIZE 128

/* ---- Track file ---- */

/* One accepted event line of a track file. Positions are in nanometres. The
 * record is 64 bytes; offsets are given for callers in other languages. */
typedef struct TrackEvent {
  int32_t frame;       /*  0: frame index (column 1), 0 for the first time point */
  float value2;        /*  4: column 2, carried in single precision */
  double x;            /*  8: X position, column 5 x X scale, nm */
  double xColumn6;     /* 16: column 6 x X scale, nm */
  double y;            /* 24: Y position, column 3 x Y scale, nm */
  double yColumn4;     /* 32: column 4 x Y scale, nm */
  double extra;        /* 40: column 10 on a 10-field line, column 8 on an 8-field line, else 0 */
  int32_t trackNumber; /* 48: 1-based track (column 9) on a 10-field line, else -1 */
  float value8;        /* 52: column 8 on a 10-field line, else 0 */
  int32_t reserved[2]; /* 56: always 0; pads the record to 64 bytes */
} TrackEvent;

#ifdef __cplusplus
static_assert(sizeof(TrackEvent) == 64, "TrackEvent is a 64-byte record");
static_assert(offsetof(TrackEvent, x) == 8 && offsetof(TrackEvent, extra) == 40 &&
                  offsetof(TrackEvent, trackNumber) == 48 && offsetof(TrackEvent, value8) == 52,
              "TrackEvent field offsets");
#else
_Static_assert(sizeof(TrackEvent) == 64, "TrackEvent is a 64-byte record");
#endif

/* Reads the header of a track file. Every output may be NULL.
 *   xStart, yStart, width, height: the analysed region (pixels); set only when
 *     the header gives a region, or else both image sizes (origin 0, 0).
 *   tStart, tEnd, tIncrement: the time range; set only when all three are
 *     given and none is negative.
 *   pixelSizeX, pixelSizeY (micrometres, 0.0 when not given), nEvents,
 *   nTracks (0 when not given): always set.
 * Returns 1 when the header gives a region of positive width and height,
 * else 0 (also for an empty path or a file that cannot be opened). Silent. */
int ReadTrackHeader(const char *path, int *xStart, int *yStart, int *width, int *height,
                    int *tStart, int *tEnd, int *tIncrement, double *pixelSizeX,
                    double *pixelSizeY, int *nEvents, int *nTracks);

/* Reads the event lines of a track file, positions converted to nanometres.
 * On 0, *events is an array of *nEvents records allocated with malloc; the
 * caller releases it with free(). Otherwise *nEvents is 0 and *events NULL.
 * Returns 0 when at least one event was stored, 1 when none was (empty path,
 * unopenable file, no event line), -1 when the array cannot be allocated.
 * Silent. */
int ReadTrackEvents(const char *path, int *nEvents, TrackEvent **events);

/* ---- Vibration estimation ---- */

/* One kept track: its displacement from its own frame-0 position in every
 * frame. The three arrays belong to the record (see FreeFiducialTracks). */
typedef struct FiducialTrack {
  int32_t trackIndex; /* 0-based track number (track number in the file - 1) */
  int32_t nFrames;    /* number of frames; length of the three arrays */
  int32_t *frames;    /* frame numbers 0, 1, 2, ... */
  double *dX;         /* X displacement from the frame-0 position, nm */
  double *dY;         /* Y displacement from the frame-0 position, nm */
} FiducialTrack;

/* Releases an array of kept tracks returned by EstimateVibration (NULL is
 * accepted). */
void FreeFiducialTracks(FiducialTrack *tracks, int count);

/* Flags the outliers among values[0..count-1] with a robust test around the
 * median: flagged[] (room for count entries) receives the flagged positions
 * in ascending order and *flaggedCount their number. Returns 0, or 1 when
 * count < 1 or a pointer is NULL. */
int FlagOutliers(const double *values, int count, int *flagged, int *flaggedCount);

/* Estimates the vibration from a track file. Outputs (each may be NULL; a
 * NULL `kept` releases the kept tracks): the frame count, the number of kept
 * tracks and their array (release with FreeFiducialTracks), and the mean and
 * standard deviation of all kept displacements per axis (nm, single
 * precision). Returns 0, or 1 when the estimation failed; blocking failures
 * are shown to the user through the widget layer before returning. */
int EstimateVibration(const char *path, int *frameCount, int *keptCount, FiducialTrack **kept,
                      float *meanX, float *meanY, float *stdX, float *stdY);

/* Runs EstimateVibration on the track file and, on success, replaces the
 * application-wide results below (band limits mean +- 2 sd and the
 * vibration |upper| + |lower| per axis). `app` is the caller's application
 * object; it is not used (the results live in this module) and may be NULL.
 * Returns 0, or 1 when the estimation failed (the previous results stay). */
int AnalyzeTracks(void *app, const char *path);

/* The results of the last successful AnalyzeTracks (zero and no tracks
 * before the first one). The kept tracks stay valid until the next
 * successful run or AnalysisClearResults. */
int AnalysisFrameCount(void);
int AnalysisKeptTrackCount(void);
const FiducialTrack *AnalysisKeptTracks(void);
float AnalysisXUpperLimit(void);
float AnalysisXLowerLimit(void);
float AnalysisXVibration(void);
float AnalysisYUpperLimit(void);
float AnalysisYLowerLimit(void);
float AnalysisYVibration(void);
/* Forgets the stored results and releases the kept tracks. */
void AnalysisClearResults(void);

/* ---- Stage motion ---- */

/* Beyond the band statistic: the stage's own motion, measured from the same
 * track file and the same kept tracks. AnalyzeStageMotion averages the kept
 * tracks frame by frame (weighted by their localization precisions) into the
 * stage motion, estimates the noise left in that average, and reports per
 * axis the band statistic of the motion with the noise removed and its 95 %
 * interval, the slow drift, the amplitude spectrum with its peaks, and the
 * Allan deviation; and a table of every track. docs/measurement.md gives the
 * formulas. */

/* At most this many spectral peaks are reported per axis. */
#define ANALYSIS_MAX_PEAKS 10

/* One sinusoid found in the stage motion. */
typedef struct StagePeak {
  double frequencyHz;  /* refined frequency */
  double amplitudeNm;  /* amplitude of the sinusoid (half its peak-to-peak) */
  double aliasOfHz;    /* a likely vibration frequency that the frame rate folds
                          onto this peak (mains and its harmonic), else 0 */
} StagePeak;

/* The results of one axis. Lengths are in nanometres. */
typedef struct StageAxisReport {
  double stageVibrationNm;       /* band statistic of the stage motion, noise removed */
  double stageVibrationLowNm;    /* 95 % interval (bootstrap over the kept tracks) */
  double stageVibrationHighNm;
  int32_t belowNoiseFloor;       /* 1: the motion does not stand out of the noise;
                                    stageVibrationNm is then only an upper bound */
  double noiseFloorNm;           /* rms noise left in the stage motion per frame */
  double precisionNoiseNm;       /* the same from the reported precisions alone */
  double scatterRatio;           /* scatter between beads / expected from precisions */
  double detrendedVibrationNm;   /* band statistic after the drift is removed */
  double driftNmPerS;            /* slope of the drift line */
  double driftTotalNm;           /* drift over the whole series */
  double spectrumFloorNm;        /* background of the amplitude spectrum, nm per bin */
  double spectrumFloorNmPerRtHz; /* the same as an amplitude density */
  int32_t peakCount;             /* strongest first */
  StagePeak peaks[ANALYSIS_MAX_PEAKS];
} StageAxisReport;

/* Why a track is in or out of the estimation. */
enum {
  BEAD_KEPT = 0,
  BEAD_INCOMPLETE = 1, /* lacks an event in some frame, or has two in one */
  BEAD_OUTLIER = 2     /* an outlier in more than a tenth of the frames on both axes */
};

/* One row of the per-bead table: every track number 1..300 with events. */
typedef struct BeadRecord {
  int32_t trackNumber;    /* as in the track file */
  int32_t status;         /* BEAD_KEPT, BEAD_INCOMPLETE, BEAD_OUTLIER */
  int32_t frames;         /* frames with an event */
  int32_t xOutlierFrames; /* frames flagged by the robust test (complete tracks) */
  int32_t yOutlierFrames;
  int32_t reserved;
  double x, y;                    /* mean position, nm */
  double photons;                 /* mean photons per event */
  double precisionX, precisionY;  /* rms reported precision, nm */
  double vibrationX, vibrationY;  /* its own band statistic, nm */
} BeadRecord;

typedef struct StageMotionReport {
  double frameIntervalS; /* the time base used */
  int32_t frames;
  int32_t keptTracks;
  double *stageX, *stageY; /* per frame: the stage motion, nm, mean 0 */
  StageAxisReport x, y;
  int32_t spectrumBins;          /* bins 0 .. spectrumBins-1 */
  double binWidthHz;             /* frequency of bin k is k x binWidthHz */
  double *amplitudeX, *amplitudeY; /* nm per bin (a sinusoid on a bin shows its amplitude) */
  double *densityX, *densityY;     /* nm per root hertz */
  int32_t allanPoints;
  double *allanTauS;               /* averaging times, octave spaced */
  double *allanX, *allanY;         /* Allan deviation of the stage position, nm */
  int32_t aliasWarning;          /* 1: the Nyquist frequency is below 120 Hz */
  char aliasText[256];           /* the warning, one line, or empty */
  int32_t beadCount;
  BeadRecord *beads;
} StageMotionReport;

/* Analyses the stage motion of a track file with `frameIntervalS` seconds
 * between frames (> 0). `seed` fixes the bootstrap's resampling. On 0
 * *report holds the results (release with FreeStageMotionReport). Returns 1
 * when the file gives no kept track (the reason on standard error), 2 when
 * memory is short. Silent otherwise. */
int AnalyzeStageMotion(const char *trackPath, double frameIntervalS, uint32_t seed,
                       StageMotionReport **report);
void FreeStageMotionReport(StageMotionReport *report);

/* ---- Lens table ---- */

/* The optical data of one objective. */
typedef struct LensRecord {
  int32_t id;                                   /* lens id found (0 until found) */
  char name[ANALYSIS_LENS_TEXT_SIZE];           /* "name"; "*" appended for a custom lens */
  char immersionType[ANALYSIS_LENS_TEXT_SIZE];  /* "type", e.g. "Oil" */
  char maker[ANALYSIS_LENS_TEXT_SIZE];          /* "man", else derived from the id */
  char partNumber[ANALYSIS_LENS_TEXT_SIZE];     /* "pn" */
  char catalogNumber[ANALYSIS_LENS_TEXT_SIZE];  /* "zor#" */
  float magnification;                          /* "magn", times */
  float numericalAperture;                      /* "na" */
  float focalLength;                            /* micrometres: "fl" (mm) x 1000, else derived */
  float workingDistance;                        /* micrometres: "wd" (mm) x 1000 */
  float immersionIndex;                         /* refractive index of the immersion medium */
} LensRecord;

/* Looks a lens id up in the custom table, then in the standard table, both
 * in the configuration directory of the suite base directory (PA_BASE).
 * Returns 0 when found (record filled), 1 when neither table has the id,
 * 2 when the standard table cannot be opened (reported on standard error). */
int LookupLens(int lensId, LensRecord *record);

/* Reads one lens table for a lens id. Returns 0 when found, 1 when the file
 * does not have the id (the record holds the defaults), 2 when the file
 * cannot be opened. Silent. */
int ReadLensTable(int lensId, LensRecord *record, const char *path);

/* Refractive index of an immersion medium named in a type text (tests for
 * "oil", "glycerol", "water" in this order, case-sensitive; else 1.0). */
float ImmersionIndex(const char *immersionType);

#ifdef __cplusplus
}
#endif

#endif /* TREMOSCAN_ANALYSIS_H */
