// This process's link to the user's arena: the one arena handle, creating
// the arena with its root record, attaching to it, detaching and removing
// it. Everything that shares data between tools asks IWIsAttached first.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "arena_root.h"
#include "config_state.h"
#include "iwbase.h"

extern "C" {
SMArena IW_arena = {nullptr};
}

namespace iwbase {
namespace {

RootRecord* root_record = nullptr;

// PA_SHMSTADDR may be set as a configuration variable; the arena layer
// reads the environment, so copy it there when the environment has none.
void ExportAttachAddress() {
  if (std::getenv("PA_SHMSTADDR")) return;
  if (const char* address = IWRtVar("PA_SHMSTADDR")) setenv("PA_SHMSTADDR", address, 1);
}

}  // namespace

RootRecord* Root() { return root_record; }

bool ShmTrace() {
  static const bool trace = std::getenv("DEBUG_SHM") != nullptr;
  return trace;
}

}  // namespace iwbase

using iwbase::Guarded;

extern "C" int IWIsAttached(void) { return iwbase::root_record != nullptr; }

extern "C" int IWInitSHM(uint64_t size, const char* path) {
  return Guarded(-1, [&] {
    if (IWIsAttached()) return 1;
    iwbase::ExportAttachAddress();
    SMCreateArena(&IW_arena, size, path);
    if (!IW_arena.base) {
      std::perror("SMCreateArena (IWInitSHM())");
      return -1;
    }
    void* root = SMCalloc(&IW_arena, 1, iwbase::kRootRecordBytes);
    if (!root) {
      std::perror("SMCalloc (IWInitSHM())");
      SMExit(&IW_arena, 1);
      return -1;
    }
    SMPutInfo(&IW_arena, root);
    iwbase::root_record = static_cast<iwbase::RootRecord*>(root);
    return 1;
  });
}

extern "C" int IWAttach(void) {
  return Guarded(-1, [&] {
    if (IWIsAttached()) return 1;
    iwbase::ExportAttachAddress();
    errno = 0;
    if (SMAttachToArena(&IW_arena) != SM_OK) {
      if (errno) std::perror("IWIntRetArenaPtr()");
      return -1;
    }
    if (errno) std::perror("IWAttach()");
    iwbase::root_record = static_cast<iwbase::RootRecord*>(SMGetInfo(&IW_arena));
    if (!iwbase::root_record) {
      SMDetachFromArena(&IW_arena);
      return -1;
    }
    return 1;
  });
}

extern "C" void IWDetach(void) {
  if (!IWIsAttached()) return;
  SMDetachFromArena(&IW_arena);
  iwbase::root_record = nullptr;
}

extern "C" int IWExitSHM(void) {
  int status = SMExit(IW_arena.base ? &IW_arena : nullptr, 1);
  if (status != SM_ERR_NOT_OWNER) iwbase::root_record = nullptr;
  return status;
}
