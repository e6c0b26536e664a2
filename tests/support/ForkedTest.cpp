#include "support/ForkedTest.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

namespace tarnwick::test {

namespace {

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<size_t>(n);
    }
}

// The failures the body added to the current test, one report each.
std::string FailuresSince(int firstPart) {
    const ::testing::TestResult* result =
        ::testing::UnitTest::GetInstance()->current_test_info()->result();
    std::string out;
    for (int i = firstPart; i < result->total_part_count(); ++i) {
        const ::testing::TestPartResult& part = result->GetTestPartResult(i);
        if (part.failed()) {
            out += std::string(part.file_name() ? part.file_name() : "?") + ":" +
                   std::to_string(part.line_number()) + ": " + part.message() + '\x1e';
        }
    }
    return out;
}

}  // namespace

void RunForked(const std::function<void()>& body, int timeoutMs) {
    const int firstPart =
        ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0) << "fork failed";
    if (pid == 0) {
        close(fds[0]);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        body();
        WriteAll(fds[1], FailuresSince(firstPart));
        close(fds[1]);
        // Skips the test framework's and the libraries' exit handlers, which belong to the parent.
        _exit(0);
    }
    close(fds[1]);
    std::string report;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int n = poll(&p, 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0) {
            timedOut = true;
            break;
        }
        char chunk[4096];
        const ssize_t got = n > 0 ? read(fds[0], chunk, sizeof chunk) : 0;
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        report.append(chunk, static_cast<size_t>(got));
    }
    close(fds[0]);
    if (timedOut) {
        kill(pid, SIGKILL);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    for (size_t at = 0; at < report.size();) {
        const size_t end = report.find('\x1e', at);
        ADD_FAILURE() << report.substr(at, end - at);
        at = end == std::string::npos ? report.size() : end + 1;
    }
    EXPECT_FALSE(timedOut) << "the forked check did not end within " << timeoutMs << " ms";
    EXPECT_TRUE(timedOut || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
        << "the forked check ended abnormally, status " << status;
}

}  // namespace tarnwick::test
