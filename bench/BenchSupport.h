#pragma once

// Small pieces the timing benchmarks share.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace tarnwick::bench {

struct Spread {
    double mean = 0;
    double p99 = 0;
    double max = 0;
};

// Mean, 99th percentile and maximum of `values` (all zero when there are none).
inline Spread SpreadOf(std::vector<double> values) {
    Spread s;
    if (values.empty()) {
        return s;
    }
    std::sort(values.begin(), values.end());
    double sum = 0;
    for (const double v : values) {
        sum += v;
    }
    const size_t n = values.size();
    s.mean = sum / static_cast<double>(n);
    s.p99 = values[std::min(n - 1, n * 99 / 100)];
    s.max = values.back();
    return s;
}

// Keeps the other core busy, as other work on the operator's machine would, until Stop().
// With `ownSession` the spinner is a session of its own, like another program: with the
// kernel's per-session scheduling groups it then takes CPU from the other sessions rather than
// only from the benchmark's own share.
class Spinner {
public:
    explicit Spinner(bool on, bool ownSession = false) {
        if (on) {
            pid_ = fork();
            if (pid_ == 0) {
                if (ownSession) {
                    setsid();
                }
                volatile unsigned long x = 0;
                for (;;) {
                    x = x + 1;
                }
            }
        }
    }
    ~Spinner() { Stop(); }
    Spinner(const Spinner&) = delete;
    Spinner& operator=(const Spinner&) = delete;

    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
};

}  // namespace tarnwick::bench
