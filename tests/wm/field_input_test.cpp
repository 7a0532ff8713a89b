// The rules behind the number fields and dropped file names, without a
// display: verdicts, stored values and the exact refusal texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "field_input.h"

namespace {

using wm::NumberVerdict;

struct IntCase {
  const char* name;
  std::string text;
  int count;
  wm::IntLimits limits;  // maximum, minimum, step, offset
  NumberVerdict verdict;
  std::vector<int> values;
  std::string message;
};

TEST(IntFieldRules, VerdictsValuesAndMessages) {
  const std::string range_1_10 = "Value Out Of Range.\nValid Range is 1 to 10";
  const IntCase cases[] = {
      {"offset 1: typed 5 is stored as 4", "5", 1, {9, 0, 1, 1}, NumberVerdict::kStore, {4}, ""},
      {"offset 1: typed 11 names the shown range", "11", 1, {9, 0, 1, 1}, NumberVerdict::kWarn, {}, range_1_10},
      {"offset 1: typed 1 is the stored minimum 0", "1", 1, {9, 0, 1, 1}, NumberVerdict::kStore, {0}, ""},
      {"offset 1: typed 0 is below the range", "0", 1, {9, 0, 1, 1}, NumberVerdict::kWarn, {}, range_1_10},
      {"equal maximum and minimum accept anything", "-123456", 1, {0, 0, 1, 0}, NumberVerdict::kStore, {-123456}, ""},
      {"values beyond the count are ignored", "1 2", 1, {0, 0, 1, 0}, NumberVerdict::kStore, {1}, ""},
      {"an extra value out of range is never looked at", "1 99", 1, {5, 0, 1, 0}, NumberVerdict::kStore, {1}, ""},
      {"two values separated by several blanks", "  3   4 ", 2, {0, 0, 1, 0}, NumberVerdict::kStore, {3, 4}, ""},
      {"too few values show the current ones", "3", 2, {0, 0, 1, 0}, NumberVerdict::kShowCurrent, {}, ""},
      {"empty text shows the current value", "", 1, {0, 0, 1, 0}, NumberVerdict::kShowCurrent, {}, ""},
      {"not a multiple of the step is silent", "7", 1, {100, 0, 5, 0}, NumberVerdict::kShowCurrent, {}, ""},
      {"a multiple of the step is stored", "15", 1, {100, 0, 5, 0}, NumberVerdict::kStore, {15}, ""},
      {"a step below 1 counts as 1", "7", 1, {100, 0, 0, 0}, NumberVerdict::kStore, {7}, ""},
      {"the step applies to stored values", "6", 1, {100, 0, 5, 1}, NumberVerdict::kStore, {5}, ""},
      {"letters refuse the whole text", "1a", 1, {9, 0, 1, 0}, NumberVerdict::kRefuse, {},
       "\"1a\" is unrecognized as input.\nInteger value expected"},
      {"a multi-value field asks for values", "1,2", 2, {9, 0, 1, 0}, NumberVerdict::kRefuse, {},
       "\"1,2\" is unrecognized as input.\nInteger values expected"},
      {"a decimal point is no integer", "2.5", 1, {0, 0, 1, 0}, NumberVerdict::kRefuse, {},
       "\"2.5\" is unrecognized as input.\nInteger value expected"},
      {"a lone minus with a range gives the range", "-", 1, {9, 0, 1, 1}, NumberVerdict::kWarn, {}, range_1_10},
      {"a lone minus without a range", "-", 1, {3, 3, 1, 0}, NumberVerdict::kWarn, {},
       "Unrecognized input.\nInteger value expected"},
      {"a number runs up to the first non-digit", "5-3", 1, {0, 0, 1, 0}, NumberVerdict::kStore, {5}, ""},
      {"a number too large for an int", "99999999999", 1, {0, 0, 1, 0}, NumberVerdict::kWarn, {},
       "Unrecognized input.\nInteger value expected"},
      {"negative ranges are shown with the offset", "-20", 1, {-1, -10, 1, 0}, NumberVerdict::kWarn, {},
       "Value Out Of Range.\nValid Range is -10 to -1"},
  };
  for (const IntCase& k : cases) {
    SCOPED_TRACE(k.name);
    auto check = wm::CheckIntText(k.text, k.count, k.limits);
    EXPECT_EQ(check.verdict, k.verdict);
    EXPECT_EQ(check.values, k.values);
    EXPECT_EQ(check.message, k.message);
  }
}

struct FloatCase {
  const char* name;
  std::string text;
  int count;
  wm::FloatLimits limits;  // maximum, minimum, decimals, offset
  NumberVerdict verdict;
  std::vector<float> values;
  std::string message;
};

TEST(FloatFieldRules, VerdictsValuesAndMessages) {
  const FloatCase cases[] = {
      {"a decimal comma reads as a point", "3,5", 1, {0, 0, 2, 0}, NumberVerdict::kStore, {3.5f}, ""},
      {"blank-separated values in a two-value field", "3 5", 2, {0, 0, 2, 0}, NumberVerdict::kStore, {3.0f, 5.0f}, ""},
      {"\"3,5\" is one value even in a two-value field", "3,5", 2, {0, 0, 2, 0}, NumberVerdict::kShowCurrent, {}, ""},
      {"the offset is subtracted", "1.5", 1, {10, 0, 1, 0.5f}, NumberVerdict::kStore, {1.0f}, ""},
      {"the range is shown with the field's decimals", "10.5", 1, {10, 0, 2, 0}, NumberVerdict::kWarn, {},
       "Value Out Of Range.\nValid Range is 0.00 to 10.00"},
      {"the range includes the offset", "-1", 1, {1, 0, 3, 0.25f}, NumberVerdict::kWarn, {},
       "Value Out Of Range.\nValid Range is 0.250 to 1.250"},
      {"letters refuse the whole text as typed", "3,5x", 1, {0, 0, 2, 0}, NumberVerdict::kRefuse, {},
       "\"3,5x\" is unrecognized as input.\nFloating point value expected"},
      {"plural for a multi-value field", "e", 3, {0, 0, 2, 0}, NumberVerdict::kRefuse, {},
       "\"e\" is unrecognized as input.\nFloating point values expected"},
      {"a lone point without a range", ".", 1, {0, 0, 2, 0}, NumberVerdict::kWarn, {},
       "Unrecognized input.\nFloating-point value expected"},
      {"a lone point with a range gives the range", ".", 1, {1, 0, 1, 0}, NumberVerdict::kWarn, {},
       "Value Out Of Range.\nValid Range is 0.0 to 1.0"},
      {"a leading point", "-.25", 1, {0, 0, 2, 0}, NumberVerdict::kStore, {-0.25f}, ""},
      {"values beyond the count are ignored", "1 2 3", 2, {0, 0, 2, 0}, NumberVerdict::kStore, {1.0f, 2.0f}, ""},
  };
  for (const FloatCase& k : cases) {
    SCOPED_TRACE(k.name);
    auto check = wm::CheckFloatText(k.text, k.count, k.limits);
    EXPECT_EQ(check.verdict, k.verdict);
    EXPECT_EQ(check.values, k.values);
    EXPECT_EQ(check.message, k.message);
  }
}

TEST(NumberFieldTexts, ValuesAreShownWithOffsetAndTrailingBlank) {
  const int ints[] = {0, 4, -2};
  EXPECT_EQ(wm::FormatIntValues(ints, 3, 1), "1 5 -1 ");
  EXPECT_EQ(wm::FormatIntValues(ints, 1, 0), "0 ");
  const float floats[] = {3.5f, -0.125f};
  EXPECT_EQ(wm::FormatFloatValues(floats, 2, 2, 0), "3.50 -0.12 ");
  EXPECT_EQ(wm::FormatFloatValues(floats, 1, 0, 1.0f), "4 ");
  EXPECT_EQ(wm::FormatFloatValues(floats, 1, -3, 0), "4 ") << "negative decimals count as 0";
}

TEST(TextFieldRules, TrimmingCutsOnlyTheEnds) {
  struct Case {
    std::string text, trimmed;
    bool cut;
  } cases[] = {
      {" name ", "name", true},
      {"\tname\r\n", "name", true},
      {"two words", "two words", false},
      {"   ", "", true},
      {"", "", false},
      {"caf\xc3\xa9", "caf", true},  // bytes outside "!".."~" count as blanks at the ends
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    bool cut = false;
    EXPECT_EQ(wm::TrimToPrintable(k.text, &cut), k.trimmed);
    EXPECT_EQ(cut, k.cut);
  }
}

TEST(DroppedNames, SchemesSlashesAndSeveralIcons) {
  struct Case {
    const char* name;
    std::string text;
    bool motif;
    bool ok;
    std::string file;
  } cases[] = {
      {"URI with three slashes", "file:///data/beads.tif", false, true, "/data/beads.tif"},
      {"URI with one slash", "file:/data/beads.tif", false, true, "/data/beads.tif"},
      {"plain path", "/data/beads.tif", false, true, "/data/beads.tif"},
      {"repeated leading slashes", "///data//beads.tif", false, true, "/data//beads.tif"},
      {"trailing white space", "file:///data/b.tif \r\n", false, true, "/data/b.tif"},
      {"relative name stays relative", "beads.tif", false, true, "beads.tif"},
      {"two icons", "file:///a.tif\r\nfile:///b.tif", false, false, ""},
      {"two icons separated by a bare line feed", "/a\n/b", false, false, ""},
      {"Motif drop of a URI", "file:///data/b.tif", true, true, "/data/b.tif"},
      {"Motif drop of a plain path", "/data/b.tif", true, true, "/data/b.tif"},
      {"Motif drop of a URI with an empty host", "file://data/b.tif", true, true, "/data/b.tif"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    wm::DroppedName dropped = wm::CleanDroppedName(k.text, k.motif);
    EXPECT_EQ(dropped.ok, k.ok);
    if (k.ok) {
      EXPECT_EQ(dropped.name, k.file);
    }
  }
}

}  // namespace
