// Command line of the refinement program:
//   ORBILocalizationRefinement INPUT OUTPUT [-maxStd NM] [-searchRadius NM]
//                              [-gapPenalty P] [-timeWindow N]
// Options may come in any order, before or after the two file names; an
// option left out keeps the value the application passes.
#pragma once

#include <string>

#include "linking.h"

namespace refinement {

struct Arguments {
  std::string input;             // localization file
  std::string output;            // track file
  LinkingParameters parameters;  // the four options
};

// Parses argv; returns "" or the reason the arguments are invalid.
std::string ParseArguments(int argc, char** argv, Arguments* out);

}  // namespace refinement
