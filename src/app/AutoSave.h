#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "model/DebouncedSaver.h"

namespace tarnwick {

class TimeBase;

// Runs a DebouncedSaver on the window's thread with a one-shot timer.
class AutoSave : public QObject {
    Q_OBJECT

public:
    AutoSave(TimeBase& time, std::function<bool()> save, QObject* parent = nullptr);

    bool Pending() const { return saver_.Pending(); }
    bool LastSaveFailed() const { return saver_.LastSaveFailed(); }

public slots:
    // A stored value changed: saved a little later.
    void Changed();
    // Saves at once (a dialog's OK, the close); returns whether the file was written.
    bool SaveNow();

signals:
    // After every save: whether it reached the file.
    void Saved(bool ok);

private:
    void Poll();
    void Arm();

    DebouncedSaver saver_;
    QTimer timer_;
};

}  // namespace tarnwick
