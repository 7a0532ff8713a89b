// help_page.h - reading a help page from disk and what the viewer needs to
// know about it before showing it: its text, how to render it and its title.
//
// A page is an .htm/.html file. Other files reached through a link are
// shown when the widget can show them safely: GIF, JPEG and XPM pictures
// (wrapped in a one-image page) and plain text. Everything else is refused
// with a reason, so the viewer never hands the widget data it may crash on
// (PNG decoding in the HTML widget is one such case).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace helpviewer {

enum class ImageFormat { kUnknown, kGif, kJpeg, kXpm, kPng };

// The picture format that the leading bytes of a file announce.
ImageFormat SniffImageFormat(std::string_view head);
// The format of the file at `path`; kUnknown when it cannot be read.
ImageFormat SniffImageFile(const std::string& path);
// True for the formats the viewer lets the HTML widget decode.
bool IsShowableImage(ImageFormat format);

// Pages larger than this are refused: help pages are a few kilobytes, and a
// huge file named by mistake must not freeze the viewer.
inline constexpr size_t kMaxPageBytes = 8u << 20;

struct HelpPage {
  std::string path;   // absolute path with symbolic links resolved
  std::string text;   // what the widget gets: HTML or plain text
  std::string mime;   // "text/html" or "text/plain"
  std::string title;  // the <title>, or the file name when the page has none
};

// Reads the file at `path` into `page`. On failure returns false and sets
// `error` to a one-line reason (no file name in it).
bool ReadHelpPage(const std::string& path, HelpPage* page, std::string* error);

// The text of the first <title> element, with character references decoded
// and runs of white space folded into one blank; empty when there is none.
std::string ExtractTitle(std::string_view html);

// Decodes the character references the suite's pages use: &amp; &lt; &gt;
// &quot; &apos; &nbsp; and numeric ones below 256. Others stay as written.
std::string DecodeEntities(std::string_view text);

}  // namespace helpviewer
