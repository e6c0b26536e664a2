#pragma once

#include <QWidget>

class QToolButton;

namespace tarnwick {

// A pair of small arrow buttons beside a box, one above the other, as the keyer's up-down
// controls: they change the box through their owner and never take the focus from it.
class UpDownArrows : public QWidget {
    Q_OBJECT

public:
    explicit UpDownArrows(QWidget* parent = nullptr);

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

signals:
    void up();
    void down();

private:
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace tarnwick
