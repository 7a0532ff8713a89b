// The environment every test binary runs in, set by the test mains before
// any test starts: the build tree's suite directory as PA_BASE and a scratch
// HOME, so no test reads or writes the developer's own configuration or
// logs, and the source and build trees for tests that need their files.
// Set in the binary rather than by ctest so that a binary run by hand
// behaves the same.
#include <cstdlib>
#include <string>

#include "test_support.h"

// The tests start child programs and toolkits that keep memory until exit
// on purpose; leak reports of the sanitizer build would only be noise.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace tremoscan::testing {

void SetTestEnvironment() {
  // A death test re-runs the binary as its child: the child keeps what the
  // parent test had set (its own HOME, say) instead of starting over.
  if (getenv("TREMOSCAN_TEST_ENVIRONMENT")) return;
  setenv("TREMOSCAN_TEST_ENVIRONMENT", "1", 1);
  setenv("PA_BASE", TREMOSCAN_TEST_SUITE_DIR, 1);
  setenv("HOME", TREMOSCAN_TEST_HOME_DIR, 1);
  setenv("TREMOSCAN_SOURCE_DIR", TREMOSCAN_TEST_SOURCE_DIR, 1);
  setenv("TREMOSCAN_BINARY_DIR", TREMOSCAN_TEST_BINARY_DIR, 1);
  // Child programs of the sanitizer build check for leaks at exit; what
  // the toolkit's libraries keep until then is not ours.
  std::string lsan = std::string("suppressions=") + TREMOSCAN_TEST_SOURCE_DIR +
                     "/tests/support/toolkit_leaks.supp:print_suppressions=0";
  setenv("LSAN_OPTIONS", lsan.c_str(), 1);
}

}  // namespace tremoscan::testing
