// Named fields: the typed name/value store of a file stream and its text
// form in the field area of the extended header.
//
// Field area text: records "name,type,size=<size value bytes>\n", then one
// carriage return (13), then zeros up to the area's capacity. The store is
// rebuilt from the area at open and before every IMRtField, and written
// back into it on every change (so that a re-read finds it) and by the
// header write, which reports fields that do not fit.
//
// Invariants: every field's value holds size bytes plus a terminating zero;
// names have fewer than 64 characters and contain no ',' or line break;
// field_bytes_used = 1 + sum(len(name) + digits(size) + 5 + size).
#include <strings.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "stream.h"

namespace imlib {

namespace {

constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kCarriageReturn = 13;
constexpr size_t kMaxNameChars = 63;   // name characters in the text form
constexpr size_t kMaxSizeChars = 63;   // size text characters
constexpr int kNumberTextChars = 64;   // text of a 'd', 'f' or 'i' value

int Digits(int64_t v) {
  int n = 1;
  if (v < 0) {
    ++n;
    v = -v;
  }
  while (v >= 10) {
    v /= 10;
    ++n;
  }
  return n;
}

// One record's text.
std::string RecordText(const Field& f) {
  std::string r = f.name;
  r += ',';
  r += f.type;
  r += ',';
  r += std::to_string(f.size);
  r += '=';
  r.append(f.value.data(), size_t(f.size));
  r += char(kLineFeed);
  return r;
}

// End of the extended header bytes that belong to the field area.
int64_t FieldAreaEnd(const Stream* s) { return s->next < s->ext_size ? s->next : s->ext_size; }

int FindExact(const Stream* s, const std::string& name) {
  for (size_t i = 0; i < s->fields.size(); ++i)
    if (s->fields[i].name == name) return int(i);
  return -1;
}

int FindNoCase(const Stream* s, const char* name) {
  for (size_t i = 0; i < s->fields.size(); ++i)
    if (strcasecmp(s->fields[i].name.c_str(), name) == 0) return int(i);
  return -1;
}

}  // namespace

int64_t FieldAreaStart(const Stream* s) {
  return 4 * int64_t(s->num_sections) * (int64_t(s->nint) + s->nreal);
}

int64_t FieldAreaCapacity(const Stream* s) {
  int64_t start = FieldAreaStart(s);
  if (!s->ext || start < 1 || start > int64_t(s->next) - 6) return 0;
  int64_t capacity = FieldAreaEnd(s) - start - 1;
  return capacity < 6 ? 0 : capacity;
}

int64_t FieldBytesUsed(const std::vector<Field>& fields) {
  int64_t used = 1;
  for (const Field& f : fields) used += int64_t(f.name.size()) + Digits(f.size) + 5 + f.size;
  return used;
}

int ReadAllFields(Stream* s) {
  int rc = IM_ERR_NONE;
  std::vector<Field> parsed;
  int64_t start = FieldAreaStart(s);
  if (FieldAreaCapacity(s) == 0) {
    s->fields.clear();
    s->field_bytes_used = 1;
    return IM_ERR_FIELD_HEADER_EMPTY;
  }
  const uint8_t* area = s->ext + start;
  int64_t length = FieldAreaEnd(s) - start;
  int64_t cr = length - 1;
  while (cr >= 0 && area[cr] != kCarriageReturn) --cr;
  if (cr < 6) {
    s->fields.clear();
    s->field_bytes_used = 1;
    return IM_ERR_FIELD_HEADER_EMPTY;
  }
  int64_t pos = 0;
  while (pos < cr) {
    Field f;
    int64_t comma = pos;
    while (comma < cr && area[comma] != ',') ++comma;
    if (comma >= cr) {
      rc = IM_ERR_FIELD_NAME;
      break;
    }
    if (size_t(comma - pos) > kMaxNameChars) {
      rc = IM_ERR_FIELD_NAME_LONG;
      break;
    }
    f.name.assign(reinterpret_cast<const char*>(area + pos), size_t(comma - pos));
    if (comma + 2 >= cr || area[comma + 2] != ',') {
      rc = IM_ERR_FIELD_TYPE;
      break;
    }
    f.type = char(area[comma + 1]);
    int64_t size_at = comma + 3, eq = size_at;
    while (eq < cr && area[eq] != '=') ++eq;
    if (eq >= cr || size_t(eq - size_at) > kMaxSizeChars) {
      rc = IM_ERR_FIELD_SIZE;
      break;
    }
    std::string size_text(reinterpret_cast<const char*>(area + size_at), size_t(eq - size_at));
    char* end = nullptr;
    errno = 0;
    long size = strtol(size_text.c_str(), &end, 10);
    if (size_text.empty() || *end != '\0' || errno != 0 || size < 0 || size > INT_MAX - 1) {
      PrintError("Error parsing field size from %s\n", size_text.c_str());
      rc = IM_ERR_FIELD_SIZE_PARAM;
      break;
    }
    int64_t value_at = eq + 1, got = 0;
    if (f.type == 'b') {
      got = cr - value_at < size ? cr - value_at : size;
    } else {
      while (got < size && value_at + got < cr && area[value_at + got] != kLineFeed) ++got;
    }
    if (got < size) {
      rc = IM_ERR_FIELD_BYTE_COUNT;
      break;
    }
    int64_t after = value_at + size;
    if (after >= cr || area[after] != kLineFeed) {
      PrintError(
          "iReadAllFields: field size mismatch or delimiter problem:\nfield %d\nfield=\"%s\"\nfield size=%d\nlast char=%d/%d\npos=%d/%d\n",
          int(parsed.size()), f.name.c_str(), int(size), after < length ? int(area[after]) : -1,
          int(kLineFeed), int(after), int(cr));
      rc = IM_ERR_FIELD_SIZE;
      break;
    }
    f.size = int(size);
    f.value.assign(area + value_at, area + value_at + size);
    f.value.push_back('\0');
    parsed.push_back(std::move(f));
    pos = after + 1;
  }
  s->fields.swap(parsed);
  s->field_bytes_used = FieldBytesUsed(s->fields);
  if (VerboseLevel() != 0) PrintOut("iReadAllFields: found %d fields\n", int(s->fields.size()));
  return rc;
}

bool WriteAllFields(Stream* s, bool report) {
  int64_t capacity = FieldAreaCapacity(s);
  int64_t needed = FieldBytesUsed(s->fields);
  size_t stored = 0;
  int64_t pos = 0;
  if (capacity > 0) {
    uint8_t* area = s->ext + FieldAreaStart(s);
    for (const Field& f : s->fields) {
      std::string r = RecordText(f);
      if (pos + int64_t(r.size()) + 1 > capacity) break;
      memcpy(area + pos, r.data(), r.size());
      pos += int64_t(r.size());
      ++stored;
    }
    area[pos++] = kCarriageReturn;
    memset(area + pos, 0, size_t(capacity - pos));
  }
  bool complete = stored == s->fields.size() && needed <= (capacity > 0 ? capacity : 1);
  if (!complete && report) {
    PrintError("IMWrHdr2 %d: field header overrun\n", s->number);
    PrintError("  num fields=%d out of %d expected\n", int(stored), int(s->fields.size()));
    PrintError("  num bytes stored=%d out of %d expected (max allowed=%d\n", int(pos),
               int(needed), int(capacity));
  }
  return complete;
}

int SetField(Stream* s, const std::string& name, char type, const char* bytes, int size) {
  int index = FindExact(s, name);
  Field* f;
  if (index >= 0) {
    if (VerboseLevel() != 0) PrintOut("Replacing existing field (%d)...\n", index);
    f = &s->fields[size_t(index)];
  } else {
    index = int(s->fields.size());
    if (VerboseLevel() != 0) PrintOut("Adding new field (%d)...\n", index);
    s->fields.emplace_back();
    f = &s->fields.back();
    f->name = name;
  }
  f->type = type;
  f->size = size;
  f->value.assign(bytes, bytes + size);
  f->value.push_back('\0');
  s->field_bytes_used = FieldBytesUsed(s->fields);
  int64_t capacity = FieldAreaCapacity(s);
  WriteAllFields(s, false);
  if (s->field_bytes_used > capacity) {
    PrintError("Stream %d out of field header space. (Field %d,size=%d,max allowed=%d,ext hdr size=%d).\n",
               s->number, index, int(s->field_bytes_used), int(capacity), s->next);
    return IM_ERR_FIELD_SPACE;
  }
  return IM_ERR_NONE;
}

}  // namespace imlib

