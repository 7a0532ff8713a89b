// Reader of the localization file (docs/localization-file.md): the header
// keys the linking needs and every event line, streamed in blocks so that a
// file of millions of lines costs little more than parsing its numbers.
//
// Header: lines beginning with '#' (or '!') before the first event line; the
// first word after '#' is the key, the rest of the line its value. "##" ends
// the header. Keys after the first event line are not read. Unknown keys are
// ignored; a known key with a value that is not a number is an error.
// Events: 7 to 10 white-space separated numbers (frame, photons, y,
// y_precision, x, x_precision, background[, psf_sigma[, track[,
// fit_quality]]]); the input's track column is ignored. Blank lines and
// later comment lines are skipped. Everything else is an error reported
// with its line number.
#pragma once

#include <string>

#include "session.h"

namespace linking {

// Longest line accepted, characters.
constexpr size_t kMaxLocalizationLine = 65536;
// Most frames a series may have.
constexpr int kMaxFrames = 100000000;

// Fills s (series, image, events) from the file. Returns LINKING_OK,
// LINKING_ERR_READ, LINKING_ERR_FORMAT, LINKING_ERR_CANCELED or
// LINKING_ERR_MEMORY, with *message set on failure.
int ReadLocalizationFile(const char* path, const volatile sig_atomic_t* stop,
                         LinkingSession* s, std::string* message);

// Checks a series and its events as they would be linked (pixel sizes,
// time range, frames of the events) and sets s->frames; used by both ways
// of loading.
int ValidateSeries(LinkingSession* s, bool have_time_range, std::string* message);

}  // namespace linking
