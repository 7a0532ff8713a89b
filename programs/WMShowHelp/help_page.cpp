// help_page.cpp - see help_page.h.
#include "help_page.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "help_links.h"

namespace helpviewer {
namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Position of `needle` in `hay` at or after `from`, ignoring ASCII case.
size_t FindIgnoringCase(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.size() > hay.size()) return std::string_view::npos;
  for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && Lower(hay[i + k]) == Lower(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

bool HasSuffixIgnoringCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() &&
         FindIgnoringCase(s, suffix, s.size() - suffix.size()) != std::string_view::npos;
}

std::string EscapeHtml(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A file name as a link target: the characters that links give a meaning
// to ('%', '#', '?', blanks) are escaped so the name comes back unchanged.
std::string EscapeForHref(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '%' || c == '#' || c == '?' || std::isspace(u)) {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string FoldWhiteSpace(std::string_view text) {
  std::string out;
  bool pending_blank = false;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      pending_blank = !out.empty();
      continue;
    }
    if (pending_blank) out += ' ';
    pending_blank = false;
    out += c;
  }
  return out;
}

bool LooksBinary(std::string_view text) {
  return text.substr(0, 4096).find('\0') != std::string_view::npos;
}

}  // namespace

ImageFormat SniffImageFormat(std::string_view head) {
  if (StartsWith(head, "GIF87a") || StartsWith(head, "GIF89a")) return ImageFormat::kGif;
  if (StartsWith(head, "\xFF\xD8\xFF")) return ImageFormat::kJpeg;
  if (StartsWith(head, "\x89PNG\r\n\x1A\n")) return ImageFormat::kPng;
  size_t first = head.find_first_not_of(" \t\r\n");
  if (first != std::string_view::npos && StartsWith(head.substr(first), "/* XPM */"))
    return ImageFormat::kXpm;
  return ImageFormat::kUnknown;
}

ImageFormat SniffImageFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return ImageFormat::kUnknown;
  char head[64];
  in.read(head, sizeof head);
  return SniffImageFormat(std::string_view(head, static_cast<size_t>(in.gcount())));
}

bool IsShowableImage(ImageFormat format) {
  return format == ImageFormat::kGif || format == ImageFormat::kJpeg ||
         format == ImageFormat::kXpm;
}

std::string DecodeEntities(std::string_view text) {
  static const struct {
    const char* name;
    char value;
  } kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''},
                {"nbsp", ' '}};
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    size_t semi = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
    if (semi == std::string_view::npos || semi - i > 8) {
      out += text[i];
      continue;
    }
    std::string_view name = text.substr(i + 1, semi - i - 1);
    int value = -1;
    if (name.size() > 1 && name[0] == '#') {
      bool hex = name[1] == 'x' || name[1] == 'X';
      std::string digits(name.substr(hex ? 2 : 1));
      char* end = nullptr;
      long v = digits.empty() ? -1 : strtol(digits.c_str(), &end, hex ? 16 : 10);
      if (end && *end == '\0' && v > 0 && v < 256) value = static_cast<int>(v);
    } else {
      for (const auto& entry : kNamed)
        if (name == entry.name) value = static_cast<unsigned char>(entry.value);
    }
    if (value < 0) {
      out += text[i];
      continue;
    }
    out += static_cast<char>(value);
    i = semi;
  }
  return out;
}

std::string ExtractTitle(std::string_view html) {
  size_t open = 0;
  while ((open = FindIgnoringCase(html, "<title", open)) != std::string_view::npos) {
    // "<titles>" or "<title-bar>" is some other tag.
    char next = open + 6 < html.size() ? html[open + 6] : '\0';
    if (next == '>' || std::isspace(static_cast<unsigned char>(next))) break;
    open += 6;
  }
  if (open == std::string_view::npos) return {};
  size_t start = html.find('>', open);
  if (start == std::string_view::npos) return {};
  ++start;
  size_t end = FindIgnoringCase(html, "</title", start);
  if (end == std::string_view::npos) return {};
  return FoldWhiteSpace(DecodeEntities(html.substr(start, end - start)));
}

bool ReadHelpPage(const std::string& path, HelpPage* page, std::string* error) {
  char resolved[PATH_MAX];
  struct stat st;
  if (!realpath(path.c_str(), resolved) || stat(resolved, &st) != 0) {
    *error = strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *error = "it is a directory, not a help page";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    *error = "it is not a regular file";
    return false;
  }
  if (static_cast<unsigned long long>(st.st_size) > kMaxPageBytes) {
    *error = "the file is too large for a help page";
    return false;
  }
  std::ifstream in(resolved, std::ios::binary);
  if (!in) {
    *error = strerror(errno ? errno : EACCES);
    return false;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = "read error";
    return false;
  }

  page->path = resolved;
  std::string name = BaseNameOf(page->path);
  page->mime = "text/html";
  if (HasSuffixIgnoringCase(name, ".htm") || HasSuffixIgnoringCase(name, ".html")) {
    page->text = std::move(text);
    page->title = ExtractTitle(page->text);
    if (page->title.empty()) page->title = name;
    return true;
  }

  ImageFormat format = SniffImageFormat(text);
  if (IsShowableImage(format)) {
    page->title = name;
    page->text = "<html><head><title>" + EscapeHtml(name) + "</title></head><body><p><img src=\"" +
                 EscapeHtml(EscapeForHref(name)) + "\" alt=\"" + EscapeHtml(name) +
                 "\"></p></body></html>";
    return true;
  }
  if (format == ImageFormat::kPng) {
    *error = "PNG pictures cannot be shown; use GIF, JPEG or XPM";
    return false;
  }
  if (LooksBinary(text)) {
    *error = "it is neither a help page nor a text file";
    return false;
  }
  page->mime = "text/plain";
  page->title = name;
  page->text = std::move(text);
  return true;
}

}  // namespace helpviewer