using namespace imlib;

namespace {

// A field looked up by IMRtField's rules: re-read, then found ignoring case.
int LookupField(const char* call, int number, const char* name, Stream** out, int* index) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream(call, number, &rc);
  if (!s) return rc;
  if (s->kind == kWindowStream) {
    PrintError("IMRtField %d: field %s not found. Fields not supported in image windows.\n",
               number, name);
    return IM_ERR_FIELD_WINDOW;
  }
  int read_rc = ReadAllFields(s);
  *index = FindNoCase(s, name);
  // A field area that is empty or unreadable answers with its own code.
  if (*index < 0) return read_rc != IM_ERR_NONE ? read_rc : IM_ERR_FIELD_NOT_FOUND;
  *out = s;
  return IM_ERR_NONE;
}

char* CopyValue(const Field& f) {
  char* copy = static_cast<char*>(malloc(size_t(f.size) + 1));
  if (!copy) return nullptr;
  memcpy(copy, f.value.data(), size_t(f.size));
  copy[f.size] = '\0';
  return copy;
}

// Shared part of the typed getters: the field of a type, or a code.
int TypedField(const char* call, int number, const char* name, const void* out, char type,
               const Field** field) {
  if (!name || !out) return IM_ERR_FIELD_NULL;
  Stream* s = nullptr;
  int index = -1;
  int rc = LookupField(call, number, name, &s, &index);
  if (rc != IM_ERR_NONE) return rc;
  const Field& f = s->fields[size_t(index)];
  if (f.type != type) return IM_ERR_FIELD_MISMATCH;
  *field = &f;
  return IM_ERR_NONE;
}

}  // namespace

