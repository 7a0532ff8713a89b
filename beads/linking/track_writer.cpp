// Track file writer (see track_writer.h).
#include "track_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

#include "beads.h"
#include "decimal_text.h"
#include "image_path_text.h"

namespace linking {

namespace {

constexpr size_t kFlushAt = 1 << 20;  // bytes buffered before a write()
// Longest event line: 2 integers and 8 numbers with their separators.
constexpr size_t kMaxEventLine = 2 * 24 + 8 * kMaxFixedText + 12;

// An output file that appears under its final name only when complete.
class AtomicOutput {
 public:
  ~AtomicOutput() { Abandon(); }

  bool Open(const std::string& path, std::string* message) {
    path_ = path;
    char name[PATH_MAX];
    if (BeadsCreateTemporaryBeside(path.c_str(), ".partial", name, sizeof name, &fd_) !=
        BEADS_OK) {
      *message = "cannot create " + path + ": " + std::strerror(errno);
      return false;
    }
    temporary_ = name;
    buffer_.reserve(kFlushAt + kMaxEventLine + 4096);
    return true;
  }
  std::string& buffer() { return buffer_; }
  bool FlushIfFull(std::string* message) { return buffer_.size() < kFlushAt || Flush(message); }
  bool Flush(std::string* message) {
    size_t done = 0;
    while (done < buffer_.size()) {
      const ssize_t n = write(fd_, buffer_.data() + done, buffer_.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        *message = "cannot write " + path_ + ": " + std::strerror(n < 0 ? errno : ENOSPC);
        return false;
      }
      done += static_cast<size_t>(n);
    }
    buffer_.clear();
    return true;
  }
  bool Commit(std::string* message) {
    if (!Flush(message)) return false;
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
      *message = "cannot write " + path_ + ": " + std::strerror(errno);
      return false;
    }
    temporary_.clear();
    return true;
  }
  void Abandon() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
  }

 private:
  int fd_ = -1;            // the temporary file while open
  std::string path_;       // final name
  std::string temporary_;  // temporary name beside it, "" once renamed or removed
  std::string buffer_;     // bytes not yet written
};

void AppendKey(std::string* out, const char* key, long long value) {
  char text[32];
  *FormatInteger(text, value) = '\0';
  *out += std::string("# ") + key + " " + text + "\n";
}

void AppendKey(std::string* out, const char* key, double value, int decimals) {
  char text[kMaxFixedText + 1];
  *FormatFixed(text, value, decimals) = '\0';
  *out += std::string("# ") + key + " " + text + "\n";
}

// The analysed region to announce: as the localization file gave it, else
// the whole frame, else the extent of the events (the application needs a
// region to size its tables).
void Region(const LinkingSession& s, int* x0, int* x1, int* y0, int* y1) {
  const LinkingSeries& r = s.series;
  double max_x = 0, max_y = 0;
  for (const LinkingEvent& e : s.events) {
    max_x = std::max(max_x, e.x);
    max_y = std::max(max_y, e.y);
  }
  const auto pick = [](int start, int end, int size, double extent, int* a, int* b) {
    if (start >= 0 && end >= start) {
      *a = start;
      *b = end;
    } else if (size > 0) {
      *a = 0;
      *b = size - 1;
    } else {
      *a = 0;
      *b = static_cast<int>(std::min(std::ceil(extent + 0.5), 1e9));
    }
  };
  pick(r.x_start, r.x_end, r.nx, max_x, x0, x1);
  pick(r.y_start, r.y_end, r.ny, max_y, y0, y1);
}

char* FormatEvent(char* p, const LinkingEvent& e) {
  p = FormatInteger(p, e.frame);
  *p++ = ' ';
  p = FormatFixed(p, e.photons, 1);
  *p++ = ' ';
  p = FormatFixed(p, e.y, 4);
  *p++ = ' ';
  p = FormatFixed(p, e.y_precision, 4);
  *p++ = ' ';
  p = FormatFixed(p, e.x, 4);
  *p++ = ' ';
  p = FormatFixed(p, e.x_precision, 4);
  *p++ = ' ';
  p = FormatFixed(p, e.background, 3);
  *p++ = ' ';
  p = FormatFixed(p, e.psf_sigma, 4);
  *p++ = ' ';
  p = FormatInteger(p, e.track);
  *p++ = ' ';
  p = FormatFixed(p, e.quality, 4);
  *p++ = '\n';
  return p;
}

}  // namespace

