#include "support/TcpSockets.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

namespace tarnwick::test {

std::vector<TcpSocket> TcpSockets() {
    std::vector<TcpSocket> out;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // the column titles
    while (std::getline(table, line)) {
        // "  1: 0100007F:E6F1 0100007F:CEA2 06 00000000:00000000 ..."
        unsigned localAddress = 0, local = 0, remoteAddress = 0, remote = 0, state = 0;
        unsigned long sendQueue = 0, receiveQueue = 0;
        if (std::sscanf(line.c_str(), " %*d: %x:%x %x:%x %x %lx:%lx", &localAddress, &local,
                        &remoteAddress, &remote, &state, &sendQueue, &receiveQueue) == 7) {
            out.push_back({static_cast<int>(local), static_cast<int>(remote),
                           static_cast<int>(state), static_cast<long>(receiveQueue)});
        }
    }
    return out;
}

bool WaitForSockets(const std::function<bool(const std::vector<TcpSocket>&)>& done, int timeoutMs) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done(TcpSockets())) {
        if (std::chrono::steady_clock::now() > giveUp) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace tarnwick::test
