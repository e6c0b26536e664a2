#include "keyer/KeyerSession.h"

#include "audio/ReceiveProcessor.h"
#include "audio/ReceiveSettings.h"
#include "keyer/GeneratedMessages.h"
#include "keyer/UtcClock.h"
#include "model/CTarnwickDoc.h"
#include "platform/NoticeSink.h"
#include "platform/TimeBase.h"
#include "send/KeyingSettings.h"
#include "send/ManualSender.h"
#include "send/TransmitEngine.h"

namespace tarnwick {

namespace {

constexpr const char* kBusyText = "The keyer is waiting for a box to be closed.";

EndReason ReasonOf(int64_t doneReason) {
    switch (doneReason) {
        case kDoneCompleted:
            return EndReason::Completed;
        case kDoneInhibit:
            return EndReason::Inhibited;
        default:
            return EndReason::Failed;
    }
}

}  // namespace

// One call of the front end into the session. When the outermost one ends, a stop asked for
// meanwhile is carried out and the events are delivered.
class KeyerSession::Step {
public:
    explicit Step(KeyerSession& session) : session_(session) { ++session_.depth_; }
    ~Step() {
        if (--session_.depth_ == 0) {
            session_.Settle();
        }
    }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

private:
    KeyerSession& session_;
};

KeyerSession::KeyerSession(const KeyerSessionSetup& setup)
    : doc_(setup.doc),
      listener_(setup.listener),
      time_(setup.time),
      clock_(setup.clock),
      prompter_(setup.notices, setup.listener, setup.time),
      engine_(std::make_unique<TransmitEngine>(setup.doc, setup.notices, prompter_, setup.time,
                                               setup.hardware)),
      receive_(setup.receive ? std::make_unique<ReceiveProcessor>(setup.doc, prompter_, setup.time)
                             : nullptr),
      notices_(setup.notices),
      sequencer_(setup.doc, setup.clock, *this) {
    // Until here a box shown by the engine (the rig link, the parallel port) found the session
    // busy, so its handler could not reach a half-built session.
    depth_ = 0;
    Touched();
}

KeyerSession::~KeyerSession() {
    // Key up and PTT down before anything else; then the devices, then whatever still waits.
    if (manual_) {
        manual_->Close();
    }
    manual_.reset();
    engine_->Stop();
    engine_->ReleaseDevices();
    doc_.Transmitting.store(0);
    prompter_.Close();
    if (receive_) {
        receive_->Stop();
    }
    receive_.reset();
    engine_.reset();
}

void KeyerSession::Start() {
    if (!Idle()) {
        return;
    }
    Step step(*this);
    PublishSettings();
    sequencer_.Start();
}

void KeyerSession::ClockTick() {
    if (!Idle()) {
        return;  // the next tick makes up for it: boundaries are never lost, only late
    }
    Step step(*this);
    const SequencerState& state = sequencer_.State();
    const int count = state.sequenceCount;
    const int64_t start = state.nextStart;
    const size_t before = events_.size();
    handedOver_ = false;
    CheckWatchdog();
    sequencer_.ClockTick();
    // The count moves on by one at a boundary only; otherwise it stays or restarts at 0. The
    // boundary is told before what it started.
    if (state.sequenceCount == count + 1) {
        events_.insert(
            events_.begin() + static_cast<std::ptrdiff_t>(before),
            SequenceBoundary{start, state.sequenceCount,
                             sequencer_.TransmitSequence(state.sequenceCount), handedOver_});
    }
}

int KeyerSession::MsUntilNextTick() const {
    return sequencer_.MsUntilNextTick();
}

void KeyerSession::HandleNotice(const Notice& notice) {
    Step step(*this);
    Dispatch(notice);
}

void KeyerSession::Dispatch(const Notice& notice) {
    if (notice.message == kPromptNotice) {
        prompter_.Serve(notice);
        return;
    }
    if (notice.message == kTrxLinkNotice) {
        // The rig-control link's boxes or its failed connection; of no message.
        engine_->HandleTrxLinkNotice();
        return;
    }
    if (notice.message == kManualSendSent || notice.message == kManualSendIdle ||
        notice.message == kManualSendEnded) {
        DispatchManual(notice.message);
        return;
    }
    const bool engineNotice =
        notice.message == kSendDoneNotice || notice.message == kSendEventNotice;
    if (!engineNotice || !engine_->IsCurrent(notice)) {
        // Of an earlier message, or withdrawn by a sender that gave up: answered, not acted on.
        notice.Acknowledge();
        return;
    }
    if (notice.message == kSendDoneNotice) {
        notice.Acknowledge();
        endReason_ = ReasonOf(notice.lParam);
        sequencer_.OnSendDone(notice.lParam);
        endReason_ = EndReason::Stopped;
        return;
    }
    switch (notice.wParam) {
        case kEventKeyUp:
            sequencer_.OnKeyUp();
            Emit(KeyChange{false});
            break;
        case kEventKeyDown:
            sequencer_.OnKeyDown();
            Emit(KeyChange{true});
            break;
        case kEventCharacter: {
            const char c = static_cast<char>(notice.lParam);
            sequencer_.OnCharacterSent(c);
            Emit(c);
            break;
        }
        case kEventPttRequest:
            sequencer_.OnPttRequest(notice.lParam != 0);
            break;
        case kEventTrxText:
            sequencer_.OnTrxTextReady();
            break;
        default:
            break;
    }
    // After the work: the worker goes on only once PTT is where it asked for it.
    notice.Acknowledge();
}

void KeyerSession::PressTx(int k) {
    Touched();
    if (!Idle()) {
        return;
    }
    Step step(*this);
    sequencer_.PressTx(k);
}

void KeyerSession::PressFunctionKey(int k) {
    Touched();
    if (!Idle()) {
        return;
    }
    Step step(*this);
    sequencer_.PressFunctionKey(k);
}

void KeyerSession::ToggleAuto() {
    Touched();
    if (!Idle()) {
        return;
    }
    Step step(*this);
    sequencer_.ToggleAuto();
}

void KeyerSession::StopTransmission() {
    Touched();
    if (manual_ && manual_->IsOpen()) {
        // Live CW stops at once, whatever call is under way; its window hears of it.
        manual_->End();
    }
    if (!Idle()) {
        stopPending_ = true;  // at once when the call under way is over
        return;
    }
    Step step(*this);
    sequencer_.StopTransmission();
}

ManualSender* KeyerSession::OpenManualSending() {
    Touched();
    if (!Idle() || manual_ || Transmitting()) {
        return nullptr;
    }
    Step step(*this);
    PublishSettings();
    manual_ = engine_->OpenManualSendWindow(notices_);
    return manual_.get();
}

void KeyerSession::CloseManualSending() {
    if (manual_) {
        manual_->Close();
        manual_.reset();
    }
}

void KeyerSession::DispatchManual(uint32_t message) {
    if (!manual_) {
        return;  // of a sender already closed
    }
    if (message == kManualSendIdle) {
        manual_->OnIdle();
    } else if (message == kManualSendSent) {
        Emit(ManualNews{false});
    } else {
        // Ended with the key up and PTT down; the sender stays, idle, for its window to let go
        // of (CloseManualSending).
        Emit(ManualNews{true});
    }
}

void KeyerSession::StartTimeEdited(const std::string& text) {
    Touched();
    if (Idle()) {
        Step step(*this);
        sequencer_.StartTimeEdited(text);
    }
}

void KeyerSession::StartTimeUp() {
    Touched();
    if (Idle()) {
        Step step(*this);
        sequencer_.StartTimeUp();
    }
}

void KeyerSession::StartTimeDown() {
    Touched();
    if (Idle()) {
        Step step(*this);
        sequencer_.StartTimeDown();
    }
}

void KeyerSession::SetBufferText(int k, const std::string& text) {
    Touched();
    sequencer_.SetBufferText(k, text);
}

void KeyerSession::SelectNextBuffer(int k) {
    Touched();
    sequencer_.SelectNextBuffer(k);
}

void KeyerSession::SetDurationText(const std::string& text) {
    Touched();
    sequencer_.SetDurationText(text);
}

void KeyerSession::SetPauseText(const std::string& text) {
    Touched();
    sequencer_.SetPauseText(text);
}

void KeyerSession::SelectCwMode() {
    Touched();
    if (Idle()) {
        Step step(*this);
        sequencer_.SelectCwMode();
    }
}

void KeyerSession::SelectPhoneMode() {
    Touched();
    if (Idle()) {
        Step step(*this);
        sequencer_.SelectPhoneMode();
    }
}

void KeyerSession::SelectContestPeriod() {
    Touched();
    if (Idle()) {
        Step step(*this);
        sequencer_.SelectContestPeriod();
    }
}

void KeyerSession::SelectSequencedPeriod() {
    Touched();
    if (Idle()) {
        Step step(*this);
        sequencer_.SelectSequencedPeriod();
    }
}

void KeyerSession::GenerateStandardMessages() {
    // Also called by the sequencer (mode and period), which the operator's intent started.
    Touched();
    if (auto generated = tarnwick::GenerateStandardMessages(doc_, callText_)) {
        sequencer_.ApplyStandardMessages(generated->buffers, generated->number);
    }
}

void KeyerSession::CallTextChanged(const std::string& text) {
    Touched();
    callText_ = text;
    callChanged_ = true;
}

void KeyerSession::CallBoxLeft() {
    Touched();
    if (!Idle() || !callChanged_) {
        return;
    }
    Step step(*this);
    callChanged_ = false;
    engine_->PushCallsign(callText_);
}

void KeyerSession::SetFirFilter(bool on) {
    Touched();
    doc_.FirFilter = on ? 1 : 0;
    PublishSettings();
}

void KeyerSession::SetFftFilter(bool on) {
    Touched();
    doc_.FftFilter = on ? 1 : 0;
    PublishSettings();
}

void KeyerSession::PublishSettings() {
    engine_->SetKeyingSettings(KeyingSettings::FromDocument(doc_));
    if (receive_) {
        receive_->SetSettings(ReceiveSettings::FromDocument(doc_));
    }
}

SettingChange KeyerSession::ChangeSetting(std::string_view name, std::string_view text) {
    Touched();
    if (!Idle()) {
        return {SettingChange::Result::Refused, std::string(name), kBusyText};
    }
    Step step(*this);
    const int mode = doc_.Mode;
    const int period = doc_.Contest;
    const int useTrx = doc_.UseTRX;
    const std::string parallel = doc_.LptPort[0];
    SettingChange change = tarnwick::ChangeSetting(doc_, name, text);
    if (change.result != SettingChange::Result::Changed) {
        return change;
    }
    const std::string& changed = change.name;
    PublishSettings();
    if (changed == "TXFirst") {
        sequencer_.SetTxFirst(doc_.TXFirst != 0);
    } else if (changed == "CWInd") {
        sequencer_.SetCwIndicatorChecked(doc_.CWInd != 0);
    } else if (changed == "Mode" && doc_.Mode != mode) {
        doc_.Mode == 0 ? sequencer_.SelectCwMode() : sequencer_.SelectPhoneMode();
    } else if (changed == "Contest" && doc_.Contest != period) {
        doc_.Contest == 0 ? sequencer_.SelectContestPeriod() : sequencer_.SelectSequencedPeriod();
    } else if (changed == "UseTRX" && doc_.UseTRX != useTrx) {
        engine_->SyncTrxLink();
    } else if (changed == "LptPort1" && doc_.LptPort[0] != parallel) {
        engine_->SyncParallelPort();
    } else if (changed == "SO2R") {
        engine_->SetTwoRadio();
    }
    return change;
}

void KeyerSession::PortSettingsApplied(bool parallelAddressChanged) {
    Touched();
    if (!Idle()) {
        return;
    }
    Step step(*this);
    PublishSettings();
    if (parallelAddressChanged) {
        engine_->SyncParallelPort();
    }
}

void KeyerSession::Touched() {
    watchdog_.Touch(time_.NowNs());
}

void KeyerSession::CheckWatchdog() {
    const int limit = doc_.TxWatchdog;
    if (!sequencer_.State().autoOn || !watchdog_.Expired(time_.NowNs(), limit)) {
        return;
    }
    // As TX Stop: PTT down first, then Auto off; a message not under way finds nothing to stop.
    sequencer_.StopTransmission();
    Emit(WatchdogNews{TxWatchdog::StoppedMessage(limit, UtcTimeOfDayText(clock_.NowSeconds()))});
}

bool KeyerSession::WaitForRigLink(Event* cancel) {
    return engine_->WaitForTrxLink(cancel);
}

bool KeyerSession::WaitPttDown(uint32_t timeoutMs) {
    if (ptt_ != PttState::Unconfirmed) {
        return ptt_ == PttState::Down;
    }
    if (!engine_->WaitPttDownConfirmed(timeoutMs)) {
        return false;
    }
    Step step(*this);
    SetPtt(PttState::Down);
    return true;
}

void KeyerSession::SignalTrxDone() {
    engine_->SignalTrxDone(engine_->MessageSerial());
}

void KeyerSession::DropSentTextFront(size_t count) {
    sequencer_.DropSentTextFront(count);
}

void KeyerSession::SetKeyingObserver(KeyingObserver* observer) {
    engine_->SetKeyingObserver(observer);
}

void KeyerSession::SetKeyTap(KeyEdgeTap* tap) {
    engine_->SetKeyTap(tap);
}

SpectrumHandOver* KeyerSession::Spectrum() const {
    return receive_ ? &receive_->Spectrum() : nullptr;
}

bool KeyerSession::BeginSend(const std::string& text) {
    if (!engine_->Send(text)) {
        Emit(EndReason::Refused);
        return false;
    }
    messageOpen_ = true;
    handedOver_ = true;
    SetPtt(PttState::Up);
    return true;
}

void KeyerSession::StopSending() {
    const bool down = engine_->Stop();
    if (messageOpen_) {
        SetPtt(down ? PttState::Down : PttState::Unconfirmed);
    }
}

void KeyerSession::ReleaseDevices() {
    // Tries once more a drop the stop could not confirm: what counts is where PTT is now.
    const bool down = engine_->ReleaseDevices();
    if (!messageOpen_) {
        return;
    }
    messageOpen_ = false;
    SetPtt(down ? PttState::Down : PttState::Unconfirmed);
    Emit(endReason_);
}

void KeyerSession::PttOn() {
    engine_->PttOn();
    SetPtt(PttState::Up);
}

void KeyerSession::PttOff() {
    SetPtt(engine_->PttOff() ? PttState::Down : PttState::Unconfirmed);
}

void KeyerSession::PushTrxText() {
    engine_->PushTrxText();
}

void KeyerSession::StartReceive() {
    if (receive_) {
        receive_->Start();
    }
}

void KeyerSession::StopReceive() {
    if (receive_) {
        receive_->Stop();
    }
}

void KeyerSession::SetPtt(PttState state) {
    if (state != ptt_) {
        ptt_ = state;
        Emit(state);
    }
}

void KeyerSession::Emit(SessionEvent event) {
    events_.push_back(std::move(event));
}

void KeyerSession::Settle() {
    if (settling_) {
        return;  // a call made by an event handler: the loop below goes on with its events
    }
    settling_ = true;
    for (;;) {
        if (stopPending_) {
            stopPending_ = false;
            Step step(*this);
            sequencer_.StopTransmission();
            continue;
        }
        if (events_.empty()) {
            break;
        }
        const SessionEvent event = std::move(events_.front());
        events_.pop_front();
        Deliver(event);
    }
    settling_ = false;
}

void KeyerSession::Deliver(const SessionEvent& event) {
    if (const auto* key = std::get_if<KeyChange>(&event)) {
        listener_.OnKeyChanged(key->down);
    } else if (const auto* c = std::get_if<char>(&event)) {
        listener_.OnCharacterSent(*c);
    } else if (const auto* ptt = std::get_if<PttState>(&event)) {
        listener_.OnPttChanged(*ptt);
    } else if (const auto* reason = std::get_if<EndReason>(&event)) {
        listener_.OnTransmissionEnded(*reason);
    } else if (const auto* boundary = std::get_if<SequenceBoundary>(&event)) {
        listener_.OnSequenceBoundary(*boundary);
    } else if (const auto* manual = std::get_if<ManualNews>(&event)) {
        manual->ended ? listener_.OnManualSendingEnded() : listener_.OnManualSent();
    } else if (const auto* watchdog = std::get_if<WatchdogNews>(&event)) {
        listener_.OnTxWatchdogStopped(watchdog->message);
    }
}

}  // namespace tarnwick
