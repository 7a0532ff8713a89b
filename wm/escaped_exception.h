// escaped_exception.h - the layer's C boundary.
//
// Every C entry point of the layer and every callback the toolkit calls
// catches everything (a function try block) and reports it here: no
// exception crosses the C boundary or unwinds through the toolkit's own C
// frames. The function then returns nothing (no widget, 0).
#pragma once

namespace wm {

// Reports the exception being handled, on standard error, under `call`.
// Call it only from a catch block.
void ReportEscapedException(const char* call);

}  // namespace wm
