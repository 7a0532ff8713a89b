// frame_interval.h - the time between the frames of an input image, for the
// batch command's frequencies and rates.
#pragma once

// Where the frame interval came from.
enum class FrameIntervalSource { kOption, kImage, kAssumed };

// Seconds between frames: the named field FRAME_INTERVAL of the image when
// it holds a positive one (*source kImage), else 1 second (*source
// kAssumed). The image format keeps no time per section, so the field is
// the only time base an image carries.
double ImageFrameInterval(const char* image, FrameIntervalSource* source);

// The text naming a source in the summary and the JSON report.
const char* FrameIntervalSourceName(FrameIntervalSource source);
