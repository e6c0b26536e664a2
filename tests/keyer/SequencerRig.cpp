#include "SequencerRig.h"

#include <cstdio>

#include "platform/NoticeSink.h"

namespace tarnwick::test {

bool RecordingSequencerPort::BeginSend(const std::string& text) {
    lastSendNs = clock_.NowNs();
    log.push_back(UtcTimeOfDayText(clock_.NowSeconds()) + " send " + text);
    if (refuse) {
        return false;
    }
    messageEndNs = messageSeconds < 0 ? -1 : lastSendNs + messageSeconds * kNsPerSecond;
    return true;
}

void RecordingSequencerPort::StopSending() {
    log.push_back("stop");
    messageEndNs = -1;  // a stopped message reports no end
}

std::vector<std::string> RecordingSequencerPort::Sends() const {
    std::vector<std::string> sends;
    for (const std::string& line : log) {
        if (line.size() > 9 && line.compare(8, 6, " send ") == 0) {
            sends.push_back(line);
        }
    }
    return sends;
}

SequencerRig::SequencerRig(int contest, int64_t startSeconds)
    : clock(startSeconds * kNsPerSecond + kNsPerSecond / 2) {
    doc.Contest = contest;
    seq.Start();
}

void SequencerRig::Tick() {
    clock.AdvanceNs(int64_t{seq.MsUntilNextTick()} * 1'000'000);
    if (port.messageEndNs >= 0 && clock.NowNs() >= port.messageEndNs) {
        port.messageEndNs = -1;
        seq.OnSendDone(kDoneCompleted);
    }
    seq.ClockTick();
}

void SequencerRig::RunUntil(int64_t seconds) {
    while (clock.NowSeconds() + 1 < seconds) {
        Tick();
    }
}

void SequencerRig::Ticks(int n) {
    for (int i = 0; i < n; ++i) {
        Tick();
    }
}

int64_t SequencerRig::At(const std::string& timeOfDay) const {
    int h = 0;
    int m = 0;
    int s = 0;
    std::sscanf(timeOfDay.c_str(), "%d:%d:%d", &h, &m, &s);
    return UtcDayStart(clock.NowSeconds()) + h * 3600 + m * 60 + s;
}

int64_t DecemberSixth(int hour, int minute, int second) {
    return UtcSeconds(2026, 12, 6, hour, minute, second);
}

}  // namespace tarnwick::test
