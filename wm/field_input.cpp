// field_input.cpp - see field_input.h.
//
// The number checks follow the order in which a person's typing goes wrong:
// first characters that can never be part of a number (the whole text is
// refused and the last accepted text comes back), then each value in turn
// (not a number, not a multiple of the step, out of range), then too few
// values. Values beyond the field's count are never looked at.
#include "field_input.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace wm {
namespace {

bool Printable(char c) { return c >= '!' && c <= '~'; }

// The separators between values of a multi-value field. Only the blank can
// pass the character check, but a text that reaches the reader with another
// separator must still split the same way.
const char* const kValueSeparators = " ,:";

std::vector<std::string> SplitValues(const std::string& text) {
  std::vector<std::string> parts;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t begin = text.find_first_not_of(kValueSeparators, pos);
    if (begin == std::string::npos) break;
    size_t end = text.find_first_of(kValueSeparators, begin);
    if (end == std::string::npos) end = text.size();
    parts.push_back(text.substr(begin, end - begin));
    pos = end;
  }
  return parts;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list ap;
  va_start(ap, format);
  vsnprintf(buffer, sizeof buffer, format, ap);
  va_end(ap);
  return buffer;
}

// Reads the leading decimal integer of `part` as "%d" would ("5-3" is 5).
// False when the part does not start with a number.
bool ReadInt(const std::string& part, long long* out) {
  const char* begin = part.c_str();
  char* end = nullptr;
  errno = 0;
  long long v = strtoll(begin, &end, 10);
  if (end == begin) return false;
  if (errno == ERANGE) v = v < 0 ? LLONG_MIN : LLONG_MAX;
  *out = v;
  return true;
}

// Reads the leading decimal number of `part` as "%f" would.
bool ReadFloat(const std::string& part, double* out) {
  const char* begin = part.c_str();
  char* end = nullptr;
  double v = strtod(begin, &end);
  if (end == begin) return false;
  *out = v;
  return true;
}

}  // namespace

std::string TrimToPrintable(const std::string& text, bool* cut) {
  size_t begin = 0, end = text.size();
  while (begin < end && !Printable(text[begin])) ++begin;
  while (end > begin && !Printable(text[end - 1])) --end;
  if (cut) *cut = begin != 0 || end != text.size();
  return text.substr(begin, end - begin);
}

NumberCheck<int> CheckIntText(const std::string& text, int count, const IntLimits& limits) {
  NumberCheck<int> check;
  for (char c : text) {
    if (!(isdigit(static_cast<unsigned char>(c)) || c == ' ' || c == '-')) {
      check.verdict = NumberVerdict::kRefuse;
      check.message = Format("\"%s\" is unrecognized as input.\nInteger value%s expected",
                             text.c_str(), count > 1 ? "s" : "");
      return check;
    }
  }
  const bool ranged = limits.maximum != limits.minimum;
  const std::string range_message =
      Format("Value Out Of Range.\nValid Range is %d to %d", limits.minimum + limits.offset,
             limits.maximum + limits.offset);
  const long long step = limits.step < 1 ? 1 : limits.step;

  for (const std::string& part : SplitValues(text)) {
    if (static_cast<int>(check.values.size()) >= count) break;
    long long typed = 0;
    if (!ReadInt(part, &typed)) {
      check.verdict = NumberVerdict::kWarn;
      check.message = ranged ? range_message : "Unrecognized input.\nInteger value expected";
      check.values.clear();
      return check;
    }
    long long value = typed - limits.offset;
    if (value < INT_MIN || value > INT_MAX) {
      // Too large for the caller's int: no range can hold it.
      check.verdict = NumberVerdict::kWarn;
      check.message = ranged ? range_message : "Unrecognized input.\nInteger value expected";
      check.values.clear();
      return check;
    }
    if (value % step != 0) {
      check.verdict = NumberVerdict::kShowCurrent;
      check.values.clear();
      return check;
    }
    if (ranged && (value < limits.minimum || value > limits.maximum)) {
      check.verdict = NumberVerdict::kWarn;
      check.message = range_message;
      check.values.clear();
      return check;
    }
    check.values.push_back(static_cast<int>(value));
  }
  if (static_cast<int>(check.values.size()) < count) {
    check.verdict = NumberVerdict::kShowCurrent;
    check.values.clear();
    return check;
  }
  check.verdict = NumberVerdict::kStore;
  return check;
}

