#include "keyer/Sequencer.h"

#include <cctype>
#include <climits>
#include <cstdio>

#include "keyer/SequencerPort.h"
#include "keyer/UtcClock.h"
#include "model/CTarnwickDoc.h"
#include "platform/NoticeSink.h"

namespace tarnwick {

namespace {

constexpr int kHoldOffTicks = 10;
constexpr const char* kPauseTag = "[P:";

// The number a box holds: its leading digits, 0 when there are none; too many digits give the
// largest int rather than wrap.
int LeadingNumber(const std::string& text) {
    int64_t value = 0;
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
            break;
        }
        value = value * 10 + (c - '0');
        if (value > INT_MAX) {
            return INT_MAX;
        }
    }
    return static_cast<int>(value);
}

int64_t FloorToMinute(int64_t seconds) {
    const int64_t r = seconds % 60;
    return seconds - (r < 0 ? r + 60 : r);
}

}  // namespace

Sequencer::Sequencer(CTarnwickDoc& doc, const UtcClock& clock, SequencerPort& port)
    : doc_(doc), clock_(clock), port_(port) {}

bool Sequencer::ContestPeriod() const {
    return doc_.Contest == 0;
}

bool Sequencer::CwMode() const {
    return doc_.Mode == 0;
}

bool Sequencer::Transmitting() const {
    return doc_.Transmitting.load() != 0;
}

int Sequencer::HighlightedBuffer() const {
    return Transmitting() ? state_.selectedBuffer : 0;
}

void Sequencer::Start() {
    state_.txStopEnabled = false;
    state_.indicator = CwIndicator::CwIdle;
    state_.typeEnabled = true;
    state_.selectedBuffer = 1;
    state_.shownPeriod = doc_.Contest;
    state_.txFirst = doc_.TXFirst != 0;
    ShowModeControls();
    ShowPeriodControls();
    if (ContestPeriod()) {
        ShowContestStart();
    } else {
        NextMinuteStart();
        EnableTxButtons(false);
    }
    started_ = true;
    if (CwMode()) {
        port_.StartReceive();
    }
}

int64_t Sequencer::NsUntilNextTick() const {
    // Always the second after the one the clock reads: a tick that ran a little early (its
    // timer woke before the lag was over) is then not followed by a second one at once.
    const int64_t now = clock_.NowNs();
    int64_t second = now - now % kNsPerSecond;
    if (second > now) {
        second -= kNsPerSecond;  // before 1970
    }
    return second + kNsPerSecond + kTickLagNs - now;
}

int Sequencer::MsUntilNextTick() const {
    constexpr int64_t kNsPerMs = 1'000'000;
    return static_cast<int>((NsUntilNextTick() + kNsPerMs - 1) / kNsPerMs);
}

void Sequencer::ClockTick() {
    if (!started_) {
        return;
    }
    if (state_.startHoldOff >= 0) {
        ++state_.startHoldOff;
        if (state_.startHoldOff <= kHoldOffTicks && !state_.autoOn) {
            return;  // a typed start time stands, and so does the clock
        }
        state_.startHoldOff = -1;
    }
    state_.now = clock_.NowSeconds();
    state_.clockText = UtcClockText(state_.now);

    const int period = doc_.Contest;
    if (period != state_.shownPeriod) {
        EnableTxButtons(period == 0 && !state_.autoOn);
    }
    if (period != state_.shownPeriod && period == 0) {
        ShowContestStart();
        state_.shownPeriod = 0;
    } else if (!state_.autoOn && period == 1) {
        NextMinuteStart();
        state_.shownPeriod = 1;
    }

    if (period == 1 && state_.autoOn && state_.now >= state_.nextStart) {
        ++state_.sequenceCount;
        if (TransmitSequence(state_.sequenceCount)) {
            SendSelectedBuffer();
        }
        state_.nextStart += LeadingNumber(state_.durationText);
    } else if (period == 0 && state_.autoOn && !Transmitting()) {
        SendSelectedBuffer();
    }
}

