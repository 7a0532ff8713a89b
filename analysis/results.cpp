// AnalyzeTracks and the application-wide results that the charts read.
//
// The results live in one state record of this module. A successful
// analysis replaces all of them at once (and releases the previous kept
// tracks); a failed one leaves them untouched, so the charts keep showing
// the last good measurement.
//
//   empty --AnalyzeTracks ok--> filled --AnalyzeTracks ok--> filled (replaced)
//   filled --AnalyzeTracks failed--> filled (unchanged)
//   any --AnalysisClearResults--> empty
//
// Rounding: the estimation delivers single-precision means and deviations;
// each band limit is computed in double precision from them and rounded to
// single precision, and the vibration is the single-precision sum of the
// rounded limits' absolute values.
#include <analysis.h>

#include <cmath>

namespace analysis {
namespace {

struct AxisResult {
  float upper = 0;      // mean + 2 sd, nm
  float lower = 0;      // mean - 2 sd, nm
  float vibration = 0;  // |upper| + |lower|, nm
};

struct AnalysisResults {
  int frame_count = 0;                // frames of the analysed series
  int kept_count = 0;                 // records in kept
  FiducialTrack* kept = nullptr;      // kept tracks, owned here
  AxisResult x;                       // X band and vibration
  AxisResult y;                       // Y band and vibration
};

AnalysisResults& Results() {
  static AnalysisResults results;
  return results;
}

AxisResult BandOf(float mean, float sd) {
  AxisResult r;
  r.upper = static_cast<float>(static_cast<double>(mean) + 2.0 * static_cast<double>(sd));
  r.lower = static_cast<float>(static_cast<double>(mean) - 2.0 * static_cast<double>(sd));
  r.vibration = std::fabs(r.upper) + std::fabs(r.lower);
  return r;
}

}  // namespace
}  // namespace analysis

using analysis::Results;

extern "C" int AnalyzeTracks(void* /*app*/, const char* path) {
  int frames = 0, kept_count = 0;
  FiducialTrack* kept = nullptr;
  float mean_x = 0, mean_y = 0, sd_x = 0, sd_y = 0;
  if (EstimateVibration(path, &frames, &kept_count, &kept, &mean_x, &mean_y, &sd_x, &sd_y) != 0)
    return 1;
  AnalysisClearResults();
  analysis::AnalysisResults& r = Results();
  r.frame_count = frames;
  r.kept_count = kept_count;
  r.kept = kept;
  r.x = analysis::BandOf(mean_x, sd_x);
  r.y = analysis::BandOf(mean_y, sd_y);
  return 0;
}

extern "C" void AnalysisClearResults(void) {
  analysis::AnalysisResults& r = Results();
  FreeFiducialTracks(r.kept, r.kept_count);
  r = analysis::AnalysisResults();
}

extern "C" int AnalysisFrameCount(void) { return Results().frame_count; }
extern "C" int AnalysisKeptTrackCount(void) { return Results().kept_count; }
extern "C" const FiducialTrack* AnalysisKeptTracks(void) { return Results().kept; }
extern "C" float AnalysisXUpperLimit(void) { return Results().x.upper; }
extern "C" float AnalysisXLowerLimit(void) { return Results().x.lower; }
extern "C" float AnalysisXVibration(void) { return Results().x.vibration; }
extern "C" float AnalysisYUpperLimit(void) { return Results().y.upper; }
extern "C" float AnalysisYLowerLimit(void) { return Results().y.lower; }
extern "C" float AnalysisYVibration(void) { return Results().y.vibration; }
