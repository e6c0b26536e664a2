#include "send/TransmitEngine.h"

#include "model/CTarnwickDoc.h"
#include "platform/NoticeSink.h"
#include "platform/Prompter.h"
#include "platform/ThreadPriority.h"
#include "platform/TimeBase.h"
#include "ports/KeyingPortBuilder.h"
#include "ports/KeyingPortManager.h"
#include "ports/ParallelPort.h"
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
    link->SetSendingDoneHandler([this] { SignalTrxDone(); });
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
        ports_ = BuildKeyingPortManager(doc_, view_, prompter_, time_, hardware_, trxLink_.get(),
                                        parallelPort_.get());
        ports_->SetObserver(keyingObserver_);
    }
    if (!mediaTimer_) {
        mediaTimer_ = std::make_unique<MediaTimer>(doc_, time_);
    }
    if (!wavePlayer_) {
        wavePlayer_ = std::make_unique<WavePlayer>(prompter_, time_);
    }
}

void TransmitEngine::JoinFinishedWorker() {
    if (worker_.joinable() && workerRunning_.load() == 0) {
        worker_.join();
    }
}

bool TransmitEngine::Send(const std::string& text) {
    JoinFinishedWorker();
    if (worker_.joinable()) {
        return false;  // one message at a time; its text must not change under the walker
    }
    SyncTrxLink();
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

void TransmitEngine::Worker() {
    firstRun_ = false;
    MessageWalker walker(*this);
    const WalkResult result = walker.RunMessage(message_);
    if (result.status != WalkStatus::Stopped && handOver_.TryAcquire()) {
        failed_ = failed_ || result.status == WalkStatus::Failed;
        view_.Post(kSendDoneNotice, 0, failed_ ? kDoneFailed : kDoneCompleted);
        handOver_.Release();
    }
    workerRunning_.store(0);
}

void TransmitEngine::Stop() {
    if (!worker_.joinable()) {
        return;
    }
    if (handOver_.TryAcquire()) {
        if (workerRunning_.load() != 0) {
            stop_.store(1);
            // Wakes every wait the worker may be in: keying, pauses and fills, the PTT
            // request, a message box, the rig's end-of-sending and the WAV playback.
            stopEvent_.Set();
            trxDoneEvent_.Set();
            if (wavePlayer_) {
                wavePlayer_->Stop();
            }
            if (trxLink_ && TrxCwInUse()) {
                trxLink_->StopMorse();
            }
        }
        worker_.join();
        handOver_.Release();
    } else {
        // The worker is posting its end notice right now; it is about to finish.
        worker_.join();
    }
}

void TransmitEngine::ReleaseDevices() {
    if (workerRunning_.load() != 0) {
        Stop();  // never pull the devices from under a running worker
    }
    ports_.reset();
    pttUp_.store(0);
    mediaTimer_.reset();
    wavePlayer_.reset();
}

void TransmitEngine::PttOn() {
    if (ports_) {
        ports_->PttOn();
        pttUp_.store(1);
    }
}

void TransmitEngine::PttOff() {
    if (ports_) {
        ports_->PttOff();
        pttUp_.store(0);
    }
}

void TransmitEngine::PushTrxText() {
    std::lock_guard lock(runMutex_);
    if (!ports_) {
        return;
    }
    const uint64_t before = trxLink_ ? trxLink_->CompletedHandOvers() : 0;
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
        // rather than leave them pointing at a port that is gone.
        ReleaseDevices();
    }
    parallelPort_.reset();
    if (address > 0) {
        OpenParallelPort();
    }
}

void TransmitEngine::SignalTrxDone() {
    trxDoneEvent_.Set();
}

bool TransmitEngine::TrxCwInUse() const {
    return doc_.UseTRX != 0 && trxConnected_ && doc_.PortMatrix[kTrxRow][kCwColumn] == 1;
}

}  // namespace tarnwick
