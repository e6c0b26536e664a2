#include "cli/StopSignal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

namespace tarnwick::cli {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

std::atomic<int> g_wakeFd{-1};

void OnSignal(int sig) {
    const int savedErrno = errno;
    const int fd = g_wakeFd.load();
    if (fd >= 0) {
        const char c = static_cast<char>(sig);
        [[maybe_unused]] const ssize_t n = write(fd, &c, 1);
    }
    errno = savedErrno;
}

bool IgnoredAtStart(int sig) {
    struct sigaction old {};
    return sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN;
}

// Standard output when its reader can go away (a pipe or a socket), else -1.
int WatchableOutput() {
    struct stat st {};
    if (fstat(STDOUT_FILENO, &st) != 0) {
        return -1;
    }
    return S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ? STDOUT_FILENO : -1;
}

}  // namespace

StopSignal::StopSignal() {
    signal(SIGPIPE, SIG_IGN);
    // Non-blocking, so that a flood of signals can never block the handler on a full pipe.
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return;
    }
    g_wakeFd.store(pipe_[1]);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
        const int sig = kStopSignals[i];
        if ((sig == SIGTERM || !IgnoredAtStart(sig)) && sigaction(sig, &sa, nullptr) == 0) {
            installed_ |= 1U << i;
        }
    }
    output_ = WatchableOutput();
    watcher_ = std::thread([this] { Watch(); });
}

void StopSignal::Watch() {
    pollfd fds[2] = {{pipe_[0], POLLIN, 0}, {output_, 0, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            Raise();  // no way left to notice a stop: better stopped than deaf
            return;
        }
        if (fds[0].revents != 0) {
            char c = 0;
            const ssize_t n = read(pipe_[0], &c, 1);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            if (n == 1 && c != 0) {
                Raise();
            }
            return;  // a stop, or Close
        }
        // Writing to a pipe whose reader has gone fails with EPIPE: the output's user has gone,
        // and so has anyone watching the transmission.
        if ((fds[1].revents & (POLLERR | POLLHUP)) != 0) {
            Raise();
            return;
        }
        if ((fds[1].revents & POLLNVAL) != 0) {
            fds[1].fd = -1;
        }
    }
}

void StopSignal::Raise() {
    flag_.store(1);
    event_.Set();
}

void StopSignal::Close() {
    if (watcher_.joinable()) {
        const char c = 0;
        [[maybe_unused]] const ssize_t n = write(pipe_[1], &c, 1);
        watcher_.join();
    }
}

StopSignal::~StopSignal() {
    Close();
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
        if ((installed_ & (1U << i)) != 0) {
            signal(kStopSignals[i], SIG_DFL);
        }
    }
    g_wakeFd.store(-1);
    if (pipe_[0] >= 0) {
        close(pipe_[0]);
        close(pipe_[1]);
    }
}

}  // namespace tarnwick::cli
