#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QWidget>
#include <string>

#include "app/OperatingViewHooks.h"

namespace tarnwick::test {

// Runs the event loop until `done` holds or a bound no loaded machine reaches has passed.
template <typename F>
bool ProcessEventsUntil(F done, int boundMs = 20000) {
    const QDeadlineTimer deadline(boundMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Stands in for the operating view where the frame meets it: a plain widget with a
// transmitted-CW text and a count of the rig's end-of-sending reports.
class StandInView : public QWidget, public OperatingViewHooks {
public:
    std::string SentText() const override { return sentText; }
    void DropSentTextFront(size_t count) override { sentText.erase(0, count); }
    void SignalTrxDone() override { ++trxDone; }

    std::string sentText;
    int trxDone = 0;
};

}  // namespace tarnwick::test
