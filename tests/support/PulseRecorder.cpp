#include "support/PulseRecorder.h"

#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/PulseTestServer.h"
#include "support/ScratchDir.h"

namespace tarnwick::test {

namespace {

constexpr auto kWarmUpTimeout = std::chrono::seconds(15);
constexpr auto kCatchUpTimeout = std::chrono::seconds(10);
// Recorded beyond the moment of Stop: the sink's own latency.
constexpr auto kTail = std::chrono::milliseconds(200);

long FileSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

}  // namespace

PulseRecorder::PulseRecorder(const PulseTestServer& server, std::string source, unsigned rate)
    : server_(server), source_(std::move(source)), rate_(rate) {
    static std::atomic<int> count{0};
    path_ = server_.Dir() + "/record-" + std::to_string(count++) + ".raw";
}

PulseRecorder::~PulseRecorder() {
    recorder_.End(SIGINT, 3000);
}

bool PulseRecorder::Start(std::string* why) {
    const std::vector<std::string> argv{"parecord",
                                        "--raw",
                                        "--format=s16le",
                                        "--channels=1",
                                        "--rate=" + std::to_string(rate_),
                                        "--latency-msec=20",
                                        "--device=" + source_};
    if (!recorder_.Start(argv, server_.ClientEnvironment(), path_, path_ + ".log", why)) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kWarmUpTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!recorder_.Running()) {
            *why = "the recorder ended: " + ScratchDir::Read(path_ + ".log");
            return false;
        }
        if (const long bytes = FileSize(path_); bytes > 0) {
            firstSeen_ = std::chrono::steady_clock::now();
            firstBytes_ = bytes;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    *why = "no samples from " + source_ + " within 15 s";
    return false;
}

std::vector<int16_t> PulseRecorder::Stop() {
    // The source delivers in real time from the first samples on: wait until the file holds
    // what was heard up to now, and a little more.
    const auto now = std::chrono::steady_clock::now();
    if (firstBytes_ > 0 && recorder_.Running()) {
        const double seconds = std::chrono::duration<double>(now - firstSeen_ + kTail).count();
        const long due = firstBytes_ + 2 * static_cast<long>(seconds * rate_);
        const auto giveUp = now + kCatchUpTimeout;
        while (FileSize(path_) < due && recorder_.Running() &&
               std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    recorder_.End(SIGINT, 3000);
    return Peek();
}

std::vector<int16_t> PulseRecorder::Peek() const {
    const std::string bytes = ScratchDir::Read(path_);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[2 * i]);
        const auto hi = static_cast<unsigned char>(bytes[2 * i + 1]);
        samples[i] = static_cast<int16_t>(lo | hi << 8);
    }
    return samples;
}

}  // namespace tarnwick::test
