// The window picture writer of the documentation tools (window_picture.h).
#include "window_picture.h"

#include <unistd.h>

#include <cstdio>

#include "test_support.h"

namespace tremoscan::tools {

int SaveWindowPicture(const std::string& display_name, unsigned long window,
                      const std::string& output) {
  using tremoscan::testing::ProcessResult;
  using tremoscan::testing::RunProcess;
  const std::string dump = output + ".xwd";
  const ProcessResult xwd =
      RunProcess({"/usr/bin/xwd", "-silent", "-id", std::to_string(window), "-out", dump},
                 {"DISPLAY=" + display_name});
  int rc = xwd.exit_code;
  if (rc != 0) {
    std::fprintf(stderr, "xwd failed: %s\n", xwd.err.c_str());
  } else {
    const ProcessResult convert = RunProcess({"/usr/bin/convert", "xwd:" + dump, output});
    rc = convert.exit_code;
    if (rc != 0) std::fprintf(stderr, "convert failed: %s\n", convert.err.c_str());
  }
  unlink(dump.c_str());
  return rc == 0 ? 0 : 1;
}

}  // namespace tremoscan::tools
