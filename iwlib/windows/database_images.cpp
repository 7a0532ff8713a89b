// Database images ("dme:" names) as the image file library reads them.
//
// Every database entry first checks its connection to the database session.
// No database client is attached to this process yet, so the check fails
// with its message and each entry returns its failure value.
#include "iwlib.h"

#include <cstdio>

namespace {

// The connection check that precedes every database request.
int CheckDatabaseSession() {
  fprintf(stderr, "IWDMEAccess: Couldn't attach to Database session\n");
  return -1;
}

}  // namespace

extern "C" {

int IWDMEOpenImage(const char* path, int open_mode) {
  (void)path;
  (void)open_mode;
  return CheckDatabaseSession();
}

int IWDMEGetHeader(void* buffer) {
  (void)buffer;
  return CheckDatabaseSession();
}

int IWDMEGetExtHeader(void* buffer) {
  (void)buffer;
  return CheckDatabaseSession();
}

int IWDMESetSection(int z, int wavelength, int time_point) {
  (void)z;
  (void)wavelength;
  (void)time_point;
  return 0;
}

int IWDMEGetSection(void* buffer) {
  (void)buffer;
  return CheckDatabaseSession();
}

}  // extern "C"
