// Text helpers that several layers need (configuration names, help links,
// dropped file names, image paths in track files): case-insensitive
// equality and the decoding of %XX escapes.
#include <cctype>

#include "iwbase.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

extern "C" int IWEqualsIgnoringCase(const char* a, size_t a_length, const char* b,
                                    size_t b_length) {
  if (a_length != b_length) return 0;
  for (size_t i = 0; i < a_length; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return 0;
  return 1;
}

extern "C" size_t IWPercentDecode(const char* text, size_t length, char* out) {
  size_t n = 0;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] == '%' && i + 2 < length) {
      const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out[n++] = static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out[n++] = text[i];
  }
  return n;
}
