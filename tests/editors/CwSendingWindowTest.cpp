#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

#include "EditorTestSupport.h"
#include "audio/Sidetone.h"
#include "editors/CCwSendingWindow.h"
#include "platform/NoticeSink.h"
#include "platform/VirtualTimeBase.h"
#include "ports/KeyingObserver.h"
#include "ports/SerialLines.h"
#include "send/ManualSender.h"
#include "send/NoticeQueue.h"
#include "send/TransmitEngine.h"
#include "support/EngineDriver.h"
#include "support/FakeKeyingHardware.h"

namespace tarnwick {
namespace {

using Lines = std::vector<std::string>;

// Generous for a loaded machine: the keying itself runs on the virtual clock or is cut short.
constexpr int kWaitMs = 30'000;

// Hands the sender's notices to the window on the window's thread, as the owner's sink does
// with posted events.
class WindowSink : public NoticeSink {
public:
    explicit WindowSink(QObject* relay) : relay_(relay) {}
    // The window's thread only.
    std::function<void(const Notice&)> handler;

protected:
    void Deliver(Notice notice) override {
        QMetaObject::invokeMethod(
            relay_,
            [this, notice] {
                if (handler) {
                    handler(notice);
                }
            },
            Qt::QueuedConnection);
    }

private:
    QObject* relay_;
};

// The characters the keying announced, as it keys them.
class KeyedText : public KeyingObserver {
public:
    void OnPtt(bool) override {}
    void OnKey(bool) override {}
    void OnCharacter(char c) override {
        std::lock_guard lock(mutex_);
        text_ += c;
    }
    std::string Text() {
        std::lock_guard lock(mutex_);
        return text_;
    }

private:
    std::mutex mutex_;
    std::string text_;
};

// The window on the real engine, keying COM1 of fake hardware (PTT on RTS, CW on DTR), with
// the document on a settings file of its own.
class CwSendingWindowTest : public ::testing::Test, public test::DialogFixture {
protected:
    void SetUp() override {
        doc->TXDelay = 0.2;
        doc->ComPort[0] = 1;
        doc->PortMatrix[0][0] = 1;
        doc->PortMatrix[0][1] = 2;
    }

    void Open(TimeBase& time, Sidetone* sidetone = nullptr) {
        if (!engine) {
            engine = std::make_unique<TransmitEngine>(*doc, view, prompter, time, hardware);
            engine->SetKeyingObserver(&keyed);
        }
        sender = engine->OpenManualSendWindow(sink);
        ASSERT_TRUE(sender);
        window = std::make_unique<CCwSendingWindow>(*doc, *sender, sidetone);
        sink.handler = [this](const Notice& n) {
            window->HandleNotice(n.message, n.wParam, n.lParam);
        };
        window->show();
    }

    QString Field() const { return window->TextField()->toPlainText(); }

    Lines Changes(const std::string& line) const {
        return hardware.LineChanges(doc->ComDevice[0], line);
    }
    Lines Ptt() const { return Changes("rts"); }

    // Lets the window handle its notices until `done` holds.
    static bool WaitUntil(const std::function<bool()>& done) {
        return QTest::qWaitFor(done, kWaitMs);
    }

