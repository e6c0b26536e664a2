#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/ScopedEnvironment.h"
#include "support/ScratchDir.h"

namespace tarnwick::test {

// A private, real-time PulseAudio server in a temporary directory, for tests of the sound path:
// null sinks to play into (their ".monitor" sources record what was played) and, on request, a
// sine source as the default source for a known input. The test starts it and it is stopped,
// by its PID, when the object goes. Nothing outside its directory is touched.
class PulseTestServer {
public:
    struct Sink {
        std::string name;
        unsigned rate = 11025;
        unsigned channels = 1;
    };

    // Whether the server and its recording client are installed.
    static bool Installed();

    // One 11025 Hz mono sink named "keyer".
    PulseTestServer();
    PulseTestServer(std::vector<Sink> sinks, unsigned sineSourceHz);
    ~PulseTestServer();
    PulseTestServer(const PulseTestServer&) = delete;
    PulseTestServer& operator=(const PulseTestServer&) = delete;

    // Starts the server and waits until it takes clients; false, with the reason, if not.
    bool Start(std::string* why);
    // Ends the server and undoes UseInThisProcess.
    void Stop();
    // Ends the server alone, as if it had crashed, while its clients in this process still run.
    void Kill();
    // Freezes the server (SIGSTOP), as a hung sound server would be, and lets it go on again.
    void Freeze();
    void Thaw();

    const std::string& Dir() const { return dir_.Path(); }
    // The server address clients are given ("unix:<dir>/native").
    std::string Address() const;
    // The environment of a client program started by the test.
    std::vector<std::string> ClientEnvironment() const;
    // Points this process's PulseAudio clients (ALSA's "pulse" PCM among them) at the server
    // until Stop. Call it before the clients start, while no other thread reads the environment.
    void UseInThisProcess();

private:
    bool WaitUntilServing(std::string* why);

    ScratchDir dir_{"tarnwick-pulse"};
    std::vector<Sink> sinks_;
    unsigned sineSourceHz_ = 0;
    ChildProcess server_;
    ScopedEnvironment environment_;
};

}  // namespace tarnwick::test
