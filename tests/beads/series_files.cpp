// Test helpers for the bead programs (see series_files.h).
#include "series_files.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace beads_test {

std::string ProgramPath(const std::string& name) {
  return tremoscan::testing::SuiteDir() + "/bin/x86_64/" + name;
}

Truth ReadTruth(const std::string& path) {
  Truth t;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("##", 0) == 0) continue;
    if (line.rfind("# ", 0) == 0) {
      std::istringstream s(line.substr(2));
      std::string key, value;
      s >> key;
      std::getline(s >> std::ws, value);
      t.header[key] = value;
    } else if (line.rfind("B ", 0) == 0) {
      TruthBead b;
      std::istringstream s(line.substr(2));
      s >> b.frame >> b.bead >> b.x >> b.y >> b.photons >> b.kind;
      t.beads.push_back(b);
    }
  }
  return t;
}

LocalizationFile ReadLocalizations(const std::string& path) {
  LocalizationFile f;
  std::ifstream in(path);
  std::string line;
  bool in_header = true;
  while (std::getline(in, line)) {
    if (in_header) {
      if (line.rfind("##", 0) == 0) {
        in_header = false;
        f.has_column_line = true;
      } else {
        f.header.push_back(line);
      }
      continue;
    }
    Localization l;
    std::istringstream s(line);
    if (s >> l.frame >> l.photons >> l.y >> l.y_precision >> l.x >> l.x_precision >>
        l.background >> l.sigma >> l.track >> l.quality)
      f.events.push_back(l);
  }
  return f;
}

}  // namespace beads_test
