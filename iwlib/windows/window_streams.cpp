// Window entries used by the image file library for window streams.
//
// No window registry is attached to this process yet, so every lookup
// answers "not attached": no header, no window, failed transfers. The
// answers are the ordinary failure values of each entry, so the image file
// library reports its own window codes (803, 808, 807 ...) unchanged.
#include "iwlib.h"

#include <cstdio>

extern "C" {

IWWindowImage* isimopen_(const int* window, const char* attribute) {
  (void)window;
  (void)attribute;
  // The first window open of a process attaches to the arena; there is none.
  fprintf(stderr, "-- Could not attach!\n");
  return nullptr;
}

int IWisWinExist(int window) {
  (void)window;
  return 0;
}

int IWRtWinListSize(void) { return 0; }

int IWRtWinInUse(int window) {
  (void)window;
  return 0;
}

int IWWinHeaderChanged(int window) {
  (void)window;
  return -1;
}

int IWWinSectionCountChanged(int window, int sections) {
  (void)window;
  (void)sections;
  return -1;
}

void* IWWinAllocExtHeader(int window, int64_t size) {
  (void)window;
  (void)size;
  return nullptr;
}

void IWWinFreeExtHeader(int window, void* address) {
  (void)window;
  (void)address;
}

int isirdpas_(const int* window, void* buffer, const int* buf_cols, const int* buf_rows,
              const int* x0, const int* x1, const int* y0, const int* y1, const int* z,
              const int* w, const int* t, const int* p, const int* keep_mode) {
  (void)window, (void)buffer, (void)buf_cols, (void)buf_rows, (void)x0, (void)x1;
  (void)y0, (void)y1, (void)z, (void)w, (void)t, (void)p, (void)keep_mode;
  return -1;
}

int isiwrpas_(const int* window, const void* buffer, const int* buf_cols, const int* buf_rows,
              const int* x0, const int* x1, const int* y0, const int* y1, const int* z,
              const int* w, const int* t, const int* p, const int* keep_mode,
              const int* display) {
  (void)window, (void)buffer, (void)buf_cols, (void)buf_rows, (void)x0, (void)x1;
  (void)y0, (void)y1, (void)z, (void)w, (void)t, (void)p, (void)keep_mode, (void)display;
  return -1;
}

}  // extern "C"
