// batch_image.cpp - one image of tremoscan-batch: the window's stages in a
// private folder, the results on standard output, warnings and errors on
// standard error, the CSV and JSON files on request.
#include "batch_image.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "analysis.h"
#include "batch_progress.h"
#include "batch_report.h"
#include "calculation.h"
#include "frame_interval.h"
#include "vibration_app.h"
#include "wmlib.h"

namespace {

// What the listeners of one run share: the stage analysis made while the
// track file still exists, and the progress line's state.
struct RunState {
  const char* image = "";
  double frame_interval = 1;
  StageMotionReport* report = nullptr;
  ProgressLine* progress = nullptr;
  std::string stage;          // the last status text
  int percent = -1;           // the localization's progress; -1: none known
  bool percent_fresh = false; // `percent` came with the status about to be set
  double stage_start = 0;     // when the last status without a percentage came
};

void ShowProgress(const RunState& run) {
  std::string text = std::string(run.image) + ": " + run.stage;
  if (run.percent >= 0) {
    text += " [" + std::to_string(run.percent) + " %";
    std::string left = TimeLeftText(MonotonicSeconds() - run.stage_start, run.percent / 100.0);
    if (!left.empty()) text += ", " + left;
    text += "]";
  }
  run.progress->Show(text);
}

void OnStatus(void* data, const char* text) {
  auto* run = static_cast<RunState*>(data);
  if (!run->progress) {
    printf("status: %s\n", text);
    fflush(stdout);
    return;
  }
  run->stage = text;
  // The localization tells its percentage just before its status text; any
  // other status begins a step without one.
  if (!run->percent_fresh) {
    run->percent = -1;
    run->stage_start = MonotonicSeconds();
  }
  run->percent_fresh = false;
  ShowProgress(*run);
}

void OnProgress(void* data, int percent) {
  auto* run = static_cast<RunState*>(data);
  run->percent = percent;
  run->percent_fresh = true;
}

int PrintMessage(int kind, const char* text, void* data) {
  if (auto* progress = static_cast<ProgressLine*>(data)) progress->Clear();
  const char* label = kind == WM_MESSAGE_ERROR ? "error" : kind == WM_MESSAGE_WARNING ? "warning" : "note";
  // Multi-line dialog texts become one indented block.
  std::string block(text);
  for (size_t at = block.find('\n'); at != std::string::npos; at = block.find('\n', at + 3))
    block.replace(at, 1, "\n  ");
  fprintf(stderr, "%s: %s\n", label, block.c_str());
  return 1;
}

void AnalyzeStage(void* data, const char* track_file) {
  auto* run = static_cast<RunState*>(data);
  if (AnalyzeStageMotion(track_file, run->frame_interval, 1, &run->report) != 0)
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

// The stages print their command lines and timings on standard output;
// behind a progress line they go to /dev/null until the results come.
class QuietStdout {
 public:
  explicit QuietStdout(bool quiet) {
    if (!quiet) return;
    fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    int null = open("/dev/null", O_WRONLY);
    if (saved_ < 0 || null < 0 || dup2(null, STDOUT_FILENO) < 0) Restore();
    if (null >= 0) close(null);
  }
  ~QuietStdout() { Restore(); }
  void Restore() {
    if (saved_ < 0) return;
    fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    saved_ = -1;
  }

 private:
  int saved_ = -1;
};

}  // namespace

std::string MakeRunFolder() {
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tremoscan-batch.XXXXXX";
  if (!mkdtemp(pattern.data())) {
    fprintf(stderr, "error: cannot make a private folder %s: %s\n", pattern.c_str(), strerror(errno));
    return {};
  }
  return pattern;
}

void RemoveRunFolder(const std::string& folder) {
  if (DIR* dir = opendir(folder.c_str())) {
    while (struct dirent* entry = readdir(dir))
      if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
        unlink((folder + "/" + entry->d_name).c_str());
    closedir(dir);
  }
  if (rmdir(folder.c_str()) != 0)
    fprintf(stderr, "warning: cannot remove the folder %s: %s\n", folder.c_str(), strerror(errno));
}

int RunBatchImage(const BatchOptions& options, const char* image, const std::string& folder,
                  ProgressLine* progress, BatchResult* result) {
  *result = BatchResult{};
  if (strlen(image) >= sizeof inputFileName) {
    fprintf(stderr, "error: image path longer than %zu characters\n", sizeof inputFileName - 1);
    return 1;
  }
  RunState run;
  run.image = image;
  run.progress = progress;
  FrameIntervalSource source = FrameIntervalSource::kOption;
  if (options.frame_interval > 0) {
    run.frame_interval = options.frame_interval;
  } else {
    run.frame_interval = ImageFrameInterval(image, &source);
    if (source == FrameIntervalSource::kAssumed)
      fprintf(stderr, "warning: the image gives no frame interval; 1 s is assumed (see --frame-interval)\n");
  }

  WMSetMessageHandler(PrintMessage, progress);
  VibrationApp app;
  app.statusListener = OnStatus;
  app.statusListenerData = &run;
  app.progressListener = OnProgress;
  app.progressListenerData = &run;
  app.trackFileListener = AnalyzeStage;
  app.trackFileListenerData = &run;
  snprintf(inputFileName, sizeof inputFileName, "%s", image);

  std::string localization_file = folder + "/KM_LOC.txt", track_file = folder + "/KM_TRK.txt";
  int rc;
  {
    QuietStdout quiet(progress != nullptr);
    rc = RunCalculationStages(&app, localization_file.c_str(), track_file.c_str());
  }
  if (progress) progress->Clear();
  if (rc != 0) {
    FreeStageMotionReport(run.report);
    return 1;
  }

  result->x_nm = AnalysisXVibration();
  result->y_nm = AnalysisYVibration();
  result->kept_tracks = AnalysisKeptTrackCount();
  result->frames = AnalysisFrameCount();
  printf("X vibration: %.2f nm\n", result->x_nm);
  printf("Y vibration: %.2f nm\n", result->y_nm);
  printf("kept tracks: %d\n", result->kept_tracks);
  printf("frames: %d\n", result->frames);
  bool written = !options.csv || WriteCsv(options.csv);
  if (run.report) {
    PrintStageSummary(stdout, *run.report);
    if (run.report->aliasWarning) fprintf(stderr, "warning: %s\n", run.report->aliasText);
    BatchContext context{image, FrameIntervalSourceName(source), AnalysisXVibration(), AnalysisYVibration()};
    if (options.json && !WriteStageJson(options.json, context, *run.report)) written = false;
  } else if (options.json) {
    fprintf(stderr, "error: no stage report to write to %s\n", options.json);
    written = false;
  }
  fflush(stdout);
  FreeStageMotionReport(run.report);
  // The chart data of the result belong to the application object.
  ClearGraphs(&app);
  AnalysisClearResults();
  result->ok = written;
  return written ? 0 : 1;
}
