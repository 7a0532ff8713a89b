// page_scan.cpp - see page_scan.h.
#include "page_scan.h"

#include <cctype>
#include <map>

#include "help_page.h"

namespace helpviewer_test {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Parses the attributes of one tag body ("a href=x name='y'") after its name.
std::map<std::string, std::string> Attributes(std::string_view body) {
  std::map<std::string, std::string> attributes;
  size_t i = 0;
  while (i < body.size()) {
    while (i < body.size() && (IsSpace(body[i]) || body[i] == '/')) ++i;
    size_t start = i;
    while (i < body.size() && !IsSpace(body[i]) && body[i] != '=' && body[i] != '/') ++i;
    std::string name = Lower(body.substr(start, i - start));
    while (i < body.size() && IsSpace(body[i])) ++i;
    std::string value;
    if (i < body.size() && body[i] == '=') {
      ++i;
      while (i < body.size() && IsSpace(body[i])) ++i;
      if (i < body.size() && (body[i] == '"' || body[i] == '\'')) {
        char quote = body[i++];
        size_t end = body.find(quote, i);
        if (end == std::string_view::npos) end = body.size();
        value = std::string(body.substr(i, end - i));
        i = end + 1;
      } else {
        start = i;
        while (i < body.size() && !IsSpace(body[i])) ++i;
        value = std::string(body.substr(start, i - start));
      }
    }
    if (!name.empty()) attributes[name] = helpviewer::DecodeEntities(value);
  }
  return attributes;
}

}  // namespace

PageReferences ScanReferences(std::string_view html) {
  PageReferences refs;
  size_t i = 0;
  while ((i = html.find('<', i)) != std::string_view::npos) {
    if (html.substr(i, 4) == "<!--") {
      size_t end = html.find("-->", i + 4);
      if (end == std::string_view::npos) break;
      i = end + 3;
      continue;
    }
    // A '>' inside a quoted value does not end the tag.
    size_t end = i + 1;
    char quote = 0;
    while (end < html.size() && (quote || html[end] != '>')) {
      if (quote && html[end] == quote)
        quote = 0;
      else if (!quote && (html[end] == '"' || html[end] == '\''))
        quote = html[end];
      ++end;
    }
    std::string_view tag = html.substr(i + 1, end - i - 1);
    size_t name_end = 0;
    while (name_end < tag.size() && !IsSpace(tag[name_end]) && tag[name_end] != '/') ++name_end;
    std::string name = Lower(tag.substr(0, name_end));
    auto attributes = Attributes(tag.substr(name_end));
    if (name == "a") {
      if (attributes.count("href")) refs.links.push_back(attributes["href"]);
      if (attributes.count("name")) refs.anchors.push_back(attributes["name"]);
    } else if (name == "img" && attributes.count("src")) {
      refs.images.push_back(attributes["src"]);
    } else if (name == "body" && attributes.count("background")) {
      refs.images.push_back(attributes["background"]);
    }
    i = end;
  }
  return refs;
}

}  // namespace helpviewer_test
