#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "EditorTestSupport.h"
#include "editors/CGroupManagerDialog.h"
#include "editors/CGroupTitleDialog.h"
#include "editors/CMessageEditorDialog.h"
#include "model/WindowPos.h"

namespace tarnwick {
namespace {

class GroupManagerDialogTest : public ::testing::Test, public test::DialogFixture {
protected:
    static std::vector<std::string> Row(QTreeWidget* list, int row) {
        std::vector<std::string> cells;
        for (int column = 0; column < 3; ++column) {
            cells.push_back(list->topLevelItem(row)->text(column).toStdString());
        }
        return cells;
    }

    static QPoint CellCentre(QTreeWidget* list, int row, int column) {
        const QRect rowRect = list->visualItemRect(list->topLevelItem(row));
        return {list->header()->sectionViewportPosition(column) + list->columnWidth(column) / 2,
                rowRect.center().y()};
    }

    static void ClickCell(QTreeWidget* list, int row, int column) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, row, column));
    }

    static void PressDelete(QTreeWidget* list, int row) {
        list->setFocus();
        list->setCurrentItem(list->topLevelItem(row));
        QTest::keyClick(list, Qt::Key_Delete);
    }

    // Opens the Options menu over a row and chooses the command.
    static void ChooseOption(QTreeWidget* list, int row, int commandId) {
        test::WhenPopup([commandId](QMenu* menu) {
            for (QAction* action : menu->actions()) {
                if (action->data().toInt() == commandId) {
                    menu->setActiveAction(action);
                    QTest::keyClick(menu, Qt::Key_Return);
                }
            }
        });
        emit list->customContextMenuRequested(CellCentre(list, row, 0));
    }

    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (const auto& group : doc->Groups) {
            titles.push_back(group->Title);
        }
        return titles;
    }
};

TEST_F(GroupManagerDialogTest, AddRedefaultRenameAndDeleteAreStoredAfterDone) {
    CGroupManagerDialog dialog(*doc, prompter, "DL1ABC", GroupColumnWidths{});
    dialog.show();
    QTreeWidget* cw = dialog.List(GroupKind::Cw);
    QTreeWidget* phone = dialog.List(GroupKind::Phone);

    // A new CW group starts as a copy of the Sequenced default and is edited before it is added.
    test::Type(dialog.NewTitleEdit(), "Meteor Scatter");
    test::WhenModal([](QDialog* d) {
        auto* editor = static_cast<CMessageEditorDialog*>(d);
        EXPECT_EQ(editor->CaptionLabel()->text().toStdString(),
                  "Current Macros for Menu Meteor Scatter:");
        EXPECT_EQ(editor->MessageEdit(0)->text().toStdString(), "{%T DE %M}[R:120]");
        test::Type(editor->MessageEdit(0), "{%T %M}[R:15]");
        test::ClickButton(editor, "OK");
    });
    QTest::mouseClick(dialog.AddButton(GroupKind::Cw), Qt::LeftButton);
    ASSERT_EQ(cw->topLevelItemCount(), 3);
    EXPECT_EQ(Row(cw, 2), (std::vector<std::string>{"Meteor Scatter", " O", " O"}));

    // A click on its " O" in the Contest column makes it the Contest default.
    ClickCell(cw, 2, 2);
    EXPECT_EQ(Row(cw, 2), (std::vector<std::string>{"Meteor Scatter", " O", " X"}));
    EXPECT_EQ(Row(cw, 1), (std::vector<std::string>{"CW Contest", " O", " O"}));

    // Rename in place, then delete the old Contest group with the DELETE key.
    phone->setFocus();
    phone->editItem(phone->topLevelItem(0), 0);
    auto* inPlace = phone->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(inPlace, nullptr);
    test::Type(inPlace, "MS Voice");
    QTest::keyClick(inPlace, Qt::Key_Return);
    QCoreApplication::processEvents();  // the list commits the edit from its event queue
    PressDelete(cw, 1);
    EXPECT_EQ(cw->topLevelItemCount(), 2);
    EXPECT_TRUE(prompter.Texts().empty());

    test::ClickButton(&dialog, "Done");
    EXPECT_EQ(Titles(),
              (std::vector<std::string>{"2M CW EME", "Meteor Scatter", "MS Voice", "SSB Contest"}));
    ASSERT_TRUE(Save());
    EXPECT_EQ(Stored("NCWTitles"), "2");
    EXPECT_EQ(Stored("NPhTitles"), "2");
    EXPECT_EQ(Stored("Title01"), "Meteor Scatter");
    EXPECT_EQ(Stored("Message01-00"), "{%T %M}[R:15]");
    EXPECT_EQ(Stored("DurNumber01"), "120");
    EXPECT_EQ(Stored("Title02"), "MS Voice");
    EXPECT_EQ(Stored("ActivCWSeqStr"), "0");
    EXPECT_EQ(Stored("ActivCWContStr"), "1");
    EXPECT_EQ(Stored("ActivPhSeqStr"), "2");
    EXPECT_EQ(Stored("ActivPhContStr"), "3");
}

