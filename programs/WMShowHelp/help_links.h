// help_links.h - what a link on a help page points at.
//
// The help viewer works offline on the pages of one installation. A link is
// one of: a jump to a named place on the page already shown ("#name"), a
// local file (a relative or absolute path, or a "file:" URL naming this
// machine), or anything else (http, mailto, a file on another host ...),
// which the viewer cannot follow and only reports.
#pragma once

#include <string>
#include <string_view>

namespace helpviewer {

enum class LinkKind {
  kEmpty,      // no target at all (an empty href)
  kJump,       // a place on the current page: `fragment` (empty: the top)
  kLocalFile,  // another local file: `path`, then the place `fragment`
  kExternal,   // not reachable from here: `url` is the href as written
};

struct LinkTarget {
  LinkKind kind = LinkKind::kEmpty;  // what the link points at
  std::string path;      // kLocalFile: absolute, normalised path of the file
  std::string fragment;  // kJump, kLocalFile: anchor name after '#', decoded
  std::string url;       // kExternal: the link text, trimmed
};

// Resolves `href` as written on the page `current_page` (an absolute,
// normalised path). A link to the current page itself becomes a jump.
LinkTarget ResolveLink(std::string_view href, std::string_view current_page);

// The local file that the picture reference `src` on `current_page` names
// (which may be the page itself, for a picture shown on its own), or empty
// when it names none the viewer can read: another host, a URL, a bare
// "#name".
std::string ResolvePicturePath(std::string_view src, std::string_view current_page);

// Replaces %XX escapes by their bytes; malformed escapes are kept as written.
std::string PercentDecode(std::string_view text);

// Makes `path` absolute (against `base_dir` when relative) and removes
// empty, "." and ".." segments lexically. "/.." stays "/".
std::string NormalisePath(std::string_view path, std::string_view base_dir);

// The directory part of an absolute path ("/a/b.htm" -> "/a", "/b" -> "/").
std::string DirectoryOf(std::string_view path);

// The last segment of a path ("/a/b.htm" -> "b.htm").
std::string BaseNameOf(std::string_view path);

}  // namespace helpviewer
