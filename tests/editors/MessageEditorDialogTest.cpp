#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "EditorTestSupport.h"
#include "editors/CMessageEditorDialog.h"
#include "editors/GroupEditing.h"
#include "keyer/MessageEditRules.h"

namespace tarnwick {
namespace {

class MessageEditorDialogTest : public ::testing::Test, public test::DialogFixture {
protected:
    MessageCheckContext Context() const {
        MessageCheckContext context = CheckContextFor(*doc, "DL1ABC");
        context.baseDir = dir.Path();
        return context;
    }

    // A chooser that records where it was asked to start and answers `answer`.
    FileChooser Answering(const QString& answer) {
        return [this, answer](QWidget*, const FileChoice& choice) {
            asked.push_back(choice);
            return answer;
        };
    }

    static void DoubleClickAt(QLineEdit* edit, int position) {
        edit->setCursorPosition(position);
        const QPoint at = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        QTest::mouseDClick(edit, Qt::LeftButton, {}, at);
    }

    std::vector<FileChoice> asked;
};

TEST_F(MessageEditorDialogTest, OkStoresTheTypedMessagesAndDurationButNeverTheTitle) {
    test::WhenModal([](QDialog* dialog) {
        auto* editor = static_cast<CMessageEditorDialog*>(dialog);
        EXPECT_EQ(editor->CaptionLabel()->text(), "Current Macros for Menu SSB Contest:");
        test::Type(editor->MessageEdit(3), "{ContestThanks.wav}[I]");
        test::Type(editor->DurationEdit(), "20");
        test::ClickButton(editor, "OK");
    });
    EXPECT_TRUE(EditPhoneGroup(*doc, 1, prompter, "DL1ABC"));
    ASSERT_TRUE(Save());
    EXPECT_EQ(Stored("Message03-03"), "{ContestThanks.wav}[I]");
    EXPECT_EQ(Stored("Message03-00"), "{ContestVoiceCQ.wav}[I]");
    EXPECT_EQ(Stored("DurNumber03"), "20");
    EXPECT_EQ(Stored("Title03"), "SSB Contest");

    // Cancel keeps the group whatever was typed.
    test::WhenModal([](QDialog* dialog) {
        auto* editor = static_cast<CMessageEditorDialog*>(dialog);
        test::Type(editor->MessageEdit(0), "CQ CQ");
        test::Type(editor->DurationEdit(), "99");
        test::ClickButton(editor, "Cancel");
    });
    EXPECT_FALSE(EditCwGroup(*doc, 1, prompter, "DL1ABC"));
    EXPECT_EQ(doc->Groups[1]->Messages[0], "CQ TEST CQ TEST DE %M %M %M K [P:10]");
    EXPECT_EQ(doc->Groups[1]->DurNumber, 15);
}

TEST_F(MessageEditorDialogTest, ADurationThatIsNoWholeNumberKeepsTheDialogOpen) {
    CMessageEditorDialog editor(prompter, Context());
    editor.LoadGroup(*doc->Groups[0]);
    test::Type(editor.DurationEdit(), "2 min");
    test::ClickButton(&editor, "OK");
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Please enter an integer."}));
    EXPECT_NE(editor.result(), QDialog::Accepted);
    test::Type(editor.DurationEdit(), "150");
    test::ClickButton(&editor, "OK");
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    MessageGroup group;
    editor.StoreGroup(group);
    EXPECT_EQ(group.DurNumber, 150);
}

TEST_F(MessageEditorDialogTest, EachMessageIsCheckedAsItIsTyped) {
    CMessageEditorDialog editor(prompter, Context());
    editor.LoadGroup(*doc->Groups[2]);
    // The stock phone messages name files this folder does not have.
    EXPECT_EQ(editor.CheckLabel(0)->toolTip(), "Cannot locate file: MSvoiceCQ.wav");
    EXPECT_TRUE(editor.MessageEdit(0)->property("messageProblem").toBool());
    EXPECT_EQ(editor.CheckLabel(3)->text(), "");

    test::Type(editor.MessageEdit(3), "{CQ DE %M}[R:30");
    EXPECT_EQ(editor.CheckLabel(3)->text(), "Error in message string.");
    EXPECT_TRUE(editor.MessageEdit(3)->property("messageProblem").toBool());
    QTest::keyClick(editor.MessageEdit(3), Qt::Key_BracketRight);
    EXPECT_EQ(editor.CheckLabel(3)->text().toStdString().substr(0, 2), "30");
    EXPECT_FALSE(editor.MessageEdit(3)->property("messageProblem").toBool());
    test::Type(editor.MessageEdit(4), "CQ");
    // 27 units of 80 ms (15 WPM), the gaps after the last element and the 0.2 s TX delay.
    EXPECT_EQ(editor.CheckLabel(4)->text().toStdString(), "2.3 s");
}

TEST_F(MessageEditorDialogTest, DoubleClickOnAFileNameChoosesAnotherFile) {
    CMessageEditorDialog editor(prompter, Context());
    editor.LoadGroup(*doc->Groups[2]);
    editor.SetFileChooser(Answering(QString::fromStdString(dir.File("voice/cq2.wav"))));
    DoubleClickAt(editor.MessageEdit(0), 5);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].fileName, "MSvoiceCQ.wav");
    EXPECT_EQ(asked[0].nameFilters,
              (QStringList{"Voice Wav Files (*.wav)", "Text Files (*.txt)", "All Files (*)"}));
    EXPECT_EQ(asked[0].defaultSuffix, "wav");
    EXPECT_EQ(editor.MessageEdit(0)->text(), "{{voice/cq2.wav}[I]}[R:30]");
    EXPECT_FALSE(editor.MessageEdit(0)->isUndoAvailable());

