// ORBILocalizationRefinement: links the bead localizations of successive
// frames into tracks and writes the track file that the application's
// vibration estimate reads (rules and format in docs/track-file.md).
//
// Flow: arguments -> read the localization file -> link (common motion,
// frame links, gap closing, spread test) -> refit missed frames on the image
// named by the localization file -> write the track file.
//
// Exit statuses: 0 success; 1 failure, with one line
// "ORBILocalizationRefinement: <reason>" on standard error; 2 interrupted by
// SIGINT or SIGTERM. A failed or interrupted run leaves no track file
// behind (an existing one keeps its contents). An image that cannot be
// opened is not a failure: the tracks are written without refitted frames
// and a warning line says why.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "arguments.h"
#include "image_patches.h"
#include "linking.h"
#include "stop_signals.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kInterrupted = 2;

// Exit status for a library status.
int StatusOf(int rc) {
  if (rc == LINKING_OK) return kSuccess;
  return rc == LINKING_ERR_CANCELED ? kInterrupted : kFailure;
}

class Session {
 public:
  Session() { LinkingSessionCreate(&session_); }
  ~Session() { LinkingSessionDestroy(session_); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  LinkingSession* get() const { return session_; }

 private:
  LinkingSession* session_ = nullptr;
};

// The track file is written beside its final name and renamed into place:
// its directory must take new files. Checked before the work, so that a
// mistyped output path fails at once.
std::string OutputProblem(const std::string& output) {
  const size_t slash = output.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : output.substr(0, slash);
  if (access(dir.c_str(), W_OK | X_OK) == 0) return "";
  return "cannot create " + output + ": " + std::strerror(errno);
}

int Run(int argc, char** argv, const volatile sig_atomic_t* stop, std::string* reason) {
  refinement::Arguments args;
  *reason = refinement::ParseArguments(argc, argv, &args);
  if (reason->empty()) *reason = OutputProblem(args.output);
  if (!reason->empty()) return kFailure;
  Session session;
  if (!session.get()) {
    *reason = "out of memory";
    return kFailure;
  }
  LinkingSession* s = session.get();
  char message[512] = "";
  int rc = LinkingReadLocalizations(s, args.input.c_str(), stop, message, sizeof message);
  if (rc == LINKING_OK)
    rc = LinkingLinkTracks(s, &args.parameters, stop, message, sizeof message);
  if (rc != LINKING_OK) {
    *reason = message;
    return StatusOf(rc);
  }

  const LinkingSeries& series = *LinkingGetSeries(s);
  const int frames = series.t_end - series.t_start + 1;
  refinement::ImagePatches image;
  std::string image_problem = series.nx > 0 && series.ny > 0
                                  ? image.Open(LinkingImagePath(s), series, frames)
                                  : "the localization file gives no frame size";
  if (!image_problem.empty()) {
    std::fprintf(stderr, "ORBILocalizationRefinement: warning: %s; missed frames are not refitted\n",
                 image_problem.c_str());
  } else {
    rc = LinkingRefineTracks(s, &args.parameters, refinement::ImagePatches::Read, &image, stop,
                             message, sizeof message);
    if (rc != LINKING_OK) {
      *reason = message;
      return StatusOf(rc);
    }
  }

  rc = LinkingWriteTrackFile(s, &args.parameters, args.output.c_str(), stop, message,
                             sizeof message);
  if (rc != LINKING_OK) {
    *reason = message;
    return StatusOf(rc);
  }
  LinkingStatistics st;
  LinkingGetStatistics(s, &st);
  std::printf(
      "ORBILocalizationRefinement: %ld tracks (%ld in every frame) from %ld events in %d frames, "
      "%ld gaps closed, %ld events refitted in %ld fits\n",
      st.tracks, st.complete_tracks, st.events, frames, st.gaps_closed, st.refined_events,
      st.fits_tried);
  return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  const volatile sig_atomic_t* stop = programs::InstallStopSignals();
  std::string reason;
  const int status = Run(argc, argv, stop, &reason);
  if (status != kSuccess) {
    if (reason.empty()) reason = status == kInterrupted ? "interrupted" : "failed";
    if (status == kInterrupted && *stop)
      reason += " (signal " + std::to_string(static_cast<int>(*stop)) + ")";
    std::fprintf(stderr, "ORBILocalizationRefinement: %s\n", reason.c_str());
  }
  return status;
}
