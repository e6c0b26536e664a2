#include "send/ManualSender.h"

#include <algorithm>
#include <utility>

#include "model/CTarnwickDoc.h"
#include "morse/CwTiming.h"
#include "morse/MorseTable.h"
#include "platform/NoticeSink.h"
#include "platform/ThreadPriority.h"
#include "platform/TimeBase.h"
#include "ports/KeyingPortManager.h"

namespace tarnwick {

namespace {

// A line break or tab in the field separates words as a blank does; dropped like other control
// characters, it would run the words on either side together.
bool IsWordSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

std::string KeyableText(std::string text) {
    std::replace_if(text.begin(), text.end(), IsWordSpace, ' ');
    return text;
}

}  // namespace

bool FinishesAWord(std::string_view unsent) {
    return std::any_of(unsent.begin() + std::min<size_t>(1, unsent.size()), unsent.end(),
                       [](char c) { return IsWordSpace(c) || c == '.'; });
}

ManualSender::ManualSender(const CTarnwickDoc& doc, KeyingPortManager& ports, NoticeSink& window,
                           TimeBase& time, bool manualMode, std::function<void()> onClosed,
                           std::function<KeyingSettings()> settings)
    : window_(window),
      time_(time),
      ports_(&ports),
      onClosed_(std::move(onClosed)),
      settings_(settings ? std::move(settings)
                         : [snapshot = KeyingSettings::FromDocument(doc)] { return snapshot; }),
      manual_(manualMode),
      mediaTimer_(time) {
    thread_ = StartThread(PriorityFromSetting(doc.CWPriority), [this, &ports] { Run(ports); });
}

ManualSender::~ManualSender() {
    Close();
}

void ManualSender::TextChanged(const std::string& field) {
    if (manual_) {
        std::lock_guard lock(mutex_);
        field_ = field;
        return;
    }
    Trigger(field);
}

std::string ManualSender::SendIt(const std::string& field) {
    if (field.empty()) {
        return field;
    }
    std::string text = field;
    if (!IsWordSpace(text.back())) {
        text += ' ';
    }
    Trigger(text);
    return text;
}

void ManualSender::Trigger(const std::string& field) {
    bool raise = false;
    {
        std::lock_guard lock(mutex_);
        field_ = field;
        // A sender that is not idle takes the new text by itself.
        if (ports_ == nullptr || !waiting_ || !FinishesAWord(UnsentLocked())) {
            return;
        }
        raise = !pttRaised_;
    }
    // Only this thread wakes an idle sender, so it stays idle while PTT rises.
    if (raise) {
        ports_->PttOn();
        pttRaised_ = true;
    }
    {
        std::lock_guard lock(mutex_);
        txDelayDue_ = txDelayDue_ || raise;
        waiting_ = false;
    }
    wake_.Set();
}

std::string ManualSender::RemoveSent(const std::string& field) {
    std::lock_guard lock(mutex_);
    std::string rest = field.substr(std::min(keyed_, field.size()));
    field_ = rest;
    taken_ -= keyed_;
    keyed_ = 0;
    return rest;
}

void ManualSender::OnIdle() {
    if (ports_ == nullptr || !pttRaised_) {
        return;
    }
    {
        // The notice may be older than a trigger that has woken the sender again.
        std::lock_guard lock(mutex_);
        if (!waiting_) {
            return;
        }
    }
    pttDown_ = ports_->PttOff();
    pttRaised_ = false;
}

bool ManualSender::Close() {
    if (ports_ == nullptr) {
        return pttDown_;
    }
    Halt();
    if (auto closed = std::exchange(onClosed_, nullptr)) {
        closed();
    }
    return pttDown_;
}

bool ManualSender::End() {
    if (ports_ == nullptr) {
        return pttDown_;
    }
    onClosed_ = nullptr;
    Halt();
    window_.Post(kManualSendEnded, 0, 0);
    return pttDown_;
}

void ManualSender::Halt() {
    stop_.store(1);
    stopEvent_.Set();
    // Key up and PTT down before anything waits for the sender thread.
    pttDown_ = ports_->Silence();
    pttRaised_ = false;
    if (thread_.joinable()) {
        thread_.join();
    }
    ports_ = nullptr;
}

std::string ManualSender::UnsentLocked() const {
    return taken_ < field_.size() ? field_.substr(taken_) : std::string();
}

void ManualSender::Run(KeyingPortManager& ports) {
    bool keyedBefore = false;
    int64_t lastEndNs = 0;
    for (;;) {
        std::string chunk;
        bool txDelay = false;
        {
            std::unique_lock lock(mutex_);
            while (waiting_) {
                lock.unlock();
                time_.WaitAnyForever({&wake_, &stopEvent_});
                if (Stopped()) {
                    return;
                }
                lock.lock();
            }
            chunk = UnsentLocked();
            if (chunk.empty()) {
                waiting_ = true;
                txDelayDue_ = false;
            } else {
                taken_ += chunk.size();
                txDelay = std::exchange(txDelayDue_, false);
            }
        }
        if (Stopped()) {
            return;
        }
        if (chunk.empty()) {
            window_.Post(kManualSendIdle, 0, 0);
            continue;
        }
        const KeyingSettings settings = settings_();
        if (txDelay && !ports.WaitTxDelay(stopEvent_, TxDelayMs(settings.TXDelay))) {
            return;
        }
        const CwTiming timing =
            ComputeCwTiming(settings.CWRate, settings.DotWgt, settings.DashWgt, settings.LetterSp);
        MorseRun run = ConvertToMorse(KeyableText(std::move(chunk)));
        if (keyedBefore && !run.chars.empty() &&
            !WaitGapBefore(run.chars.front(), timing, lastEndNs)) {
            return;
        }
        mediaTimer_.SendCw(run, ports, timing, stop_, &stopEvent_);
        if (Stopped()) {
            return;
        }
        keyedBefore = true;
        lastEndNs = time_.NowNs();
        {
            std::lock_guard lock(mutex_);
            keyed_ = taken_;
        }
        window_.Post(kManualSendSent, 0, 0);
    }
}

bool ManualSender::WaitGapBefore(char first, const CwTiming& timing, int64_t lastEndNs) {
    // Keying a chunk starts its first character at once; right after the previous chunk that
    // would run two characters (or two words) together.
    const uint32_t gapMs = first == ' ' ? timing.blankGapMs : timing.letterGapMs;
    Event* events[] = {&stopEvent_};
    time_.WaitAny(events, lastEndNs + static_cast<int64_t>(gapMs) * kNsPerMs);
    return !Stopped();
}

}  // namespace tarnwick
