#include "trx/FaultyPeer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "support/TcpSockets.h"

namespace tarnwick::test {

namespace {

constexpr int kPatienceMs = 10'000;

}  // namespace

FaultyPeer::FaultyPeer(PeerFault fault) : fault_(fault) {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listenFd_, 8) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        pipe2(stopPipe_, O_CLOEXEC) != 0) {
        return;
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
}

FaultyPeer::~FaultyPeer() {
    if (thread_.joinable()) {
        const char stop = 0;
        (void)!write(stopPipe_[1], &stop, 1);
        thread_.join();
    }
    for (const int fd : {listenFd_, stopPipe_[0], stopPipe_[1]}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void FaultyPeer::Run() {
    std::vector<pollfd> fds{{stopPipe_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
    for (;;) {
        if (poll(fds.data(), fds.size(), -1) < 0) {
            continue;
        }
        if (fds[0].revents != 0) {
            break;
        }
        if (fds[1].revents != 0) {
            const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                // Counted before the hang-up, which ConnectionsSoFar waits for.
                accepted_.fetch_add(1);
                if (fault_ == PeerFault::HangsUp) {
                    close(fd);
                } else {
                    fds.push_back({fd, POLLIN, 0});
                }
            }
        }
        char sink[256];
        for (size_t i = 2; i < fds.size(); ++i) {
            if (fds[i].fd >= 0 && fds[i].revents != 0 &&
                recv(fds[i].fd, sink, sizeof sink, 0) <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;  // poll skips it
            }
        }
    }
    for (size_t i = 2; i < fds.size(); ++i) {
        if (fds[i].fd >= 0) {
            close(fds[i].fd);
        }
    }
}

int FaultyPeer::ConnectionsSoFar() const {
    const int own = ownConnections_.fetch_add(1) + 1;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port_));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int count = -1;
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        pollfd p{fd, POLLIN, 0};
        char c = 0;
        if (poll(&p, 1, kPatienceMs) == 1 && recv(fd, &c, 1, 0) == 0) {
            count = accepted_.load() - own;
        }
    }
    if (fd >= 0) {
        close(fd);
    }
    return count;
}

bool FaultyPeer::AwaitHangUpsArrived() const {
    return WaitForSockets(
        [this](const std::vector<TcpSocket>& sockets) {
            for (const TcpSocket& s : sockets) {
                if (s.remotePort == port_ && s.state == TcpSocket::kEstablished) {
                    return false;
                }
            }
            return true;
        },
        kPatienceMs);
}

}  // namespace tarnwick::test
