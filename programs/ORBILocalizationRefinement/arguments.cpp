// Command-line parsing and validation of the refinement program.
#include "arguments.h"

#include <vector>

#include "command_line.h"

namespace refinement {

std::string ParseArguments(int argc, char** argv, Arguments* out) {
  LinkingParametersDefault(&out->parameters);
  LinkingParameters& p = out->parameters;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.empty() || arg[0] != '-' || arg == "-") {
      positional.push_back(arg);
      continue;
    }
    if (i + 1 >= argc) return arg + " needs a value";
    const char* value = argv[++i];
    const std::string bad = "invalid value for " + arg + ": \"" + value + "\"";
    if (arg == "-timeWindow") {
      long n = 0;
      if (!programs::ParseWhole(value, 0, LINKING_MAX_TIME_WINDOW, &n))
        return bad + " (an integer from 0 to " + std::to_string(LINKING_MAX_TIME_WINDOW) + ")";
      p.time_window = static_cast<int>(n);
      continue;
    }
    struct Real {
      const char* name;
      double* target;
      double lowest;     // smallest admitted value (exclusive when open)
      bool open;         // lowest itself is not admitted
      const char* rule;  // what the value must be
    } reals[] = {
        {"-maxStd", &p.max_std, 0, true, "a positive number of nanometres"},
        {"-searchRadius", &p.search_radius, 0, true, "a positive number of nanometres"},
        {"-gapPenalty", &p.gap_penalty, 1, false, "a number of at least 1"},
    };
    bool known = false;
    for (const Real& r : reals) {
      if (arg != r.name) continue;
      known = true;
      double v;
      if (!programs::ParseReal(value, &v) || (r.open ? !(v > r.lowest) : !(v >= r.lowest)) || v > 1e6)
        return bad + " (" + r.rule + ")";
      *r.target = v;
    }
    if (!known) return "unknown option " + arg;
  }
  if (positional.size() != 2) return "expected a localization file and a track file";
  out->input = positional[0];
  out->output = positional[1];
  if (out->input.empty() || out->output.empty()) return "empty file name";
  return "";
}

}  // namespace refinement
