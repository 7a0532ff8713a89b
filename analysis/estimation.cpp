// EstimateVibration: the vibration of a microscope from the tracks of beads
// fixed to the specimen. Every bead records the same stage movement plus its
// own localization noise, so the movement is measured from the tracks that
// agree with each other.
//
// Stages of one estimation (each returns 1 at once on failure):
//   header       time range and number of tracks; more than 300 tracks
//                brings a blocking warning and the rest are ignored
//   tables       per track and frame the position (position_tables.h),
//                filled from the event lines as they are read
//   complete     tracks with exactly one event in every frame ("good")
//   displace     each good row minus its frame-0 value, in place
//   outliers     per frame and axis, the robust test over all good tracks
//   reject       a good track flagged in more than 10 % of the frames in X
//                and also in more than 10 % in Y is dropped
//   kept         the remaining good tracks as FiducialTrack records
//   statistics   mean and standard deviation of all kept displacements
//
// Choices made here where the file format leaves room:
//  - A track is complete only when each frame has exactly one event. Merely
//    counting events would let a track with two events in one frame and
//    none in another through, with one position never written.
//  - An event whose X or Y is not a finite number is ignored; its track then
//    lacks that frame.
//  - When every good track is rejected the estimation fails with a blocking
//    error instead of reporting statistics of nothing.
//  - A header without a time range, or an empty one, fails the estimation
//    with a line on standard error (the tables could not be sized).
//  - The event records are not collected into an array first: each goes
//    into the tables as soon as it is read (track_event_source.h).
#include <analysis.h>
#include <wmlib.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "fiducial_tracks.h"
#include "outliers.h"
#include "position_tables.h"
#include "track_event_source.h"

