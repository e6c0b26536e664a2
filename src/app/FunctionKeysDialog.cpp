#include "app/FunctionKeysDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tarnwick {

FunctionKeysDialog::FunctionKeysDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Program Shortcut Keys"));
    auto* layout = new QVBoxLayout(this);
    for (const QString& line : Lines()) {
        layout->addWidget(new QLabel(line, this));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QStringList FunctionKeysDialog::Lines() {
    static const char* const kOrdinals[] = {"first", "second", "third",  "fourth",
                                            "fifth", "sixth",  "seventh"};
    QStringList lines;
    int key = 1;
    for (const char* ordinal : kOrdinals) {
        lines << QStringLiteral(
                     "F%1 - Cancel sending current message, then send %2 message "
                     "immediately")
                     .arg(key++)
                     .arg(QLatin1String(ordinal));
    }
    lines << QStringLiteral("F12 - Toggles Auto sending mode")
          << QStringLiteral("ESC - Cancel sending immediately");
    return lines;
}

}  // namespace tarnwick
