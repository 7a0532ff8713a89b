// Speed of the track analysis on a track file as large as the application
// meets: 300 tracks x 5000 frames, 1.5 million event lines of 10 fields in
// pixel units. The whole estimation (reading included) must stay well under
// a second, so the reader must not dominate it; each benchmark reports the
// events it handles per second.
//
//   analysis_bench [--frames=N] [benchmark options]
#include <benchmark/benchmark.h>

#include <analysis.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "number_scan.h"

namespace {

constexpr int kTracks = 300;
int frames = 5000;  // frames of the generated series (--frames=N)

// A temporary track file written once per run and removed at exit.
class BenchTrackFile {
 public:
  BenchTrackFile() {
    char dir[] = "/tmp/analysis-bench-XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    dir_ = dir;
    path_ = dir_ + "/KM_TRK.txt";
    Write();
  }
  ~BenchTrackFile() {
    std::remove(path_.c_str());
    rmdir(dir_.c_str());
  }
  const std::string& path() const { return path_; }
  long long events() const { return static_cast<long long>(kTracks) * frames; }

 private:
  // Beads on a 512 x 512 field, common stage motion of a few nanometres and
  // localization noise of 5-15 nm, written frame by frame like a tracker.
  void Write() {
    FILE* f = std::fopen(path_.c_str(), "w");
    if (!f) std::abort();
    std::fprintf(f,
                 "# IMAGE beads.img\n# N_PIXELS_X 512\n# N_PIXELS_Y 512\n"
                 "# REGION_X_START 0\n# REGION_X_END 511\n# REGION_Y_START 0\n# REGION_Y_END 511\n"
                 "# REGION_T_START 0\n# REGION_T_END %d\n# REGION_T_INCREMENT 1\n"
                 "# PIXEL_SIZE_X 0.065\n# PIXEL_SIZE_Y 0.065\n# UNITS pixels\n"
                 "# N_EVENTS %lld\n# N_TRACKS %d\n"
                 "## frame photons y y_precision x x_precision background psf_width track quality\n",
                 frames - 1, events(), kTracks);
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> place(10.0, 500.0);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> bead_x(kTracks), bead_y(kTracks), sigma(kTracks);
    for (int t = 0; t < kTracks; ++t) {
      bead_x[static_cast<size_t>(t)] = place(rng);
      bead_y[static_cast<size_t>(t)] = place(rng);
      sigma[static_cast<size_t>(t)] = (5.0 + 10.0 * (t % 7) / 6.0) / 65.0;  // pixels
    }
    for (int fr = 0; fr < frames; ++fr) {
      double stage_x = 0.05 * std::sin(0.03 * fr), stage_y = 0.04 * std::cos(0.05 * fr);
      for (int t = 0; t < kTracks; ++t) {
        size_t i = static_cast<size_t>(t);
        double x = bead_x[i] + stage_x + sigma[i] * noise(rng);
        double y = bead_y[i] + stage_y + sigma[i] * noise(rng);
        std::fprintf(f, "%d %.1f %.5f %.5f %.5f %.5f %.2f %.4f %d.0 %.4f\n", fr,
                     2000.0 + 100.0 * noise(rng), y, sigma[i], x, sigma[i], 10.0 + noise(rng),
                     1.3 + 0.01 * noise(rng), t + 1, 0.9 + 0.01 * noise(rng));
      }
    }
    std::fclose(f);
  }

  std::string dir_;
  std::string path_;
};

BenchTrackFile& File() {
  static BenchTrackFile file;
  return file;
}

void SetEventRate(benchmark::State& state, long long events_per_iteration) {
  state.counters["events_per_second"] = benchmark::Counter(
      static_cast<double>(events_per_iteration) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}

void BM_EstimateVibration(benchmark::State& state) {
  const std::string& path = File().path();
  for (auto _ : state) {
    int frame_count = 0, kept = 0;
    float mean_x, mean_y, sd_x, sd_y;
    if (EstimateVibration(path.c_str(), &frame_count, &kept, nullptr, &mean_x, &mean_y, &sd_x, &sd_y) != 0)
      state.SkipWithError("EstimateVibration failed");
    benchmark::DoNotOptimize(sd_x);
    state.counters["kept_tracks"] = kept;
  }
  SetEventRate(state, File().events());
}
BENCHMARK(BM_EstimateVibration)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_ReadTrackEvents(benchmark::State& state) {
  const std::string& path = File().path();
  for (auto _ : state) {
    int n = 0;
    TrackEvent* events = nullptr;
    if (ReadTrackEvents(path.c_str(), &n, &events) != 0) state.SkipWithError("ReadTrackEvents failed");
    benchmark::DoNotOptimize(events);
    std::free(events);
  }
  SetEventRate(state, File().events());
}
BENCHMARK(BM_ReadTrackEvents)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The line conversion alone, against the C library's scanner it replaces.
const char kLine[] = "1234 2013.4 256.12345 0.15385 101.98765 0.15385 10.31 1.3012 17.0 0.9012\n";

void BM_ScanEventLine(benchmark::State& state) {
  int frame = 0;
  double reals[9];
  for (auto _ : state) {
    benchmark::DoNotOptimize(analysis::ScanEventFields(kLine, sizeof kLine - 1, &frame, reals));
    benchmark::ClobberMemory();
  }
  SetEventRate(state, 1);
}
BENCHMARK(BM_ScanEventLine);

void BM_SscanfEventLine(benchmark::State& state) {
  int frame = 0;
  double r[9];
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::sscanf(kLine, "%d %lf %lf %lf %lf %lf %lf %lf %lf %lf", &frame, &r[0],
                                         &r[1], &r[2], &r[3], &r[4], &r[5], &r[6], &r[7], &r[8]));
    benchmark::ClobberMemory();
  }
  SetEventRate(state, 1);
}
BENCHMARK(BM_SscanfEventLine);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--frames=", 9) == 0) frames = std::atoi(argv[i] + 9);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
