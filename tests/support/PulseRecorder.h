#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace tarnwick::test {

class PulseTestServer;

// Records one source of a PulseTestServer (a sink's ".monitor" records what was played into the
// sink) as 16-bit mono samples, with the server's own recording client.
class PulseRecorder {
public:
    PulseRecorder(const PulseTestServer& server, std::string source, unsigned rate = 11025);
    ~PulseRecorder();
    PulseRecorder(const PulseRecorder&) = delete;
    PulseRecorder& operator=(const PulseRecorder&) = delete;

    // Starts recording and returns once samples arrive (the first can take about two seconds);
    // false, with the reason, if they do not.
    bool Start(std::string* why);
    // What has been recorded so far; the recording goes on.
    std::vector<int16_t> Peek() const;
    // Ends the recording and returns everything recorded up to this call and a little more:
    // it first waits (up to ten seconds) for the recording to catch up with the sound, which a
    // loaded machine can delay.
    std::vector<int16_t> Stop();

    unsigned Rate() const { return rate_; }

private:
    const PulseTestServer& server_;
    std::string source_;
    unsigned rate_;
    std::string path_;
    ChildProcess recorder_;
    // When samples were first seen, and how many bytes there were then.
    std::chrono::steady_clock::time_point firstSeen_;
    long firstBytes_ = 0;
};

}  // namespace tarnwick::test
