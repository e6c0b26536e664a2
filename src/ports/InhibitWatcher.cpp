#include "ports/InhibitWatcher.h"

#include <thread>

#include "platform/Event.h"
#include "platform/NoticeSink.h"
#include "platform/RecursiveTryLock.h"
#include "platform/ThreadPriority.h"
#include "platform/TimeBase.h"
#include "ports/InhibitArmed.h"

namespace tarnwick {

struct InhibitWatcher::State {
    RecursiveTryLock handOver;
    Event resume{ResetMode::Manual};
    Event stop{ResetMode::Manual};
    // The registered thread; guarded by handOver. Empty once the watcher ended itself.
    std::thread thread;
};

InhibitWatcher::InhibitWatcher(NoticeSink& view, std::function<bool()> inhibitOn, uint32_t pollMs)
    : inhibitOn_(std::move(inhibitOn)), state_(std::make_shared<State>()) {
    // The thread waits for `resume` so that it never looks at its own registration before the
    // registration exists.
    state_->thread =
        StartThread(ThreadPriority::BelowNormal, [state = state_, probe = &inhibitOn_, sink = &view,
                                                  pollMs] { Run(state, probe, sink, pollMs); });
    state_->resume.Set();
}

InhibitWatcher::~InhibitWatcher() {
    State& state = *state_;
    // When the lock is taken, the watcher is ending itself right now and disposes of its own
    // thread; it no longer looks at the input or the view.
    if (state.handOver.TryAcquire()) {
        if (state.thread.joinable()) {
            state.stop.Set();
            state.thread.join();
        }
        state.handOver.Release();
    }
}

bool InhibitWatcher::IsWatching() const {
    State& state = *state_;
    if (!state.handOver.TryAcquire()) {
        return true;
    }
    const bool watching = state.thread.joinable();
    state.handOver.Release();
    return watching;
}

void InhibitWatcher::Run(std::shared_ptr<State> state, const std::function<bool()>* inhibitOn,
                         NoticeSink* view, uint32_t pollMs) {
    TimeBase& clock = RealTime();
    clock.WaitAnyForever({&state->resume});
    // The input is a physical line, so the poll runs on the real clock even when the keyer's
    // own waits use a virtual one. One timed wait per poll: a wake-up is what the watcher's
    // share of a core is made of.
    while (!state->stop.IsSignalled(clock.NowNs())) {
        const bool on = (*inhibitOn)();
        if (InhibitArmed.load() == 1 && on) {
            view->Post(kSendDoneNotice, 0, kDoneInhibit);
            break;
        }
        if (clock.WaitFor(state->stop, pollMs)) {
            break;
        }
    }
    SelfEnd(*state);
}

void InhibitWatcher::SelfEnd(State& state) {
    // When the lock is taken, the owner is stopping this thread and will join it.
    if (state.handOver.TryAcquire()) {
        state.thread.detach();
        state.handOver.Release();
    }
}

}  // namespace tarnwick
