#include "app/AutomationServer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace tarnwick {

AutomationServer::AutomationServer(QObject* parent) : QObject(parent) {}

AutomationServer::~AutomationServer() {
    if (registered_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        bus.unregisterService(QString::fromLatin1(kServiceName));
    }
}

bool AutomationServer::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), this,
                            QDBusConnection::ExportAllContents)) {
        return false;
    }
    if (!bus.registerService(QString::fromLatin1(kServiceName))) {
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        return false;
    }
    registered_ = true;
    return true;
}

}  // namespace tarnwick
