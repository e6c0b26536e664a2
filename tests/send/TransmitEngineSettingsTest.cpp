#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>

#include "model/CTarnwickDoc.h"
#include "platform/TimeBase.h"
#include "support/EngineDriver.h"
#include "send/KeyingSettings.h"
#include "send/NoticeQueue.h"
#include "send/TransmitEngine.h"
#include "support/FakeKeyingHardware.h"
#include "support/RecordingPrompter.h"
#include "support/RigDaemon.h"

namespace tarnwick {
namespace {

using test::EngineDriver;
using test::SendOutcome;

// Everything the window may change while a message goes out, changed again and again.
void ChangeEveryKeyingSetting(CTarnwickDoc& doc, int round) {
    const bool odd = round % 2 != 0;
    doc.CWRate = odd ? 40 : 50;
    doc.DotWgt = odd ? 1.1 : 1.0;
    doc.DashWgt = odd ? 3.2 : 3.0;
    doc.LetterSp = odd ? 3.3 : 3.0;
    doc.TXDelay = odd ? 0.002 : 0.001;
    doc.CWInd = odd ? 1 : 0;
    doc.CWPriority = odd ? 2 : 3;
    doc.WaveOut = odd ? 0 : -1;
    doc.WaveOutName = odd ? "pulse" : "";
    doc.SO2R = odd ? 1 : 0;
    // The devices and the link were taken at Send; the window may still store new choices.
    doc.ComPort[0] = 1;
    doc.ComDevice[0] = "/dev/ttyS0";
    for (auto& row : doc.PortMatrix) {
        for (int& cell : row) {
            cell = cell + 0;
        }
    }
    doc.UseTRX = doc.UseTRX + 0;
    doc.TrxPort = doc.TrxPort + 0;
    doc.TrxHost = std::string(doc.TrxHost);
    doc.LptAddress = 0;
}

// The window's thread owns the settings: here it writes every setting that keying uses while a
// message is keyed (on the serial port, then through the rig-control daemon), publishing them
// after each round. Neither the worker nor the rig link may read one from the document; under
// ThreadSanitizer any such read is a reported race.
TEST(TransmitEngineSettingsTest, TheWindowWritesEveryKeyingSettingWhileAMessageIsKeyed) {
    for (const bool rig : {false, true}) {
        std::unique_ptr<test::RigDaemon> daemon;
        CTarnwickDoc doc;
        doc.CWRate = 50;
        doc.TXDelay = 0.001;
        doc.ComPort[0] = 1;
        doc.PortMatrix[0][0] = 1;  // PTT on RTS
        doc.PortMatrix[0][1] = 2;  // CW on DTR
        doc.PortMatrix[0][2] = 4;  // inhibit on CTS, never raised: its watcher runs meanwhile
        if (rig) {
            daemon = std::make_unique<test::RigDaemon>();
            ASSERT_TRUE(daemon->Running());
            doc.UseTRX = 1;
            doc.TrxHost = "127.0.0.1";
            doc.TrxPort = daemon->Port();
            doc.PortMatrix[kTrxRow][0] = 1;
            doc.PortMatrix[kTrxRow][kCwColumn] = 1;
        }
        NoticeQueue view;
        test::RecordingPrompter prompter;
        test::FakeKeyingHardware hardware;
        TransmitEngine engine(doc, view, prompter, RealTime(), hardware);
        EngineDriver window(engine, view, RealTime());
        // Text runs, PTT dropped and raised again (with its TX delay), and a WAV insert that
        // takes the sound device and fails on the missing file.
        ASSERT_TRUE(engine.Send("{EE [P:0] T }[N:4] {no-such-file.wav}[I]"));
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        std::optional<SendOutcome> outcome;
        for (int round = 1; !outcome && std::chrono::steady_clock::now() < until; ++round) {
            ChangeEveryKeyingSetting(doc, round);
            engine.SetKeyingSettings(KeyingSettings::FromDocument(doc));
            if (const std::optional<Notice> n = view.Next(RealTime(), 2)) {
                outcome = window.Handle(*n);
            }
        }
        ASSERT_TRUE(outcome) << "the message did not end";
        EXPECT_EQ(*outcome, SendOutcome::Failed) << rig;
        EXPECT_EQ(prompter.Texts(),
                  std::vector<std::string>{"Cannot locate file: no-such-file.wav"})
            << rig;
    }
}

}  // namespace
}  // namespace tarnwick
