#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "keyer/Sequencer.h"
#include "keyer/SequencerPort.h"
#include "keyer/SessionListener.h"
#include "keyer/SettingEditor.h"
#include "keyer/TxWatchdog.h"
#include "keyer/WindowPrompter.h"

namespace tarnwick {

class CTarnwickDoc;
class Event;
class KeyingHardware;
class KeyEdgeTap;
class KeyingObserver;
class ManualSender;
class NoticeSink;
class ReceiveProcessor;
class SpectrumHandOver;
class TimeBase;
class TransmitEngine;
class UtcClock;
struct Notice;

// What a front end lends its keyer session. Everything must outlive the session.
struct KeyerSessionSetup {
    CTarnwickDoc& doc;  // the settings and station data, owned by the session's thread
    // The front end's channel to its own thread: whatever is delivered here, the front end hands
    // to HandleNotice on that thread (the window posts events, the command line queues).
    NoticeSink& notices;
    SessionListener& listener;
    TimeBase& time;         // the monotonic clock of keying and every wait
    const UtcClock& clock;  // the wall clock of the sequences
    KeyingHardware& hardware;
    // Whether to listen between transmissions in CW mode (the window does; the command line
    // has no one listening).
    bool receive = true;
};

// The one way a front end reaches the keyer: it owns the transmit engine, the receive processor
// and the sequencer, takes the operator's intents, applies setting changes through the settings
// schema, and turns the engine's numbered notices into typed events (SessionListener).
//
// One thread drives it, the one that constructs it: every call below is made there, and the
// front end hands every notice delivered to its channel back to HandleNotice there. Worker
// threads never call the front end; a box they ask for reaches it through that channel
// (WindowPrompter). The session keeps "PTT first": every stop, F-key, inhibit and the
// destructor drop PTT and the key before anything else is torn down.
//
// A box the session shows runs on this thread while the session waits for its answer; a front
// end that keeps handling events meanwhile (a modal box's event loop) may hand notices to
// HandleNotice then, and they are acted on at once (an inhibit drops PTT even while a box is
// open). Intents and ticks that arrive while a call is under way are not carried out in the
// middle of it: a stop is carried out as soon as that call is over, anything else is ignored.
//
// Every intent counts as the operator's touch for the TX watchdog: when "TxWatchdog" minutes
// pass without one while Auto is on, the tick stops the transmission, switches Auto off and
// tells the front end (OnTxWatchdogStopped).
class KeyerSession : private SequencerPort {
public:
    explicit KeyerSession(const KeyerSessionSetup& setup);
    // Stops and releases with PTT down first, then answers any waiting box and stops the
    // receive side.
    ~KeyerSession() override;
    KeyerSession(const KeyerSession&) = delete;
    KeyerSession& operator=(const KeyerSession&) = delete;

    // The window's first show: the controls from the document, the buffers generated, the
    // start time, and in CW mode the receive side. Ticks before it do nothing.
    void Start();
    // The clock tick; the front end arms a one-shot timer for MsUntilNextTick() after each.
    void ClockTick();
    int MsUntilNextTick() const;

    // Everything the front end's channel delivered, in order: the engine's notices (only those
    // of the message being sent act; the others are answered and dropped) and the boxes asked
    // for on other threads.
    void HandleNotice(const Notice& notice);

    // The operator's intents, as the sequencer takes them.
    void PressTx(int k);           // TX k (ignored while the TX buttons are disabled)
    void PressFunctionKey(int k);  // F1..F7
    void ToggleAuto();             // Auto, F12
    void StopTransmission();       // TX Stop, ESC
    void StartTimeEdited(const std::string& text);
    void StartTimeUp();
    void StartTimeDown();
    void SetBufferText(int k, const std::string& text);
    void SelectNextBuffer(int k);
    void SetDurationText(const std::string& text);
    void SetPauseText(const std::string& text);
    void SelectCwMode();
    void SelectPhoneMode();
    void SelectContestPeriod();
    void SelectSequencedPeriod();
    // "&Gen Std Msgs": the buffers and the duration or pause box from the default group of
    // the mode and period, with the call box's text for %T.
    void GenerateStandardMessages() override;
    // The call box: every change of its text, and the moment it loses the focus (the rig
    // program is told a changed call then).
    void CallTextChanged(const std::string& text);
    void CallBoxLeft();
    // The receive filters' check boxes (not stored settings).
    void SetFirFilter(bool on);
    void SetFftFilter(bool on);
    // A stored setting typed or chosen by the operator, checked by the settings schema as the
    // windows check it; a change that passes takes effect at once (TX First, the CW
    // indicator, mode, period, the rig link, the parallel port and its two-radio switch, the
    // receive filter).
    SettingChange ChangeSetting(std::string_view name, std::string_view text);
    // The port settings dialog wrote its values into the document: the snapshots follow, and
    // the parallel port is set up anew when its address text changed.
    void PortSettingsApplied(bool parallelAddressChanged);
    // For front ends that may wait (a command line, never a window): until the rig-control
    // link has carried out everything asked of it so far, its connection included, or `cancel`
    // is signalled (false). Its news then waits in the notice channel.
    bool WaitForRigLink(Event* cancel);
    // For front ends that may wait: when PTT is Unconfirmed, waits up to `timeoutMs` for the
    // rig-control daemon's late answer to the drop. True when PTT is down.
    bool WaitPttDown(uint32_t timeoutMs);
    // The rig-control program reported the end of its sending (for front ends that receive
    // such a report themselves).
    void SignalTrxDone();
    // The sent text's front that the front end no longer shows.
    void DropSentTextFront(size_t count);

