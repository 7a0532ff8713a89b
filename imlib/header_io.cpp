// Reading and writing the main header of a stream (IMRdHdr2, IMWrHdr2 and
// their classic forms), the image file check and the file ID probe, and the
// exchange of header values between a window stream and its window.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "stream.h"

namespace imlib {

void RefreshFromWindow(Stream* s) {
  if (s->kind != kWindowStream || !s->window_image) return;
  ParseHeader(s);
  for (int w = 0; w < 5; ++w) {
    s->wave_min[w] = s->window_image->wave_min[w];
    s->wave_max[w] = s->window_image->wave_max[w];
    s->wave_mean[w] = s->window_image->wave_mean[w];
  }
}

void PushToWindow(Stream* s) {
  if (s->kind != kWindowStream || !s->window_image) return;
  BuildHeader(s);
  for (int w = 0; w < 5; ++w) {
    s->window_image->wave_min[w] = s->wave_min[w];
    s->window_image->wave_max[w] = s->wave_max[w];
    s->window_image->wave_mean[w] = s->wave_mean[w];
  }
  s->window_image->num_panels = s->np;
  IWWinHeaderChanged(s->window);
}

}  // namespace imlib

using namespace imlib;

extern "C" {

int IMRdHdr2(int number) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRdHdr2", number, &rc);
  if (!s) return rc;
  if (s->kind == kWindowStream) {
    if (!s->window_image) return IM_ERR_WINDOW_NOT_OPEN;
    RefreshFromWindow(s);
    s->column = s->window_image->column;
    s->line = s->window_image->line;
    s->z = s->window_image->z;
    s->w = s->window_image->w;
    s->t = s->window_image->t;
    s->p = s->window_image->p;
    s->section = s->window_image->section;
    return IM_ERR_NONE;
  }
  if (s->io_mode != kDatabase && !s->file && s->fd < 0) {
    PrintError("IMRdHdr2 %d: stream not opened yet.\n", number);
    return IM_ERR_FILE_NOT_OPENED_YET;
  }
  if (!s->header) {
    try {
      s->own_header.assign(IM_HEADER_BYTES, 0);
    } catch (const std::bad_alloc&) {
      PrintError("IMRdHdr2 %d: memory allocation problem.\n", number);
      return IM_ERR_ALLOC;
    }
    s->header = s->own_header.data();
  }
  if (s->io_mode == kDatabase) {
    if (IWDMEGetHeader(s->header) != 0) return IM_ERR_READ_HEADER;
  } else {
    if (SeekAbsolute(s, 0) != 0) {
      PrintError("IMRdHdr2: %s\n", strerror(errno));
      return IM_ERR_READ_HEADER2;
    }
    size_t got = RawRead(s, s->header, 1, IM_HEADER_BYTES);
    if (got != IM_HEADER_BYTES) {
      PrintError("IMRdHdr2 %d: only %d bytes found in header.\n", number, int(got));
      return IM_ERR_READ_HEADER;
    }
  }
  s->swapped = 0;
  DetectByteOrder(s);
  ParseHeader(s);
  if (s->io_mode != kDatabase) {
    s->column = s->line = 0;
    rc = IMPosn(number, 0, 0);
  }
  return rc;
}

int IMWrHdr2(int number, int with_ext_header) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMWrHdr2", number, &rc);
  if (!s) return rc;
  if (!s->header) return IM_ERR_NEW_HEADER;
  if (s->kind == kWindowStream) {
    PushToWindow(s);
    return IM_ERR_NONE;
  }
  BuildHeader(s);
  if (s->io_mode == kDatabase || SeekAbsolute(s, 0) != 0) {
    PrintError("%s %d: error positioning stream.\n", "IMWrHdr2", number);
    return IM_ERR_POSITION;
  }
  size_t put = RawWrite(s, s->header, 1, IM_HEADER_BYTES);
  if (put != IM_HEADER_BYTES) {
    PrintError("IMWrHdr2 %d: only %d bytes written to header.\n", number, int(put));
    return IM_ERR_WRITE_HEADER;
  }
  if (with_ext_header && s->next > 0) {
    if (!s->ext) {
      PrintError("IMWrHdr2 %d: ext header buffer is NULL, size is %d.\n", number, s->next);
      return IM_ERR_NO_EXT_HEADER;
    }
    WriteAllFields(s, true);
    int64_t want = s->next;
    int64_t have = s->ext_size < want ? s->ext_size : want;
    int64_t done = int64_t(RawWrite(s, s->ext, 1, size_t(have)));
    // An extended header cut short in the file is completed with zeros so
    // that the pixels stay at 1024 + `next`.
    static const uint8_t zeros[4096] = {};
    while (done == have && have < want) {
      size_t chunk = size_t(want - have < int64_t(sizeof zeros) ? want - have : int64_t(sizeof zeros));
      size_t n = RawWrite(s, zeros, 1, chunk);
      have += int64_t(chunk);
      done += int64_t(n);
    }
    if (done != want) {
      PrintError("IMWrHdr2 %d: only %d bytes written to extended header. Expected %d.\n", number,
                 int(done), int(want));
      return IM_ERR_WRITE_EXT_HEADER;
    }
  }
  // The header and extended header may still sit in the stdio buffer:
  // they are written only when the flush succeeds.
  if (FlushStream(s) != 0) {
    int saved = errno;
    bool ext_written = with_ext_header && s->next > 0;
    PrintError("IMWrHdr2 %d: unable to write the %s to the file.\n", number,
               ext_written ? "header and extended header" : "header");
    PrintSystemError(saved);
    return ext_written ? IM_ERR_WRITE_EXT_HEADER : IM_ERR_WRITE_HEADER;
  }
  return IMPosn(number, 0, 0);
}

