#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Event.h"
#include "platform/SoundDevices.h"
#include "send/KeyingSettings.h"
#include "send/MessageActions.h"
#include "send/MessageNotices.h"

namespace tarnwick {

class CTarnwickDoc;
class KeyEdgeTap;
class KeyingHardware;
class KeyingObserver;
class KeyingPortManager;
class ManualSender;
class MediaTimer;
class NoticeSink;
class ParallelPort;
class Prompter;
class TimeBase;
class TrxLinkCall;
class TrxLinkThread;
class WavePlayer;
struct Notice;

inline constexpr const char* kTrxConnectFailedText = "Cannot start connection to TRX-Manager";

// Sends one message at a time: owns the sending devices, raises PTT, walks the message on a
// worker thread of its own (which also waits out each TX delay), and reports progress and the
// end to the operating window through notices. Every public operation belongs to the
// user-interface thread (the thread that receives the notices and owns the document); none of
// them waits on the network or for more than a few milliseconds.
//
// Every message has a serial number, carried on each of its notices: the window acts only on
// notices for which IsCurrent holds, so a notice of one message never acts on the next.
//
// The worker reads no document field: it takes a snapshot of the keying settings for each
// text run (SetKeyingSettings publishes them, Send takes them from the document). The
// rig-control link works on a thread of its own; what it has for the window (its boxes, a
// failed connection) comes as kTrxLinkNotice, on which the window calls HandleTrxLinkNotice.
class TransmitEngine : private MessageActions {
public:
    // With UseTRX on, starts connecting to the rig-control daemon (on the link's thread).
    TransmitEngine(CTarnwickDoc& doc, NoticeSink& view, Prompter& prompter, TimeBase& time,
                   KeyingHardware& hardware);
    // Stops a running message and releases the devices (PTT down) before going: closing the
    // program during a transmission must never leave the transmitter keyed. Waits for the
    // rig-control link to make its last PTT drop (bounded by the link's time-outs) and shows
    // the boxes it left.
    ~TransmitEngine() override;
    TransmitEngine(const TransmitEngine&) = delete;
    TransmitEngine& operator=(const TransmitEngine&) = delete;

    // Starts sending `text`: raises PTT and starts the worker, which waits the TX delay first.
    // Refused (false, nothing touched) while a message is still running (the operating window
    // stops the running one first) and while manual sending is open.
    bool Send(const std::string& text);
    // Opens manual sending (the CW Sending Window's sender, which reports to `window`) on the
    // engine's devices, created if missing as Send creates them; it starts in the document's
    // ManualSend mode. Refused (null) while a message runs or the window has not yet released
    // its devices, while manual sending is open already, and when CW goes to the rig-control
    // program as text (typed text would reach no radio). While it is open its notices (keying,
    // the transmit inhibit) are current; Stop, ReleaseDevices and SyncParallelPort end it first
    // (ManualSender::End). Closing it leaves the devices to the next end of a message. The
    // engine must outlive the sender or end it.
    std::unique_ptr<ManualSender> OpenManualSendWindow(NoticeSink& window);
    bool IsManualSendOpen() const { return manualSender_ != nullptr; }
    // Ends the message at once: the key goes up and PTT drops first, then the worker and the
    // sound playback are stopped (a sound device that does not answer is left to close by
    // itself). No end notice follows, and the message's notices no longer count as current.
    // False when the PTT drop was not confirmed (a drop through the rig-control daemon that it
    // has not acknowledged within kTrxPttDropWaitMs counts as not confirmed yet).
    bool Stop();
    // Drops PTT (unless a confirmed drop was already made), destroys the devices and closes the
    // ports. False when PTT could not be confirmed down.
    bool ReleaseDevices();
    // Raises PTT; the worker waits for it to reach the transmitter, then the TX delay.
    void PttOn();
    // False when the PTT device could not confirm the drop.
    bool PttOff();
    // For a front end that may wait (the command line before it exits): when the last PTT drop
    // went to the rig-control daemon unconfirmed, waits up to `timeoutMs` for its answer. True
    // when PTT is confirmed down.
    bool WaitPttDownConfirmed(uint32_t timeoutMs);
    // The keying settings for the text runs to come (and the running one's PTT raises and WAV
    // inserts); the window publishes them after every change. Send takes them from the
    // document itself.
    void SetKeyingSettings(const KeyingSettings& settings);
    // Whether the window should act on `notice`: it belongs to the message being sent, which
    // the window has not stopped or released, and its sender still waits for it.
    bool IsCurrent(const Notice& notice) const;
    // The serial of the message being sent, or of the last one; 0 before the first.
    uint64_t MessageSerial() const { return notices_.Serial(); }
    // Hands the current text run to the rig-control program.
    void PushTrxText();
    // Starts or ends the rig-control link as UseTRX says. A connection that cannot be made is
    // told later, through kTrxLinkNotice.
    void SyncTrxLink();
    void PushCallsign(const std::string& call);
    // On kTrxLinkNotice: shows the link's boxes and, when it could not connect, "Cannot start
    // connection to TRX-Manager", turns UseTRX off and ends the link.
    void HandleTrxLinkNotice();
    // For a front end that may wait (the command line before its first Send): waits until the
    // rig-control link has carried out everything asked of it so far, its connection included,
    // or `cancel` is signalled (false). True at once without a link.
    bool WaitForTrxLink(Event* cancel);
    void SetTwoRadio();
    // Replaces the parallel port with the one the settings name. Devices of a running message
    // write through the old port, so that message is ended first, with an end notice (reason
    // failed) like any end the window did not ask for.
    void SyncParallelPort();
    // The rig-control program reported the end of its sending of message `serial`; a report of
    // an earlier message is ignored. May come from any thread.
    void SignalTrxDone(uint64_t serial);
    // The same, saying whether the text went out whole (a text that did not fails the message).
    void SignalTrxDone(uint64_t serial, bool handedOver);

