// beadsim: writes a simulated bead time series in the suite's image format
// and its ground truth (usage and formats in docs/beadsim.md).
//
//   beadsim [options] IMAGE TRUTH
//
// The image is written frame by frame (only one frame is ever in memory);
// the truth file receives the stage offset and every bead's position and
// photons per frame. Exit status 0 on success, 1 when a file cannot be
// written, 2 for invalid arguments; every failure prints one line on
// standard error.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "beads.h"
#include "camera.h"
#include "command_line.h"
#include "imlib.h"
#include "scene.h"
#include "truth_file.h"

namespace {

using beadsim::CameraOptions;
using beadsim::SceneOptions;
using beadsim::Vibration;

const char kUsage[] =
    "usage: beadsim [options] IMAGE TRUTH\n"
    "  --size WxH            frame size in pixels (256x256)\n"
    "  --frames N            time points (100)\n"
    "  --beads N             isolated fixed beads (120)\n"
    "  --pairs N             close pairs of fixed beads (0)\n"
    "  --pair-distance A,B   pair distance range in PSF sigmas (1.5,3)\n"
    "  --edge N              fixed beads within a pixel of the border (0)\n"
    "  --loose N             beads moving on their own (0)\n"
    "  --vanish N            fixed beads that go dark for 2-5 frames (0)\n"
    "  --seed N              seed of all randomness (1)\n"
    "  --pixel-size UM       pixel size in micrometres (0.1)\n"
    "  --wavelength NM       emission wavelength (620)\n"
    "  --na NA               numerical aperture (1.0)\n"
    "  --psf-sigma PX        PSF sigma in pixels (default 0.21 wavelength / NA)\n"
    "  --lens-id N           lens id written into the image (0)\n"
    "  --photons N           mean photons per bead and frame (3000)\n"
    "  --photon-spread R     relative spread of bead brightness (0.3)\n"
    "  --bleach-frames N     1/e bleaching time in frames, 0 for none (0)\n"
    "  --background N        background photons per pixel (20)\n"
    "  --gain G              camera counts per photon (2)\n"
    "  --offset N            camera offset in counts (100)\n"
    "  --read-noise N        read noise in counts rms (1.5)\n"
    "  --emccd               electron-multiplying camera (excess noise 2)\n"
    "  --frame-interval S    seconds between frames (0.01)\n"
    "  --vibration F,AX,AY[,PHASE]  stage sinusoid: hertz, nanometres X and Y,\n"
    "                        radians; repeatable (default 12.5,20,15)\n"
    "  --no-vibration        no stage sinusoid at all\n"
    "  --drift VX,VY         stage drift in nanometres per second (0,0)\n"
    "  --jitter NM           white stage jitter in nanometres rms (0)\n"
    "  --pixel-type T        byte, int16, uint16, int32, float or double (uint16)\n";

struct Options {
  SceneOptions scene;
  CameraOptions camera;
  double wavelength = 620;
  double na = 1.0;
  double psf_sigma = 0;
  int lens_id = 0;
  std::string image;
  std::string truth;
};

// Comma-separated reals; false unless there are between min and max.
bool ParseList(const char* text, size_t min, size_t max, std::vector<double>* out) {
  out->clear();
  std::string s(text);
  size_t start = 0;
  for (;;) {
    const size_t comma = s.find(',', start);
    double v;
    if (!programs::ParseReal(s.substr(start, comma - start).c_str(), &v)) return false;
    out->push_back(v);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out->size() >= min && out->size() <= max;
}

int PixelTypeCode(const std::string& name) {
  static const struct {
    const char* name;
    int code;
  } kTypes[] = {{"byte", 0}, {"int16", 1}, {"float", 2}, {"uint16", 6}, {"int32", 7}, {"double", 8}};
  for (const auto& t : kTypes)
    if (name == t.name) return t.code;
  return -1;
}

// Parses the command line; returns an empty string or the reason it failed.
std::string Parse(int argc, char** argv, Options* o) {
  using programs::Option;
  constexpr double kNoLimit = HUGE_VAL;
  bool default_vibration = true;
  std::vector<double> list;
  auto count = [](const char* name, int* target) {
    return Option::Whole(name, target, 0, 1000000);
  };
  std::vector<std::string> positional;
  const std::string reason = programs::ParseOptions(
      argc, argv, "--",
      {
          Option::Flag("--emccd", [o] { o->camera.emccd = true; }),
          Option::Flag("--no-vibration",
                       [&] {
                         default_vibration = false;
                         o->scene.vibrations.clear();
                       }),
          Option::Value("--size",
                        [o](const char* value) {
                          int w = 0, h = 0;
                          char tail = 0;
                          if (std::sscanf(value, "%dx%d%c", &w, &h, &tail) != 2 || w < 1 ||
                              h < 1 || w > 100000 || h > 100000)
                            return false;
                          o->scene.nx = w;
                          o->scene.ny = h;
                          return true;
                        }),
          Option::Whole("--frames", &o->scene.frames, 1, 10000000),
          count("--beads", &o->scene.beads),
          count("--pairs", &o->scene.pairs),
          count("--edge", &o->scene.edge),
          count("--loose", &o->scene.loose),
          count("--vanish", &o->scene.vanish),
          Option::Value("--pair-distance",
                        [&](const char* value) {
                          if (!ParseList(value, 2, 2, &list) || list[0] <= 0 || list[1] < list[0])
                            return false;
                          o->scene.pair_min = list[0];
                          o->scene.pair_max = list[1];
                          return true;
                        }),
          Option::Value("--seed",
                        [o](const char* value) {
                          char* end = nullptr;
                          errno = 0;
                          const unsigned long long s = std::strtoull(value, &end, 10);
                          if (errno != 0 || *end != '\0' || end == value) return false;
                          o->scene.seed = s;
                          o->camera.seed = s;
                          return true;
                        }),
          Option::Whole("--lens-id", &o->lens_id, 0, 65535),
          Option::Value("--vibration",
                        [&](const char* value) {
                          if (!ParseList(value, 3, 4, &list) || list[0] < 0) return false;
                          if (default_vibration) o->scene.vibrations.clear();
                          default_vibration = false;
                          o->scene.vibrations.push_back(
                              {list[0], list[1], list[2], list.size() > 3 ? list[3] : 0.0});
                          return true;
                        }),
          Option::Value("--drift",
                        [&](const char* value) {
                          if (!ParseList(value, 2, 2, &list)) return false;
                          o->scene.drift_x = list[0];
                          o->scene.drift_y = list[1];
                          return true;
                        }),
          Option::Value("--pixel-type",
                        [o](const char* value) {
                          const int code = PixelTypeCode(value);
                          if (code < 0) return false;
                          o->camera.pixel_type = code;
                          return true;
                        }),
          Option::Real("--pixel-size", &o->scene.pixel_size_um, 0, true, kNoLimit),
          Option::Real("--wavelength", &o->wavelength, 0, true, kNoLimit),
          Option::Real("--na", &o->na, 0, true, kNoLimit),
          Option::Real("--psf-sigma", &o->psf_sigma, 0.3, false, kNoLimit),
          Option::Real("--photons", &o->scene.photons, 0, false, kNoLimit),
          Option::Real("--photon-spread", &o->scene.photon_spread, 0, false, kNoLimit),
          Option::Real("--bleach-frames", &o->scene.bleach_frames, 0, false, kNoLimit),
          Option::Real("--background", &o->camera.background, 0, false, kNoLimit),
          Option::Real("--gain", &o->camera.gain, 0, true, kNoLimit),
          Option::Real("--offset", &o->camera.offset, -1e9, false, kNoLimit),
          Option::Real("--read-noise", &o->camera.read_noise, 0, false, kNoLimit),
          Option::Real("--frame-interval", &o->scene.frame_interval, 0, true, kNoLimit),
          Option::Real("--jitter", &o->scene.jitter, 0, false, kNoLimit),
      },
      &positional);
  if (!reason.empty()) return reason;
  if (positional.size() != 2) return "expected an image path and a truth file path";
  o->image = positional[0];
  o->truth = positional[1];
  if (default_vibration) o->scene.vibrations = {{12.5, 20, 15, 0}};
  o->scene.psf_sigma =
      o->psf_sigma > 0 ? o->psf_sigma
                       : BeadsPsfSigmaFromOptics(o->wavelength, o->na, o->scene.pixel_size_um);
  if (!(o->scene.psf_sigma >= 0.3) || o->scene.psf_sigma > 20)
    return "the PSF sigma must lie between 0.3 and 20 pixels";
  return "";
}

// Writes the series; returns 0 or 1 after printing the reason.
int Simulate(const Options& o) {
  beadsim::Scene scene;
  const std::string problem = scene.Build(o.scene);
  if (!problem.empty()) {
    std::fprintf(stderr, "beadsim: %s\n", problem.c_str());
    return 2;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> truth(std::fopen(o.truth.c_str(), "w"),
                                                         &std::fclose);
  if (!truth) {
    std::fprintf(stderr, "beadsim: cannot write %s: %s\n", o.truth.c_str(), std::strerror(errno));
    return 1;
  }
  const beadsim::TruthHeader header{o.image,       &o.scene, &o.camera, o.wavelength,
                                    o.na,          o.lens_id,
                                    static_cast<int>(scene.beads().size())};
  int stream = 0;
  if (IMOpen2(&stream, o.image.c_str(), "new") != 0) {
    std::fprintf(stderr, "beadsim: cannot create image %s\n", o.image.c_str());
    return 1;
  }
  const int nx = o.scene.nx, ny = o.scene.ny, nt = o.scene.frames;
  const float pixel_size[3] = {static_cast<float>(o.scene.pixel_size_um),
                               static_cast<float>(o.scene.pixel_size_um),
                               static_cast<float>(o.scene.pixel_size_um)};
  const float wavelength = static_cast<float>(o.wavelength);
  int rc = IMCrHdr3(stream, nx, ny, 1, 1, nt, 1, IM_ZWTP, o.camera.pixel_type);
  if (rc == 0) rc = IMAlDel(stream, pixel_size);
  if (rc == 0) rc = IMAlWav(stream, 1, &wavelength);
  if (rc == 0) rc = IMAlLensID(stream, o.lens_id);
  // Extended-header value 13 of every section: photons per count.
  for (int t = 0; rc == 0 && t < nt; ++t)
    rc = IMAlExHdrValueZWTP(stream, 0, 0, t, 0, 13, 1.0 / o.camera.gain);
  if (rc == 0) rc = IMAlFieldDouble(stream, "FRAME_INTERVAL", o.scene.frame_interval);
  if (rc == 0) rc = IMWrHdr2(stream, 1);
  if (rc == 0 && !beadsim::WriteTruthHeader(truth.get(), header)) rc = -1;
  std::vector<double> expected;
  std::vector<float> counts;
  double lo = std::numeric_limits<double>::max(), hi = -lo, sum = 0;
  for (int t = 0; rc == 0 && t < nt; ++t) {
    const beadsim::FrameTruth& frame = scene.Next();
    beadsim::ExposeFrame(o.camera, frame, o.scene.psf_sigma, nx, ny, t, &expected, &counts);
    for (float v : counts) {
      lo = std::min(lo, static_cast<double>(v));
      hi = std::max(hi, static_cast<double>(v));
      sum += v;
    }
    if (o.camera.pixel_type == IM_DOUBLE) {
      // Doubles are written as stored: the library takes no floats for them.
      const std::vector<double> wide(counts.begin(), counts.end());
      rc = IMWrSec(stream, wide.data());
    } else {
      rc = IMWrSec(stream, counts.data());
    }
    if (rc == 0 && !beadsim::WriteTruthFrame(truth.get(), t, frame, scene)) rc = -1;
  }
  if (rc == 0) {
    const double mean = sum / (static_cast<double>(nx) * ny * nt);
    rc = IMAlWavMMM(stream, 0, static_cast<float>(lo), static_cast<float>(hi),
                    static_cast<float>(mean));
    if (rc == 0) rc = IMWrHdr2(stream, 1);
  }
  IMClose(stream);
  if (rc == 0 && (std::fflush(truth.get()) != 0 || std::ferror(truth.get()))) rc = -1;
  if (rc != 0) {
    std::fprintf(stderr, "beadsim: writing %s or %s failed\n", o.image.c_str(), o.truth.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  Options options;
  const std::string problem = Parse(argc, argv, &options);
  if (!problem.empty()) {
    std::fprintf(stderr, "beadsim: %s (see beadsim --help)\n", problem.c_str());
    return 2;
  }
  return Simulate(options);
}
