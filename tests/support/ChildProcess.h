#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tarnwick::test {

// A program a test starts with its own environment and output files, and ends by its PID.
// Whatever is still running when the object goes is terminated (then killed) and reaped; if the
// test dies first (a sanitizer stops it, a crash), the kernel kills the program with it. That
// tie is to the starting thread, so start programs from the test's own thread.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // argv[0] is looked up on PATH. Standard output and error go to the files named (created
    // or truncated; empty: /dev/null). Returns false, with the reason in *why, if it cannot start.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& outPath, const std::string& errPath, std::string* why);
    // True while it runs; reaps it once it has ended.
    bool Running();
    // Sends `signal` and waits up to timeoutMs for the end; then kills it. Returns the wait
    // status, or -1 if it was not running.
    int End(int signal, int timeoutMs);

    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// True when `program` is an executable file on PATH.
bool OnPath(const std::string& program);

}  // namespace tarnwick::test
