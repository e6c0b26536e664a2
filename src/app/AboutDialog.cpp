#include "app/AboutDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "app/AppIcon.h"

namespace tarnwick {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Tarnwick"));
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(new QLabel(NameAndVersion(), this), 0, 1);
    layout->addWidget(new QLabel(Disclaimer(), this), 1, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons, 2, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString AboutDialog::NameAndVersion() {
    return QStringLiteral("Tarnwick Version " TARNWICK_VERSION);
}

QString AboutDialog::Disclaimer() {
    return QStringLiteral("This program comes with no warranty; you use it at your own risk.");
}

}  // namespace tarnwick
