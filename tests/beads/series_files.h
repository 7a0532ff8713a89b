// Test helpers for the bead programs: paths of the programs, readers of
// the truth and localization files, and a byte-order converter that turns
// a host-order image into the same image as a machine of the other byte
// order would have written it (the library only ever writes host order).
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

// Writes src in the other byte order to dst; false if src is not a
// host-order image this converter understands.
bool WriteByteSwappedCopy(const std::string& src, const std::string& dst);

}  // namespace beads_test