extern "C" {

int IMAlField(int number, const char* name, const void* value, char type, int size) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMAlField", number, &rc);
  if (!s) return rc;
  if (!name) return IM_ERR_FIELD_NAME;
  if (s->kind == kWindowStream) {
    PrintError("IMAlField %d: field %s not set. Fields not supported in image windows.\n", number,
               name);
    return IM_ERR_FIELD_WINDOW;
  }
  if (strlen(name) >= IM_MAX_FIELD_NAME) return IM_ERR_FIELD_NAME_LONG;
  if (!*name || strpbrk(name, ",\n\r")) return IM_ERR_FIELD_NAME;
  char text[kNumberTextChars + 1];
  const char* bytes = nullptr;
  switch (type) {
    case 'b':
      if (size < 0 || (!value && size > 0)) return IM_ERR_FIELD_NULL;
      bytes = value ? static_cast<const char*>(value) : "";
      break;
    case 'c':
      if (!value) return IM_ERR_FIELD_NULL;
      bytes = static_cast<const char*>(value);
      size = int(strnlen(bytes, INT_MAX - 1));
      break;
    case 'd':
    case 'f':
    case 'i': {
      if (!value) return IM_ERR_FIELD_NULL;
      if (type == 'd') snprintf(text, sizeof text, "%lf", *static_cast<const double*>(value));
      if (type == 'f') snprintf(text, sizeof text, "%f", double(*static_cast<const float*>(value)));
      if (type == 'i') snprintf(text, sizeof text, "%d", *static_cast<const int*>(value));
      bytes = text;
      size = int(strlen(text));
      break;
    }
    default:
      PrintError("IMAlField: unrecognized field type (%c).\n", type);
      return IM_ERR_FIELD_TYPE;
  }
  return SetField(s, name, type, bytes, size);
}

int IMAlFieldInt(int number, const char* name, int value) {
  return IMAlField(number, name, &value, 'i', 0);
}
int IMAlFieldFloat(int number, const char* name, float value) {
  return IMAlField(number, name, &value, 'f', 0);
}
int IMAlFieldDouble(int number, const char* name, double value) {
  return IMAlField(number, name, &value, 'd', 0);
}
int IMAlFieldChar(int number, const char* name, const char* value) {
  return IMAlField(number, name, value, 'c', 0);
}
int IMAlFieldBinary(int number, const char* name, const void* value, int size) {
  return IMAlField(number, name, value, 'b', size);
}

int IMRtField(int number, const char* name, char** value, char* type, int* size) {
  if (type) *type = '0';
  if (!name) {
    PrintError("IMRtField: NULL field name requested.\n");
    return IM_ERR_FIELD_NULL;
  }
  Stream* s = nullptr;
  int index = -1;
  int rc = LookupField("IMRtField", number, name, &s, &index);
  if (rc != IM_ERR_NONE) return rc;
  const Field& f = s->fields[size_t(index)];
  if (f.value.empty()) return IM_ERR_FIELD_CONTENTS;
  if (value) {
    *value = CopyValue(f);
    if (!*value) return IM_ERR_FIELD_ALLOC;
  }
  if (type) *type = f.type;
  if (size) *size = f.size;
  return IM_ERR_NONE;
}

int IMRtFieldInt(int number, const char* name, int* value) {
  const Field* f = nullptr;
  int rc = TypedField("IMRtFieldInt", number, name, value, 'i', &f);
  if (rc != IM_ERR_NONE) return rc;
  char* end = nullptr;
  errno = 0;
  long v = strtol(f->value.data(), &end, 10);
  if (f->size == 0 || *end != '\0' || errno != 0 || v < INT_MIN || v > INT_MAX)
    return IM_ERR_FIELD_CONTENTS;
  *value = int(v);
  if (VerboseLevel() != 0) PrintOut("IMRtFieldInt: \"%s\" resolved %d\n", name, *value);
  return IM_ERR_NONE;
}

