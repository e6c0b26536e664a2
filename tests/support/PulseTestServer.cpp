#include "support/PulseTestServer.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

namespace tarnwick::test {

namespace {

// Generous: under the sanitizers on a shared two-core machine the server can be slow to come up.
constexpr auto kStartTimeout = std::chrono::seconds(20);

bool Connects(const std::string& socketPath) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof addr.sun_path) {
        return false;
    }
    std::strcpy(addr.sun_path, socketPath.c_str());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

}  // namespace

bool PulseTestServer::Installed() {
    return OnPath("pulseaudio") && OnPath("parecord");
}

PulseTestServer::PulseTestServer() : PulseTestServer({Sink{"keyer"}}, 0) {}

PulseTestServer::PulseTestServer(std::vector<Sink> sinks, unsigned sineSourceHz)
    : sinks_(std::move(sinks)), sineSourceHz_(sineSourceHz) {}

PulseTestServer::~PulseTestServer() {
    Stop();
}

std::string PulseTestServer::Address() const {
    return "unix:" + dir_.File("native");
}

std::vector<std::string> PulseTestServer::ClientEnvironment() const {
    const char* path = std::getenv("PATH");
    return {
        "HOME=" + Dir(),
        "XDG_RUNTIME_DIR=" + Dir(),
        "XDG_CONFIG_HOME=" + Dir(),
        "PULSE_SERVER=" + Address(),
        "PULSE_COOKIE=" + dir_.File("cookie"),
        "PATH=" + std::string(path != nullptr ? path : "/usr/bin:/bin"),
    };
}

bool PulseTestServer::Start(std::string* why) {
    Stop();
    std::ostringstream script;
    for (const Sink& s : sinks_) {
        script << "load-module module-null-sink sink_name=" << s.name << " rate=" << s.rate
               << " channels=" << s.channels << " format=s16le\n";
    }
    if (!sinks_.empty()) {
        script << "set-default-sink " << sinks_.front().name << "\n";
    }
    if (sineSourceHz_ > 0) {
        script << "load-module module-sine-source source_name=sine rate=11025 frequency="
               << sineSourceHz_ << "\n"
               << "set-default-source sine\n";
    }
    // Last, so that a client that can connect finds every sink already there.
    script << "load-module module-native-protocol-unix auth-anonymous=1 socket="
           << dir_.File("native") << "\n";
    // Clients in this process must never try to start a server of their own.
    if (!ScratchDir::Write(dir_.File("test.pa"), script.str()) ||
        !ScratchDir::Write(dir_.File("client.conf"), "autospawn = no\n")) {
        *why = "cannot write the server configuration in " + Dir();
        return false;
    }
    const std::vector<std::string> argv{"pulseaudio",
                                        "-n",
                                        "-F",
                                        dir_.File("test.pa"),
                                        "--daemonize=no",
                                        "--exit-idle-time=-1",
                                        "--use-pid-file=no",
                                        "--disallow-exit"};
    if (!server_.Start(argv, ClientEnvironment(), "", dir_.File("server.log"), why)) {
        return false;
    }
    if (!WaitUntilServing(why)) {
        Stop();
        return false;
    }
    return true;
}

bool PulseTestServer::WaitUntilServing(std::string* why) {
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!server_.Running()) {
            *why = "the test sound server ended at start: " +
                   ScratchDir::Read(dir_.File("server.log"));
            return false;
        }
        if (Connects(dir_.File("native"))) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    *why = "the test sound server did not take clients within 20 s";
    return false;
}

void PulseTestServer::UseInThisProcess() {
    environment_.Restore();
    environment_.Set("PULSE_SERVER", Address());
    environment_.Set("PULSE_COOKIE", dir_.File("cookie"));
    environment_.Set("PULSE_CLIENTCONFIG", dir_.File("client.conf"));
    // Otherwise the client library keeps state under the user's home and in /tmp.
    environment_.Set("PULSE_RUNTIME_PATH", Dir());
    environment_.Set("PULSE_STATE_PATH", Dir());
}

void PulseTestServer::Kill() {
    server_.End(SIGKILL, 5000);
}

void PulseTestServer::Freeze() {
    if (server_.Running()) {
        kill(server_.Pid(), SIGSTOP);
    }
}

void PulseTestServer::Thaw() {
    if (server_.Pid() > 0) {
        kill(server_.Pid(), SIGCONT);
    }
}

void PulseTestServer::Stop() {
    Thaw();
    server_.End(SIGTERM, 5000);
    environment_.Restore();
}

}  // namespace tarnwick::test

// The client library that ALSA's "pulse" PCM loads hands memory between its threads through
// atomics of its own, which ThreadSanitizer cannot see in an uninstrumented library, so it
// reports races inside it that are not there. Accesses made from that library are not checked.
// The window tests add Qt and the libraries under it, for the reason given in
// src/app/ToolkitTsanSuppressions.cpp (which the desktop program links).
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:*libpulsecommon*\n"
           "called_from_lib:*libpulse.so*\n"
           "called_from_lib:*libQt6Core.so*\n"
           "called_from_lib:*libQt6Gui.so*\n"
           "called_from_lib:*libQt6DBus.so*\n"
           "called_from_lib:*libdbus-1.so*\n"
           "called_from_lib:*libglib-2.0.so*\n";
}
