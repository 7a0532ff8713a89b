// batch_report.h - what tremoscan-batch tells about the stage motion: the
// short summary on standard output and the whole report as JSON.
#pragma once

#include <cstdio>
#include <string>

#include "analysis.h"

// What the report states besides the stage analysis.
struct BatchContext {
  std::string image;
  const char* frame_interval_source = "";  // "option", "image" or "assumed"
  double vibration_x_nm = 0;  // the window's numbers
  double vibration_y_nm = 0;
};

// Stage vibration with its interval (or that it is below the noise floor),
// drift, the three strongest peaks and the noise floor, per axis.
void PrintStageSummary(std::FILE* out, const StageMotionReport& report);

// Writes the JSON report to `path` through a temporary file renamed over
// it. False, with a line on standard error, when any step fails.
bool WriteStageJson(const char* path, const BatchContext& context, const StageMotionReport& report);

// The JSON text of the report (what WriteStageJson writes).
std::string StageJsonText(const BatchContext& context, const StageMotionReport& report);
