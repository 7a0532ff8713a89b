// Writer of the track file (docs/track-file.md): "#" header lines with the
// keys the application reads, the "##" column line, then one 10-field event
// line per event in frame order (within a frame: by track number, events in
// no track last), positions in pixels.
//
// The file is written under "<path>.partial" + six unique characters
// (created exclusively, so a planted link cannot redirect it) and renamed
// over the path only when complete; on failure or interruption the partial file is
// removed, so the path holds either its old contents or a whole file.
#pragma once

#include <string>

#include "session.h"

namespace linking {

// Returns LINKING_OK, LINKING_ERR_WRITE or LINKING_ERR_CANCELED (with
// *message on failure).
int WriteTrackFile(const LinkingSession& s, const LinkingParameters& parameters,
                   const char* path, const volatile sig_atomic_t* stop, std::string* message);

}  // namespace linking
