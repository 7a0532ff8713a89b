// IWArenaInfo's report: the id file, the control segment and its creator,
// and, for a live arena, its size, heap use and named blocks. A stale arena
// (creator gone or nobody attached) is only named unless removal is asked
// for; the removal is the one an attaching tool does.
#include "arena_report.h"

#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "iwbase.h"

namespace arena_info {
namespace {

std::string IdFilePath() {
  const char* user = std::getenv("USER");
  return std::string("/tmp/") + (user ? user : "") + ".zor_shmid";
}

bool Alive(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

void PrintBlock(const char* name, int size, void* address, void* context) {
  std::fprintf(static_cast<std::FILE*>(context), "  %-32s %10d bytes at %p\n", name ? name : "(unnamed)", size,
               address);
}

Outcome ReportLive(std::FILE* out) {
  if (IWAttach() != 1) {
    std::fprintf(out, "The arena could not be attached.\n");
    return kFailed;
  }
  SKMallInfo heap{};
  SK_mallinfo(&heap);
  std::fprintf(out, "Arena base:        %p\n", IW_arena.base);
  std::fprintf(out, "Heap capacity:     %llu bytes\n", static_cast<unsigned long long>(heap.capacity));
  std::fprintf(out, "Heap taken:        %llu bytes (most ever %llu)\n",
               static_cast<unsigned long long>(heap.system_bytes),
               static_cast<unsigned long long>(heap.max_system_bytes));
  std::fprintf(out, "Bytes in use:      %llu\n", static_cast<unsigned long long>(heap.in_use_bytes));
  std::fprintf(out, "Bytes free:        %llu (%llu never handed out)\n",
               static_cast<unsigned long long>(heap.capacity - heap.in_use_bytes),
               static_cast<unsigned long long>(heap.capacity - heap.handed_out));
  std::fprintf(out, "Free chunks:       %llu\n", static_cast<unsigned long long>(heap.free_chunks));
  std::fprintf(out, "Named blocks:\n");
  int count = IWWalkNamedSHM(PrintBlock, out);
  std::fprintf(out, "%d named block%s\n", count, count == 1 ? "" : "s");
  IWDetach();
  return count < 0 ? kFailed : kReported;
}

}  // namespace

Outcome ReportArena(bool remove_stale, std::FILE* out) {
  std::string id_file = IdFilePath();
  std::FILE* file = std::fopen(id_file.c_str(), "r");
  if (!file) {
    std::fprintf(out, "No shared arena: %s does not exist.\n", id_file.c_str());
    return kNoArena;
  }
  int id = -1;
  if (std::fscanf(file, "%d", &id) != 1) id = -1;
  std::fclose(file);
  std::fprintf(out, "Id file:           %s\n", id_file.c_str());

  struct shmid_ds control {};
  std::string stale_reason;
  if (shmctl(id, IPC_STAT, &control) != 0) {
    stale_reason = "the id file names no control segment (" + std::string(std::strerror(errno)) + ")";
  } else {
    std::fprintf(out, "Control segment:   %d\n", id);
    std::fprintf(out, "Creator:           process %d (%s)\n", static_cast<int>(control.shm_cpid),
                 Alive(control.shm_cpid) ? "running" : "gone");
    std::fprintf(out, "Attached:          %lu process%s\n", static_cast<unsigned long>(control.shm_nattch),
                 control.shm_nattch == 1 ? "" : "es");
    if (!Alive(control.shm_cpid)) stale_reason = "its creator is gone";
    else if (control.shm_nattch == 0) stale_reason = "no process is attached";
  }
  if (stale_reason.empty()) return ReportLive(out);

  std::fprintf(out, "The arena is stale: %s.\n", stale_reason.c_str());
  if (!remove_stale) {
    std::fprintf(out, "Run IWArenaInfo --remove-stale to remove it.\n");
    return kStale;
  }
  SMArena arena{};
  SMAttachToArena(&arena);  // finds it stale again and removes it
  bool gone = access(id_file.c_str(), F_OK) != 0;
  std::fprintf(out, gone ? "Stale arena removed.\n" : "The stale arena could not be removed.\n");
  return gone ? kReported : kFailed;
}

}  // namespace arena_info
