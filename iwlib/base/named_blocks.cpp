// Named blocks: arena blocks registered under a text name in a list whose
// head and count live in the arena's root record, so that any attached
// process finds them by name. Every walk and change of the list happens
// under the Config Protection Semaphore; registering a name twice keeps
// both records and lookups find the older one.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "arena_root.h"
#include "config_sem.h"
#include "iwbase.h"

namespace iwbase {
namespace {

void Trace(const char* format, auto... values) {
  if (!ShmTrace()) return;
  std::printf(format, values...);
  std::fflush(stdout);
}

// A record outside the arena is a corrupt link.
bool InsideArena(const NamedBlock* block) {
  auto* base = static_cast<const char*>(IW_arena.base);
  auto* header = static_cast<const uint64_t*>(IW_arena.base);
  auto* p = reinterpret_cast<const char*>(block);
  return p >= base && p < base + header[0];
}

void AddToList(NamedBlock* record) {
  RootRecord* root = Root();
  Trace("Before adding blocks, num blocks = %d\n", root->named_count);
  int position = 0;
  if (root->named_count == 0) {
    root->named_head = record;
  } else if (!root->named_head) {
    std::fprintf(stderr, "AddToSharedMemNamedList: Failed to put block in named list\n");
    return;
  } else {
    NamedBlock* last = root->named_head;
    for (position = 1; last->next; ++position) last = last->next;
    last->next = record;
    record->prev = last;
  }
  ++root->named_count;
  Trace("Added block %s at position %d, new num blocks %d\n", record->name ? record->name : "(NONE)",
        position, root->named_count);
}

// Unlinks the record holding `data`; false when there is none.
NamedBlock* RemoveFromList(void* data) {
  RootRecord* root = Root();
  Trace("DeleteFromSharedMemNamedList: Removing a block from Named SHM list");
  int position = 0;
  NamedBlock* record = root->named_head;
  for (; record && InsideArena(record) && record->addr != data; record = record->next) ++position;
  if (!record || !InsideArena(record)) {
    Trace("FAILED TO FIND block pointed to by %p to delete\n", data);
    return nullptr;
  }
  if (record->prev) record->prev->next = record->next;
  if (record->next) record->next->prev = record->prev;
  if (root->named_head == record) root->named_head = record->next;
  --root->named_count;
  Trace("Deleted block %d, named %s. New num blocks %d\n", position, record->name ? record->name : "(NONE)",
        root->named_count);
  Trace("Now freeing it's shared memory parts name %p and block %p\n", static_cast<void*>(record->name), data);
  return record;
}

}  // namespace
}  // namespace iwbase

using iwbase::NamedBlock;
using iwbase::Trace;

extern "C" void* IWAlcNamedSHM(int count, int64_t size, const char* name) {
  if (!IWIsAttached()) return nullptr;
  Trace("IWAlcNamedSHM: Proc %d Allocating %d of %ld for %s\n", getpid(), count, static_cast<long>(size),
        name ? name : "(NONE)");
  if (!iwbase::TakeConfigSem("IWAlcNamedSHM")) return nullptr;
  void* data = IWAlcSHM(count, size);
  if (!data) {
    Trace("IWAlcNamedSHM: Pointer is %p for %s\n", data, name ? name : "(NONE)");
    iwbase::ReleaseConfigSem();
    return nullptr;
  }
  auto* record = static_cast<NamedBlock*>(IWAlcSHM(1, sizeof(NamedBlock)));
  char* copy = nullptr;
  if (record && name) {
    copy = static_cast<char*>(IWAlcSHM(1, static_cast<int64_t>(std::strlen(name) + 1)));
    if (copy) std::strcpy(copy, name);
  }
  if (!record || (name && !copy)) {
    IWFreeSHM(record);
    IWFreeSHM(data);
    iwbase::ReleaseConfigSem();
    return nullptr;
  }
  record->addr = data;
  record->size = static_cast<int32_t>(count * size);
  record->name = copy;
  iwbase::AddToList(record);
  iwbase::ReleaseConfigSem();
  return data;
}