    VirtualTimeBase virtualTime;
    QObject relay;
    WindowSink sink{&relay};
    NoticeQueue view;
    test::FakeKeyingHardware hardware;
    KeyedText keyed;
    Sidetone sidetone;
    std::unique_ptr<TransmitEngine> engine;
    std::unique_ptr<ManualSender> sender;
    std::unique_ptr<CCwSendingWindow> window;
};

TEST_F(CwSendingWindowTest, AutomaticModeSendsEachFinishedWordAndEmptiesTheField) {
    Open(virtualTime);
    EXPECT_FALSE(window->SendItButton()->isEnabled());
    QTest::keyClicks(window->TextField(), "cq");
    QTest::qWait(50);
    EXPECT_TRUE(Ptt().empty()) << "no word is finished yet";
    EXPECT_EQ(Field(), "cq");

    QTest::keyClick(window->TextField(), Qt::Key_Space);
    EXPECT_TRUE(WaitUntil([&] { return Field().isEmpty() && Ptt().size() == 2; }));
    EXPECT_EQ(keyed.Text(), "CQ ");
    EXPECT_EQ(Ptt(), (Lines{"rts on", "rts off"})) << "PTT drops once the field is sent";
}

TEST_F(CwSendingWindowTest, ManualModeSendsOnSendItOrEnterAndIsRemembered) {
    Open(virtualTime);
    QTest::mouseClick(window->ManualSendBox(), Qt::LeftButton);
    EXPECT_TRUE(window->SendItButton()->isEnabled());
    QTest::keyClicks(window->TextField(), "test ");
    QTest::qWait(50);
    EXPECT_TRUE(Ptt().empty()) << "typing never sends in manual mode";

    QTest::mouseClick(window->SendItButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return Field().isEmpty() && Ptt().size() == 2; }));
    QTest::keyClicks(window->TextField(), "k");
    QTest::keyClick(window->TextField(), Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return Field().isEmpty() && Ptt().size() == 4; }));
    EXPECT_EQ(keyed.Text(), "TEST K ") << "Send It finishes the last word with a blank";

    QTest::mouseClick(window->DoneButton(), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(Save());
    EXPECT_EQ(Stored("ManualSend"), "1");
    window.reset();
    sender.reset();
    Open(virtualTime);
    EXPECT_TRUE(window->ManualSendBox()->isChecked());
    EXPECT_TRUE(window->SendItButton()->isEnabled());
    EXPECT_TRUE(sender->ManualMode());
}

// A dash of a minute: closing during it must not wait for its end.
TEST_F(CwSendingWindowTest, ClosingWhileKeyingStopsAtOnceWithPttDown) {
    doc->CWRate = 1;
    doc->DashWgt = 50;
    doc->TXDelay = 0;
    Open(RealTime());
    QTest::keyClicks(window->TextField(), "t ");
    ASSERT_TRUE(WaitUntil([&] { return Changes("dtr") == Lines{"dtr on"}; }));
    const auto start = std::chrono::steady_clock::now();
    window->close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(sender->IsOpen());
    EXPECT_EQ(Changes("dtr"), (Lines{"dtr on", "dtr off"}));
    EXPECT_EQ(Ptt(), (Lines{"rts on", "rts off"}));
}

// The operating window ends a transmission on the inhibit (here the engine's driver plays its
// part), which ends the sender: the window closes by itself, with key and PTT down.
TEST_F(CwSendingWindowTest, ATransmitInhibitEndsSendingAndClosesTheWindow) {
    doc->CWRate = 1;
    doc->DashWgt = 50;
    doc->TXDelay = 0;
    doc->PortMatrix[0][2] = 4;  // inhibit on CTS
    hardware.SerialInputs(doc->ComDevice[0]).status = kModemCtsOn;
    Open(RealTime());
    test::EngineDriver driver(*engine, view, RealTime());
    QTest::keyClicks(window->TextField(), "t ");
    EXPECT_TRUE(WaitUntil([&] {
        while (const auto notice = view.Next(RealTime(), 0)) {
            driver.Handle(*notice);
        }
        return !window->isVisible();
    }));
    EXPECT_FALSE(engine->IsManualSendOpen());
    EXPECT_EQ(Ptt(), (Lines{"rts on", "rts off"}));
    const Lines key = Changes("dtr");
    EXPECT_TRUE(key.empty() || key.back() == "dtr off");
}

TEST_F(CwSendingWindowTest, TheSidetoneSwitchAndPitchAreStoredAndAFailingCardIsNamed) {
    doc->WaveOut = 0;
    doc->WaveOutName = "tarnwick-no-such-card";
    Open(virtualTime, &sidetone);
    EXPECT_FALSE(sidetone.IsRunning()) << "off until switched on";
    window->PitchBox()->setValue(800);
    QTest::mouseClick(window->SidetoneBox(), Qt::LeftButton);
    EXPECT_TRUE(sidetone.IsRunning());
    EXPECT_TRUE(WaitUntil([&] { return window->SidetoneProblem()->isVisible(); }));
    EXPECT_EQ(window->SidetoneProblem()->text().toStdString(),
              "Sidetone: Bad Device ID Is Soundcard Present?");

    window->close();
    EXPECT_FALSE(sidetone.IsRunning());
    ASSERT_TRUE(Save());
    EXPECT_EQ(Stored("Sidetone"), "1");
    EXPECT_EQ(Stored("SidetoneFreq"), "800");
}

}  // namespace
}  // namespace tarnwick
