#include "support/FakeMessageActions.h"

namespace tarnwick::test {

uint64_t FakeMessageActions::NowMsSinceStart() const {
    return static_cast<uint64_t>((const_cast<VirtualTimeBase&>(time).NowNs() - startNs_) /
                                 kNsPerMs);
}

void FakeMessageActions::Count() {
    ++actions_;
    if (stopAfterActions != 0 && actions_ >= stopAfterActions) {
        stop.store(1);
        stopEvent.Set();
    }
}

WalkStatus FakeMessageActions::SendTextRun(const std::string& run) {
    if (!pttUp) {
        RequestPtt(true);
    }
    log.push_back(std::to_string(NowMsSinceStart()) + " text '" + run + "'");
    time.AdvanceNs(static_cast<int64_t>(run.size()) * msPerChar * kNsPerMs);
    Count();
    return StopRequested() ? WalkStatus::Stopped : WalkStatus::Done;
}

WalkStatus FakeMessageActions::InsertWave(const std::string& fileName) {
    if (!pttUp) {
        RequestPtt(true);
    }
    log.push_back(std::to_string(NowMsSinceStart()) + " wave '" + fileName + "'");
    if (fileName.find("fail") != std::string::npos) {
        return WalkStatus::Failed;
    }
    time.AdvanceNs(static_cast<int64_t>(waveMs) * kNsPerMs);
    Count();
    return StopRequested() ? WalkStatus::Stopped : WalkStatus::Done;
}

WalkStatus FakeMessageActions::RequestPtt(bool up) {
    if (StopRequested()) {
        return WalkStatus::Stopped;
    }
    pttUp = up;
    log.push_back(std::to_string(NowMsSinceStart()) + (up ? " ptt up" : " ptt down"));
    return WalkStatus::Done;
}

void FakeMessageActions::ShowMessageError() {
    ++errors;
    log.push_back(std::to_string(NowMsSinceStart()) + " error");
}

}  // namespace tarnwick::test
