// Locale-independent number conversion (see number_scan.h).
//
// Reals take one of three roads:
//  1. Short plain decimals ("-256.12345": at most 15 digits, no exponent)
//     are m / 10^k with m and 10^k both exact doubles; one IEEE division
//     rounds that correctly, as strtod does. Track files are made of these.
//  2. Other decimals go to std::from_chars, which also rounds correctly; it
//     is used only when it converts the whole token up to white space or
//     the end of the text. Under that condition sscanf's own scanner
//     consumes exactly the same characters, so both give the same double.
//  3. Anything else falls back to sscanf on the rest of the text, under the
//     C locale.
#include "number_scan.h"

#include <locale.h>

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace analysis {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The C locale, created once; the fall-back conversions switch this thread
// to it for the duration of one call.
locale_t CLocale() {
  static locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return c_locale;
}

class ScopedCLocale {
 public:
  ScopedCLocale() : previous_(CLocale() ? uselocale(CLocale()) : static_cast<locale_t>(0)) {}
  ~ScopedCLocale() {
    if (previous_) uselocale(previous_);
  }
  ScopedCLocale(const ScopedCLocale&) = delete;
  ScopedCLocale& operator=(const ScopedCLocale&) = delete;

 private:
  locale_t previous_;
};

// "%d" at text[*pos] (white space already skipped). On success stores the
// value, advances *pos and returns true.
bool ScanInt(const char* text, size_t length, size_t* pos, int* value) {
  size_t p = *pos;
  bool negative = false;
  if (p < length && (text[p] == '+' || text[p] == '-')) {
    negative = text[p] == '-';
    ++p;
  }
  size_t digits_begin = p;
  int64_t magnitude = 0;
  while (p < length && IsDigit(text[p]) && p - digits_begin < 18) {
    magnitude = magnitude * 10 + (text[p] - '0');
    ++p;
  }
  if (p == digits_begin) return false;
  if (p < length && IsDigit(text[p])) {
    // More than 18 digits: let the library decide how it folds the value.
    int n = 0;
    ScopedCLocale c_locale;
    if (std::sscanf(text + *pos, "%d%n", value, &n) != 1) return false;
    *pos += static_cast<size_t>(n);
    return true;
  }
  // The library converts to a 64-bit long and keeps its low 32 bits.
  int64_t wide = negative ? -magnitude : magnitude;
  *value = static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(wide)));
  *pos = p;
  return true;
}

// Exact powers of ten for road 1.
constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr int kMaxExactDigits = 15;  // 10^15 < 2^53: every such mantissa is exact

// Road 1: [-]digits[.digits] ending at white space or the end of the text.
bool ScanShortDecimal(const char* begin, const char* end, const char** stop, double* value) {
  const char* p = begin;
  bool negative = *p == '-';
  if (negative) ++p;
  int64_t mantissa = 0;
  int digits = 0;
  int fraction_digits = 0;
  bool any_digit = false;
  while (p < end && IsDigit(*p)) {
    if (mantissa != 0 || *p != '0') ++digits;
    mantissa = mantissa * 10 + (*p - '0');
    any_digit = true;
    if (digits > kMaxExactDigits) return false;
    ++p;
  }
  if (p < end && *p == '.') {
    ++p;
    while (p < end && IsDigit(*p)) {
      if (mantissa != 0 || *p != '0') ++digits;
      mantissa = mantissa * 10 + (*p - '0');
      any_digit = true;
      ++fraction_digits;
      if (digits > kMaxExactDigits || fraction_digits > kMaxExactDigits) return false;
      ++p;
    }
  }
  if (!any_digit || (p < end && !IsSpace(*p))) return false;
  double magnitude = static_cast<double>(mantissa) / kExactPowersOfTen[fraction_digits];
  *value = negative ? -magnitude : magnitude;
  *stop = p;
  return true;
}

// "%lf" at text[*pos] (white space already skipped).
bool ScanReal(const char* text, size_t length, size_t* pos, double* value) {
  const char* begin = text + *pos;
  const char* end = text + length;
  // from_chars takes no '+' sign; a '+' may only be followed by the number.
  const char* number = *begin == '+' ? begin + 1 : begin;
  const char* first = (number == begin && *number == '-') ? number + 1 : number;
  bool plain_decimal = first < end && (IsDigit(*first) || *first == '.');
  if (plain_decimal) {
    const char* stop = nullptr;
    if (ScanShortDecimal(number, end, &stop, value)) {
      *pos = static_cast<size_t>(stop - text);
      return true;
    }
    double parsed = 0.0;
    auto [ptr, ec] = std::from_chars(number, end, parsed);
    if (ec == std::errc() && (ptr == end || IsSpace(*ptr))) {
      *value = parsed;
      *pos = static_cast<size_t>(ptr - text);
      return true;
    }
  }
  int n = 0;
  ScopedCLocale c_locale;
  if (std::sscanf(begin, "%lf%n", value, &n) != 1) return false;
  *pos += static_cast<size_t>(n);
  return true;
}

size_t SkipSpace(const char* text, size_t length, size_t pos) {
  while (pos < length && IsSpace(text[pos])) ++pos;
  return pos;
}

}  // namespace

int ScanEventFields(const char* text, size_t length, int* frame, double reals[9]) {
  size_t pos = SkipSpace(text, length, 0);
  if (pos == length) return -1;
  if (!ScanInt(text, length, &pos, frame)) return 0;
  int converted = 1;
  for (int i = 0; i < kEventFieldCount - 1; ++i) {
    pos = SkipSpace(text, length, pos);
    if (pos == length || !ScanReal(text, length, &pos, &reals[i])) break;
    ++converted;
  }
  return converted;
}

int ParseHeaderInt(const char* text) {
  long value = std::strtol(text, nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double ParseHeaderReal(const char* text) {
  locale_t c_locale = CLocale();
  if (c_locale) return strtod_l(text, nullptr, c_locale);
  return std::strtod(text, nullptr);
}

bool ScanFloat(const char* text, float* value) {
  ScopedCLocale c_locale;
  return std::sscanf(text, "%f", value) == 1;
}

}  // namespace analysis
