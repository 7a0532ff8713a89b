// The frame pipeline: the calling thread reads frames and writes results
// in frame order; worker threads detect and fit. At most `slots` frames
// (threads + 2: one per worker, one being read, one waiting to be written)
// are in memory at any time, whatever the series length.
//
// Slot states: free -> loaded [reader] -> done [worker] -> free [writer,
// after the frame's localizations are written]. Frames are loaded in
// order into slot (frame % slots) and written in order, so a slot is free
// again before the frame that reuses it is read.
#pragma once

#include <csignal>
#include <string>

#include "beads.h"
#include "image_source.h"
#include "localization_writer.h"
#include "status_file.h"

namespace orbi {

struct PipelineConfig {
  int threads;                      // worker threads
  BeadsLocalizerOptions localizer;  // per-frame localization
};

// Runs every frame; returns 0 or an exit status with the reason. Stops
// between frames when *stop becomes non-zero (exit status 2).
int RunPipeline(ImageSource* source, LocalizationWriter* writer, StatusFile* status,
                const PipelineConfig& config, const volatile std::sig_atomic_t* stop,
                std::string* reason);

}  // namespace orbi
