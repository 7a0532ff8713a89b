// Fuzz target: arbitrary bytes read as a lens table. The ids looked up are
// those of the seeds, one folded id (20000 and above) and one no table has,
// so the reader goes through a whole file as well as stopping at a record.
// Ran here for 10 minutes (2.2 million inputs, beside a second fuzzer on
// two cores): no finding.
#include <cstdint>

#include "analysis.h"
#include "scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzing::ScratchFile file("lens_table_fuzz");
  if (!file.Fill(data, size)) return 0;
  for (int id : {14001, 21901, 2, 0}) {
    LensRecord record;
    if (ReadLensTable(id, &record, file.path()) == 0) ImmersionIndex(record.immersionType);
  }
  return 0;
}