extern "C" void* IWRtNamedSHMAdd(const char* name) {
  if (!IWIsAttached() || !name) return nullptr;
  Trace("IWRtNamedSHMAdd: Arena pointer is %p\n", IW_arena.base);
  Trace("IWRtNamedSHMAdd: Proc %d Finding SHM block named: %s...\n", getpid(), name);
  if (!iwbase::TakeConfigSem("IWRtNamedSHMAdd")) return nullptr;
  void* found = nullptr;
  for (NamedBlock* record = iwbase::Root()->named_head; record; record = record->next) {
    if (!iwbase::InsideArena(record)) {
      std::fprintf(stderr, "------------------ IWRtNamedSHMAdd: Found bad block pointer!\n");
      break;
    }
    if (record->name && std::strcmp(record->name, name) == 0) {
      found = record->addr;
      break;
    }
  }
  if (found)
    Trace("IWRtNamedSHMAdd: Process %d found config variable at %p\n", getpid(), found);
  else
    Trace("IWRtNamedSHMAdd: Process %d did NOT find config variable\n", getpid());
  iwbase::ReleaseConfigSem();
  return found;
}

extern "C" void IWFreeNamedSHM(void* address) {
  if (!IWIsAttached() || !address) return;
  Trace("IWFreeNamedSHM: Proc %d Freeing memory at ptr %p\n", getpid(), address);
  if (!iwbase::TakeConfigSem("IWFreeNamedSHM")) return;
  if (NamedBlock* record = iwbase::RemoveFromList(address)) {
    IWFreeSHM(record->name);
    IWFreeSHM(record);
  }
  IWFreeSHM(address);
  iwbase::ReleaseConfigSem();
}

extern "C" void IWDumpNamedSHM(void) {
  if (!IWIsAttached()) return;
  int index = 0;
  for (NamedBlock* r = iwbase::Root()->named_head; r && iwbase::InsideArena(r); r = r->next, ++index)
    std::printf("SHM Block %d\nprev:\t\t%p\nnext:\t\t%p\nsize:\t\t%d\nfreed:\t\t%d\naddr:\t\t%p\nname:\t\t%s\n", index,
                static_cast<void*>(r->prev), static_cast<void*>(r->next), r->size, r->freed, r->addr,
                r->name ? r->name : "(null)");
  std::printf("number of blocks should have been %d\n", iwbase::Root()->named_count);
  std::fflush(stdout);
}

extern "C" int IWWalkNamedSHM(IWNamedSHMVisitor visit, void* context) {
  if (!IWIsAttached() || !visit) return -1;
  if (!iwbase::TakeConfigSem("IWWalkNamedSHM")) return -1;
  int count = 0;
  for (NamedBlock* r = iwbase::Root()->named_head; r && iwbase::InsideArena(r); r = r->next, ++count)
    visit(r->name, r->size, r->addr, context);
  iwbase::ReleaseConfigSem();
  return count;
}

// By-address bindings for callers in other languages.
extern "C" void* iwalcshm_(const int* count, const int64_t* size) { return IWAlcSHM(*count, *size); }
extern "C" void iwfreeshm_(void** address) { IWFreeSHM(*address); }
extern "C" void* iwrealcshm_(void** address, const int64_t* size) { return IWRealcSHM(*address, *size); }
extern "C" void* iwalcnamedshm_(const int* count, const int64_t* size, const char* name) {
  return IWAlcNamedSHM(*count, *size, name);
}
extern "C" void* iwrtnamedshmadd_(const char* name) { return IWRtNamedSHMAdd(name); }
extern "C" void iwfreenamedshm_(void** address) { IWFreeNamedSHM(*address); }
extern "C" int iwopenconfigsem_(void) { return IWOpenConfigSem(); }
extern "C" void iwremoveconfigsem_(void) { IWRemoveConfigSem(); }
extern "C" void iwdumpnamedshm_(void) { IWDumpNamedSHM(); }
