#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tarnwick {

class CTarnwickDoc;
class Prompter;
class TimeBase;

// A daemon that does not accept within this time is taken as absent.
inline constexpr int kTrxConnectTimeoutMs = 1000;
// The longest a call waits for the daemon's answer before it counts as failed.
inline constexpr int kTrxReplyTimeoutMs = 1500;
// The error box has only a text: its title goes on the first line.
inline constexpr const char* kTrxErrorTitle = "Raw Dispatch Interface Error";

// The client of the rig-control program, carried over the rig-control daemon's TCP line
// protocol. It keeps the keyer's named calls and translates each into the daemon's commands.
// All calls come from one thread at a time (the user-interface thread).
class TrxManagerLink {
public:
    TrxManagerLink(const CTarnwickDoc& doc, Prompter& prompter, TimeBase& time);
    virtual ~TrxManagerLink();
    TrxManagerLink(const TrxManagerLink&) = delete;
    TrxManagerLink& operator=(const TrxManagerLink&) = delete;

    // Connects to the daemon at the document's TrxHost:TrxPort. False, silently, when it is not
    // there. `windowHandle` is where end-of-sending reports go (kept for the report
    // registration call).
    bool Connect(int64_t windowHandle = 0);
    // Drops PTT first (the daemon never drops PTT for a client that goes away), then closes.
    void Disconnect();
    // From a successful Connect until Disconnect, also while the daemon cannot be reached: every
    // call then tries to reach it afresh, so a restarted daemon is found again.
    bool IsConnected() const;
    // True only when the radio answers a frequency read with a value and report 0.
    bool IsCatActive();
    // False when the daemon was connected but did not acknowledge (the box was shown): PTT may
    // not have changed. Without a connection nothing is sent and nothing was ever raised.
    bool SetPtt(bool on);
    void SetCallSign(const std::string& call);
    // The keyer's data codes: 6 (call sign notice), 19 (speed), 20 (Morse text),
    // 30 (report-back registration). False when the call failed (the box was shown) or, for 19
    // and 20, when the link is not connected (nothing was tried, nothing shown). The daemon has
    // nothing to do for 6, 30 and codes it does not know: they are accepted.
    bool SetData(int code, int value, double real, const std::string& text);
    void SendCwChar(char c);
    void SendCwText(const std::string& text);
    // Ends Morse the radio is still sending, where the radio can; then a pending end-of-sending
    // report is made at once. Best effort: a radio that cannot stop shows no box.
    void StopMorse();
    // Reports of Morse handed over from now on carry `tag` (the sending message's serial).
    void SetReportTag(uint64_t tag);
    // Drops a pending end-of-sending report; one being made right now is over when this returns.
    void CancelReport();

    // Called (from the link's own thread) when Morse handed over with SendCwText or SendCwChar
    // should have left the radio: the text's duration at the speed the daemon reports, counted
    // from the daemon's acknowledgement of the last piece. When a hand-over fails part-way, for
    // what the daemon took; when nothing could be handed over, at once, so that nobody waits for
    // it forever. Stands in for the data-copy message.
    void SetSendingDoneHandler(std::function<void(uint64_t tag)> handler);
    // How many Morse texts the daemon took whole. A caller that hands over a text and sees no
    // change knows it did not go out (the box, if any, was shown).
    uint64_t CompletedHandOvers() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tarnwick
