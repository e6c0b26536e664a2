#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

namespace tarnwick::test {

namespace {

std::vector<char*> CStrings(const std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (const std::string& s : strings) {
        out.push_back(const_cast<char*>(s.c_str()));
    }
    out.push_back(nullptr);
    return out;
}

}  // namespace

ChildProcess::~ChildProcess() {
    End(SIGTERM, 3000);
}

bool ChildProcess::Start(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, const std::string& outPath,
                         const std::string& errPath, std::string* why) {
    End(SIGTERM, 3000);
    // Everything the child needs is made before the fork: after it, only async-signal-safe
    // calls are allowed in a process that has threads.
    std::vector<char*> args = CStrings(argv);
    std::vector<char*> env = CStrings(environment);
    const char* out = outPath.empty() ? "/dev/null" : outPath.c_str();
    const char* err = errPath.empty() ? "/dev/null" : errPath.c_str();
    const pid_t parent = getpid();
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        *why = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        *why = std::string("fork: ") + std::strerror(errno);
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (pid == 0) {
        // A test that dies without cleaning up must not leave servers running.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        const int in = open("/dev/null", O_RDONLY);
        const int o = open(out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(err, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in >= 0 && o >= 0 && e >= 0 && dup2(in, STDIN_FILENO) >= 0 &&
            dup2(o, STDOUT_FILENO) >= 0 && dup2(e, STDERR_FILENO) >= 0) {
            execvpe(args[0], args.data(), env.data());
        }
        const int code = errno;
        [[maybe_unused]] const ssize_t n = write(report[1], &code, sizeof code);
        _exit(127);
    }
    close(report[1]);
    int code = 0;
    ssize_t n;
    do {
        n = read(report[0], &code, sizeof code);
    } while (n < 0 && errno == EINTR);
    close(report[0]);
    pid_ = pid;
    if (n > 0) {
        End(SIGKILL, 1000);
        *why = "cannot start " + argv[0] + ": " + std::strerror(code);
        return false;
    }
    return true;
}

bool ChildProcess::Running() {
    if (pid_ <= 0) {
        return false;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

int ChildProcess::End(int signal, int timeoutMs) {
    if (pid_ <= 0) {
        return -1;
    }
    kill(pid_, signal);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || r < 0) {
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    return status;
}

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace tarnwick::test
