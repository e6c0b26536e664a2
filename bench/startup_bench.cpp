// Start-up of the desktop program measured from outside: from the start of the process to
// its "window shown" trace (the first show handled), and its resident memory then.
//
//   startup_bench PATH/tarnwick [--runs N]
//
// Runs on the current display, or on Qt's offscreen platform when there is none. Each run
// has a fresh settings file and runtime folder, so it is a first start.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchSupport.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double seconds = -1;
    long rssKb = -1;
};

long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

Run StartOnce(const std::string& program, const std::string& scratch) {
    std::filesystem::create_directories(scratch);
    std::filesystem::permissions(scratch, std::filesystem::perms::owner_all);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    env.push_back("XDG_RUNTIME_DIR=" + scratch);
    env.push_back("TARNWICK_CONFIG=" + scratch + "/Tarnwick.conf");
    env.push_back("TARNWICK_TRACE=1");
    if (getenv("DISPLAY") == nullptr && getenv("QT_QPA_PLATFORM") == nullptr) {
        env.push_back("QT_QPA_PLATFORM=offscreen");
    }
    std::vector<char*> envp;
    for (std::string& s : env) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);

    int err[2];
    if (pipe2(err, O_CLOEXEC) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};
    pid_t pid = -1;
    const auto start = Clock::now();
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(err[1]);
    Run run;
    if (spawned != 0) {
        close(err[0]);
        return run;
    }
    std::string output;
    while (output.find("window shown") == std::string::npos) {
        pollfd p{err[0], POLLIN, 0};
        if (poll(&p, 1, 30000) <= 0) {
            break;
        }
        char buffer[512];
        const ssize_t n = read(err[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        output.append(buffer, static_cast<size_t>(n));
    }
    if (output.find("window shown") != std::string::npos) {
        run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        run.rssKb = ResidentKb(pid);
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    close(err[0]);
    std::filesystem::remove_all(scratch);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH/tarnwick [--runs N]\n", argv[0]);
        return 64;
    }
    int runs = 10;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    std::vector<double> seconds;
    std::vector<double> rssMb;
    const std::string scratch = "/tmp/tarnwick-startup-bench-" + std::to_string(getpid());
    for (int i = 0; i < runs; ++i) {
        const Run run = StartOnce(argv[1], scratch);
        if (run.seconds < 0) {
            std::fprintf(stderr, "run %d: the window was not shown\n", i);
            return 1;
        }
        seconds.push_back(run.seconds);
        rssMb.push_back(static_cast<double>(run.rssKb) / 1024.0);
    }
    std::sort(seconds.begin(), seconds.end());
    const auto time = tarnwick::bench::SpreadOf(seconds);
    const auto memory = tarnwick::bench::SpreadOf(rssMb);
    std::printf("runs %d on %s\n", runs,
                getenv("DISPLAY") != nullptr ? "the display" : "the offscreen platform");
    std::printf("start to window shown: median %.3f s, mean %.3f s, max %.3f s (goal <= 0.5 s)\n",
                seconds[seconds.size() / 2], time.mean, time.max);
    std::printf("resident memory when shown: mean %.1f MB, max %.1f MB (goal <= 80 MB)\n",
                memory.mean, memory.max);
    return 0;
}
