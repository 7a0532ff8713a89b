// A small scanner for the references in a help page: where its links go,
// which pictures it shows and which named places it offers. Used to check
// that the pages shipped with the suite hold together.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace helpviewer_test {

struct PageReferences {
  std::vector<std::string> links;    // href of every <a>, as written (entities decoded)
  std::vector<std::string> images;   // src of every <img> and background of <body>
  std::vector<std::string> anchors;  // name of every <a name=...>
};

// Tags and attribute names are matched without regard to case; values may
// be quoted with " or ' or unquoted; comments are skipped.
PageReferences ScanReferences(std::string_view html);

}  // namespace helpviewer_test
