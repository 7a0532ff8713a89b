// The arena manager: the control segment and id file through which every
// process of the user finds the arena, creating, attaching, detaching and
// removing it, the root record, and the sync state byte.
//
// The id file "/tmp/$USER.zor_shmid" names the control segment; the
// control segment names the arena (its file, size, base and creator). An
// arena whose creator is gone or that nobody has attached is stale: the
// next process that tries to attach removes it instead of reusing it.
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "iwarena.h"
#include "sk_state.h"

namespace iwarena {
namespace {

std::string IdFilePath() {
  const char* user = std::getenv("USER");
  return std::string("/tmp/") + (user ? user : "") + ".zor_shmid";
}

bool ControlAttached() { return Process().control != ProcessState::kNotAttached; }

int Finish(int status) {
  Process().last_status = status;
  return status;
}

void DetachControl() {
  ProcessState& process = Process();
  if (ControlAttached()) shmdt(process.control);
  process.control = ProcessState::kNotAttached;
}

int AllocateControl() {
  ProcessState& process = Process();
  process.control_key = SK_key(std::getenv("HOME"), SK_KEY_CONTROL);
  process.control_id = shmget(process.control_key, SM_CONTROL_SIZE, IPC_CREAT | 0660);
  if (process.control_id < 0) {
    int error = errno;
    std::fprintf(stderr, "smAllocateControl: shmget failed\nError: %d %s\n\n", error, std::strerror(error));
    return SM_ERR_SYSCALL;
  }
  return SM_OK;
}

int WriteControlId() {
  FILE* file = std::fopen(IdFilePath().c_str(), "w");
  if (!file) return SM_ERR_ID_FILE;
  std::fprintf(file, "%d\n", Process().control_id);
  return std::fclose(file) == 0 ? SM_OK : SM_ERR_ID_FILE;
}

// The control id from the id file; false without the file. Text that is
// not a number gives an id no segment has.
bool ReadControlId() {
  FILE* file = std::fopen(IdFilePath().c_str(), "r");
  if (!file) return false;
  int id = -1;
  if (std::fscanf(file, "%d\n", &id) != 1) id = -1;
  std::fclose(file);
  Process().control_id = id;
  return true;
}

bool ProcessAlive(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

bool SegmentStale(const struct shmid_ds& status) {
  return status.shm_nattch == 0 || !ProcessAlive(status.shm_cpid);
}

// When the id file names no segment, the user's control segment is still
// found by its key; false when that one is alive and must be left alone.
bool AdoptStaleControlByKey() {
  ProcessState& process = Process();
  int id = shmget(SK_key(std::getenv("HOME"), SK_KEY_CONTROL), 0, 0);
  struct shmid_ds status {};
  if (id < 0 || shmctl(id, IPC_STAT, &status) != 0) return true;
  if (!SegmentStale(status)) return false;
  process.control_id = id;
  return true;
}

// Attaches the control segment named by the id file after checking that
// its arena is alive; a stale arena is removed. SM_OK or SM_ERR_ATTACH.
int AttachControlChecked() {
  ProcessState& process = Process();
  if (!ReadControlId()) return SM_ERR_ATTACH;
  struct shmid_ds status {};
  bool stale = false;
  if (shmctl(process.control_id, IPC_STAT, &status) != 0) {
    std::fprintf(stderr, "Failed to get shared memory information.\nError: %s", std::strerror(errno));
    process.control_id = -1;
    stale = AdoptStaleControlByKey();
    if (!stale) return SM_ERR_ATTACH;
  } else if (SegmentStale(status)) {
    std::fprintf(stderr, "Existing shared memory segment appears invalid.\n");
    stale = true;
  }
  if (stale) {
    SMExit(nullptr, 1);
    process.arena_id = -1;
    SK_destroy(nullptr);
    return SM_ERR_ATTACH;
  }
  void* control = shmat(process.control_id, nullptr, 0);
  if (control == reinterpret_cast<void*>(-1)) return SM_ERR_ATTACH;
  process.control = static_cast<ControlSegment*>(control);
  return SM_OK;
}

bool IsCreator() { return ControlAttached() && Process().control->creator_pid == getpid(); }

}  // namespace
}  // namespace iwarena

using iwarena::Finish;
using iwarena::Process;

extern "C" int SMCreateArena(SMArena* handle, uint64_t size, const char* path) {
  iwarena::ProcessState& process = Process();
  if (handle) handle->base = nullptr;
  if (iwarena::ControlAttached()) return Finish(SM_ERR_SYSCALL);
  unlink(iwarena::IdFilePath().c_str());
  if (iwarena::AllocateControl() != SM_OK) return Finish(SM_ERR_SYSCALL);
  int status = iwarena::WriteControlId();
  void* control = shmat(process.control_id, nullptr, 0);
  if (control == reinterpret_cast<void*>(-1)) {
    std::perror("SMCreateArena() -- shmat()");
    return Finish(SM_ERR_SYSCALL);
  }
  process.control = static_cast<iwarena::ControlSegment*>(control);
  iwarena::ControlSegment* ctl = process.control;
  std::memset(ctl->name, 0, sizeof ctl->name);
  if (path) std::strncpy(ctl->name, path, sizeof ctl->name - 1);
  ctl->size = size;
  ctl->creator_pid = getpid();
  ctl->sync = 1;
  process.preferred_base = 0;
  errno = 0;
  void* base = SK_create(ctl->name, size);
  ctl->base = reinterpret_cast<uint64_t>(base);
  if (handle) handle->base = base;
  if (!base || errno) std::perror("SMCreateArena() -- mm_create()");
  if (!base) {
    SMExit(nullptr, 0);  // no arena: leave no control segment or id file behind
    return Finish(SM_ERR_SYSCALL);
  }
  return Finish(status);
}

extern "C" int SMAttachToArena(SMArena* handle) {
  iwarena::ProcessState& process = Process();
  if (handle) handle->base = nullptr;
  process.control_id = -1;
  process.arena_id = -1;
  int status = iwarena::AttachControlChecked();
  if (status != SM_OK) return Finish(status);
  process.preferred_base = static_cast<uintptr_t>(process.control->base);
  void* base = SK_attach(process.control->name, process.control->size);
  void* shared_base = reinterpret_cast<void*>(process.control->base);
  if (base && base != shared_base) {
    // The arena's pointers hold only at the address the other tools use.
    std::fprintf(stderr, "SMAttachToArena: arena mapped at %p, but its other processes use %p\n", base,
                 shared_base);
    SK_detach(base);
    base = nullptr;
  }
  if (!base) {
    iwarena::DetachControl();
    return Finish(SM_ERR_ATTACH);
  }
  if (handle) handle->base = base;
  return Finish(SM_OK);
}

extern "C" int SMDetachFromArena(SMArena* handle) {
  iwarena::ProcessState& process = Process();
  int status = SM_OK;
  void* base = handle && handle->base ? handle->base : process.base;
  if (base && SK_detach(base) != 0) status = SM_ERR_SYSCALL;
  iwarena::DetachControl();
  if (handle) handle->base = nullptr;
  return Finish(status);
}

extern "C" int SMDestroyArena(SMArena* handle) {
  iwarena::ProcessState& process = Process();
  if (!iwarena::IsCreator()) return Finish(SM_ERR_NOT_OWNER);
  int status = SM_OK;
  if (SK_destroy(handle ? handle->base : nullptr) != 0) status = SM_ERR_SYSCALL;
  if (handle) handle->base = nullptr;
  if (process.control_id >= 0) {
    if (shmctl(process.control_id, IPC_RMID, nullptr) != 0) {
      std::fprintf(stderr, "SMDestroyArena: Error removing control shared memory: %s", std::strerror(errno));
      status = SM_ERR_SYSCALL;
    }
    process.control_id = -1;
  }
  return Finish(status);
}

extern "C" int SMExit(SMArena* handle, int remove_file) {
  iwarena::ProcessState& process = Process();
  if (iwarena::ControlAttached() && !iwarena::IsCreator()) return Finish(SM_ERR_NOT_OWNER);
  int status = SM_OK;
  if (handle) {
    status = SMDestroyArena(handle);
    if (status == SM_ERR_NOT_OWNER) return Finish(status);
  }
  if (remove_file && iwarena::ControlAttached() && process.control->name[0])
    unlink(process.control->name);
  if (process.control_id >= 0) {
    if (shmctl(process.control_id, IPC_RMID, nullptr) != 0) {
      std::fprintf(stderr, "SMExit: Error removing control shared memory: %s", std::strerror(errno));
      status = SM_ERR_SYSCALL;
    }
    process.control_id = -1;
  }
  iwarena::DetachControl();
  unlink(iwarena::IdFilePath().c_str());
  return Finish(status);
}

extern "C" int SMLastStatus(void) { return Process().last_status; }

extern "C" int SMPutInfo(SMArena* handle, void* address) {
  if (!handle || !handle->base || !address) return Finish(SM_ERR_SYSCALL);
  auto* header = static_cast<iwarena::ArenaHeader*>(handle->base);
  header->root_offset = static_cast<uint64_t>(static_cast<char*>(address) - static_cast<char*>(handle->base));
  return Finish(SM_OK);
}

extern "C" void* SMGetInfo(SMArena* handle) {
  if (!handle || !handle->base) return nullptr;
  auto* header = static_cast<iwarena::ArenaHeader*>(handle->base);
  return header->root_offset ? static_cast<char*>(handle->base) + header->root_offset : nullptr;
}

extern "C" void SMSetSyncState(int state) {
  if (!iwarena::ControlAttached()) return;
  volatile uint8_t* sync = &Process().control->sync;
  if (state != 1) {
    while (*sync == 0) {
      std::printf("=");
      std::fflush(stdout);
      usleep(100);
    }
  }
  *sync = static_cast<uint8_t>(state);
}

extern "C" int SMGetSyncState(void) {
  return iwarena::ControlAttached() ? Process().control->sync : -1;
}
