#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "trx/RigReplyParser.h"

namespace tarnwick {

// The outcome of one command: the daemon's reply block, or a failure of the link itself.
struct RigResult {
    int status = kRigOk;
    // The link failed (no answer in time, connection gone, unreadable or mismatched answer);
    // the connection has been closed. False when the daemon itself answered with `status`.
    bool linkFailed = false;
    RigReply reply;

    bool Ok() const { return status == kRigOk && !linkFailed; }
};

// One TCP connection to the rig-control daemon, speaking only its extended ("+") protocol, one
// command at a time. Every wait is bounded: a daemon that vanishes or falls silent costs the
// caller at most the time-out. A failed exchange closes the connection, because a late answer
// would otherwise be taken for the answer to the next command.
class RigConnection {
public:
    RigConnection() = default;
    ~RigConnection();
    RigConnection(const RigConnection&) = delete;
    RigConnection& operator=(const RigConnection&) = delete;

    // False when nothing at host:port accepts within the time-out.
    bool Open(const std::string& host, int port, int timeoutMs);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    // Throws away anything nobody asked for and notices a peer that has gone (the connection is
    // then closed). False when there is no usable connection.
    bool CheckAlive();

    // Sends "+`line`" and waits for its reply block. `command` is the long name the daemon
    // echoes ("set_ptt"); a block echoing another command means the stream is out of step.
    // A line holding a newline or carriage return is refused without being sent.
    RigResult Transact(std::string_view line, std::string_view command, int timeoutMs);

private:
    bool SendAll(std::string_view bytes, int64_t deadlineMs);
    RigResult Fail(int status);

    int fd_ = -1;
    RigReplyParser parser_;
};

}  // namespace tarnwick
