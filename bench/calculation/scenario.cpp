// scenario.cpp - see scenario.h.
#include "scenario.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

namespace bench {

std::string SuiteProgram(const char* name) {
  const char* base = getenv("PA_BASE");
  return std::string(base ? base : ".") + "/bin/x86_64/" + name;
}

int RunQuietly(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

FILE* DivertStandardOutput() {
  FILE* table = fdopen(dup(1), "w");
  int null = open("/dev/null", O_WRONLY);
  dup2(null, 1);
  close(null);
  return table;
}

bool Simulate(const Scenario& s, const std::string& image, const std::string& truth) {
  std::vector<std::string> argv = {SuiteProgram("beadsim")};
  argv.insert(argv.end(), s.options.begin(), s.options.end());
  argv.push_back(image);
  argv.push_back(truth);
  return RunQuietly(argv) == 0;
}

bool ReadTruth(const std::string& path, Truth* t) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("# PIXEL_SIZE_X ", 0) == 0) t->pixel_nm_x = atof(line.c_str() + 15) * 1000;
    if (line.rfind("# PIXEL_SIZE_Y ", 0) == 0) t->pixel_nm_y = atof(line.c_str() + 15) * 1000;
    if (line.rfind("# N_FRAMES ", 0) == 0) t->frames = atoi(line.c_str() + 11);
    if (line.size() < 2 || line[1] != ' ') continue;
    std::istringstream fields(line.substr(2));
    if (line[0] == 'S') {
      int frame;
      double x, y;
      fields >> frame >> x >> y;
      t->stage_x.push_back(x * t->pixel_nm_x);
      t->stage_y.push_back(y * t->pixel_nm_y);
    } else if (line[0] == 'B') {
      int frame, id;
      double x, y, photons;
      std::string kind;
      fields >> frame >> id >> x >> y >> photons >> kind;
      Truth::Bead& b = t->beads[id];
      b.x.push_back(x * t->pixel_nm_x);
      b.y.push_back(y * t->pixel_nm_y);
      b.fixed = kind != "loose";
    }
  }
  return t->frames > 0 && static_cast<int>(t->stage_x.size()) == t->frames;
}

int NearestBead(const Truth& truth, double x_nm, double y_nm) {
  int best = -1;
  double best_d2 = std::numeric_limits<double>::max();
  for (const auto& [id, b] : truth.beads) {
    if (b.x.empty()) continue;
    double d2 = (b.x[0] - x_nm) * (b.x[0] - x_nm) + (b.y[0] - y_nm) * (b.y[0] - y_nm);
    if (d2 < best_d2) {
      best_d2 = d2;
      best = id;
    }
  }
  return best;
}

double BandWidth(double mean, double sd) { return std::fabs(mean + 2 * sd) + std::fabs(mean - 2 * sd); }

}  // namespace bench
