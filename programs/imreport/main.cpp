// imreport FILE...: prints the header report of each image file, its
// extended header type and its named fields. A file that cannot be opened
// is reported with the library's error text; the exit status is then 1.
//
// This is the first tool to run on an image that a program refuses: it
// shows what the header claims without reading any pixels.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imlib.h"

namespace {

// A field value as text: strings and numbers as stored, binary as hex.
std::string ValueText(char type, const char* value, int size) {
  if (type != 'b') return std::string(value, size_t(size));
  std::string hex;
  char byte[4];
  for (int i = 0; i < size; ++i) {
    snprintf(byte, sizeof byte, "%02x", unsigned(static_cast<unsigned char>(value[i])));
    hex += byte;
  }
  return hex;
}

void PrintFields(int stream) {
  int count = IMRtNumFields(stream);
  printf("Named Fields..........................\t%d\n", count);
  for (int i = 0; i < count; ++i) {
    char* name = nullptr;
    char* value = nullptr;
    char type = '?';
    int size = 0;
    if (IMRtFieldNum(stream, i, &name, &type, &size, &value) == IM_ERR_NONE)
      printf("  %s (%c, %d bytes) = %s\n", name, type, size, ValueText(type, value, size).c_str());
    free(name);
    free(value);
  }
}

// Reports one file; returns true when it could be opened.
bool ReportFile(const char* path) {
  int stream = 0;
  int rc = IMOpen2(&stream, path, "ro");
  if (rc != IM_ERR_NONE && rc != IM_ERR_READ_EXT_HEADER) {
    fflush(stdout);
    fprintf(stderr, "imreport: %s: %s (code %d)\n", path, IMRtErrorText(rc), rc);
    return false;
  }
  IMReportInfo(stream);
  int type = 0, size = 0, nint = 0, nreal = 0;
  IMRtExHdrInfo(stream, &type, &size, &nint, &nreal);
  printf("Extended Header Values per Section....\t%d integers, %d floats\n", nint, nreal);
  PrintFields(stream);
  if (rc == IM_ERR_READ_EXT_HEADER) {
    fflush(stdout);
    fprintf(stderr, "imreport: %s: %s (code %d)\n", path, IMRtErrorText(rc), rc);
  }
  IMClose(stream);
  fflush(stdout);
  return rc == IM_ERR_NONE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: imreport FILE...\n");
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i)
    if (!ReportFile(argv[i])) status = 1;
  return status;
}
