#pragma once

#include <QDialog>

class QTextBrowser;

namespace tarnwick {

// Help Topics: the user guide, built into the program so that it opens wherever the program
// was installed, shown in a browser window with working links.
class HelpDialog : public QDialog {
    Q_OBJECT

public:
    explicit HelpDialog(QWidget* parent = nullptr);

    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

}  // namespace tarnwick
