// Typed readers and writers over the text values of configuration
// variables. Readers never change their output unless they have a value to
// store (a parsed one, or the caller's default); writers format the value
// and set it like any other.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "config_files.h"
#include "iwbase.h"

namespace {

// Leading white space, an optional sign and decimal digits; what follows
// the number is ignored. Fails on no digits and on values outside int.
bool ParseInt(const char* text, int* out) {
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text, &end, 10);
  if (end == text || errno == ERANGE || value < INT_MIN || value > INT_MAX) return false;
  *out = static_cast<int>(value);
  return true;
}

bool ParseFloat(const char* text, float* out) {
  char* end = nullptr;
  float value = std::strtof(text, &end);
  if (end == text) return false;
  *out = value;
  return true;
}

bool ParseDouble(const char* text, double* out) {
  char* end = nullptr;
  double value = std::strtod(text, &end);
  if (end == text) return false;
  *out = value;
  return true;
}

// The boolean words, any case; other text is not a boolean.
bool ParseBool(const char* text, int* out) {
  static constexpr std::string_view kTrue[] = {"true", "yes", "t", "y", "1"};
  static constexpr std::string_view kFalse[] = {"false", "no", "f", "n", "0"};
  for (std::string_view word : kTrue) {
    if (iwbase::EqualsIgnoringCase(text, word)) {
      *out = 1;
      return true;
    }
  }
  for (std::string_view word : kFalse) {
    if (iwbase::EqualsIgnoringCase(text, word)) {
      *out = 0;
      return true;
    }
  }
  return false;
}

// Reads `name` with `parse`; stores the default (when given) on failure.
template <class T, class Parse>
int ReadTyped(const char* name, T* out, const T* default_value, Parse parse) {
  if (!out) return 0;
  const char* text = IWRtVar(name);
  T parsed{};
  if (text && parse(text, &parsed)) {
    *out = parsed;
    return 1;
  }
  if (default_value) *out = *default_value;
  return 0;
}

// Booleans differ from the numbers: unreadable text keeps `out` as it was
// even when a default is given; only an unset variable takes the default.
int ReadBool(const char* name, int* out, const int* default_value) {
  if (!out) return 0;
  const char* text = IWRtVar(name);
  if (!text) {
    if (default_value) *out = *default_value;
    return 0;
  }
  int parsed = 0;
  if (!ParseBool(text, &parsed)) return 0;
  *out = parsed;
  return 1;
}

}  // namespace

extern "C" {

int IWRtVarInt(const char* name, int* out, int default_value) {
  return ReadTyped(name, out, &default_value, ParseInt);
}

int IWRtVarFloat(const char* name, float* out, float default_value) {
  return ReadTyped(name, out, &default_value, ParseFloat);
}

int IWRtVarDouble(const char* name, double* out, double default_value) {
  return ReadTyped(name, out, &default_value, ParseDouble);
}

int IWRtVarIntNoDef(const char* name, int* out) {
  return ReadTyped<int>(name, out, nullptr, ParseInt);
}

int IWRtVarFloatNoDef(const char* name, float* out) {
  return ReadTyped<float>(name, out, nullptr, ParseFloat);
}

int IWRtVarDoubleNoDef(const char* name, double* out) {
  return ReadTyped<double>(name, out, nullptr, ParseDouble);
}

int IWRtVarBool(const char* name, int* out, int default_value) {
  return ReadBool(name, out, &default_value);
}

int IWRtVarBoolNoDef(const char* name, int* out) { return ReadBool(name, out, nullptr); }

int IWAlVarInt(const char* name, int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", n);
  return IWAlVar(name, text);
}

int IWAlVarBool(const char* name, int flag) { return IWAlVar(name, flag ? "True" : "False"); }

int IWAlVarFloat(const char* name, int decimals, double x) {
  char format[16];
  char text[30];
  std::snprintf(format, sizeof format, "%%.%df", decimals < 0 ? 0 : decimals);
  std::snprintf(text, sizeof text, format, x);
  return IWAlVar(name, text);
}

}  // extern "C"
