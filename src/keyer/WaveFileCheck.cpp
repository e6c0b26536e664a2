#include "keyer/WaveFileCheck.h"

#include <vector>

#include "send/RiffReader.h"
#include "send/WavePlayer.h"

namespace tarnwick {
namespace {

constexpr uint16_t kPcmTag = 1;
constexpr size_t kPcmFormatBytes = 16;
constexpr uint32_t kFormatBlockLimit = 65536;

uint16_t Get16(const std::vector<unsigned char>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t Get32(const std::vector<unsigned char>& b, size_t at) {
    return static_cast<uint32_t>(Get16(b, at)) | static_cast<uint32_t>(Get16(b, at + 2)) << 16;
}

WaveFileCheckResult Problem(std::string text) {
    return {false, std::move(text), 0};
}

}  // namespace

WaveFileCheckResult CheckWaveFile(const std::string& fileName, const std::string& baseDir) {
    RiffReader riff;
    const bool relative = fileName.empty() || fileName.front() != '/';
    const std::string path = relative && !baseDir.empty() ? baseDir + "/" + fileName : fileName;
    if (fileName.size() > WavePlayer::kMaxFileName || fileName.find('\0') != std::string::npos ||
        !riff.Open(path)) {
        return Problem("Cannot locate file: " + fileName);
    }
    if (!riff.FindForm(FourCc("WAVE"))) {
        return Problem(fileName + " does not appear to be a wav file.");
    }
    if (!riff.Descend(FourCc("fmt "))) {
        return Problem(fileName + " appears to be corrupt.");
    }
    if (riff.ChunkSize() >= kFormatBlockLimit) {
        return Problem("Cannot allocate memory for wave format.");
    }
    std::vector<unsigned char> block(riff.ChunkSize());
    if (riff.ReadChunk(block.data(), block.size()) != block.size() ||
        block.size() < kPcmFormatBytes) {
        return Problem("Cannot read wave format.");
    }
    if (Get16(block, 0) != kPcmTag) {
        return Problem("Wav file is not in PCM format.");
    }
    const uint32_t rate = Get32(block, 4);
    const uint16_t blockAlign = Get16(block, 12);
    if (rate == 0 || blockAlign == 0) {
        return Problem(fileName + " appears to be corrupt.");
    }
    riff.Ascend();
    if (!riff.Descend(FourCc("data"))) {
        return Problem("Cannot locate wav data.");
    }
    const uint32_t dataBytes = riff.ChunkSize();
    if (dataBytes == 0) {
        return Problem("Chunk has no data.");
    }
    if (riff.ChunkAvailable() < dataBytes) {
        return Problem("Cannot read data from wav file.");
    }
    const uint64_t frames = dataBytes / blockAlign;
    return {true, std::string(), frames * 1000 / rate};
}

}  // namespace tarnwick
