// batch_image.h - one image through the calculation for tremoscan-batch.
// Every run keeps its intermediate files in a private folder of its own,
// so any number of runs on one machine never share a file (the window
// keeps its fixed names).
#pragma once

#include <string>

class ProgressLine;

struct BatchOptions {
  const char* csv = nullptr;       // --csv FILE, or null
  const char* json = nullptr;      // --json FILE, or null
  double frame_interval = 0;       // --frame-interval in seconds; 0: from the image
  bool verbose = false;            // --verbose: status lines even on a terminal
};

// What the summary table shows of one image.
struct BatchResult {
  bool ok = false;  // measured and every requested file written
  double x_nm = 0, y_nm = 0;
  int kept_tracks = 0, frames = 0;
};

// A new private folder under $TMPDIR (or /tmp); empty, with a line on
// standard error, when it cannot be made.
std::string MakeRunFolder();

// Removes the folder with the files a run left in it.
void RemoveRunFolder(const std::string& folder);

// Runs the calculation on `image` with its intermediate files in `folder`
// and prints the results, as the batch command always has. With a
// progress line, the status lines and the stages' own chatter are replaced
// by it. Returns 0 when `result->ok`, else 1 (the failure is reported).
int RunBatchImage(const BatchOptions& options, const char* image, const std::string& folder,
                  ProgressLine* progress, BatchResult* result);
