#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/SchedulingChoice.h"

struct DBusConnection;
struct DBusMessage;

namespace tarnwick {

// The desktop's real-time broker (RealtimeKit on the system bus), which gives real-time
// scheduling to threads of processes that may not take it themselves. One object is one short
// private connection to the bus at DBUS_SYSTEM_BUS_ADDRESS, or the standard socket; all of its
// calls together, the connection included, end within the time given to the constructor, so a
// frozen bus costs at most that long.
class RealtimeBroker {
public:
    explicit RealtimeBroker(int timeoutMs);
    ~RealtimeBroker();
    RealtimeBroker(const RealtimeBroker&) = delete;
    RealtimeBroker& operator=(const RealtimeBroker&) = delete;

    // What the broker allows; empty (see Problem) when it cannot be reached.
    std::optional<BrokerLimits> Limits();
    // Asks for SCHED_RR `priority` for thread `tid` of this process. The broker grants it only
    // when the process's hard RLIMIT_RTTIME is set and within its RTTimeUSecMax.
    bool MakeThreadRealtime(pid_t tid, int priority);
    // Asks for nice value `nice` for thread `tid` of this process.
    bool MakeThreadHighPriority(pid_t tid, int nice);

    // Why the last call failed.
    const std::string& Problem() const { return problem_; }

private:
    bool Connect();
    void Disconnect();
    // Sends `call` (taking it) within the time left; the reply, or nullptr with Problem set.
    DBusMessage* Call(DBusMessage* call);
    std::optional<int64_t> Property(const char* name);
    // A broker method taking the thread id and one more argument of D-Bus type `valueType`.
    bool CallForThread(const char* method, pid_t tid, int valueType, const void* value);
    int RemainingMs() const;

    int64_t deadlineNs_;
    DBusConnection* connection_ = nullptr;
    bool tried_ = false;
    std::string problem_;
};

}  // namespace tarnwick
