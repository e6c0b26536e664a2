// The operating window's controls, box checks, editing commands and menus, on the real frame
// with the real settings file.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <string>

#include "OperatingViewRig.h"
#include "app/FrameCommands.h"
#include "app/OperatingForm.h"
#include "app/ViewEditCommands.h"
#include "audio/SpectrumAxis.h"
#include "display/CSpectrumView.h"
#include "keyer/MessageEditRules.h"
#include "platform/SoundDevices.h"
#include "support/PulseTestServer.h"
#include "support/ScopedEnvironment.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

using test::BoxAnswerer;
using test::OperatingViewRig;
using namespace ControlId;
using namespace CommandId;

TEST(OperatingViewTest, ControlsCarryTheirIdsTextsTooltipsAndInputRules) {
    OperatingViewRig rig;
    for (const int id :
         {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1010, 1011, 1013, 1019,
          1025, 1031, 1032, 1035, 1036, 1038, 1039, 1045, 1056, 1057, 1058, 1059, 1060,
          1081, 1085, 1107, 1108, 1109, 1110, 1111, 1112, 1113, 1114, 1115}) {
        const QWidget* control = rig.Control<QWidget>(id);
        ASSERT_NE(control, nullptr) << id;
        EXPECT_EQ(control->property("controlId").toInt(), id);
    }
    EXPECT_EQ(rig.Control<QPushButton>(kAuto)->text(), "&Auto is OFF");
    EXPECT_EQ(rig.Control<QPushButton>(kTxStop)->text(), "TX St&op");
    EXPECT_EQ(rig.Control<QPushButton>(kFirstTxButton + 6)->text(), "TX &7");
    EXPECT_EQ(rig.Control<QLabel>(kWpmLabel)->text(), "CW WPM:");
    EXPECT_EQ(rig.Box(kFirstBuffer + 2)->toolTip(),
              "Third buffer to be transmitted. Please edit text if change is necessary");
    EXPECT_EQ(rig.Control<QPushButton>(kFirstTxButton + 3)->toolTip(),
              "Select to send buffer immediately");
    EXPECT_EQ(rig.Control<QLabel>(kSeqLabel)->toolTip(), "") << "labels have no tooltip";
    EXPECT_EQ(rig.Control<QCheckBox>(kFftFilter)->toolTip(), "");

    // The clock: yellow on black, date over time, in UTC.
    const auto* clock = rig.Control<QPlainTextEdit>(kClock);
    EXPECT_EQ(clock->palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(clock->palette().color(QPalette::Text), QColor(Qt::yellow));
    rig.Tick();
    EXPECT_EQ(clock->toPlainText(), "2026 Dec 06\n12:00:01");

    // From the settings file; digits only in the number boxes; capitals in the call box.
    EXPECT_EQ(rig.Box(kWpm)->text(), "50");
    rig.Box(kWpm)->setFocus();
    rig.Box(kWpm)->clear();
    QTest::keyClicks(rig.Box(kWpm), "2x5");
    EXPECT_EQ(rig.Box(kWpm)->text(), "25");
    rig.Box(kCall)->setFocus();
    rig.Box(kCall)->clear();
    QTest::keyClicks(rig.Box(kCall), "dl1abc/p");
    EXPECT_EQ(rig.Box(kCall)->text(), "DL1ABC/P");
    EXPECT_EQ(rig.StoredValue("HisCall"), "DL1ABC/P");
    EXPECT_EQ(rig.Control<QRadioButton>(kFirstNextRadio)->isChecked(), true);
}

// Lookup searches "callsign.txt" in the current folder without holding the window; an answer
// that comes after the call box changed is not put beside the new call.
TEST(OperatingViewTest, LookupFillsTheGridOnlyForTheCallItSearched) {
    OperatingViewRig rig;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(rig.dir.Path());
    ASSERT_TRUE(test::ScratchDir::Write(rig.dir.File("callsign.txt"), "K1ABC FN42\nDL0XX JO62\n"));
    rig.Box(kCall)->setText("K1ABC");
    rig.Control<QPushButton>(kLookup)->click();
    QTRY_COMPARE_WITH_TIMEOUT(rig.Box(kGrid)->text(), QString("FN42"), 20000);

    rig.Control<QPushButton>(kLookup)->click();
    rig.Box(kCall)->setText("DL0XX");
    QTest::qWait(300);
    EXPECT_EQ(rig.Box(kGrid)->text(), "FN42");
    rig.Control<QPushButton>(kLookup)->click();
    QTRY_COMPARE_WITH_TIMEOUT(rig.Box(kGrid)->text(), QString("JO62"), 20000);
    std::filesystem::current_path(before);
}

// Each box is checked when it loses the focus: the box shows the corrected value, the message
// is shown, and the settings file keeps what was stored.
TEST(OperatingViewTest, BoxChecksShowTheirMessagesAndStoreTheirValues) {
    OperatingViewRig rig({"FilterWidth=100", "FilterBottomWidth=200"});
    BoxAnswerer boxes;
    rig.TypeAndLeave(rig.Box(kWpm), "0");
    EXPECT_EQ(rig.Box(kWpm)->text(), "1");
    EXPECT_EQ(rig.StoredValue("CWRate"), "1");
    rig.TypeAndLeave(rig.Box(kWpm), "75");
    EXPECT_EQ(rig.StoredValue("CWRate"), "50");
    rig.TypeAndLeave(rig.Box(kDuration), "10");
    EXPECT_EQ(rig.Box(kDuration)->text(), "15");
    rig.TypeAndLeave(rig.Box(kFilterFreq), "200");
    EXPECT_EQ(rig.Box(kFilterFreq)->text(), "1000");
    rig.TypeAndLeave(rig.Box(kFilterWidth), "300");
    EXPECT_EQ(rig.Box(kFilterBottomWidth)->text(), "300") << "pushed, not stored";
    EXPECT_EQ(rig.StoredValue("FilterWidth"), "300");
    EXPECT_EQ(rig.StoredValue("FilterBottomWidth"), "200");
    rig.TypeAndLeave(rig.Box(kReport), "559");
    EXPECT_EQ(rig.StoredValue("Report"), "559");
    EXPECT_EQ(boxes.texts, (QStringList{"Tarnwick does not support less than 1 WPM CW",
                                        "Tarnwick does not support greater than 50 WPM CW",
                                        "Tarnwick does not support less than 15 sec sequences",
                                        "You must enter a filter center frequency between 200 "
                                        "and 2756"}));

    // The arrows stay within 5..50 and keep the speed at once.
    rig.Box(kWpm)->setText("49");
    auto* arrows = rig.Control<QWidget>(kWpmArrows);
    QTest::mouseClick(arrows->findChild<QWidget*>("up"), Qt::LeftButton);
    QTest::mouseClick(arrows->findChild<QWidget*>("up"), Qt::LeftButton);
    EXPECT_EQ(rig.Box(kWpm)->text(), "50");
    EXPECT_EQ(rig.StoredValue("CWRate"), "50");

    // A click on the display: refused outside the centre's range, else the centre with FIR on.
    boxes.texts.clear();
    rig.view->DisplayClicked(200);
    EXPECT_EQ(boxes.texts,
              QStringList{"You must click on a filter center frequency between 200 and 2756"});
    rig.view->DisplayClicked(1478);
    EXPECT_EQ(rig.Box(kFilterFreq)->text(), "1478");
    EXPECT_TRUE(rig.Control<QCheckBox>(kFirFilter)->isChecked());
    EXPECT_EQ(rig.StoredValue("FilterFreq"), "1478");
}

// Edit commands follow the focused box; Replace File puts the chosen file's short name in place
// of the selection; in Phone mode a double-click on a file name in a buffer offers the dialog
// and the right button opens the window's own menu.
TEST(OperatingViewTest, EditCommandsAndFileNamesInTheBuffers) {
    OperatingViewRig rig;
    rig.doc.WorkingDir = rig.dir.Path();
    QStringList offered;
    rig.view->EditCommands().SetFileChooser([&](QWidget*, const FileChoice& choice) {
        offered << choice.fileName;
        return QString::fromStdString(rig.dir.File("new.wav"));
    });
    QLineEdit* buffer = rig.Box(kFirstBuffer + 1);
    buffer->setText("{old.wav}[I] K");
    buffer->setFocus();
    buffer->setSelection(1, 7);
    EXPECT_TRUE(rig.frame->Action(kCut)->isEnabled());
    EXPECT_TRUE(rig.frame->Action(kReplaceFile)->isEnabled());
    rig.frame->Action(kReplaceFile)->trigger();
    EXPECT_EQ(offered, QStringList{"old.wav"});
    EXPECT_EQ(buffer->text(), "{new.wav}[I] K");
    rig.frame->Action(kUndo)->trigger();
    EXPECT_EQ(buffer->text(), "{old.wav}[I] K") << "a paste, so Undo takes it back";
    rig.Control<QWidget>(kLookup)->setFocus();
    EXPECT_FALSE(rig.frame->Action(kUndo)->isEnabled()) << "no edit box has the focus";

    rig.frame->Action(kPhoneMode)->trigger();
    buffer = rig.Box(kFirstBuffer);
    ASSERT_EQ(buffer->text(), "{{MSvoiceCQ.wav}[I]}[R:30]");
    buffer->setFocus();
    offered.clear();
    QTest::mouseDClick(
        buffer, Qt::LeftButton, {},
        QPoint(buffer->fontMetrics().horizontalAdvance("{{MSvo") + 4, buffer->height() / 2));
    EXPECT_EQ(offered, QStringList{"MSvoiceCQ.wav"});
    EXPECT_EQ(buffer->text(), "{{new.wav}[I]}[R:30]");
    EXPECT_EQ(rig.view->Session().State().buffers[0], "{{new.wav}[I]}[R:30]");

    QStringList menu;
    QTimer::singleShot(0, [&] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* a : popup->actions()) {
                menu << a->text();
            }
            popup->close();
        }
    });
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 buffer->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(buffer, &rightClick);
    EXPECT_EQ(menu, (QStringList{"&Undo\tCtrl+Z", "", "Cu&t\tCtrl+X", "&Copy\tCtrl+C",
                                 "&Paste\tCtrl+V", "", "Replace Selected File"}));
}

