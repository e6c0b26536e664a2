#pragma once

namespace tarnwick::cli {

// Exit statuses of tarnwick-cli (also listed in the README).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;     // the work failed (a file could not be written, ...)
inline constexpr int kExitInhibited = 2;  // a transmission ended by the transmit-inhibit input
inline constexpr int kExitUsage = 64;     // bad command line or value
inline constexpr int kExitStopped = 130;  // stopped (Ctrl-C, a hang-up, ...): PTT down, key up

}  // namespace tarnwick::cli
