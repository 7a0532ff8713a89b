// The status file the bead localization program rewrites while it runs: a
// first line with the percentage done and a second line with the text to
// show in the status line.
#pragma once

#include <string>

// Reads the two lines of the status file at `path`: the percentage (a real
// number, truncated, clamped to 0 to 100) and the message (at most 98 characters, line end
// dropped; empty when the file has no second line). False when the file
// cannot be opened or is empty.
bool ReadStatusFile(const char* path, int* progress, std::string* message);
