// Test-only entry point: forgets everything the configuration mechanism has
// learnt in this process (cache, save list, user directory, arena size), so
// that test cases run in one process do not see each other's settings.
#pragma once

namespace iwbase {

void ResetConfigStateForTesting();

}  // namespace iwbase
