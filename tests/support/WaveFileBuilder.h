#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::test {

// Builds RIFF/WAV files byte by byte, including the broken ones: chunks in any order, sizes that
// lie, odd chunks with or without their pad byte, other form types.
class WaveFileBuilder {
public:
    // A "fmt " chunk of the 16-byte PCM layout (block align and byte rate follow from it).
    static std::string FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits);
    // Interleaved 16-bit samples, low byte first.
    static std::string Samples16(const std::vector<int16_t>& samples);
    // `seconds` of a sine at `hz` with the given peak.
    static std::vector<int16_t> Tone(double hz, double seconds, unsigned rate, double peak);

    // Appends a chunk; `claimedSize` replaces the true size in its header. An odd chunk gets
    // its pad byte unless `pad` is false.
    WaveFileBuilder& Chunk(const std::string& id, const std::string& body,
                           std::optional<uint32_t> claimedSize = std::nullopt, bool pad = true);
    WaveFileBuilder& Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits);
    WaveFileBuilder& Data(const std::string& body);

    // The whole file: `riffId` chunk of form `form` holding the chunks added so far.
    std::string Bytes(const std::string& riffId = "RIFF", const std::string& form = "WAVE",
                      std::optional<uint32_t> claimedRiffSize = std::nullopt) const;
    // A plain PCM file of the given samples.
    static std::string Pcm16(uint16_t channels, uint32_t rate, const std::vector<int16_t>& samples);

private:
    std::string chunks_;
};

}  // namespace tarnwick::test
