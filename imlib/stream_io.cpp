// Raw byte I/O beneath section, header and extended header transfers.
//
// Buffered streams use one stdio call per transfer. Unbuffered streams use
// up to kMaxSystemCalls read/write calls for the bytes still missing,
// because a single call may transfer fewer bytes than asked. Compressed
// streams are never supported. Positions are 64-bit offsets.
//
// A buffered stream needs a seek between a read and a following write (and
// the reverse); the transfer state remembers the last operation:
//   kNoTransfer/kAfterSeek --read--> kAfterRead --write [seek 0]--> kAfterWrite
//   kAfterWrite --read [seek 0]--> kAfterRead;  any seek --> kAfterSeek
#include <cerrno>
#include <unistd.h>

#include "stream.h"
#include "syscalls.h"

namespace imlib {

SysCalls g_syscalls = {::read, ::write};

namespace {

constexpr int kMaxSystemCalls = 11;

// Large transfers on a buffered stream (from one conversion area of 131072
// bytes up) go straight between the file and the caller's memory at the
// stream's position, which is then set past them: stdio would otherwise
// copy them through its buffer once more. Small transfers (headers, lines)
// keep the stdio buffer.
constexpr size_t kDirectTransferBytes = 2097160;

// Reads total bytes at the buffered stream's position without its buffer;
// returns the bytes read, or -1 when the position is unknown.
int64_t DirectRead(FILE* f, char* p, size_t total) {
  off_t pos = ftello(f);
  if (pos < 0) return -1;
  size_t done = 0;
  while (done < total) {
    ssize_t r = pread(fileno(f), p + done, total - done, pos + off_t(done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += size_t(r);
  }
  fseeko(f, pos + off_t(done), SEEK_SET);
  // A short transfer is finished through stdio so that its end-of-file
  // and error flags describe it.
  if (done < total) done += fread(p + done, 1, total - done, f);
  return int64_t(done);
}

int64_t DirectWrite(FILE* f, const char* p, size_t total) {
  if (fflush(f) != 0) return -1;
  off_t pos = ftello(f);
  if (pos < 0) return -1;
  size_t done = 0;
  while (done < total) {
    ssize_t r = pwrite(fileno(f), p + done, total - done, pos + off_t(done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += size_t(r);
  }
  fseeko(f, pos + off_t(done), SEEK_SET);
  return int64_t(done);
}

// Re-synchronises a buffered stream before switching between read and
// write. The seek writes out data still buffered, so its failure means
// that data never reached the file: the transfer then does nothing and the
// caller reports its short count. False on failure.
bool SwitchDirection(Stream* s, int next) {
  if ((next == kAfterRead && s->transfer == kAfterWrite) ||
      (next == kAfterWrite && s->transfer == kAfterRead))
    return fseeko(s->file, 0, SEEK_CUR) == 0;
  return true;
}

}  // namespace

size_t RawRead(Stream* s, void* buffer, size_t size, size_t count) {
  if (size == 0 || count == 0) return 0;
  switch (s->io_mode) {
    case kBuffered: {
      if (!s->file || !SwitchDirection(s, kAfterRead)) return 0;
      s->transfer = kAfterRead;
      if (size * count >= kDirectTransferBytes) {
        int64_t done = DirectRead(s->file, static_cast<char*>(buffer), size * count);
        if (done >= 0) return size_t(done) / size;
      }
      return fread(buffer, size, count, s->file);
    }
    case kUnbuffered: {
      size_t total = size * count, done = 0;
      int calls = 0;
      char* p = static_cast<char*>(buffer);
      while (done < total && calls < kMaxSystemCalls) {
        ssize_t r = g_syscalls.read(s->fd, p + done, total - done);
        ++calls;
        if (r > 0) done += size_t(r);
      }
      if (calls == kMaxSystemCalls)
        PrintError("iStreamFileRead: too many retries (%d), only %d elements read...\n", calls,
                   int(done / size));
      s->transfer = kAfterRead;
      return done / size;
    }
    case kCompressed:
      PrintError("iStreamFileRead: compressed IO not supported.\n");
      return 0;
    default:
      return 0;
  }
}

size_t RawWrite(Stream* s, const void* buffer, size_t size, size_t count) {
  if (size == 0 || count == 0) return 0;
  switch (s->io_mode) {
    case kBuffered: {
      if (!s->file || !SwitchDirection(s, kAfterWrite)) return 0;
      s->transfer = kAfterWrite;
      if (size * count >= kDirectTransferBytes) {
        int64_t done = DirectWrite(s->file, static_cast<const char*>(buffer), size * count);
        if (done >= 0) return size_t(done) / size;
      }
      return fwrite(buffer, size, count, s->file);
    }
    case kUnbuffered: {
      size_t total = size * count, done = 0;
      int calls = 0;
      const char* p = static_cast<const char*>(buffer);
      while (done < total && calls < kMaxSystemCalls) {
        ssize_t r = g_syscalls.write(s->fd, p + done, total - done);
        ++calls;
        if (r > 0) done += size_t(r);
      }
      if (calls == kMaxSystemCalls)
        PrintError("iStreamFileWrite: too many retries (%d), only %d elements written...\n",
                   calls, int(done / size));
      s->transfer = kAfterWrite;
      return done / size;
    }
    case kCompressed:
      PrintError("iStreamFileWrite: compressed IO is unsupported.\n");
      return 0;
    default:
      return 0;
  }
}

int SeekAbsolute(Stream* s, int64_t offset) {
  int rc = -1;
  if (offset < 0) return -1;
  if (s->io_mode == kBuffered && s->file) {
    rc = fseeko(s->file, off_t(offset), SEEK_SET) == 0 ? 0 : -1;
  } else if (s->io_mode == kUnbuffered && s->fd >= 0) {
    rc = lseek(s->fd, off_t(offset), SEEK_SET) < 0 ? -1 : 0;
  } else if (s->io_mode == kCompressed) {
    PrintError("iStreamFileSeek: compressed IO not supported.\n");
  }
  if (rc == 0) s->transfer = kAfterSeek;
  return rc;
}

int SeekRelative(Stream* s, int64_t delta) {
  int rc = -1;
  if (s->io_mode == kBuffered && s->file) {
    rc = fseeko(s->file, off_t(delta), SEEK_CUR) == 0 ? 0 : -1;
  } else if (s->io_mode == kUnbuffered && s->fd >= 0) {
    rc = lseek(s->fd, off_t(delta), SEEK_CUR) < 0 ? -1 : 0;
  } else if (s->io_mode == kCompressed) {
    PrintError("iStreamFileSeek: compressed IO not supported.\n");
  }
  if (rc == 0) s->transfer = kAfterSeek;
  return rc;
}

int64_t TellOffset(Stream* s) {
  if (s->io_mode == kBuffered && s->file) return int64_t(ftello(s->file));
  if (s->io_mode == kUnbuffered && s->fd >= 0) return int64_t(lseek(s->fd, 0, SEEK_CUR));
  if (s->io_mode == kCompressed) PrintError("dStreamFileTell: compressed IO not supported.\n");
  return -1;
}

int AtEndOfFile(Stream* s) {
  if (s->io_mode == kBuffered && s->file) return feof(s->file) ? 1 : 0;
  if (s->io_mode == kUnbuffered)
    PrintError("iStreamFileEOF() is unavailable with unbuffered file IO.\n");
  return 0;
}

int FlushStream(Stream* s) {
  if (s->io_mode == kBuffered && s->file) return fflush(s->file) == 0 ? 0 : -1;
  return 0;
}

int CloseStreamFile(Stream* s) {
  int rc = 0;
  if (s->io_mode == kCompressed) PrintError("iStreamFileClose: compressed IO not supported.\n");
  if (s->file) {
    rc = fclose(s->file) == 0 ? 0 : -1;
    s->file = nullptr;
  } else if (s->fd >= 0) {
    rc = close(s->fd) == 0 ? 0 : -1;
    s->fd = -1;
  } else if (s->io_mode != kDatabase) {
    PrintError("iStreamFileClose %d: an unopened file was requested to be closed.\n", s->number);
  }
  s->stdio_buffer.reset();
  return rc;
}

}  // namespace imlib
