// keyed_file.cpp - reading and writing the keyed value file (see
// keyed_file.h for the record layout and invariants).
#include "keyed_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "iwbase.h"

namespace wm {
namespace {

size_t ValueCount(const KeyedRecord& r) {
  switch (r.type) {
    case KeyedType::kInt: return r.ints.size();
    case KeyedType::kFloat: return r.floats.size();
    default: return r.texts.size();
  }
}

std::string TypeName(const KeyedRecord& r) {
  switch (r.type) {
    case KeyedType::kInt: return "INT";
    case KeyedType::kFloat: return "FLOAT";
    case KeyedType::kOther: return r.type_word;
    default: return "TEXT";
  }
}

KeyedType ParseType(const std::string& word) {
  if (word == "TEXT") return KeyedType::kText;
  if (word == "INT") return KeyedType::kInt;
  if (word == "FLOAT") return KeyedType::kFloat;
  return KeyedType::kOther;
}

// Writes a word or a line as read, NUL bytes included (a "%s" would cut
// it there, and a cut key or type word loses its record at the next read).
void PutText(FILE* out, const std::string& text, char end) {
  fwrite(text.data(), 1, text.size(), out);
  fputc(end, out);
}

// Writes the records to `out`; false when a write failed.
bool WriteRecords(FILE* out, const std::vector<KeyedRecord>& records) {
  for (const KeyedRecord& r : records) {
    PutText(out, r.key, ' ');
    PutText(out, TypeName(r), ' ');
    fprintf(out, "%d\n", static_cast<int>(ValueCount(r)));
    for (const std::string& t : r.texts) PutText(out, t, '\n');
    for (long v : r.ints) fprintf(out, "%ld\n", v);
    for (double v : r.floats) fprintf(out, "%f\n", v);
  }
  return fflush(out) == 0 && !ferror(out);
}

// One line without its line end; false at the end of the file.
bool ReadLine(FILE* in, std::string* line) {
  line->clear();
  int c;
  while ((c = fgetc(in)) != EOF && c != '\n') line->push_back(static_cast<char>(c));
  return c != EOF || !line->empty();
}

}  // namespace

bool KeyedFile::Read(const std::string& path) {
  records_.clear();
  FILE* in = fopen(path.c_str(), "r");
  // A file that is not there yet simply has no records.
  if (!in) return errno == ENOENT;
  std::string header;
  while (ReadLine(in, &header)) {
    // Header: key and type as blank-separated words, then the count; the
    // rest of the line is ignored.
    std::istringstream words(header);
    std::string key, type_word;
    long count = -1;
    if (!(words >> key >> type_word >> count)) continue;
    if (count < 0) continue;
    KeyedRecord record;
    record.key = key;
    record.type = ParseType(type_word);
    if (record.type == KeyedType::kOther) record.type_word = type_word;
    std::string line;
    for (long i = 0; i < count && ReadLine(in, &line); ++i) {
      switch (record.type) {
        case KeyedType::kText:
        case KeyedType::kOther: record.texts.push_back(line); break;
        case KeyedType::kInt: record.ints.push_back(strtol(line.c_str(), nullptr, 10)); break;
        case KeyedType::kFloat: record.floats.push_back(strtod(line.c_str(), nullptr)); break;
      }
    }
    Set(record);
  }
  bool ok = !ferror(in);
  fclose(in);
  return ok;
}

bool KeyedFile::Write(const std::string& path, std::string* error) const {
  // mkstemp creates the temporary with O_EXCL: nothing planted under its
  // name can redirect the write.
  std::string temporary = path + ".XXXXXX";
  int fd = mkstemp(temporary.data());
  if (fd < 0) {
    if (error) *error = strerror(errno);
    return false;
  }
  // The file keeps the permissions an ordinary creation would give it.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  FILE* out = fdopen(fd, "w");
  if (!out) close(fd);
  bool ok = out && WriteRecords(out, records_) && fsync(fd) == 0;
  int saved = errno;
  if (out && fclose(out) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    unlink(temporary.c_str());
    if (error) *error = strerror(saved);
  }
  return ok;
}

const KeyedRecord* KeyedFile::Find(const std::string& key) const {
  for (const KeyedRecord& r : records_)
    if (r.key == key) return &r;
  return nullptr;
}

bool KeyedFile::GetText(const std::string& key, std::string* value) const {
  const KeyedRecord* r = Find(key);
  if (!r || r->type != KeyedType::kText || r->texts.empty()) return false;
  *value = r->texts.front();
  return true;
}

void KeyedFile::SetText(const std::string& key, const std::string& value) {
  KeyedRecord record;
  record.key = key;
  record.type = KeyedType::kText;
  record.texts.push_back(value);
  Set(record);
}

void KeyedFile::Set(const KeyedRecord& record) {
  for (KeyedRecord& r : records_) {
    if (r.key == record.key) {
      r = record;
      return;
    }
  }
  records_.push_back(record);
}

std::string KeyedFilePath() {
  const char* dir = IWRtUserConfigDir();
  if (!dir) return "";
  return std::string(dir) + "/directory_key_db";
}

}  // namespace wm
