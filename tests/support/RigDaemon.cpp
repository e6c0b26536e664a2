#include "support/RigDaemon.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace tarnwick::test {

namespace {

constexpr int kStartAttempts = 3;
constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr int kAskTimeoutMs = 2000;

int ConnectLoopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return "";
}

bool Exited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

}  // namespace

int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
    }
    if (fd >= 0) {
        close(fd);
    }
    return port;
}

RigDaemon::RigDaemon(bool pttByRig, int port) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/tarnwick-rig-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        return;
    }
    dir_ = pattern;
    logPath_ = dir_ + "/rigctld.log";
    for (int attempt = 0; attempt < kStartAttempts && pid_ <= 0; ++attempt) {
        if (!Start(port != 0 ? port : FreeLoopbackPort(), pttByRig) && port != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }
}

RigDaemon::~RigDaemon() {
    if (askFd_ >= 0) {
        close(askFd_);
    }
    if (pid_ > 0) {
        kill(pid_, SIGCONT);
        kill(pid_, SIGTERM);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!Exited(pid_)) {
            if (std::chrono::steady_clock::now() > until) {
                Kill();
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }
    if (!dir_.empty()) {
        unlink(logPath_.c_str());
        rmdir(dir_.c_str());
    }
}

bool RigDaemon::Start(int port, bool pttByRig) {
    if (port <= 0) {
        return false;
    }
    const std::string program = FindProgram("rigctld");
    if (program.empty()) {
        return false;
    }
    // Everything the child needs is built before fork: between fork and exec only
    // async-signal-safe calls are allowed.
    const std::string portText = std::to_string(port);
    std::vector<std::string> args{"rigctld",   "-m", "1",      "-T",
                                  "127.0.0.1", "-t", portText, "-vvvvv"};
    if (pttByRig) {
        args.insert(args.begin() + 3, {"-P", "RIG"});
    }
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int log = open(logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (log < 0 || null < 0) {
            _exit(127);
        }
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    // Ready once it says it listens. Probing with a connection of our own would disturb the
    // tests: the daemon may drop a connection made while another one is being closed.
    const std::string ready = "listening on port " + portText;
    const auto until = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < until) {
        if (Exited(child)) {
            return false;  // port taken, or no daemon installed
        }
        std::ifstream log(logPath_, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(log)),
                               std::istreambuf_iterator<char>());
        if (text.find(ready) != std::string::npos) {
            askFd_ = ConnectLoopback(port);
            if (askFd_ < 0) {
                break;
            }
            pid_ = child;
            port_ = port;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return false;
}

void RigDaemon::Kill() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

void RigDaemon::Stop() {
    if (pid_ > 0 && kill(pid_, SIGSTOP) == 0) {
        // Returns once every thread of it has stopped: a command sent from now on stays unread.
        int status = 0;
        while (waitpid(pid_, &status, WUNTRACED) < 0 && errno == EINTR) {
        }
    }
}

void RigDaemon::Continue() {
    if (pid_ > 0) {
        kill(pid_, SIGCONT);
    }
}

std::string RigDaemon::Ask(const std::string& line) const {
    if (askFd_ < 0) {
        return "";
    }
    const std::string out = "+" + line + "\n";
    if (send(askFd_, out.data(), out.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(out.size())) {
        return "";
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAskTimeoutMs);
    std::string reply;
    char c = 0;
    // Byte by byte, so that nothing of a later reply is read ahead.
    while (reply.find("RPRT") == std::string::npos || c != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        pollfd p{askFd_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0 ||
            recv(askFd_, &c, 1, 0) != 1) {
            return "";
        }
        reply.push_back(c);
    }
    return reply;
}

std::vector<LoggedCommand> RigDaemon::Received() const {
    // Lines look like: rigctl(d): b 'currVFO' ' CQ TEST' '' ''
    static const std::string kTag = "rigctl(d): ";
    std::vector<LoggedCommand> out;
    std::ifstream log(logPath_, std::ios::binary);
    std::string line;
    while (std::getline(log, line)) {
        if (line.rfind(kTag, 0) != 0) {
            continue;
        }
        std::string_view rest = std::string_view(line).substr(kTag.size());
        LoggedCommand cmd;
        const size_t space = rest.find(" '");
        if (space == std::string_view::npos || rest.size() < space + 3 || rest.back() != '\'') {
            continue;
        }
        cmd.command = rest.substr(0, space);
        rest = rest.substr(space + 2, rest.size() - space - 3);
        for (size_t cut; (cut = rest.find("' '")) != std::string_view::npos;) {
            cmd.args.emplace_back(rest.substr(0, cut));
            rest.remove_prefix(cut + 3);
        }
        cmd.args.emplace_back(rest);
        cmd.args.erase(cmd.args.begin());  // the VFO
        out.push_back(std::move(cmd));
    }
    return out;
}

}  // namespace tarnwick::test
