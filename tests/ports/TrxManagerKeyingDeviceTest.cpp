#include <gtest/gtest.h>

#include <string>

#include "model/CTarnwickDoc.h"
#include "platform/Event.h"
#include "platform/TimeBase.h"
#include "ports/TrxManagerKeyingDevice.h"
#include "support/RecordingPrompter.h"
#include "support/RigDaemon.h"
#include "trx/TrxManagerLink.h"

namespace tarnwick {
namespace {

// The radio's PTT as the daemon reports it: "0", "1" or "" when there is no answer.
std::string Ptt(const test::RigDaemon& daemon) {
    const std::string reply = daemon.Ask("t");
    const size_t at = reply.find("PTT: ");
    return at == std::string::npos ? "" : reply.substr(at + 5, 1);
}

class TrxManagerKeyingDeviceTest : public ::testing::Test {
protected:
    void Point(int port) {
        doc.TrxHost = "127.0.0.1";
        doc.TrxPort = port;
        doc.CWRate = 50;
    }

    CTarnwickDoc doc;
    test::RecordingPrompter prompter;
};

TEST_F(TrxManagerKeyingDeviceTest, WithoutTheProgramEveryOperationIsSilent) {
    Point(test::FreeLoopbackPort());
    TrxManagerLink link(doc, prompter, RealTime());
    ASSERT_FALSE(link.Connect(42));
    Event done(ResetMode::Manual);
    link.SetSendingDoneHandler([&](uint64_t) { done.Set(); });
    TrxManagerKeyingDevice device(link);
    device.PttOn();
    device.SendText("CQ");
    device.SendChar('E');
    device.PttOff();
    EXPECT_FALSE(RealTime().WaitFor(done, 200)) << "no text was handed over";
    EXPECT_TRUE(prompter.Texts().empty());
}

TEST_F(TrxManagerKeyingDeviceTest, PttAndTextReachTheRadio) {
    test::RigDaemon daemon;
    ASSERT_TRUE(daemon.Running());
    Point(daemon.Port());
    TrxManagerLink link(doc, prompter, RealTime());
    ASSERT_TRUE(link.Connect(42));
    Event done(ResetMode::Auto);
    link.SetSendingDoneHandler([&](uint64_t) { done.Set(); });
    TrxManagerKeyingDevice device(link);

    device.PttOn();
    EXPECT_EQ(Ptt(daemon), "1");
    device.KeyDown();
    device.KeyUp();
    EXPECT_EQ(Ptt(daemon), "1") << "the key operations do nothing";
    device.SendText("E");
    EXPECT_TRUE(RealTime().WaitFor(done, 10'000));
    device.SendChar('T');
    EXPECT_TRUE(RealTime().WaitFor(done, 10'000));
    device.PttOff();
    EXPECT_EQ(Ptt(daemon), "0");
    EXPECT_TRUE(prompter.Texts().empty());
    link.Disconnect();
}

}  // namespace
}  // namespace tarnwick
