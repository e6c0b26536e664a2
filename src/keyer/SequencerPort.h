#pragma once

#include <string>

namespace tarnwick {

// What the sequencer asks of the rest of the keyer. The keyer session implements it on top of
// the transmit engine, the receive processor and the standard-message generator; every call
// comes from the thread that drives the sequencer.
class SequencerPort {
public:
    virtual ~SequencerPort() = default;

    // Hands `text` to the transmit engine (PTT rises and the TX delay passes before it
    // returns). False when the engine refused it; nothing is being sent then.
    virtual bool BeginSend(const std::string& text) = 0;
    // Stops the running message at once; safe when nothing runs.
    virtual void StopSending() = 0;
    // Drops PTT and gives the keying devices back.
    virtual void ReleaseDevices() = 0;
    // The engine's answers to a PTT request of the running message.
    virtual void PttOn() = 0;
    virtual void PttOff() = 0;
    // Hands the current text run to the rig-control program.
    virtual void PushTrxText() = 0;
    // The receive side; both are safe in the state they ask for.
    virtual void StartReceive() = 0;
    virtual void StopReceive() = 0;
    // Refills the buffers from the default group of the document's mode and period; the
    // result comes back through Sequencer::ApplyStandardMessages.
    virtual void GenerateStandardMessages() = 0;
};

}  // namespace tarnwick
