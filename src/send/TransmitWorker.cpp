// The transmit engine's actions on its worker thread: text runs, WAV inserts, PTT requests.
#include "morse/CwTiming.h"
#include "morse/MorseTable.h"
#include "platform/NoticeSink.h"
#include "platform/Prompter.h"
#include "platform/TimeBase.h"
#include "ports/KeyingPortManager.h"
#include "send/MediaTimer.h"
#include "send/MessageTag.h"
#include "send/TransmitEngine.h"
#include "send/WavePlayer.h"
#include "trx/TrxLinkThread.h"
#include "trx/TrxManagerKeyingDevice.h"

namespace tarnwick {

namespace {

// How long past the text's own Morse duration the rig-control program may take to report the
// end of its sending before the message is given up as failed.
constexpr uint32_t kTrxReportGraceMs = 30'000;

}  // namespace

WalkStatus TransmitEngine::RequestPtt(bool up) {
    if (StopRequested()) {
        return WalkStatus::Stopped;
    }
    if (!notices_.Send(kSendEventNotice, kEventPttRequest, up ? 1 : 0, time_, &stopEvent_)) {
        return WalkStatus::Stopped;
    }
    if (StopRequested()) {
        return WalkStatus::Stopped;
    }
    // The window only raises PTT; the delay is waited here, where a stop can end it.
    return up ? WaitTxDelay() : WalkStatus::Done;
}

WalkStatus TransmitEngine::WaitTxDelay() {
    const uint32_t delayMs = TxDelayMs(TakeKeyingSettings().TXDelay);
    if (!ports_->WaitTxDelay(stopEvent_, delayMs) || StopRequested()) {
        return WalkStatus::Stopped;
    }
    return WalkStatus::Done;
}

WalkStatus TransmitEngine::SendTextRun(const std::string& run) {
    if (!PttUp() && RequestPtt(true) == WalkStatus::Stopped) {
        return WalkStatus::Stopped;
    }
    // One consistent set of settings for the whole run, whatever the window changes meanwhile.
    const KeyingSettings settings = TakeKeyingSettings();
    ports_->SetKeyIndicator(settings.CWInd != 0);
    std::string text = run;
    RemoveLeadingBlanks(text);
    if (firstRun_) {
        text.insert(text.begin(), ' ');
    }
    {
        std::lock_guard lock(runMutex_);
        currentRun_ = text;
        currentRunRate_ = settings.CWRate;
    }
    const bool trx = TrxCwInUse();
    if (trx) {
        // Reset before the hand-over is announced, so a fast report cannot be lost.
        trxHandOverFailed_.store(0);
        trxDoneEvent_.Reset();
        notices_.Post(kSendEventNotice, kEventTrxText, 0);
    }
    MorseRun morse = ConvertToMorse(text);
    const CwTiming timing =
        ComputeCwTiming(settings.CWRate, settings.DotWgt, settings.DashWgt, settings.LetterSp);
    const uint64_t durationMs = CwDurationMs(morse, timing);
    if (StopRequested()) {
        return WalkStatus::Stopped;
    }
    if (trxCwSelected_) {
        mediaTimer_->Announce(morse, *ports_);
    } else {
        mediaTimer_->SendCw(morse, *ports_, timing, stop_, &stopEvent_);
    }
    if (StopRequested()) {
        return WalkStatus::Stopped;
    }
    firstRun_ = true;
    if (trx) {
        const uint32_t limit =
            static_cast<uint32_t>(std::min<uint64_t>(durationMs, 3'600'000)) + kTrxReportGraceMs;
        const int woke = time_.WaitAnyFor({&trxDoneEvent_, &stopEvent_}, limit);
        if (StopRequested()) {
            return WalkStatus::Stopped;
        }
        if (woke < 0 || trxHandOverFailed_.load() != 0) {
            // The text did not go out, or the rig never reported the end of its sending.
            return WalkStatus::Failed;
        }
    }
    return WalkStatus::Done;
}

WalkStatus TransmitEngine::InsertWave(const std::string& fileName) {
    if (!wavePlayer_) {
        return WalkStatus::Failed;
    }
    if (!PttUp() && RequestPtt(true) == WalkStatus::Stopped) {
        return WalkStatus::Stopped;
    }
    // The player also honours a stop that comes after this look and before it starts.
    if (StopRequested()) {
        return WalkStatus::Stopped;
    }
    if (!wavePlayer_->Play(fileName, TakeKeyingSettings().WaveOut, &stopEvent_)) {
        return StopRequested() ? WalkStatus::Stopped : WalkStatus::Failed;
    }
    if (wavePlayer_->WaitDone()) {
        return StopRequested() ? WalkStatus::Stopped : WalkStatus::Done;
    }
    wavePlayer_->Stop();
    return WalkStatus::Failed;
}

void TransmitEngine::ShowMessageError() {
    prompter_.Show(kMessageErrorText, &stopEvent_);
}

}  // namespace tarnwick
