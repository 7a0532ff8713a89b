// Reading the configuration file format. Lines are read up to
// kConfigLineMax bytes; the tail of an overlong line is skipped rather than
// read as a line of its own, so it can never pose as another variable.
#include "config_files.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace iwbase {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsWhite(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Reads one line into `buffer`, dropping whatever of it does not fit.
// Returns false at end of file.
bool ReadBoundedLine(FILE* file, char (&buffer)[kConfigLineMax]) {
  if (!std::fgets(buffer, sizeof buffer, file)) return false;
  size_t length = std::strlen(buffer);
  if (length > 0 && buffer[length - 1] != '\n') {
    int c;
    while ((c = std::fgetc(file)) != EOF && c != '\n') {
    }
  }
  return true;
}

}  // namespace

void SplitConfigLine(std::string_view line, std::string_view* name, std::string_view* value) {
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  size_t end = start;
  while (end < line.size() && !IsWhite(line[end])) ++end;
  *name = line.substr(start, end - start);

  size_t first = end;
  while (first < line.size() && IsWhite(line[first])) ++first;
  size_t last = line.size();
  while (last > first && IsWhite(line[last - 1])) --last;
  *value = line.substr(first, last - first);
}

FileLookup FindInConfigFile(const std::string& path, std::string_view name, std::string* value) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return FileLookup::kUnreadable;
  FileLookup result = FileLookup::kAbsent;
  char buffer[kConfigLineMax];
  while (ReadBoundedLine(file, buffer)) {
    std::string_view line_name, line_value;
    SplitConfigLine(buffer, &line_name, &line_value);
    if (!line_name.empty() && EqualsIgnoringCase(line_name, name)) {
      value->assign(line_value);
      result = FileLookup::kFound;
      break;
    }
  }
  std::fclose(file);
  return result;
}

}  // namespace iwbase
