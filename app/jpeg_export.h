// jpeg_export.h - "Save as JPEG...": a picture of the whole main window,
// charts, status line and buttons included, in a JPEG file the user names.
#pragma once

#include <X11/Intrinsic.h>

#include "vibration_app.h"

// The temporary window dump the export converts (deleted afterwards).
constexpr const char* kJpegDumpFile = "/tmp/km_plot.xwd";

// The button callback: shows the time of the export in the status line,
// then exports the main window.
void SaveWindowAsJpeg(VibrationApp* app);

// Asks for a file name (asking again while the user declines to overwrite
// an existing file) and writes the JPEG picture of `widget`'s window.
// Nothing is written when the user cancels.
void ExportWindowJpeg(Widget widget);

// The name the export proposes for the input `input` (a buffer of
// kPathBufferSize bytes): "VibrationGraph.jpg" with no input, else the
// input without its last extension followed by "_KM.jpg".
void ProposedJpegName(const char* input, char* proposed);
