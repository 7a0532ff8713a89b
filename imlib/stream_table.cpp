// The stream table: stream numbers 1 ... 10000, each empty or owning one
// stream record, and opening and closing of streams.
//
// Slot life cycle:
//   empty --IMOpen--> open (record allocated, name and kind set)
//         --header read (IMRdHdr2) or default header made--> positioned
//         --IMClose--> empty
// A failed open always leaves the slot empty. Re-opening a number that is
// in use reuses its slot after a warning (the old file is closed first).
#include <fcntl.h>
#include <unistd.h>

#include <cassert>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "stream.h"

namespace imlib {

namespace {

constexpr size_t kStdioBufferBytes = 2097160;  // stdio buffer of a buffered file
constexpr size_t kMaxAttributeChars = 35;      // characters of the attribute word
constexpr size_t kOpenNameBytes = 2048;        // name buffer of the counted binding

struct TableState {
  std::unique_ptr<Stream> slots[IM_MAX_STREAMS + 1];  // index 0 unused
  bool first_open_done = false;  // the first IMOpen of the process has run
  int verbose_level = 0;         // library verbose level
  int default_display = 1;       // display flag given to new file streams
};

TableState& State() {
  static TableState state;
  return state;
}

// Frees a record and empties its slot (every failed open ends here).
void DiscardSlot(int number) {
  std::unique_ptr<Stream>& slot = State().slots[number];
  if (!slot) return;
  if (slot->file) fclose(slot->file);
  if (slot->fd >= 0) close(slot->fd);
  slot.reset();
}

// Closes a file stream's file; data that a buffered file still held and
// could not write is reported under the call's name. 0 or 213.
int CloseReporting(const char* call, Stream* s) {
  if (CloseStreamFile(s) == 0) return IM_ERR_NONE;
  int saved = errno;
  PrintError("%s %d: unable to write the buffered data when closing the file.\n", call,
             s->number);
  PrintSystemError(saved);
  return IM_ERR_WRITE_COUNT;
}

// Directory part of a name for create: the text before the last separator.
std::string DirectoryOf(const std::string& name) {
  std::string n = name;
  if (!n.empty() && (n.back() == '/' || n.back() == '\\')) n.pop_back();
  size_t cut = n.find_last_of("/\\");
  if (cut == std::string::npos) return "";
  return n.substr(0, cut);
}

bool StartsWithNoCase(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix)
    if (tolower(static_cast<unsigned char>(*text)) != *prefix) return false;
  return true;
}

// The file checks before an open; 0 or the open's code (slot left to caller).
int CheckAccess(int number, const std::string& name, int open_mode) {
  if (open_mode == kCreate) {
    std::string dir = DirectoryOf(name);
    if (!dir.empty() && access(dir.c_str(), R_OK | W_OK) != 0) {
      if (errno == EACCES) {
        PrintError("IMOpen %d: unable to obtain read/write access to\n%s\n", number, dir.c_str());
        return IM_ERR_READ_WRITE_ACCESS;
      }
      if (errno == ENOENT || errno == ENOTDIR) {
        PrintError("IMOpen %d: unable to find directory:\n        %s\n", number, dir.c_str());
        return IM_ERR_FIND_DIRECTORY;
      }
    }
  } else if (open_mode == kReadOnly) {
    if (access(name.c_str(), R_OK) != 0) {
      if (errno == EACCES) {
        PrintError("IMOpen %d: unable to obtain read access to\n%s\n", number, name.c_str());
        return IM_ERR_READ_ACCESS;
      }
      if (errno == ENOENT || errno == ENOTDIR) {
        PrintError("IMOpen %d: unable to find file\n%s\n", number, name.c_str());
        return IM_ERR_FIND_FILE;
      }
    }
  } else {
    if (access(name.c_str(), R_OK | W_OK) != 0) {
      if (errno == EACCES) {
        PrintError("IMOpen %d: unable to obtain read/write access to\n%s\n", number,
                   name.c_str());
        return IM_ERR_READ_WRITE_ACCESS;
      }
      if (errno == ENOENT || errno == ENOTDIR) {
        PrintError("IMOpen %d: unable to find file\n%s\n", number, name.c_str());
        return IM_ERR_FIND_FILE;
      }
    }
  }
  return IM_ERR_NONE;
}

// Opens the file of a file stream; false on failure.
bool OpenStreamFile(Stream* s) {
  switch (s->io_mode) {
    case kBuffered: {
      const char* how = nullptr;
      switch (s->open_mode) {
        case kCreate: how = "w+b"; break;
        case kReadOnly: how = "rb"; break;
        case kReadWrite:
        case kAppend: how = "r+b"; break;
        default:
          PrintError("iCreateBufferedIOModeArgs: %d is an invalid open mode.\n", s->open_mode);
          return false;
      }
      s->file = fopen(s->name.c_str(), how);
      if (!s->file) return false;
      s->stdio_buffer.reset(new (std::nothrow) char[kStdioBufferBytes]);
      if (s->stdio_buffer)
        setvbuf(s->file, s->stdio_buffer.get(), _IOFBF, kStdioBufferBytes);
      return true;
    }
    case kUnbuffered: {
      int flags = 0;
      switch (s->open_mode) {
        case kCreate: flags = O_RDWR | O_CREAT; break;
        case kReadOnly: flags = O_RDONLY; break;
        case kReadWrite:
        case kAppend: flags = O_RDWR; break;
        default:
          PrintError("iCreateUnbufferedIOModeArgs: %d is an invalid open mode.\n", s->open_mode);
          return false;
      }
      int fd = open(s->name.c_str(), flags, 0644);
      if (fd < 1) {
        if (fd == 0) close(fd);
        return false;
      }
      s->fd = fd;
      return true;
    }
    case kCompressed:
      PrintError("iStreamFileOpen: compressed IO not supported.\n");
      return false;
    case kDatabase:
      return IWDMEOpenImage(s->name.c_str(), s->open_mode) == 0;
    default:
      return false;
  }
}

// Reads or fetches the extended header after the main header (step 11 of
// an open). Returns 0, 210, 301 or 902.
int LoadExtHeader(Stream* s) {
  int rc = IM_ERR_NONE;
  int64_t size = s->next;
  if (size < 1) return rc;
  if (s->kind == kWindowStream) {
    if (s->window_image && s->window_image->ext_header &&
        s->window_image->ext_header_size >= size) {
      s->ext = static_cast<uint8_t*>(s->window_image->ext_header);
      s->ext_size = size;
    } else if (!ReplaceExtHeader(s, size)) {
      PrintError("IMOpen %d: extended header memory allocation error.\n", s->number);
      return IM_ERR_ALLOC;
    }
    ReadAllFields(s);
    return rc;
  }
  if (s->io_mode == kDatabase) {
    if (size > kMaxExtHeaderBytes || !ReplaceExtHeader(s, size)) {
      PrintError("IMOpen %d: extended header memory allocation error.\n", s->number);
      return IM_ERR_ALLOC;
    }
    if (IWDMEGetExtHeader(s->ext) != 0) {
      PrintError("IMOpen %d: error reading extended header from the DMS.\n", s->number);
      return IM_ERR_READ_EXT_HEADER;
    }
  } else {
    if (SeekAbsolute(s, IM_HEADER_BYTES) != 0) {
      PrintError("%s %d: error positioning stream.\n", "IMOpen", s->number);
      return IM_ERR_POSITION;
    }
    // The whole extended header is allocated even when the file is too
    // short to fill it: the calls on it then see what the file holds and
    // zeros for the rest, and the open returns 210.
    if (size > kMaxExtHeaderBytes || !ReplaceExtHeader(s, size)) {
      PrintError("IMOpen %d: extended header memory allocation error.\n", s->number);
      return IM_ERR_ALLOC;
    }
    size_t got = RawRead(s, s->ext, 1, size_t(size));
    if (int64_t(got) != size) {
      PrintError("IMOpen %d: error reading extended header (%d,%d,%s,\"%s\").\n", s->number,
                 int(got), int(size), s->attribute.c_str(), s->name.c_str());
      rc = IM_ERR_READ_EXT_HEADER;
    }
    if (s->swapped) {
      int64_t block = 4 * int64_t(s->num_sections) * (int64_t(s->nint) + s->nreal);
      if (block > s->ext_size) block = s->ext_size;
      for (int64_t o = 0; o + 4 <= block; o += 4) Reverse4(s->ext + o);
    }
  }
  ReadAllFields(s);
  return rc;
}

// Opens a window stream's window (step 9 of an open). 0 or its code.
int AttachWindow(Stream* s) {
  const char* attribute = s->open_mode == kAppend ? "old" : s->attribute.c_str();
  IWWindowImage* image = isimopen_(&s->window, attribute);
  if (!image) {
    PrintError("IMOpen: unable to open window connected to stream %d.\n", s->number);
    return IM_ERR_OPEN_WINDOW;
  }
  if (s->open_mode != kCreate &&
      !(s->window < IWRtWinListSize() && IWRtWinInUse(s->window)))
    return IM_ERR_NO_WINDOW;
  s->window_image = image;
  s->header = image->header;
  if (s->open_mode != kCreate) {
    ParseHeader(s);
    s->column = image->column;
    s->line = image->line;
    s->z = image->z;
    s->w = image->w;
    s->t = image->t;
    s->p = image->p;
    s->section = image->section;
    for (int w = 0; w < 5; ++w) {
      s->wave_min[w] = image->wave_min[w];
      s->wave_max[w] = image->wave_max[w];
      s->wave_mean[w] = image->wave_mean[w];
    }
  } else {
    s->column = s->line = s->z = s->w = s->t = s->p = s->section = 0;
  }
  if (s->open_mode == kAppend) {
    if (s->nz > 0) s->z = s->nz - 1;
    if (s->nw > 0) s->w = s->nw - 1;
    if (s->nt > 0) s->t = s->nt - 1;
    if (s->np > 0) s->p = s->np - 1;
  }
  return IM_ERR_NONE;
}

// The default header of a newly created file: one 1 x 1 section of 2-byte
// unsigned pixels in ZWTP order, new layout.
void MakeDefaultHeader(Stream* s) {
  s->own_header.assign(IM_HEADER_BYTES, 0);
  s->header = s->own_header.data();
  s->nx = s->ny = s->nz = s->nw = s->nt = s->np = 1;
  s->num_sections = 1;
  s->sequence = IM_ZWTP;
  s->mode = IM_USHORT;
  s->bytes_per_pixel = 2;
  s->file_type = 100;
  s->file_id = IM_FILE_ID;
  SetTitleLimits(s);
}

int ParseAttribute(const char* attribute, std::string* word) {
  word->clear();
  for (const char* c = attribute ? attribute : ""; *c && *c != ' ' && word->size() < kMaxAttributeChars; ++c)
    word->push_back(char(tolower(static_cast<unsigned char>(*c))));
  const char* w = word->c_str();
  if (strncmp(w, "new", 3) == 0) return kCreate;
  if (strncmp(w, "scratch", 7) == 0) return kCreate;
  if (strncmp(w, "ro", 2) == 0) return kReadOnly;
  if (strncmp(w, "old", 3) == 0) return kReadWrite;
  if (strncmp(w, "append", 6) == 0) return kAppend;
  return 0;
}

}  // namespace

