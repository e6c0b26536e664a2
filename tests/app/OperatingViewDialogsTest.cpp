// The dialogs the operating window opens from its group menus and its Type button, driven through
// the real window with the real settings file: what reaches the file, the buffers and the keying.
#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <chrono>
#include <functional>

#include "EditorTestSupport.h"
#include "OperatingViewRig.h"
#include "app/AppTestSupport.h"
#include "app/FrameCommands.h"
#include "app/OperatingForm.h"
#include "editors/CCwSendingWindow.h"
#include "editors/CGroupManagerDialog.h"
#include "editors/CMessageEditorDialog.h"

namespace tarnwick {
namespace {

using test::BoxAnswerer;
using test::OperatingViewRig;
using test::ProcessEventsUntil;
using namespace ControlId;
using namespace CommandId;

// What the settings file on disk holds, without saving first: the window must have saved.
std::string OnDisk(const OperatingViewRig& rig, const std::string& name) {
    SettingsStore file(rig.store.Path());
    file.Load();
    return file.GetString(kSettingsSection, name);
}

// Each item as "title id", with " *" when it carries the mark.
QStringList Items(QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions()) {
        out << (a->isSeparator() ? QStringLiteral("-")
                                 : a->text() + " " + QString::number(a->data().toInt()) +
                                       (a->isChecked() ? " *" : ""));
    }
    return out;
}

QAction* Item(QMenu* menu, const QString& title) {
    for (QAction* a : menu->actions()) {
        if (a->text() == title) {
            return a;
        }
    }
    ADD_FAILURE() << "no item " << title.toStdString();
    return nullptr;
}

void ClickCell(QTreeWidget* list, int row, int column) {
    const QRect rowRect = list->visualItemRect(list->topLevelItem(row));
    const QPoint at(list->header()->sectionViewportPosition(column) + list->columnWidth(column) / 2,
                    rowRect.center().y());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

void PressDelete(QTreeWidget* list, int row) {
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(row));
    QTest::keyClick(list, Qt::Key_Delete);
}

// Opens the CW window with the Type button and runs `act` in it; returns once it has closed.
void WithTypeWindow(OperatingViewRig& rig, const std::function<void(CCwSendingWindow*)>& act) {
    test::WhenModal([act](QDialog* dialog) {
        auto* window = qobject_cast<CCwSendingWindow*>(dialog);
        ASSERT_NE(window, nullptr);
        act(window);
    });
    QTest::mouseClick(rig.Control<QPushButton>(kType), Qt::LeftButton);
}

bool FieldEmptiedWithPttChanges(OperatingViewRig& rig, CCwSendingWindow* window, size_t changes) {
    return ProcessEventsUntil([&] {
        return window->TextField()->toPlainText().isEmpty() && rig.PttLog().size() == changes;
    });
}

// The default group edited from its item is saved and shown in the buffers at once; any other
// group's item regenerates the buffers too, even when its editor is cancelled, and never
// changes the default.
TEST(OperatingViewDialogsTest, AGroupEditedFromItsItemIsSavedAndRegeneratesTheBuffers) {
    OperatingViewRig rig;  // CW, Sequenced: "2M CW EME" is the default
    QMenu* cw = rig.frame->CwGroupMenu();
    test::WhenModal([](QDialog* dialog) {
        auto* editor = static_cast<CMessageEditorDialog*>(dialog);
        test::Type(editor->MessageEdit(0), "QRZ DE %M");
        test::ClickButton(editor, "OK");
    });
    Item(cw, "2M CW EME")->trigger();
    EXPECT_EQ(rig.Box(kFirstBuffer)->text(), "QRZ DE MYCALL");
    EXPECT_EQ(OnDisk(rig, "Message00-00"), "QRZ DE %M");

    rig.Box(kFirstBuffer)->setText("typed over");
    test::WhenModal([](QDialog* dialog) {
        auto* editor = static_cast<CMessageEditorDialog*>(dialog);
        EXPECT_EQ(editor->CaptionLabel()->text(), "Current Macros for Menu SSB Contest:");
        test::Type(editor->MessageEdit(0), "{other.wav}");
        test::ClickButton(editor, "Cancel");
    });
    Item(rig.frame->PhoneGroupMenu(), "SSB Contest")->trigger();
    EXPECT_EQ(rig.Box(kFirstBuffer)->text(), "QRZ DE MYCALL");
    EXPECT_EQ(OnDisk(rig, "Message03-00"), "{ContestVoiceCQ.wav}[I]");
    EXPECT_EQ(rig.doc.ActivPhSeqStr, 2);
    EXPECT_TRUE(Item(cw, "2M CW EME")->isChecked());
}

// Everything done in the manager reaches the file when it closes, and both menus are rebuilt
// with the ids following the list; deleting a default is refused with its message.
TEST(OperatingViewDialogsTest, TheGroupManagerWritesTheFileAndRebuildsTheMenusOnDone) {
    OperatingViewRig rig;
    BoxAnswerer boxes;
    test::WhenModal([](QDialog* dialog) {
        auto* manager = static_cast<CGroupManagerDialog*>(dialog);
        QTreeWidget* cw = manager->List(GroupKind::Cw);
        QTreeWidget* phone = manager->List(GroupKind::Phone);
        PressDelete(cw, 0);

        test::Type(manager->NewTitleEdit(), "Meteor Scatter");
        test::WhenModal([](QDialog* editor) { test::ClickButton(editor, "OK"); });
        QTest::mouseClick(manager->AddButton(GroupKind::Cw), Qt::LeftButton);
        ClickCell(phone, 1, 1);  // SSB Contest for Sequenced too
        PressDelete(phone, 0);

        cw->setFocus();
        cw->editItem(cw->topLevelItem(1), 0);
        auto* inPlace = cw->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(inPlace, nullptr);
        test::Type(inPlace, "CW Test");
        QTest::keyClick(inPlace, Qt::Key_Return);
        QCoreApplication::processEvents();  // the list commits the edit from its event queue
        test::ClickButton(manager, "Done");
    });
    rig.frame->Action(kCwGroups)->trigger();

    EXPECT_EQ(boxes.texts, QStringList{"Error, cannot delete the current default value."});
    EXPECT_EQ(OnDisk(rig, "NCWTitles"), "3");
    EXPECT_EQ(OnDisk(rig, "NPhTitles"), "1");
    EXPECT_EQ(OnDisk(rig, "Title01"), "CW Test");
    EXPECT_EQ(OnDisk(rig, "Title02"), "Meteor Scatter");
    EXPECT_EQ(OnDisk(rig, "Title03"), "SSB Contest");
    EXPECT_EQ(OnDisk(rig, "ActivPhSeqStr"), "3");
    EXPECT_EQ(Items(rig.frame->CwGroupMenu()),
              (QStringList{"Add/Delete CW Message Group... 32983", "-", "2M CW EME 32985 *",
                           "CW Test 32986", "Meteor Scatter 32987"}));
    EXPECT_EQ(Items(rig.frame->PhoneGroupMenu()),
              (QStringList{"Add/Delete Phone Message Group... 32984", "-", "SSB Contest 32988 *"}));
}

// Typed words are keyed as they finish (automatic) or on Send It (manual), the field empties
// as they go and PTT drops when nothing is left; the window's mode reaches the file.
TEST(OperatingViewDialogsTest, TheTypeButtonKeysLiveCwInBothModes) {
    OperatingViewRig rig;
    WithTypeWindow(rig, [&rig](CCwSendingWindow* window) {
        QTest::keyClicks(window->TextField(), "cq ");
        EXPECT_TRUE(FieldEmptiedWithPttChanges(rig, window, 2));
        QTest::mouseClick(window->ManualSendBox(), Qt::LeftButton);
        QTest::keyClicks(window->TextField(), "test");
        QTest::mouseClick(window->SendItButton(), Qt::LeftButton);
        EXPECT_TRUE(FieldEmptiedWithPttChanges(rig, window, 4));
        EXPECT_FALSE(rig.PttUp());
        QTest::mouseClick(window->DoneButton(), Qt::LeftButton);
    });
    EXPECT_EQ(rig.view->Session().State().sentText, "CQ TEST ");
    EXPECT_EQ(rig.PttLog(), (std::vector<std::string>{"rts on", "rts off", "rts on", "rts off"}));
    EXPECT_EQ(OnDisk(rig, "ManualSend"), "1");
}

// A dash of a minute on the real clock: closing the window during it must not wait for its end,
// and leaves key and PTT down with the keyer free to send again.
TEST(OperatingViewDialogsTest, ClosingTheTypeWindowWhileKeyingStopsAtOnceWithPttDown) {
    OperatingViewRig rig({"CWRate=1", "DashWgt=50"}, 0, &RealTime());
    WithTypeWindow(rig, [&rig](CCwSendingWindow* window) {
        QTest::keyClicks(window->TextField(), "t ");
        ASSERT_TRUE(ProcessEventsUntil([&rig] {
            const auto port = rig.hardware.OpenPort(OperatingViewRig::kPort);
            return port != nullptr && port->Dtr();
        }));
        const auto start = std::chrono::steady_clock::now();
        window->close();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    });
    const auto port = rig.hardware.OpenPort(OperatingViewRig::kPort);
    EXPECT_TRUE(port == nullptr || !port->Dtr());
    EXPECT_FALSE(rig.PttUp());
    EXPECT_EQ(rig.PttLog(), (std::vector<std::string>{"rts on", "rts off"}));
    EXPECT_FALSE(rig.view->Session().Transmitting());
}

}  // namespace
}  // namespace tarnwick
