// The operating window sending: the keys from any control, a Sequenced period on the virtual
// clock, the CW indicator and the status pane, the TX watchdog; the real engine keys COM1 on
// fake lines.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "OperatingViewRig.h"
#include "app/AppTestSupport.h"
#include "app/OperatingForm.h"
#include "keyer/KeyerSession.h"

namespace tarnwick {
namespace {

using test::OperatingViewRig;
using Lines = std::vector<std::string>;
using namespace ControlId;

// F-keys and ESC act whichever control has the focus, and typing there goes on undisturbed.
TEST(OperatingViewKeyingTest, FunctionKeysAndEscWorkFromAnyControlWithoutDisturbingTyping) {
    OperatingViewRig rig({"Contest=0"});
    rig.Tick();
    QLineEdit* buffer = rig.Box(kFirstBuffer + 2);
    buffer->setFocus();
    buffer->clear();
    QTest::keyClicks(buffer, "TE");
    rig.Press(buffer, Qt::Key_F3);
    EXPECT_TRUE(rig.PttUp()) << "F3 sends buffer 3 as typed";
    EXPECT_TRUE(rig.Control<QPushButton>(kTxStop)->isEnabled());
    QTest::keyClicks(buffer, "ST");
    EXPECT_EQ(buffer->text(), "TEST");
    rig.Press(buffer, Qt::Key_Escape);
    EXPECT_FALSE(rig.PttUp());
    EXPECT_FALSE(rig.Control<QPushButton>(kTxStop)->isEnabled());

    // F12 from the call box toggles Auto; F1 switches it off and sends buffer 1.
    QLineEdit* call = rig.Box(kCall);
    call->setFocus();
    rig.Press(call, Qt::Key_F12);
    EXPECT_EQ(rig.Control<QPushButton>(kAuto)->text(), "&Auto is ON");
    EXPECT_FALSE(rig.Control<QPushButton>(kFirstTxButton)->isEnabled());
    rig.Press(call, Qt::Key_F1);
    EXPECT_EQ(rig.Control<QPushButton>(kAuto)->text(), "&Auto is OFF");
    EXPECT_TRUE(rig.PttUp());
    EXPECT_TRUE(rig.PumpUntilIdle());
    EXPECT_EQ(rig.PttLog(), (Lines{"rts on", "rts off", "rts on", "rts off"}));
    EXPECT_EQ(rig.view->Session().State().selectedBuffer, 1);
}

// A Sequenced period through the window: TX First, 60 s sequences, Auto pressed half a minute
// before the start time; PTT rises at 12:00 and 12:02 only, and the buffer being sent is shown
// black on yellow meanwhile.
TEST(OperatingViewKeyingTest, ASequencedPeriodKeysAtItsTransmitBoundaries) {
    OperatingViewRig rig({}, UtcSeconds(2026, 12, 6, 11, 59, 30));
    rig.Tick();
    rig.Box(kFirstBuffer)->setText("E");
    rig.TypeAndLeave(rig.Box(kDuration), "60");
    EXPECT_EQ(rig.Box(kStartTime)->text(), "12:00:00");
    QTest::mouseClick(rig.Control<QPushButton>(kAuto), Qt::LeftButton);
    Lines rises;
    QPalette sending;
    while (rig.clock.NowSeconds() < UtcSeconds(2026, 12, 6, 12, 3, 30)) {
        rig.Tick();
        if (rig.PttUp()) {
            rises.push_back(rig.Now());
            sending = rig.Box(kFirstBuffer)->palette();
            ASSERT_TRUE(rig.PumpUntilIdle());
        }
    }
    EXPECT_EQ(rises, (Lines{"12:00:00", "12:02:00"}));
    EXPECT_EQ(sending.color(QPalette::Base), QColor(Qt::yellow));
    EXPECT_EQ(sending.color(QPalette::Text), QColor(Qt::black));
    EXPECT_NE(rig.Box(kFirstBuffer)->palette().color(QPalette::Base), QColor(Qt::yellow));
    EXPECT_EQ(rig.PttLog(), (Lines{"rts on", "rts off", "rts on", "rts off"}));
}

// With the indicator box checked the picture follows every key edge; the sent characters reach
// the frame's status pane.
TEST(OperatingViewKeyingTest, TheIndicatorFollowsTheKeyAndTheSentTextReachesTheStatusPane) {
    OperatingViewRig rig({"Contest=0", "CWInd=1"});
    QPushButton* indicator = rig.Control<QPushButton>(kCwIndicator);
    QStringList pictures;
    struct Watch : QObject {
        QStringList* out;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::DynamicPropertyChange) {
                *out << o->property("picture").toString();
            }
            return false;
        }
    } watch;
    watch.out = &pictures;
    indicator->installEventFilter(&watch);
    rig.Box(kFirstBuffer + 1)->setText("EE");
    QTest::mouseClick(rig.Control<QPushButton>(kFirstTxButton + 1), Qt::LeftButton);
    ASSERT_TRUE(rig.PumpUntilIdle());
    indicator->removeEventFilter(&watch);
    EXPECT_EQ(pictures, (QStringList{"CwTransmitting", "CwIdle", "CwTransmitting", "CwIdle"}));
    EXPECT_EQ(rig.frame->SentTextPane()->text(), "EE");
}

// Auto goes off once nobody has touched the keyer for the watchdog's minute, with PTT down
// and the reason in the status bar.
TEST(OperatingViewKeyingTest, TheTxWatchdogSwitchesAutoOffAndSaysSo) {
    OperatingViewRig rig({"Contest=0", "TxWatchdog=1"});
    rig.Box(kFirstBuffer)->setText("E");
    rig.Box(kPause)->setText("20");
    const int64_t pressed = rig.time.NowNs();
    QTest::mouseClick(rig.Control<QPushButton>(kAuto), Qt::LeftButton);
    for (int tick = 0; tick < 100 && rig.view->Session().State().autoOn; ++tick) {
        rig.Tick();
        ASSERT_TRUE(rig.PumpUntilIdle());
    }
    EXPECT_FALSE(rig.view->Session().State().autoOn);
    EXPECT_GE(rig.time.NowNs() - pressed, 60 * kNsPerSecond);
    EXPECT_FALSE(rig.PttUp());
    EXPECT_TRUE(rig.frame->MessagePane()->text().startsWith("TX watchdog: Auto switched off at "));
    EXPECT_EQ(rig.Control<QPushButton>(kAuto)->text(), "&Auto is OFF");
}

}  // namespace
}  // namespace tarnwick