void Sequencer::NextMinuteStart() {
    state_.now = clock_.NowSeconds();
    state_.nextStart = FloorToMinute(state_.now) + 60;
    state_.startTimeText = UtcTimeOfDayText(state_.nextStart);
    state_.sequenceCount = 0;
}

void Sequencer::ShowContestStart() {
    state_.startTimeText = kContestStartText;
    state_.now = clock_.NowSeconds();
    state_.nextStart = FloorToMinute(state_.now);
}

void Sequencer::StartTimeEdited(const std::string& text) {
    if (state_.autoOn || ContestPeriod()) {
        return;
    }
    const std::optional<std::array<int64_t, 3>> typed = ParseTimeOfDay(text);
    if (typed) {
        const int64_t t = clock_.NowSeconds();
        state_.nextStart = UtcDayStart(t) + (*typed)[0] * 3600 + (*typed)[1] * 60 + (*typed)[2];
        state_.startHoldOff = 0;
    }
    // A text that is no time keeps the start time the box showed before.
    state_.startTimeText = UtcTimeOfDayText(state_.nextStart);
}

void Sequencer::StartTimeUp() {
    if (state_.autoOn || ContestPeriod()) {
        return;
    }
    state_.now = clock_.NowSeconds();
    state_.nextStart += 60;
    state_.startTimeText = UtcTimeOfDayText(state_.nextStart);
    state_.sequenceCount = 0;
}

void Sequencer::StartTimeDown() {
    if (state_.autoOn || ContestPeriod()) {
        return;
    }
    state_.now = clock_.NowSeconds();
    if (state_.now < state_.nextStart - 60) {
        state_.nextStart -= 60;
        state_.startTimeText = UtcTimeOfDayText(state_.nextStart);
        state_.sequenceCount = 0;
    }
}

void Sequencer::EnableTxButtons(bool enable) {
    state_.txButtonsEnabled = enable;
}

void Sequencer::SetAuto(bool on) {
    state_.autoOn = on;
    state_.autoButtonText = on ? kAutoOnText : kAutoOffText;
}

void Sequencer::SwitchAutoOff() {
    SetAuto(false);
    if (ContestPeriod()) {
        EnableTxButtons(true);
    }
}

void Sequencer::ToggleAuto() {
    if (state_.autoOn) {
        SwitchAutoOff();
    } else {
        SetAuto(true);
        EnableTxButtons(false);
    }
}

void Sequencer::BeginTransmission() {
    state_.sentText.clear();
    doc_.Transmitting.store(1);
    state_.txStopEnabled = true;
    if (!CwMode()) {
        state_.indicator = CwIndicator::PhoneTransmitting;
        state_.typeEnabled = false;
    } else {
        if (doc_.CWInd == 0) {
            state_.indicator = CwIndicator::CwTransmitting;
            state_.typeEnabled = true;
        }
        port_.StopReceive();
    }
}

void Sequencer::EndTransmission() {
    doc_.Transmitting.store(0);
    state_.txStopEnabled = false;
    if (!CwMode()) {
        state_.indicator = CwIndicator::PhoneIdle;
        state_.typeEnabled = false;
    } else {
        port_.StartReceive();
        // Also with the indicator following the key: the key is up once the message is over,
        // and the key-up of a stopped message may never arrive.
        state_.indicator = CwIndicator::CwIdle;
        if (doc_.CWInd == 0) {
            state_.typeEnabled = true;
        }
    }
}

void Sequencer::HandOver(const std::string& text) {
    BeginTransmission();
    if (!port_.BeginSend(text)) {
        EndTransmission();  // nothing went out; do not show a transmission that is not there
    }
}

void Sequencer::SendSelectedBuffer() {
    if (Transmitting()) {
        return;  // a message never stops at a boundary, and the engine holds one at a time
    }
    std::string text = state_.buffers[state_.selectedBuffer - 1];
    if (ContestPeriod() && state_.autoOn && text.find(kPauseTag) == std::string::npos) {
        char tag[24];
        std::snprintf(tag, sizeof tag, "[P:%d]", LeadingNumber(state_.pauseText));
        text += tag;
    }
    HandOver(text);
}

void Sequencer::SendBuffer(int k) {
    HandOver(state_.buffers[k - 1]);
    state_.selectedBuffer = k;
}

