// Command-line parsing and validation of the refinement program.
#include "arguments.h"

#include <vector>

#include "command_line.h"

namespace refinement {

std::string ParseArguments(int argc, char** argv, Arguments* out) {
  LinkingParametersDefault(&out->parameters);
  LinkingParameters& p = out->parameters;
  using programs::Option;
  const char* const kPositive = "a positive number of nanometres";
  std::vector<std::string> positional;
  const std::string reason = programs::ParseOptions(
      argc, argv, "-",
      {
          Option::Whole("-timeWindow", &p.time_window, 0, LINKING_MAX_TIME_WINDOW,
                        "an integer from 0 to " + std::to_string(LINKING_MAX_TIME_WINDOW)),
          Option::Real("-maxStd", &p.max_std, 0, true, 1e6, kPositive),
          Option::Real("-searchRadius", &p.search_radius, 0, true, 1e6, kPositive),
          Option::Real("-gapPenalty", &p.gap_penalty, 1, false, 1e6, "a number of at least 1"),
      },
      &positional);
  if (!reason.empty()) return reason;
  if (positional.size() != 2) return "expected a localization file and a track file";
  out->input = positional[0];
  out->output = positional[1];
  if (out->input.empty() || out->output.empty()) return "empty file name";
  return "";
}

}  // namespace refinement
