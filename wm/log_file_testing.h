// log_file_testing.h - test-only entry of the log module: forgets the log
// location it computed, so one test process can try several homes.
#pragma once

namespace wm {
void ResetLogLocationForTesting();
}
