#include "keyer/MessageCheck.h"

#include <cstdio>
#include <map>

#include "keyer/WaveFileCheck.h"
#include "model/CTarnwickDoc.h"
#include "morse/CwTiming.h"
#include "morse/MorseTable.h"
#include "platform/Event.h"
#include "platform/VirtualTimeBase.h"
#include "ports/KeyingPortManager.h"
#include "send/MessageActions.h"
#include "send/MessageTag.h"
#include "send/MessageWalker.h"

namespace tarnwick {
namespace {

// Actions followed before the check gives up on a message that repeats without end in sight
// (a count of millions, a day-long repeat of one letter). Ordinary messages take a few dozen.
constexpr uint64_t kActionBudget = 20'000;

// The engine's actions with every effect replaced by the time it takes.
class DryRunActions final : public MessageActions {
public:
    explicit DryRunActions(const MessageCheckContext& context)
        : context_(context),
          timing_(
              ComputeCwTiming(context.cwRate, context.dotWgt, context.dashWgt, context.letterSp)) {}

    WalkStatus SendTextRun(const std::string& run) override {
        if (!Spend() || (!pttUp_ && RequestPtt(true) != WalkStatus::Done)) {
            return WalkStatus::Stopped;
        }
        // As the engine keys it: leading blanks dropped, a word space before every run but
        // the first.
        std::string text = run;
        RemoveLeadingBlanks(text);
        if (afterFirstRun_) {
            text.insert(text.begin(), ' ');
        }
        afterFirstRun_ = true;
        Advance(CwDurationMs(ConvertToMorse(text), timing_));
        return WalkStatus::Done;
    }

    WalkStatus InsertWave(const std::string& fileName) override {
        if (!Spend() || (!pttUp_ && RequestPtt(true) != WalkStatus::Done)) {
            return WalkStatus::Stopped;
        }
        auto found = waves_.find(fileName);
        if (found == waves_.end()) {
            found = waves_.emplace(fileName, CheckWaveFile(fileName, context_.baseDir)).first;
        }
        if (!found->second.ok) {
            problem = found->second.problem;
            return WalkStatus::Failed;
        }
        Advance(found->second.durationMs);
        return WalkStatus::Done;
    }

    bool PttUp() const override { return pttUp_; }

    WalkStatus RequestPtt(bool up) override {
        if (!Spend()) {
            return WalkStatus::Stopped;
        }
        if (up && !pttUp_) {
            Advance(TxDelayMs(context_.txDelay));
        }
        pttUp_ = up;
        return WalkStatus::Done;
    }

    bool StopRequested() const override { return overBudget_; }
    void ShowMessageError() override { problem = kMessageErrorText; }
    TimeBase& Time() override { return time_; }
    Event& TimerEvent() override { return timer_; }
    Event& StopEvent() override { return stop_; }

    std::string problem;

private:
    bool Spend() {
        if (++actions_ > kActionBudget) {
            overBudget_ = true;
        }
        return !overBudget_;
    }
    void Advance(uint64_t ms) { time_.AdvanceNs(static_cast<int64_t>(ms) * kNsPerMs); }

    const MessageCheckContext& context_;
    const CwTiming timing_;
    VirtualTimeBase time_;
    Event timer_{ResetMode::Auto};
    Event stop_{ResetMode::Manual};
    std::map<std::string, WaveFileCheckResult> waves_;
    uint64_t actions_ = 0;
    bool overBudget_ = false;
    bool pttUp_ = false;
    bool afterFirstRun_ = false;
};

}  // namespace

MessageCheckContext CheckContextFor(const CTarnwickDoc& doc, const std::string& callField) {
    MessageCheckContext c;
    c.station = StationData{doc.MyCall, doc.Report, doc.MyGrid};
    c.callField = callField;
    c.cwRate = doc.CWRate;
    c.dotWgt = doc.DotWgt;
    c.dashWgt = doc.DashWgt;
    c.letterSp = doc.LetterSp;
    c.txDelay = doc.TXDelay;
    c.baseDir = doc.WorkingDir;
    return c;
}

MessageCheckResult CheckMessage(const std::string& message, const MessageCheckContext& context) {
    DryRunActions actions(context);
    MessageWalker walker(actions);
    std::string text = ExpandMacros(message, context.station, context.callField);
    const int64_t start = actions.Time().NowNs();
    const WalkResult walked = walker.RunMessage(text);
    MessageCheckResult result;
    result.problem = actions.problem;
    result.complete = walked.status != WalkStatus::Stopped;
    // The walk's own figure is on the 32-bit millisecond clock; the nanosecond clock does not
    // wrap for a message of any length.
    result.durationMs = static_cast<uint64_t>((actions.Time().NowNs() - start) / kNsPerMs);
    return result;
}

std::string FormatSendingTime(uint64_t ms) {
    char text[48];
    const uint64_t seconds = ms / 1000;
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "%llu.%llu s", static_cast<unsigned long long>(seconds),
                      static_cast<unsigned long long>(ms % 1000 / 100));
    } else if (seconds < 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu",
                      static_cast<unsigned long long>(seconds / 60),
                      static_cast<unsigned long long>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                      static_cast<unsigned long long>(seconds / 3600),
                      static_cast<unsigned long long>(seconds / 60 % 60),
                      static_cast<unsigned long long>(seconds % 60));
    }
    return text;
}

}  // namespace tarnwick