    // Every device set built from now on reports its PTT, key and character events here.
    void SetKeyingObserver(KeyingObserver* observer) { keyingObserver_ = observer; }
    // Every key edge from now on, of the devices in use and of every set built later, is
    // recorded in `tap` (null: none): what a sidetone follows. The tap must stay until it is
    // replaced or the engine goes.
    void SetKeyTap(KeyEdgeTap* tap);

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
    // Ends the link without waiting for it: it drops PTT and disconnects on its own thread.
    void RetireTrxLink();
    // Adds the link's news to `boxes` as the texts to show; a failed connection is
    // "Cannot start connection to TRX-Manager" when `connectFailed` is given (and set).
    static void TakeLinkBoxes(TrxLinkThread& link, std::vector<std::string>& boxes,
                              bool* connectFailed);
    KeyingSettings TakeKeyingSettings() const;
    void OpenParallelPort();
    void CreateDevices();
    void Worker();
    // After PTT rose: waits the TX delay unless a stop ends it.
    WalkStatus WaitTxDelay();
    bool TrxCwInUse() const;
    void JoinFinishedWorker();
    // Key up and PTT down first, then the worker and the playback stopped and the worker
    // joined. Says nothing about the end to anyone but an open manual sender's window.
    bool Halt();
    bool DropDevices();
    // Ends open manual sending (key up, PTT down, the window told); its notices stop counting.
    bool EndManualSending();
    void ManualSendClosed(uint64_t serial);

    CTarnwickDoc& doc_;
    NoticeSink& view_;
    // Everything of a message posts through here, stamped with the message's serial.
    MessageNotices notices_{view_};
    // The message whose notices the window still acts on; 0 once it stopped or released it.
    uint64_t liveSerial_ = 0;
    Prompter& prompter_;
    TimeBase& time_;
    KeyingHardware& hardware_;

    std::thread worker_;
    std::atomic<int> workerRunning_{0};
    std::atomic<int> stop_{0};
    bool firstRun_ = false;
    std::unique_ptr<MediaTimer> mediaTimer_;
    std::unique_ptr<WavePlayer> wavePlayer_;
    // Published by the window's thread, copied by the worker for each text run.
    mutable std::mutex settingsMutex_;
    KeyingSettings settings_;
    std::unique_ptr<KeyingPortManager> ports_;
    std::shared_ptr<TrxLinkThread> trxLink_;
    // Links turned off that may still be making their last PTT drop.
    std::vector<std::shared_ptr<TrxLinkThread>> retiredLinks_;
    // The link the devices give PTT to, when they do; kept after the devices are gone.
    std::shared_ptr<TrxLinkThread> pttLink_;
    bool lastDropConfirmed_ = true;
    std::unique_ptr<ParallelPort> parallelPort_;
    // Per worker; the stop event stays signalled once set, so every later wait of the
    // stopped worker (keying, pause, PTT request, message box) ends at once.
    Event timerEvent_{ResetMode::Auto};
    Event stopEvent_{ResetMode::Manual};
    Event trxDoneEvent_{ResetMode::Manual, true};
    std::atomic<int> trxHandOverFailed_{0};
    std::atomic<int> pttUp_{0};
    // Set by Send before the worker starts: CW goes to the rig-control program as text.
    bool trxCwSelected_ = false;
    // Asked at Send whether the radio answers; the worker takes the answer.
    std::shared_ptr<TrxLinkCall> catQuery_;
    std::atomic<int> trxConnected_{0};
    std::string message_;
    std::mutex runMutex_;
    std::string currentRun_;
    unsigned currentRunRate_ = 0;
    bool failed_ = false;
    KeyingObserver* keyingObserver_ = nullptr;
    KeyEdgeTap* keyTap_ = nullptr;
    // Open manual sending, owned by whoever opened it; it keys through ports_.
    ManualSender* manualSender_ = nullptr;
};

}  // namespace tarnwick
