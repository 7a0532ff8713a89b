// The stream record and the helpers every part of the image file library
// shares: the stream table lookup, messages, byte order and pixel types.
//
// A stream record is owned by the stream table (stream_table.cpp) from open
// to close. Invariants, checked by AssertStreamState in debug builds:
//   (1) record->number equals its slot index in the table;
//   (2) a file stream in I/O mode 1 has file != nullptr, in mode 2 fd >= 1;
//   (3) header points at 1024 bytes (own_header for files and databases,
//       the window's record for window streams) or is null before the
//       header was read or created;
//   (4) ext points at ext_size bytes (own_ext for files) or is null with
//       ext_size 0; an open sets ext_size to `next`, also when the file
//       was too short to fill it (the open then returned 210).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "imlib.h"
#include "iwlib.h"

namespace imlib {

// Stream kinds, as the name classification returns them.
enum StreamKind { kWindowStream = 0, kFileStream = 1 };

// I/O modes of a stream.
enum IoMode { kBuffered = 1, kUnbuffered = 2, kCompressed = 3, kDatabase = 4 };

// What the open attribute asked for.
enum OpenMode { kCreate = 1, kReadOnly = 2, kReadWrite = 3, kAppend = 4 };

// Last transfer on a buffered file: stdio needs a seek between a read and a
// following write (and the reverse).
enum TransferState { kNoTransfer = 0, kAfterRead = 1, kAfterWrite = 2, kAfterSeek = 3 };

// One named field of the field store.
struct Field {
  std::string name;        // fewer than 64 characters
  std::vector<char> value; // size bytes followed by a terminating zero
  char type = 'c';         // 'b', 'c', 'd', 'f' or 'i'
  int size = 0;            // bytes of the value (without the terminating zero)
};

struct Stream {
  int number = 0;          // stream number; equals the table index
  int kind = kFileStream;  // kWindowStream or kFileStream
  int window = 0;          // window number of a window stream
  int column = 0;          // current position: column
  int line = 0;            // current line within the section
  int z = 0, w = 0, t = 0, p = 0;  // current coordinates
  int section = 0;         // section number of (z, w, t, p)
  int io_mode = kBuffered; // IoMode
  int open_mode = kReadOnly;       // OpenMode of the attribute
  FILE* file = nullptr;    // stdio stream of a buffered file
  std::unique_ptr<char[]> stdio_buffer;  // the 2097160-byte stdio buffer
  int fd = -1;             // descriptor of an unbuffered file
  int transfer = kNoTransfer;      // TransferState
  int convert = 1;         // 1: caller buffers hold floats
  std::string name;        // private copy of the name given to open
  std::string attribute;   // the attribute word, lower-cased
  int display = 1;         // display flag for window writes
  int swapped = 0;         // 1 when the file is in the other byte order

  // Parsed header values.
  int file_type = 100;     // <= 99 old layout, > 99 new layout
  int file_id = IM_FILE_ID;// 16-bit ID as read (host order after a swap)
  int mode = IM_USHORT;    // pixel data type
  int data_bits = 0;       // data bits per pixel, 0 = undefined
  int bytes_per_pixel = 2; // bytes of one stored pixel
  int num_sections = 1;    // sections in the file
  int start[3] = {0, 0, 0};        // index of first column, row, section
  int nx = 1, ny = 1, nz = 1, nw = 1, nt = 1, np = 1;  // sizes
  float sampling[3] = {1, 1, 1};   // sampling intervals X, Y, Z
  int sequence = IM_ZWTP;  // image sequence code
  int lens = 0;            // lens ID
  int map[3] = {1, 2, 3};  // map column, row, section axes
  float pixel_size[3] = {1, 1, 1}; // cell / sampling, per axis
  float tilt[3] = {0, 0, 0};       // tilt 1-3, degrees
  float angles[3] = {90, 90, 90};  // cell angles alpha, beta, gamma
  float origin[3] = {0, 0, 0};     // origin X, Y, Z
  float cell[3] = {1, 1, 1};       // cell size X, Y, Z
  int space_group = 0;     // space group number
  int next = 0;            // extended header size in bytes (header field)
  int ext_type = 0;        // extended header type as stored (0 = derive)
  int nint = 0;            // 4-byte integers per section in the extended header
  int nreal = 0;           // 4-byte floats per section in the extended header

  // Extended header buffer and the named fields in it.
  uint8_t* ext = nullptr;          // extended header bytes (own_ext or arena)
  int64_t ext_size = 0;            // bytes at ext
  std::vector<uint8_t> own_ext;    // storage of a file stream's extended header
  std::vector<Field> fields;       // the field store
  int64_t field_bytes_used = 1;    // bytes the store needs in text form

  int header_count = 1;    // header offset 132, not interpreted
  float header_scale = 1;  // header offset 134
  float wave_min[IM_MAX_WAVELENGTHS] = {};   // minimum per wavelength
  float wave_max[IM_MAX_WAVELENGTHS] = {};   // maximum per wavelength
  float wave_mean[IM_MAX_WAVELENGTHS] = {};  // mean per wavelength
  float wavelength[IM_MAX_WAVELENGTHS] = {}; // wavelength in nm
  float scale[IM_MAX_WAVELENGTHS][4] = {};   // display scale: low, high, gamma, 0
  double time_stamp = 0;   // seconds; 0 when undefined
  int aux_int[2] = {0, 0}; // auxiliary integers 1 and 2
  float aux_value[2] = {0, 0};     // auxiliary values 1 and 2
  int max_titles = 4;      // titles this layout holds
  int max_waves = 12;      // wavelengths this layout holds
  int num_titles = 0;      // titles in use
  char titles[IM_MAX_TITLES][IM_TITLE_LENGTH] = {};  // NUL-terminated titles

