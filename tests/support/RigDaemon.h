#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tarnwick::test {

// One command as the daemon logged it: the short command and its arguments, VFO left out.
struct LoggedCommand {
    std::string command;
    std::vector<std::string> args;
};

// A real rig-control daemon (dummy radio) on loopback, started by a test and always stopped
// with it: the destructor ends it, and it dies with the test process if that dies first.
class RigDaemon {
public:
    // `pttByRig` false leaves the dummy radio without PTT, so PTT commands fail. Port 0 picks a
    // free one.
    explicit RigDaemon(bool pttByRig = true, int port = 0);
    ~RigDaemon();
    RigDaemon(const RigDaemon&) = delete;
    RigDaemon& operator=(const RigDaemon&) = delete;

    bool Running() const { return pid_ > 0; }
    int Port() const { return port_; }
    // Ends the daemon at once, as a crash would.
    void Kill();
    // Freezes the daemon (it takes connections and data but handles nothing) until Continue.
    void Stop();
    void Continue();

    // Sends "+line" on a connection of its own, open from the start (the daemon may drop a
    // connection made while another client leaves); the reply up to its RPRT line, or "" when
    // none came within two seconds.
    std::string Ask(const std::string& line) const;
    // Every command any client sent, in order, from the daemon's verbose log.
    std::vector<LoggedCommand> Received() const;

private:
    bool Start(int port, bool pttByRig);

    pid_t pid_ = -1;
    int askFd_ = -1;
    int port_ = 0;
    std::string dir_;
    std::string logPath_;
};

// A loopback port nothing listens on (it was free a moment ago).
int FreeLoopbackPort();

}  // namespace tarnwick::test
