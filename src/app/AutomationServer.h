#pragma once

#include <QObject>

namespace tarnwick {

// The keyer as an automation server: the name "Tarnwick.Document" on the session bus with an
// object "/Document" whose interface has no members. It only lets other programs see that
// the keyer runs for them. A machine without a session bus simply has no server.
class AutomationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "Tarnwick.Document")

public:
    static constexpr const char* kServiceName = "Tarnwick.Document";
    static constexpr const char* kObjectPath = "/Document";

    explicit AutomationServer(QObject* parent = nullptr);
    ~AutomationServer() override;

    // True when the name is ours; false without a session bus or when another program owns
    // the name (neither is an error).
    bool Register();

private:
    bool registered_ = false;
};

}  // namespace tarnwick
