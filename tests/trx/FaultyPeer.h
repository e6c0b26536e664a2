#pragma once

#include <atomic>
#include <thread>

namespace tarnwick::test {

enum class PeerFault {
    NeverAnswers,  // accepts, reads what comes, never answers: a daemon that has hung
    HangsUp,       // accepts and closes at once: a daemon that cannot serve clients
};

// A loopback TCP server that accepts every connection and then misbehaves as told.
class FaultyPeer {
public:
    explicit FaultyPeer(PeerFault fault);
    ~FaultyPeer();
    FaultyPeer(const FaultyPeer&) = delete;
    FaultyPeer& operator=(const FaultyPeer&) = delete;

    int Port() const { return port_; }
    // Connections accepted and, for HangsUp, closed again.
    int Accepted() const { return accepted_.load(); }

private:
    void Run();

    const PeerFault fault_;
    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

}  // namespace tarnwick::test
