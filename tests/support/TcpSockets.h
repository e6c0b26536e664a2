#pragma once

#include <functional>
#include <vector>

namespace tarnwick::test {

// One IPv4 TCP socket of this machine as the kernel lists it, seen from its own end.
struct TcpSocket {
    static constexpr int kEstablished = 0x01;

    int localPort = 0;
    int remotePort = 0;
    int state = 0;  // the kernel's TCP state number
    long unreadBytes = 0;
};

// Every IPv4 TCP socket the kernel lists (of all processes). A test reads here what its peers'
// kernels already know, instead of timing: whether a hang-up has arrived, whether a command
// lies unread at a stopped daemon.
std::vector<TcpSocket> TcpSockets();

// Polls TcpSockets() until `done` holds on them or `timeoutMs` passed; true when it held.
bool WaitForSockets(const std::function<bool(const std::vector<TcpSocket>&)>& done, int timeoutMs);

}  // namespace tarnwick::test
