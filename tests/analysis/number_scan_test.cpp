// The event-line converter must give exactly what sscanf gives with the
// event conversion: the same field count and the same doubles bit for bit,
// for ordinary track file lines and for every oddity a damaged file may hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "number_scan.h"

namespace {

struct Conversion {
  int count = 0;
  int frame = 0;
  double reals[9] = {};
};

Conversion WithSscanf(const std::string& line) {
  Conversion c;
  double* r = c.reals;
  c.count = std::sscanf(line.c_str(), "%d %lf %lf %lf %lf %lf %lf %lf %lf %lf", &c.frame, &r[0], &r[1],
                        &r[2], &r[3], &r[4], &r[5], &r[6], &r[7], &r[8]);
  return c;
}

Conversion WithScanner(const std::string& line) {
  Conversion c;
  c.count = analysis::ScanEventFields(line.c_str(), std::strlen(line.c_str()), &c.frame, c.reals);
  return c;
}

uint64_t Bits(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

void ExpectSameConversion(const std::string& line) {
  Conversion want = WithSscanf(line);
  Conversion got = WithScanner(line);
  ASSERT_EQ(got.count, want.count) << "line: [" << line << "]";
  if (want.count >= 1) {
    EXPECT_EQ(got.frame, want.frame) << "line: [" << line << "]";
  }
  for (int i = 0; i + 1 < want.count; ++i) {
    EXPECT_EQ(Bits(got.reals[i]), Bits(want.reals[i]))
        << "field " << i + 2 << " of [" << line << "]: " << got.reals[i] << " vs " << want.reals[i];
  }
}

TEST(EventLineConversion, EdgeCasesMatchSscanf) {
  const char* lines[] = {
      "",
      "   \t  ",
      "abc 1 2",
      "0 1 2 3 4 5 6",
      "0 1 2 3 4 5 6 7 8 9 10 11 12",
      "12 1500.5 20.123456789 0.1 30.5 0.2 10 1.3 3.0 0.97\n",
      "-7 -1 -2.5 -.5 -0.0 +4 +.25 1e5 1E-5 2.5e+3",
      "3.5 1 2 3 4 5 6 7",                // the integer stops at the point
      "1 1e 5 6 7 8 9",                   // dangling exponent
      "1 1e+ 5 6 7 8 9",
      "1 1.5e 2 3 4 5 6",
      "1 0x1p3 0X1.8P1 5 6 7 8",          // hexadecimal reals
      "1 0x 5 6 7 8 9",
      "1 inf -INF Infinity nan NAN -nan 7 8",
      "1 infinit 5 6 7 8 9",
      "1 nan(123) 5 6 7 8 9",
      "1 nanx 3 4 5 6 7",
      "1 . 5", "1 -. 5", "1 +-2 3", "1 - 2", "1 1e5x 3",
      "1,2,3,4,5,6,7",
      "1 2,3 4 5 6 7 8",
      "1\t2\v3\f4\r5 6 7\n",
      "99999999999 1 2 3 4 5 6",           // beyond int: folded like the library does
      "-99999999999 1 2 3 4 5 6",
      "4294967297 1 2 3 4 5 6",
      "123456789012345678901234567890 1 2 3 4 5 6",
      "+5 1 2 3 4 5 6", "-0 1 2 3 4 5 6", "+ 1 2", "- 1 2", "x 1 2",
      "1 1e400 -1e400 1e-400 4.9e-324 2e-324 2.2250738585072011e-308 7 8",
      "1 179769313486231580793728971405303415079934132710037826936173778980444968292764750946649"
      "017977587207096330286416692887910946555547851940402630657488671505820681908902000708383676"
      "27388 2 3 4 5 6",
      "1 0.1000000000000000055511151231257827021181583404541015625 2 3 4 5 6",
      "1 2.47032822920623272088284396434110686182529901307162382212792841250337753635104375932649"
      "918180817996189898282347722858865463328355177969898199387509e-324 2 3 4 5 6",
      "1 00000000000000000000000000000000000123.5 2 3 4 5 6",
  };
  for (const char* line : lines) ExpectSameConversion(line);
}

// Random lines: realistic numbers in the formats a tracking program writes,
// mixed with signs, exponents, specials and garbage.
std::string RandomToken(std::mt19937_64& rng) {
  std::uniform_int_distribution<int> kind(0, 13);
  std::uniform_real_distribution<double> magnitude(-1e4, 1e4);
  std::uniform_int_distribution<int> exponent(-320, 310);
  char text[128];
  switch (kind(rng)) {
    case 0: std::snprintf(text, sizeof text, "%.6f", magnitude(rng)); break;
    case 1: std::snprintf(text, sizeof text, "%.17g", magnitude(rng)); break;
    case 2: std::snprintf(text, sizeof text, "%g", magnitude(rng)); break;
    case 3: std::snprintf(text, sizeof text, "%.3e", magnitude(rng)); break;
    case 4: std::snprintf(text, sizeof text, "%.17ge%d", magnitude(rng), exponent(rng)); break;
    case 5: std::snprintf(text, sizeof text, "%d", static_cast<int>(magnitude(rng))); break;
    case 6: std::snprintf(text, sizeof text, "+%.4f", std::fabs(magnitude(rng))); break;
    case 7: std::snprintf(text, sizeof text, "%a", magnitude(rng)); break;
    case 8: std::snprintf(text, sizeof text, ".%u", static_cast<unsigned>(rng() % 100000)); break;
    case 9: std::snprintf(text, sizeof text, "%llu%llu", static_cast<unsigned long long>(rng()),
                          static_cast<unsigned long long>(rng())); break;
    case 10: {
      const char* specials[] = {"inf", "-inf", "nan", "1e", "-", ".", "x", "1.2.3", "7e+", "0x"};
      std::snprintf(text, sizeof text, "%s", specials[rng() % 10]);
      break;
    }
    case 11: std::snprintf(text, sizeof text, "%.20f", magnitude(rng) * 1e-12); break;
    case 12: std::snprintf(text, sizeof text, "%.1f", magnitude(rng)); break;
    default: std::snprintf(text, sizeof text, "%.2f", magnitude(rng)); break;
  }
  return text;
}

TEST(EventLineConversion, RandomLinesMatchSscanf) {
  std::mt19937_64 rng(20240611);
  const char* separators[] = {" ", "  ", "\t", " \t "};
  for (int n = 0; n < 200000; ++n) {
    std::string line = std::to_string(static_cast<int>(rng() % 20000) - 10);
    int fields = static_cast<int>(rng() % 12);
    bool plain = rng() % 4 != 0;  // three lines in four hold ordinary decimals only
    for (int i = 0; i < fields; ++i) {
      line += separators[rng() % 4];
      if (plain) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", static_cast<int>(rng() % 10),
                      std::uniform_real_distribution<double>(-5e3, 5e3)(rng));
        line += text;
      } else {
        line += RandomToken(rng);
      }
    }
    if (rng() % 2) line += "\n";
    ExpectSameConversion(line);
    if (::testing::Test::HasFailure()) break;
  }
}

}  // namespace
