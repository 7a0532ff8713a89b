// keyed_file.h - the keyed value file in which the file chooser remembers
// default directories and file types ("directory_key_db" in the user's
// configuration directory).
//
// The file is a sequence of records. Each record is a header line
//   "<key> <type> <count>\n"      key without blanks, type TEXT, INT or FLOAT
// followed by `count` value lines: TEXT values "%s\n" (one line each), INT
// values "%ld\n", FLOAT values "%f\n". The file is read whole into a list
// of records, changed in memory, and written back whole in record order.
//
// The file is replaced, never rewritten in place: the records go to a
// temporary file beside it, which is renamed over it only when every byte
// was written, so a failed write leaves the old file as it was.
//
// Invariants:
//  (1) keys are unique in the list: setting a key replaces its record in
//      place, a new key is appended at the end;
//  (2) a record's values match its type: `texts` for TEXT, `ints` for INT,
//      `floats` for FLOAT, the other two vectors empty; a record of a type
//      this layer does not know keeps its type word and its value lines as
//      read, in `texts`, and is written back unchanged.
#pragma once

#include <string>
#include <vector>

namespace wm {

enum class KeyedType { kText, kInt, kFloat, kOther };

struct KeyedRecord {
  std::string key;                 // record key, no blanks (e.g. "QIX_DEF_DIR:")
  KeyedType type = KeyedType::kText;
  std::string type_word;           // kOther: the type as the file names it
  std::vector<std::string> texts;  // TEXT values (kOther: value lines), one line each
  std::vector<long> ints;          // INT values
  std::vector<double> floats;      // FLOAT values
};

class KeyedFile {
 public:
  // Reads `path` whole. A missing file gives an empty list and true; false
  // when the file exists but cannot be read. A record cut short by the end
  // of the file keeps the values that were there.
  bool Read(const std::string& path);
  // Writes every record in order into a temporary file beside `path` and
  // renames it over `path`. False on failure, with the reason in `error`
  // (when given); `path` is then untouched and no temporary is left.
  bool Write(const std::string& path, std::string* error = nullptr) const;

  // The record of `key`, or nullptr.
  const KeyedRecord* Find(const std::string& key) const;
  // First TEXT value of `key`; false when there is none.
  bool GetText(const std::string& key, std::string* value) const;
  // Replaces (or appends) `key` as a TEXT record of one value.
  void SetText(const std::string& key, const std::string& value);
  // Replaces (or appends) a whole record.
  void Set(const KeyedRecord& record);

  const std::vector<KeyedRecord>& records() const { return records_; }

 private:
  std::vector<KeyedRecord> records_;  // in file order (invariant 1)
};

// Full path of the file: the user configuration directory + "/" +
// "directory_key_db"; empty when the directory is not available (its
// creation failure has then been reported on standard output).
std::string KeyedFilePath();

}  // namespace wm
