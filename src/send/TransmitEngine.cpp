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
#include "send/ManualSender.h"
#include "send/MediaTimer.h"
#include "send/MessageWalker.h"
#include "send/WavePlayer.h"
#include "trx/TrxManagerLink.h"

namespace tarnwick {

TransmitEngine::TransmitEngine(CTarnwickDoc& doc, NoticeSink& view, Prompter& prompter,
                               TimeBase& time, KeyingHardware& hardware)
    : doc_(doc), view_(view), prompter_(prompter), time_(time), hardware_(hardware) {
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
        trxLink_->Disconnect();
        trxLink_.reset();
    }
    parallelPort_.reset();
}

void TransmitEngine::StartTrxLink() {
    auto link = std::make_unique<TrxManagerLink>(doc_, prompter_, time_);
    link->SetSendingDoneHandler([this](uint64_t serial) { SignalTrxDone(serial); });
    if (!link->Connect()) {
        prompter_.Show(kTrxConnectFailedText);
        link->Disconnect();
        doc_.UseTRX = 0;
        return;
    }
    trxLink_ = std::move(link);
}

void TransmitEngine::SyncTrxLink() {
    if (doc_.UseTRX != 0 && !trxLink_) {
        StartTrxLink();
    } else if (doc_.UseTRX == 0 && trxLink_) {
        trxLink_->Disconnect();
        trxLink_.reset();
    }
}

void TransmitEngine::CreateDevices() {
    if (!ports_) {
        ports_ = BuildKeyingPortManager(doc_, notices_, prompter_, time_, hardware_, trxLink_.get(),
                                        parallelPort_.get());
        ports_->SetObserver(keyingObserver_);
        ports_->SetKeyTap(keyTap_);
    }
    if (!mediaTimer_) {
        mediaTimer_ = std::make_unique<MediaTimer>(doc_, time_);
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
    CreateDevices();
    PttOn();
    message_ = text;
    waveDevice_ = {doc_.WaveOut, doc_.WaveOutName};
    failed_ = false;
    trxConnected_ = trxLink_ && trxLink_->IsCatActive();

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
    CreateDevices();
    auto sender = std::make_unique<ManualSender>(doc_, *ports_, window, time_, doc_.ManualSend != 0,
                                                 [this, serial] { ManualSendClosed(serial); });
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
    }
    if (running) {
        if (wavePlayer_) {
            wavePlayer_->Stop();
        }
        if (trxLink_) {
            trxLink_->CancelReport();
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
    }
    pttUp_.store(0);
    if (trxLink_) {
        trxLink_->CancelReport();
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
    return down;
}

bool TransmitEngine::IsCurrent(const Notice& notice) const {
    return notice.serial != 0 && notice.serial == liveSerial_ && !notice.Withdrawn();
}

void TransmitEngine::PushTrxText() {
    std::lock_guard lock(runMutex_);
    if (!ports_) {
        return;
    }
    const uint64_t before = trxLink_ ? trxLink_->CompletedHandOvers() : 0;
    if (trxLink_) {
        trxLink_->SetReportTag(notices_.Serial());
    }
    ports_->SendText(currentRun_);
    if (trxLink_ && TrxCwInUse() && trxLink_->CompletedHandOvers() == before) {
        // Nothing went out (the daemon is gone or the radio stopped answering): the message has
        // failed, and no end-of-sending report is worth waiting for.
        trxHandOverFailed_.store(1);
        trxDoneEvent_.Set();
    }
}

void TransmitEngine::PushCallsign(const std::string& call) {
    SyncTrxLink();
    if (trxLink_ && trxLink_->IsCatActive()) {
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
    if (serial == notices_.Serial()) {
        trxDoneEvent_.Set();
    }
}

bool TransmitEngine::TrxCwInUse() const {
    return doc_.UseTRX != 0 && trxConnected_ && doc_.PortMatrix[kTrxRow][kCwColumn] == 1;
}

}  // namespace tarnwick
