// batch_main.cpp - tremoscan-batch: the calculation without a window, for
// engineers who check many microscopes and for scripts.
//
// Runs the very same stages as "Run the Calculation" (the same programs,
// the same checks, the same texts) on one image or many (batch_image.h,
// batch_jobs.h). The options and exit statuses are those of kHelp.
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "batch_image.h"
#include "batch_jobs.h"
#include "batch_progress.h"

namespace {

constexpr const char* kUsage =
    "usage: tremoscan-batch IMAGE [--csv FILE] [--json FILE] [--frame-interval SECONDS]\n"
    "       tremoscan-batch IMAGE... [-j N] [--frame-interval SECONDS] [--verbose]\n";

constexpr const char* kHelp =
    "\n"
    "Measures the vibration of a microscope stage from a time series of beads,\n"
    "as Tremoscan's \"Run the Calculation\" does, without a window.\n"
    "\n"
    "Options:\n"
    "  --csv FILE               write the displacement of every kept track per frame\n"
    "                           (one image only)\n"
    "  --json FILE              write the whole stage-motion report (one image only)\n"
    "  --frame-interval SECONDS time between frames; default: the image's own, else 1 s\n"
    "  -j N, --jobs N           measure N images at once (default 1)\n"
    "  --verbose                print the status lines even on a terminal\n"
    "  --help                   print this text\n"
    "\n"
    "On a terminal, progress is one updating line; in a pipe or a log, every status\n"
    "line is printed. Several images end with a summary table.\n"
    "PA_BASE names the suite directory; unset, it is the directory two levels above\n"
    "this program's bin/x86_64.\n"
    "\n"
    "Exit status:\n"
    "  0  every image was measured and every requested file written\n"
    "  1  at least one image failed (its reason is on standard error)\n"
    "  2  wrong usage: unknown option, missing image or bad value\n";

int Usage() {
  fputs(kUsage, stderr);
  fputs("Try 'tremoscan-batch --help'.\n", stderr);
  return 2;
}

// A started program at <base>/bin/x86_64/tremoscan-batch names its own
// suite directory; PA_BASE, when set, wins.
void FindSuiteBase() {
  const char* set = getenv("PA_BASE");
  if (set && *set) return;
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return;
  std::string path(exe, static_cast<size_t>(n));
  const std::string tail = "/bin/x86_64/tremoscan-batch";
  if (path.size() <= tail.size() || path.compare(path.size() - tail.size(), tail.size(), tail) != 0) return;
  setenv("PA_BASE", path.substr(0, path.size() - tail.size()).c_str(), 1);
}

bool ParsePositive(const char* text, double* value) {
  char* end = nullptr;
  *value = strtod(text, &end);
  return end != text && *end == '\0' && *value > 0 && std::isfinite(*value);
}

}  // namespace

int main(int argc, char** argv) {
  BatchOptions options;
  std::vector<const char*> images;
  int jobs = 1;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    bool has_value = i + 1 < argc;
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
      fputs(kUsage, stdout);
      fputs(kHelp, stdout);
      return 0;
    } else if (strcmp(arg, "--csv") == 0 && has_value) {
      options.csv = argv[++i];
    } else if (strcmp(arg, "--json") == 0 && has_value) {
      options.json = argv[++i];
    } else if (strcmp(arg, "--frame-interval") == 0 && has_value) {
      const char* text = argv[++i];
      if (!ParsePositive(text, &options.frame_interval)) {
        fprintf(stderr, "error: --frame-interval needs a positive number of seconds, not \"%s\"\n", text);
        return 2;
      }
    } else if ((strcmp(arg, "-j") == 0 || strcmp(arg, "--jobs") == 0) && has_value) {
      const char* text = argv[++i];
      char* end = nullptr;
      long n = strtol(text, &end, 10);
      if (end == text || *end != '\0' || n < 1 || n > 64) {
        fprintf(stderr, "error: %s needs a number of images from 1 to 64, not \"%s\"\n", arg, text);
        return 2;
      }
      jobs = static_cast<int>(n);
    } else if (strcmp(arg, "--verbose") == 0) {
      options.verbose = true;
    } else if (arg[0] == '-') {
      return Usage();
    } else {
      images.push_back(arg);
    }
  }
  if (images.empty()) return Usage();
  if (images.size() > 1 && (options.csv || options.json)) {
    fprintf(stderr, "error: --csv and --json take one image; run one call per image to write them\n");
    return 2;
  }
  FindSuiteBase();

  if (images.size() > 1) return RunBatchImages(options, images, jobs);

  std::string folder = MakeRunFolder();
  if (folder.empty()) return 1;
  std::unique_ptr<ProgressLine> progress;
  if (!options.verbose && isatty(STDOUT_FILENO)) progress = std::make_unique<ProgressLine>(STDOUT_FILENO);
  BatchResult result;
  int rc = RunBatchImage(options, images[0], folder, progress.get(), &result);
  RemoveRunFolder(folder);
  return rc;
}
