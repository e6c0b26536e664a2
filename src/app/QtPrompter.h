#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/Prompter.h"

namespace tarnwick {

// The keyer's message boxes as QMessageBox, titled "Tarnwick". The window's thread shows the
// box at once; a worker's question is queued for the window's thread, which shows it, while
// the worker waits for the answer or for its cancel event (a stop), which also closes the box.
// The request travels through this object's own queue and lock, and a queued call only rings
// the bell, so no data of ours crosses threads inside Qt's event queue, whose locks the
// thread sanitizer cannot see.
//
// Without a display (interactive = false) every box is written to standard error and gets
// the negative answer, as no one could answer it.
class QtPrompter : public QObject, public Prompter {
    Q_OBJECT

public:
    explicit QtPrompter(bool interactive = true, QObject* parent = nullptr);
    ~QtPrompter() override;

    PromptAnswer Ask(const std::string& text, PromptButtons buttons,
                     Event* cancel = nullptr) override;

    // The box on screen, if any (for tests that answer it).
    QMessageBox* OpenBox() const { return openBox_; }

private slots:
    // Shows the oldest queued box of a worker; called through the event loop.
    void ServeQueue();

private:
    struct Request;

    PromptAnswer ShowBox(const std::string& text, PromptButtons buttons,
                         const std::shared_ptr<Request>& request);

    const bool interactive_;
    std::mutex mutex_;
    std::deque<std::shared_ptr<Request>> queue_;
    bool closing_ = false;
    QPointer<QMessageBox> openBox_;
};

}  // namespace tarnwick
