// Localization file reader (see localization_reader.h).
#include "localization_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

#include "decimal_text.h"

namespace linking {

namespace {

constexpr size_t kBlock = 1 << 20;  // bytes per read()

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

const char* SkipBlanks(const char* p, const char* end) {
  while (p < end && IsBlank(*p)) ++p;
  return p;
}

std::string Snippet(const char* p, const char* end) {
  std::string text(p, std::min<size_t>(end - p, 40));
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  return text;
}

// What the header says, before it is checked.
struct HeaderValues {
  long long t_start = -1, t_end = -1, t_increment = -1;
  double pixel_x = 0, pixel_y = 0;
  bool have_pixel_x = false, have_pixel_y = false;
  bool units_nm = false;
  long long events_hint = 0;
};

class Reader {
 public:
  Reader(LinkingSession* s, std::string* message, long long file_size)
      : s_(s), message_(message), file_size_(file_size) {}

  // Handles one line (without its line end); false on an error.
  bool Line(const char* p, const char* end);
  bool Finish();

 private:
  bool Fail(const std::string& text) {
    *message_ = "line " + std::to_string(line_) + ": " + text;
    return false;
  }
  bool HeaderLine(const char* p, const char* end);
  bool EventLine(const char* p, const char* end);

  LinkingSession* s_;
  std::string* message_;
  long long file_size_;       // bytes of the file, 0 when unknown (a pipe)
  HeaderValues h_;
  long long line_ = 0;        // number of the current line, from 1
  bool in_header_ = true;     // no "##" and no event line seen yet
  bool have_time_ = false;    // REGION_T_START and REGION_T_END both given
  bool have_t_start_ = false; // a REGION_T_START line was read
  bool have_t_end_ = false;   // a REGION_T_END line was read

