#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keyer/Sequencer.h"
#include "keyer/SequencerPort.h"
#include "keyer/UtcClock.h"
#include "model/CTarnwickDoc.h"

namespace tarnwick::test {

// The sequencer's port as the keyer session would implement it, recording each call as a line
// ("send CQ", "stop", "release", "rx start", ...). A send is logged with the UTC time of day it
// was handed over ("12:00:00 send CQ").
class RecordingSequencerPort : public SequencerPort {
public:
    explicit RecordingSequencerPort(const UtcClock& clock) : clock_(clock) {}

    bool BeginSend(const std::string& text) override;
    void StopSending() override;
    void ReleaseDevices() override { log.push_back("release"); }
    void PttOn() override { log.push_back("ptt on"); }
    void PttOff() override { log.push_back("ptt off"); }
    void PushTrxText() override { log.push_back("trx text"); }
    void StartReceive() override { log.push_back("rx start"); }
    void StopReceive() override { log.push_back("rx stop"); }
    void GenerateStandardMessages() override { log.push_back("generate"); }

    // Only the sends, "12:00:00 send CQ".
    std::vector<std::string> Sends() const;

    std::vector<std::string> log;
    bool refuse = false;
    // The clock reading at the last send.
    int64_t lastSendNs = 0;
    // How long a message runs (negative: until stopped), and when the one being sent ends (-1:
    // none is being sent, or it runs until stopped).
    int64_t messageSeconds = 20;
    int64_t messageEndNs = -1;

private:
    const UtcClock& clock_;
};

// A sequencer on a virtual UTC clock, with the window's timer played by Tick(): each tick comes
// when MsUntilNextTick says, as a front end arms it. A message that has ended by then is
// reported completed before the tick runs.
struct SequencerRig {
    // Starts (the window's first show) at the given UTC time, half a second into the second.
    SequencerRig(int contest, int64_t startSeconds);

    void Tick();
    // Runs every tick of the seconds before `seconds` (not the one of `seconds` itself).
    void RunUntil(int64_t seconds);
    void Ticks(int n);
    // "12:00:00" for the current day of the clock.
    int64_t At(const std::string& timeOfDay) const;
    const SequencerState& State() const { return seq.State(); }

    CTarnwickDoc doc;
    VirtualUtcClock clock;
    RecordingSequencerPort port{clock};
    Sequencer seq{doc, clock, port};
};

// 2026-12-06 at the given UTC time of day.
int64_t DecemberSixth(int hour, int minute, int second);

}  // namespace tarnwick::test
