// Test helpers for the bead programs: paths of the programs and readers of
// the truth and localization files.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace beads_test {

std::string ProgramPath(const std::string& name);

struct TruthBead {
  int frame, bead;
  double x, y, photons;
  std::string kind;
};

struct Truth {
  std::map<std::string, std::string> header;  // "# KEY value" lines
  std::vector<TruthBead> beads;
};

Truth ReadTruth(const std::string& path);

struct Localization {
  int frame;
  double photons, y, y_precision, x, x_precision, background, sigma, track, quality;
};

struct LocalizationFile {
  std::vector<std::string> header;  // every line before the "##" line
  std::vector<Localization> events;
  bool has_column_line = false;     // a "##" line was found
};

LocalizationFile ReadLocalizations(const std::string& path);

}  // namespace beads_test
