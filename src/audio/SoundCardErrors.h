#pragma once

namespace tarnwick {

// The sound error codes the operator is shown, and how ALSA's failures map onto them.
namespace SoundCode {
inline constexpr int kNone = 0;
inline constexpr int kUnspecified = 1;
inline constexpr int kBadDeviceId = 2;
inline constexpr int kNotEnabled = 3;
inline constexpr int kAllocated = 4;
inline constexpr int kInvalidHandle = 5;
inline constexpr int kNoMemory = 7;
inline constexpr int kNotSupported = 8;
inline constexpr int kInvalidParameter = 11;
inline constexpr int kBadFormat = 32;
inline constexpr int kAllocation = 100;
inline constexpr int kReadClosed = 111;
inline constexpr int kInputOverflow = 112;
inline constexpr int kInputTimeout = 113;
inline constexpr int kWriteClosed = 114;
inline constexpr int kOutputUnderflow = 115;
inline constexpr int kOutputTimeout = 116;
}  // namespace SoundCode

// The code for a negative ALSA error from opening (configuring = false) or configuring a PCM.
int SoundCodeOfAlsaError(int error, bool configuring);

}  // namespace tarnwick
