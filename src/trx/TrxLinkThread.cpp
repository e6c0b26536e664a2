#include "trx/TrxLinkThread.h"

#include <algorithm>

#include "platform/Prompter.h"
#include "platform/TimeBase.h"
#include "trx/TrxManagerLink.h"

namespace tarnwick {

std::optional<bool> TrxLinkCall::Wait(uint32_t timeoutMs, Event* cancel) {
    if (!Finished()) {
        if (cancel != nullptr) {
            RealTime().WaitAnyFor({&done_, cancel}, timeoutMs);
        } else {
            RealTime().WaitFor(done_, timeoutMs);
        }
    }
    if (!Finished()) {
        return std::nullopt;
    }
    return Succeeded();
}

void TrxLinkCall::Finish(bool ok) {
    int pending = kPending;
    state_.compare_exchange_strong(pending, ok ? kSucceeded : kFailed);
    done_.Set();
}

// The link's boxes become news for the window's thread; the link thread never waits for an
// operator, so a box cannot hold up a PTT drop.
class TrxLinkThread::NewsPrompter : public Prompter {
public:
    explicit NewsPrompter(TrxLinkThread& owner) : owner_(owner) {}
    PromptAnswer Ask(const std::string& text, PromptButtons buttons, Event*) override {
        owner_.AddNews({TrxLinkNews::Kind::Box, text});
        return NegativeAnswer(buttons);
    }

private:
    TrxLinkThread& owner_;
};

TrxLinkThread::TrxLinkThread(TimeBase& time, std::function<void()> news,
                             std::function<void(uint64_t tag, bool handedOver)> report)
    : onNews_(std::move(news)),
      onReport_(std::move(report)),
      prompter_(std::make_unique<NewsPrompter>(*this)),
      link_(std::make_unique<TrxManagerLink>(*prompter_, time)) {
    link_->SetSendingDoneHandler([this](uint64_t id) { OnLinkReport(id); });
    link_->SetInterruptCheck([this] {
        std::lock_guard lock(mutex_);
        return !urgent_.empty();
    });
    thread_ = std::thread([this] { Run(); });
}

TrxLinkThread::~TrxLinkThread() {
    Retire();
    Join();
}

void TrxLinkThread::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::shared_ptr<TrxLinkCall> TrxLinkThread::Queue(Command command) {
    command.call = std::make_shared<TrxLinkCall>();
    std::shared_ptr<TrxLinkCall> call = command.call;
    {
        std::lock_guard lock(mutex_);
        if (!retiring_) {
            if (command.op == Op::StopMorse) {
                urgent_.push_back(std::move(command));
            } else {
                queue_.push_back(std::move(command));
            }
            wake_.notify_one();
            return call;
        }
    }
    Drop(command);
    return call;
}

void TrxLinkThread::Drop(Command& command) {
    if (command.op == Op::Text) {
        Report(command.tag, false);
    }
    if (command.call) {
        command.call->Finish(false);
    }
}

void TrxLinkThread::Connect(const std::string& host, int port, int64_t windowHandle) {
    Command c;
    c.op = Op::Connect;
    c.text = host;
    c.port = port;
    c.handle = windowHandle;
    Queue(std::move(c));
}

void TrxLinkThread::Retire() {
    std::deque<Command> dropped;
    {
        std::lock_guard lock(mutex_);
        if (retiring_) {
            return;
        }
        retiring_ = true;
        dropped.swap(queue_);
        Command c;
        c.op = Op::Retire;
        c.call = std::make_shared<TrxLinkCall>();
        lastDrop_ = c.call;
        urgent_.push_back(std::move(c));
        wake_.notify_one();
    }
    for (Command& c : dropped) {
        Drop(c);
    }
}

std::shared_ptr<TrxLinkCall> TrxLinkThread::PttOn() {
    Command c;
    c.op = Op::PttOn;
    return Queue(std::move(c));
}

std::shared_ptr<TrxLinkCall> TrxLinkThread::PttOff() {
    std::deque<Command> dropped;
    std::shared_ptr<TrxLinkCall> call;
    {
        std::lock_guard lock(mutex_);
        if (retiring_) {
            // Retiring drops PTT itself.
            return lastDrop_;
        }
        // What was asked before the drop would key the radio after it.
        const auto keys = [](const Command& c) {
            return c.op == Op::PttOn || c.op == Op::Text || c.op == Op::Char;
        };
        for (auto it = queue_.begin(); it != queue_.end();) {
            if (keys(*it)) {
                dropped.push_back(std::move(*it));
                it = queue_.erase(it);
            } else {
                ++it;
            }
        }
        if (pendingDrop_) {
            call = pendingDrop_;
        } else {
            Command c;
            c.op = Op::PttOff;
            c.call = std::make_shared<TrxLinkCall>();
            call = c.call;
            pendingDrop_ = call;
            lastDrop_ = call;
            urgent_.push_front(std::move(c));
            wake_.notify_one();
        }
    }
    for (Command& c : dropped) {
        Drop(c);
    }
    return call;
}

std::shared_ptr<TrxLinkCall> TrxLinkThread::LastPttDrop() const {
    std::lock_guard lock(mutex_);
    return lastDrop_;
}

void TrxLinkThread::SendText(const std::string& text, unsigned cwRate, uint64_t tag) {
    Command c;
    c.op = Op::Text;
    c.text = text;
    c.cwRate = cwRate;
    c.tag = tag;
    Queue(std::move(c));
}

void TrxLinkThread::SendChar(char ch, unsigned cwRate) {
    Command c;
    c.op = Op::Char;
    c.text = std::string(1, ch);
    c.cwRate = cwRate;
    Queue(std::move(c));
}

void TrxLinkThread::SetCallSign(const std::string& call) {
    Command c;
    c.op = Op::CallSign;
    c.text = call;
    Queue(std::move(c));
}

std::shared_ptr<TrxLinkCall> TrxLinkThread::QueryCat() {
    Command c;
    c.op = Op::Cat;
    return Queue(std::move(c));
}

void TrxLinkThread::StopMorse() {
    Command c;
    c.op = Op::StopMorse;
    Queue(std::move(c));
}

std::shared_ptr<TrxLinkCall> TrxLinkThread::Barrier() {
    Command c;
    c.op = Op::Barrier;
    return Queue(std::move(c));
}

void TrxLinkThread::CancelReports(uint64_t tag) {
    std::lock_guard lock(reportMutex_);
    cancelledUpTo_ = std::max(cancelledUpTo_, tag);
}

std::vector<TrxLinkNews> TrxLinkThread::TakeNews() {
    std::lock_guard lock(mutex_);
    std::vector<TrxLinkNews> taken;
    taken.swap(news_);
    return taken;
}

void TrxLinkThread::AddNews(TrxLinkNews news) {
    bool first = false;
    {
        std::lock_guard lock(mutex_);
        first = news_.empty();
        news_.push_back(std::move(news));
    }
    if (first && onNews_) {
        onNews_();
    }
}

void TrxLinkThread::Run() {
    for (;;) {
        Command c;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return !urgent_.empty() || !queue_.empty(); });
            std::deque<Command>& from = urgent_.empty() ? queue_ : urgent_;
            c = std::move(from.front());
            from.pop_front();
        }
        const bool ok = Carry(c);
        if (c.call) {
            c.call->Finish(ok);
        }
        if (c.op == Op::PttOff) {
            std::lock_guard lock(mutex_);
            if (pendingDrop_ == c.call) {
                pendingDrop_.reset();
            }
        }
        if (c.op == Op::Retire) {
            break;
        }
    }
    // Nothing is queued after Retire but what came in meanwhile at the front.
    std::deque<Command> left;
    {
        std::lock_guard lock(mutex_);
        left.swap(urgent_);
        for (Command& c : queue_) {
            left.push_back(std::move(c));
        }
        queue_.clear();
    }
    for (Command& c : left) {
        Drop(c);
    }
    finished_.store(true);
}

