// tracking_run.cpp - the second stage of a calculation: the refinement
// program links the localized beads of successive frames into tracks and
// writes the track file.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "calculation.h"
#include "child_process.h"
#include "wmlib.h"

namespace {

std::string Format(const char* format, double value) {
  char text[32];
  snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

int RunTracking(VibrationApp* app, const char* input, const char* output) {
  signal(SIGCHLD, SIG_DFL);
  SetStatus(app, "Tracking Analysis starting...");

  std::string program = SuiteProgramPath("ORBILocalizationRefinement");

  ChildArguments args;
  args.Add(program);
  args.Add(input);
  args.Add(output);
  args.Add("-maxStd");
  args.Add(Format("%.4f", 100.0));
  args.Add("-searchRadius");
  args.Add(Format("%.4f", 100.0));
  args.Add("-gapPenalty");
  args.Add(Format("%.4f", 1.5));
  args.Add("-timeWindow");
  args.Add(std::to_string(3));
  args.Print("\nLocalizationRefinement Command and Args: ", output);

  childPid = StartChild(args.vector());
  ChildEnd end = WaitForChild(childPid, nullptr);

  int result = 1;
  switch (end.kind) {
    case ChildEnd::kWaitFailed:
      WMShowWarning("Lost track of Tracking Analysis child process.\nError: %s",
                    strerror(end.value));
      SetStatus(app, "Tracking Analysis failed");
      break;
    case ChildEnd::kSignaled:
      if (end.value == SIGQUIT) {
        SetStatus(app, "Tracking Analysis canceled");
      } else {
        SetStatus(app, "Tracking Analysis failed");
        WMShowWarning("Tracking Analysis process failed\ndue to signal %d", end.value);
      }
      break;
    case ChildEnd::kExited:
      if (end.value == 0) {
        SetStatus(app, "Tracking Analysis finished");
        result = 0;
      } else if (end.value == 2) {
        SetStatus(app, "Tracking Analysis canceled");
        result = 2;
      } else {
        SetStatus(app, "Tracking Analysis failed");
        WMShowWarning("Tracking Analysis process failed.");
      }
      break;
  }
  if (result != 0) return result;

  if (access(output, F_OK) != 0) {
    SetStatus(app, "Tracking Analysis failed");
    WMShowWarning("Tracking Analysis process failed.\nNo output file created.");
    return 1;
  }
  return 0;
}
