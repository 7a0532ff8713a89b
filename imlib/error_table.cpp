// Status code texts and the two name lookups (image sequence, pixel type).
// The tables only grow; codes are never renumbered.
#include <cstring>

#include "stream.h"

namespace {

struct ErrorText {
  int code;          // status code
  const char* text;  // the text IMRtErrorText returns for it
};

constexpr ErrorText kErrorTexts[] = {
    {0, "No error"},
    {1, "Invalid stream number"},
    {2, "Invalid file"},
    {3, "Internal stream numbering error"},
    {101, "Stream already open"},
    {102, "File not open"},
    {103, "File not opened yet"},
    {104, "Attempt to close an unopened stream"},
    {105, "File name is too long"},
    {106, "New file header error"},
    {110, "No streams are available"},
    {201, "Invalid stream attribute (use: new, old, append, ro, etc)"},
    {202, "Unable to find file"},
    {203, "Unable to find directory/folder"},
    {204, "Unable to obtain read/write access"},
    {205, "Unable to obtain read access"},
    {206, "Unable to open image file"},
    {207, "Unable to read image header"},
    {208, "Unable to read image header (2)"},
    {209, "Unable to write image header"},
    {210, "Unable to read extended header"},
    {211, "Unable to write extended header"},
    {212, "Incorrect byte count during read"},
    {213, "Incorrect byte count during write"},
    {214, "Unable to swap bytes"},
    {301, "Error positioning stream pointer"},
    {302, "Stream position out of X range"},
    {303, "Stream position out of Y range"},
    {304, "Stream position out of Z range"},
    {305, "Stream position out of W range"},
    {306, "Stream position out of T range"},
    {307, "Stream position out of S range"},
    {401, "Too many titles"},
    {402, "Too many image columns"},
    {403, "Too many image rows"},
    {404, "Too many wavelength channels"},
    {501, "Invalid number of wavelengths"},
    {502, "Invalid pixel size"},
    {503, "Invalid pixel type"},
    {504, "Invalid stream name"},
    {505, "Invalid image sequence"},
    {506, "Unrecognized image file ID"},
    {507, "Time-stamp not available from image header"},
    {511, "Invalid number of data bits per pixel"},
    {512, "Undefined number of data bits per pixel"},
    {601, "Invalid section number"},
    {602, "Invalid section number"},
    {603, "Invalid wavelength number"},
    {604, "Invalid ZWTP coordinate"},
    {605, "Wavelength number too large"},
    {701, "Invalid extended header field"},
    {702, "Invalid extended header type"},
    {703, "Invalid symmetry information"},
    {704, "Extended header size too small"},
    {705, "Image file has symmetry bytes"},
    {706, "Nonexistent extended header"},
    {707, "Extended header overrun"},
    {708, "Extended header type mismatch"},
    {720, "Insufficient field header space"},
    {721, "Invalid field name"},
    {722, "Invalid field type"},
    {723, "Invalid field size"},
    {724, "Invalid field size parameter"},
    {725, "Invalid field byte count"},
    {726, "Invalid field contents"},
    {727, "Invalid field header type"},
    {728, "Invalid field byte length"},
    {729, "Invalid field number"},
    {730, "Field header empty"},
    {731, "Field header not found"},
    {732, "Field header memory alloc problem"},
    {733, "Mismatched field contents"},
    {734, "NULL field argument"},
    {735, "Fields not supported in image windows"},
    {736, "Field name is too long"},
    {801, "Invalid window number"},
    {802, "Too many windows"},
    {803, "Unable to open window"},
    {804, "Window not open"},
    {805, "Unable to change window size"},
    {806, "Display scale not supported"},
    {807, "Unable to write to window"},
    {808, "Unable to read from window"},
    {809, "Invalid header from window"},
    {810, "Window doesn't exist"},
    {811, "Window already exists"},
    {812, "Invalid dislay scale values"},
    {901, "Memory error"},
    {902, "Memory allocation error"},
    {903, "Function not yet implemented"},
    {904, "Unsupported function"},
    {905, "16-bit complex numbers not supported"},
    {906, "Swapped file error"},
    {907, "Support for IEEE floating-point only"},
    {908, "Incompatible computer architecture"},
};

constexpr const char* kSequenceNames[15] = {"ZTWP", "WZTP", "ZWTP", "ZPWT", "ZWPT",
                                            "WZPT", "WPTZ", "PWTZ", "PTWZ", "PZWT",
                                            "PWZT", "WPZT", "WTPZ", "TWPZ", "TPWZ"};

}  // namespace

extern "C" {

const char* IMRtErrorText(int code) {
  for (const ErrorText& e : kErrorTexts)
    if (e.code == code) return e.text;
  return "Unspecified error";
}

const char* IMRtSequenceName(int sequence) {
  if (sequence < 0 || sequence > 14) return "Undefined";
  return kSequenceNames[sequence];
}

int IMRtDataTypeName(int pixel_type, char* buffer, int length) {
  const char* text = imlib::PixelTypeText(pixel_type);
  int rc = imlib::BytesPerPixelOf(pixel_type) > 0 ? IM_ERR_NONE : IM_ERR_PIXEL_TYPE;
  if (buffer && length > 0) {
    // Truncated copy: at most length bytes, terminated when there is room.
    size_t n = strlen(text);
    if (n >= size_t(length)) {
      memcpy(buffer, text, size_t(length));
    } else {
      memcpy(buffer, text, n + 1);
    }
  }
  return rc;
}

}  // extern "C"
