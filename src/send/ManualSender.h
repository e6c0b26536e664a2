#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/Event.h"
#include "send/MediaTimer.h"

namespace tarnwick {

class CTarnwickDoc;
class KeyingPortManager;
class NoticeSink;
class TimeBase;

// The manual sender's notices to its window besides kManualSendIdle (platform/NoticeSink.h),
// numbered clear of the fixed ones. All carry wParam and lParam 0.
// Characters of the field have been keyed: the window takes them out with RemoveSent.
inline constexpr uint32_t kManualSendSent = 0x7F0;
// Sending was ended from outside the window (a transmit inhibit, a stop, the devices released):
// the sender is closed with the key up and PTT down, and the window closes.
inline constexpr uint32_t kManualSendEnded = 0x7F1;

// Whether the field's text that is not sent yet starts sending in automatic mode: it holds a
// word space (a blank, a line break or a tab) or a full stop after its first character.
bool FinishesAWord(std::string_view unsent);

// Keys what the operator types, live. It owns the sender thread (at the CWPriority priority);
// the window owns the text field and meets the sender only through this object's buffer: it
// reports the field's whole text after every change and takes back the field's new text, and
// the sender never touches a widget. The sender tells the window through notices posted to it:
// kManualSendSent (call RemoveSent), kManualSendIdle (call OnIdle), kManualSendEnded.
//
// Once woken by a finished word (automatic mode) or "Send It" (manual mode), the sender keys
// whatever the field holds, word or not, until nothing is left, then goes idle. PTT rises once
// when sending starts, on the window's thread; the sender waits the TX delay; PTT drops when the
// window handles the idle notice. Every public operation belongs to the window's thread.
class ManualSender {
public:
    // Starts the sender thread, idle. `ports` must stay until Close or End; `onClosed` is called
    // once, by Close.
    ManualSender(const CTarnwickDoc& doc, KeyingPortManager& ports, NoticeSink& window,
                 TimeBase& time, bool manualMode, std::function<void()> onClosed = {});
    // Close.
    ~ManualSender();
    ManualSender(const ManualSender&) = delete;
    ManualSender& operator=(const ManualSender&) = delete;

    // The "Manual Send" box: in manual mode typing never starts sending, "Send It" does.
    void SetManualMode(bool manual) { manual_ = manual; }
    bool ManualMode() const { return manual_; }

    // The field's whole text after a change. In automatic mode a finished word starts sending.
    void TextChanged(const std::string& field);
    // "Send It": the text the field must show from now on (with a blank after a last word; an
    // empty field stays empty and sends nothing). Starts sending in either mode.
    std::string SendIt(const std::string& field);
    // On kManualSendSent: the field's text with the keyed characters taken from its front. The
    // text typed meanwhile stays.
    std::string RemoveSent(const std::string& field);
    // On kManualSendIdle: PTT drops, unless sending has started again since the notice left.
    void OnIdle();

    // "Done" or the window closing: the key goes up and PTT drops at once, within the element
    // under way, then the sender thread ends. Later calls change nothing. False when the PTT
    // drop was not confirmed.
    bool Close();
    // The same, for an end the window did not ask for; the window is told (kManualSendEnded)
    // and onClosed is not called.
    bool End();
    bool IsOpen() const { return ports_ != nullptr; }

private:
    void Trigger(const std::string& field);
    void Halt();
    void Run(KeyingPortManager& ports);
    // Before a chunk that follows the previous one: its first character's gap, counted from
    // the end of the previous chunk, as inside one run. False when stopped.
    bool WaitGapBefore(char first, int64_t lastEndNs);
    std::string UnsentLocked() const;
    bool Stopped() const { return stop_.load() != 0; }

    const CTarnwickDoc& doc_;
    NoticeSink& window_;
    TimeBase& time_;
    // Window thread only; null once closed.
    KeyingPortManager* ports_;
    std::function<void()> onClosed_;
    bool manual_;
    bool pttRaised_ = false;
    bool pttDown_ = true;

    // The sender thread's.
    MediaTimer mediaTimer_;
    std::atomic<int> stop_{0};
    Event stopEvent_{ResetMode::Manual};
    Event wake_{ResetMode::Auto};

    // The buffer, shared by the window and the sender.
    std::mutex mutex_;
    // The field's text as the window last reported it.
    std::string field_;
    // Leading characters of field_ the sender has taken, and of those the ones keyed and
    // announced but not yet removed by the window.
    size_t taken_ = 0;
    size_t keyed_ = 0;
    // Idle: only a trigger (or the stop) lets the sender take text.
    bool waiting_ = true;
    // PTT rose for this start: the TX delay comes first.
    bool txDelayDue_ = false;

    std::thread thread_;
};

}  // namespace tarnwick
