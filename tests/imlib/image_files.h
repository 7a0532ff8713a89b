// Helpers of the image file library tests: raw header images built byte by
// byte (independent of the library's writer), files written from them, a
// converter that turns a host-order image file into the other byte order,
// and capture of a call's standard error and output.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace imtest {

// A 1024-byte header image with typed setters at byte offsets.
struct RawHeader {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(1024, 0);
  template <typename T>
  void Set(int offset, T v) {
    memcpy(bytes.data() + offset, &v, sizeof v);
  }
  template <typename T>
  T Get(int offset) const {
    T v;
    memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
  }
};

// A minimal valid header: nx x ny, sections, pixel type, file type, NW, NT,
// file ID in host order, sampling 1, cell 1.
RawHeader MakeHeader(int nx, int ny, int sections, int mode, int file_type, int nw = 1,
                     int nt = 1);

// Writes header + extended header + pixel bytes to a file.
void WriteImage(const std::string& path, const RawHeader& header,
                const std::vector<uint8_t>& ext, const std::vector<uint8_t>& pixels);

// Rewrites a host-order image file in the other byte order: header fields,
// extended header section block and every pixel by its type.
void ConvertToForeignOrder(const std::string& path);

// Bytes of a whole file.
std::vector<uint8_t> FileBytes(const std::string& path);

// What the calls made by `call` print on standard error / standard output.
std::string StderrOf(const std::function<void()>& call);
std::string StdoutOf(const std::function<void()>& call);

}  // namespace imtest
