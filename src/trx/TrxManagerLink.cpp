#include "trx/TrxManagerLink.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "morse/CwTiming.h"
#include "morse/MorseTable.h"
#include "platform/Prompter.h"
#include "platform/TimeBase.h"
#include "trx/RigConnection.h"
#include "trx/RigMorseText.h"
#include "trx/SendingDoneTimer.h"

namespace tarnwick {

namespace {

constexpr int kCodeCallSign = 6;
constexpr int kCodeSpeed = 19;
constexpr int kCodeMorseText = 20;
constexpr int kCodeReportTo = 30;

// The radio keys with its own keyer, which knows nothing of the operator's weighting.
constexpr double kRadioDotWgt = 1.0;
constexpr double kRadioDashWgt = 3.0;
constexpr double kRadioLetterSp = 3.0;

// A speed read back from the daemon above this is nonsense, not a keyer setting.
constexpr double kMaxReportedWpm = 1000.0;

constexpr size_t kMaxStatusText = 128;

constexpr std::chrono::milliseconds kRetryPause{50};

}  // namespace

struct TrxManagerLink::Impl {
    Impl(Prompter& p, TimeBase& t) : prompter(p), time(t), timer(t) {}

    // One command; a connection that was lost is made again first, so a restarted daemon is
    // found without the operator switching the link off and on.
    RigResult Call(const std::string& line, std::string_view command) {
        if (!conn.CheckAlive() && !conn.Open(host, port, kTrxConnectTimeoutMs)) {
            RigResult lost;
            lost.status = kRigIoError;
            lost.linkFailed = true;
            return lost;
        }
        RigResult r = conn.Transact(line, command, kTrxReplyTimeoutMs);
        // The daemon can close a client's connection by mistake while another client leaves
        // (it closes the leaving socket's number more than once, and a new connection may have
        // been given that number meanwhile). Such a drop says nothing about the daemon, so the
        // command goes once more on a new connection, after a pause that lets the daemon finish
        // closing the leaving one.
        // Every command sent is harmless to repeat, save Morse whose piece might be heard twice,
        // which beats a false error in the middle of a message.
        if (r.linkFailed && r.status == kRigIoError) {
            std::this_thread::sleep_for(kRetryPause);
            if (conn.Open(host, port, kTrxConnectTimeoutMs)) {
                r = conn.Transact(line, command, kTrxReplyTimeoutMs);
            }
        }
        return r;
    }

    // Runs a command and shows the error box when it fails; true on success.
    bool Checked(const std::string& line, std::string_view command) {
        const RigResult r = Call(line, command);
        lastLinkFailed = r.linkFailed;
        if (!r.Ok()) {
            ShowError(r.status);
        }
        return r.Ok();
    }

    void ShowError(int status) {
        const std::string text = RigStatusText(status).substr(0, kMaxStatusText);
        char line[64 + kMaxStatusText];
        std::snprintf(line, sizeof line, "An error occured: %ld = %s", static_cast<long>(status),
                      text.c_str());
        prompter.Show(std::string(kTrxErrorTitle) + "\n" + line);
    }

    bool SetSpeed(int value) {
        const auto wpm = static_cast<unsigned>(
            std::clamp(value, static_cast<int>(kMinCwRate), static_cast<int>(kMaxCwRate)));
        daemonSpeed = 0;
        if (!Checked("L KEYSPD " + std::to_string(wpm), "set_level")) {
            return false;
        }
        // A radio that cannot tell its speed is not an error: the report falls back to CWRate.
        const RigResult r = Call("l KEYSPD", "get_level");
        lastLinkFailed = r.linkFailed;
        if (r.linkFailed) {
            ShowError(r.status);
            return false;
        }
        std::optional<double> reported = r.reply.Number("KEYSPD");
        if (!reported) {
            reported = r.reply.Number("");
        }
        if (r.status == kRigOk && reported && *reported >= 1.0 && *reported <= kMaxReportedWpm) {
            daemonSpeed = static_cast<unsigned>(std::lround(*reported));
        }
        return true;
    }

    bool Interrupted() const { return interruptCheck && interruptCheck(); }

    // Hands the text over piece by piece and schedules the report for what the daemon took.
    bool SendMorse(const std::string& text, unsigned cwRate) {
        const unsigned speed = daemonSpeed > 0 ? daemonSpeed : cwRate;
        const CwTiming timing = ComputeCwTiming(speed, kRadioDotWgt, kRadioDashWgt, kRadioLetterSp);
        std::string taken;  // as the radio receives it: the daemon puts a blank before each piece
        int64_t lastAckNs = time.NowNs();
        bool ok = true;
        for (const std::string& piece : SplitMorseText(text)) {
            if (Interrupted() || !Checked("b " + piece, "send_morse")) {
                ok = false;
                break;
            }
            lastAckNs = time.NowNs();
            taken += ' ';
            taken += piece;
        }
        const uint64_t durationMs = CwDurationMs(ConvertToMorse(taken), timing);
        timer.Schedule(lastAckNs + static_cast<int64_t>(durationMs) * kNsPerMs, reportTag);
        return ok;
    }

