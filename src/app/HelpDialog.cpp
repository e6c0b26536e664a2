#include "app/HelpDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace tarnwick {

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("Tarnwick Help"));
    browser_->setOpenExternalLinks(true);
    QFile guide(QStringLiteral(":/docs/user-guide.md"));
    if (guide.open(QIODevice::ReadOnly)) {
        browser_->setMarkdown(QString::fromUtf8(guide.readAll()));
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 560);
}

}  // namespace tarnwick