TEST_F(GroupManagerDialogTest, DefaultsCannotBeDeletedAndACancelledEditorAddsNothing) {
    CGroupManagerDialog dialog(*doc, prompter, "DL1ABC", GroupColumnWidths{});
    dialog.show();
    PressDelete(dialog.List(GroupKind::Cw), 0);
    ChooseOption(dialog.List(GroupKind::Phone), 1, kCmdDeleteGroup);
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>(2, "Error, cannot delete the current default value.")));

    test::WhenModal([](QDialog* editor) { test::ClickButton(editor, "Cancel"); });
    QTest::mouseClick(dialog.AddButton(GroupKind::Phone), Qt::LeftButton);
    EXPECT_EQ(dialog.List(GroupKind::Cw)->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.List(GroupKind::Phone)->topLevelItemCount(), 2);
    test::ClickButton(&dialog, "Done");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"2M CW EME", "CW Contest", "SSB M Scatter",
                                                  "SSB Contest"}));
}

TEST_F(GroupManagerDialogTest, EscapeAndTheCloseBoxCommitToo) {
    {
        CGroupManagerDialog dialog(*doc, prompter, "DL1ABC", GroupColumnWidths{});
        dialog.show();
        ClickCell(dialog.List(GroupKind::Phone), 1, 1);  // SSB Contest for Sequenced too
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(doc->ActivPhSeqStr, 3);
    {
        CGroupManagerDialog dialog(*doc, prompter, "DL1ABC", GroupColumnWidths{});
        dialog.show();
        PressDelete(dialog.List(GroupKind::Phone), 0);
        dialog.close();
    }
    EXPECT_EQ(doc->NPhTitles, 1);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"2M CW EME", "CW Contest", "SSB Contest"}));
    ASSERT_TRUE(Save());
    EXPECT_EQ(Stored("NPhTitles"), "1");
    EXPECT_EQ(Stored("ActivPhSeqStr"), "2");
}

TEST_F(GroupManagerDialogTest, ChangeTitleTakesTheTitleDialogsTextUnlessCancelled) {
    CGroupManagerDialog dialog(*doc, prompter, "DL1ABC", GroupColumnWidths{});
    dialog.show();
    QTreeWidget* cw = dialog.List(GroupKind::Cw);
    test::WhenModal([](QDialog* d) {
        auto* title = static_cast<CGroupTitleDialog*>(d);
        EXPECT_EQ(title->TitleEdit()->text().toStdString(), "CW Contest");
        test::Type(title->TitleEdit(), "CW Sprint");
        test::ClickButton(title, "OK");
    });
    ChooseOption(cw, 1, kCmdChangeTitle);
    EXPECT_EQ(Row(cw, 1)[0], "CW Sprint");
    test::WhenModal([](QDialog* d) {
        test::Type(static_cast<CGroupTitleDialog*>(d)->TitleEdit(), "Never");
        test::ClickButton(d, "Cancel");
    });
    ChooseOption(cw, 1, kCmdChangeTitle);
    test::ClickButton(&dialog, "Done");
    EXPECT_EQ(doc->Groups[1]->Title, "CW Sprint");
}

TEST_F(GroupManagerDialogTest, ColumnWidthsComeFromAndGoBackToWindowPos) {
    WindowPos stored;
    stored.Right = 800;
    stored.Bottom = 600;
    stored.TitleColumnWidth = 130;
    stored.OtherColumnWidth = 60;
    WriteWindowPos(*store, stored);
    ASSERT_TRUE(store->Flush());

    CGroupManagerDialog dialog(*doc, prompter, "DL1ABC", ColumnWidthsFrom(ReadWindowPos(*store)));
    QTreeWidget* cw = dialog.List(GroupKind::Cw);
    QTreeWidget* phone = dialog.List(GroupKind::Phone);
    EXPECT_EQ(cw->columnWidth(0), 130);
    EXPECT_EQ(phone->columnWidth(2), 60);
    cw->setColumnWidth(0, 150);
    phone->setColumnWidth(0, 171);
    cw->setColumnWidth(1, 70);
    phone->setColumnWidth(2, 81);
    dialog.show();
    test::ClickButton(&dialog, "Done");
    EXPECT_EQ(dialog.ColumnWidths(), (GroupColumnWidths{160, 67}));

    // The frame writes them with its placement when it closes.
    stored.TitleColumnWidth = dialog.ColumnWidths().title;
    stored.OtherColumnWidth = dialog.ColumnWidths().other;
    WriteWindowPos(*store, stored);
    ASSERT_TRUE(Save());
    EXPECT_EQ(Stored("WindowPos"), "0:0:0:0:0:0:0:0:800:600:160:67");
}

}  // namespace
}  // namespace tarnwick
