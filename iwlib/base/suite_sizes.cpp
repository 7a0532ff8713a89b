// Sizes the shared-memory layer reads from configuration: the arena size
// (read once per process, as the arena is sized once), the image memory
// budget and unit, and the paging threshold.
#include <algorithm>
#include <initializer_list>

#include "config_state.h"
#include "config_vars.h"
#include "iwbase.h"

namespace {

constexpr int kShmSizeDefault = 2000;
constexpr int kShmSizeMin = 30;
constexpr int kShmSizeMax = 15000;
constexpr int kWorkingSetDefault = 1800;
constexpr int kWorkingUnitDefault = 100;
constexpr int kMegabytesMax = 15000;

// The integer value of the first set variable of `names`. Returns false
// when none is set; `unreadable` is stored when the text is not a number.
bool FirstSetInt(std::initializer_list<const char*> names, int unreadable, int* out) {
  for (const char* name : names) {
    if (!IWRtVar(name)) continue;
    IWRtVarInt(name, out, unreadable);
    return true;
  }
  return false;
}

// A megabyte count of the image memory: unset, unreadable or outside
// 0 .. kMegabytesMax gives the default.
int ReadMegabytes(std::initializer_list<const char*> names, int default_value) {
  int value = default_value;
  if (!FirstSetInt(names, default_value, &value)) return default_value;
  return value < 0 || value > kMegabytesMax ? default_value : value;
}

}  // namespace

using iwbase::Guarded;

// Unreadable text counts as 0 and so is clamped to the smallest size.
extern "C" int IWRtShmSize(void) {
  return Guarded(kShmSizeDefault, [] {
    iwbase::ConfigState& state = iwbase::State();
    if (!state.shm_size_known) {
      int size = kShmSizeDefault;
      if (FirstSetInt({"PA_SIZE", "MX_SIZE", "TS_SIZE", "QIX_SIZE"}, 0, &size))
        size = std::clamp(size, kShmSizeMin, kShmSizeMax);
      state.shm_size_mb = size;
      state.shm_size_known = true;
    }
    return state.shm_size_mb;
  });
}

extern "C" int IWRtWorkingSet(void) {
  return Guarded(kWorkingSetDefault, [] {
    return ReadMegabytes({"PA_WORKING_SET", "MX_WORKING_SET", "TS_WORKING_SET", "QIX_WORKING_SET"},
                         kWorkingSetDefault);
  });
}

extern "C" int IWRtWorkingUnit(void) {
  return Guarded(kWorkingUnitDefault, [] {
    return ReadMegabytes(
        {"PA_WORKING_UNIT", "MX_WORKING_UNIT", "TS_WORKING_UNIT", "QIX_WORKING_UNIT"},
        kWorkingUnitDefault);
  });
}

// A negative or unreadable threshold means no patch is read straight from
// the file.
extern "C" int IWRtPagingThreshold(void) {
  return Guarded(0, [] {
    int value = 0;
    if (!FirstSetInt({"PA_PGTHRESH", "MX_PGTHRESH", "TS_PGTHRESH"}, 0, &value)) return 0;
    return std::max(value, 0);
  });
}
