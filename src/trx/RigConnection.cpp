#include "trx/RigConnection.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

namespace tarnwick {

namespace {

constexpr int kMaxUnaskedReads = 16;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits for `events` on fd until the deadline; false on time-out or error.
bool PollUntil(int fd, short events, int64_t deadlineMs) {
    for (;;) {
        const int64_t left = deadlineMs - NowMs();
        if (left <= 0) {
            return false;
        }
        pollfd p{fd, events, 0};
        const int n = poll(&p, 1, static_cast<int>(left));
        if (n > 0) {
            return true;
        }
        if (n == 0 || errno != EINTR) {
            return false;
        }
    }
}

int ConnectOne(const addrinfo& ai, int64_t deadlineMs) {
    const int fd =
        socket(ai.ai_family, ai.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai.ai_protocol);
    if (fd < 0) {
        return -1;
    }
    if (connect(fd, ai.ai_addr, ai.ai_addrlen) != 0) {
        int err = errno;
        if (err == EINPROGRESS && PollUntil(fd, POLLOUT, deadlineMs)) {
            socklen_t len = sizeof err;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) {
                err = errno;
            }
        } else if (err == EINPROGRESS) {
            err = ETIMEDOUT;
        }
        if (err != 0) {
            close(fd);
            return -1;
        }
    }
    // Commands are single short lines; waiting to coalesce them only delays the radio.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

}  // namespace

RigConnection::~RigConnection() {
    Close();
}

bool RigConnection::Open(const std::string& host, int port, int timeoutMs) {
    Close();
    if (port <= 0 || port > 65535 || host.empty()) {
        return false;
    }
    const int64_t deadline = NowMs() + timeoutMs;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) {
        return false;
    }
    for (const addrinfo* ai = list; ai != nullptr && fd_ < 0; ai = ai->ai_next) {
        fd_ = ConnectOne(*ai, deadline);
    }
    freeaddrinfo(list);
    parser_.Reset();
    return fd_ >= 0;
}

void RigConnection::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    parser_.Reset();
}

bool RigConnection::CheckAlive() {
    if (fd_ < 0) {
        return false;
    }
    char buffer[512];
    // A peer that keeps talking unasked is out of step; it must not hold the caller either.
    for (int reads = 0; reads < kMaxUnaskedReads; ++reads) {
        const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            continue;  // nobody asked for it; it must not pass for the next answer
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            parser_.Reset();
            return true;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        break;
    }
    Close();
    return false;
}

RigResult RigConnection::Fail(int status) {
    Close();
    RigResult r;
    r.status = status;
    r.linkFailed = true;
    return r;
}

bool RigConnection::SendAll(std::string_view bytes, int64_t deadlineMs) {
    while (!bytes.empty()) {
        const ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!PollUntil(fd_, POLLOUT, deadlineMs)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

RigResult RigConnection::Transact(std::string_view line, std::string_view command, int timeoutMs) {
    if (line.find_first_of("\r\n") != std::string_view::npos) {
        RigResult refused;
        refused.status = kRigInvalidArgument;
        return refused;
    }
    if (fd_ < 0) {
        return Fail(kRigIoError);
    }
    const int64_t deadline = NowMs() + timeoutMs;
    parser_.Reset();
    std::string out;
    out.reserve(line.size() + 2);
    out += '+';
    out += line;
    out += '\n';
    if (!SendAll(out, deadline)) {
        return Fail(NowMs() >= deadline ? kRigTimedOut : kRigIoError);
    }
    char buffer[1024];
    for (;;) {
        if (std::optional<RigReply> reply = parser_.Next()) {
            if (!reply->command.empty() && reply->command != command) {
                return Fail(kRigProtocolError);
            }
            RigResult r;
            r.status = reply->status;
            r.reply = std::move(*reply);
            return r;
        }
        if (!PollUntil(fd_, POLLIN, deadline)) {
            return Fail(kRigTimedOut);
        }
        const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            parser_.Feed(std::string_view(buffer, static_cast<size_t>(n)));
        } else if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        } else {
            return Fail(kRigIoError);
        }
    }
}

}  // namespace tarnwick
