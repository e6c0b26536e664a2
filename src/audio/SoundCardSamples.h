#pragma once

#include <cmath>
#include <cstdint>

namespace tarnwick {

// Device samples to and from doubles on the 16-bit scale. 8-bit samples are unsigned with 128
// as silence; 16-bit samples are signed, low byte first.

inline double SampleFrom16(const unsigned char* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
}

inline double SampleFrom8(unsigned char b) {
    return (static_cast<int>(b) - 128) * 256.0;
}

// Out-of-range values are clipped: wrapping would turn a loud signal into full-scale noise.
// Not-a-number becomes silence.
inline int ClipTo16(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= 32767.0) {
        return 32767;
    }
    if (v <= -32768.0) {
        return -32768;
    }
    return static_cast<int>(v);  // truncates toward zero
}

inline void SampleTo16(double v, unsigned char* p) {
    const auto bits = static_cast<uint16_t>(ClipTo16(v));
    p[0] = static_cast<unsigned char>(bits & 0xff);
    p[1] = static_cast<unsigned char>(bits >> 8);
}

inline unsigned char SampleTo8(double v) {
    const double shifted = std::isnan(v) ? 32768.0 : v + 32768.0;
    if (shifted <= 0.0) {
        return 0;
    }
    if (shifted >= 65535.0) {
        return 255;
    }
    return static_cast<unsigned char>(static_cast<unsigned>(shifted) >> 8);
}

}  // namespace tarnwick