void AssertStreamState(const Stream* s) {
#ifndef NDEBUG
  assert(s->number >= 1 && s->number <= IM_MAX_STREAMS);
  if (s->kind == kFileStream && s->io_mode == kBuffered) assert(s->file != nullptr);
  if (s->kind == kFileStream && s->io_mode == kUnbuffered) assert(s->fd >= 1);
  assert((s->ext == nullptr) == (s->ext_size == 0));
  if (s->kind == kFileStream && s->header) assert(s->header == s->own_header.data());
  if (s->kind == kFileStream && s->ext) assert(s->ext == s->own_ext.data());
#else
  (void)s;
#endif
}

Stream* PeekStream(int number) {
  if (number < 1 || number > IM_MAX_STREAMS) return nullptr;
  Stream* s = State().slots[number].get();
  return s && s->number == number ? s : nullptr;
}

Stream* LookupStream(const char* call, int number, int* rc) {
  if (number < 1 || number > IM_MAX_STREAMS) {
    PrintError("%s %d: invalid stream number.\n", call, number);
    *rc = IM_ERR_INVALID_STREAM;
    return nullptr;
  }
  Stream* s = State().slots[number].get();
  if (!s || s->number != number) {
    PrintError("%s %d: internal stream numbering error.\n", call, number);
    *rc = IM_ERR_STREAM_NUMBERING;
    return nullptr;
  }
  AssertStreamState(s);
  *rc = IM_ERR_NONE;
  return s;
}

