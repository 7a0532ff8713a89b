// Strict parsing of numeric argument values and the option table walk.
#include "command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace programs {

bool ParseReal(const char* text, double* out) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

bool ParseWhole(const char* text, long lo, long hi, long* out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

Option Option::Flag(const char* name, std::function<void()> set) {
  return {name, true, [set = std::move(set)](const char*) {
            set();
            return true;
          },
          ""};
}

Option Option::Value(const char* name, std::function<bool(const char*)> take, std::string rule) {
  return {name, false, std::move(take), std::move(rule)};
}

Option Option::Real(const char* name, double* target, double lo, bool lo_open, double hi,
                    std::string rule) {
  return Value(
      name,
      [=](const char* text) {
        double v = 0;
        if (!ParseReal(text, &v) || (lo_open ? !(v > lo) : !(v >= lo)) || !(v <= hi)) return false;
        *target = v;
        return true;
      },
      std::move(rule));
}

Option Option::Whole(const char* name, int* target, long lo, long hi, std::string rule) {
  return Value(
      name,
      [=](const char* text) {
        long n = 0;
        if (!ParseWhole(text, lo, hi, &n)) return false;
        *target = static_cast<int>(n);
        return true;
      },
      std::move(rule));
}

std::string ParseOptions(int argc, char** argv, const char* prefix,
                         std::initializer_list<Option> options,
                         std::vector<std::string>* positional) {
  const size_t prefix_length = std::strlen(prefix);
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.size() <= prefix_length || word.compare(0, prefix_length, prefix) != 0) {
      positional->push_back(word);
      continue;
    }
    const Option* option = nullptr;
    for (const Option& o : options)
      if (word == o.name) option = &o;
    if (!option) return "unknown option " + word;
    if (option->flag) {
      option->take(nullptr);
      continue;
    }
    if (i + 1 >= argc) return word + " needs a value";
    const char* value = argv[++i];
    if (!option->take(value)) {
      std::string reason = "invalid value for " + word + ": \"" + value + "\"";
      if (!option->rule.empty()) reason += " (" + option->rule + ")";
      return reason;
    }
  }
  return "";
}

}  // namespace programs
