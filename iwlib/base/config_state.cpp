// The per-process configuration state and its test-only reset.
#include "config_state.h"
#include "config_testing.h"

namespace iwbase {

ConfigState& State() {
  static ConfigState state;
  return state;
}

void ResetConfigStateForTesting() { State() = ConfigState{}; }

}  // namespace iwbase
