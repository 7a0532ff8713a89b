// localization_run.cpp - the first stage of a calculation: the input check
// and the run of the bead localization program.
//
//   input check -> child running (status file polled) -> child ended -> cleaned up
//
// The input must be a time series of one Z section and one channel. The
// numerical aperture comes from the lens table (kept from the previous run
// when the lens is unknown) and the photon conversion factor from the
// image's extended header (value 13 of the first section, 1.0 when missing
// or below 0.001).
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "analysis.h"
#include "calculation.h"
#include "child_process.h"
#include "imlib.h"
#include "status_file.h"
#include "wmlib.h"

float numericalAperture = 1.0f;
double photonConversionFactor = 1.0;
pid_t childPid = 0;

namespace {

const char* const kExitTexts[12] = {
    "Success",
    "Unknown",
    "Canceled by user",
    "Invalid command argument",
    "Program abnormally terminated",
    "Memory allocation failed",
    "Unexpected internal error",
    "Invalid Input Image ROI size",
    "Failed to open input file",
    "Failed to read input file",
    "Could not open output file",
    "Insufficient number of events detected",
};

// Checks the image and reads its optical values. 0 when it can be localized.
int CheckInput(const char* input) {
  int rc = IMCheckImageFile(input);
  if (rc != 0) {
    WMShowWarning("Invalid Input File:\n\n%s\n\n%s", input, IMRtErrorText(rc));
    return 1;
  }
  int stream = 0;
  if (IMOpen2(&stream, input, "ro") != 0) {
    WMShowWarning("Could not open input file:\n%s\n", input);
    return 1;
  }
  int nz = 0, nw = 0, nt = 0, np = 0, sequence = 0;
  IMRtZWTP(stream, &nz, &nw, &nt, &np, &sequence);
  if (nz > 1 || nw > 1 || nt < 2) {
    WMShowWarning(
        "Inappropriate Input File:\n\n%s\n\nLocalization Analysis requires a single-Z,\n"
        "single-Channel, multi-Time image.",
        input);
    IMClose(stream);
    return 1;
  }
  int lens = 0;
  IMRtLensID(stream, &lens);
  LensRecord record;
  if (LookupLens(lens, &record) == 0) numericalAperture = record.numericalAperture;

  double factor = 0.0;
  if (IMRtExHdrValueZWTP(stream, 0, 0, 0, 0, 13, &factor) != 0 || !(factor >= 0.001))
    factor = 1.0;
  photonConversionFactor = factor;
  IMClose(stream);
  return 0;
}

double Now() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  return tv.tv_sec + tv.tv_usec * 1e-6;
}

}  // namespace

const char* LocalizationExitText(int status) {
  if (status >= 0 && status < 12) return kExitTexts[status];
  return "Unknown exit status";
}

int RunLocalization(VibrationApp* app, const char* input, const char* output) {
  long processors = sysconf(_SC_NPROCESSORS_CONF);
  if (CheckInput(input) != 0) return 1;

  signal(SIGCHLD, SIG_DFL);
  SetStatus(app, "Starting Localization...");

  std::string program = SuiteProgramPath("ORBILocalization");
  char status_file[50];
  snprintf(status_file, sizeof status_file, "/tmp/LocalizationAnalysis_stat_%d.txt",
           static_cast<int>(getpid()));
  char threads[5];
  snprintf(threads, sizeof threads, "%d", static_cast<int>(processors < 1 ? 1 : processors));

  ChildArguments args;
  args.Add(program);
  args.Add(input);
  args.Add(output);
  args.Add("-statusFile");
  args.Add(status_file);
  args.Add("-doGaussianMultiKernelModelFitting");
  args.Add("-dnmf");
  args.Add("-psfSigma");
  args.AddNumber("%.4f", 1.3);
  args.Add("-photonConversionFactor");
  args.AddNumber("%.5f", photonConversionFactor);
  args.Add("-overlapThreshold");
  args.AddNumber("%.4f", 0.15);
  args.Add("-numericalAperture");
  args.AddNumber("%.5f", numericalAperture);
  args.Add("-alphaLocalMax");
  args.AddNumber("%.4f", 0.001);
  args.Add("-numThreads");
  args.Add(threads);
  args.Print("\nLocalization Command and Args: ", output);

  if (access(output, F_OK) == 0) unlink(output);
  double start = Now();
  childPid = StartChild(args.vector());

  int shown_progress = 0;  // 0 is never shown
  ChildEnd end = WaitForChild(childPid, [&] {
    int progress = 0;
    std::string message;
    if (!ReadStatusFile(status_file, &progress, &message)) return;
    if (progress != shown_progress) {
      if (app && app->progressListener) app->progressListener(app->progressListenerData, progress);
      SetStatus(app, message.c_str());
      shown_progress = progress;
    }
  });

  const int result = ReportChildEnd(app, end, "Localization calculation", [app](int status) {
    if (status == 2 || status == 4) {
      SetStatus(app, "Localization calculation canceled");
      return 1;
    }
    // Always run with "-dnmf": too few events is no failure of this stage.
    if (status == 11) return 0;
    SetStatus(app, "Localization calculation failed");
    WMShowWarning("Localization calculation failed.\nError is: %s", LocalizationExitText(status));
    return 1;
  });
  printf("Localization took %.2f seconds\n", Now() - start);
  fflush(stdout);
  if (access(status_file, F_OK) == 0) unlink(status_file);
  return result;
}
