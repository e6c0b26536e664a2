#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

// How writing a WAV file ended.
enum class WaveWriteResult { Written, Exists, Failed };

// Writes 16-bit mono PCM samples as a RIFF/WAVE file ("fmt " of 16 bytes, then "data"), the
// form a message's WAV insert plays. The file appears whole or not at all: the data goes to a
// temporary file in the same folder, is synced, and is then renamed into place. Without
// `replace` an existing file is never touched (Exists), also when it appears meanwhile. On
// Failed, *error holds the errno.
WaveWriteResult WriteWaveFile(const std::string& path, const std::vector<int16_t>& samples,
                              uint32_t sampleRate, bool replace, int* error);

}  // namespace tarnwick
