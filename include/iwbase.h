/*
 * iwbase.h - configuration variables, the suite environment and the entry
 * points of the shared arena and its named blocks.
 *
 * Every tool of the suite reads its settings through configuration
 * variables: a name with a text value, looked up in the shared arena (when
 * the process is attached to it), then in the process's own cache, the
 * environment, the user's file "user.parc" in the user configuration
 * directory, and the suite's file "config/system.parc" under the base
 * directory. Setting a variable puts it in the cache, in the arena when
 * attached, and (unless its name begins with "^") in the list that
 * IWSaveUserConfig writes to the user's file.
 *
 * Conventions: calls return 1 (or a pointer) for success and -1 (or null)
 * for failure unless stated otherwise. Texts returned as `const char *`
 * belong to the library; copy them when they must outlive the next call
 * that sets the same variable. Buffers passed in for paths and values hold
 * IW_PATH_MAX bytes. Nothing here throws; all calls are for the main
 * thread.
 */
#ifndef TREMOSCAN_IWBASE_H
#define TREMOSCAN_IWBASE_H

#include <stddef.h>
#include <stdint.h>

#include "iwarena.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Size of every path and value buffer handed to this library, NUL included. */
#define IW_PATH_MAX 256
/* Entries of the special wavelength code table. */
#define IW_SPECIAL_WAVELENGTH_COUNT 17
/* Graphics colours, numbered 0 .. IW_GR_COLOR_COUNT - 1. */
#define IW_GR_COLOR_COUNT 12
/* Width of a graphics colour name as stored, padded with blanks. */
#define IW_GR_COLOR_NAME_WIDTH 12

/* ---- Looking variables up --------------------------------------------- */

/* The value of `name`, or null when it is unset or empty. */
const char *IWRtVar(const char *name);

/* Copies the value into `buffer` (IW_PATH_MAX bytes; longer values are cut)
 * and returns `buffer`, or null (buffer untouched) when unset. */
char *IWRtVarCopy(const char *name, char *buffer);
/* Same with an explicit buffer size in bytes. */
char *IWRtVarCopyN(const char *name, char *buffer, size_t size);

/* Typed lookups with a default: parse the value ("%d", "%f", "%lf"); on
 * success store it and return 1, otherwise (unset or unreadable) store the
 * default and return 0. */
int IWRtVarInt(const char *name, int *out, int default_value);
int IWRtVarFloat(const char *name, float *out, float default_value);
int IWRtVarDouble(const char *name, double *out, double default_value);

/* Typed lookups without a default: as above, but `out` is left untouched
 * when the variable is unset or unreadable. */
int IWRtVarIntNoDef(const char *name, int *out);
int IWRtVarFloatNoDef(const char *name, float *out);
int IWRtVarDoubleNoDef(const char *name, double *out);

/* Boolean lookup. The words true/yes/t/y/1 and false/no/f/n/0 (any case)
 * give 1 or 0 in `out` and return 1. Unset: `out` = default, return 0.
 * Any other text: return 0, `out` unchanged. */
int IWRtVarBool(const char *name, int *out, int default_value);
/* As IWRtVarBool, but `out` is left untouched when unset. */
int IWRtVarBoolNoDef(const char *name, int *out);

/* ---- Setting variables -------------------------------------------------- */

/* Sets `name` to `value` (null counts as empty, which means unset).
 * Returns 1, or -1 for a null or empty name or a failed allocation. */
int IWAlVar(const char *name, const char *value);
/* Stores n as "%d". */
int IWAlVarInt(const char *name, int n);
/* Stores "True" or "False". */
int IWAlVarBool(const char *name, int flag);
/* Stores x with `decimals` digits after the point (at most 29 characters;
 * a negative count counts as 0). */
int IWAlVarFloat(const char *name, int decimals, double x);

/* Writes the user's file: lines of other names are kept (blank lines are
 * dropped), the variables set in this process follow. The previous file is
 * kept as "user.parc.bak". Returns 0, -1 when the old file cannot be moved
 * aside, -2 when the directory or the new file is not available. */
int IWSaveUserConfig(void);

/* ---- Suite directories and sizes -------------------------------------- */

/* "$HOME/.photarch_<host>", created when missing; null when not available. */
const char *IWRtUserConfigDir(void);
/* The user configuration directory + "/user.parc", or null. */
const char *IWRtUserConfigFile(void);

/* Suite base directory into `buffer` (IW_PATH_MAX bytes). Returns 1. */
int IWRtBaseDir(char *buffer);
/* Temporary directory into `buffer` (IW_PATH_MAX bytes). Returns 1. */
int IWRtTmpDir(char *buffer);

/* Recently used directory `position` (1 = most recent) of `category`, with
 * a trailing "/", or null. */
const char *IWRtRecentDir(const char *category, int position);
/* Puts `directory` at position 1 of a list of `count` positions, shifting
 * the others down. Returns 1, or -1 for a null directory or category or a
 * failed allocation. */
int IWAddRecentDir(const char *directory, int count, const char *category);

