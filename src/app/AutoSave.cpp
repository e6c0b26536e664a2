#include "app/AutoSave.h"

#include "platform/TimeBase.h"

namespace tarnwick {

AutoSave::AutoSave(TimeBase& time, std::function<bool()> save, QObject* parent)
    : QObject(parent), saver_(time, std::move(save)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &AutoSave::Poll);
}

void AutoSave::Changed() {
    saver_.Changed();
    Arm();
}

bool AutoSave::SaveNow() {
    const bool ok = saver_.SaveNow();
    Arm();
    emit Saved(ok);
    return ok;
}

void AutoSave::Poll() {
    const bool wasPending = saver_.Pending();
    const bool ok = saver_.Poll();
    // Poll saved (or failed to) when pending went away or the attempt failed.
    if (wasPending && (!saver_.Pending() || !ok)) {
        emit Saved(ok);
    }
    Arm();
}

void AutoSave::Arm() {
    const int64_t ns = saver_.NsUntilDue();
    if (ns < 0) {
        timer_.stop();
        return;
    }
    // Rounded up, so the timer never fires before the save is due.
    timer_.start(static_cast<int>((ns + kNsPerMs - 1) / kNsPerMs));
}

}  // namespace tarnwick
