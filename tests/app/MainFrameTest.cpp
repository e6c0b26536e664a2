#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>

#include "app/AboutDialog.h"
#include "app/AppTestSupport.h"
#include "app/CMainFrame.h"
#include "app/FrameCommands.h"
#include "app/FunctionKeysDialog.h"
#include "app/HelpDialog.h"
#include "app/QtPrompter.h"
#include "editors/CProgramSettingsDialog.h"
#include "model/CTarnwickDoc.h"
#include "model/SettingsStore.h"
#include "platform/TimeBase.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

using test::ScratchDir;
using namespace CommandId;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override { doc_.OnNewDocument(); }

    // Texts of the labels of the modal dialog that `action` opens, which is then closed.
    static QStringList LabelsOfDialogFrom(QAction* action, QString* title) {
        QStringList texts;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr) {
                return;
            }
            *title = dialog->windowTitle();
            for (const QLabel* label : dialog->findChildren<QLabel*>()) {
                texts << label->text();
            }
            dialog->close();
        });
        action->trigger();
        return texts;
    }

    ScratchDir dir_;
    SettingsStore store_{dir_.File("Tarnwick.conf")};
    CTarnwickDoc doc_{&store_};
    QtPrompter prompter_;
    CMainFrame frame_{doc_, store_, prompter_, RealTime()};
};

TEST_F(MainFrameTest, MenusAndToolbarCarryTheCommandIdsAndPrompts) {
    EXPECT_EQ(frame_.windowTitle(), "Tarnwick");
    QStringList menus;
    for (const QAction* a : frame_.menuBar()->actions()) {
        menus << a->text();
    }
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&View", "Setup", "Period", "Mode", "&Help"}));

    for (const int id : {kOpenSoundRecorder,
                         kExit,
                         kUndo,
                         kCut,
                         kCopy,
                         kPaste,
                         kReplaceFile,
                         kViewToolbar,
                         kViewStatusBar,
                         kProgSettings,
                         kPortSettings,
                         kCwGroups,
                         kPhoneGroups,
                         kContestPeriod,
                         kSequencedPeriod,
                         kCwMode,
                         kPhoneMode,
                         kHelpTopics,
                         kFunctionKeys,
                         kAbout}) {
        const QAction* action = frame_.Action(id);
        ASSERT_NE(action, nullptr) << id;
        EXPECT_EQ(action->data().toInt(), id);
        EXPECT_FALSE(action->statusTip().isEmpty()) << id;
        // Until the operating view takes them over, its commands cannot be chosen.
        EXPECT_EQ(action->isEnabled(), !IsViewCommand(id)) << id;
    }

    QList<int> toolbar;
    for (const QAction* a : frame_.ToolBar()->actions()) {
        toolbar << (a->isSeparator() ? 0 : a->data().toInt());
    }
    EXPECT_EQ(toolbar, (QList<int>{kCut, kCopy, kPaste, 0, kAbout}));

    // A group the view lists gets the group prompt.
    QAction* group = frame_.CwGroupMenu()->addAction(QStringLiteral("2M CW EME"));
    group->setData(kFirstGroup);
    emit frame_.CwGroupMenu()->hovered(group);
    EXPECT_EQ(frame_.statusBar()->currentMessage(), "Select to edit this group of messages");
}

TEST_F(MainFrameTest, SentTextPaneShowsTheEndThatFitsAndCutsTheViewsText) {
    EXPECT_EQ(frame_.SentTextPane()->text(), "Transmitted CW text prints out here");
    auto* view = new test::StandInView;
    frame_.SetOperatingView(view, view);
    EXPECT_EQ(frame_.OperatingView(), view);
    frame_.show();

    const std::string sent = "CQ TEST CQ TEST DE K1ABC K1ABC K1ABC K CQ TEST CQ TEST DE K1ABC";
    view->sentText = sent;
    frame_.RefreshSentTextPane();
    const QString shown = frame_.SentTextPane()->text();
    EXPECT_LT(shown.size(), static_cast<qsizetype>(sent.size()));
    EXPECT_TRUE(QString::fromStdString(sent).endsWith(shown)) << shown.toStdString();
    EXPECT_LE(frame_.SentTextPane()->fontMetrics().horizontalAdvance(shown),
              frame_.SentTextPane()->contentsRect().width());
    EXPECT_EQ(view->sentText, shown.toStdString()) << "the view's text loses what is not shown";

    frame_.TrxSendingDone();
    EXPECT_EQ(view->trxDone, 1) << "the rig's end-of-sending report reaches the view";
}

