#include "editors/CMessageEditorDialog.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "keyer/MessageEditRules.h"
#include "platform/Prompter.h"

namespace tarnwick {
namespace {

constexpr int kFirstMessageId = 1100;
constexpr int kDurationId = 1089;
constexpr int kCaptionId = 1022;
constexpr int kCheckColumnWidth = 210;

const char* const kOrdinals[kMessagesPerGroup] = {"First", "Second", "Third",  "Fourth",
                                                  "Fifth", "Sixth",  "Seventh"};
const char* const kMacroLines[] = {
    "%M - My Call",
    "%R - Report",
    "%S - 4 digit Grid",
    "%G - 6 digit Grid",
    "%T - To Radio",
    "{text}[R:30] - Repeat text for 30 sec",
    "{text}[N:4] - Repeat text 4 times",
    "{file.wav}[I] - Insert wav file",
    "[P:20] - Pause for 20 sec",
};
const char* const kCwChars[][2] = {{"(", "KN"}, {"*", "SK"}, {"+", "AR"}, {"/", "DN"}, {"=", "BT"}};

}  // namespace

CMessageEditorDialog::CMessageEditorDialog(Prompter& prompter, const MessageCheckContext& context,
                                           QWidget* parent)
    : QDialog(parent), prompter_(prompter), context_(context) {
    setWindowTitle("Text Messages");
    BuildLayout();
}

CMessageEditorDialog::~CMessageEditorDialog() = default;

void CMessageEditorDialog::BuildLayout() {
    caption_ = new QLabel(this);
    caption_->setProperty("controlId", kCaptionId);
    caption_->setAutoFillBackground(true);
    QPalette green = caption_->palette();
    green.setColor(QPalette::Window, QColor(0, 255, 0));
    green.setColor(QPalette::WindowText, Qt::black);
    caption_->setPalette(green);
    caption_->setMargin(3);

    duration_ = new QLineEdit(this);
    duration_->setObjectName("duration");
    duration_->setProperty("controlId", kDurationId);
    duration_->setToolTip("Enter the number that should appear in the Seq or Pause Duration box");
    duration_->setFixedWidth(fontMetrics().horizontalAdvance("00000") + 16);
    auto* top = new QHBoxLayout;
    top->addWidget(caption_, 1);
    top->addSpacing(16);
    top->addWidget(new QLabel("Time (sec)", this));
    top->addWidget(duration_);

    auto* grid = new QGridLayout;
    auto* timeHeading = new QLabel(
        QString("Sending time at %1 WPM").arg(std::clamp(context_.cwRate, 1u, 50u)), this);
    timeHeading->setToolTip(
        "How long each message takes to send, TX delay included, or why sending it would fail");
    grid->addWidget(timeHeading, 0, 2);
    for (int i = 0; i < kMessagesPerGroup; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString("message%1").arg(i + 1));
        edit->setProperty("controlId", kFirstMessageId + i);
        edit->setToolTip(QString("%1 buffer to be transmitted. Please edit text if change is "
                                 "necessary")
                             .arg(kOrdinals[i]));
        edit->setMinimumWidth(fontMetrics().averageCharWidth() * 60);
        edit->installEventFilter(this);
        auto* check = new QLabel(this);
        check->setObjectName(QString("check%1").arg(i + 1));
        check->setFixedWidth(kCheckColumnWidth);
        grid->addWidget(new QLabel(QString("TX %1").arg(i + 1), this), i + 1, 0);
        grid->addWidget(edit, i + 1, 1);
        grid->addWidget(check, i + 1, 2);
        edits_[i] = edit;
        checks_[i] = check;
        connect(edit, &QLineEdit::textChanged, this, [this, i] { Recheck(i); });
    }
    editPalette_ = edits_[0]->palette();

    auto* macros = new QGroupBox("Macro Replacements", this);
    auto* macroLines = new QVBoxLayout(macros);
    macroLines->setSpacing(1);
    for (const char* line : kMacroLines) {
        macroLines->addWidget(new QLabel(line, macros));
    }
    auto* cwChars = new QGroupBox("CW Chars", this);
    auto* cwLines = new QGridLayout(cwChars);
    cwLines->setVerticalSpacing(1);
    cwLines->setColumnMinimumWidth(0, 16);
    for (int row = 0; row < static_cast<int>(std::size(kCwChars)); ++row) {
        cwLines->addWidget(new QLabel(kCwChars[row][0], cwChars), row, 0);
        cwLines->addWidget(new QLabel(kCwChars[row][1], cwChars), row, 1);
    }
    cwLines->setRowStretch(static_cast<int>(std::size(kCwChars)), 1);
    auto* help = new QHBoxLayout;
    help->addWidget(macros);
    help->addWidget(cwChars);
    help->addStretch(1);

