#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/ChildProcess.h"
#include "support/ScratchDir.h"

namespace tarnwick::test {

// A private system bus with the real real-time broker (Debian rtkit) on it, for tests of the
// broker path. The broker asks the system's authority whether the caller may have real-time
// scheduling; this machine has no desktop session for the real authority to go by, so a small
// authority of our own answers on the bus as it would for the active session (or refuses, on
// request). Starting the broker needs root; it drops to its own user.
class RealtimeBrokerBus {
public:
    // Whether the bus daemon, the broker and setpriv are installed and we are root.
    static bool Usable(std::string* why);

    RealtimeBrokerBus();
    ~RealtimeBrokerBus();
    RealtimeBrokerBus(const RealtimeBrokerBus&) = delete;
    RealtimeBrokerBus& operator=(const RealtimeBrokerBus&) = delete;

    // Starts the bus, the authority and the broker, and waits until the broker serves.
    bool Start(std::string* why);
    // The address clients are given in DBUS_SYSTEM_BUS_ADDRESS.
    std::string Address() const;
    // Whether the authority grants what the broker asks about (it does at start).
    void SetGranting(bool grant) { granting_ = grant; }

private:
    void ServeAuthority(std::atomic<int>* ready);
    bool WaitForBroker(std::string* why);

    ScratchDir dir_{"tarnwick-bus"};
    ChildProcess bus_;
    ChildProcess broker_;
    std::thread authority_;
    std::atomic<bool> stopAuthority_{false};
    std::atomic<bool> granting_{true};
};

}  // namespace tarnwick::test
