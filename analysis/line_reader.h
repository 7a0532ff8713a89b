// Reads a text file in the pieces that the track file format is defined by:
// a piece holds at most 199 characters and ends after a line end, after the
// 199th character, or at the end of the file, so that the rest of a longer
// line is read as the next line. Each piece is handed out as a NUL-terminated
// copy; like any C string it ends at the first NUL byte it contains.
//
// The file is read in large blocks so that a track file of millions of lines
// costs little more than the parsing of its numbers.
//
// Invariants:
//  (1) buffer_[begin_, end_) holds the bytes of the file not yet handed out,
//      in file order; at_eof_ is set once read() reported the end of the file
//      (or an error, which ends the file the same way).
//  (2) Before a piece is cut, the buffer holds at least kMaxPiece bytes or
//      everything left in the file.
#pragma once

#include <cstddef>
#include <vector>

namespace analysis {

class LinePieceReader {
 public:
  static constexpr size_t kMaxPiece = 199;  // characters per piece, line end included

  LinePieceReader() = default;
  ~LinePieceReader();
  LinePieceReader(const LinePieceReader&) = delete;
  LinePieceReader& operator=(const LinePieceReader&) = delete;

  // Opens the file; false when the path is NULL, empty or cannot be opened.
  bool Open(const char* path);
  // Cuts the next piece. Returns false at the end of the file.
  bool Next();
  // Starts again at the beginning of the file. False when the file cannot be
  // repositioned (the reader is then at the end).
  bool Rewind();

  // Size of the file in bytes when it was opened (0 when unknown).
  long long file_size() const { return file_size_; }

  const char* text() const { return piece_; }  // the piece, NUL-terminated
  size_t length() const { return length_; }     // characters before the first NUL

 private:
  bool Fill();

  int fd_ = -1;                // open file descriptor, -1 when closed
  long long file_size_ = 0;    // bytes, from fstat at Open
  std::vector<char> buffer_;   // block buffer of the file's bytes
  size_t begin_ = 0;           // first byte not yet handed out
  size_t end_ = 0;             // one past the last byte read
  bool at_eof_ = false;        // read() has reported the end of the file
  char piece_[kMaxPiece + 1];  // the current piece with its NUL
  size_t length_ = 0;          // strlen(piece_)
};

}  // namespace analysis