  uint8_t* header = nullptr;       // the raw 1024-byte header image
  std::vector<uint8_t> own_header; // storage of a file stream's header image
  IWWindowImage* window_image = nullptr;  // the window's record (window streams)
};

// ---- stream table (stream_table.cpp) --------------------------------------
// The record of a stream number, or null after printing "%s %d: invalid
// stream number." (*rc = 1) or "... internal stream numbering error." (3).
Stream* LookupStream(const char* call, int number, int* rc);
// Checks the invariants above (debug builds only).
void AssertStreamState(const Stream* s);
// The record without messages (null when the slot is empty or invalid).
Stream* PeekStream(int number);
int VerboseLevel();
int DefaultDisplayFlag();
void SetDefaultDisplayFlag(int flag);
void ForEachOpenStream(void (*visit)(Stream*));

// ---- messages (messages.cpp) -----------------------------------------------
void PrintError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void PrintOut(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "        <system error text>" on standard error.
void PrintSystemError(int saved_errno);

// ---- pixel types (pixel_types.cpp) -------------------------------------------
// Bytes per pixel of a type, or 0 for an unknown type.
int BytesPerPixelOf(int mode);
// Bytes per pixel of a type, 2 for a type without a size (5, unknown).
int AssumedBytesPerPixel(int mode);
const char* PixelTypeText(int mode);

// ---- byte order (header_layout.cpp) ------------------------------------------
void Reverse2(void* p);
void Reverse4(void* p);
void Reverse8(void* p);
// Recognises the byte order at offset 96 and reverses a foreign header.
void DetectByteOrder(Stream* s);
// Header image <-> record.
void ParseHeader(Stream* s);
void BuildHeader(Stream* s);
void SetTitleLimits(Stream* s);

// ---- raw I/O (stream_io.cpp) -------------------------------------------------
size_t RawRead(Stream* s, void* buffer, size_t size, size_t count);
size_t RawWrite(Stream* s, const void* buffer, size_t size, size_t count);
int SeekAbsolute(Stream* s, int64_t offset);   // 0 or -1
int SeekRelative(Stream* s, int64_t delta);    // 0 or -1
int64_t TellOffset(Stream* s);                 // -1 on failure
int AtEndOfFile(Stream* s);
// Writes a buffered file's stdio buffer out; 0, or -1 with errno set.
int FlushStream(Stream* s);
// Closes the file (a buffered one writes its buffer out first); 0, or -1
// with errno set when that data or the close failed.
int CloseStreamFile(Stream* s);

// ---- window and header helpers -----------------------------------------------
// Re-reads a window stream's values from its window (no-op for files).
void RefreshFromWindow(Stream* s);
// Stores a window stream's values into its window (no-op for files).
void PushToWindow(Stream* s);

// ---- safe arithmetic (section_numbering.cpp) ---------------------------------
// Product of sizes, saturated at INT64_MAX (header counts can be absurd).
int64_t SaturatedProduct(int64_t a, int64_t b);
// Sections NZ*NW*NT*NP of a stream, saturated.
int64_t SectionCount(const Stream* s);
// A float rounded by adding 0.5 and truncating, clamped to the int range
// (NaN gives 0).
int RoundHalfUp(float v);

// ---- section numbering (section_numbering.cpp) ------------------------------
// Section of (z, w, t, p) by the sequence; -1 for a bad sequence code.
int64_t SectionOf(int sequence, int nz, int nw, int nt, int np, int z, int w, int t, int p);
// Coordinates of a section; false for a bad sequence code.
bool CoordinatesOf(int sequence, int nz, int nw, int nt, int np, int64_t section, int* z,
                   int* w, int* t, int* p);
// Copies the stream's position to its window image, if it has one, so that
// the window layer sees where the stream stands.
void StorePositionInWindow(Stream* s);
// File offset of a line of a section.
double PixelOffset(const Stream* s, int64_t section, int64_t line);

// ---- extended header (extended_header.cpp, field_store.cpp) -----------------
int ResolvedExtType(const Stream* s);
// Field area start and capacity (capacity 0 when there is none).
int64_t FieldAreaStart(const Stream* s);
int64_t FieldAreaCapacity(const Stream* s);
// Parses the field area into the store; a code of the 72x/73x group.
int ReadAllFields(Stream* s);
// Writes the store into the field area; reports an overrun as IMWrHdr2 when
// report is true. Returns true when everything fit.
bool WriteAllFields(Stream* s, bool report);
int64_t FieldBytesUsed(const std::vector<Field>& fields);
// Adds or replaces a field given as its value text; 0 or 720 (printed).
int SetField(Stream* s, const std::string& name, char type, const char* bytes, int size);
// Replaces the extended header buffer with a zeroed one of size bytes.
bool ReplaceExtHeader(Stream* s, int64_t size);
void ReleaseExtHeader(Stream* s);

// Largest extended header the library allocates (bytes). An open
// allocates the size the header claims even when the file is shorter, so
// this bounds what a damaged header can cost: 256 MB still hold the values
// of 1.6 million sections of the largest extended header type.
constexpr int64_t kMaxExtHeaderBytes = int64_t(1) << 28;

}  // namespace imlib