// Mode and period commands enable their controls and fill the buffers; the group menus list
// the groups with the period's defaults marked.
TEST(OperatingViewTest, ModeAndPeriodEnableTheirControlsAndMarkTheirMenus) {
    OperatingViewRig rig;
    EXPECT_TRUE(rig.frame->Action(kSequencedPeriod)->isChecked());
    EXPECT_FALSE(rig.Box(kPause)->isEnabled());
    EXPECT_FALSE(rig.Control<QWidget>(kFirstTxButton)->isEnabled());
    EXPECT_EQ(rig.Box(kDuration)->text(), "120");
    QStringList cwItems;
    for (const QAction* a : rig.frame->CwGroupMenu()->actions()) {
        cwItems << a->text() + (a->isChecked() ? " *" : "");
    }
    EXPECT_EQ(cwItems,
              (QStringList{"Add/Delete CW Message Group...", "", "2M CW EME *", "CW Contest"}));
    EXPECT_EQ(rig.frame->PhoneGroupMenu()->actions()[2]->data().toInt(), 32987);

    rig.frame->Action(kContestPeriod)->trigger();
    rig.Tick();
    EXPECT_TRUE(rig.frame->Action(kContestPeriod)->isChecked());
    EXPECT_FALSE(rig.frame->Action(kSequencedPeriod)->isChecked());
    EXPECT_TRUE(rig.Box(kPause)->isEnabled());
    EXPECT_FALSE(rig.Box(kDuration)->isEnabled());
    EXPECT_FALSE(rig.Box(kStartTime)->isEnabled());
    EXPECT_EQ(rig.Box(kStartTime)->text(), "Contest");
    EXPECT_TRUE(rig.Control<QWidget>(kFirstTxButton)->isEnabled());
    EXPECT_EQ(rig.Box(kFirstBuffer)->text(), "CQ TEST CQ TEST DE MYCALL MYCALL MYCALL K [P:10]");
    EXPECT_TRUE(rig.frame->CwGroupMenu()->actions()[3]->isChecked());

    rig.frame->Action(kPhoneMode)->trigger();
    for (const int id : {kType, kWpm, kWpmLabel, kWpmArrows, kGenStdMsgs}) {
        EXPECT_FALSE(rig.Control<QWidget>(id)->isEnabled()) << id;
    }
    EXPECT_EQ(rig.Control<QWidget>(kCwIndicator)->property("picture").toString(), "PhoneIdle");
    EXPECT_EQ(rig.Box(kFirstBuffer)->text(), "{ContestVoiceCQ.wav}[I]");
    EXPECT_EQ(rig.StoredValue("Mode"), "1");
    EXPECT_EQ(rig.StoredValue("Contest"), "0");
}

