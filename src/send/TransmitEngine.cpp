#include "send/TransmitEngine.h"

#include <utility>

#include "model/CTarnwickDoc.h"
#include "platform/NoticeSink.h"
#include "platform/Prompter.h"
#include "platform/ThreadPriority.h"
#include "platform/TimeBase.h"
#include "ports/KeyingPortBuilder.h"
#include "ports/KeyingPortManager.h"
#include "ports/ParallelPort.h"
#include "ports/PortSettings.h"
#include "send/ManualSender.h"
#include "send/MediaTimer.h"
#include "send/MessageWalker.h"
#include "send/WavePlayer.h"
#include "trx/TrxLinkThread.h"
#include "trx/TrxManagerKeyingDevice.h"

namespace tarnwick {

TransmitEngine::TransmitEngine(CTarnwickDoc& doc, NoticeSink& view, Prompter& prompter,
                               TimeBase& time, KeyingHardware& hardware)
    : doc_(doc),
      view_(view),
      prompter_(prompter),
      time_(time),
      hardware_(hardware),
      settings_(KeyingSettings::FromDocument(doc)) {
    if (doc_.UseTRX != 0) {
        StartTrxLink();
    }
    if (static_cast<int16_t>(doc_.LptAddress) > 0) {
        OpenParallelPort();
    }
}

void TransmitEngine::OpenParallelPort() {
    parallelPort_ = std::make_unique<ParallelPort>(hardware_, doc_.LptAddress, doc_.SO2R != 0);
    if (!parallelPort_->IsOpen()) {
        // Said once, when the port is set up, rather than writing nowhere without a word.
        prompter_.Show(parallelPort_->Problem());
    }
}

TransmitEngine::~TransmitEngine() {
    Stop();
    ReleaseDevices();
    if (trxLink_) {
        RetireTrxLink();
    }
    pttLink_.reset();
    // Each link makes its last PTT drop before it goes; what it could not do is told.
    std::vector<std::string> boxes;
    for (const std::shared_ptr<TrxLinkThread>& link : retiredLinks_) {
        link->Join();
        TakeLinkBoxes(*link, boxes, nullptr);
    }
    retiredLinks_.clear();
    for (const std::string& text : boxes) {
        prompter_.Show(text);
    }
    parallelPort_.reset();
}

void TransmitEngine::StartTrxLink() {
    trxLink_ = std::make_shared<TrxLinkThread>(
        time_, [this] { view_.Post(kTrxLinkNotice, 0, 0); },
        [this](uint64_t serial, bool handedOver) { SignalTrxDone(serial, handedOver); });
    trxLink_->Connect(doc_.TrxHost, doc_.TrxPort, 0);
}

void TransmitEngine::RetireTrxLink() {
    trxLink_->Retire();
    retiredLinks_.push_back(std::move(trxLink_));
}

void TransmitEngine::SyncTrxLink() {
    if (doc_.UseTRX != 0 && !trxLink_) {
        StartTrxLink();
    } else if (doc_.UseTRX == 0 && trxLink_) {
        RetireTrxLink();
    }
}

void TransmitEngine::TakeLinkBoxes(TrxLinkThread& link, std::vector<std::string>& boxes,
                                   bool* connectFailed) {
    for (const TrxLinkNews& news : link.TakeNews()) {
        if (news.kind == TrxLinkNews::Kind::Box) {
            boxes.push_back(news.text);
        } else if (connectFailed != nullptr && !*connectFailed) {
            *connectFailed = true;
            boxes.push_back(kTrxConnectFailedText);
        }
    }
}

void TransmitEngine::HandleTrxLinkNotice() {
    // Everything is taken before the first box: a box may run the window's event loop, which
    // can come back here.
    std::vector<std::string> boxes;
    if (trxLink_) {
        bool failed = false;
        TakeLinkBoxes(*trxLink_, boxes, &failed);
        if (failed) {
            doc_.UseTRX = 0;
            RetireTrxLink();
        }
    }
    for (auto it = retiredLinks_.begin(); it != retiredLinks_.end();) {
        const bool ended = (*it)->Finished();
        TakeLinkBoxes(**it, boxes, nullptr);
        it = ended ? retiredLinks_.erase(it) : it + 1;
    }
    for (const std::string& text : boxes) {
        prompter_.Show(text);
    }
}

bool TransmitEngine::WaitForTrxLink(Event* cancel) {
    if (!trxLink_) {
        return true;
    }
    const std::shared_ptr<TrxLinkCall> barrier = trxLink_->Barrier();
    while (!barrier->Finished()) {
        barrier->Wait(1000, cancel);
        if (cancel != nullptr && cancel->IsSignalled(RealTime().NowNs())) {
            return false;
        }
    }
    return true;
}

void TransmitEngine::SetKeyingSettings(const KeyingSettings& settings) {
    std::lock_guard lock(settingsMutex_);
    settings_ = settings;
}

KeyingSettings TransmitEngine::TakeKeyingSettings() const {
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

void TransmitEngine::CreateDevices() {
    if (!ports_) {
        RigDeviceFactory rigDevice;
        if (trxLink_) {
            rigDevice = [link = trxLink_] {
                return std::make_unique<TrxManagerKeyingDevice>(link);
            };
        }
        ports_ = BuildKeyingPortManager(doc_, notices_, prompter_, time_, hardware_, rigDevice,
                                        parallelPort_.get());
        ports_->SetObserver(keyingObserver_);
        ports_->SetKeyTap(keyTap_);
        // The rig-control link wins PTT when it is assigned PTT.
        pttLink_ = trxLink_ && doc_.PortMatrix[kTrxRow][kPttColumn] == 1 ? trxLink_ : nullptr;
    }
    if (!mediaTimer_) {
        mediaTimer_ = std::make_unique<MediaTimer>(time_);
    }
    if (!wavePlayer_) {
        wavePlayer_ = std::make_unique<WavePlayer>(prompter_, time_);
    }
}

void TransmitEngine::SetKeyTap(KeyEdgeTap* tap) {
    keyTap_ = tap;
    if (ports_) {
        ports_->SetKeyTap(tap);
    }
}

void TransmitEngine::JoinFinishedWorker() {
    if (worker_.joinable() && workerRunning_.load() == 0) {
        worker_.join();
    }
}

bool TransmitEngine::Send(const std::string& text) {
    JoinFinishedWorker();
    if (worker_.joinable() || manualSender_ != nullptr) {
        return false;  // one message at a time; its text must not change under the walker
    }
    SyncTrxLink();
    liveSerial_ = notices_.Begin();
    SetKeyingSettings(KeyingSettings::FromDocument(doc_));
    trxCwSelected_ = TrxCwSelected(doc_);
    CreateDevices();
    ports_->SetKeyIndicator(doc_.CWInd != 0);
    PttOn();
    message_ = text;
    failed_ = false;
    // Whether the radio answers is asked on the link's thread; the worker takes the answer.
    trxConnected_.store(0);
    catQuery_ = trxCwSelected_ && trxLink_ ? trxLink_->QueryCat() : nullptr;

    stop_.store(0);
    stopEvent_.Reset();
    timerEvent_.Reset();
    trxDoneEvent_.Set();
    workerRunning_.store(1);
    worker_ = StartThread(PriorityFromSetting(doc_.CWPriority), [this] { Worker(); });
    return true;
}

std::unique_ptr<ManualSender> TransmitEngine::OpenManualSendWindow(NoticeSink& window) {
    JoinFinishedWorker();
    // Two threads keying the same devices, or a message whose end the window has yet to handle
    // losing its devices, is never safe.
    if (worker_.joinable() || liveSerial_ != 0 || manualSender_ != nullptr || TrxCwSelected(doc_)) {
        return nullptr;
    }
    const uint64_t serial = notices_.Begin();
    liveSerial_ = serial;
    SetKeyingSettings(KeyingSettings::FromDocument(doc_));
    CreateDevices();
    ports_->SetKeyIndicator(doc_.CWInd != 0);
    auto sender = std::make_unique<ManualSender>(
        doc_, *ports_, window, time_, doc_.ManualSend != 0,
        [this, serial] { ManualSendClosed(serial); }, [this] { return TakeKeyingSettings(); });
    manualSender_ = sender.get();
    return sender;
}

void TransmitEngine::ManualSendClosed(uint64_t serial) {
    manualSender_ = nullptr;
    // Notices the devices may still post (a late inhibit) belong to nothing the window runs.
    notices_.ClaimEnd(serial);
    if (liveSerial_ == serial) {
        liveSerial_ = 0;
    }
}

bool TransmitEngine::EndManualSending() {
    ManualSender* sender = std::exchange(manualSender_, nullptr);
    const bool down = sender->End();
    pttUp_.store(0);
    notices_.ClaimEnd(notices_.Serial());
    liveSerial_ = 0;
    return down;
}

void TransmitEngine::Worker() {
    firstRun_ = false;
    WalkResult result;
    result.status = WaitTxDelay();
    if (result.status == WalkStatus::Done && catQuery_) {
        // Asked at Send; the link's time-outs end the question long before this bound.
        catQuery_->Wait(kTrxPttRaiseWaitMs, &stopEvent_);
        trxConnected_.store(catQuery_->Succeeded() ? 1 : 0);
        result.status = StopRequested() ? WalkStatus::Stopped : WalkStatus::Done;
    }
    if (result.status == WalkStatus::Done) {
        MessageWalker walker(*this);
        result = walker.RunMessage(message_);
    }
    if (result.status != WalkStatus::Stopped) {
        failed_ = failed_ || result.status == WalkStatus::Failed;
        // Lost to a stop or the inhibit when they came first: one end notice per message.
        notices_.Post(kSendDoneNotice, 0, failed_ ? kDoneFailed : kDoneCompleted);
    }
    workerRunning_.store(0);
}

bool TransmitEngine::Stop() {
    liveSerial_ = 0;
    notices_.ClaimEnd(notices_.Serial());
    return Halt();
}

bool TransmitEngine::Halt() {
    if (manualSender_ != nullptr) {
        return EndManualSending();  // never open while a worker runs
    }
    const bool running = worker_.joinable() && workerRunning_.load() != 0;
    if (running) {
        stop_.store(1);
        // Wakes every wait the worker may be in: keying, the TX delay, pauses and fills, the
        // PTT request, a message box, the rig's end-of-sending and the WAV playback.
        stopEvent_.Set();
        trxDoneEvent_.Set();
    }
    // Before anything that could take time: nothing below may keep the transmitter keyed.
    bool down = true;
    if (ports_) {
        down = ports_->Silence();
        pttUp_.store(0);
        lastDropConfirmed_ = down;
    }
    if (running) {
        if (wavePlayer_) {
            wavePlayer_->Stop();
        }
        if (trxLink_) {
            trxLink_->CancelReports(notices_.Serial());
            if (TrxCwInUse()) {
                trxLink_->StopMorse();
            }
        }
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    return down;
}

bool TransmitEngine::ReleaseDevices() {
    if (workerRunning_.load() != 0) {
        Stop();  // never pull the devices from under a running worker
    }
    liveSerial_ = 0;
    // A drop that was not confirmed is tried once more: what counts is where PTT is now.
    return DropDevices();
}

bool TransmitEngine::DropDevices() {
    if (manualSender_ != nullptr) {
        EndManualSending();  // it keys through the devices about to go
    }
    bool down = true;
    if (ports_) {
        down = ports_->EnsurePttDown();
        ports_.reset();
        lastDropConfirmed_ = down;
    }
    pttUp_.store(0);
    if (trxLink_) {
        trxLink_->CancelReports(notices_.Serial());
    }
    mediaTimer_.reset();
    wavePlayer_.reset();
    return down;
}

void TransmitEngine::PttOn() {
    if (ports_) {
        ports_->PttOn();
        pttUp_.store(1);
    }
}

bool TransmitEngine::PttOff() {
    if (!ports_) {
        return true;
    }
    const bool down = ports_->PttOff();
    pttUp_.store(0);
    lastDropConfirmed_ = down;
    return down;
}

bool TransmitEngine::WaitPttDownConfirmed(uint32_t timeoutMs) {
    if (lastDropConfirmed_) {
        return true;
    }
    const std::shared_ptr<TrxLinkCall> drop = pttLink_ ? pttLink_->LastPttDrop() : nullptr;
    return drop && drop->Wait(timeoutMs).value_or(false);
}

bool TransmitEngine::IsCurrent(const Notice& notice) const {
    return notice.serial != 0 && notice.serial == liveSerial_ && !notice.Withdrawn();
}

void TransmitEngine::PushTrxText() {
    std::lock_guard lock(runMutex_);
    if (!ports_) {
        return;
    }
    // The link reports the end of the text, or at once that it could not go out (the daemon
    // is gone or the radio stopped answering), which fails the message.
    if (!ports_->SendText(currentRun_, currentRunRate_, notices_.Serial()) && TrxCwInUse()) {
        // Nothing will report on it: no end-of-sending is worth waiting for.
        trxHandOverFailed_.store(1);
        trxDoneEvent_.Set();
    }
}

void TransmitEngine::PushCallsign(const std::string& call) {
    SyncTrxLink();
    if (trxLink_) {
        trxLink_->SetCallSign(call);
    }
}

void TransmitEngine::SetTwoRadio() {
    if (parallelPort_) {
        parallelPort_->SetTwoRadio(doc_.SO2R != 0);
    }
}

void TransmitEngine::SyncParallelPort() {
    const int16_t address = doc_.LptAddress;
    if (address < 0 || (address == 0 && !parallelPort_)) {
        return;
    }
    if (ports_) {
        // Devices of a running message write through the old port: take them down first
        // rather than leave them pointing at a port that is gone. The window did not ask for
        // that end, so it is told like any other.
        const bool running = workerRunning_.load() != 0;
        Halt();
        DropDevices();
        if (running) {
            notices_.Post(kSendDoneNotice, 0, kDoneFailed);
        }
    }
    parallelPort_.reset();
    if (address > 0) {
        OpenParallelPort();
    }
}

void TransmitEngine::SignalTrxDone(uint64_t serial) {
    SignalTrxDone(serial, true);
}

void TransmitEngine::SignalTrxDone(uint64_t serial, bool handedOver) {
    if (serial == notices_.Serial()) {
        if (!handedOver) {
            trxHandOverFailed_.store(1);
        }
        trxDoneEvent_.Set();
    }
}

bool TransmitEngine::TrxCwInUse() const {
    return trxCwSelected_ && trxConnected_.load() != 0;
}

}  // namespace tarnwick
