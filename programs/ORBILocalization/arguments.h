// Command line of the localization program:
//   ORBILocalization IMAGE OUTPUT [-statusFile FILE]
//       [-doGaussianMultiKernelModelFitting] [-dnmf] [-psfSigma S]
//       [-photonConversionFactor F] [-overlapThreshold O]
//       [-numericalAperture NA] [-alphaLocalMax A] [-numThreads N]
#pragma once

#include <string>

namespace orbi {

struct Arguments {
  std::string input;             // image path
  std::string output;            // localization file path
  std::string status_file;       // progress file, empty for none
  bool multi_emitter = false;    // fit overlapping beads jointly
  bool keep_few = false;         // keep the output when too few events are found
  double psf_sigma = 1.3;        // starting PSF sigma, pixels
  double photon_conversion = 1;  // photons per camera count
  double overlap = 0.15;         // overlap above which beads are fitted jointly
  double numerical_aperture = 0; // of the objective, 0 when unknown
  double alpha = 0.001;          // detection false-alarm probability per pixel
  int threads = 1;               // worker threads
};

// Parses argv; returns an empty string or the reason the line is invalid.
std::string ParseArguments(int argc, char** argv, Arguments* out);

}  // namespace orbi
