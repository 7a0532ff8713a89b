// The arena and named-block calls as a process that is not attached to the
// user's shared arena sees them: nothing is shared, so allocation gives
// null, lookups find nothing and releases are ignored, silently.
//
// Every caller (the configuration lookup, the colour names, the window
// layer) goes through these entry points and IWIsAttached, so the attached
// path plugs in here, behind the same signatures: once the arena exists,
// IWIsAttached reports the attachment made by the window layer's start or
// attach call, and these calls allocate from the arena and walk the
// named-block list under the configuration semaphore.
#include "iwbase.h"

extern "C" {

int IWIsAttached(void) { return 0; }

void* IWAlcSHM(int /*count*/, int64_t /*size*/) { return nullptr; }

void IWFreeSHM(void* /*address*/) {}

void* IWRealcSHM(void* /*address*/, int64_t /*size*/) { return nullptr; }

void* IWAlcNamedSHM(int /*count*/, int64_t /*size*/, const char* /*name*/) { return nullptr; }

void* IWRtNamedSHMAdd(const char* /*name*/) { return nullptr; }

void IWFreeNamedSHM(void* /*address*/) {}

}  // extern "C"
