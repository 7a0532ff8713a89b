// Pictures of X windows for the documentation tools: xwd dumps the window,
// convert turns the dump into the picture format the file name asks for.
#pragma once

#include <string>

namespace tremoscan::tools {

// Writes a picture of an X window (given by its id, on the named display)
// to output. Returns 0 on success, else 1 with the failing tool's message
// on standard error.
int SaveWindowPicture(const std::string& display_name, unsigned long window,
                      const std::string& output);

}  // namespace tremoscan::tools