 public:
  long long line() const { return line_; }
  void NextLine() { ++line_; }
};

bool Reader::HeaderLine(const char* p, const char* end) {
  const char* key = SkipBlanks(p + 1, end);
  const char* key_end = key;
  while (key_end < end && !IsBlank(*key_end)) ++key_end;
  const std::string name(key, key_end);
  const char* value = SkipBlanks(key_end, end);
  const char* value_end = end;
  while (value_end > value && IsBlank(value_end[-1])) --value_end;
  if (name == "IMAGE") {
    // The path is the rest of the line after "IMAGE ", blanks inside kept.
    const char* path = key_end < end && *key_end == ' ' ? key_end + 1 : key_end;
    const char* path_end = end;
    while (path_end > path && path_end[-1] == '\r') --path_end;
    s_->image.assign(path, path_end);
    return true;
  }
  if (name == "UNITS") {
    const std::string units(value, value_end);
    h_.units_nm = units.find("nm") != std::string::npos ||
                  units.find("nanometer") != std::string::npos;
    return true;
  }
  struct IntKey {
    const char* name;
    long long* target;
  };
  long long nx = s_->series.nx, ny = s_->series.ny, xs = s_->series.x_start,
            xe = s_->series.x_end, ys = s_->series.y_start, ye = s_->series.y_end;
  const IntKey ints[] = {{"N_PIXELS_X", &nx},          {"N_PIXELS_Y", &ny},
                         {"REGION_X_START", &xs},      {"REGION_X_END", &xe},
                         {"REGION_Y_START", &ys},      {"REGION_Y_END", &ye},
                         {"REGION_T_START", &h_.t_start}, {"REGION_T_END", &h_.t_end},
                         {"REGION_T_INCREMENT", &h_.t_increment}, {"N_EVENTS", &h_.events_hint}};
  for (const IntKey& k : ints) {
    if (name != k.name) continue;
    long long v = 0;
    const char* after = ParseInteger(value, value_end, &v);
    if (!after || after != value_end || v < INT_MIN || v > INT_MAX)
      return Fail("invalid " + name + " value \"" + Snippet(value, value_end) + "\"");
    *k.target = v;
    s_->series.nx = static_cast<int>(nx);
    s_->series.ny = static_cast<int>(ny);
    s_->series.x_start = static_cast<int>(xs);
    s_->series.x_end = static_cast<int>(xe);
    s_->series.y_start = static_cast<int>(ys);
    s_->series.y_end = static_cast<int>(ye);
    if (name == "REGION_T_START") have_t_start_ = true;
    if (name == "REGION_T_END") have_t_end_ = true;
    have_time_ = have_t_start_ && have_t_end_;
    return true;
  }
  struct RealKey {
    const char* name;
    double* target;
    bool* given;
  };
  const RealKey reals[] = {{"PIXEL_SIZE_X", &h_.pixel_x, &h_.have_pixel_x},
                           {"PIXEL_SIZE_Y", &h_.pixel_y, &h_.have_pixel_y},
                           {"PSF_SIGMA", &s_->series.psf_sigma, nullptr},
                           {"PHOTON_CONVERSION_FACTOR", &s_->series.photon_conversion, nullptr},
                           {"CAMERA_OFFSET_PHOTONS", &s_->series.camera_offset, nullptr},
                           {"ALPHA_LOCAL_MAX", &s_->series.alpha, nullptr}};
  for (const RealKey& k : reals) {
    if (name != k.name) continue;
    double v = 0;
    const char* after = ParseReal(value, value_end, &v);
    if (!after || after != value_end || !std::isfinite(v))
      return Fail("invalid " + name + " value \"" + Snippet(value, value_end) + "\"");
    *k.target = v;
    if (k.given) *k.given = true;
    return true;
  }
  return true;
}

bool Reader::EventLine(const char* p, const char* end) {
  double v[10];
  int fields = 0;
  long long frame = 0;
  const char* q = ParseInteger(p, end, &frame);
  if (!q || (q < end && !IsBlank(*q))) return Fail("malformed event line \"" + Snippet(p, end) + "\"");
  fields = 1;
  for (;;) {
    q = SkipBlanks(q, end);
    if (q == end) break;
    if (fields == 10) return Fail("more than 10 fields in \"" + Snippet(p, end) + "\"");
    const char* after = ParseReal(q, end, &v[fields]);
    if (!after || (after < end && !IsBlank(*after)))
      return Fail("field " + std::to_string(fields + 1) + " is not a number in \"" +
                  Snippet(p, end) + "\"");
    if (!std::isfinite(v[fields]) || std::fabs(v[fields]) > 1e30)
      return Fail("field " + std::to_string(fields + 1) + " is out of range in \"" +
                  Snippet(p, end) + "\"");
    ++fields;
    q = after;
  }
  if (fields < 7)
    return Fail("expected 10 fields, found " + std::to_string(fields) + " in \"" +
                Snippet(p, end) + "\"");
  if (frame < 0 || frame >= kMaxFrames)
    return Fail("frame " + std::to_string(frame) + " is out of range");
  if (have_time_ && h_.t_end >= h_.t_start && frame > h_.t_end - h_.t_start)
    return Fail("frame " + std::to_string(frame) + " lies beyond the last time point (" +
                std::to_string(h_.t_end - h_.t_start) + ")");
  if (s_->events.size() >= static_cast<size_t>(INT_MAX - 1)) return Fail("too many events");
  LinkingEvent e{};
  e.frame = static_cast<int32_t>(frame);
  e.photons = static_cast<float>(v[1]);
  e.y = v[2];
  e.y_precision = static_cast<float>(v[3]);
  e.x = v[4];
  e.x_precision = static_cast<float>(v[5]);
  e.background = static_cast<float>(v[6]);
  e.psf_sigma = fields > 7 ? static_cast<float>(v[7]) : 0.0f;
  e.quality = fields > 9 ? static_cast<float>(v[9]) : 0.0f;
  s_->events.push_back(e);
  return true;
}

bool Reader::Line(const char* p, const char* end) {
  const char* q = SkipBlanks(p, end);
  if (q == end) return true;
  if (*q == '#' || *q == '!') {
    if (!in_header_) return true;
    if (q + 1 < end && q[0] == '#' && q[1] == '#') {
      in_header_ = false;
      // The header is complete: reserve room for the announced events,
      // bounded by what the file's size can hold (an event line has at
      // least 14 characters), so that a wrong count cannot exhaust memory.
      if (h_.events_hint > 0 && file_size_ > 0 &&
          static_cast<size_t>(h_.events_hint) > s_->events.capacity()) {
        s_->events.reserve(std::min<long long>(h_.events_hint, file_size_ / 14));
        AdviseHugePages(s_->events.data(), s_->events.capacity() * sizeof(LinkingEvent));
      }
      return true;
    }
    return HeaderLine(q, end);
  }
  in_header_ = false;
  return EventLine(q, end);
}

bool Reader::Finish() {
  LinkingSeries& series = s_->series;
  if (!h_.have_pixel_x && !h_.have_pixel_y) {
    *message_ = "no pixel size (PIXEL_SIZE_X, PIXEL_SIZE_Y): distances in nanometres cannot be computed";
    return false;
  }
  series.pixel_size_x = h_.have_pixel_x ? h_.pixel_x : h_.pixel_y;
  series.pixel_size_y = h_.have_pixel_y ? h_.pixel_y : h_.pixel_x;
  if (have_time_) {
    if (h_.t_start < 0 || h_.t_end < h_.t_start) {
      *message_ = "invalid time range REGION_T_START " + std::to_string(h_.t_start) +
                  " REGION_T_END " + std::to_string(h_.t_end);
      return false;
    }
    series.t_start = static_cast<int>(h_.t_start);
    series.t_end = static_cast<int>(h_.t_end);
    series.t_increment = h_.t_increment > 0 ? static_cast<int>(h_.t_increment) : 1;
  }
  if (h_.units_nm && series.pixel_size_x > 0 && series.pixel_size_y > 0) {
    const double kx = 1.0 / (1000.0 * series.pixel_size_x), ky = 1.0 / (1000.0 * series.pixel_size_y);
    const double ks = 0.5 * (kx + ky);
    for (LinkingEvent& e : s_->events) {
      e.x *= kx;
      e.y *= ky;
      e.x_precision = static_cast<float>(e.x_precision * kx);
      e.y_precision = static_cast<float>(e.y_precision * ky);
      e.psf_sigma = static_cast<float>(e.psf_sigma * ks);
    }
  }
  return ValidateSeries(s_, have_time_, message_) == LINKING_OK;
}

}  // namespace

int ValidateSeries(LinkingSession* s, bool have_time_range, std::string* message) {
  LinkingSeries& series = s->series;
  if (!(series.pixel_size_x > 0) || !(series.pixel_size_y > 0) ||
      !std::isfinite(series.pixel_size_x) || !std::isfinite(series.pixel_size_y)) {
    *message = "invalid pixel size " + std::to_string(series.pixel_size_x) + " x " +
               std::to_string(series.pixel_size_y) +
               " um: distances in nanometres cannot be computed";
    return LINKING_ERR_FORMAT;
  }
  int last_frame = -1;
  for (const LinkingEvent& e : s->events) {
    if (e.frame < 0 || e.frame >= kMaxFrames) {
      *message = "frame " + std::to_string(e.frame) + " is out of range";
      return LINKING_ERR_FORMAT;
    }
    last_frame = std::max(last_frame, static_cast<int>(e.frame));
  }
  if (have_time_range) {
    if (series.t_start < 0 || series.t_end < series.t_start ||
        static_cast<long long>(series.t_end) - series.t_start + 1 > kMaxFrames) {
      *message = "invalid time range " + std::to_string(series.t_start) + " .. " +
                 std::to_string(series.t_end);
      return LINKING_ERR_FORMAT;
    }
    s->frames = series.t_end - series.t_start + 1;
    if (last_frame >= s->frames) {
      *message = "frame " + std::to_string(last_frame) + " lies beyond the last time point (" +
                 std::to_string(s->frames - 1) + ")";
      return LINKING_ERR_FORMAT;
    }
    if (series.t_increment < 1) series.t_increment = 1;
  } else {
    s->frames = last_frame + 1;
    series.t_start = 0;
    series.t_end = last_frame;
    series.t_increment = 1;
  }
  return LINKING_OK;
}

int ReadLocalizationFile(const char* path, const volatile sig_atomic_t* stop,
                         LinkingSession* s, std::string* message) {
  int fd;
  for (;;) {
    fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd >= 0) break;
    if (errno == EINTR && !Stopped(stop)) continue;
    if (errno == EINTR) return LINKING_ERR_CANCELED;
    *message = std::string("cannot open ") + path + ": " + std::strerror(errno);
    return LINKING_ERR_READ;
  }
  // Room for the events up front: growing a vector of millions of events
  // copies it again and again. Lines of the localization program are about
  // 60 characters long.
  struct stat status;
  const long long size = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? status.st_size : 0;
  s->events.reserve(static_cast<size_t>(size / 60));
  AdviseHugePages(s->events.data(), s->events.capacity() * sizeof(LinkingEvent));
  Reader reader(s, message, size);
  std::vector<char> buffer(kBlock);
  size_t held = 0;  // bytes of an unfinished line at the start of buffer
  int rc = LINKING_OK;
  bool done = false;
  while (!done && rc == LINKING_OK) {
    if (Stopped(stop)) {
      rc = LINKING_ERR_CANCELED;
      break;
    }
    if (buffer.size() - held < kBlock / 2) buffer.resize(buffer.size() + kBlock);
    const ssize_t got = read(fd, buffer.data() + held, buffer.size() - held);
    if (got < 0) {
      if (errno == EINTR) continue;  // the loop head looks at the stop flag
      *message = std::string("cannot read ") + path + ": " + std::strerror(errno);
      rc = LINKING_ERR_READ;
      break;
    }
    size_t filled = held + static_cast<size_t>(got);
    if (got == 0) {
      done = true;
      if (held > 0) buffer[filled++] = '\n';  // a last line without line end
    }
    const char* base = buffer.data();
    size_t start = 0;
    for (;;) {
      const void* nl = std::memchr(base + start, '\n', filled - start);
      if (!nl) break;
      const size_t stop_at = static_cast<const char*>(nl) - base;
      reader.NextLine();
      if (!reader.Line(base + start, base + stop_at)) {
        rc = LINKING_ERR_FORMAT;
        break;
      }
      start = stop_at + 1;
    }
    if (rc != LINKING_OK) break;
    held = filled - start;
    if (held > kMaxLocalizationLine) {
      *message = "line " + std::to_string(reader.line() + 1) + ": longer than " +
                 std::to_string(kMaxLocalizationLine) + " characters";
      rc = LINKING_ERR_FORMAT;
      break;
    }
    std::memmove(buffer.data(), base + start, held);
    if (buffer.size() > 2 * kBlock && held < kBlock) buffer.resize(2 * kBlock);
  }
  close(fd);
  if (rc == LINKING_OK && !reader.Finish()) rc = LINKING_ERR_FORMAT;
  if (rc == LINKING_ERR_FORMAT) *message = std::string(path) + ": " + *message;
  return rc;
}

}  // namespace linking
