// help_links.cpp - see help_links.h.
#include "help_links.h"

#include <cctype>
#include <vector>

#include "iwbase.h"

namespace helpviewer {
namespace {

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return IWEqualsIgnoringCase(a.data(), a.size(), b.data(), b.size()) != 0;
}

// The URL scheme of `href` ("http" for "http://x"), or empty when the text
// is a plain path. A colon after the first '/', '?' or '#' belongs to the
// path, not to a scheme.
std::string_view SchemeOf(std::string_view href) {
  size_t colon = href.find(':');
  if (colon == std::string_view::npos || colon == 0) return {};
  if (!std::isalpha(static_cast<unsigned char>(href[0]))) return {};
  for (size_t i = 1; i < colon; ++i) {
    unsigned char c = static_cast<unsigned char>(href[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return {};
  }
  return href.substr(0, colon);
}

LinkTarget External(std::string_view href) {
  LinkTarget t;
  t.kind = LinkKind::kExternal;
  t.url = std::string(href);
  return t;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out(text.size(), '\0');
  out.resize(IWPercentDecode(text.data(), text.size(), out.data()));
  return out;
}

std::string NormalisePath(std::string_view path, std::string_view base_dir) {
  std::string joined;
  if (!path.empty() && path.front() == '/') {
    joined = std::string(path);
  } else {
    joined = std::string(base_dir);
    joined += '/';
    joined += path;
  }
  std::vector<std::string_view> segments;
  std::string_view rest = joined;
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string_view seg = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
    if (seg.empty() || seg == ".") continue;
    if (seg == "..") {
      if (!segments.empty()) segments.pop_back();
      continue;
    }
    segments.push_back(seg);
  }
  std::string out;
  for (std::string_view seg : segments) {
    out += '/';
    out += seg;
  }
  return out.empty() ? "/" : out;
}

std::string DirectoryOf(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string BaseNameOf(std::string_view path) {
  size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

namespace {

// ResolveLink without its last step: a path that names the current page
// stays a kLocalFile.
LinkTarget ResolveAsFile(std::string_view href, std::string_view current_page) {
  href = Trim(href);
  LinkTarget target;
  if (href.empty()) return target;

  std::string_view rest = href;
  std::string_view scheme = SchemeOf(href);
  if (!scheme.empty()) {
    if (!EqualsIgnoringCase(scheme, "file")) return External(href);
    rest = href.substr(scheme.size() + 1);
    if (rest.substr(0, 2) == "//") {
      // file://host/path: only this machine's files can be shown.
      std::string_view after = rest.substr(2);
      size_t slash = after.find('/');
      std::string_view host = after.substr(0, slash);
      if (!host.empty() && !EqualsIgnoringCase(host, "localhost")) return External(href);
      rest = slash == std::string_view::npos ? std::string_view("/") : after.substr(slash);
    }
  }

  size_t hash = rest.find('#');
  if (hash != std::string_view::npos) {
    target.fragment = PercentDecode(rest.substr(hash + 1));
    rest = rest.substr(0, hash);
  }
  // A query means nothing to a file on disk.
  rest = rest.substr(0, rest.find('?'));

  if (rest.empty()) {
    target.kind = LinkKind::kJump;
    return target;
  }
  target.path = NormalisePath(PercentDecode(rest), DirectoryOf(current_page));
  target.kind = LinkKind::kLocalFile;
  return target;
}

}  // namespace

LinkTarget ResolveLink(std::string_view href, std::string_view current_page) {
  LinkTarget target = ResolveAsFile(href, current_page);
  if (target.kind == LinkKind::kLocalFile && target.path == current_page) {
    target.kind = LinkKind::kJump;
    target.path.clear();
  }
  return target;
}

std::string ResolvePicturePath(std::string_view src, std::string_view current_page) {
  LinkTarget target = ResolveAsFile(src, current_page);
  return target.kind == LinkKind::kLocalFile ? target.path : std::string();
}

}  // namespace helpviewer
