// Header accessors for the raw header image and extended header bytes, the
// display flags, the window number, and the calls that are not supported.
#include <cstring>

#include "accessor_support.h"

using namespace imlib;

namespace {

void ApplyDisplayFlag(Stream* s) {
  s->display = DefaultDisplayFlag();
  if (s->kind == kWindowStream) IWWinHeaderChanged(s->window);
}

}  // namespace

extern "C" {

int IMRtSym(int number, int* size, void* buffer) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtSym", number, &rc);
  if (!s) return rc;
  if (size) *size = int(s->ext_size);
  if (buffer && s->ext && s->ext_size > 0) memcpy(buffer, s->ext, size_t(s->ext_size));
  return IM_ERR_NONE;
}

int IMAlSym(int number, int size, const void* data) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlSym", number, &rc);
  if (!s) return rc;
  if (size < 1 || size > s->ext_size || !s->ext || !data) {
    PrintError("IMAlSym %d: error altering symmetry information.\n", number);
    return IM_ERR_SYMMETRY;
  }
  memcpy(s->ext, data, size_t(size));
  ReadAllFields(s);
  return IM_ERR_NONE;
}

int IMAlDis2(int number, int display) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMAlDis2", number, &rc);
  if (!s) return rc;
  s->display = display;
  return IM_ERR_NONE;
}

int IMAlDis(int display) {
  PrintError("IMAlDis: use IMAlDis2(iStream,iWinDisplayFlag) instead.\n");
  SetDefaultDisplayFlag(display);
  ForEachOpenStream(ApplyDisplayFlag);
  return IM_ERR_NONE;
}

int IMRtWID(int number) {
  if (number < 0) return -1;
  Stream* s = PeekStream(number);
  if (!s || s->kind != kWindowStream) return 0;
  return s->window;
}

int IMRtHdr(int number, void* header) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtHdr", number, &rc);
  if (!s || !s->header) {
    PrintError("IMRtHdr %d: invalid stream.\n", number);
    return rc != IM_ERR_NONE ? rc : IM_ERR_NEW_HEADER;
  }
  RefreshFromWindow(s);
  BuildHeader(s);
  if (header) memcpy(header, s->header, IM_HEADER_BYTES);
  return IM_ERR_NONE;
}

int IMAlHdr(int number, const void* header) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMAlHdr", number, &rc);
  if (!s) return rc;
  if (!header) return IM_ERR_NEW_HEADER;
  if (!s->header) {
    s->own_header.assign(IM_HEADER_BYTES, 0);
    s->header = s->own_header.data();
  }
  memmove(s->header, header, IM_HEADER_BYTES);
  // The caller's header may be in either byte order; the stream's pixels
  // keep the order of its file.
  int was_swapped = s->swapped;
  DetectByteOrder(s);
  s->swapped = was_swapped;
  ParseHeader(s);
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMRtExt(int number) {
  (void)number;
  PrintError("IMRtExt: function not supported.\n");
  return IM_ERR_UNSUPPORTED;
}

int IMAlTltRot(int number) {
  (void)number;
  PrintError("IMAlTltRot: function not supported.\n");
  return IM_ERR_UNSUPPORTED;
}

int IMClLim(int number) {
  (void)number;
  PrintError("IMClLim: unsupported function.\n");
  return IM_ERR_UNSUPPORTED;
}

int IMInterp(int number) {
  (void)number;
  PrintError("IMInterp: unsupported function.\n");
  return IM_ERR_UNSUPPORTED;
}

}  // extern "C"
