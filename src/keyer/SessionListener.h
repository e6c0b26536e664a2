#pragma once

#include <cstdint>
#include <string>

#include "keyer/WindowPrompter.h"

namespace tarnwick {

// Where PTT stands, as far as the keyer knows: Unconfirmed is a drop the PTT device did not
// confirm (a rig-control daemon that stopped answering), so PTT may still be up.
enum class PttState { Down, Up, Unconfirmed };

// How a transmission ended: the engine's three end reasons, a stop the operator (or the
// program) made, or a message the engine refused to start.
enum class EndReason { Completed, Failed, Inhibited, Stopped, Refused };

// A sequence boundary of the EME period that the clock tick passed.
struct SequenceBoundary {
    int64_t startSeconds = 0;  // the sequence's nominal start, UTC seconds since the epoch
    int sequenceCount = 0;     // boundaries since the start time was last set
    bool transmitSequence = false;
    // False on a transmit sequence whose boundary found the last message still being sent.
    bool handedOver = false;
};

// What a keyer session tells its front end, always on the session's thread and only once the
// session call that caused it is over, so a handler may call the session again. ShowBox is the
// exception: a box is shown while the session waits for its answer.
class SessionListener : public BoxShower {
public:
    virtual void OnKeyChanged(bool /*down*/) {}  // only while the CW indicator follows the key
    virtual void OnCharacterSent(char /*c*/) {}
    virtual void OnPttChanged(PttState /*state*/) {}
    virtual void OnTransmissionEnded(EndReason /*reason*/) {}
    virtual void OnSequenceBoundary(const SequenceBoundary& /*boundary*/) {}
    // The manual sender keyed characters of the field: take them out (ManualSender::RemoveSent).
    virtual void OnManualSent() {}
    // Manual sending was ended from outside its window (an inhibit, a stop): the window closes.
    virtual void OnManualSendingEnded() {}
    // The TX watchdog stopped automatic sending; `message` says so for the status bar.
    virtual void OnTxWatchdogStopped(const std::string& /*message*/) {}
};

}  // namespace tarnwick
