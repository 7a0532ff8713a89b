// Typed lookups (with and without defaults), boolean words and the typed
// setters.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config_fixture.h"

namespace iwbase_test {
namespace {

constexpr const char* kName = "TSCFG_TYPED";

// Sets kName to `text` (null: leaves it unset) in a fresh process state.
class TypedTest : public ConfigTest {
 protected:
  void Given(const char* text) {
    ForgetProcessState();
    if (text) {
      ASSERT_EQ(IWAlVar(kName, text), 1);
    }
  }
};

struct IntCase {
  const char* text;  // null = unset
  int found;         // expected return value
  int value;         // expected output with default 7 (or untouched 99 without)
  int untouched;     // expected output of the variant without default
};

TEST_F(TypedTest, IntegersParseOrFallBack) {
  const IntCase cases[] = {
      {"42", 1, 42, 42},        {"-17", 1, -17, -17},      {"  8", 1, 8, 8},
      {"12abc", 1, 12, 12},     {"abc", 0, 7, 99},         {"", 0, 7, 99},
      {nullptr, 0, 7, 99},      {"99999999999", 0, 7, 99}, {"2147483647", 1, 2147483647, 2147483647},
  };
  for (const IntCase& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(unset)");
    Given(c.text);
    int out = 99;
    EXPECT_EQ(IWRtVarInt(kName, &out, 7), c.found);
    EXPECT_EQ(out, c.value);
    out = 99;
    EXPECT_EQ(IWRtVarIntNoDef(kName, &out), c.found);
    EXPECT_EQ(out, c.untouched);
  }
}

struct RealCase {
  const char* text;
  int found;
  double value;  // expected with default 0.5; without default stays -1
};

TEST_F(TypedTest, RealsParseOrFallBack) {
  const RealCase cases[] = {
      {"3.25", 1, 3.25}, {"-1e3", 1, -1000.0}, {"7", 1, 7.0},
      {".5x", 1, 0.5},   {"x.5", 0, 0.5},      {nullptr, 0, 0.5},
  };
  for (const RealCase& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(unset)");
    Given(c.text);
    double d = -1;
    float f = -1;
    EXPECT_EQ(IWRtVarDouble(kName, &d, 0.5), c.found);
    EXPECT_DOUBLE_EQ(d, c.value);
    EXPECT_EQ(IWRtVarFloat(kName, &f, 0.5f), c.found);
    EXPECT_FLOAT_EQ(f, static_cast<float>(c.value));

    d = -1;
    f = -1;
    EXPECT_EQ(IWRtVarDoubleNoDef(kName, &d), c.found);
    EXPECT_DOUBLE_EQ(d, c.found ? c.value : -1.0);
    EXPECT_EQ(IWRtVarFloatNoDef(kName, &f), c.found);
    EXPECT_FLOAT_EQ(f, c.found ? static_cast<float>(c.value) : -1.0f);
  }
}

struct BoolCase {
  const char* text;
  int found;      // return value
  int with_def;   // output with default 1, starting from 5
  int no_def;     // output of the variant without default, starting from 5
};

TEST_F(TypedTest, BooleanWordsInAnyCase) {
  const BoolCase cases[] = {
      {"true", 1, 1, 1},  {"YES", 1, 1, 1},   {"t", 1, 1, 1},   {"Y", 1, 1, 1},
      {"1", 1, 1, 1},     {"False", 1, 0, 0}, {"no", 1, 0, 0},  {"F", 1, 0, 0},
      {"n", 1, 0, 0},     {"0", 1, 0, 0},     {"maybe", 0, 5, 5}, {"2", 0, 5, 5},
      {"truex", 0, 5, 5}, {"", 0, 1, 5},      {nullptr, 0, 1, 5},
  };
  for (const BoolCase& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(unset)");
    Given(c.text);
    int out = 5;
    EXPECT_EQ(IWRtVarBool(kName, &out, 1), c.found);
    EXPECT_EQ(out, c.with_def);
    out = 5;
    EXPECT_EQ(IWRtVarBoolNoDef(kName, &out), c.found);
    EXPECT_EQ(out, c.no_def);
  }
}

TEST_F(TypedTest, SettersStoreTheDocumentedText) {
  struct SetCase {
    const char* label;
    int (*set)();
    const char* stored;
  };
  const SetCase cases[] = {
      {"int", [] { return IWAlVarInt(kName, -42); }, "-42"},
      {"bool true", [] { return IWAlVarBool(kName, 5); }, "True"},
      {"bool false", [] { return IWAlVarBool(kName, 0); }, "False"},
      {"float 2 decimals", [] { return IWAlVarFloat(kName, 2, 3.14159); }, "3.14"},
      {"float rounds", [] { return IWAlVarFloat(kName, 0, 2.6); }, "3"},
      {"negative decimals as 0", [] { return IWAlVarFloat(kName, -3, 9.9); }, "10"},
      {"float 4 decimals", [] { return IWAlVarFloat(kName, 4, -0.5); }, "-0.5000"},
  };
  for (const SetCase& c : cases) {
    SCOPED_TRACE(c.label);
    Given(nullptr);
    EXPECT_EQ(c.set(), 1);
    EXPECT_EQ(Var(kName), c.stored);
  }

  // A huge value is cut to 29 characters rather than overrunning.
  Given(nullptr);
  ASSERT_EQ(IWAlVarFloat(kName, 2, 1e40), 1);
  EXPECT_EQ(std::strlen(IWRtVar(kName)), 29u);

  // Stored booleans read back as booleans.
  Given(nullptr);
  int flag = -1;
  IWAlVarBool(kName, 1);
  EXPECT_EQ(IWRtVarBool(kName, &flag, 0), 1);
  EXPECT_EQ(flag, 1);
}

}  // namespace
}  // namespace iwbase_test
