// Encoding of the image path on track file header lines (see
// image_path_text.h).
#include "image_path_text.h"

#include <cstring>

#include "iwbase.h"

namespace linking {

namespace {

constexpr size_t kMaxLineBeforeEnd = 198;  // characters before '\n' in a 199-character piece

bool NeedsEscape(const std::string& path, size_t k) {
  const unsigned char c = static_cast<unsigned char>(path[k]);
  if (c == '%' || c == '_' || c < 0x20 || c == 0x7F) return true;
  return c == 'U' && path.compare(k, 5, "UNITS") == 0;
}

}  // namespace

std::vector<std::string> ImagePathLines(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  // Encoded tokens: one per byte of the path, "%XX" or the byte itself.
  std::vector<std::string> tokens;
  tokens.reserve(path.size());
  for (size_t k = 0; k < path.size(); ++k) {
    if (NeedsEscape(path, k)) {
      const unsigned char c = static_cast<unsigned char>(path[k]);
      tokens.push_back({'%', kHex[c >> 4], kHex[c & 15]});
    } else {
      tokens.emplace_back(1, path[k]);
    }
  }
  std::vector<std::string> lines;
  std::string line = "# IMAGE ";
  for (const std::string& token : tokens) {
    if (line.size() + token.size() > kMaxLineBeforeEnd) {
      lines.push_back(line + "\n");
      line = "# IMAGE+ ";
    }
    line += token;
  }
  lines.push_back(line + "\n");
  return lines;
}

std::string DecodeImagePath(const std::vector<std::string>& chunks) {
  std::string joined;
  for (const std::string& c : chunks) joined += c;
  std::string path(joined.size(), '\0');
  path.resize(IWPercentDecode(joined.data(), joined.size(), path.data()));
  return path;
}

}  // namespace linking
