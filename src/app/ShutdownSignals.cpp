#include "app/ShutdownSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#include <QSocketNotifier>

#include <cerrno>

namespace tarnwick {
namespace {

// One pipe for the process; a second object would only share it.
int g_pipe[2] = {-1, -1};

void OnSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t n = write(g_pipe[1], &byte, 1);
    errno = saved;
}

void Catch(int number) {
    struct sigaction old {};
    if (sigaction(number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN && number != SIGTERM) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
}

}  // namespace

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {
    if (g_pipe[0] < 0 && pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &ShutdownSignals::Drain);
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        Catch(number);
    }
}

ShutdownSignals::~ShutdownSignals() {
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (sigaction(number, nullptr, &old) == 0 && old.sa_handler == OnSignal) {
            signal(number, SIG_DFL);
        }
    }
}

void ShutdownSignals::Drain() {
    unsigned char byte = 0;
    while (read(g_pipe[0], &byte, 1) == 1) {
        emit Requested(byte);
    }
}

}  // namespace tarnwick
