// Per-process state of the arena layer: where the control segment and the
// arena are mapped in this process, their ids, and the trace switch. One
// record, so that detaching and removing can reset it in one place.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "sk_layout.h"

namespace iwarena {

struct ProcessState {
  ControlSegment* control = kNotAttached;  // the control segment, kNotAttached when not
  int control_id = -1;                     // control segment id, -1 until read or created
  key_t control_key = 0;
  int arena_id = -1;                       // arena segment id, -1 until created or looked up
  bool mapped_file = false;                // the arena is a mapped file at file_path
  std::string file_path;
  char* base = nullptr;                    // arena base in this process
  AllocatorState* heap = nullptr;          // allocator state in this process
  pthread_mutex_t* heap_lock = nullptr;    // the heap lock in this process
  uintptr_t preferred_base = 0;            // where the creator mapped it: attaches go there too
  int last_status = SM_OK;
  bool trace = false;                      // DEBUG_SK

  static inline ControlSegment* const kNotAttached = reinterpret_cast<ControlSegment*>(~uintptr_t{0});
};

ProcessState& Process();

// Reads DEBUG_SK again.
void ReadTraceSwitch();

// Attaches the heap of a mapped arena at `base` to this process.
void AdoptArena(char* base);

}  // namespace iwarena
