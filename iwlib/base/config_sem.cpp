// The Config Protection Semaphore: a POSIX named semaphore per user name,
// held around every walk and change of the named-block list. A holder
// that never lets go (a killed tool) must not hang the others: every wait
// gives up after five seconds with a message.
#include <fcntl.h>
#include <semaphore.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "arena_root.h"
#include "config_sem.h"
#include "iwbase.h"

namespace iwbase {
namespace {

constexpr int kWaitSeconds = 5;

sem_t* config_sem = SEM_FAILED;
std::string config_sem_name;

const std::string& SemName() {
  if (config_sem_name.empty()) {
    const char* logname = std::getenv("LOGNAME");
    config_sem_name = std::string("/IWConfigSem_") + (logname ? logname : "");
  }
  return config_sem_name;
}

void Trace(const char* text) {
  if (!ShmTrace()) return;
  std::fputs(text, stdout);
  std::fflush(stdout);
}

}  // namespace

bool TakeConfigSem(const char* caller) {
  if (!IWOpenConfigSem()) return false;
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += kWaitSeconds;
  int result;
  do {
    result = sem_timedwait(config_sem, &deadline);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    std::fprintf(stderr, "%s: Config Protection Semaphore could not be acquired:\n%s\n", caller,
                 std::strerror(errno));
    return false;
  }
  return true;
}

void ReleaseConfigSem() { sem_post(config_sem); }

}  // namespace iwbase

extern "C" int IWOpenConfigSem(void) {
  using iwbase::config_sem;
  if (config_sem != SEM_FAILED) return 1;
  const std::string& name = iwbase::SemName();
  config_sem = sem_open(name.c_str(), 0);
  if (config_sem == SEM_FAILED) {
    iwbase::Trace("Creating Config Protection Semaphore\n");
    config_sem = sem_open(name.c_str(), O_CREAT, 0644, 1);
    if (config_sem == SEM_FAILED) {
      std::fprintf(stderr, "Failed to create Config Protection Semaphore:\n%s\n", std::strerror(errno));
      return 0;
    }
  } else {
    iwbase::Trace("Attached to Config Protection Semaphore\n");
  }
  return 1;
}

extern "C" void IWRemoveConfigSem(void) {
  using iwbase::config_sem;
  if (iwbase::ShmTrace()) std::fprintf(stderr, "Removing Config Protection Semaphore\n");
  const std::string& name = iwbase::SemName();
  if (config_sem == SEM_FAILED) return;
  sem_unlink(name.c_str());
  sem_close(config_sem);
  config_sem = SEM_FAILED;
}
