// Special wavelength codes: negative values that stand in an image's
// wavelength fields for channels derived from others (ratios, masks,
// blends, FRET ...), each with a short tag for labels and a description
// that names it in text. The table is fixed; codes are never renumbered.
#include <cstddef>
#include <iterator>

#include "config_files.h"
#include "iwbase.h"

namespace {

struct SpecialWavelength {
  int code;                 // value stored in the wavelength field
  const char* tag;          // short label shown with the channel
  const char* description;  // name of the derived channel
};

constexpr SpecialWavelength kSpecialWavelengths[] = {
    {-11, "(*)", "product"},
    {-12, "(+)", "sum"},
    {-13, "(-)", "difference"},
    {-10, "(/)", "ratio"},
    {-20, "MSK", "mask"},
    {-21, "BIN", "binary"},
    {-50, "DIC", "DIC"},
    {-60, "PH", "phase"},
    {-71, "R", "blend_red"},
    {-72, "G", "blend_green"},
    {-73, "B", "blend_blue"},
    {-80, "FT", "FRET"},
    {-81, "nFT", "net_FRET"},
    {-82, "%E", "FRET_efficiency"},
    {-90, "dI", "velocity"},
    {-91, "dI2", "acceleration"},
    {-92, "ROI", "region-of-interest"},
};
static_assert(std::size(kSpecialWavelengths) == IW_SPECIAL_WAVELENGTH_COUNT);

}  // namespace

extern "C" int IWRtSpecialWavelengths(int* codes, const char** tags, const char** descriptions) {
  for (size_t i = 0; i < std::size(kSpecialWavelengths); ++i) {
    if (codes) codes[i] = kSpecialWavelengths[i].code;
    if (tags) tags[i] = kSpecialWavelengths[i].tag;
    if (descriptions) descriptions[i] = kSpecialWavelengths[i].description;
  }
  return IW_SPECIAL_WAVELENGTH_COUNT;
}

extern "C" const char* IWRtSpecialWavelengthTag(int code) {
  for (const SpecialWavelength& entry : kSpecialWavelengths) {
    if (entry.code == code) return entry.tag;
  }
  return nullptr;
}

extern "C" int IWRtSpecialWavelengthCode(const char* description) {
  if (!description) return 0;
  for (const SpecialWavelength& entry : kSpecialWavelengths) {
    if (iwbase::EqualsIgnoringCase(description, entry.description)) return entry.code;
  }
  return 0;
}
