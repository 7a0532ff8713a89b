// batch_main.cpp - tremoscan-batch: the calculation without a window, for
// engineers who check many microscopes and for scripts.
//
//   tremoscan-batch IMAGE [--csv FILE] [--json FILE] [--frame-interval SECONDS]
//
// Runs the very same stages as "Run the Calculation" (the same programs,
// the same checks, the same texts). Status texts go to standard output,
// warnings and errors to standard error. On success it prints the X and Y
// vibration in nanometres with the number of kept tracks and frames, then
// the stage's own motion from the same track file (batch_report.h); with
// --csv it writes the per-frame displacement of every kept track, with
// --json the whole stage report. The frame interval comes from the image
// unless --frame-interval gives it.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis.h"
#include "batch_report.h"
#include "calculation.h"
#include "frame_interval.h"
#include "vibration_app.h"
#include "wmlib.h"

namespace {

void PrintStatus(void*, const char* text) {
  printf("status: %s\n", text);
  fflush(stdout);
}

int PrintMessage(int kind, const char* text, void*) {
  const char* label = kind == WM_MESSAGE_ERROR ? "error" : kind == WM_MESSAGE_WARNING ? "warning" : "note";
  // Multi-line dialog texts become one indented block.
  std::string block(text);
  for (size_t at = block.find('\n'); at != std::string::npos; at = block.find('\n', at + 3))
    block.replace(at, 1, "\n  ");
  fprintf(stderr, "%s: %s\n", label, block.c_str());
  return 1;
}

int Usage() {
  fprintf(stderr, "usage: tremoscan-batch IMAGE [--csv FILE] [--json FILE] [--frame-interval SECONDS]\n");
  return 2;
}

// The stage analysis of the calculation's track file, made while the file
// still exists.
struct StageAnalysis {
  double frame_interval = 1;
  StageMotionReport* report = nullptr;
};

void AnalyzeStage(void* data, const char* track_file) {
  auto* stage = static_cast<StageAnalysis*>(data);
  if (AnalyzeStageMotion(track_file, stage->frame_interval, 1, &stage->report) != 0)
    fprintf(stderr, "warning: the stage motion could not be analysed\n");
}

// One row per kept track and frame: frame, 1-based track number in the
// track file, X and Y displacement from the track's first frame (nm).
bool WriteCsv(const char* path) {
  FILE* f = fopen(path, "w");
  if (!f) {
    fprintf(stderr, "error: cannot write %s: %s\n", path, strerror(errno));
    return false;
  }
  fprintf(f, "frame,track,dx_nm,dy_nm\n");
  const FiducialTrack* tracks = AnalysisKeptTracks();
  for (int i = 0; i < AnalysisKeptTrackCount(); ++i)
    for (int k = 0; k < tracks[i].nFrames; ++k)
      fprintf(f, "%d,%d,%.4f,%.4f\n", tracks[i].frames[k], tracks[i].trackIndex + 1,
              tracks[i].dX[k], tracks[i].dY[k]);
  bool ok = fclose(f) == 0;
  if (!ok) fprintf(stderr, "error: cannot write %s\n", path);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const char* image = nullptr;
  const char* csv = nullptr;
  const char* json = nullptr;
  const char* interval_text = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--csv") == 0 && i + 1 < argc)
      csv = argv[++i];
    else if (strcmp(argv[i], "--json") == 0 && i + 1 < argc)
      json = argv[++i];
    else if (strcmp(argv[i], "--frame-interval") == 0 && i + 1 < argc)
      interval_text = argv[++i];
    else if (argv[i][0] == '-' || image)
      return Usage();
    else
      image = argv[i];
  }
  if (!image) return Usage();
  StageAnalysis stage;
  FrameIntervalSource source = FrameIntervalSource::kOption;
  if (interval_text) {
    char* end = nullptr;
    stage.frame_interval = strtod(interval_text, &end);
    if (end == interval_text || *end != '\0' || !(stage.frame_interval > 0) || !std::isfinite(stage.frame_interval)) {
      fprintf(stderr, "error: --frame-interval needs a positive number of seconds, not \"%s\"\n", interval_text);
      return 2;
    }
  }
  if (strlen(image) >= sizeof inputFileName) {
    fprintf(stderr, "error: image path longer than %zu characters\n", sizeof inputFileName - 1);
    return 2;
  }

  WMSetMessageHandler(PrintMessage, nullptr);
  VibrationApp app;
  app.statusListener = PrintStatus;
  app.trackFileListener = AnalyzeStage;
  app.trackFileListenerData = &stage;
  snprintf(inputFileName, sizeof inputFileName, "%s", image);
  if (!interval_text) {
    stage.frame_interval = ImageFrameInterval(image, &source);
    if (source == FrameIntervalSource::kAssumed)
      fprintf(stderr, "warning: the image gives no frame interval; 1 s is assumed (see --frame-interval)\n");
  }

  if (RunCalculationStages(&app) != 0) {
    FreeStageMotionReport(stage.report);
    return 1;
  }

  printf("X vibration: %.2f nm\n", static_cast<double>(AnalysisXVibration()));
  printf("Y vibration: %.2f nm\n", static_cast<double>(AnalysisYVibration()));
  printf("kept tracks: %d\n", AnalysisKeptTrackCount());
  printf("frames: %d\n", AnalysisFrameCount());
  bool written = !csv || WriteCsv(csv);
  if (stage.report) {
    PrintStageSummary(stdout, *stage.report);
    if (stage.report->aliasWarning) fprintf(stderr, "warning: %s\n", stage.report->aliasText);
    BatchContext context{image, FrameIntervalSourceName(source), AnalysisXVibration(), AnalysisYVibration()};
    if (json && !WriteStageJson(json, context, *stage.report)) written = false;
  } else if (json) {
    fprintf(stderr, "error: no stage report to write to %s\n", json);
    written = false;
  }
  FreeStageMotionReport(stage.report);
  // The chart data of the result belong to the application object.
  ClearGraphs(&app);
  AnalysisClearResults();
  return written ? 0 : 1;
}
