// The pixel data type table: bytes per pixel and the type's text.
#include "stream.h"

namespace imlib {

int BytesPerPixelOf(int mode) {
  switch (mode) {
    case IM_BYTE: return 1;
    case IM_SHORT: return 2;
    case IM_FLOAT: return 4;
    case IM_COMPLEX_SHORT: return 4;
    case IM_COMPLEX_FLOAT: return 8;
    case IM_USHORT: return 2;
    case IM_LONG: return 4;
    case IM_DOUBLE: return 8;
    default: return 0;
  }
}

int AssumedBytesPerPixel(int mode) {
  int bytes = BytesPerPixelOf(mode);
  return bytes != 0 ? bytes : 2;
}

const char* PixelTypeText(int mode) {
  switch (mode) {
    case IM_BYTE: return "1 byte integer";
    case IM_SHORT: return "2 byte signed integer";
    case IM_FLOAT: return "4 byte floating-point";
    case IM_COMPLEX_SHORT: return "2 byte integer complex";
    case IM_COMPLEX_FLOAT: return "4 byte floating-point complex";
    case IM_USHORT: return "2 byte unsigned integer";
    case IM_LONG: return "4 byte signed integer";
    case IM_DOUBLE: return "8 byte floating-point";
    default: return "unknown";
  }
}

}  // namespace imlib
