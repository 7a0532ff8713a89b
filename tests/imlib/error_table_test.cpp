// Status texts and the sequence and pixel type name lookups.
#include <gtest/gtest.h>

#include <string>

#include "imlib.h"

namespace {

TEST(ErrorTextTest, KnownAndUnknownCodes) {
  struct Case {
    int code;
    const char* text;
  } cases[] = {
      {0, "No error"},
      {1, "Invalid stream number"},
      {3, "Internal stream numbering error"},
      {110, "No streams are available"},
      {201, "Invalid stream attribute (use: new, old, append, ro, etc)"},
      {206, "Unable to open image file"},
      {212, "Incorrect byte count during read"},
      {301, "Error positioning stream pointer"},
      {404, "Too many wavelength channels"},
      {506, "Unrecognized image file ID"},
      {512, "Undefined number of data bits per pixel"},
      {601, "Invalid section number"},
      {602, "Invalid section number"},
      {604, "Invalid ZWTP coordinate"},
      {720, "Insufficient field header space"},
      {736, "Field name is too long"},
      {810, "Window doesn't exist"},
      {812, "Invalid dislay scale values"},
      {905, "16-bit complex numbers not supported"},
      {908, "Incompatible computer architecture"},
      // Codes without a text of their own.
      {510, "Unspecified error"},
      {405, "Unspecified error"},
      {-1, "Unspecified error"},
      {909, "Unspecified error"},
      {10000, "Unspecified error"},
  };
  for (const Case& c : cases) EXPECT_STREQ(IMRtErrorText(c.code), c.text) << c.code;
}

TEST(ErrorTextTest, EveryCodeOfEveryGroupHasText) {
  // Every code the library can return has a text other than the fallback,
  // except the documented ones (405, 510, 10000).
  const int codes[] = {0,   1,   2,   3,   101, 102, 103, 104, 105, 106, 110, 201, 202, 203,
                       204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 214, 301, 302, 303,
                       304, 305, 306, 307, 401, 402, 403, 404, 501, 502, 503, 504, 505, 506,
                       507, 511, 512, 601, 602, 603, 604, 605, 701, 702, 703, 704, 705, 706,
                       707, 708, 720, 721, 722, 723, 724, 725, 726, 727, 728, 729, 730, 731,
                       732, 733, 734, 735, 736, 801, 802, 803, 804, 805, 806, 807, 808, 809,
                       810, 811, 812, 901, 902, 903, 904, 905, 906, 907, 908};
  for (int code : codes) EXPECT_STRNE(IMRtErrorText(code), "Unspecified error") << code;
}

TEST(SequenceNameTest, AllCodesAndInvalid) {
  const char* names[] = {"ZTWP", "WZTP", "ZWTP", "ZPWT", "ZWPT", "WZPT", "WPTZ", "PWTZ",
                         "PTWZ", "PZWT", "PWZT", "WPZT", "WTPZ", "TWPZ", "TPWZ"};
  for (int i = 0; i < 15; ++i) EXPECT_STREQ(IMRtSequenceName(i), names[i]);
  EXPECT_STREQ(IMRtSequenceName(15), "Undefined");
  EXPECT_STREQ(IMRtSequenceName(-1), "Undefined");
}

TEST(DataTypeNameTest, TextsCodesAndTruncation) {
  struct Case {
    int type;
    const char* text;
    int rc;
  } cases[] = {
      {0, "1 byte integer", 0},          {1, "2 byte signed integer", 0},
      {2, "4 byte floating-point", 0},   {3, "2 byte integer complex", 0},
      {4, "4 byte floating-point complex", 0}, {5, "unknown", 503},
      {6, "2 byte unsigned integer", 0}, {7, "4 byte signed integer", 0},
      {8, "8 byte floating-point", 0},   {9, "unknown", 503},
      {-2, "unknown", 503},
  };
  for (const Case& c : cases) {
    char buffer[64];
    EXPECT_EQ(IMRtDataTypeName(c.type, buffer, sizeof buffer), c.rc) << c.type;
    EXPECT_STREQ(buffer, c.text) << c.type;
  }
  char small[8];
  memset(small, 'x', sizeof small);
  IMRtDataTypeName(6, small, 6);
  EXPECT_EQ(std::string(small, 6), "2 byte");
  EXPECT_EQ(small[6], 'x');  // nothing written beyond the given length
}

}  // namespace