    // What the window shows.
    const SequencerState& State() const { return sequencer_.State(); }
    bool Transmitting() const { return sequencer_.Transmitting(); }
    int HighlightedBuffer() const { return sequencer_.HighlightedBuffer(); }
    PttState Ptt() const { return ptt_; }
    // For boxes of the front end's own that workers may also show (the receive side's
    // sound-device questions, a dialog's checks).
    Prompter& Boxes() { return prompter_; }

    // Sees every PTT change, key edge and character at the moment the keying makes it, on the
    // keying thread: for traces and measurements. Takes effect at the next message.
    void SetKeyingObserver(KeyingObserver* observer);
    // Every key edge from now on is recorded in `tap` (null: none), for a sidetone; the tap
    // must stay until it is replaced or the session goes.
    void SetKeyTap(KeyEdgeTap* tap);
    // Where the receive side publishes each finished averaged spectrum, for the display's
    // drawing thread (the only reader; WaterfallThread); null without a receive side. It lives
    // as long as the session: the drawing thread must end before the session goes.
    SpectrumHandOver* Spectrum() const;

    // Live CW from a sending window: the sender, owned by the session, or null when it cannot
    // open now (a message is being sent, the rig program keys CW). The window feeds it its
    // field and hears of it through OnManualSent and OnManualSendingEnded; a stop (ESC) ends
    // it with the key up and PTT down.
    ManualSender* OpenManualSending();
    // "Done" or the window closing, also after OnManualSendingEnded: key up and PTT down at
    // once, then the sender goes (the window holds it until then).
    void CloseManualSending();
    ManualSender* ManualSending() const { return manual_.get(); }

private:
    struct KeyChange {
        bool down;
    };
    struct ManualNews {
        bool ended;  // else: characters were keyed
    };
    struct WatchdogNews {
        std::string message;
    };
    using SessionEvent = std::variant<KeyChange, char, PttState, EndReason, SequenceBoundary,
                                      ManualNews, WatchdogNews>;
    class Step;

    // SequencerPort, called by the sequencer on this thread.
    bool BeginSend(const std::string& text) override;
    void StopSending() override;
    void ReleaseDevices() override;
    void PttOn() override;
    void PttOff() override;
    void PushTrxText() override;
    void StartReceive() override;
    void StopReceive() override;

    void Dispatch(const Notice& notice);
    void DispatchManual(uint32_t message);
    void Emit(SessionEvent event);
    void SetPtt(PttState state);
    // Hands the document's settings of the moment to the threads that work from snapshots.
    void PublishSettings();
    // Carries out a stop that came during a call, then delivers the events.
    void Settle();
    void Deliver(const SessionEvent& event);
    // False (and the intent is dropped) while another call is under way.
    bool Idle() const { return depth_ == 0; }
    // The operator did something: the TX watchdog starts counting again.
    void Touched();
    // On the tick: Auto off and the transmission stopped when the operator has been away for
    // the watchdog's limit.
    void CheckWatchdog();

    CTarnwickDoc& doc_;
    SessionListener& listener_;
    TimeBase& time_;
    const UtcClock& clock_;
    TxWatchdog watchdog_;
    // Calls under way (Step); busy while the constructor runs.
    int depth_ = 1;
    WindowPrompter prompter_;
    std::unique_ptr<TransmitEngine> engine_;
    std::unique_ptr<ReceiveProcessor> receive_;
    NoticeSink& notices_;
    std::unique_ptr<ManualSender> manual_;
    Sequencer sequencer_;

    PttState ptt_ = PttState::Down;
    // A message was handed to the engine and its devices are not released yet.
    bool messageOpen_ = false;
    // Why the message being ended ends; a release without one is a stop.
    EndReason endReason_ = EndReason::Stopped;
    bool handedOver_ = false;
    std::string callText_;
    bool callChanged_ = false;

    bool settling_ = false;
    bool stopPending_ = false;
    std::deque<SessionEvent> events_;
};

}  // namespace tarnwick