int VerboseLevel() { return State().verbose_level; }
int DefaultDisplayFlag() { return State().default_display; }
void SetDefaultDisplayFlag(int flag) { State().default_display = flag; }

void ForEachOpenStream(void (*visit)(Stream*)) {
  for (int i = 1; i <= IM_MAX_STREAMS; ++i)
    if (State().slots[i]) visit(State().slots[i].get());
}

}  // namespace imlib

using namespace imlib;

extern "C" {

int IMRtStreamTypeFromName(const char* name, int* window) {
  if (!name || !*name) {
    PrintError("IMRtStreamTypeFromName: invalid stream name.\n");
    return IM_ERR_STREAM_NAME;
  }
  size_t n = strlen(name);
  if (n < 5 && name[0] != '0') {
    char* end = nullptr;
    errno = 0;
    long v = strtol(name, &end, 10);
    if (end && *end == '\0' && errno == 0 && v >= 1 && v <= IW_MAX_WINDOW_NUMBER) {
      if (window) *window = int(v);
      return kWindowStream;
    }
  }
  return kFileStream;
}

int IMAlVerboseMode(int flag) {
  (void)flag;
  PrintOut("IMAlVerboseMode: verbose mode is always on.");
  return IM_ERR_NONE;
}

int IMAlVerboseLevel(int level) {
  State().verbose_level = level;
  return IM_ERR_NONE;
}

int IMRtVerboseLevel(void) { return State().verbose_level; }

int IMRtMaxStreams(void) { return IM_MAX_STREAMS; }

int IMOpen(int number, const char* name, const char* attribute) {
  TableState& st = State();
  int rc = IM_ERR_NONE;
  if (!st.first_open_done) {
    st.first_open_done = true;
    if (getenv("IMSUBS_VERBOSE")) IMAlVerboseMode(1);
    for (auto& slot : st.slots) slot.reset();
  }
  if (number < 1 || number > IM_MAX_STREAMS) {
    PrintError("IMOpen %d: invalid stream number.\n", number);
    return IM_ERR_INVALID_STREAM;
  }
  std::string stream_name = name ? name : "";
  std::unique_ptr<Stream>& slot = st.slots[number];
  if (slot) {
    PrintError("[%d] IMOpen %d: stream (name %s) is already open. Continuing...\n",
               int(getpid()), number, stream_name.c_str());
    // Reuse the slot: the old file, name and buffers are released first.
    if (slot->kind == kFileStream && (slot->file || slot->fd >= 0))
      CloseReporting("IMOpen", slot.get());
    if (slot->kind == kFileStream) ReleaseExtHeader(slot.get());
    slot.reset();
  }
  slot.reset(new (std::nothrow) Stream);
  if (!slot) {
    PrintError("IMOpen %d: memory allocation error.\n", number);
    return IM_ERR_ALLOC;
  }
  Stream* s = slot.get();
  s->number = number;
  s->io_mode = kBuffered;
  s->name = stream_name;
  int window = 0;
  int kind = IMRtStreamTypeFromName(stream_name.c_str(), &window);
  s->kind = kind == kWindowStream ? kWindowStream : kFileStream;
  s->window = s->kind == kWindowStream ? window : 0;
  s->display = s->kind == kWindowStream ? 1 : st.default_display;

  s->open_mode = ParseAttribute(attribute, &s->attribute);
  if (s->open_mode == 0) {
    PrintError("IMOpen %d: %s is an invalid stream attribute.\n", number, s->attribute.c_str());
    DiscardSlot(number);
    return IM_ERR_ATTRIBUTE;
  }
  bool database = StartsWithNoCase(stream_name.c_str(), "dme:");
  if (database) {
    s->io_mode = kDatabase;
  } else {
    const char* full = attribute ? attribute : "";
    std::string lower;
    for (const char* c = full; *c; ++c) lower.push_back(char(tolower(static_cast<unsigned char>(*c))));
    if (lower.find("_unbuffered") != std::string::npos) s->io_mode = kUnbuffered;
    if (lower.find("_buffered") != std::string::npos) s->io_mode = kBuffered;
  }

  if (s->kind == kFileStream) {
    if (!database) {
      rc = CheckAccess(number, stream_name, s->open_mode);
      if (rc != IM_ERR_NONE) {
        DiscardSlot(number);
        return rc;
      }
    }
    if (!OpenStreamFile(s)) {
      if (!database) PrintError("IMOpen %d: unable to open file\n%s.\n", number, stream_name.c_str());
      DiscardSlot(number);
      return IM_ERR_OPEN_FILE;
    }
    if (s->open_mode != kCreate) {
      rc = IMRdHdr2(number);
      if (rc != IM_ERR_NONE) {
        DiscardSlot(number);
        return rc;
      }
    }
  } else {
    rc = AttachWindow(s);
    if (rc != IM_ERR_NONE) {
      DiscardSlot(number);
      return rc;
    }
  }

  if (!s->header) {
    if (s->kind == kFileStream && s->open_mode == kCreate) {
      MakeDefaultHeader(s);
      IMPosn(number, 0, 0);
      return IM_ERR_NONE;
    }
    if (s->kind == kFileStream) {
      PrintError("IMOpen %d: critical error. Header is NULL.\n", number);
      DiscardSlot(number);
      return IM_ERR_NEW_HEADER;
    }
    PrintError("IMOpen %d: error getting header information from window.\n", number);
    DiscardSlot(number);
    return IM_ERR_WINDOW_HEADER;
  }

  if (s->open_mode != kCreate) {
    rc = LoadExtHeader(s);
    if (rc == IM_ERR_POSITION || rc == IM_ERR_ALLOC) {
      DiscardSlot(number);
      return rc;
    }
  }
  int posn_rc;
  if (s->open_mode == kAppend) {
    posn_rc = IMPosn(number, s->num_sections - 1, 0);
  } else {
    posn_rc = IMPosn(number, 0, 0);
  }
  if (posn_rc != IM_ERR_NONE) {
    DiscardSlot(number);
    return posn_rc;
  }
  return rc;
}

int IMOpen2(int* number, const char* name, const char* attribute) {
  int found = 0;
  TableState& st = State();
  if (!st.first_open_done) {
    // The first open clears the table; nothing can be in use before it.
    found = IM_MAX_STREAMS;
  } else {
    for (int i = IM_MAX_STREAMS; i >= 1; --i)
      if (!st.slots[i]) {
        found = i;
        break;
      }
  }
  if (found == 0) {
    PrintError("IMOpen2: no available streams. Max allowed is %d.\n", IM_MAX_STREAMS);
    return IM_ERR_NO_STREAMS;
  }
  if (number) *number = found;
  return IMOpen(found, name, attribute);
}

int IMOpen_(const int* stream, const char* name, const char* attribute, int name_length,
            int attribute_length) {
  int number = stream ? *stream : 0;
  if (name_length > 2040 || attribute_length > 34) {
    PrintError("IMOpen_ %d: file name is too long.\n", number);
    return IM_ERR_NAME_TOO_LONG;
  }
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kOpenNameBytes]);
  if (!buffer) {
    PrintError("IMOpen_ %d: unable to allocate memory.\n", number);
    return IM_ERR_ALLOC;
  }
  int n = 0;
  for (; name && n < name_length && name[n]; ++n) buffer[n] = name[n];
  buffer[n] = '\0';
  char attrib[kMaxAttributeChars + 1];
  int a = 0;
  for (; attribute && a < attribute_length && a < int(kMaxAttributeChars) && attribute[a] &&
         attribute[a] != ' ';
       ++a)
    attrib[a] = attribute[a];
  attrib[a] = '\0';
  if (State().verbose_level > 1) {
    PrintOut("IMOpen_ %d: string lengths = %d, %d\n", number, name_length, attribute_length);
    PrintOut("> name: %s.\n> attrib: %s.\n", buffer.get(), attrib);
  }
  return IMOpen(number, buffer.get(), attrib);
}

int IMClose(int number) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMClose", number, &rc);
  if (!s) return rc;
  if (s->kind == kFileStream) {
    rc = CloseReporting("IMClose", s);
    ReleaseExtHeader(s);
  }
  State().slots[number].reset();
  return rc;
}

int IMFileSync(int number) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMFileSync", number, &rc);
  if (!s) return rc;
  if (!s->file) return 1;
  int fd = fileno(s->file);
  if (fd >= 1) {
    if (FlushStream(s) != 0 || fsync(fd) != 0) {
      int saved = errno;
      PrintError("IMFileSync %d: unable to write the buffered data to disk.\n", number);
      PrintSystemError(saved);
      return IM_ERR_WRITE_COUNT;
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  }
  return IM_ERR_NONE;
}

int IMOpenWindowStream(int stream, int window, const char* attribute) {
  if (IWRtWinListSize() <= 0) return -1;
  bool create = attribute && StartsWithNoCase(attribute, "new");
  if (!create && !IWisWinExist(window)) return -1;
  char name[32];
  snprintf(name, sizeof name, "%d", window);
  return IMOpen(stream, name, attribute) == IM_ERR_NONE ? 1 : -1;
}

}  // extern "C"
