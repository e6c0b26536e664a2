#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarnwick {

class CTarnwickDoc;
class SequencerPort;
class UtcClock;

inline constexpr int kBufferCount = 7;
inline constexpr const char* kAutoOnText = "&Auto is ON";
inline constexpr const char* kAutoOffText = "&Auto is OFF";
inline constexpr const char* kContestStartText = "Contest";
// A tick is due this long after the whole UTC second it belongs to, so that a timer that wakes
// up to this much early still reads the second it was armed for.
inline constexpr int64_t kTickLagNs = 1'000'000;

// The picture of the CW indicator.
enum class CwIndicator { CwIdle, CwTransmitting, PhoneIdle, PhoneTransmitting };

// What the operating window shows of the sequencer; the window only copies it into its
// controls.
struct SequencerState {
    std::string clockText;      // two lines, "2026 Dec 06\n07:38:45", UTC
    std::string startTimeText;  // "12:00:00" (UTC) or "Contest"
    std::string durationText;   // the sequence-duration box
    std::string pauseText;      // the Auto-pause box
    std::array<std::string, kBufferCount> buffers;
    int selectedBuffer = 1;  // the next-sequence choice, 1..7
    bool txFirst = true;
    bool autoOn = false;
    std::string autoButtonText = kAutoOffText;
    bool txButtonsEnabled = true;  // TX 1..TX 7
    bool txStopEnabled = false;
    CwIndicator indicator = CwIndicator::CwIdle;
    bool typeEnabled = true;
    // The WPM box, its label and arrows and "&Gen Std Msgs" (CW mode only).
    bool cwControlsEnabled = true;
    // The duration and start-time boxes with their labels and the arrows (Sequenced period);
    // the pause box and its label take the opposite state.
    bool sequenceControlsEnabled = true;
    // The characters sent during the current transmission.
    std::string sentText;

    // Sequencing, in whole seconds since the epoch.
    int64_t now = 0;
    int64_t nextStart = 0;
    int sequenceCount = 0;
    int startHoldOff = -1;  // -1 idle, else ticks since a start time was typed
    int shownPeriod = 1;    // the period the controls were last set up for
};

// Decides when a message is sent and which one: the once-a-second clock tick with the
// sequences of the EME period and Auto's repeating in the Contest period, the operator's
// buttons and keys, and the answers to the transmit engine's notices. It owns no thread and
// no timer: every call comes from one thread (the window's), which arms its timer for
// MsUntilNextTick() and calls ClockTick() when it fires.
class Sequencer {
public:
    Sequencer(CTarnwickDoc& doc, const UtcClock& clock, SequencerPort& port);
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

    // The window's first show: controls from the document, start time, TX buttons, and in CW
    // mode the receive side. Ticks before it do nothing.
    void Start();

    void ClockTick();
    // Time until the next tick is due: kTickLagNs after the next whole UTC second. A front end
    // arms its one-shot timer with it after every tick, so sequences start on their second.
    int64_t NsUntilNextTick() const;
    // The same in whole milliseconds, rounded up (a timer armed with it never fires early).
    int MsUntilNextTick() const;

    // The operator.
    void StartTimeEdited(const std::string& text);  // the start-time box lost the focus
    void StartTimeUp();                             // one minute later
    void StartTimeDown();                           // one minute earlier
    void PressTx(int k);                            // TX k
    void PressFunctionKey(int k);                   // F1..F7
    void ToggleAuto();                              // Auto, F12
    void StopTransmission();                        // TX Stop, ESC
    void SetBufferText(int k, const std::string& text);
    void SelectNextBuffer(int k);
    void SetDurationText(const std::string& text);
    void SetPauseText(const std::string& text);
    void SetTxFirst(bool checked);
    void SetCwIndicatorChecked(bool checked);
    void ClearSentText();  // the Type window opens
    // The front end shows only the end of the sent text; it drops what no longer fits.
    void DropSentTextFront(size_t count);
    // The generator's result: the seven buffers and the group's duration number, which goes
    // to the duration box in the Sequenced period and to the pause box in the Contest period.
    void ApplyStandardMessages(const std::array<std::string, kBufferCount>& buffers,
                               const std::string& number);

    // Mode and period menu commands.
    void SelectCwMode();
    void SelectPhoneMode();
    void SelectContestPeriod();
    void SelectSequencedPeriod();

    // The transmit engine's notices for the current message (stale ones filtered out).
    void OnSendDone(int64_t reason);  // kDoneCompleted, kDoneFailed, kDoneInhibit
    void OnKeyDown();
    void OnKeyUp();
    void OnCharacterSent(char c);
    void OnPttRequest(bool up);
    void OnTrxTextReady();

    const SequencerState& State() const { return state_; }
    // Whether the sequence that starts at boundary number `sequenceCount` is one to transmit
    // in: the odd ones with TX First, the even ones without.
    bool TransmitSequence(int sequenceCount) const;
    bool Transmitting() const;
    // The buffer the window highlights: the chosen one while transmitting, else 0.
    int HighlightedBuffer() const;

private:
    bool ContestPeriod() const;
    bool CwMode() const;
    void EnableTxButtons(bool enable);
    void SetAuto(bool on);
    void SwitchAutoOff();
    void NextMinuteStart();
    void ShowContestStart();
    void ShowModeControls();
    void ShowPeriodControls();
    void BeginTransmission();
    void EndTransmission();
    void SendSelectedBuffer();
    void SendBuffer(int k);
    void HandOver(const std::string& text);

    CTarnwickDoc& doc_;
    const UtcClock& clock_;
    SequencerPort& port_;
    SequencerState state_;
    bool started_ = false;
};

}  // namespace tarnwick
