#pragma once

#include <string>

namespace tarnwick {

// Status codes of the rig-control daemon's "RPRT n" lines. The link reports its own failures
// (no answer in time, connection gone, unreadable answer) in the same numbering, so one text
// table covers every box the operator can see.
inline constexpr int kRigOk = 0;
inline constexpr int kRigInvalidArgument = -1;
inline constexpr int kRigTimedOut = -5;
inline constexpr int kRigIoError = -6;
inline constexpr int kRigProtocolError = -8;
inline constexpr int kRigNotAvailable = -11;

// A short explanation of `status` for the error box; never empty.
std::string RigStatusText(int status);

}  // namespace tarnwick
