// Helpers of the linking benchmarks (see bench_support.h).
#include "bench_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

namespace linking_bench {

std::string ProgramPath(const std::string& name) {
  return std::string(TREMOSCAN_SUITE_ARCH_BIN) + "/" + name;
}

double Seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

RunResult Run(const std::vector<std::string>& argv) {
  RunResult r;
  int pipe_fd[2];
  if (pipe(pipe_fd) != 0) return r;
  const double start = Seconds();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipe_fd[1], 1);
    close(pipe_fd[0]);
    close(pipe_fd[1]);
    // The tables are the output; the programs' warnings (an image hidden on
    // purpose) would only interleave with them.
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(pipe_fd[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipe_fd[0], buffer, sizeof buffer)) > 0) r.out.append(buffer, n);
  close(pipe_fd[0]);
  int status = 0;
  struct rusage usage {};
  if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
    r.wall = Seconds() - start;
    r.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
            usage.ru_stime.tv_usec * 1e-6;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return r;
}

int Truth::BeadAt(int frame, double px, double py) const {
  int best = -1;
  double best_d = 1.0;
  for (size_t b = 0; b < x.size(); ++b) {
    const double d = std::hypot(x[b][frame] - px, y[b][frame] - py);
    if (d < best_d) {
      best_d = d;
      best = static_cast<int>(b);
    }
  }
  return best;
}

bool ReadTruth(const std::string& path, Truth* t) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("# N_FRAMES ", 0) == 0) t->frames = std::stoi(line.substr(11));
    if (line.rfind("B ", 0) != 0) continue;
    std::istringstream s(line.substr(2));
    int frame, bead;
    double x, y, photons;
    std::string kind;
    s >> frame >> bead >> x >> y >> photons >> kind;
    if (bead >= static_cast<int>(t->x.size())) {
      t->x.resize(bead + 1, std::vector<double>(t->frames, 0));
      t->y.resize(bead + 1, std::vector<double>(t->frames, 0));
      t->photons.resize(bead + 1, std::vector<double>(t->frames, 0));
      t->kind.resize(bead + 1);
    }
    t->x[bead][frame] = x;
    t->y[bead][frame] = y;
    t->photons[bead][frame] = photons;
    t->kind[bead] = kind;
  }
  return t->frames > 0;
}

std::vector<EventLine> ReadEvents(const std::string& path) {
  std::vector<EventLine> events;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream s(line);
    EventLine e{};
    double photons, yp, xp, background, sigma, track;
    if (s >> e.frame >> photons >> e.y >> yp >> e.x >> xp >> background >> sigma >> track) {
      e.track = static_cast<int>(track);
      events.push_back(e);
    }
  }
  return events;
}

long DropDetections(const std::string& from, const std::string& to, double fraction,
                    unsigned seed) {
  std::ifstream in(from);
  std::ofstream out(to);
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> uniform(0, 1);
  std::string line;
  long dropped = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != '#' && uniform(rng) < fraction) {
      ++dropped;
      continue;
    }
    out << line << '\n';
  }
  return dropped;
}

bool HideImage(const std::string& from, const std::string& to) {
  std::ifstream in(from);
  std::ofstream out(to);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("# IMAGE ", 0) == 0) line = "# IMAGE /nonexistent/hidden.img";
    out << line << '\n';
  }
  return static_cast<bool>(out);
}

}  // namespace linking_bench
