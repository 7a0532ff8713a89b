// Command-line parsing and validation of the localization program.
#include "arguments.h"

#include <vector>

#include "command_line.h"

namespace orbi {

std::string ParseArguments(int argc, char** argv, Arguments* out) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.empty() || arg[0] != '-' || arg == "-") {
      positional.push_back(arg);
      continue;
    }
    if (arg == "-doGaussianMultiKernelModelFitting") {
      out->multi_emitter = true;
      continue;
    }
    if (arg == "-dnmf") {
      out->keep_few = true;
      continue;
    }
    if (i + 1 >= argc) return arg + " needs a value";
    const char* value = argv[++i];
    const std::string bad = std::string("invalid value for ") + arg + ": \"" + value + "\"";
    if (arg == "-statusFile") {
      if (!*value) return bad;
      out->status_file = value;
      continue;
    }
    if (arg == "-numThreads") {
      long n = 0;
      if (!programs::ParseWhole(value, 1, 1024, &n)) return bad;
      out->threads = static_cast<int>(n);
      continue;
    }
    struct Real {
      const char* name;
      double* target;
      double lo, hi;  // admitted range, open at lo and closed at hi
    } reals[] = {
        {"-psfSigma", &out->psf_sigma, 0.3, 20},
        {"-photonConversionFactor", &out->photon_conversion, 0, 1e9},
        {"-overlapThreshold", &out->overlap, -1e-300, 1e9},
        {"-numericalAperture", &out->numerical_aperture, -1e-300, 2},
        {"-alphaLocalMax", &out->alpha, 0, 0.5},
    };
    bool known = false;
    for (const Real& r : reals) {
      if (arg != r.name) continue;
      known = true;
      double v;
      if (!programs::ParseReal(value, &v) || !(v > r.lo) || !(v <= r.hi)) return bad;
      *r.target = v;
    }
    if (!known) return "unknown option " + arg;
  }
  if (positional.size() != 2) return "expected an input image and an output file";
  out->input = positional[0];
  out->output = positional[1];
  if (out->input.empty() || out->output.empty()) return "empty file name";
  return "";
}

}  // namespace orbi