/* Arena size in megabytes (30 .. 15000, default 2000); read once. */
int IWRtShmSize(void);
/* Image memory budget in megabytes (0 .. 15000, default 1800). */
int IWRtWorkingSet(void);
/* Image memory growth unit in megabytes (0 .. 15000, default 100). */
int IWRtWorkingUnit(void);
/* Largest patch, in pixels, read straight from a window's file (default 0). */
int IWRtPagingThreshold(void);

/* ---- Fixed tables ------------------------------------------------------- */

/* Fills the caller's arrays (IW_SPECIAL_WAVELENGTH_COUNT entries each; any
 * of them may be null) with the special wavelength codes, their short tags
 * and their descriptions. Returns IW_SPECIAL_WAVELENGTH_COUNT. */
int IWRtSpecialWavelengths(int *codes, const char **tags, const char **descriptions);
/* Short tag of a special wavelength code, or null for any other value. */
const char *IWRtSpecialWavelengthTag(int code);
/* Code whose description matches (any case), or 0. */
int IWRtSpecialWavelengthCode(const char *description);

/* Name of graphics colour `color` padded with blanks to
 * IW_GR_COLOR_NAME_WIDTH characters, or null when out of range. */
const char *IWRtGrColorName(int color);
/* Number of the graphics colour with that name (any case, trailing blanks
 * ignored), or -1. */
int IWRtGrColorNumber(const char *name);

/* Space available to ordinary users on the file system holding `path`, in
 * megabytes, and the percentage of it in use. Returns 1; on failure prints
 * a message, sets both to 0 and returns -1. */
int IWFileSystemStatus(const char *path, long *megabytes, int *percent_used);

/* ---- Text shared by the layers ----------------------------------------- */

/* 1 when the a_length bytes at a and the b_length bytes at b are the same
 * text but for the case of ASCII letters, else 0. */
int IWEqualsIgnoringCase(const char *a, size_t a_length, const char *b, size_t b_length);
/* Decodes the %XX escapes (two hex digits of either case) in the length
 * bytes at text into out, which has room for length bytes; a '%' without
 * two hex digits after it stays as it is. Returns the decoded length; no
 * NUL is added (an escape may decode to one). */
size_t IWPercentDecode(const char *text, size_t length, char *out);

/* ---- Shared arena and named blocks ------------------------------------ */

/* This process's handle of the user's arena (base null when not attached). */
extern SMArena IW_arena;

/* 1 when this process is attached to the user's shared arena, else 0. */
int IWIsAttached(void);

/* Creates the user's arena with a heap of `size` bytes (a mapped file at
 * `path` when non-null and non-empty) and its zeroed root record, and
 * attaches this process. Returns 1, or -1 after a message. */
int IWInitSHM(uint64_t size, const char *path);
/* Attaches to the user's arena (PA_SHMSTADDR may come from configuration).
 * Returns 1 (attached, or already attached) or -1. */
int IWAttach(void);
/* Detaches this process from the arena. */
void IWDetach(void);
/* The creator's removal of the arena, its file, control segment and id
 * file; returns the status of SMExit (4 in any other process). */
int IWExitSHM(void);

/* Zeroed block of count * size bytes from the arena, or null (also when
 * count < 1, size is 0 or the process is not attached). */
void *IWAlcSHM(int count, int64_t size);
/* Releases an arena block; null and calls while not attached are ignored. */
void IWFreeSHM(void *address);
/* Resizes an arena block (the added part is not cleared), or null; a size
 * of 0 gives null and leaves the block as it was. */
void *IWRealcSHM(void *address, int64_t size);

/* New zeroed arena block registered under `name`, or null. */
void *IWAlcNamedSHM(int count, int64_t size, const char *name);
/* Data of the oldest block registered under `name` (exact case), or null. */
void *IWRtNamedSHMAdd(const char *name);
/* Unregisters and releases the named block whose data is at `address`; an
 * address no record holds is released and the list left as it is. */
void IWFreeNamedSHM(void *address);
/* Prints every named-block record to standard output. */
void IWDumpNamedSHM(void);
/* Calls `visit` for every named block from the head (name null for an
 * unnamed one) under the semaphore. Returns the number visited, or -1 when
 * not attached or the semaphore cannot be had. */
typedef void (*IWNamedSHMVisitor)(const char *name, int size, void *address, void *context);
int IWWalkNamedSHM(IWNamedSHMVisitor visit, void *context);

/* The Config Protection Semaphore "/IWConfigSem_$LOGNAME" that guards the
 * named-block list: 1 when open in this process, 0 when it could neither
 * be opened nor created. IWRemoveConfigSem unlinks it. */
int IWOpenConfigSem(void);
void IWRemoveConfigSem(void);

/* By-address bindings of the calls above. */
void *iwalcshm_(const int *count, const int64_t *size);
void iwfreeshm_(void **address);
void *iwrealcshm_(void **address, const int64_t *size);
void *iwalcnamedshm_(const int *count, const int64_t *size, const char *name);
void *iwrtnamedshmadd_(const char *name);
void iwfreenamedshm_(void **address);
int iwopenconfigsem_(void);
void iwremoveconfigsem_(void);
void iwdumpnamedshm_(void);

#ifdef __cplusplus
}
#endif

#endif /* TREMOSCAN_IWBASE_H */
