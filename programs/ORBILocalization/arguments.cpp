// Command-line parsing and validation of the localization program.
#include "arguments.h"

#include <vector>

#include "command_line.h"

namespace orbi {

std::string ParseArguments(int argc, char** argv, Arguments* out) {
  using programs::Option;
  std::vector<std::string> positional;
  const std::string reason = programs::ParseOptions(
      argc, argv, "-",
      {
          Option::Flag("-doGaussianMultiKernelModelFitting", [out] { out->multi_emitter = true; }),
          Option::Flag("-dnmf", [out] { out->keep_few = true; }),
          Option::Value("-statusFile",
                        [out](const char* value) {
                          out->status_file = value;
                          return *value != '\0';
                        }),
          Option::Whole("-numThreads", &out->threads, 1, 1024),
          Option::Real("-psfSigma", &out->psf_sigma, 0.3, true, 20),
          Option::Real("-photonConversionFactor", &out->photon_conversion, 0, true, 1e9),
          Option::Real("-overlapThreshold", &out->overlap, 0, false, 1e9),
          Option::Real("-numericalAperture", &out->numerical_aperture, 0, false, 2),
          Option::Real("-alphaLocalMax", &out->alpha, 0, true, 0.5),
      },
      &positional);
  if (!reason.empty()) return reason;
  if (positional.size() != 2) return "expected an input image and an output file";
  out->input = positional[0];
  out->output = positional[1];
  if (out->input.empty() || out->output.empty()) return "empty file name";
  return "";
}

}  // namespace orbi