TEST_F(MainFrameTest, BringToFrontRestoresAMinimisedWindowToItsFormerState) {
    frame_.showMaximized();
    frame_.showMinimized();
    ASSERT_TRUE(frame_.isMinimized());
    frame_.BringToFront();
    EXPECT_FALSE(frame_.isMinimized());
    EXPECT_TRUE(frame_.isMaximized());
}

TEST_F(MainFrameTest, FunctionKeysAboutAndHelpShowTheirTexts) {
    QString title;
    const QStringList keys = LabelsOfDialogFrom(frame_.Action(kFunctionKeys), &title);
    EXPECT_EQ(title, "Program Shortcut Keys");
    ASSERT_EQ(keys.size(), 9);
    EXPECT_EQ(keys[0], "F1 - Cancel sending current message, then send first message immediately");
    EXPECT_EQ(keys[6],
              "F7 - Cancel sending current message, then send seventh message immediately");
    EXPECT_EQ(keys[7], "F12 - Toggles Auto sending mode");
    EXPECT_EQ(keys[8], "ESC - Cancel sending immediately");

    const QStringList about = LabelsOfDialogFrom(frame_.Action(kAbout), &title);
    EXPECT_TRUE(about.contains(AboutDialog::NameAndVersion()));
    EXPECT_TRUE(about.contains(AboutDialog::Disclaimer()));
    EXPECT_TRUE(AboutDialog::NameAndVersion().startsWith("Tarnwick Version "));

    frame_.Action(kHelpTopics)->trigger();
    const auto* help = frame_.findChild<HelpDialog*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    const QString guide = help->Browser()->toPlainText();
    EXPECT_TRUE(guide.contains("F12")) << "the user guide, not an empty window";
    EXPECT_TRUE(guide.contains("{text}[R:30]"));
}

TEST_F(MainFrameTest, ChangesReachTheSettingsFileSoonAndOkAtOnce) {
    doc_.MyCall = "K1ABC";
    frame_.SettingsChanged();
    EXPECT_TRUE(test::ProcessEventsUntil([&] {
        return ScratchDir::Read(store_.Path()).find("MyCall=K1ABC\n") != std::string::npos;
    }));

    doc_.MyCall = "DL0XX";
    EXPECT_TRUE(frame_.SaveSettingsNow());
    EXPECT_NE(ScratchDir::Read(store_.Path()).find("MyCall=DL0XX\n"), std::string::npos);
    EXPECT_EQ(frame_.MessagePane()->text(), "Ready");
}

TEST_F(MainFrameTest, ProgramSettingsGoThroughTheViewsChangerAndAreSavedOnOk) {
    std::vector<std::string> changed;
    const SettingChanger change = [&](std::string_view name, std::string_view text) {
        changed.emplace_back(name);
        return ChangeSetting(doc_, name, text);
    };
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CProgramSettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->Edit(ProgramSettingsForm::kMyCall)->setText("OH2XYZ");
        dialog->accept();
    });
    EXPECT_TRUE(frame_.OpenProgramSettings(change));
    EXPECT_NE(std::find(changed.begin(), changed.end(), "UseTRX"), changed.end());
    EXPECT_NE(ScratchDir::Read(store_.Path()).find("MyCall=OH2XYZ\n"), std::string::npos);
}

TEST(MainFrameSaveTest, AFileThatCannotBeWrittenIsSaidInTheStatusBar) {
    ScratchDir dir;
    ASSERT_TRUE(ScratchDir::Write(dir.File("plain"), "a file, not a folder"));
    SettingsStore store(dir.File("plain/Tarnwick.conf"));
    CTarnwickDoc doc(&store);
    doc.OnNewDocument();
    QtPrompter prompter;
    CMainFrame frame(doc, store, prompter, RealTime());
    EXPECT_FALSE(frame.SaveSettingsNow());
    EXPECT_EQ(frame.MessagePane()->text().toStdString(),
              "The settings could not be saved to " + store.Path());
}

}  // namespace
}  // namespace tarnwick
