#include "support/WaveFileBuilder.h"

#include <cmath>
#include <numbers>

namespace tarnwick::test {

namespace {

void Put16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v & 0xffff));
    Put16(out, static_cast<uint16_t>(v >> 16));
}

}  // namespace

std::string WaveFileBuilder::FormatBody(uint16_t tag, uint16_t channels, uint32_t rate,
                                        uint16_t bits) {
    const uint16_t blockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    std::string body;
    Put16(body, tag);
    Put16(body, channels);
    Put32(body, rate);
    Put32(body, rate * blockAlign);
    Put16(body, blockAlign);
    Put16(body, bits);
    return body;
}

std::string WaveFileBuilder::Samples16(const std::vector<int16_t>& samples) {
    std::string out;
    out.reserve(samples.size() * 2);
    for (int16_t s : samples) {
        Put16(out, static_cast<uint16_t>(s));
    }
    return out;
}

std::vector<int16_t> WaveFileBuilder::Tone(double hz, double seconds, unsigned rate, double peak) {
    const size_t n = static_cast<size_t>(seconds * rate);
    std::vector<int16_t> out(n);
    for (size_t i = 0; i < n; ++i) {
        out[i] = static_cast<int16_t>(std::lround(
            peak * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate)));
    }
    return out;
}

WaveFileBuilder& WaveFileBuilder::Chunk(const std::string& id, const std::string& body,
                                        std::optional<uint32_t> claimedSize, bool pad) {
    chunks_ += id.substr(0, 4);
    Put32(chunks_, claimedSize.value_or(static_cast<uint32_t>(body.size())));
    chunks_ += body;
    if (pad && body.size() % 2 == 1) {
        chunks_.push_back('\0');
    }
    return *this;
}

WaveFileBuilder& WaveFileBuilder::Format(uint16_t tag, uint16_t channels, uint32_t rate,
                                         uint16_t bits) {
    return Chunk("fmt ", FormatBody(tag, channels, rate, bits));
}

WaveFileBuilder& WaveFileBuilder::Data(const std::string& body) {
    return Chunk("data", body);
}

std::string WaveFileBuilder::Bytes(const std::string& riffId, const std::string& form,
                                   std::optional<uint32_t> claimedRiffSize) const {
    std::string out = riffId.substr(0, 4);
    Put32(out, claimedRiffSize.value_or(static_cast<uint32_t>(4 + chunks_.size())));
    out += form.substr(0, 4);
    out += chunks_;
    return out;
}

std::string WaveFileBuilder::Pcm16(uint16_t channels, uint32_t rate,
                                   const std::vector<int16_t>& samples) {
    return WaveFileBuilder().Format(1, channels, rate, 16).Data(Samples16(samples)).Bytes();
}

}  // namespace tarnwick::test
