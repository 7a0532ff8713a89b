// ReadStatusFile: the progress and message the localization program leaves
// in its status file.
#include "status_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool ReadStatusFile(const char* path, int* progress, std::string* message) {
  FILE* f = fopen(path, "r");
  if (!f) return false;
  char number[20] = "", text[100] = "";
  bool ok = fgets(number, sizeof number, f) != nullptr;
  if (ok && !strchr(number, '\n')) {
    // A longer first line: drop its rest so the message is the second line.
    int c;
    while ((c = fgetc(f)) != EOF && c != '\n') {}
  }
  if (ok && fgets(text, sizeof text, f)) text[strcspn(text, "\n")] = '\0';
  fclose(f);
  if (!ok) return false;
  // A percentage outside 0 to 100 (or no number) is clamped: converting a
  // huge value to int would be undefined.
  const float percent = static_cast<float>(atof(number));
  *progress = percent >= 100.0f ? 100 : percent > 0.0f ? static_cast<int>(percent) : 0;
  *message = text;
  return true;
}
