// frame_interval.cpp - reading the frame interval of an image (see
// frame_interval.h).
#include "frame_interval.h"

#include <cmath>

#include "imlib.h"

double ImageFrameInterval(const char* image, FrameIntervalSource* source) {
  double seconds = 0;
  int stream = 0;
  if (IMOpen2(&stream, image, "ro") == 0) {
    if (IMRtFieldDouble(stream, "FRAME_INTERVAL", &seconds) != 0) seconds = 0;
    IMClose(stream);
  }
  if (seconds > 0 && std::isfinite(seconds)) {
    *source = FrameIntervalSource::kImage;
    return seconds;
  }
  *source = FrameIntervalSource::kAssumed;
  return 1.0;
}

const char* FrameIntervalSourceName(FrameIntervalSource source) {
  switch (source) {
    case FrameIntervalSource::kOption:
      return "option";
    case FrameIntervalSource::kImage:
      return "image";
    case FrameIntervalSource::kAssumed:
      break;
  }
  return "assumed";
}
