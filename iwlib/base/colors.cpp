// Names of the 12 graphics colours in which overlays are drawn. The names
// are stored padded with blanks to a fixed width so that menus and reports
// line up. A process attached to the arena reads them from the shared
// "ColorName" block (12 addresses of name buffers), which the window layer
// fills when it starts the arena; otherwise the built-in table answers.
#include <string_view>

#include "config_files.h"
#include "iwbase.h"

namespace {

constexpr char kColorNames[IW_GR_COLOR_COUNT][IW_GR_COLOR_NAME_WIDTH + 1] = {
    "Black       ", "Red         ", "Green       ", "Yellow      ",
    "Blue        ", "Pink        ", "Cyan        ", "White       ",
    "Wheat       ", "Brown       ", "Light Grey  ", "Purple      ",
};

constexpr bool AllPaddedToWidth() {
  for (const auto& name : kColorNames) {
    if (std::string_view(name).size() != IW_GR_COLOR_NAME_WIDTH) return false;
  }
  return true;
}
static_assert(AllPaddedToWidth());

std::string_view WithoutTrailingBlanks(std::string_view text) {
  size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

}  // namespace

extern "C" const char* IWRtGrColorName(int color) {
  if (color < 0 || color >= IW_GR_COLOR_COUNT) return nullptr;
  if (IWIsAttached()) {
    if (auto* shared = static_cast<const char* const*>(IWRtNamedSHMAdd("ColorName")))
      return shared[color];
  }
  return kColorNames[color];
}

extern "C" int IWRtGrColorNumber(const char* name) {
  if (!name) return -1;
  std::string_view wanted = WithoutTrailingBlanks(name);
  for (int color = 0; color < IW_GR_COLOR_COUNT; ++color) {
    const char* known = IWRtGrColorName(color);
    if (known && iwbase::EqualsIgnoringCase(WithoutTrailingBlanks(known), wanted)) return color;
  }
  return -1;
}