int IMRtFieldFloat(int number, const char* name, float* value) {
  const Field* f = nullptr;
  int rc = TypedField("IMRtFieldFloat", number, name, value, 'f', &f);
  if (rc != IM_ERR_NONE) return rc;
  char* end = nullptr;
  float v = strtof(f->value.data(), &end);
  if (f->size == 0 || *end != '\0') return IM_ERR_FIELD_CONTENTS;
  *value = v;
  if (VerboseLevel() != 0) PrintOut("IMRtFieldFloat: \"%s\" resolved %f\n", name, double(v));
  return IM_ERR_NONE;
}

int IMRtFieldDouble(int number, const char* name, double* value) {
  const Field* f = nullptr;
  int rc = TypedField("IMRtFieldDouble", number, name, value, 'd', &f);
  if (rc != IM_ERR_NONE) return rc;
  char* end = nullptr;
  double v = strtod(f->value.data(), &end);
  if (f->size == 0 || *end != '\0') return IM_ERR_FIELD_CONTENTS;
  *value = v;
  if (VerboseLevel() != 0) PrintOut("IMRtFieldDouble: \"%s\" resolved %lf\n", name, v);
  return IM_ERR_NONE;
}

int IMRtFieldChar(int number, const char* name, char** value) {
  const Field* f = nullptr;
  int rc = TypedField("IMRtFieldChar", number, name, value, 'c', &f);
  if (rc != IM_ERR_NONE) return rc;
  *value = CopyValue(*f);
  if (!*value) return IM_ERR_FIELD_ALLOC;
  if (VerboseLevel() != 0) PrintOut("IMRtFieldChar: \"%s\" resolved %s\n", name, *value);
  return IM_ERR_NONE;
}

int IMRtFieldBinary(int number, const char* name, void** value, int* size) {
  const Field* f = nullptr;
  int rc = TypedField("IMRtFieldBinary", number, name, value, 'b', &f);
  if (rc != IM_ERR_NONE) return rc;
  char* copy = CopyValue(*f);
  if (!copy) return IM_ERR_FIELD_ALLOC;
  *value = copy;
  if (size) *size = f->size;
  if (VerboseLevel() != 0)
    PrintOut("IMRtFieldBinary: \"%s\" resolved binary field containing %d bytes\n", name,
             f->size);
  return IM_ERR_NONE;
}

int IMFindFieldNum(int number, const char* name, int* index) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMFindFieldNum", number, &rc);
  if (!s) return rc;
  if (!name) {
    PrintError("IMFindFieldNum: NULL field name requested.\n");
    return IM_ERR_FIELD_NULL;
  }
  if (s->fields.empty()) return IM_ERR_FIELD_NOT_FOUND;
  int i = FindNoCase(s, name);
  if (i < 0) return IM_ERR_FIELD_NOT_FOUND;
  if (index) *index = i;
  return IM_ERR_NONE;
}

int IMRtFieldNum(int number, int index, char** name, char* type, int* size, char** value) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtFieldNum", number, &rc);
  if (!s) return rc;
  if (index < 0 || index >= int(s->fields.size())) return IM_ERR_FIELD_NUMBER;
  const Field& f = s->fields[size_t(index)];
  if (f.value.empty()) return IM_ERR_FIELD_CONTENTS;
  if (name) {
    *name = strdup(f.name.c_str());
    if (!*name) return IM_ERR_FIELD_ALLOC;
  }
  if (type) *type = f.type;
  if (size) *size = f.size;
  if (value) {
    *value = CopyValue(f);
    if (!*value) return IM_ERR_FIELD_ALLOC;
  }
  return IM_ERR_NONE;
}

int IMRtNumFields(int number) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtNumFields", number, &rc);
  if (!s) return 0;
  if (s->kind == kWindowStream) {
    PrintError("IMRtNumFields %d: Fields not supported in image windows.\n", number);
    return 0;
  }
  return int(s->fields.size());
}

int IMRtFieldHdrSize(int number) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtFieldHdrSize", number, &rc);
  if (!s) return 0;
  return int(FieldAreaCapacity(s));
}

int IMRtFieldHdrSpace(int number, int* space) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtFieldHdrSpace", number, &rc);
  if (!s) return rc;
  int64_t left = FieldAreaCapacity(s) - s->field_bytes_used;
  if (space) *space = int(left > 0 ? left : 0);
  return IM_ERR_NONE;
}

int IMRtFieldHdr(int number, void* buffer, int length, int* size) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtFieldHdr", number, &rc);
  if (!s) return rc;
  int64_t capacity = FieldAreaCapacity(s);
  if (size) *size = int(capacity);
  if (capacity == 0) return IM_ERR_FIELD_HEADER_EMPTY;
  if (buffer && length > 0) {
    int64_t n = capacity < length ? capacity : length;
    memcpy(buffer, s->ext + FieldAreaStart(s), size_t(n));
  }
  return IM_ERR_NONE;
}

}  // extern "C"