// A click on the waterfall sets the filter to the frequency under it, at the window's first
// width and after a resize: the click and the drawing share one axis.
TEST(OperatingViewTest, AClickOnTheWaterfallSetsTheFilterThereAtAnyWidth) {
    if (!test::PulseTestServer::Installed()) {
        GTEST_SKIP() << "pulseaudio and parecord (Debian: pulseaudio pulseaudio-utils) are "
                        "not installed";
    }
    test::PulseTestServer server({{"keyer"}}, 800);
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    server.UseInThisProcess();
    test::ScopedEnvironment environment;
    environment.Set(SoundDevices::kDefaultOverride, "pulse");
    OperatingViewRig rig({"Mode=0", "FilterFreq=1000"}, 0, nullptr, true);
    CSpectrumView* display = rig.view->SpectrumDisplay();
    ASSERT_NE(display, nullptr);
    int lastWidth = 0;
    for (const int width : {700, 1100}) {
        rig.frame->resize(width + 300, rig.frame->height());
        QApplication::processEvents();
        EXPECT_GT(display->width(), lastWidth) << "the display follows the window";
        lastWidth = display->width();
        for (const double hz : {800.0, 1500.0}) {
            const int x = display->Axis().XOf(hz);
            QTest::mouseClick(display, Qt::LeftButton, {}, QPoint(x, display->height() / 2));
            const int stored = std::stoi(rig.StoredValue("FilterFreq"));
            EXPECT_LE(std::abs(stored - hz), display->Axis().HzAt(x + 1) - display->Axis().HzAt(x))
                << hz << " Hz at display width " << display->width();
        }
    }
    EXPECT_TRUE(rig.Control<QCheckBox>(kFirFilter)->isChecked()) << "a click turns the filter on";
}

}  // namespace
}  // namespace tarnwick
