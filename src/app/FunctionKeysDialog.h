#pragma once

#include <QDialog>

namespace tarnwick {

// "Program Shortcut Keys": lists the keys the operating view handles, with an OK button.
class FunctionKeysDialog : public QDialog {
    Q_OBJECT

public:
    explicit FunctionKeysDialog(QWidget* parent = nullptr);

    // The lines shown, in order.
    static QStringList Lines();
};

}  // namespace tarnwick