NumberCheck<float> CheckFloatText(const std::string& typed, int count, const FloatLimits& limits) {
  NumberCheck<float> check;
  std::string text = typed;
  for (char& c : text)
    if (c == ',') c = '.';  // a decimal comma reads as a point
  for (char c : text) {
    if (!(isdigit(static_cast<unsigned char>(c)) || c == ' ' || c == '-' || c == '.')) {
      check.verdict = NumberVerdict::kRefuse;
      check.message = Format("\"%s\" is unrecognized as input.\nFloating point value%s expected",
                             typed.c_str(), count > 1 ? "s" : "");
      return check;
    }
  }
  const bool ranged = limits.maximum != limits.minimum;
  const int decimals = limits.decimals < 0 ? 0 : limits.decimals;
  char range_format[64];
  snprintf(range_format, sizeof range_format, "%%.%df to %%.%df", decimals, decimals);
  char range_text[256];
  snprintf(range_text, sizeof range_text, range_format,
           static_cast<double>(limits.minimum + limits.offset),
           static_cast<double>(limits.maximum + limits.offset));
  const std::string range_message = Format("Value Out Of Range.\nValid Range is %s", range_text);

  for (const std::string& part : SplitValues(text)) {
    if (static_cast<int>(check.values.size()) >= count) break;
    double read = 0;
    if (!ReadFloat(part, &read)) {
      check.verdict = NumberVerdict::kWarn;
      check.message = ranged ? range_message : "Unrecognized input.\nFloating-point value expected";
      check.values.clear();
      return check;
    }
    float value = static_cast<float>(read) - limits.offset;
    if (!std::isfinite(value) ||
        (ranged && (value < limits.minimum || value > limits.maximum))) {
      check.verdict = NumberVerdict::kWarn;
      check.message = ranged ? range_message : "Unrecognized input.\nFloating-point value expected";
      check.values.clear();
      return check;
    }
    check.values.push_back(value);
  }
  if (static_cast<int>(check.values.size()) < count) {
    check.verdict = NumberVerdict::kShowCurrent;
    check.values.clear();
    return check;
  }
  check.verdict = NumberVerdict::kStore;
  return check;
}

std::string FormatIntValues(const int* values, int count, int offset) {
  std::string text;
  for (int i = 0; values && i < count; ++i) text += Format("%d ", values[i] + offset);
  return text;
}

std::string FormatFloatValues(const float* values, int count, int decimals, float offset) {
  char format[16];
  snprintf(format, sizeof format, "%%.%df ", decimals < 0 ? 0 : decimals);
  std::string text;
  char buffer[128];
  for (int i = 0; values && i < count; ++i) {
    snprintf(buffer, sizeof buffer, format, static_cast<double>(values[i] + offset));
    text += buffer;
  }
  return text;
}

DroppedName CleanDroppedName(const std::string& dropped, bool motif_drop) {
  DroppedName result;
  // A single URI often arrives with its list's line end: that end is not a
  // second icon.
  std::string text = dropped;
  while (!text.empty() && isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  if (text.find_first_of("\r\n") != std::string::npos) return result;

  if (motif_drop) {
    if (text.find("file:/") != std::string::npos) text.erase(0, 5);
  } else if (text.compare(0, 5, "file:") == 0) {
    text.erase(0, 5);
  }
  size_t slashes = 0;
  while (slashes < text.size() && text[slashes] == '/') ++slashes;
  if (slashes > 1) text.erase(0, slashes - 1);

  result.ok = true;
  result.name = text;
  return result;
}

}  // namespace wm
