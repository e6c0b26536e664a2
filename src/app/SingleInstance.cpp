#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace tarnwick {
namespace {

constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaisedReply[] = "raised\n";
constexpr char kNoWindowReply[] = "no-window\n";
// The running copy may be busy starting up or loaded down; past this it is taken as not
// answering.
constexpr int kAnswerWaitMs = 5000;
constexpr int kConnectWaitMs = 500;
constexpr int kRetryPauseMs = 100;
constexpr qint64 kLongestLine = 64;

QString RuntimeFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    QDir().mkpath(dir);
    return dir;
}

}  // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent),
      socketPath_(RuntimeFolder() + QLatin1Char('/') + key + QStringLiteral(".socket")),
      lock_(RuntimeFolder() + QLatin1Char('/') + key + QStringLiteral(".lock")) {
    // Only a lock whose owner has died is stale, however long a keyer runs.
    lock_.setStaleLockTime(0);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Serve);
}

SingleInstance::~SingleInstance() {
    server_.close();
}

SingleInstance::Claim SingleInstance::ClaimInstance() {
    const QDeadlineTimer deadline(kAnswerWaitMs);
    while (true) {
        if (lock_.tryLock(0)) {
            // A socket left by a copy that was killed would make listen fail.
            QLocalServer::removeServer(socketPath_);
            server_.setSocketOptions(QLocalServer::UserAccessOption);
            server_.listen(socketPath_);
            return Claim::First;
        }
        if (const auto answer = AskRunningCopy()) {
            return *answer;
        }
        // The running copy holds the lock but is not listening yet, or is about to end.
        if (deadline.hasExpired()) {
            return Claim::RunningCopyWithoutWindow;
        }
        QThread::msleep(kRetryPauseMs);
    }
}

std::optional<SingleInstance::Claim> SingleInstance::AskRunningCopy() {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kConnectWaitMs)) {
        return std::nullopt;
    }
    socket.write(kRaiseRequest);
    socket.flush();
    const QDeadlineTimer deadline(kAnswerWaitMs);
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(kRetryPauseMs * 5)) {
            if (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState) {
                return Claim::RunningCopyWithoutWindow;
            }
        }
    }
    const QByteArray reply = socket.readLine(kLongestLine);
    return reply == kRaisedReply ? Claim::RaisedRunningCopy : Claim::RunningCopyWithoutWindow;
}

void SingleInstance::Serve() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kLongestLine) {
                    socket->abort();
                }
                return;
            }
            const QByteArray request = socket->readLine(kLongestLine);
            if (request == kRaiseRequest && hasWindow_) {
                socket->write(kRaisedReply);
                emit RaiseRequested();
            } else {
                socket->write(kNoWindowReply);
            }
            socket->disconnectFromServer();
        });
    }
}

}  // namespace tarnwick
