#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Event.h"
#include "platform/SoundDevices.h"
#include "ports/RecursiveTryLock.h"
#include "send/MessageActions.h"

namespace tarnwick {

class CTarnwickDoc;
class KeyingHardware;
class KeyingObserver;
class KeyingPortManager;
class MediaTimer;
class NoticeSink;
class ParallelPort;
class Prompter;
class TimeBase;
class TrxManagerLink;
class WavePlayer;

inline constexpr const char* kTrxConnectFailedText = "Cannot start connection to TRX-Manager";

// Sends one message at a time: owns the sending devices, raises PTT and waits the TX delay,
// walks the message on a worker thread of its own, and reports progress and the end to the
// operating window through notices. Every public operation belongs to the user-interface
// thread (the thread that receives the notices).
class TransmitEngine : private MessageActions {
public:
    TransmitEngine(CTarnwickDoc& doc, NoticeSink& view, Prompter& prompter, TimeBase& time,
                   KeyingHardware& hardware);
    // Stops a running message and releases the devices (PTT down) before going: closing the
    // program during a transmission must never leave the transmitter keyed.
    ~TransmitEngine() override;
    TransmitEngine(const TransmitEngine&) = delete;
    TransmitEngine& operator=(const TransmitEngine&) = delete;

    // Starts sending `text`. Refused (false, nothing touched) while a message is still running:
    // the operating window stops the running one first.
    bool Send(const std::string& text);
    // Stops the running message at once; no end notice follows for it. PTT stays as it is
    // until ReleaseDevices.
    void Stop();
    // Drops PTT, destroys the devices and closes the ports.
    void ReleaseDevices();
    void PttOn();
    void PttOff();
    // Hands the current text run to the rig-control program.
    void PushTrxText();
    void SyncTrxLink();
    void PushCallsign(const std::string& call);
    void SetTwoRadio();
    void SyncParallelPort();
    // The rig-control program reported the end of its sending.
    void SignalTrxDone();

    // Every device set built from now on reports its PTT, key and character events here.
    void SetKeyingObserver(KeyingObserver* observer) { keyingObserver_ = observer; }

    bool IsSending() const { return workerRunning_.load() != 0; }
    bool HasTrxLink() const { return trxLink_ != nullptr; }
    bool HasParallelPort() const { return parallelPort_ != nullptr; }

private:
    // MessageActions, on the worker.
    WalkStatus SendTextRun(const std::string& run) override;
    WalkStatus InsertWave(const std::string& fileName) override;
    bool PttUp() const override { return pttUp_.load() != 0; }
    WalkStatus RequestPtt(bool up) override;
    bool StopRequested() const override { return stop_.load() != 0; }
    void ShowMessageError() override;
    TimeBase& Time() override { return time_; }
    Event& TimerEvent() override { return timerEvent_; }
    Event& StopEvent() override { return stopEvent_; }

    void StartTrxLink();
    void OpenParallelPort();
    void CreateDevices();
    void Worker();
    bool TrxCwInUse() const;
    void JoinFinishedWorker();

    CTarnwickDoc& doc_;
    NoticeSink& view_;
    Prompter& prompter_;
    TimeBase& time_;
    KeyingHardware& hardware_;

    std::thread worker_;
    std::atomic<int> workerRunning_{0};
    std::atomic<int> stop_{0};
    bool firstRun_ = false;
    std::unique_ptr<MediaTimer> mediaTimer_;
    std::unique_ptr<WavePlayer> wavePlayer_;
    // The document's sound device, taken by Send for the worker.
    SoundDeviceChoice waveDevice_;
    std::unique_ptr<KeyingPortManager> ports_;
    std::unique_ptr<TrxManagerLink> trxLink_;
    std::unique_ptr<ParallelPort> parallelPort_;
    // Per worker; the stop event stays signalled once set, so every later wait of the
    // stopped worker (keying, pause, PTT request, message box) ends at once.
    Event timerEvent_{ResetMode::Auto};
    Event stopEvent_{ResetMode::Manual};
    Event trxDoneEvent_{ResetMode::Manual, true};
    std::atomic<int> trxHandOverFailed_{0};
    std::atomic<int> pttUp_{0};
    bool trxConnected_ = false;
    std::string message_;
    std::mutex runMutex_;
    std::string currentRun_;
    bool failed_ = false;
    RecursiveTryLock handOver_;
    KeyingObserver* keyingObserver_ = nullptr;
};

}  // namespace tarnwick
