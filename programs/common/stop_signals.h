// The stop request of a long-running program: SIGINT and SIGTERM set a flag
// that the work loops poll, so that the program ends with its own cleanup
// (partial output removed, status file final) and the "interrupted" status.
#ifndef TREMOSCAN_PROGRAMS_COMMON_STOP_SIGNALS_H
#define TREMOSCAN_PROGRAMS_COMMON_STOP_SIGNALS_H

#include <csignal>

namespace programs {

// Installs the handlers without SA_RESTART, so that a read blocked on a slow
// input returns and the run notices the signal. Returns the flag: 0 until a
// signal arrives, then that signal's number.
const volatile std::sig_atomic_t* InstallStopSignals();

}  // namespace programs

#endif
