#include "send/MessageWalker.h"

#include "platform/TimeBase.h"
#include "send/MessageTag.h"

namespace tarnwick {

namespace {

// Millisecond-clock comparison that survives the 49.7-day wrap.
bool Before(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b) < 0;
}

bool IsWaveLetter(char c) {
    return c == 'I' || c == 'i';
}

}  // namespace

WalkResult MessageWalker::RunMessage(std::string& message) {
    return Walk(message, 0);
}

WalkResult MessageWalker::Walk(std::string& message, int depth) {
    TimeBase& time = actions_.Time();
    const uint32_t start = time.NowMs();
    WalkResult result;
    if (depth > kMaxNesting) {
        result.status = Malformed();
        return result;
    }
    RemoveLeadingBlanks(message);
    while (!message.empty() && result.status == WalkStatus::Done) {
        if (message.front() == '{') {
            result.status = Block(message, depth);
        } else if (message.front() == '[') {
            result.status = Pause(message);
        } else {
            const size_t end = message.find_first_of("{[");
            std::string run = message.substr(0, end);
            message.erase(0, end == std::string::npos ? message.size() : end);
            ++actionCount_;
            result.status = actions_.SendTextRun(run);
        }
    }
    result.elapsedMs = time.NowMs() - start;
    return result;
}

WalkStatus MessageWalker::Block(std::string& message, int depth) {
    message.erase(0, 1);
    RemoveLeadingBlanks(message);
    std::string body;
    int nesting = 0;
    size_t i = 0;
    bool closed = false;
    for (; i < message.size(); ++i) {
        const char c = message[i];
        if (c == '{') {
            ++nesting;
        } else if (c == '}') {
            if (nesting == 0) {
                closed = true;
                break;
            }
            --nesting;
        }
        body.push_back(c);
    }
    message.erase(0, closed ? i + 1 : message.size());

    MessageTag tag = ScanTag(message);
    if (tag.conversions < 2 && !(tag.conversions == 1 && IsWaveLetter(tag.letter))) {
        return Malformed();
    }
    if (tag.letter == 'R' && tag.number > kMaxTagSeconds) {
        return Malformed();
    }
    const size_t close = message.find(']');
    if (close != std::string::npos) {
        message.erase(0, close + 1);
    }

    if (IsWaveLetter(tag.letter)) {
        ++actionCount_;
        return actions_.InsertWave(body);
    }
    if (tag.letter == 'R') {
        return RepeatFor(body, tag.number, depth);
    }
    if (tag.letter == 'N') {
        return RepeatTimes(body, tag.number, depth);
    }
    return WalkStatus::Done;  // any other tag: the block produces nothing
}

WalkStatus MessageWalker::RepeatTimes(const std::string& body, int count, int depth) {
    for (int k = 0; k < count; ++k) {
        if (actions_.StopRequested()) {
            return WalkStatus::Stopped;
        }
        const uint64_t before = actionCount_;
        std::string copy = body;
        const WalkResult r = Walk(copy, depth + 1);
        if (r.status != WalkStatus::Done) {
            return r.status;
        }
        // A body that does nothing, or nothing that takes time (characters without Morse
        // codes), would do the same the remaining times: repeating it would only spin the
        // processor and flood the window with notices.
        if (actionCount_ == before || r.elapsedMs == 0) {
            break;
        }
    }
    return WalkStatus::Done;
}

WalkStatus MessageWalker::RepeatFor(const std::string& body, int seconds, int depth) {
    if (seconds <= 0) {
        return WalkStatus::Done;
    }
    TimeBase& time = actions_.Time();
    const uint32_t start = time.NowMs();
    const uint32_t end = start + static_cast<uint32_t>(seconds) * 1000U;
    uint32_t estimate = start;
    bool first = true;
    while (Before(estimate, end) && Before(time.NowMs(), end)) {
        std::string copy = body;
        const WalkResult r = Walk(copy, depth + 1);
        if (r.status != WalkStatus::Done) {
            return r.status;
        }
        if (r.elapsedMs == 0) {
            // A repetition that takes no time adds nothing audible; repeating it would only
            // spin until the end. The block is filled with silence below instead.
            break;
        }
        estimate += first ? 2 * r.elapsedMs : r.elapsedMs;
        first = false;
    }
    const uint32_t now = time.NowMs();
    if (Before(now, end - 1000U)) {
        const uint32_t remaining = end - now;
        ++actionCount_;
        return WaitTimer(remaining, 2 * remaining);
    }
    return WalkStatus::Done;
}

WalkStatus MessageWalker::Pause(std::string& message) {
    const MessageTag tag = ScanTag(message);
    const size_t close = message.find(']');
    if (close != std::string::npos) {
        message.erase(0, close + 1);
    }
    // A negative length has no meaning as a pause; it is refused like any other malformed tag.
    if (tag.conversions < 2 || (tag.letter != 'P' && tag.letter != 'p') ||
        close == std::string::npos || tag.number < 0 || tag.number > kMaxTagSeconds) {
        return Malformed();
    }
    ++actionCount_;
    if (actions_.PttUp()) {
        if (actions_.RequestPtt(false) == WalkStatus::Stopped) {
            return WalkStatus::Stopped;
        }
    }
    const uint32_t ms = static_cast<uint32_t>(tag.number) * 1000U;
    const WalkStatus waited = WaitTimer(ms, 2 * ms);
    if (waited != WalkStatus::Done) {
        return waited;
    }
    if (!message.empty() && !actions_.PttUp()) {
        return actions_.RequestPtt(true);
    }
    return WalkStatus::Done;
}

WalkStatus MessageWalker::WaitTimer(uint32_t delayMs, uint32_t timeoutMs) {
    TimeBase& time = actions_.Time();
    Event& timer = actions_.TimerEvent();
    time.StartOneShot(timer, delayMs, TimerAction::Pulse);
    time.WaitAnyFor({&timer, &actions_.StopEvent()}, timeoutMs);
    return actions_.StopRequested() ? WalkStatus::Stopped : WalkStatus::Done;
}

WalkStatus MessageWalker::Malformed() {
    actions_.ShowMessageError();
    return WalkStatus::Failed;
}

}  // namespace tarnwick
