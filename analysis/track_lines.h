// How a piece of a track file is classified. Both track file readers use
// these rules, so that they agree on which lines are header and which events.
//
//   "##..."             ends the header; consumed and not interpreted
//   "#..." or "!..."    header (comment) line: may carry one key
//   more than 10 chars  event line (the line end counts as a character)
//   anything else       ignored
#pragma once

#include <cstddef>
#include <cstring>

namespace analysis {

// Event lines are longer than this many characters.
constexpr size_t kShortLineMax = 10;

inline bool IsHeaderEnd(const char* text) { return text[0] == '#' && text[1] == '#'; }
inline bool IsCommentLine(const char* text) { return text[0] == '#' || text[0] == '!'; }
inline bool IsEventLine(const char* text, size_t length) {
  return length > kShortLineMax && !IsCommentLine(text);
}

// The text right after `key` in a header line, or nullptr when the line does
// not contain the key.
inline const char* AfterKey(const char* line, const char* key) {
  const char* found = std::strstr(line, key);
  return found ? found + std::strlen(key) : nullptr;
}

}  // namespace analysis
