#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/COperatingView.h"
#include "app/QtPrompter.h"
#include "keyer/KeyerSession.h"
#include "keyer/UtcClock.h"
#include "model/CTarnwickDoc.h"
#include "model/SettingsStore.h"
#include "platform/VirtualTimeBase.h"
#include "support/FakeKeyingHardware.h"
#include "support/ScratchDir.h"

class QLineEdit;
class QWidget;

// Readable strings in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tarnwick::test {

// Answers every message box that opens (OK, or the negative answer) and keeps its text.
class BoxAnswerer : public QObject {
public:
    BoxAnswerer();
    QStringList texts;

private:
    QTimer poll_;
};

// The real frame and operating window on Qt's offscreen platform, with the real settings file in
// a scratch folder and the real engine keying COM1 (PTT on RTS, CW on DTR) on fake lines. The
// keyer's clocks are virtual: Tick() moves the UTC clock to the next tick and runs it, as the
// window's timer would; the monotonic clock only moves where the keying waits (or the test
// moves it).
struct OperatingViewRig {
    static constexpr const char* kPort = "/dev/ttyS0";

    // Settings written to the file before the window starts, "Name=value" each. The keying
    // runs on `keyingTime` when given (a test that must catch it mid-element), else on `time`.
    // With `receive`, the window listens in CW mode and shows the waterfall.
    explicit OperatingViewRig(const std::vector<std::string>& settings = {},
                              int64_t startSeconds = 0, TimeBase* keyingTime = nullptr,
                              bool receive = false);
    ~OperatingViewRig();

    template <class W>
    W* Control(int id) const {
        return view->findChild<W*>(QString::number(id));
    }
    QLineEdit* Box(int id) const;

    // Makes the frame the active window again (after a message box).
    void Activate();
    void Tick();
    // Hands the engine's notices over until nothing is being sent (bounded).
    bool PumpUntilIdle();
    // Gives `box` the focus, replaces its text by typing, then moves the focus on.
    void TypeAndLeave(QLineEdit* box, const QString& text);
    void Press(QWidget* target, int key);
    bool PttUp() const;
    // The changes of the PTT line, "rts on" / "rts off".
    std::vector<std::string> PttLog() const;
    // The stored text of a setting, as the settings file holds it once saved.
    std::string StoredValue(const std::string& name);
    std::string Now() const { return UtcTimeOfDayText(clock.NowSeconds()); }

    ScratchDir dir;
    SettingsStore store;
    CTarnwickDoc doc;
    QtPrompter prompter;
    VirtualTimeBase time;
    VirtualUtcClock clock;
    FakeKeyingHardware hardware;
    std::unique_ptr<CMainFrame> frame;
    COperatingView* view = nullptr;
};

}  // namespace tarnwick::test
