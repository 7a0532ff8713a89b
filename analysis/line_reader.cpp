// Block-buffered reading of a text file in pieces of at most 199 characters
// (see line_reader.h).
#include "line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace analysis {

namespace {
constexpr size_t kBlockSize = 1 << 20;  // bytes read per read() call
}

LinePieceReader::~LinePieceReader() {
  if (fd_ >= 0) close(fd_);
}

bool LinePieceReader::Open(const char* path) {
  if (!path || !*path) return false;
  fd_ = open(path, O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat status;
  file_size_ = fstat(fd_, &status) == 0 ? static_cast<long long>(status.st_size) : 0;
  buffer_.resize(kBlockSize + kMaxPiece);
  begin_ = end_ = 0;
  at_eof_ = false;
  return true;
}

// Moves the unread bytes to the front and reads until the buffer is full or
// the file ends. A read error ends the file: the caller sees fewer lines.
bool LinePieceReader::Fill() {
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  while (!at_eof_ && end_ < buffer_.size()) {
    ssize_t got = read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      at_eof_ = true;
      break;
    }
    end_ += static_cast<size_t>(got);
  }
  return end_ > begin_;
}

bool LinePieceReader::Next() {
  if (fd_ < 0) return false;
  if (end_ - begin_ < kMaxPiece && !at_eof_) Fill();
  size_t available = end_ - begin_;
  if (available == 0) return false;
  size_t window = available < kMaxPiece ? available : kMaxPiece;
  const char* start = buffer_.data() + begin_;
  const void* newline = std::memchr(start, '\n', window);
  size_t take = newline ? static_cast<size_t>(static_cast<const char*>(newline) - start) + 1 : window;
  std::memcpy(piece_, start, take);
  piece_[take] = '\0';
  length_ = strnlen(piece_, take);
  begin_ += take;
  return true;
}

bool LinePieceReader::Rewind() {
  if (fd_ < 0) return false;
  begin_ = end_ = 0;
  if (lseek(fd_, 0, SEEK_SET) != 0) {
    at_eof_ = true;
    return false;
  }
  at_eof_ = false;
  return true;
}

}  // namespace analysis
