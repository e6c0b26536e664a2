#pragma once

#include <QDialog>

class QLineEdit;

namespace tarnwick {

// "Edit Message Group Title": one box with the group's title, OK and Cancel.
class CGroupTitleDialog : public QDialog {
    Q_OBJECT

public:
    explicit CGroupTitleDialog(const QString& title, QWidget* parent = nullptr);

    QString Title() const;
    QLineEdit* TitleEdit() const { return edit_; }

private:
    QLineEdit* edit_ = nullptr;
};

}  // namespace tarnwick
