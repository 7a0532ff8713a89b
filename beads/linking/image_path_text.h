// The image path as it stands on the track file's IMAGE lines.
//
// The application finds header keys anywhere in a header line and reads a
// line in pieces of at most 199 characters, so a path must neither contain
// a key nor make a line longer than that. The path is therefore written with
// these bytes as %XX (two upper-case hex digits): '%', every byte below 0x20
// and 0x7F, every '_' (each reader key but UNITS contains one) and the 'U'
// that begins "UNITS"; and it is cut into chunks: "# IMAGE <chunk>" and as
// many "# IMAGE+ <chunk>" lines as needed, none longer than 198 characters
// before its line end and no %XX cut in two. Decoding joins the chunks and
// replaces each %XX by its byte.
#pragma once

#include <string>
#include <vector>

namespace linking {

// The header lines (each with its line end) that carry path.
std::vector<std::string> ImagePathLines(const std::string& path);

// The path from the values of the IMAGE and IMAGE+ lines, in order.
std::string DecodeImagePath(const std::vector<std::string>& chunks);

}  // namespace linking
