// Section throughput of the image file library against a plain loop.
//
// Reads a 2048 x 2048 x N-section file of 2-byte unsigned pixels (N = 100
// unless given as the first argument) section by section with conversion
// to floats, once through IMRdSec and once with read() and an inline
// conversion; then writes the same sections from floats with clamping,
// once through IMWrSec and once with an inline clamp and write(). The file
// is read once beforehand so both readers see it in the page cache.
// Prints both throughputs and their ratio (library time / loop time);
// the goal is a ratio of at most 1.25.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imlib.h"

namespace {

constexpr int kSide = 2048;
constexpr size_t kPixels = size_t(kSide) * kSide;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Header bytes before the pixels of a file the library wrote.
long PixelOffset(const char* path) {
  int stream = 0;
  IMOpen2(&stream, path, "ro");
  int ext = 0;
  IMRtSpg(stream, nullptr, &ext);
  IMClose(stream);
  return 1024 + ext;
}

double LibraryRead(const char* path, int sections, std::vector<float>& buffer) {
  auto start = std::chrono::steady_clock::now();
  int stream = 0;
  if (IMOpen2(&stream, path, "ro") != 0) exit(1);
  for (int s = 0; s < sections; ++s)
    if (IMRdSec(stream, buffer.data()) != 0) exit(1);
  IMClose(stream);
  return Seconds(start);
}

double PlainRead(const char* path, int sections, std::vector<float>& buffer) {
  auto start = std::chrono::steady_clock::now();
  int fd = open(path, O_RDONLY);
  lseek(fd, PixelOffset(path), SEEK_SET);
  std::vector<uint16_t> raw(kPixels);
  for (int s = 0; s < sections; ++s) {
    size_t want = kPixels * 2, done = 0;
    char* p = reinterpret_cast<char*>(raw.data());
    while (done < want) {
      ssize_t r = read(fd, p + done, want - done);
      if (r <= 0) exit(1);
      done += size_t(r);
    }
    for (size_t i = 0; i < kPixels; ++i) buffer[i] = float(raw[i]);
  }
  close(fd);
  return Seconds(start);
}

double LibraryWrite(const char* path, int sections, const std::vector<float>& buffer) {
  auto start = std::chrono::steady_clock::now();
  int stream = 0;
  if (IMOpen2(&stream, path, "new") != 0) exit(1);
  IMCrHdr3(stream, kSide, kSide, sections, 1, 1, 1, IM_ZWTP, IM_USHORT);
  IMWrHdr2(stream, 1);
  for (int s = 0; s < sections; ++s)
    if (IMWrSec(stream, buffer.data()) != 0) exit(1);
  IMClose(stream);
  return Seconds(start);
}

double PlainWrite(const char* path, long offset, int sections, const std::vector<float>& buffer) {
  auto start = std::chrono::steady_clock::now();
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char> header(size_t(offset), 0);
  if (write(fd, header.data(), header.size()) != ssize_t(header.size())) exit(1);
  std::vector<uint16_t> raw(kPixels);
  for (int s = 0; s < sections; ++s) {
    for (size_t i = 0; i < kPixels; ++i) {
      float v = buffer[i];
      raw[i] = v < 0 ? 0 : v > 65535.0f ? 65535 : uint16_t(v);
    }
    if (write(fd, raw.data(), kPixels * 2) != ssize_t(kPixels * 2)) exit(1);
  }
  close(fd);
  return Seconds(start);
}

void Report(const char* what, double bytes, double library, double plain) {
  printf("%-32s library %8.1f MB/s   plain loop %8.1f MB/s   ratio %.3f\n", what,
         bytes / library / 1e6, bytes / plain / 1e6, library / plain);
}

}  // namespace

int main(int argc, char** argv) {
  int sections = argc > 1 ? atoi(argv[1]) : 100;
  if (sections < 1) sections = 1;
  const char* dir = getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp";
  std::string lib_path = std::string(dir) + "/imlib_bench_" + std::to_string(getpid()) + ".im";
  std::string plain_path = lib_path + ".plain";

  std::vector<float> source(kPixels);
  for (size_t i = 0; i < kPixels; ++i) source[i] = float((i * 37) % 70000) - 1000.0f;
  double bytes = double(kPixels) * 2 * sections;

  // Three rounds of each, alternating the two ways; the best time counts,
  // so that other work on the machine does not decide the ratio. Dirty
  // pages are written back (untimed) before every measurement so that no
  // run pays for the previous one's writes.
  double lib_write = 1e30, plain_write = 1e30, lib_read = 1e30, plain_read = 1e30;
  std::vector<float> buffer(kPixels);
  LibraryWrite(lib_path.c_str(), sections, source);
  long offset = PixelOffset(lib_path.c_str());
  sync();
  PlainRead(lib_path.c_str(), sections, buffer);  // into the page cache
  for (int round = 0; round < 3; ++round) {
    lib_read = std::min(lib_read, LibraryRead(lib_path.c_str(), sections, buffer));
    plain_read = std::min(plain_read, PlainRead(lib_path.c_str(), sections, buffer));
  }
  std::string write_path = lib_path + ".written";
  for (int round = 0; round < 3; ++round) {
    // Writing with clamping (values below 0 and above 65535 occur).
    sync();
    lib_write = std::min(lib_write, LibraryWrite(write_path.c_str(), sections, source));
    sync();
    plain_write = std::min(plain_write, PlainWrite(plain_path.c_str(), offset, sections, source));
  }
  unlink(write_path.c_str());
  printf("%d sections of %d x %d 2-byte unsigned pixels (%.0f MB)\n", sections, kSide, kSide,
         bytes / 1e6);
  Report("read, converted to floats", bytes, lib_read, plain_read);
  Report("write from floats, clamped", bytes, lib_write, plain_write);
  unlink(lib_path.c_str());
  unlink(plain_path.c_str());
  return 0;
}
