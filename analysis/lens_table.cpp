// ReadLensTable and ImmersionIndex: one lens table file turned into a
// LensRecord.
//
// A table is a sequence of records. A record starts with a line whose first
// token contains "id" (its next token is the lens id) and runs to the next
// such line. Tokens are split at "=", blank, tab and line end. An entry's
// key is found by substring test in the order of kEntryKeys; a text value is
// the rest of the line after the key's delimiter, up to the next "=", tab or
// line end (so it may hold blanks, a leading one included); a numeric value
// is the next token and must read as a real. Lines are read in pieces of at
// most 126 characters; "#" at the start of a line makes it a comment.
//
// Lens ids of 20000 and above name the same objective as id - 10000.
#include <analysis.h>

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "number_scan.h"

namespace analysis {
namespace {

constexpr int kFoldedIdBase = 20000;  // ids from here on are looked up as id - 10000
constexpr int kFoldedIdShift = 10000;

const char kFieldDelimiters[] = "= \t\n";  // between tokens
const char kTextDelimiters[] = "=\t\n";    // around a text value (blanks belong to it)
const char kUnknown[] = "Unknown";

// Optical constants of the suite's configured lenses.
constexpr float kDefaultImmersionIndex = 1.515f;  // until the type is known
constexpr float kFocalLengthUnsetBelow = 1e-5f;   // micrometres
constexpr float kMagnificationSetAbove = 1e-10f;
constexpr float kMillimetresToMicrometres = 1000.0f;

// The maker named by the second digit of a five-digit lens id.
const char* const kMakerBySecondDigit[10] = {"Olympus", "Olympus", "Nikon", "Nikon", "Zeiss",
                                             "Zeiss",   "Leica",   "Leica", "ZOR",   "ZOR"};

// Focal length of each maker's tube lens, millimetres.
struct TubeLens {
  const char* maker;      // compared without regard to case
  float focal_length_mm;  // tube lens focal length
};
const TubeLens kTubeLenses[] = {
    {"Olympus", 180.0f}, {"Nikon", 200.0f}, {"Zeiss", 160.0f}, {"Leica", 180.0f}, {"ZOR", 200.0f}};

enum class EntryKind { kRecordStart, kText, kNumber };

struct EntryKey {
  const char* key;  // substring of the entry's first token
  EntryKind kind;   // how its value is read
  size_t offset;    // char[] field (kText) or float field (kNumber) of LensRecord
  float scale;      // factor applied to a number (mm -> micrometres)
};

const EntryKey kEntryKeys[] = {
    {"id", EntryKind::kRecordStart, 0, 1.0f},
    {"name", EntryKind::kText, offsetof(LensRecord, name), 1.0f},
    {"type", EntryKind::kText, offsetof(LensRecord, immersionType), 1.0f},
    {"man", EntryKind::kText, offsetof(LensRecord, maker), 1.0f},
    {"pn", EntryKind::kText, offsetof(LensRecord, partNumber), 1.0f},
    {"zor#", EntryKind::kText, offsetof(LensRecord, catalogNumber), 1.0f},
    {"na", EntryKind::kNumber, offsetof(LensRecord, numericalAperture), 1.0f},
    {"magn", EntryKind::kNumber, offsetof(LensRecord, magnification), 1.0f},
    {"fl", EntryKind::kNumber, offsetof(LensRecord, focalLength), kMillimetresToMicrometres},
    {"wd", EntryKind::kNumber, offsetof(LensRecord, workingDistance), kMillimetresToMicrometres},
};

void CopyText(char* field, const char* value) {
  std::snprintf(field, ANALYSIS_LENS_TEXT_SIZE, "%s", value);
}

void SetDefaults(LensRecord* record) {
  std::memset(record, 0, sizeof *record);
  CopyText(record->name, kUnknown);
  CopyText(record->immersionType, kUnknown);
  CopyText(record->maker, kUnknown);
  CopyText(record->partNumber, kUnknown);
  CopyText(record->catalogNumber, kUnknown);
  record->immersionIndex = kDefaultImmersionIndex;
}

const EntryKey* KeyOf(const char* token) {
  for (const EntryKey& key : kEntryKeys)
    if (std::strstr(token, key.key)) return &key;
  return nullptr;
}

// Stores one entry line (already split at its first token). The tokenizer
// state continues after the key.
void StoreEntry(LensRecord* record, const EntryKey& key, char** tokenizer) {
  auto* base = reinterpret_cast<char*>(record);
  if (key.kind == EntryKind::kText) {
    if (const char* value = strtok_r(nullptr, kTextDelimiters, tokenizer))
      CopyText(base + key.offset, value);
  } else if (key.kind == EntryKind::kNumber) {
    float value = 0;
    const char* token = strtok_r(nullptr, kFieldDelimiters, tokenizer);
    if (token && ScanFloat(token, &value))
      *reinterpret_cast<float*>(base + key.offset) = value * key.scale;
  }
}

bool HasFiveDigits(int id) { return id >= 10000 && id <= 99999; }

float TubeFocalLengthOf(const char* maker) {
  for (const TubeLens& tube : kTubeLenses)
    if (strcasecmp(maker, tube.maker) == 0) return tube.focal_length_mm;
  return 0.0f;
}

// Completes a record found in a table: maker from the id, focal length from
// the magnification, refractive index from the immersion type.
void DeriveMissingValues(LensRecord* record) {
  if (std::strstr(record->maker, kUnknown) && HasFiveDigits(record->id))
    CopyText(record->maker, kMakerBySecondDigit[(record->id / 1000) % 10]);
  if (record->focalLength < kFocalLengthUnsetBelow && record->magnification > kMagnificationSetAbove) {
    float tube = TubeFocalLengthOf(record->maker);
    if (tube > 0.0f) record->focalLength = tube / record->magnification;
    record->focalLength *= kMillimetresToMicrometres;
  }
  record->immersionIndex = ImmersionIndex(record->immersionType);
}

// A line cut into its first token, with the tokenizer ready for the rest.
struct SplitLine {
  char text[ANALYSIS_LENS_LINE_MAX + 1];  // the line piece, modified by strtok_r
  char* first = nullptr;                  // first token, nullptr for a blank line
  char* rest = nullptr;                   // tokenizer state after the first token
};

bool ReadLine(FILE* file, SplitLine& line) {
  if (!std::fgets(line.text, sizeof line.text, file)) return false;
  line.first = line.text[0] == '#' ? nullptr : strtok_r(line.text, kFieldDelimiters, &line.rest);
  return true;
}

int ReadTable(int lens_id, LensRecord* record, const char* path) {
  int wanted = lens_id >= kFoldedIdBase ? lens_id - kFoldedIdShift : lens_id;
  SetDefaults(record);
  FILE* file = path ? std::fopen(path, "r") : nullptr;
  if (!file) return 2;

  int rc = 1;
  SplitLine line;
  while (rc != 0 && ReadLine(file, line)) {
    if (!line.first || !std::strstr(line.first, "id")) continue;
    const char* id_token = strtok_r(nullptr, kFieldDelimiters, &line.rest);
    if (id_token && ParseHeaderInt(id_token) == wanted) rc = 0;
  }
  if (rc == 0) {
    record->id = wanted;
    while (ReadLine(file, line)) {
      if (!line.first) continue;
      const EntryKey* key = KeyOf(line.first);
      if (!key) continue;
      if (key->kind == EntryKind::kRecordStart) break;
      StoreEntry(record, *key, &line.rest);
    }
    DeriveMissingValues(record);
  } else {
    CopyText(record->name, kUnknown);
  }
  std::fclose(file);
  return rc;
}

}  // namespace
}  // namespace analysis

extern "C" float ImmersionIndex(const char* immersionType) {
  if (!immersionType) return 1.0f;
  if (std::strstr(immersionType, "oil")) return 1.515f;
  if (std::strstr(immersionType, "glycerol")) return 1.47f;
  if (std::strstr(immersionType, "water")) return 1.35f;
  return 1.0f;
}

extern "C" int ReadLensTable(int lensId, LensRecord* record, const char* path) {
  if (!record) return 2;
  return analysis::ReadTable(lensId, record, path);
}
