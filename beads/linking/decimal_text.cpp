// Decimal numbers in and out (see decimal_text.h).
#include "decimal_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace linking {

namespace {

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

const char* ParseReal(const char* p, const char* end, double* value) {
  const char* q = p;
  bool negative = false;
  if (q < end && (*q == '-' || *q == '+')) negative = *q++ == '-';
  // Digits before and after the point gathered into one mantissa; leading
  // zeros count as digits, which only sends a few long numbers the slow way.
  uint64_t mantissa = 0;
  const char* digits_start = q;
  while (q < end && IsDigit(*q)) mantissa = mantissa * 10 + static_cast<uint64_t>(*q++ - '0');
  int digits = static_cast<int>(q - digits_start);
  int decimals = 0;
  if (q < end && *q == '.') {
    const char* fraction_start = ++q;
    // Past 19 digits the mantissa would overflow; such numbers take the
    // general road below anyway.
    while (q < end && IsDigit(*q) && q - fraction_start + digits < 19)
      mantissa = mantissa * 10 + static_cast<uint64_t>(*q++ - '0');
    decimals = static_cast<int>(q - fraction_start);
    while (q < end && IsDigit(*q)) ++q, ++decimals;
    digits += decimals;
  }
  if (digits > 0 && digits <= 15 &&
      (q == end || !(*q == 'e' || *q == 'E' || *q == 'n' || *q == 'N' || *q == 'i' || *q == 'I'))) {
    const double v = static_cast<double>(mantissa) / kPow10[decimals];
    *value = negative ? -v : v;
    return q;
  }
  // Exponents, long mantissas, inf and nan: the general conversion.
  const char* start = p;
  if (start < end && *start == '+') ++start;  // from_chars takes no '+'
  double v = 0;
  const auto [ptr, ec] = std::from_chars(start, end, v, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Overflow or underflow: keep the sign, report the magnitude as the
    // caller's finiteness check will see it.
    *value = (*start == '-') ? -HUGE_VAL : HUGE_VAL;
    return ptr;
  }
  if (ec != std::errc() || ptr == start) return nullptr;
  *value = v;
  return ptr;
}

const char* ParseInteger(const char* p, const char* end, long long* value) {
  const char* start = p;
  if (start < end && *start == '+') ++start;
  long long v = 0;
  const auto [ptr, ec] = std::from_chars(start, end, v, 10);
  if (ec != std::errc() || ptr == start) return nullptr;
  *value = v;
  return ptr;
}

char* FormatInteger(char* out, long long value) {
  return std::to_chars(out, out + 24, value).ptr;
}

namespace {

// FormatFixed for a fixed number of decimals, so that the divisions by the
// power of ten are by a constant (a multiplication, not a division).
template <int kDecimals>
char* FormatFixedT(char* out, double value) {
  constexpr uint64_t kUnit = [] {
    uint64_t u = 1;
    for (int k = 0; k < kDecimals; ++k) u *= 10;
    return u;
  }();
  const double scaled = std::fabs(value) * static_cast<double>(kUnit);
  if (!(scaled < 9007199254740992.0)) {  // 2^53, or not finite
    return std::to_chars(out, out + kMaxFixedText, value, std::chars_format::scientific, 8).ptr;
  }
  const uint64_t n = static_cast<uint64_t>(scaled + 0.5);  // half away from zero
  if (value < 0 && n != 0) *out++ = '-';
  out = std::to_chars(out, out + 20, n / kUnit).ptr;
  if constexpr (kDecimals > 0) {
    *out++ = '.';
    uint64_t fraction = n % kUnit;
    for (int k = kDecimals - 1; k >= 0; --k) {
      out[k] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    out += kDecimals;
  }
  return out;
}

}  // namespace

char* FormatFixed(char* out, double value, int decimals) {
  switch (decimals) {
    case 0: return FormatFixedT<0>(out, value);
    case 1: return FormatFixedT<1>(out, value);
    case 2: return FormatFixedT<2>(out, value);
    case 3: return FormatFixedT<3>(out, value);
    case 4: return FormatFixedT<4>(out, value);
    case 5: return FormatFixedT<5>(out, value);
    case 6: return FormatFixedT<6>(out, value);
    case 7: return FormatFixedT<7>(out, value);
    case 8: return FormatFixedT<8>(out, value);
    default: return decimals < 0 ? FormatFixedT<0>(out, value) : FormatFixedT<9>(out, value);
  }
}

}  // namespace linking
