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
    // Connections accepted so far, the peer's own (see below) included.
    int Accepted() const { return accepted_.load(); }

    // HangsUp: every connection made before this call, counted exactly. A connection of the
    // peer's own queues up behind them, and once it is hung up on, all before it have been
    // accepted. -1 if that does not happen within ten seconds.
    int ConnectionsSoFar() const;
    // HangsUp: waits until every client connected to the peer has received the hang-up.
    bool AwaitHangUpsArrived() const;

private:
    void Run();

    const PeerFault fault_;
    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<int> accepted_{0};
    mutable std::atomic<int> ownConnections_{0};
    std::thread thread_;
};

}  // namespace tarnwick::test
