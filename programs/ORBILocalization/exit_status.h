// Exit statuses of the localization program. The numbers are a contract
// with the programs that start it: never renumber.
#pragma once

namespace orbi {

enum ExitStatus {
  kSuccess = 0,
  kUnknown = 1,
  kCanceled = 2,          // SIGINT or SIGTERM
  kInvalidArgument = 3,
  kAbnormal = 4,
  kNoMemory = 5,
  kInternalError = 6,
  kImageTooSmall = 7,     // a frame is smaller than one fit region
  kCannotOpenInput = 8,
  kCannotReadInput = 9,
  kCannotOpenOutput = 10,
  kTooFewEvents = 11,     // fewer localizations than frames
};

}  // namespace orbi
