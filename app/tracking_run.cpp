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

int RunTracking(VibrationApp* app, const char* input, const char* output) {
  signal(SIGCHLD, SIG_DFL);
  SetStatus(app, "Tracking Analysis starting...");

  std::string program = SuiteProgramPath("ORBILocalizationRefinement");

  ChildArguments args;
  args.Add(program);
  args.Add(input);
  args.Add(output);
  args.Add("-maxStd");
  args.AddNumber("%.4f", 100.0);
  args.Add("-searchRadius");
  args.AddNumber("%.4f", 100.0);
  args.Add("-gapPenalty");
  args.AddNumber("%.4f", 1.5);
  args.Add("-timeWindow");
  args.Add(std::to_string(3));
  args.Print("\nLocalizationRefinement Command and Args: ", output);

  childPid = StartChild(args.vector());
  ChildEnd end = WaitForChild(childPid, nullptr);

  const int result = ReportChildEnd(app, end, "Tracking Analysis", [app](int status) {
    if (status == 2) {
      SetStatus(app, "Tracking Analysis canceled");
      return 2;
    }
    SetStatus(app, "Tracking Analysis failed");
    WMShowWarning("Tracking Analysis process failed.");
    return 1;
  });
  if (result != 0) return result;

  if (access(output, F_OK) != 0) {
    SetStatus(app, "Tracking Analysis failed");
    WMShowWarning("Tracking Analysis process failed.\nNo output file created.");
    return 1;
  }
  return 0;
}
