/*
 * iwarena.h - the user's shared-memory arena and the heap inside it.
 *
 * All tools of the suite that run for one user share one arena: a System V
 * shared-memory segment (or, on request, a memory-mapped file) mapped at the
 * same address in every process, found through a small control segment and
 * the id file "/tmp/$USER.zor_shmid". A heap lives inside it; blocks hold
 * raw pointers to one another, so they are valid in every attached process.
 *
 * Two levels:
 *  - SM (the arena manager): create, attach, detach and remove the arena,
 *    and the allocation calls the rest of the suite uses. SM calls that
 *    return a status give 0 for success, SM_ERR_* otherwise.
 *  - SK (the segment kernel): the segment itself and the heap in it, with
 *    SHMsbrk as the heap's only source of memory.
 *
 * The heap is guarded between processes by a lock that the kernel releases
 * when its holder dies, so a tool killed in the middle of an allocation
 * never blocks the others. Nothing here throws; nothing ends the process.
 */
#ifndef TREMOSCAN_IWARENA_H
#define TREMOSCAN_IWARENA_H

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes of the SM calls. */
#define SM_OK 0
#define SM_ERR_SYSCALL 1    /* a shared-memory system call failed */
#define SM_ERR_ID_FILE 2    /* the id file could not be opened */
#define SM_ERR_ATTACH 3     /* attach failed */
#define SM_ERR_NOT_OWNER 4  /* the caller is not the creator of the arena */

/* Project letters of the IPC keys. */
#define SK_KEY_CONTROL 'F'
#define SK_KEY_ARENA 'N'
#define SK_KEY_FOCUS_SEM 'C'
#define SK_KEY_LOCK_SEM 'D'

/* Bytes before the heap: the arena header and the allocator state. */
#define SK_ARENA_OVERHEAD 2216
/* Size of the control segment. */
#define SM_CONTROL_SIZE 4168

/* The per-process record through which the arena is used. */
typedef struct SMArena {
  void *base; /* address of the arena's first byte; null when not attached */
} SMArena;

/* ---- Arena manager ---------------------------------------------------- */

/* Creates the control segment, the id file and an arena whose heap holds
 * `size` bytes; a non-empty `path` makes the arena a file mapped at that
 * path. Stores the base in the handle (null on failure). Returns 0, or 1
 * when this process already has an arena or the control segment or the
 * arena cannot be made (then nothing is left behind). */
int SMCreateArena(SMArena *handle, uint64_t size, const char *path);
/* Attaches to the user's arena; a stale one (creator gone, nobody attached,
 * or an id file naming no segment) is removed. Returns 0 or 3. */
int SMAttachToArena(SMArena *handle);
/* Detaches the control segment and the arena from this process. */
int SMDetachFromArena(SMArena *handle);
/* The creator's full removal: the arena (when a handle is given), its file
 * (with remove_file), the control segment and the id file. 4 for any other
 * process, which removes nothing. */
int SMExit(SMArena *handle, int remove_file);
/* Removes the arena segment and the control segment (creator only: 4). */
int SMDestroyArena(SMArena *handle);
/* Status of the last SM call of this process. */
int SMLastStatus(void);

/* Heap blocks; every call gives null (or does nothing) for a null handle. */
void *SMMalloc(SMArena *handle, size_t bytes);
void *SMCalloc(SMArena *handle, size_t count, size_t size);
void *SMRealloc(SMArena *handle, void *address, size_t bytes);
/* With an address: resizes to count * size (the added part is not
 * cleared). With null: a zeroed block. */
void *SMRecalloc(SMArena *handle, void *address, size_t count, size_t size);
void SMFree(SMArena *handle, void *address);

/* The root record: SMPutInfo stores its offset from the base, SMGetInfo
 * gives it back in any process (null until one is stored). */
int SMPutInfo(SMArena *handle, void *address);
void *SMGetInfo(SMArena *handle);

/* Free bytes of the file system holding `directory`, or -1 after the
 * "statfs" message. */
int64_t SMGetSpaceFree(const char *directory);
/* This process's address-space limit (RLIMIT_AS). Return 0 or -1. */
int SMGetRLimit(uint64_t *current, uint64_t *maximum);
int SMSetRLimit(uint64_t current, uint64_t maximum);
/* Unless state is 1, waits until the control segment's sync byte is
 * non-zero (printing "=" at each look), then stores state in it. */
void SMSetSyncState(int state);
/* The sync byte, or -1 when the control segment is not attached. */
int SMGetSyncState(void);

/* ---- Segment kernel ---------------------------------------------------- */

/* IPC key of `letter` for this user: m * uid + letter with m = 1000 lowered
 * until the key is at most 0x7FFFFFFF. `path` plays no part in the key. */
key_t SK_key(const char *path, int letter);

void *SK_create(const char *path, uint64_t size);
void *SK_attach(const char *path, uint64_t size);
int SK_destroy(void *base);
int SK_detach(void *base);
/* The previous break, or (void *)-1 when the heap's capacity would be
 * exceeded. SHMsbrk(0) gives the current break. */
void *SHMsbrk(int64_t increment);

void *SK_malloc(size_t bytes);
void *SK_calloc(size_t count, size_t size);
void *SK_realloc(void *address, size_t bytes);
void *SK_reCalloc(void *address, size_t count, size_t size);
void SK_free(void *address);
/* Block aligned to `alignment` (a power of two; others are rounded up). */
void *SK_memalign(size_t alignment, size_t bytes);
/* Page-aligned (4096) block. */
void *SK_valloc(size_t bytes);
/* Bytes usable in an allocated block (0 for null). */
size_t SK_malloc_usable_size(void *address);
/* Prints the three "... bytes" lines to standard error. */
void SK_malloc_stats(void);

/* Heap statistics. */
typedef struct SKMallInfo {
  uint64_t max_system_bytes; /* most bytes the heap ever took from SHMsbrk */
  uint64_t system_bytes;     /* bytes the heap holds from SHMsbrk now */
  uint64_t in_use_bytes;     /* bytes in allocated chunks */
  uint64_t free_chunks;      /* free chunks, the top chunk not counted */
  uint64_t top_bytes;        /* size of the top chunk */
  uint64_t capacity;         /* the heap's capacity */
  uint64_t handed_out;       /* bytes handed out by SHMsbrk */
} SKMallInfo;
/* Fills `info`; returns 0, or -1 when no arena is mapped. */
int SK_mallinfo(SKMallInfo *info);

/* Tuning: -1 trim threshold, -2 top pad, -3 mmap threshold, -4 accepts 0
 * only. Returns 1 when accepted, 0 otherwise. */
#define SK_M_TRIM_THRESHOLD (-1)
#define SK_M_TOP_PAD (-2)
#define SK_M_MMAP_THRESHOLD (-3)
#define SK_M_MMAP_MAX (-4)
int SK_mallopt(int parameter, int64_t value);

#ifdef __cplusplus
}
#endif

#endif /* TREMOSCAN_IWARENA_H */