    auto* note = new QLabel(
        "Note:  For phone messages, double click on the filename to display a file selection "
        "dialog",
        this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMessageEditorDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMessageEditorDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(grid);
    layout->addLayout(help);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

void CMessageEditorDialog::LoadGroup(const MessageGroup& group) {
    caption_->setText(QString::fromStdString(MessageMenuCaption(group.Title)));
    for (int i = 0; i < kMessagesPerGroup; ++i) {
        messages_[i] = QString::fromStdString(group.Messages[i]);
        edits_[i]->setText(messages_[i]);
        Recheck(i);
    }
    durNumber_ = group.DurNumber;
    duration_->setText(QString::number(durNumber_));
}

void CMessageEditorDialog::StoreGroup(MessageGroup& group) const {
    for (int i = 0; i < kMessagesPerGroup; ++i) {
        group.Messages[i] = messages_[i].toStdString();
    }
    group.DurNumber = durNumber_;
}

void CMessageEditorDialog::accept() {
    const auto duration = ParseWholeNumber(duration_->text().toStdString());
    if (!duration) {
        prompter_.Show(kWholeNumberMessage);
        duration_->setFocus();
        duration_->selectAll();
        return;
    }
    durNumber_ = *duration;
    for (int i = 0; i < kMessagesPerGroup; ++i) {
        messages_[i] = edits_[i]->text();
    }
    QDialog::accept();
}

void CMessageEditorDialog::Recheck(int index) {
    QLineEdit* edit = edits_[index];
    QLabel* label = checks_[index];
    const QString text = edit->text();
    QString shown;
    QString tip;
    bool failed = false;
    if (!text.trimmed().isEmpty()) {
        const MessageCheckResult check = CheckMessage(text.toStdString(), context_);
        failed = !check.problem.empty();
        if (failed) {
            tip = QString::fromStdString(check.problem);
        } else {
            const QString time = QString::fromStdString(FormatSendingTime(check.durationMs));
            shown = check.complete ? time : "over " + time;
            tip = check.complete ? "Time this message takes to send"
                                 : "The message repeats too often to be followed to its end";
        }
    }
    if (failed) {
        shown = label->fontMetrics().elidedText(tip, Qt::ElideRight, kCheckColumnWidth);
        QPalette marked = editPalette_;
        marked.setColor(QPalette::Base, QColor(255, 208, 208));
        edit->setPalette(marked);
        label->setStyleSheet("color: #b00000;");
    } else {
        edit->setPalette(editPalette_);
        label->setStyleSheet(QString());
    }
    edit->setProperty("messageProblem", failed);
    label->setText(shown);
    label->setToolTip(tip);
}

int CMessageEditorDialog::IndexOf(const QObject* object) const {
    for (int i = 0; i < kMessagesPerGroup; ++i) {
        if (edits_[i] == object) {
            return i;
        }
    }
    return -1;
}

QLineEdit* CMessageEditorDialog::FocusedEdit() const {
    QWidget* focused = focusWidget();
    if (focused == duration_ || IndexOf(focused) >= 0) {
        return static_cast<QLineEdit*>(focused);
    }
    return nullptr;
}

bool CMessageEditorDialog::IsCommandEnabled(int commandId) const {
    return EditCommandEnabled(commandId, LineEditFocus(FocusedEdit(), true));
}

void CMessageEditorDialog::RunCommand(int commandId) {
    if (QLineEdit* edit = FocusedEdit()) {
        RunCommandOn(edit, commandId);
    }
}

void CMessageEditorDialog::RunCommandOn(QLineEdit* edit, int commandId) {
    if (commandId == kCmdReplaceFile) {
        files_.ReplaceSelection(edit, this, context_.baseDir);
    } else {
        RunLineEditCommand(edit, commandId);
    }
}

bool CMessageEditorDialog::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index < 0) {
        return QDialog::eventFilter(watched, event);
    }
    QLineEdit* edit = edits_[index];
    if (event->type() == QEvent::ContextMenu) {
        const int chosen = ExecEditMenu(this, "Edit",
                                        {{"&Undo", kCmdUndo},
                                         {"Cu&t", kCmdCut},
                                         {"&Copy", kCmdCopy},
                                         {"&Paste", kCmdPaste},
                                         {nullptr, 0},
                                         {"&Replace Selected File...", kCmdReplaceFile}},
                                        LineEditFocus(edit, true),
                                        static_cast<QContextMenuEvent*>(event)->globalPos());
        if (chosen != 0) {
            RunCommandOn(edit, chosen);
        }
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            files_.ChooseAtDoubleClick(edit, mouse->position().toPoint(), this, context_.baseDir);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tarnwick
