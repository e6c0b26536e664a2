#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <optional>

namespace tarnwick {

// Keeps a second copy of the program from starting: the first copy holds a lock file and
// listens on a local socket, both named after the executable in the user's runtime folder.
// A later start asks it over the socket to come to the front; a copy that has no window (an
// automation start) says so, and the later start then asks the operator.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Claim {
        First,                     // this is the only copy
        RaisedRunningCopy,         // the running copy came to the front: end this one
        RunningCopyWithoutWindow,  // a copy runs but shows no window (or does not answer)
    };

    // `key`: the executable's name without folder and extension.
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    Claim ClaimInstance();
    // Whether this copy answers a later start with "raised" (it has a main window).
    void SetHasWindow(bool hasWindow) { hasWindow_ = hasWindow; }

    QString SocketPath() const { return socketPath_; }

signals:
    // A later start asked this copy to come to the front.
    void RaiseRequested();

private:
    void Serve();
    // Asks the copy that holds the lock; nothing when it did not answer.
    std::optional<Claim> AskRunningCopy();

    QString socketPath_;
    QLockFile lock_;
    QLocalServer server_;
    bool hasWindow_ = false;
};

}  // namespace tarnwick
