// Command lines of the suite's programs: strict parsing of numeric values
// (the whole text must be one finite number, so that "1.5x", "" or "nan"
// are refused rather than read as a prefix or as an unusable value) and one
// walk over the words driven by a table of the program's options.
#ifndef TREMOSCAN_PROGRAMS_COMMON_COMMAND_LINE_H
#define TREMOSCAN_PROGRAMS_COMMON_COMMAND_LINE_H

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace programs {

// A finite real; false (and *out untouched) for anything else.
bool ParseReal(const char* text, double* out);

// A decimal integer from lo to hi inclusive; false (and *out untouched) for
// anything else.
bool ParseWhole(const char* text, long lo, long hi, long* out);

// One option of a program's table. A flag takes no value; any other option
// takes the next word, which `take` stores and accepts (true) or refuses.
struct Option {
  const char* name;                        // as typed, dashes included
  bool flag;                               // takes no value
  std::function<bool(const char*)> take;   // the value (null for a flag)
  std::string rule;                        // what a value must be; empty: unsaid

  static Option Flag(const char* name, std::function<void()> set);
  static Option Value(const char* name, std::function<bool(const char*)> take,
                      std::string rule = "");
  // A real number above `lo` (or from `lo` when `lo_open` is false) up to
  // and including `hi`.
  static Option Real(const char* name, double* target, double lo, bool lo_open, double hi,
                     std::string rule = "");
  // A decimal integer from lo to hi inclusive.
  static Option Whole(const char* name, int* target, long lo, long hi, std::string rule = "");
};

// Walks argv[1..]: a word that starts with `prefix` (and is longer) names an
// option of `options`, every other word goes to `positional`. Returns an
// empty string, or the reason the line is invalid: "<option> needs a
// value", "invalid value for <option>: \"<value>\"" (with the option's rule
// in parentheses when it has one), "unknown option <word>".
std::string ParseOptions(int argc, char** argv, const char* prefix,
                         std::initializer_list<Option> options,
                         std::vector<std::string>* positional);

}  // namespace programs

#endif