    // The middle on a closing brace: nothing is proposed, the name goes in at that place.
    DoubleClickAt(editor.MessageEdit(2), 3);
    EXPECT_EQ(asked.back().fileName, "");
    EXPECT_EQ(editor.MessageEdit(2)->text(), "{{MS73.wavvoice/cq2.wav}[I]}[R:30]");

    // Cancelled: no change.
    editor.SetFileChooser(Answering(QString()));
    DoubleClickAt(editor.MessageEdit(1), 5);
    EXPECT_EQ(editor.MessageEdit(1)->text(), "{{MSrogers.wav}[I]}[R:30]");
}

TEST_F(MessageEditorDialogTest, ReplaceSelectedFileGoesThroughTheClipboardWhole) {
    CMessageEditorDialog editor(prompter, Context());
    editor.LoadGroup(*doc->Groups[3]);
    editor.show();
    const QString longName = QString("voice/") + QString(300, 'n') + ".wav";
    editor.SetFileChooser(Answering(QString::fromStdString(dir.Path()) + "/" + longName));
    QLineEdit* edit = editor.MessageEdit(0);
    edit->setFocus();

    edit->deselect();
    EXPECT_FALSE(editor.IsCommandEnabled(kCmdReplaceFile));
    editor.RunCommand(kCmdReplaceFile);
    EXPECT_TRUE(asked.empty());

    edit->setSelection(1, 18);  // ContestVoiceCQ.wav
    EXPECT_TRUE(editor.IsCommandEnabled(kCmdReplaceFile));
    editor.RunCommand(kCmdReplaceFile);
    EXPECT_EQ(edit->text(), "{" + longName + "}[I]");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), longName);
    // Pasted like any paste: the edit can take it back.
    editor.RunCommand(kCmdUndo);
    EXPECT_EQ(edit->text(), "{ContestVoiceCQ.wav}[I]");
}

TEST_F(MessageEditorDialogTest, ContextMenuEnablesCommandsForTheEditItIsOpenedOver) {
    CMessageEditorDialog editor(prompter, Context());
    editor.LoadGroup(*doc->Groups[1]);
    editor.show();
    QLineEdit* edit = editor.MessageEdit(1);
    edit->setFocus();
    edit->deselect();
    std::map<QString, bool> enabled;
    test::WhenPopup([&enabled](QMenu* menu) {
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                enabled[action->text().remove('&')] = action->isEnabled();
            }
        }
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                            edit->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(edit, &click);
    EXPECT_EQ(enabled, (std::map<QString, bool>{{"Undo", false},
                                                {"Cut", false},
                                                {"Copy", false},
                                                {"Paste", true},
                                                {"Replace Selected File...", true}}));

    // Copy from the menu acts on that edit's selection.
    edit->setSelection(0, 3);
    test::WhenPopup([](QMenu* menu) {
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == kCmdCopy) {
                EXPECT_TRUE(action->isEnabled());
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
            }
        }
    });
    QApplication::sendEvent(edit, &click);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "QRZ");
}

}  // namespace
}  // namespace tarnwick
