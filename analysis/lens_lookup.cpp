// LookupLens: the custom lens table of the installation first, then the
// standard table, both in the configuration directory of the suite base
// directory ($PA_BASE/config/, default /usr/local/Photarch/config/).
//
// A custom lens is marked by a "*" after its name. A missing custom table is
// normal; a missing standard table is reported on standard error.
#include <analysis.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace analysis {
namespace {

constexpr size_t kPathSize = 256;  // bytes of a suite path, NUL included
const char kDefaultBase[] = "/usr/local/Photarch";
const char kCustomTable[] = "tslenses_custom.tab";
const char kStandardTable[] = "tslenses.tab";

// "<base>/config/" + "/" + name, as the suite has always formed it (the
// double slash is harmless). A path that does not fit the suite's 256-byte
// buffers is returned anyway and reported as unopenable by TablePathFits.
std::string TablePath(const char* name) {
  const char* base = std::getenv("PA_BASE");
  std::string path = base ? base : kDefaultBase;
  path += "/config/";
  path += "/";
  path += name;
  return path;
}

bool TablePathFits(const std::string& path) { return path.size() < kPathSize; }

int ReadTableAt(int lens_id, LensRecord* record, const std::string& path) {
  // A path too long for the suite's buffers is treated as a missing file.
  return ReadLensTable(lens_id, record, TablePathFits(path) ? path.c_str() : nullptr);
}

}  // namespace
}  // namespace analysis

extern "C" int LookupLens(int lensId, LensRecord* record) {
  using namespace analysis;
  if (!record) return 1;
  try {
    if (ReadTableAt(lensId, record, TablePath(kCustomTable)) == 0) {
      std::strncat(record->name, "*", ANALYSIS_LENS_TEXT_SIZE - std::strlen(record->name) - 1);
      return 0;
    }
    std::string standard = TablePath(kStandardTable);
    int rc = ReadTableAt(lensId, record, standard);
    if (rc == 2) {
      std::fprintf(stderr, "Error: unable to open the Tessaron lens table:\n");
      std::fprintf(stderr, "       %s\n", standard.c_str());
    }
    return rc;
  } catch (...) {
    // Only the path strings allocate.
    return 1;
  }
}
