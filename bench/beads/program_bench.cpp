// Whole-program throughput and memory of ORBILocalization on beadsim
// series: frames per second and localizations per second with reading and
// writing included, for 1 and 2 worker threads, and the peak resident
// memory of a 512 x 512 x 1000 run (which must stay at a few frames).
//
//   beads_program_bench [scratch directory]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string kBin = TREMOSCAN_SUITE_ARCH_BIN;

struct Run {
  int status;        // exit status, -1 if it did not exit
  double seconds;    // wall clock
  long max_rss_kb;   // peak resident set of the child
};

Run Execute(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage = {};
  wait4(pid, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, seconds, usage.ru_maxrss};
}

long CountEvents(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  long n = 0;
  bool header = true;
  while (std::getline(in, line)) {
    if (header) {
      header = line.rfind("##", 0) != 0;
      continue;
    }
    ++n;
  }
  return n;
}

void Simulate(const std::string& image, const std::string& size, int frames) {
  const Run r = Execute({kBin + "/beadsim", "--size", size, "--frames", std::to_string(frames),
                         "--beads", "120", "--seed", "4", image, image + ".truth"});
  if (r.status != 0) {
    std::fprintf(stderr, "beadsim failed\n");
    std::exit(1);
  }
}

Run Localize(const std::string& image, const std::string& out, int threads) {
  return Execute({kBin + "/ORBILocalization", image, out, "-statusFile", out + ".status",
                  "-doGaussianMultiKernelModelFitting", "-dnmf", "-psfSigma", "1.3000",
                  "-photonConversionFactor", "0.50000", "-overlapThreshold", "0.1500",
                  "-numericalAperture", "1.00000", "-alphaLocalMax", "0.0010", "-numThreads",
                  std::to_string(threads)});
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : "/tmp";
  const std::string small = dir + "/bench_256.img", large = dir + "/bench_512.img";
  const std::string out = dir + "/bench_loc.txt";
  std::printf("ORBILocalization on beadsim series (120 beads, 3000 photons, background 20)\n");
  std::printf("%-16s %8s %9s %10s %12s %16s %12s\n", "series", "threads", "seconds", "frames/s",
              "events", "localizations/s", "peak RSS MB");
  Simulate(small, "256x256", 1000);
  for (int threads : {1, 2}) {
    const Run r = Localize(small, out, threads);
    const long events = CountEvents(out);
    std::printf("%-16s %8d %9.3f %10.1f %12ld %16.0f %12.1f%s\n", "256x256x1000", threads,
                r.seconds, 1000 / r.seconds, events, events / r.seconds, r.max_rss_kb / 1024.0,
                r.status == 0 ? "" : "  (failed)");
  }
  std::remove(small.c_str());
  Simulate(large, "512x512", 1000);
  const Run r = Localize(large, out, 2);
  const long events = CountEvents(out);
  std::printf("%-16s %8d %9.3f %10.1f %12ld %16.0f %12.1f%s\n", "512x512x1000", 2, r.seconds,
              1000 / r.seconds, events, events / r.seconds, r.max_rss_kb / 1024.0,
              r.status == 0 ? "" : "  (failed)");
  std::printf("\nOne 512x512 frame is %.1f MB as floats; the series is %.0f MB as 16-bit pixels.\n",
              512.0 * 512 * 4 / 1048576, 512.0 * 512 * 2 * 1000 / 1048576);
  std::remove(large.c_str());
  std::remove((small + ".truth").c_str());
  std::remove((large + ".truth").c_str());
  std::remove(out.c_str());
  std::remove((out + ".status").c_str());
  return 0;
}