    Prompter& prompter;
    TimeBase& time;
    RigConnection conn;
    std::string host;
    int port = 0;
    bool connected = false;
    bool lastLinkFailed = false;
    uint64_t handOvers = 0;
    int reportHandle = 0;  // registered with code 30; the daemon itself has no use for it
    uint64_t reportTag = 0;
    // The speed the daemon reported after the last speed setting; 0 when not known.
    unsigned daemonSpeed = 0;
    std::function<bool()> interruptCheck;
    SendingDoneTimer timer;
};

TrxManagerLink::TrxManagerLink(Prompter& prompter, TimeBase& time)
    : impl_(std::make_unique<Impl>(prompter, time)) {}

TrxManagerLink::~TrxManagerLink() {
    impl_->timer.Cancel();
    if (impl_->connected && impl_->conn.IsOpen()) {
        // The owner should have disconnected; the transmitter must not stay keyed either way.
        impl_->Call("T 0", "set_ptt");
    }
}

bool TrxManagerLink::Connect(const std::string& host, int port, int64_t windowHandle) {
    Impl& m = *impl_;
    m.host = host;
    m.port = port;
    m.daemonSpeed = 0;
    if (!m.conn.Open(m.host, m.port, kTrxConnectTimeoutMs)) {
        m.connected = false;
        return false;
    }
    m.connected = true;
    SetData(kCodeReportTo, static_cast<int>(windowHandle), 0.0, std::string());
    return true;
}

bool TrxManagerLink::Disconnect() {
    Impl& m = *impl_;
    m.timer.Cancel();
    if (!m.connected) {
        return true;
    }
    const bool down = m.Checked("T 0", "set_ptt");
    SetData(kCodeReportTo, 0, 0.0, std::string());
    m.conn.Close();
    m.connected = false;
    return down;
}

bool TrxManagerLink::IsConnected() const {
    return impl_->connected;
}

bool TrxManagerLink::IsCatActive() {
    Impl& m = *impl_;
    if (!m.connected) {
        return false;
    }
    const RigResult r = m.Call("f", "get_freq");
    if (!r.Ok()) {
        m.ShowError(r.status);
        return false;
    }
    std::optional<double> hz = r.reply.Number("Frequency");
    if (!hz) {
        hz = r.reply.Number("");
    }
    return hz && *hz > 0;
}

bool TrxManagerLink::SetPtt(bool on) {
    if (!impl_->connected) {
        return true;
    }
    return impl_->Checked(on ? "T 1" : "T 0", "set_ptt");
}

void TrxManagerLink::SetCallSign(const std::string& /*call*/) {
    SetData(kCodeCallSign, 0, 0.0, std::string());
}

bool TrxManagerLink::SetData(int code, int value, double /*real*/, const std::string& text) {
    Impl& m = *impl_;
    switch (code) {
        case kCodeReportTo:
            m.reportHandle = value;
            return true;
        case kCodeSpeed:
            return m.connected && m.SetSpeed(value);
        case kCodeMorseText:
            if (!m.connected) {
                // Nothing goes out, so nothing is left to wait for.
                m.timer.Schedule(m.time.NowNs(), m.reportTag);
                return false;
            }
            if (!m.SendMorse(text, static_cast<unsigned>(std::max(value, 0)))) {
                return false;
            }
            ++m.handOvers;
            return true;
        default:
            return true;
    }
}

void TrxManagerLink::SendCwChar(char c, unsigned cwRate) {
    SetData(kCodeMorseText, static_cast<int>(std::min(cwRate, static_cast<unsigned>(kMaxCwRate))),
            0.0, std::string(1, c));
}

void TrxManagerLink::SendCwText(const std::string& text, unsigned cwRate) {
    Impl& m = *impl_;
    const int rate = static_cast<int>(std::min(cwRate, static_cast<unsigned>(kMaxCwRate)));
    SetData(kCodeReportTo, m.reportHandle, 0.0, std::string());
    m.lastLinkFailed = false;
    if (m.connected && m.Interrupted()) {
        // Given up before anything went out: report at once, as for text that could not go.
        m.timer.Schedule(m.time.NowNs(), m.reportTag);
        return;
    }
    // A radio that refuses the speed may still send the text; a daemon that is gone will not,
    // and one time-out per text is enough.
    if (!SetData(kCodeSpeed, rate, 0.0, std::string()) && m.lastLinkFailed) {
        m.timer.Schedule(m.time.NowNs(), m.reportTag);
        return;
    }
    SetData(kCodeMorseText, rate, 0.0, text);
}

void TrxManagerLink::StopMorse() {
    Impl& m = *impl_;
    // Not asked right after a call it did not answer: that would only cost another time-out.
    if (m.connected && !m.lastLinkFailed && m.Call("\\stop_morse", "stop_morse").Ok()) {
        m.timer.BringForward();
    }
}

void TrxManagerLink::SetReportTag(uint64_t tag) {
    impl_->reportTag = tag;
}

void TrxManagerLink::CancelReport() {
    impl_->timer.Cancel();
}

uint64_t TrxManagerLink::CompletedHandOvers() const {
    return impl_->handOvers;
}

void TrxManagerLink::SetInterruptCheck(std::function<bool()> check) {
    impl_->interruptCheck = std::move(check);
}

void TrxManagerLink::SetSendingDoneHandler(std::function<void(uint64_t tag)> handler) {
    impl_->timer.SetHandler(std::move(handler));
}

}  // namespace tarnwick
