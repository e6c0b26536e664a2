#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace tarnwick {

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the window's thread, so that a program
// stopped from outside closes its window the normal way: the transmitter is released and the
// settings and the window placement are saved. The handler only writes to a pipe. A signal the
// program was started with ignored (nohup) stays ignored.
class ShutdownSignals : public QObject {
    Q_OBJECT

public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

signals:
    void Requested(int signalNumber);

private:
    void Drain();

    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tarnwick