int WriteTrackFile(const LinkingSession& s, const LinkingParameters& p, const char* path,
                   const volatile sig_atomic_t* stop, std::string* message) {
  AtomicOutput out;
  if (!out.Open(path, message)) return LINKING_ERR_WRITE;
  std::string& text = out.buffer();
  const LinkingSeries& r = s.series;
  const LinkingStatistics& st = s.stats;

  long longest = 0;
  {
    std::vector<int> length(st.tracks + 1, 0);
    for (const LinkingEvent& e : s.events)
      if (e.track > 0 && e.track <= st.tracks) ++length[e.track];
    for (int n : length) longest = std::max<long>(longest, n);
  }
  int x0, x1, y0, y1;
  Region(s, &x0, &x1, &y0, &y1);
  text += "# ORBILocalizationRefinement bead tracks\n";
  for (const std::string& line : ImagePathLines(s.image)) text += line;
  if (r.nx > 0) AppendKey(&text, "N_PIXELS_X", static_cast<long long>(r.nx));
  if (r.ny > 0) AppendKey(&text, "N_PIXELS_Y", static_cast<long long>(r.ny));
  AppendKey(&text, "REGION_X_START", static_cast<long long>(x0));
  AppendKey(&text, "REGION_X_END", static_cast<long long>(x1));
  AppendKey(&text, "REGION_Y_START", static_cast<long long>(y0));
  AppendKey(&text, "REGION_Y_END", static_cast<long long>(y1));
  if (s.frames > 0) {
    AppendKey(&text, "REGION_T_START", static_cast<long long>(r.t_start));
    AppendKey(&text, "REGION_T_END", static_cast<long long>(r.t_end));
    AppendKey(&text, "REGION_T_INCREMENT", static_cast<long long>(r.t_increment));
  }
  AppendKey(&text, "PIXEL_SIZE_X", r.pixel_size_x, 9);
  AppendKey(&text, "PIXEL_SIZE_Y", r.pixel_size_y, 9);
  AppendKey(&text, "N_EVENTS", static_cast<long long>(s.events.size()));
  AppendKey(&text, "N_TRACKS", static_cast<long long>(st.tracks));
  AppendKey(&text, "FIDUCIAL_TRACKS", static_cast<long long>(st.complete_tracks));
  AppendKey(&text, "MAX_TRACK_LENGTH", static_cast<long long>(longest));
  text += "# UNITS pixels\n";
  AppendKey(&text, "MAX_STD_NM", p.max_std, 4);
  AppendKey(&text, "SEARCH_RADIUS_NM", p.search_radius, 4);
  AppendKey(&text, "GAP_PENALTY", p.gap_penalty, 4);
  AppendKey(&text, "TIME_WINDOW", static_cast<long long>(p.time_window));
  AppendKey(&text, "REFINED_EVENTS", static_cast<long long>(st.refined_events));
  text += "## frame photons y y_precision x x_precision background psf_sigma track fit_quality\n";

  // Frame order; within a frame by track number, events in no track last.
  const int frames = std::max(s.frames, 0);
  std::vector<int> begin(frames + 1, 0);
  for (const LinkingEvent& e : s.events) ++begin[e.frame + 1];
  for (int t = 0; t < frames; ++t) begin[t + 1] += begin[t];
  std::vector<int> order(s.events.size());
  {
    std::vector<int> fill(begin.begin(), begin.end() - 1);
    for (size_t e = 0; e < s.events.size(); ++e) order[fill[s.events[e].frame]++] = static_cast<int>(e);
  }
  const auto key = [&](int e) {
    const int track = s.events[e].track;
    return track > 0 ? track : INT_MAX;
  };
  char line[kMaxEventLine];
  for (int t = 0; t < frames; ++t) {
    std::stable_sort(order.begin() + begin[t], order.begin() + begin[t + 1],
                     [&](int a, int b) { return key(a) < key(b); });
    if ((t & 255) == 0 && Stopped(stop)) return LINKING_ERR_CANCELED;
    for (int k = begin[t]; k < begin[t + 1]; ++k) {
      const char* end = FormatEvent(line, s.events[order[k]]);
      text.append(line, static_cast<size_t>(end - line));
    }
    if (!out.FlushIfFull(message)) return LINKING_ERR_WRITE;
  }
  if (Stopped(stop)) return LINKING_ERR_CANCELED;
  return out.Commit(message) ? LINKING_OK : LINKING_ERR_WRITE;
}

}  // namespace linking
