#pragma once

#include <cstdint>

namespace tarnwick {

// A PCM wave format as a RIFF "fmt " chunk carries it.
struct WaveFormat {
    uint16_t FormatTag = 1;  // 1 = PCM
    uint16_t Channels = 1;
    uint32_t SamplesPerSec = 0;
    uint32_t AvgBytesPerSec = 0;
    uint16_t BlockAlign = 0;
    uint16_t BitsPerSample = 0;
    uint16_t ExtraSize = 0;
};

}  // namespace tarnwick
