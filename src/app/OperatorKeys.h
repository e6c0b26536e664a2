#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace tarnwick {

// The keys that send and stop, whichever control of the window has the focus: F1..F7, F12 and
// ESC. Installed on the application, it looks at every key press before the control gets it
// and lets the press go on its way, so typing is not disturbed. Only presses for the window
// that holds `view` count: in a dialog or a message box ESC closes the box as usual.
class OperatorKeys : public QObject {
    Q_OBJECT

public:
    enum class Key { F1, F2, F3, F4, F5, F6, F7, F12, Escape };

    // `act` is called on the window's thread for each press.
    OperatorKeys(QWidget& view, std::function<void(Key)> act);
    ~OperatorKeys() override;

    // The key a press stands for, if it is one of them. Held-down repeats of the F-keys do not
    // count (a held F3 would restart its message with every repeat); ESC counts every time.
    static bool Classify(int qtKey, bool autoRepeat, Key* key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> view_;
    std::function<void(Key)> act_;
};

}  // namespace tarnwick
