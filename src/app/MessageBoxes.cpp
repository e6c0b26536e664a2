#include "app/MessageBoxes.h"

#include <QMessageBox>
#include <QTimer>

namespace tarnwick {
namespace {

// How often an open box looks whether its asker gave up waiting.
constexpr int kAbandonPollMs = 100;

QMessageBox::StandardButtons ButtonsOf(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        case PromptButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case PromptButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

PromptAnswer AnswerOf(int button, PromptButtons buttons) {
    switch (button) {
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        case QMessageBox::Retry:
            return PromptAnswer::Retry;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        case QMessageBox::Cancel:
            return PromptAnswer::Cancel;
        default:
            return NegativeAnswer(buttons);
    }
}

}  // namespace

PromptAnswer ShowKeyerBox(QWidget* parent, const std::string& text, PromptButtons buttons,
                          const std::function<bool()>& abandoned, QPointer<QMessageBox>* open) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tarnwick"), QString::fromStdString(text),
                    ButtonsOf(buttons), parent);
    QTimer abandonWatch;
    if (abandoned) {
        QObject::connect(&abandonWatch, &QTimer::timeout, &box, [&box, &abandoned] {
            if (abandoned()) {
                box.done(QMessageBox::Cancel);
            }
        });
        abandonWatch.start(kAbandonPollMs);
    }
    QPointer<QMessageBox> previous;
    if (open != nullptr) {
        previous = *open;
        *open = &box;
    }
    const int button = box.exec();
    if (open != nullptr) {
        *open = previous;
    }
    return AnswerOf(button, buttons);
}

}  // namespace tarnwick
