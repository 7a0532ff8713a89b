// SIGINT/SIGTERM handlers that only record which signal asked to stop.
#include "stop_signals.h"

namespace programs {

namespace {

volatile std::sig_atomic_t g_stop = 0;  // the signal that asked us to stop, or 0

extern "C" void OnStopSignal(int signal_number) { g_stop = signal_number; }

}  // namespace

const volatile std::sig_atomic_t* InstallStopSignals() {
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  return &g_stop;
}

}  // namespace programs
