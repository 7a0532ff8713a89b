/*
 * iwlib.h - public header of the image window layer.
 *
 * The image window layer keeps images in numbered windows in the user's
 * shared arena, shown by Monitor display processes, and reaches images of
 * the image database. This header declares the entries through which the
 * image file library opens, reads and writes such images as streams.
 *
 * Until the window registry exists these entries answer "no window layer
 * attached": window lookups return no header, existence checks say no,
 * region transfers fail and every database call fails its connection check.
 * None of them touches shared memory. Callers must treat these answers as
 * ordinary failures; a program that opens only image files never calls them.
 *
 * Conventions: window calls return 1 (or an address) for success and -1
 * (or NULL) for failure; database calls return 0 for success. Names that
 * end in an underscore take every argument by address (bindings for
 * callers in other languages).
 */
#ifndef TREMOSCAN_IWLIB_H
#define TREMOSCAN_IWLIB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Highest image window number that a stream name can denote. */
#define IW_MAX_WINDOW_NUMBER 1023

/*
 * What a window holds for the image file library: the 1024-byte image
 * header in file layout (host byte order), followed by the window's own
 * stream position, the statistics it shows and its extended header.
 */
typedef struct IWWindowImage {
  unsigned char header[1024]; /* image header image, same layout as on disk */
  int32_t column;             /* current column of the window's stream position */
  int32_t line;               /* current line (row) within the section */
  int32_t z;                  /* current focal section, from 0 */
  int32_t w;                  /* current wavelength, from 0 */
  int32_t t;                  /* current time point, from 0 */
  int32_t p;                  /* current panel, from 0 */
  int32_t section;            /* section number that z, w, t, p make */
  float wave_min[5];          /* minimum intensity per wavelength */
  float wave_max[5];          /* maximum intensity per wavelength */
  float wave_mean[5];         /* mean intensity per wavelength */
  int32_t num_panels;         /* NP as the window shows it */
  int32_t ext_header_size;    /* bytes of the extended header below */
  void* ext_header;           /* extended header in the shared arena, or NULL */
} IWWindowImage;

/* Window header lookup: the window's image record for a window number and an
 * open attribute ("new", "old", "ro", "scratch"), or NULL on failure. */
IWWindowImage* isimopen_(const int* window, const char* attribute);

/* 1 when the window exists, else 0. */
int IWisWinExist(int window);

/* Number of slots of the window list (0 when no window layer is attached),
 * and whether a slot is in use (1) or not (0). */
int IWRtWinListSize(void);
int IWRtWinInUse(int window);

/* Tell the window that the library stored new header values into its image
 * record (for example sizes, statistics, titles) or a new section count.
 * Return 1, or -1 when the window cannot take them. */
int IWWinHeaderChanged(int window);
int IWWinSectionCountChanged(int window, int sections);

/* Extended header memory of a window: zeroed shared memory registered with
 * the window, or NULL; freed with IWWinFreeExtHeader. */
void* IWWinAllocExtHeader(int window, int64_t size);
void IWWinFreeExtHeader(int window, void* address);

/* Region read: copies columns x0..x1 of rows y0..y1 of section (z, w, t, p)
 * into a buffer of buf_cols x buf_rows elements; floats unless keep_mode is
 * non-zero, then the window's own pixel type. Returns 1 or -1. */
int isirdpas_(const int* window, void* buffer, const int* buf_cols, const int* buf_rows,
              const int* x0, const int* x1, const int* y0, const int* y1, const int* z,
              const int* w, const int* t, const int* p, const int* keep_mode);

/* Region write: the reverse of isirdpas_; display non-zero asks the window
 * to redraw. Returns 1 or -1. */
int isiwrpas_(const int* window, const void* buffer, const int* buf_cols, const int* buf_rows,
              const int* x0, const int* x1, const int* y0, const int* y1, const int* z,
              const int* w, const int* t, const int* p, const int* keep_mode,
              const int* display);

/* Database images (names beginning "dme:"). */
int IWDMEOpenImage(const char* path, int open_mode); /* 0 when selected, -1 otherwise */
int IWDMEGetHeader(void* buffer);                    /* 1024 bytes; 0 or -1 */
int IWDMEGetExtHeader(void* buffer);                 /* extended header bytes; 0 or -1 */
int IWDMESetSection(int z, int wavelength, int time_point); /* always 0 */
int IWDMEGetSection(void* buffer); /* 0 read, 1 client failure, -1 no connection */

#ifdef __cplusplus
}
#endif

#endif /* TREMOSCAN_IWLIB_H */
