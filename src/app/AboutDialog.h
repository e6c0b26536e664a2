#pragma once

#include <QDialog>

namespace tarnwick {

// The About box: the program's icon, its name and version, a one-line disclaimer and OK.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);

    static QString NameAndVersion();
    static QString Disclaimer();
};

}  // namespace tarnwick
