#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <string_view>

#include "app/AboutDialog.h"
#include "app/AppIcon.h"
#include "app/FrameCommands.h"
#include "app/FunctionKeysDialog.h"
#include "app/HelpDialog.h"
#include "app/OperatingViewHooks.h"
#include "app/SoundRecorderDialog.h"
#include "app/WindowPlacement.h"
#include "keyer/SentTextFit.h"
#include "model/CTarnwickDoc.h"
#include "model/SettingsStore.h"

namespace tarnwick {
namespace {

// Until the operating view sets the size it needs.
constexpr int kDefaultWidth = 900;
constexpr int kDefaultHeight = 560;
// Room around the pane's text inside its sunken frame.
constexpr int kPaneMargin = 12;

}  // namespace

CMainFrame::CMainFrame(CTarnwickDoc& doc, SettingsStore& store, Prompter& prompter, TimeBase& time,
                       QWidget* parent)
    : QMainWindow(parent), doc_(doc), store_(store), prompter_(prompter), saver_(time, [this] {
          return doc_.Save();
      }) {
    setWindowTitle(QStringLiteral("Tarnwick"));
    setWindowIcon(AppIcon());
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    connect(&saver_, &AutoSave::Saved, this, &CMainFrame::ShowSaveResult);
    resize(kDefaultWidth, kDefaultHeight);
}

CMainFrame::~CMainFrame() {
    // The view goes first, while the menus, actions and panes it uses are all still here; its
    // keyer session drops PTT on the way.
    hooks_ = nullptr;
    delete takeCentralWidget();
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setStatusTip(QString::fromStdString(CommandPrompt(id)));
    if (IsViewCommand(id)) {
        action->setEnabled(false);
    }
    actions_.insert(id, action);
    return action;
}

void CMainFrame::CreateMenus() {
    using namespace CommandId;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(AddCommand(file, kOpenSoundRecorder, QStringLiteral("Open Sound Recorder")),
            &QAction::triggered, this, &CMainFrame::OpenSoundRecorder);
    file->addSeparator();
    connect(AddCommand(file, kExit, QStringLiteral("E&xit")), &QAction::triggered, this,
            &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddCommand(edit, kUndo, QStringLiteral("&Undo"))->setShortcut(QKeySequence::Undo);
    edit->addSeparator();
    AddCommand(edit, kCut, QStringLiteral("Cu&t"))->setShortcut(QKeySequence::Cut);
    AddCommand(edit, kCopy, QStringLiteral("&Copy"))->setShortcut(QKeySequence::Copy);
    AddCommand(edit, kPaste, QStringLiteral("&Paste"))->setShortcut(QKeySequence::Paste);
    AddCommand(edit, kReplaceFile, QStringLiteral("Replace File"));
    for (QAction* a : {Action(kUndo), Action(kCut), Action(kCopy), Action(kPaste)}) {
        // The edit boxes handle these keys themselves; the menu only shows them.
        a->setShortcutContext(Qt::WidgetShortcut);
    }

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* toolBarToggle = AddCommand(view, kViewToolbar, QStringLiteral("&Toolbar"));
    QAction* statusBarToggle = AddCommand(view, kViewStatusBar, QStringLiteral("&Status Bar"));
    for (QAction* a : {toolBarToggle, statusBarToggle}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
    connect(statusBarToggle, &QAction::toggled, this,
            [this](bool on) { statusBar()->setVisible(on); });

    QMenu* setup = menuBar()->addMenu(QStringLiteral("Setup"));
    AddCommand(setup, kProgSettings, QStringLiteral("Prog Settings"));
    AddCommand(setup, kPortSettings, QStringLiteral("Port Settings"));
    cwGroupMenu_ = setup->addMenu(QStringLiteral("CW Messages"));
    AddCommand(cwGroupMenu_, kCwGroups, QStringLiteral("Add/Delete CW Message Group..."));
    phoneGroupMenu_ = setup->addMenu(QStringLiteral("Phone Messages"));
    AddCommand(phoneGroupMenu_, kPhoneGroups, QStringLiteral("Add/Delete Phone Message Group..."));
    // The view lists the groups in these menus; their prompt comes from here.
    for (QMenu* menu : {cwGroupMenu_, phoneGroupMenu_}) {
        connect(menu, &QMenu::hovered, this, [this](QAction* action) {
            if (action->statusTip().isEmpty()) {
                statusBar()->showMessage(
                    QString::fromStdString(CommandPrompt(action->data().toInt())));
            }
        });
    }

    QMenu* period = menuBar()->addMenu(QStringLiteral("Period"));
    AddCommand(period, kContestPeriod, QStringLiteral("Contest"))->setCheckable(true);
    AddCommand(period, kSequencedPeriod, QStringLiteral("Sequenced (EME)"))->setCheckable(true);
    QMenu* mode = menuBar()->addMenu(QStringLiteral("Mode"));
    AddCommand(mode, kCwMode, QStringLiteral("CW"))->setCheckable(true);
    AddCommand(mode, kPhoneMode, QStringLiteral("Phone"))->setCheckable(true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(AddCommand(help, kHelpTopics, QStringLiteral("&Help Topics")), &QAction::triggered,
            this, &CMainFrame::ShowHelpTopics);
    connect(AddCommand(help, kFunctionKeys, QStringLiteral("&Function Keys")), &QAction::triggered,
            this, &CMainFrame::ShowFunctionKeys);
    help->addSeparator();
    connect(AddCommand(help, kAbout, QStringLiteral("&About Tarnwick...")), &QAction::triggered,
            this, &CMainFrame::ShowAbout);
}

void CMainFrame::CreateToolBar() {
    using namespace CommandId;
    toolBar_ = addToolBar(QStringLiteral("Standard"));
    toolBar_->setObjectName(QStringLiteral("toolBar128"));
    toolBar_->setIconSize(QSize(16, 15));
    const struct {
        int id;
        const char* icon;
    } buttons[] = {
        {kCut, ":/icons/cut.svg"}, {kCopy, ":/icons/copy.svg"}, {kPaste, ":/icons/paste.svg"}};
    for (const auto& b : buttons) {
        Action(b.id)->setIcon(SvgIcon(QString::fromLatin1(b.icon)));
        toolBar_->addAction(Action(b.id));
    }
    toolBar_->addSeparator();
    Action(kAbout)->setIcon(SvgIcon(QStringLiteral(":/icons/about.svg")));
    toolBar_->addAction(Action(kAbout));
    QAction* toggle = Action(kViewToolbar);
    connect(toggle, &QAction::toggled, toolBar_, &QToolBar::setVisible);
    // Closing the toolbar by other means keeps the menu's check mark true to it.
    connect(toolBar_, &QToolBar::visibilityChanged, toggle, [this, toggle](bool visible) {
        if (!isMinimized() && isVisible()) {
            toggle->setChecked(visible);
        }
    });
}

void CMainFrame::CreateStatusBar() {
    messagePane_ = new QLabel(QString::fromLatin1(kIdleMessage), this);
    statusBar()->addWidget(messagePane_, 1);
    sentTextPane_ = new QLabel(QString::fromLatin1(kSentTextPaneText), this);
    sentTextPane_->setObjectName(QStringLiteral("pane%1").arg(kSentTextPaneId));
    sentTextPane_->setTextFormat(Qt::PlainText);
    sentTextPane_->setFrameShape(QFrame::Panel);
    sentTextPane_->setFrameShadow(QFrame::Sunken);
    // As wide as its first text, as the keyer's pane always was.
    sentTextPane_->setFixedWidth(
        sentTextPane_->fontMetrics().horizontalAdvance(sentTextPane_->text()) + kPaneMargin);
    statusBar()->addPermanentWidget(sentTextPane_);
}

void CMainFrame::SetOperatingView(QWidget* view, OperatingViewHooks* hooks) {
    setCentralWidget(view);
    hooks_ = hooks;
    RefreshSentTextPane();
}

void CMainFrame::RefreshSentTextPane() {
    if (hooks_ == nullptr) {
        return;
    }
    const std::string text = hooks_->SentText();
    const QFontMetrics metrics = sentTextPane_->fontMetrics();
    const size_t drop = SentTextCharsToDrop(
        text, sentTextPane_->contentsRect().width(), [&metrics](std::string_view part) {
            return metrics.horizontalAdvance(
                QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size())));
        });
    if (drop > 0) {
        hooks_->DropSentTextFront(drop);
    }
    sentTextPane_->setText(
        QString::fromUtf8(text.data() + drop, static_cast<qsizetype>(text.size() - drop)));
}

void CMainFrame::TrxSendingDone() {
    if (hooks_ != nullptr) {
        hooks_->SignalTrxDone();
    }
}

void CMainFrame::BringToFront() {
    if (isMinimized()) {
        // Back to what it was before (maximised stays maximised).
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    }
    show();
    raise();
    activateWindow();
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this) {
        modal->raise();
        modal->activateWindow();
    }
}

void CMainFrame::SettingsChanged() {
    saver_.Changed();
}

bool CMainFrame::SaveSettingsNow() {
    return saver_.SaveNow();
}

void CMainFrame::ShowSaveResult(bool ok) {
    messagePane_->setText(ok ? QString::fromLatin1(kIdleMessage)
                             : QStringLiteral("The settings could not be saved to %1")
                                   .arg(QString::fromStdString(store_.Path())));
}

void CMainFrame::OpenSoundRecorder() {
    SoundRecorderDialog dialog(prompter_, doc_.WaveOut, doc_.WorkingDir, this);
    dialog.exec();
}

bool CMainFrame::OpenProgramSettings(const SettingChanger& change) {
    CProgramSettingsDialog dialog(doc_, prompter_, this, change);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    SaveSettingsNow();
    return true;
}

void CMainFrame::ShowFunctionKeys() {
    FunctionKeysDialog dialog(this);
    dialog.exec();
}

void CMainFrame::ShowHelpTopics() {
    if (helpDialog_ == nullptr) {
        helpDialog_ = new HelpDialog(this);
    }
    helpDialog_->show();
    helpDialog_->raise();
    helpDialog_->activateWindow();
}

void CMainFrame::ShowAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

void CMainFrame::ApplyWindowPos(const WindowPos& pos) {
    ApplyPlacement(*this, pos);
    SetColumnWidths(pos.TitleColumnWidth, pos.OtherColumnWidth);
}

WindowPos CMainFrame::CurrentWindowPos() const {
    WindowPos pos = PlacementOf(*this);
    pos.TitleColumnWidth = titleColumnWidth_;
    pos.OtherColumnWidth = otherColumnWidth_;
    return pos;
}

void CMainFrame::SetColumnWidths(int titleWidth, int otherWidth) {
    titleColumnWidth_ = titleWidth;
    otherColumnWidth_ = otherWidth;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    WriteWindowPos(store_, CurrentWindowPos());
    saver_.SaveNow();
    QMainWindow::closeEvent(event);
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        emit FirstShown();
    }
}

}  // namespace tarnwick
