#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "ports/KeyingDevice.h"

namespace tarnwick {

class TrxLinkCall;
class TrxLinkThread;

// How long a PTT drop through the rig-control daemon waits for its acknowledgement before it
// counts as not confirmed (the drop still goes out; the window's thread does not wait longer).
inline constexpr uint32_t kTrxPttDropWaitMs = 20;
// How long the keying thread waits for a PTT raise to reach the radio before it goes on
// without (the link's own time-outs end every call well before).
inline constexpr uint32_t kTrxPttRaiseWaitMs = 15'000;

// Hands PTT and CW text to the rig-control program, which keys the radio, through the link's
// own thread: nothing here waits for the daemon, except a PTT drop for kTrxPttDropWaitMs. The
// link raises PTT and takes text only when the radio answers; it drops PTT whenever the daemon
// is connected. The key operations do nothing: CW goes over one text run at a time.
class TrxManagerKeyingDevice : public KeyingDevice {
public:
    // The link belongs to the transmit engine; the device keeps it alive while it exists.
    explicit TrxManagerKeyingDevice(std::shared_ptr<TrxLinkThread> link);

    void PttOn() override;
    bool PttOff() override;
    bool WaitPttUp(Event& stop) override;
    void SendChar(char c, unsigned cwRate) override;
    bool SendText(const std::string& text, unsigned cwRate, uint64_t reportTag) override;

private:
    std::shared_ptr<TrxLinkThread> link_;
    std::mutex mutex_;
    std::shared_ptr<TrxLinkCall> raise_;
    std::shared_ptr<TrxLinkCall> drop_;
    bool raisedSinceDrop_ = false;
};

}  // namespace tarnwick
