#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// What playing a WAV insert would find in the file, before any sound device is involved.
struct WaveFileCheckResult {
    bool ok = false;
    std::string problem;      // the message playback would show, when not ok
    uint64_t durationMs = 0;  // playing time, when ok
};

// Checks the file a message names the way playback reads it: present, a RIFF WAVE form, a PCM
// format, data to play. Relative names are taken from `baseDir` (the working directory the
// keyer plays them from).
WaveFileCheckResult CheckWaveFile(const std::string& fileName, const std::string& baseDir);

}  // namespace tarnwick
