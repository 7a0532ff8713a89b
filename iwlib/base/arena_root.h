// The arena's root record (the window list header) and the named-block
// record: layouts shared by every process attached to the user's arena.
// This target owns the named-block fields; the window layer fills the rest.
#pragma once

#include <cstddef>
#include <cstdint>

namespace iwbase {

// One named block: 40 bytes in the arena.
struct NamedBlock {
  NamedBlock* prev;  // previous record, null for the head
  NamedBlock* next;  // next record, null for the last
  int32_t size;      // bytes of the data block
  int32_t freed;     // always 0
  void* addr;        // the data block handed to callers
  char* name;        // NUL-terminated copy of the name in the arena, or null
};
static_assert(sizeof(NamedBlock) == 40);
static_assert(offsetof(NamedBlock, addr) == 24);

inline constexpr size_t kRootRecordBytes = 1016;

// The window list header, registered with SMPutInfo, allocated zeroed.
struct RootRecord {
  void* windows;             // array of the window records
  int32_t slot_count;
  int32_t chain_first;       // first window of the display chain, -1 for none
  int32_t chain_second;
  int32_t counter;
  int32_t focus_sem_id;
  int32_t start_params[4];   // two counts, maximum window width and height
  int32_t color_last;        // colour cell range
  int32_t color_first;
  int32_t* color_entries;    // 500 four-byte entries
  NamedBlock* named_head;    // first named block, null when none
  uint32_t named_count;      // number of named blocks
  uint32_t reserved0;
  int64_t memory_unit;       // image memory unit, bytes
  int64_t memory_budget;     // image memory budget, bytes
  int32_t paging_threshold;
  int32_t lock_sem_id;
  uint8_t reserved[kRootRecordBytes - 104];
};
static_assert(sizeof(RootRecord) == kRootRecordBytes);
static_assert(offsetof(RootRecord, named_head) == 64);

// The root record of the arena this process is attached to, or null.
RootRecord* Root();

// DEBUG_SHM, read on first use.
bool ShmTrace();

}  // namespace iwbase
