// Taking and releasing the Config Protection Semaphore around the
// named-block list.
#pragma once

namespace iwbase {

// Waits at most five seconds; false (after the "could not be acquired"
// message naming `caller`) when the semaphore cannot be had.
bool TakeConfigSem(const char* caller);
void ReleaseConfigSem();

}  // namespace iwbase
