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

namespace {

void Swap(char* p, int width) { std::reverse(p, p + width); }

void SwapRange(std::string& b, size_t from, size_t to, int width) {
  for (size_t p = from; p + width <= to; p += width) Swap(&b[p], width);
}

}  // namespace

bool WriteByteSwappedCopy(const std::string& src, const std::string& dst) {
  std::string b = tremoscan::testing::ReadFile(src);
  if (b.size() < 1024) return false;
  int16_t id;
  std::memcpy(&id, &b[96], 2);
  if (id != -16224) return false;
  int32_t nx, ny, sections, mode, next;
  int16_t nint, nreal;
  std::memcpy(&nx, &b[0], 4);
  std::memcpy(&ny, &b[4], 4);
  std::memcpy(&sections, &b[8], 4);
  std::memcpy(&mode, &b[12], 4);
  std::memcpy(&next, &b[92], 4);
  std::memcpy(&nint, &b[128], 2);
  std::memcpy(&nreal, &b[130], 2);
  static const int kBytes[] = {1, 2, 4, 4, 8, 0, 2, 4, 8};
  if (mode < 0 || mode > 8 || kBytes[mode] == 0) return false;
  // Main header: the 4-byte and 2-byte numeric fields, the new layout's
  // arrays, time stamp and counts; titles stay as they are.
  SwapRange(b, 0, 96, 4);
  SwapRange(b, 136, 160, 4);
  SwapRange(b, 172, 180, 4);
  SwapRange(b, 184, 196, 4);
  SwapRange(b, 208, 220, 4);
  for (int offset : {96, 98, 100, 128, 130, 132, 134, 160, 162, 164, 166, 168, 170, 180, 182,
                     196, 198, 200, 202, 204, 206, 222})
    Swap(&b[offset], 2);
  SwapRange(b, 544, 572, 4);
  SwapRange(b, 588, 616, 4);
  SwapRange(b, 632, 660, 4);
  SwapRange(b, 676, 690, 2);
  SwapRange(b, 700, 844, 4);
  Swap(&b[844], 8);
  Swap(&b[852], 4);
  SwapRange(b, 864, 880, 4);
  Swap(&b[880], 4);
  // Extended header: the per-section numbers (the named fields are text).
  const size_t section_block = 4ull * sections * (nint + nreal);
  SwapRange(b, 1024, 1024 + std::min<size_t>(section_block, next), 4);
  // Pixels, each in its own width (complex values as two floats).
  const int width = mode == 4 ? 4 : kBytes[mode];
  if (width > 1) SwapRange(b, 1024 + next, b.size(), width);
  tremoscan::testing::WriteFile(dst, b);
  return true;
}

}  // namespace beads_test
