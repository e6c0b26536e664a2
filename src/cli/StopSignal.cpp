#include "cli/StopSignal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace tarnwick::cli {

namespace {

std::atomic<int> g_wakeFd{-1};

void OnSignal(int sig) {
    const int fd = g_wakeFd.load();
    if (fd >= 0) {
        const char c = static_cast<char>(sig);
        [[maybe_unused]] const ssize_t n = write(fd, &c, 1);
    }
}

}  // namespace

StopSignal::StopSignal() {
    if (pipe2(pipe_, O_CLOEXEC) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return;
    }
    g_wakeFd.store(pipe_[1]);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    watcher_ = std::thread([this] {
        char c = 0;
        ssize_t n;
        do {
            n = read(pipe_[0], &c, 1);
        } while (n < 0 && errno == EINTR);
        if (n == 1 && c != 0) {
            flag_.store(1);
            event_.Set();
        }
    });
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
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    g_wakeFd.store(-1);
    if (pipe_[0] >= 0) {
        close(pipe_[0]);
        close(pipe_[1]);
    }
}

}  // namespace tarnwick::cli
