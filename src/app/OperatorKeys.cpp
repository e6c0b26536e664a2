#include "app/OperatorKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace tarnwick {

OperatorKeys::OperatorKeys(QWidget& view, std::function<void(Key)> act)
    : view_(&view), act_(std::move(act)) {
    qApp->installEventFilter(this);
}

OperatorKeys::~OperatorKeys() {
    qApp->removeEventFilter(this);
}

bool OperatorKeys::Classify(int qtKey, bool autoRepeat, Key* key) {
    if (qtKey == Qt::Key_Escape) {
        *key = Key::Escape;
        return true;
    }
    if (autoRepeat) {
        return false;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F7) {
        *key = static_cast<Key>(qtKey - Qt::Key_F1);
        return true;
    }
    if (qtKey == Qt::Key_F12) {
        *key = Key::F12;
        return true;
    }
    return false;
}

bool OperatorKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType() || view_.isNull()) {
        return false;
    }
    QWidget* window = view_->window();
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != window) {
        return false;
    }
    // A press the focused control leaves alone climbs to its parents as the same event; it is
    // acted on once, where it starts: at the window's focus widget (the window itself when
    // nothing has the focus).
    QWidget* first = window->focusWidget() != nullptr ? window->focusWidget() : window;
    if (widget != first) {
        return false;
    }
    const auto* press = static_cast<QKeyEvent*>(event);
    Key key{};
    if (Classify(press->key(), press->isAutoRepeat(), &key)) {
        act_(key);
    }
    return false;
}

}  // namespace tarnwick
