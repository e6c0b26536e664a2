#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Event.h"

namespace tarnwick {

class Prompter;
class TimeBase;
class TrxManagerLink;

// One call queued on the rig-control link. Whoever queued it keeps it to learn when it was
// carried out and whether it succeeded.
class TrxLinkCall {
public:
    bool Finished() const { return state_.load() != kPending; }
    // Whether the call succeeded; false while it is not finished.
    bool Succeeded() const { return state_.load() == kSucceeded; }
    // Waits until the call is finished, `timeoutMs` has passed or `cancel` is signalled; its
    // outcome when it finished, nothing otherwise. The link works on the real clock, so this
    // waits on it whatever clock the caller keys by (`cancel` must carry no timer).
    std::optional<bool> Wait(uint32_t timeoutMs, Event* cancel = nullptr);

    // For the link: the first outcome counts.
    void Finish(bool ok);

private:
    static constexpr int kPending = 0;
    static constexpr int kSucceeded = 1;
    static constexpr int kFailed = 2;

    std::atomic<int> state_{kPending};
    Event done_{ResetMode::Manual};
};

// What the link has for the window's thread: a box to show, or a connection that could not be
// made (the window then shows its own box and turns the link off).
struct TrxLinkNews {
    enum class Kind { Box, ConnectFailed };
    Kind kind = Kind::Box;
    std::string text;
};

// The rig-control link on a thread of its own. Every call on the daemon waits for its answer
// (up to the link's time-outs), so none of them is made on the caller's thread: callers queue
// them here and return at once. Calls are carried out in the order they were queued, except
// that a PTT drop goes ahead of everything (and takes the PTT raises and Morse queued before
// it with it, which would key the radio after the drop) and a Morse stop goes next. A Morse
// text being handed over is given up between its pieces when one of them comes.
//
// Results come back as call outcomes (TrxLinkCall), as end-of-sending reports and as news for
// the window's thread (TakeNews): the link never shows a box itself and never touches the
// settings.
class TrxLinkThread {
public:
    // `news` is called, from the link's thread, when news has come to an empty list: the
    // owner then has the window's thread call TakeNews. `report(tag, handedOver)` is called when
    // Morse queued with `tag` should have left the radio (at the speed the daemon reports,
    // counted from its acknowledgement of the last piece), or at once with `handedOver` false
    // when the text could not be handed over whole, so that nobody waits for it forever. Both
    // must return quickly and must not call back into the link.
    TrxLinkThread(TimeBase& time, std::function<void()> news,
                  std::function<void(uint64_t tag, bool handedOver)> report);
    // Retires the link and waits for its thread: the last PTT drop is made, bounded by the
    // link's time-outs.
    ~TrxLinkThread();
    TrxLinkThread(const TrxLinkThread&) = delete;
    TrxLinkThread& operator=(const TrxLinkThread&) = delete;

    // Connects to the daemon. A failure comes back as news (ConnectFailed).
    void Connect(const std::string& host, int port, int64_t windowHandle);
    // Ahead of everything but PTT drops and Morse stops: drops PTT, disconnects and ends the
    // thread. Everything else still queued is dropped, and calls queued later fail at once.
    void Retire();
    // The thread has ended (after Retire).
    bool Finished() const { return finished_.load(); }
    // After Retire: waits for the thread to end, bounded by the link's time-outs.
    void Join();

    // Raises PTT when the radio answers (succeeds when it rose).
    std::shared_ptr<TrxLinkCall> PttOn();
    // Drops PTT whenever the daemon is connected (succeeds when the daemon acknowledged it or
    // nothing was ever raised). While a drop is queued or under way, that one is answered
    // instead of queueing another.
    std::shared_ptr<TrxLinkCall> PttOff();
    // The last PTT drop asked for (Retire's included); null before the first.
    std::shared_ptr<TrxLinkCall> LastPttDrop() const;
    // Hands a text run over when the radio answers, with the speed it is keyed at; its end is
    // reported with `tag`.
    void SendText(const std::string& text, unsigned cwRate, uint64_t tag);
    void SendChar(char c, unsigned cwRate);
    void SetCallSign(const std::string& call);
    // Succeeds when the radio answers a frequency read.
    std::shared_ptr<TrxLinkCall> QueryCat();
    // Ends Morse the radio is still sending, where it can; best effort.
    void StopMorse();
    // Finishes once everything queued before it is done.
    std::shared_ptr<TrxLinkCall> Barrier();
    // Reports of tags up to `tag` are dropped from now on; one being made right now is over
    // when this returns.
    void CancelReports(uint64_t tag);
    // The news since the last call, oldest first.
    std::vector<TrxLinkNews> TakeNews();

private:
    enum class Op { Connect, PttOn, PttOff, Text, Char, CallSign, Cat, StopMorse, Barrier, Retire };
    struct Command {
        Op op = Op::Barrier;
        std::string text;
        int port = 0;
        int64_t handle = 0;
        unsigned cwRate = 0;
        uint64_t tag = 0;
        std::shared_ptr<TrxLinkCall> call;
    };
    // The hand-over under way and its report: the report is passed on only once the hand-over
    // is known to have gone out whole, whichever of the two comes first.
    struct HandOver {
        uint64_t id = 0;
        uint64_t tag = 0;
        int outcome = 0;  // 0 under way, 1 whole, 2 failed
        bool reportCame = false;
    };
    class NewsPrompter;

    std::shared_ptr<TrxLinkCall> Queue(Command command);
    // Fails a command that will not be carried out, so that nobody waits for it.
    void Drop(Command& command);
    void Run();
    bool Carry(const Command& command);
    bool HandOverMorse(const Command& command);
    void OnLinkReport(uint64_t id);
    void Report(uint64_t tag, bool handedOver);
    void AddNews(TrxLinkNews news);

    const std::function<void()> onNews_;
    const std::function<void(uint64_t, bool)> onReport_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Command> urgent_;
    std::deque<Command> queue_;
    bool retiring_ = false;
    // Queued or under way.
    std::shared_ptr<TrxLinkCall> pendingDrop_;
    std::shared_ptr<TrxLinkCall> lastDrop_;
    std::vector<TrxLinkNews> news_;
    std::atomic<bool> finished_{false};

    std::mutex reportMutex_;
    HandOver handOver_;
    uint64_t cancelledUpTo_ = 0;
    uint64_t handOvers_ = 0;  // the link thread's own

    // Declared last: destroyed first, while what its report thread calls still exists.
    std::unique_ptr<NewsPrompter> prompter_;
    std::unique_ptr<TrxManagerLink> link_;
    std::thread thread_;
};

}  // namespace tarnwick
