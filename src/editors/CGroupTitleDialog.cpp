#include "editors/CGroupTitleDialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tarnwick {
namespace {

constexpr int kTitleEditId = 1099;

}  // namespace

CGroupTitleDialog::CGroupTitleDialog(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Edit Message Group Title");
    edit_ = new QLineEdit(title, this);
    edit_->setObjectName("title");
    edit_->setProperty("controlId", kTitleEditId);
    edit_->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
    edit_->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CGroupTitleDialog::Title() const {
    return edit_->text();
}

}  // namespace tarnwick
