#include "editors/CCwSendingWindow.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "audio/Sidetone.h"
#include "audio/SoundCard.h"
#include "model/CTarnwickDoc.h"
#include "model/SettingsSchema.h"
#include "platform/NoticeSink.h"
#include "send/ManualSender.h"

namespace tarnwick {
namespace {

constexpr int kFieldColumns = 56;
constexpr int kFieldLines = 6;
constexpr int kPitchStep = 10;
// Stands for a character the sender cannot key: dropped on the air, and it finishes no word.
constexpr char kUnkeyable = '\x7f';

// The field as the sender takes it: one byte per character of the field, so that counts of
// keyed characters are counts of the field's characters. Morse has no signs beyond ASCII.
std::string SenderText(const QString& field) {
    std::string text;
    text.reserve(static_cast<size_t>(field.size()));
    for (const QChar c : field) {
        text += c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : kUnkeyable;
    }
    return text;
}

QPushButton* PushLikeBox(const QString& text, const QString& tip, QWidget* parent) {
    auto* box = new QPushButton(text, parent);
    box->setCheckable(true);
    box->setAutoDefault(false);
    box->setToolTip(tip);
    return box;
}

}  // namespace

CCwSendingWindow::CCwSendingWindow(CTarnwickDoc& doc, ManualSender& sender, Sidetone* sidetone,
                                   QWidget* parent)
    : QDialog(parent), doc_(doc), sender_(sender), sidetone_(sidetone) {
    setWindowTitle("CW Sending Window");
    BuildLayout();
    manualBox_->setChecked(doc_.ManualSend != 0);
    sender_.SetManualMode(manualBox_->isChecked());
    sendIt_->setEnabled(manualBox_->isChecked());
    sidetoneBox_->setChecked(doc_.Sidetone != 0);
    pitch_->setValue(std::clamp(doc_.SidetoneFreq, kMinSidetoneFreq, kMaxSidetoneFreq));

    connect(field_, &QPlainTextEdit::textChanged, this, &CCwSendingWindow::TextChanged);
    connect(sendIt_, &QPushButton::clicked, this, &CCwSendingWindow::SendIt);
    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    connect(manualBox_, &QPushButton::clicked, this, &CCwSendingWindow::ManualSendClicked);
    connect(sidetoneBox_, &QPushButton::clicked, this, &CCwSendingWindow::SidetoneClicked);
    connect(pitch_, &QSpinBox::valueChanged, this, [this](int hz) {
        doc_.SidetoneFreq = hz;
        if (sidetone_ != nullptr) {
            sidetone_->SetPitch(hz);
        }
    });
    if (sidetone_ != nullptr && sidetoneBox_->isChecked()) {
        StartSidetone();
    }
    field_->setFocus();
}

CCwSendingWindow::~CCwSendingWindow() {
    // Never left keying, whoever ends the window.
    if (!closed_) {
        sender_.Close();
        if (sidetone_ != nullptr) {
            sidetone_->Stop();
        }
    }
}

void CCwSendingWindow::BuildLayout() {
    field_ = new QPlainTextEdit(this);
    field_->setObjectName("text");
    // What was sent cannot be taken back: undo would only put it into the field to be sent
    // again.
    field_->setUndoRedoEnabled(false);
    field_->setTabChangesFocus(true);
    const QFontMetrics metrics = field_->fontMetrics();
    field_->setMinimumSize(metrics.averageCharWidth() * kFieldColumns,
                           metrics.lineSpacing() * kFieldLines);
    field_->installEventFilter(this);

    sendIt_ = new QPushButton("Send It", this);
    sendIt_->setObjectName("sendIt");
    sendIt_->setToolTip("If in manual send mode, click to send text");
    sendIt_->setDefault(true);
    done_ = new QPushButton("Done", this);
    done_->setObjectName("done");
    done_->setAutoDefault(false);
    manualBox_ = PushLikeBox("Manual Send", "Click to switch to manual sending mode", this);
    manualBox_->setObjectName("manualSend");

    sidetoneBox_ = PushLikeBox("Sidetone",
                               "Click to hear a tone that follows the key on the sound card", this);
    sidetoneBox_->setObjectName("sidetone");
    pitch_ = new QSpinBox(this);
    pitch_->setObjectName("sidetonePitch");
    pitch_->setRange(kMinSidetoneFreq, kMaxSidetoneFreq);
    pitch_->setSingleStep(kPitchStep);
    pitch_->setSuffix(" Hz");
    pitch_->setToolTip("Pitch of the sidetone");
    problem_ = new QLabel(this);
    problem_->setObjectName("sidetoneProblem");
    problem_->setWordWrap(true);
    problem_->hide();
    if (sidetone_ == nullptr) {
        sidetoneBox_->hide();
        pitch_->hide();
    }

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(manualBox_);
    buttons->addWidget(sidetoneBox_);
    buttons->addWidget(pitch_);
    buttons->addStretch(1);
    buttons->addWidget(sendIt_);
    buttons->addWidget(done_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(field_, 1);
    layout->addLayout(buttons);
    layout->addWidget(problem_);
}

bool CCwSendingWindow::HandleNotice(uint32_t message, int64_t, int64_t) {
    switch (message) {
        case kManualSendSent:
            RemoveSent();
            return true;
        case kManualSendIdle:
            sender_.OnIdle();
            return true;
        case kManualSendEnded:
            if (!closed_) {
                reject();
            }
            return true;
        default:
            return false;
    }
}

void CCwSendingWindow::done(int result) {
    if (!closed_) {
        closed_ = true;
        // The transmitter first: key up and PTT down before anything else goes.
        sender_.Close();
        if (sidetone_ != nullptr) {
            sidetone_->Stop();
        }
        doc_.ManualSend = manualBox_->isChecked() ? 1 : 0;
    }
    QDialog::done(result);
}

bool CCwSendingWindow::eventFilter(QObject* watched, QEvent* event) {
    // Enter sends, as a dialog's default button does; in automatic mode it is a line break,
    // which finishes a word like a blank.
    if (watched == field_ && event->type() == QEvent::KeyPress && sendIt_->isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            SendIt();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CCwSendingWindow::TextChanged() {
    if (!closed_) {
        sender_.TextChanged(SenderText(field_->toPlainText()));
    }
}

void CCwSendingWindow::SendIt() {
    if (closed_) {
        return;
    }
    const std::string text = SenderText(field_->toPlainText());
    const std::string shown = sender_.SendIt(text);
    if (shown.size() > text.size()) {
        // The sender finished the last word with a blank; it already has the new text.
        const QSignalBlocker quiet(field_);
        QTextCursor end(field_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QString::fromLatin1(shown.data() + text.size(),
                                           static_cast<qsizetype>(shown.size() - text.size())));
    }
    field_->moveCursor(QTextCursor::End);
    field_->ensureCursorVisible();
    field_->setFocus();
}

void CCwSendingWindow::ManualSendClicked(bool manual) {
    sender_.SetManualMode(manual);
    sendIt_->setEnabled(manual);
    field_->setFocus();
}

void CCwSendingWindow::RemoveSent() {
    if (closed_) {
        return;
    }
    const QString field = field_->toPlainText();
    const std::string rest = sender_.RemoveSent(SenderText(field));
    const qsizetype keyed = field.size() - static_cast<qsizetype>(rest.size());
    if (keyed <= 0) {
        return;
    }
    {
        // The sender already holds the field's new text.
        const QSignalBlocker quiet(field_);
        QTextCursor front(field_->document());
        front.setPosition(static_cast<int>(keyed), QTextCursor::KeepAnchor);
        front.removeSelectedText();
    }
    field_->moveCursor(QTextCursor::End);
    field_->ensureCursorVisible();
}

void CCwSendingWindow::SidetoneClicked(bool on) {
    if (sidetone_ == nullptr || closed_) {
        return;
    }
    doc_.Sidetone = on ? 1 : 0;
    problem_->hide();
    if (on) {
        StartSidetone();
    } else {
        sidetone_->Stop();
    }
    field_->setFocus();
}

void CCwSendingWindow::StartSidetone() {
    // The failure comes on the sidetone's thread; it is shown on this one. Stop ends the calls
    // before this window can go.
    sidetone_->Start({doc_.WaveOut, doc_.WaveOutName}, pitch_->value(), [this](int code) {
        QMetaObject::invokeMethod(
            this, [this, code] { ShowSidetoneProblem(code); }, Qt::QueuedConnection);
    });
}

void CCwSendingWindow::ShowSidetoneProblem(int code) {
    if (!sidetoneBox_->isChecked()) {
        return;
    }
    problem_->setText("Sidetone: " +
                      QString::fromStdString(SoundCard::SoundErrorText(code)).replace('\n', ' '));
    problem_->show();
}

}  // namespace tarnwick
