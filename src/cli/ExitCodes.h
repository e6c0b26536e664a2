#pragma once

#include <cstdint>

#include "trx/TrxManagerLink.h"

namespace tarnwick::cli {

// Exit statuses of tarnwick-cli (also listed in the README).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;     // the work failed (a file could not be written, ...)
inline constexpr int kExitInhibited = 2;  // a transmission ended by the transmit-inhibit input
inline constexpr int kExitUsage = 64;     // bad command line or value
inline constexpr int kExitStopped = 130;  // stopped (Ctrl-C, a hang-up, ...): PTT down, key up

// How long a command waits at its end for the rig-control daemon's late answer to a PTT drop:
// long enough for the link to finish a call already under way and make the drop.
inline constexpr uint32_t kPttSettleMs = kTrxConnectTimeoutMs + 2 * kTrxReplyTimeoutMs + 1000;

}  // namespace tarnwick::cli