int IMWrHdr(int number, const char* title, int title_mode, float min, float max, float mean) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMWrHdr", number, &rc);
  if (!s) return rc;
  RefreshFromWindow(s);
  int slot = -1;
  switch (title_mode) {
    case 0:
      memset(s->titles, 0, sizeof s->titles);
      s->num_titles = 1;
      slot = 0;
      break;
    case 2:
      PrintError("IMWrHdr: add title to top of list not yet supported. Adding to bottom.\n");
      [[fallthrough]];
    case 1: {
      int count = s->num_titles + 1;
      if (count > s->max_titles) count = s->max_titles;
      if (count < 1) {
        PrintError("IMWrHdr: the number of titles appears to be less than 1.\n");
        count = 1;
      }
      s->num_titles = count;
      slot = count - 1;
      break;
    }
    default:
      break;
  }
  if (slot >= 0 && slot < IM_MAX_TITLES) {
    memset(s->titles[slot], 0, IM_TITLE_LENGTH);
    if (title) strncpy(s->titles[slot], title, IM_TITLE_LENGTH - 1);
  }
  s->wave_min[0] = min;
  s->wave_max[0] = max;
  s->wave_mean[0] = mean;
  PushToWindow(s);
  return IMWrHdr2(number, 1);
}

int IMRdHdr(int number, int size[3], int sampling[3], int* pixel_type, float* min, float* max,
            float* mean) {
  int rc = IMRdHdr2(number);
  if (rc != IM_ERR_NONE) return rc;
  Stream* s = PeekStream(number);
  if (size) {
    size[0] = s->nx;
    size[1] = s->ny;
    size[2] = int(SectionCount(s) > 0x7fffffff ? 0x7fffffff : SectionCount(s));
  }
  if (sampling)
    for (int i = 0; i < 3; ++i) sampling[i] = RoundHalfUp(s->sampling[i]);
  if (pixel_type) *pixel_type = s->mode;
  if (min) *min = s->wave_min[0];
  if (max) *max = s->wave_max[0];
  if (mean) *mean = s->wave_mean[0];
  if (VerboseLevel() != 0) IMReportInfo(number);
  return IM_ERR_NONE;
}

int IMRtFileIDFromName(const char* path) {
  if (!path) return -1;
  int fd = open(path, O_RDONLY);
  if (fd < 0) return -1;
  int result = -2;
  if (lseek(fd, 96, SEEK_SET) == 96) {
    int16_t id = 0;
    result = read(fd, &id, 2) == 2 ? int(id) : 0;
  }
  close(fd);
  return result;
}

int IMCheckImageFile(const char* path) {
  if (!path) return IM_ERR_FIND_FILE;
  if (strlen(path) < 3 && *path) {
    char* end = nullptr;
    long v = strtol(path, &end, 10);
    if (end && *end == '\0' && v > 0 && v <= IW_MAX_WINDOW_NUMBER && IWisWinExist(int(v)))
      return IM_ERR_NONE;
  }
  int fd = open(path, O_RDONLY);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return IM_ERR_FIND_FILE;
    if (errno == EACCES) return IM_ERR_READ_ACCESS;
    return IM_ERR_OPEN_FILE;
  }
  uint8_t id[2] = {0, 0};
  bool got = pread(fd, id, 2, 96) == 2;
  close(fd);
  if (got && ((id[0] == 0xA0 && id[1] == 0xC0) || (id[0] == 0xC0 && id[1] == 0xA0)))
    return IM_ERR_NONE;
  return IM_ERR_FILE_ID;
}

}  // extern "C"
