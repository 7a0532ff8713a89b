// field_input.h - what a typed field text means: trimming, the checks of
// integer and float fields, the texts they display, and file names dropped
// into fields. No widgets here: the field modules ask these functions and
// act on the verdict, so the rules can be exercised without a display.
#pragma once

#include <string>
#include <vector>

namespace wm {

// Cuts characters outside the printable range "!".."~" at both ends.
// `cut` (optional) tells whether anything was removed.
std::string TrimToPrintable(const std::string& text, bool* cut);

// What the field does with a typed number text.
enum class NumberVerdict {
  kStore,        // all values good: store `values`, run the callback
  kRefuse,       // characters that cannot be numbers: warn, put back the last text
  kShowCurrent,  // silently show the caller's current values again
  kWarn          // warn with `message`, then show the current values again
};

template <typename T>
struct NumberCheck {
  NumberVerdict verdict = NumberVerdict::kShowCurrent;
  std::string message;    // warning text for kRefuse and kWarn
  std::vector<T> values;  // stored values (offset removed) for kStore
};

// Limits of a number field as the caller's variables hold them now.
struct IntLimits {
  int maximum;  // largest stored value (when it differs from minimum)
  int minimum;  // smallest stored value
  int step;     // stored values are multiples of it; below 1 counts as 1
  int offset;   // shown value = stored value + offset
};

struct FloatLimits {
  float maximum;  // largest stored value (when it differs from minimum)
  float minimum;  // smallest stored value
  int decimals;   // digits shown after the point
  float offset;   // shown value = stored value + offset
};

// Checks the text of an integer field holding `count` values.
NumberCheck<int> CheckIntText(const std::string& text, int count, const IntLimits& limits);
// Checks the text of a float field holding `count` values ("," reads as ".").
NumberCheck<float> CheckFloatText(const std::string& text, int count, const FloatLimits& limits);

// The texts a field shows for stored values: each value plus the offset as
// "%d " or "%.<decimals>f ".
std::string FormatIntValues(const int* values, int count, int offset);
std::string FormatFloatValues(const float* values, int count, int decimals, float offset);

// A text dropped into a field turned into one file name.
struct DroppedName {
  bool ok = false;     // false: several icons were dropped
  std::string name;    // the file name when ok
};
// `motif_drop`: the text came from a Motif drag, where a URI loses its
// "file:" scheme as five characters; otherwise "file:" and all but one of
// the slashes after it go, and repeated leading slashes shrink to one.
DroppedName CleanDroppedName(const std::string& text, bool motif_drop);

}  // namespace wm