bool TrxLinkThread::Carry(const Command& c) {
    TrxManagerLink& link = *link_;
    switch (c.op) {
        case Op::Connect:
            if (link.Connect(c.text, c.port, c.handle)) {
                return true;
            }
            link.Disconnect();
            AddNews({TrxLinkNews::Kind::ConnectFailed, std::string()});
            return false;
        case Op::PttOn:
            return link.IsCatActive() && link.SetPtt(true);
        case Op::PttOff:
            return link.SetPtt(false);
        case Op::Text:
        case Op::Char:
            return HandOverMorse(c);
        case Op::CallSign:
            if (link.IsCatActive()) {
                link.SetCallSign(c.text);
                return true;
            }
            return false;
        case Op::Cat:
            return link.IsCatActive();
        case Op::StopMorse:
            link.StopMorse();
            return true;
        case Op::Barrier:
            return true;
        case Op::Retire:
            return link.Disconnect();
    }
    return false;
}

bool TrxLinkThread::HandOverMorse(const Command& c) {
    const uint64_t id = ++handOvers_;
    {
        std::lock_guard lock(reportMutex_);
        handOver_ = HandOver{id, c.tag, 0, false};
    }
    TrxManagerLink& link = *link_;
    bool whole = false;
    if (link.IsCatActive()) {
        link.SetReportTag(id);
        const uint64_t before = link.CompletedHandOvers();
        if (c.op == Op::Text) {
            link.SendCwText(c.text, c.cwRate);
        } else {
            link.SendCwChar(c.text[0], c.cwRate);
        }
        whole = link.CompletedHandOvers() != before;
    }
    bool report = false;
    {
        std::lock_guard lock(reportMutex_);
        handOver_.outcome = whole ? 1 : 2;
        // A failed hand-over is reported now; a whole one when its report has come too.
        report = !whole || handOver_.reportCame;
    }
    if (report) {
        Report(c.tag, whole);
    }
    return whole;
}

void TrxLinkThread::OnLinkReport(uint64_t id) {
    uint64_t tag = 0;
    {
        std::lock_guard lock(reportMutex_);
        if (id != handOver_.id || handOver_.outcome == 2) {
            return;  // replaced, or reported as failed already
        }
        if (handOver_.outcome == 0) {
            handOver_.reportCame = true;
            return;
        }
        tag = handOver_.tag;
    }
    Report(tag, true);
}

void TrxLinkThread::Report(uint64_t tag, bool handedOver) {
    std::lock_guard lock(reportMutex_);
    if (tag > cancelledUpTo_ && onReport_) {
        onReport_(tag, handedOver);
    }
}

}  // namespace tarnwick