namespace analysis {
namespace {

constexpr char kTooManyTracksMessage[] =
    "Warning: The number of tracks found (%d) is very large.\n"
    "This may impact the accuracy of the results because\n"
    "many tracks will be discarded to a maximum of %d tracks.\n\n"
    "To avoid this issue, image an area with fewer beads.";
constexpr char kNoGoodTracksMessage[] =
    "Error: No good feature tracks were found.\n"
    "It is likely that the system vibration is\n"
    "too large to characterize. Please re-acquire\n"
    "the image data set and contact engineering if\n"
    "the problem persists.";
constexpr char kAllRejectedMessage[] =
    "Error: All %d feature tracks that cover every frame\n"
    "were rejected because they move differently from\n"
    "each other. The beads may not be fixed to the\n"
    "specimen. Please re-acquire the image data set and\n"
    "contact engineering if the problem persists.";

enum class Axis { kX, kY };

// Column f of the displacement rows, gathered frame by frame, goes through
// the robust test; per good track (by position g) the frames it is flagged in.
std::vector<int> OutlierFramesPerTrack(PositionTables& tables, const std::vector<int>& good, Axis axis) {
  std::vector<const double*> rows;
  rows.reserve(good.size());
  for (int t : good) rows.push_back(axis == Axis::kX ? tables.XRow(t) : tables.YRow(t));
  return CountOutlierFrames(rows, tables.frames());
}

struct AxisStatistics {
  double mean = 0;  // nm
  double sd = 0;    // nm; 0 for a single value
};

// Mean and sample standard deviation of one axis over all kept tracks and
// frames together, summed track by track, frame by frame. The divisor of
// the mean is the value count in single precision.
AxisStatistics StatisticsOf(FiducialTrackArray& kept, int frames, Axis axis) {
  long long n = static_cast<long long>(kept.count()) * frames;
  AxisStatistics s;
  double sum = 0;
  for (int k = 0; k < kept.count(); ++k) {
    const double* d = axis == Axis::kX ? kept[k].dX : kept[k].dY;
    for (int f = 0; f < frames; ++f) sum += d[f];
  }
  s.mean = sum / static_cast<double>(static_cast<float>(n));
  if (n > 1) {
    double squares = 0;
    for (int k = 0; k < kept.count(); ++k) {
      const double* d = axis == Axis::kX ? kept[k].dX : kept[k].dY;
      for (int f = 0; f < frames; ++f) squares += (d[f] - s.mean) * (d[f] - s.mean);
    }
    s.sd = std::sqrt(squares / static_cast<double>(n - 1));
  }
  return s;
}

template <typename T>
void Put(T* out, T value) {
  if (out) *out = value;
}

// header: the number of frames and tracks the file declares. Fails with a
// line on standard error when the time range is missing or unusable.
bool ReadRange(const char* path, int* n_frames, int* n_tracks) {
  int x0 = 0, y0 = 0, width = 0, height = 0;
  int t_start = -1, t_end = -1, t_increment = -1;
  double pixel_x = 0, pixel_y = 0;
  int n_events = 0;
  if (ReadTrackHeader(path, &x0, &y0, &width, &height, &t_start, &t_end, &t_increment, &pixel_x,
                      &pixel_y, &n_events, n_tracks) != 1)
    return false;

  if (*n_tracks > ANALYSIS_MAX_TRACKS) {
    WMConfirmError(kTooManyTracksMessage, *n_tracks, ANALYSIS_MAX_TRACKS);
    *n_tracks = ANALYSIS_MAX_TRACKS;
  }
  if (t_start < 0 || t_end < 0 || t_increment < 0) {
    std::fprintf(stderr, "EstimateVibration: %s: the header gives no time range\n", path);
    return false;
  }
  long long span = static_cast<long long>(t_end) - t_start + 1;
  if (span < 1 || span > INT_MAX) {
    std::fprintf(stderr, "EstimateVibration: %s: the time range %d to %d is not usable\n", path,
                 t_start, t_end);
    return false;
  }
  *n_frames = static_cast<int>(span);
  return true;
}

// tables: every event of the file into `rows` tracks by `n_frames` frames.
// The frame index of the file is the column: REGION_T_START is not
// subtracted. Fails when the file holds no event line.
bool FillTables(TrackEventSource& source, int rows, int n_frames, PositionTables& tables) {
  switch (tables.Allocate(rows, n_frames)) {
    case PositionTables::Allocation::kOk:
      break;
    case PositionTables::Allocation::kNoFrameCounts:
      std::printf("failed trying to allocate iTrackFrames: %s\n", std::strerror(ENOMEM));
      return false;
    case PositionTables::Allocation::kNoTables:
      std::printf("failed trying to allocate the position tables: %s\n", std::strerror(ENOMEM));
      return false;
  }
  long long events = 0;
  TrackEvent e;
  while (source.Next(&e)) {
    ++events;
    long long t = static_cast<long long>(e.trackNumber) - 1;
    if (e.frame < 0 || e.frame >= n_frames || t < 0 || t >= rows) continue;
    if (!std::isfinite(e.x) || !std::isfinite(e.y)) continue;
    tables.Record(static_cast<int>(t), e.frame, e.x, e.y);
  }
  return events > 0;
}

// complete and displace: the rows with one event in every frame, each made
// a displacement from its own frame 0 in place.
void MeasureCompleteTracks(PositionTables& tables, int rows, int n_frames, std::vector<int>& good) {
  for (int t = 0; t < rows; ++t)
    if (tables.IsComplete(t)) good.push_back(t);
  for (int t : good) {
    for (double* row : {tables.XRow(t), tables.YRow(t)}) {
      double origin = row[0];
      for (int f = 0; f < n_frames; ++f) row[f] -= origin;
    }
  }
}

// outliers and reject: the good rows that do not move on their own.
std::vector<int> RowsThatFollowTheStage(PositionTables& tables, const std::vector<int>& good,
                                        int n_frames) {
  std::vector<int> x_outliers = OutlierFramesPerTrack(tables, good, Axis::kX);
  std::vector<int> y_outliers = OutlierFramesPerTrack(tables, good, Axis::kY);
  std::vector<int> kept_rows;
  for (size_t g = 0; g < good.size(); ++g)
    if (!IsRejectedTrack(x_outliers[g], y_outliers[g], n_frames)) kept_rows.push_back(good[g]);
  return kept_rows;
}

// kept: the chosen rows copied into FiducialTrack records.
bool CopyKept(PositionTables& tables, const std::vector<int>& kept_rows, int n_frames,
              FiducialTrackArray& kept) {
  if (!kept.Allocate(static_cast<int>(kept_rows.size()), n_frames)) {
    std::printf("failed trying to allocate the kept tracks: %s\n", std::strerror(ENOMEM));
    return false;
  }
  for (int k = 0; k < kept.count(); ++k) {
    int t = kept_rows[static_cast<size_t>(k)];
    kept[k].trackIndex = t;
    std::memcpy(kept[k].dX, tables.XRow(t), static_cast<size_t>(n_frames) * sizeof(double));
    std::memcpy(kept[k].dY, tables.YRow(t), static_cast<size_t>(n_frames) * sizeof(double));
  }
  return true;
}

int Estimate(const char* path, int* frameCount, int* keptCount, FiducialTrack** keptOut,
             float* meanX, float* meanY, float* stdX, float* stdY) {
  int n_frames = 0, n_tracks = 0;
  if (!ReadRange(path, &n_frames, &n_tracks)) return 1;

  // The events go straight from the file into the tables; they are the
  // records ReadTrackEvents would collect, in the same order.
  TrackEventSource source;
  if (!source.Open(path) || source.record_count() <= 0) return 1;

  // A track covers every frame only with one event line per frame; when the
  // file cannot hold that many lines no track can be complete, and no table
  // is sized from a time range the file cannot fill.
  int rows = n_tracks > 0 && n_frames <= source.records_possible() ? n_tracks : 0;
  std::vector<int> good;
  try {
    good.reserve(static_cast<size_t>(rows));
  } catch (const std::bad_alloc&) {
    std::printf("failed trying to allocate goodTracks: %s\n", std::strerror(ENOMEM));
    return 1;
  }
  PositionTables tables;
  if (!FillTables(source, rows, n_frames, tables)) return 1;

  if (n_tracks < 1) {
    WMConfirmError("%s", kNoGoodTracksMessage);
    return 1;
  }
  MeasureCompleteTracks(tables, rows, n_frames, good);
  if (good.empty()) {
    WMConfirmError("%s", kNoGoodTracksMessage);
    return 1;
  }

  std::vector<int> kept_rows = RowsThatFollowTheStage(tables, good, n_frames);
  if (kept_rows.empty()) {
    WMConfirmError(kAllRejectedMessage, static_cast<int>(good.size()));
    return 1;
  }
  FiducialTrackArray kept;
  if (!CopyKept(tables, kept_rows, n_frames, kept)) return 1;

  AxisStatistics x = StatisticsOf(kept, n_frames, Axis::kX);
  AxisStatistics y = StatisticsOf(kept, n_frames, Axis::kY);
  Put(frameCount, n_frames);
  Put(keptCount, kept.count());
  Put(meanX, static_cast<float>(x.mean));
  Put(meanY, static_cast<float>(y.mean));
  Put(stdX, static_cast<float>(x.sd));
  Put(stdY, static_cast<float>(y.sd));
  if (keptOut) *keptOut = kept.Release();
  return 0;
}

}  // namespace
}  // namespace analysis

extern "C" int EstimateVibration(const char* path, int* frameCount, int* keptCount,
                                 FiducialTrack** kept, float* meanX, float* meanY, float* stdX,
                                 float* stdY) {
  try {
    return analysis::Estimate(path, frameCount, keptCount, kept, meanX, meanY, stdX, stdY);
  } catch (const std::bad_alloc&) {
    std::printf("EstimateVibration: out of memory: %s\n", std::strerror(ENOMEM));
  } catch (...) {
    std::printf("EstimateVibration: unexpected internal error\n");
  }
  return 1;
}
