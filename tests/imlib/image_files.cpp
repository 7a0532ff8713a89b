#include "image_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <utility>

namespace imtest {

RawHeader MakeHeader(int nx, int ny, int sections, int mode, int file_type, int nw, int nt) {
  RawHeader h;
  h.Set<int32_t>(0, nx);
  h.Set<int32_t>(4, ny);
  h.Set<int32_t>(8, sections);
  h.Set<int32_t>(12, mode);
  for (int i = 0; i < 3; ++i) {
    h.Set<int32_t>(28 + 4 * i, 1);
    h.Set<float>(40 + 4 * i, 1.0f);
    h.Set<float>(52 + 4 * i, 90.0f);
    h.Set<int32_t>(64 + 4 * i, i + 1);
  }
  h.Set<uint16_t>(96, 0xC0A0);
  h.Set<int16_t>(160, int16_t(file_type));
  h.Set<uint16_t>(180, uint16_t(nt));
  h.Set<int16_t>(182, 2);
  h.Set<uint16_t>(196, uint16_t(nw));
  if (file_type > 99) {
    h.Set<int32_t>(852, nt);
    h.Set<int32_t>(880, 1);
  }
  return h;
}

void WriteImage(const std::string& path, const RawHeader& header,
                const std::vector<uint8_t>& ext, const std::vector<uint8_t>& pixels) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(header.bytes.data()), 1024);
  out.write(reinterpret_cast<const char*>(ext.data()), std::streamsize(ext.size()));
  out.write(reinterpret_cast<const char*>(pixels.data()), std::streamsize(pixels.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string StderrOf(const std::function<void()>& call) {
  testing::internal::CaptureStderr();
  call();
  return testing::internal::GetCapturedStderr();
}

std::string StdoutOf(const std::function<void()>& call) {
  testing::internal::CaptureStdout();
  call();
  return testing::internal::GetCapturedStdout();
}

namespace {

void Rev(uint8_t* p, int width) {
  for (int i = 0; i < width / 2; ++i) std::swap(p[i], p[width - 1 - i]);
}

}  // namespace

void ConvertToForeignOrder(const std::string& path) {
  std::vector<uint8_t> f = FileBytes(path);
  uint8_t* h = f.data();
  int32_t sections, mode, next;
  int16_t nint, nreal, file_type;
  memcpy(&sections, h + 8, 4);
  memcpy(&mode, h + 12, 4);
  memcpy(&next, h + 92, 4);
  memcpy(&nint, h + 128, 2);
  memcpy(&nreal, h + 130, 2);
  memcpy(&file_type, h + 160, 2);
  const int four[][2] = {{0, 96}, {136, 160}, {172, 180}, {184, 196}, {208, 220}};
  for (auto& r : four)
    for (int o = r[0]; o < r[1]; o += 4) Rev(h + o, 4);
  const int two[] = {96, 98, 100, 128, 130, 132, 134, 160, 162, 164, 166,
                     168, 170, 180, 182, 196, 198, 200, 202, 204, 206, 222};
  for (int o : two) Rev(h + o, 2);
  if (file_type > 99) {
    for (int o = 544; o < 676; o += 4) Rev(h + o, 4);
    for (int o = 676; o < 690; o += 2) Rev(h + o, 2);
    for (int o = 700; o < 844; o += 4) Rev(h + o, 4);
    Rev(h + 844, 8);
    Rev(h + 852, 4);
    for (int o = 864; o < 884; o += 4) Rev(h + o, 4);
  }
  int64_t block = 4 * int64_t(sections) * (nint + nreal);
  for (int64_t o = 0; o + 4 <= block && 1024 + o + 4 <= int64_t(f.size()); o += 4)
    Rev(h + 1024 + o, 4);
  int unit = (mode == 1 || mode == 6) ? 2 : (mode == 2 || mode == 4 || mode == 7) ? 4
             : mode == 8 ? 8 : 1;
  for (size_t o = 1024 + size_t(next); o + size_t(unit) <= f.size(); o += size_t(unit))
    Rev(h + o, unit);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
}

}  // namespace imtest