void Sequencer::PressTx(int k) {
    if (k < 1 || k > kBufferCount || !state_.txButtonsEnabled) {
        return;
    }
    if (Transmitting()) {
        StopTransmission();  // the operator asked for this buffer now, as with the F-keys
    }
    SendBuffer(k);
}

void Sequencer::PressFunctionKey(int k) {
    if (k < 1 || k > kBufferCount) {
        return;
    }
    if (Transmitting()) {
        StopTransmission();
    } else {
        SwitchAutoOff();
    }
    SendBuffer(k);
}

void Sequencer::StopTransmission() {
    port_.StopSending();
    port_.ReleaseDevices();
    EndTransmission();
    SwitchAutoOff();
}

void Sequencer::OnSendDone(int64_t reason) {
    if (reason == kDoneInhibit) {
        port_.StopSending();
    }
    port_.ReleaseDevices();
    EndTransmission();
    if (reason != kDoneCompleted) {
        SwitchAutoOff();  // never repeat a broken or inhibited message
    }
}

void Sequencer::OnKeyDown() {
    state_.indicator = CwIndicator::CwTransmitting;
}

void Sequencer::OnKeyUp() {
    state_.indicator = CwIndicator::CwIdle;
}

void Sequencer::OnCharacterSent(char c) {
    state_.sentText += c;
}

void Sequencer::OnPttRequest(bool up) {
    if (up) {
        port_.PttOn();
    } else {
        port_.PttOff();
    }
}

void Sequencer::OnTrxTextReady() {
    port_.PushTrxText();
}

void Sequencer::SetBufferText(int k, const std::string& text) {
    if (k >= 1 && k <= kBufferCount) {
        state_.buffers[k - 1] = text;
    }
}

void Sequencer::SelectNextBuffer(int k) {
    if (k >= 1 && k <= kBufferCount) {
        state_.selectedBuffer = k;
    }
}

void Sequencer::SetDurationText(const std::string& text) {
    state_.durationText = text;
}

void Sequencer::SetPauseText(const std::string& text) {
    state_.pauseText = text;
}

void Sequencer::SetTxFirst(bool checked) {
    state_.txFirst = checked;
    doc_.TXFirst = checked ? 1 : 0;
}

void Sequencer::SetCwIndicatorChecked(bool checked) {
    doc_.CWInd = checked ? 1 : 0;
    if (!checked && CwMode()) {
        state_.indicator = Transmitting() ? CwIndicator::CwTransmitting : CwIndicator::CwIdle;
    }
}

void Sequencer::ClearSentText() {
    state_.sentText.clear();
}

void Sequencer::DropSentTextFront(size_t count) {
    state_.sentText.erase(0, count);
}

bool Sequencer::TransmitSequence(int sequenceCount) const {
    return (sequenceCount % 2 != 0) == state_.txFirst;
}

void Sequencer::ApplyStandardMessages(const std::array<std::string, kBufferCount>& buffers,
                                      const std::string& number) {
    state_.buffers = buffers;
    (ContestPeriod() ? state_.pauseText : state_.durationText) = number;
}

void Sequencer::ShowModeControls() {
    state_.indicator = CwMode() ? CwIndicator::CwIdle : CwIndicator::PhoneIdle;
    state_.typeEnabled = CwMode();
    state_.cwControlsEnabled = CwMode();
    port_.GenerateStandardMessages();
}

void Sequencer::ShowPeriodControls() {
    state_.sequenceControlsEnabled = !ContestPeriod();
}

void Sequencer::SelectCwMode() {
    port_.StartReceive();
    doc_.Mode = 0;
    ShowModeControls();
}

void Sequencer::SelectPhoneMode() {
    port_.StopReceive();
    doc_.Mode = 1;
    ShowModeControls();
}

void Sequencer::SelectContestPeriod() {
    doc_.Contest = 0;
    ShowPeriodControls();
    port_.GenerateStandardMessages();
}

void Sequencer::SelectSequencedPeriod() {
    doc_.Contest = 1;
    ShowPeriodControls();
    port_.GenerateStandardMessages();
}

}  // namespace tarnwick
