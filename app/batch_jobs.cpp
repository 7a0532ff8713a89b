// batch_jobs.cpp - the worker processes of a many-image tremoscan-batch
// call. A worker writes its standard output, standard error and result
// into its own private folder; the parent shows them once the worker ends,
// so the outputs of images running at the same time never mix.
#include "batch_jobs.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "batch_progress.h"

namespace {

struct Job {
  size_t index = 0;     // position in the command line and the table
  std::string folder;   // the worker's private folder
  pid_t pid = -1;
};

bool RedirectTo(int fd, const std::string& path) {
  int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (file < 0) return false;
  bool ok = dup2(file, fd) >= 0;
  close(file);
  return ok;
}

// The worker: one image, its output into the folder, its result as one
// line "ok x y tracks frames".
[[noreturn]] void RunWorker(const BatchOptions& options, const char* image, const std::string& folder) {
  if (!RedirectTo(STDOUT_FILENO, folder + "/out.txt") || !RedirectTo(STDERR_FILENO, folder + "/err.txt"))
    _exit(1);
  BatchResult result;
  int rc = RunBatchImage(options, image, folder, nullptr, &result);
  if (FILE* f = fopen((folder + "/result.txt").c_str(), "w")) {
    fprintf(f, "%d %.17g %.17g %d %d\n", result.ok ? 1 : 0, result.x_nm, result.y_nm,
            result.kept_tracks, result.frames);
    if (fclose(f) != 0) rc = 1;
  }
  fflush(stdout);
  fflush(stderr);
  _exit(rc);
}

std::string FileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Reads the worker's result; a worker that died before writing it failed.
BatchResult ReadResult(const std::string& folder, int status) {
  BatchResult result;
  int ok = 0;
  std::istringstream line(FileText(folder + "/result.txt"));
  if (line >> ok >> result.x_nm >> result.y_nm >> result.kept_tracks >> result.frames)
    result.ok = ok == 1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return result;
}

void ShowOutput(const char* image, const std::string& folder, bool whole) {
  std::string out = FileText(folder + "/out.txt"), err = FileText(folder + "/err.txt");
  if (whole) {
    printf("==> %s <==\n%s\n", image, out.c_str());
    fflush(stdout);
  }
  if (!err.empty()) {
    fflush(stdout);
    fprintf(stderr, "==> %s <==\n%s", image, err.c_str());
    fflush(stderr);
  }
}

}  // namespace

void PrintSummaryTable(FILE* out, const std::vector<BatchRow>& rows) {
  int width = 5;
  for (const BatchRow& row : rows) width = std::max(width, static_cast<int>(row.image.size()));
  fprintf(out, "%-*s  %-6s  %10s  %10s  %6s  %6s\n", width, "image", "result", "X nm", "Y nm",
          "tracks", "frames");
  for (const BatchRow& row : rows) {
    const BatchResult& r = row.result;
    if (r.ok)
      fprintf(out, "%-*s  %-6s  %10.2f  %10.2f  %6d  %6d\n", width, row.image.c_str(), "ok", r.x_nm,
              r.y_nm, r.kept_tracks, r.frames);
    else
      fprintf(out, "%-*s  %-6s  %10s  %10s  %6s  %6s\n", width, row.image.c_str(), "FAILED", "-", "-",
              "-", "-");
  }
}

int RunBatchImages(const BatchOptions& options, const std::vector<const char*>& images, int jobs) {
  std::unique_ptr<ProgressLine> progress;
  if (!options.verbose && isatty(STDOUT_FILENO)) progress = std::make_unique<ProgressLine>(STDOUT_FILENO);
  std::vector<BatchRow> rows(images.size());
  std::vector<Job> running;
  size_t next = 0, done = 0;
  double start = MonotonicSeconds();
  bool all_ok = true;

  while (next < images.size() || !running.empty()) {
    while (next < images.size() && static_cast<int>(running.size()) < jobs) {
      Job job;
      job.index = next;
      rows[next].image = images[next];
      ++next;
      job.folder = MakeRunFolder();
      if (job.folder.empty()) {
        all_ok = false;
        ++done;
        continue;
      }
      fflush(stdout);
      fflush(stderr);
      job.pid = fork();
      if (job.pid == 0) RunWorker(options, images[job.index], job.folder);
      if (job.pid < 0) {
        fprintf(stderr, "error: cannot start a worker for %s: %s\n", images[job.index], strerror(errno));
        RemoveRunFolder(job.folder);
        all_ok = false;
        ++done;
        continue;
      }
      running.push_back(job);
    }
    if (progress) {
      std::string text = std::to_string(done) + " of " + std::to_string(images.size()) + " images done, " +
                         std::to_string(running.size()) + " running";
      std::string left = TimeLeftText(MonotonicSeconds() - start, double(done) / images.size());
      progress->Show(left.empty() ? text : text + ", " + left);
    }
    if (running.empty()) continue;
    int status = 0;
    pid_t ended = waitpid(-1, &status, progress ? WNOHANG : 0);
    if (ended == 0) {
      usleep(200000);
      continue;
    }
    if (ended < 0) {
      if (errno == EINTR) continue;
      fprintf(stderr, "error: lost track of the workers: %s\n", strerror(errno));
      return 1;
    }
    auto job = std::find_if(running.begin(), running.end(), [&](const Job& j) { return j.pid == ended; });
    if (job == running.end()) continue;
    if (progress) progress->Clear();
    rows[job->index].result = ReadResult(job->folder, status);
    all_ok = all_ok && rows[job->index].result.ok;
    ShowOutput(images[job->index], job->folder, !progress);
    RemoveRunFolder(job->folder);
    running.erase(job);
    ++done;
  }
  if (progress) progress->Clear();
  PrintSummaryTable(stdout, rows);
  fflush(stdout);
  return all_ok ? 0 : 1;
}
